#pragma once

#include <deque>
#include <string>
#include <vector>

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

    std::vector<Shown> shown;
    std::deque<MsgAnswer> answers;
    int beeps = 0;
    MousePointer pointer = MousePointer::Default;
};

}  // namespace qu32::test
