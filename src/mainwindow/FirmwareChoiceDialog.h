#pragma once

#include <string>
#include <vector>

#include "platform/Controls.h"

namespace qu32 {

// A list the operator picks from or types into: the offered names and the text of its edit
// field.
struct ComboBox {
    std::vector<std::string> items;
    std::string text;
};

// The firmware choice: the operator names the firmware of a unit that could not be identified
// by choosing one of the description files of the program folder. The window shows it modally
// and presses one of its buttons, or closes it.
class FirmwareChoiceDialog {
  public:
    // Caption and explanation from the program's title text.
    explicit FirmwareChoiceDialog(const std::string& titleText);
    FirmwareChoiceDialog(const FirmwareChoiceDialog&) = delete;
    FirmwareChoiceDialog& operator=(const FirmwareChoiceDialog&) = delete;

    Control window{Control::Kind::Window, "firmwareChoice"};
    Control explanation{Control::Kind::Label, "explanation"};
    ComboBox names;
    Control okButton{Control::Kind::Button, "okButton"};
    Control cancelButton{Control::Kind::Button, "cancelButton"};

    // OK: the list's text is the choice; the dialog closes.
    void pressOk();
    // Cancel: nothing is chosen; the dialog closes.
    void pressCancel();

    bool isClosed() const { return closed_; }
    bool confirmed() const { return confirmed_; }

  private:
    bool closed_ = false;
    bool confirmed_ = false;
};

// The explanation for a program of this title.
std::string firmwareChoiceExplanation(const std::string& titleText);

}  // namespace qu32
