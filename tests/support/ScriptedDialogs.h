#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "mainwindow/FileCommentDialog.h"
#include "mainwindow/FirmwareChoiceDialog.h"
#include "platform/Dialogs.h"
#include "support/RecordingPrinter.h"

namespace qu32::test {

// Records every message box and answers from a script (OK when the script is empty).
class ScriptedDialogs : public Dialogs {
  public:
    struct Shown {
        std::string text;
        std::string title;
        MsgButtons buttons;
        MsgIcon icon;
    };

    MsgAnswer messageBox(const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) override {
        shown.push_back({text, title, buttons, icon});
        if (answers.empty())
            return MsgAnswer::Ok;
        const MsgAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
    void beep() override { ++beeps; }
    void setMousePointer(MousePointer p) override { pointer = p; }

    // The firmware choice: what it showed, and what the operator does there: type a text (or
    // leave the one shown) and press a button or close the window. An empty script presses OK.
    struct ChoiceShown {
        std::string caption;
        std::string explanation;
        std::vector<std::string> items;
        std::string text;
        MousePointer pointer;
    };
    enum class ChoiceAction { Ok, Cancel, Close };
    struct ChoiceAnswer {
        std::optional<std::string> text = std::nullopt;
        ChoiceAction action = ChoiceAction::Ok;
    };

    void showFirmwareChoice(FirmwareChoiceDialog& dialog) override {
        choicesShown.push_back({dialog.window.caption(), dialog.explanation.caption(),
                                dialog.names.items, dialog.names.text, pointer});
        ChoiceAnswer answer;
        if (!choiceAnswers.empty()) {
            answer = choiceAnswers.front();
            choiceAnswers.pop_front();
        }
        if (answer.text)
            dialog.names.text = *answer.text;
        if (answer.action == ChoiceAction::Ok)
            dialog.pressOk();
        else if (answer.action == ChoiceAction::Cancel)
            dialog.pressCancel();
    }

    // File choosers answer from `chosenFiles` (cancelled when it is empty); the comment dialog
    // types and confirms the next of `comments`, or is closed for nothing or an empty script.
    std::optional<std::string> chooseFile(const FileDialogRequest& request) override {
        fileRequests.push_back(request);
        return next(chosenFiles);
    }
    void showFileComment(FileCommentDialog& dialog) override {
        commentQuestions.push_back(dialog.question.caption());
        if (const auto text = next(comments)) {
            dialog.setText(*text);
            dialog.pressOk();
        }
    }

    // The print dialog: cancelled while `printCopies` is 0, otherwise it hands out a recording
    // printer whose record lands in `printed`.
    std::optional<PrinterChoice> choosePrinter(const std::string& title) override {
        printTitles.push_back(title);
        if (printCopies == 0)
            return std::nullopt;
        auto printer = std::make_unique<RecordingPrinter>();
        printed = printer->record;
        return PrinterChoice{std::move(printer), printCopies};
    }

    std::vector<Shown> shown;
    std::deque<MsgAnswer> answers;
    std::vector<ChoiceShown> choicesShown;
    std::deque<ChoiceAnswer> choiceAnswers;
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::optional<std::string>> chosenFiles;
    std::vector<std::string> commentQuestions;
    std::deque<std::optional<std::string>> comments;
    std::vector<std::string> printTitles;
    int printCopies = 0;
    std::shared_ptr<RecordingPrinter::Record> printed;
    int beeps = 0;
    MousePointer pointer = MousePointer::Default;

  private:
    static std::optional<std::string> next(std::deque<std::optional<std::string>>& script) {
        if (script.empty())
            return std::nullopt;
        auto answer = script.front();
        script.pop_front();
        return answer;
    }
};

}  // namespace qu32::test
