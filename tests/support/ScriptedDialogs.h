#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "parfiles/Form13.h"
#include "platform/Dialogs.h"

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

    // Form13: what the dialog showed, and what the operator does there: type a text (or leave
    // the one shown) and press a button or close the window. An empty script presses OK.
    struct Form13Shown {
        std::string caption;
        std::string label;
        std::vector<std::string> items;
        std::string text;
        MousePointer pointer;
    };
    enum class Form13Action { Ok, Cancel, Close };
    struct Form13Answer {
        std::optional<std::string> text = std::nullopt;
        Form13Action action = Form13Action::Ok;
    };

    void showForm13(Form13& form) override {
        form13Shown.push_back({form.window.caption(), form.Label1.caption(), form.Combo1.items,
                               form.Combo1.text, pointer});
        Form13Answer answer;
        if (!form13Answers.empty()) {
            answer = form13Answers.front();
            form13Answers.pop_front();
        }
        if (answer.text)
            form.Combo1.text = *answer.text;
        if (answer.action == Form13Action::Ok)
            form.pressOk();
        else if (answer.action == Form13Action::Cancel)
            form.pressCancel();
    }

    std::vector<Shown> shown;
    std::deque<MsgAnswer> answers;
    std::vector<Form13Shown> form13Shown;
    std::deque<Form13Answer> form13Answers;
    int beeps = 0;
    MousePointer pointer = MousePointer::Default;
};

}  // namespace qu32::test
