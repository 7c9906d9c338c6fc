#pragma once

#include <string>

namespace qu32 {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Stop, Question, Exclamation, Information };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };
enum class MousePointer { Default, Hourglass };

class FirmwareChoiceDialog;

// Message boxes and the other small modal interactions. Texts are ISO-8859-1; line breaks
// inside a message are single carriage returns.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual MsgAnswer messageBox(const std::string& text, const std::string& title,
                                 MsgButtons buttons, MsgIcon icon) = 0;
    virtual void beep() = 0;
    virtual void setMousePointer(MousePointer pointer) = 0;
    // Shows the firmware choice modally: the operator edits its list text and presses one of its
    // buttons. Returning without a press is closing the window. A program without windows cannot
    // ask, so by default nothing is pressed.
    virtual void showFirmwareChoice(FirmwareChoiceDialog& dialog) { static_cast<void>(dialog); }
};

}  // namespace qu32
