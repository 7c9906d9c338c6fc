#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Controls.h"

namespace qu32 {

// The operator's last firmware choice, one line in the program folder.
inline constexpr const char* kFirmwareChoiceFile = "QU11FILE.STO";
// The explanation names the program by the end of its title ("nimbus").
inline constexpr std::size_t kTitleTailLength = 6;

// A combo box: the offered names and the text of its edit field, which the operator may also
// type into.
struct ComboBox {
    std::vector<std::string> items;
    std::string text;
};

// The firmware-selection dialog: the operator names the firmware of a unit that could not be
// identified by choosing one of the configuration files of the program folder. Whatever the
// list shows when the dialog closes is remembered for the next time.
class Form13 {
  public:
    // Loads the dialog: caption and explanation from the program's title text.
    explicit Form13(const std::string& titleText);
    Form13(const Form13&) = delete;
    Form13& operator=(const Form13&) = delete;

    Control window{Control::Kind::Window, "Form13"};
    Control Label1{Control::Kind::Label, "Label1"};
    ComboBox Combo1;
    Control Command1{Control::Kind::Button, "Command1"};
    Control Command2{Control::Kind::Button, "Command2"};

    // Command1: the result is the list's text; the dialog closes.
    void pressOk();
    // Command2: the result is empty; the dialog closes.
    void pressCancel();
    // Closes the dialog however it was closed: the list's text is written to the choice file.
    // Only the first call does anything.
    void unload();

    bool isUnloaded() const { return unloaded_; }
    // The chosen name; empty when cancelled or closed without OK.
    const std::string& result() const { return result_; }
    // Why the choice file could not be written; empty when it was.
    const std::string& storeError() const { return storeError_; }

  private:
    std::string result_;
    std::string storeError_;
    bool unloaded_ = false;
};

// The explanation of Label1 for a program of this title.
std::string form13Explanation(const std::string& titleText);

}  // namespace qu32
