#pragma once

#include <cstdio>

#include "mainwindow/FirmwareChoiceDialog.h"
#include "platform/Dialogs.h"

namespace qu32 {

// Dialogs for programs without windows: a message box becomes a line on the error stream and
// is answered at once, as if the operator pressed the default button.
class ConsoleDialogs : public Dialogs {
  public:
    // `out` is where messages go (stderr unless a test wants them elsewhere).
    explicit ConsoleDialogs(MsgAnswer defaultAnswer = MsgAnswer::Ok, std::FILE* out = stderr);

    // The answer wanted for every box. When a box does not offer it, its first button is
    // pressed instead, like a box confirmed with Enter.
    void setDefaultAnswer(MsgAnswer answer) { defaultAnswer_ = answer; }
    MsgAnswer defaultAnswer() const { return defaultAnswer_; }

    MsgAnswer messageBox(const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) override;
    // Rings only on a terminal; in a log file the bell is just noise.
    void beep() override;
    void setMousePointer(MousePointer) override {}
    // Nobody can pick from a list here; a console program chooses its firmware by option.
    void showFirmwareChoice(FirmwareChoiceDialog& choice) override { choice.pressCancel(); }

  private:
    MsgAnswer defaultAnswer_;
    std::FILE* out_;
};

}  // namespace qu32
