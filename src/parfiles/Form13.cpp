#include "parfiles/Form13.h"

#include "settings/AtomicFile.h"
#include "settings/ProgramFolder.h"

namespace qu32 {

namespace {

constexpr char kCr = '\r';
constexpr const char* kCrLf = "\r\n";
constexpr const char* kOkCaption = "&OK";
constexpr const char* kCancelCaption = "&Cancel";

}  // namespace

std::string form13Explanation(const std::string& titleText) {
    const std::string tail = titleText.size() > kTitleTailLength
                                 ? titleText.substr(titleText.size() - kTitleTailLength)
                                 : titleText;
    return "The connected unit is not " + tail + " compatible." + kCr + "For this reason " + tail +
           " is unable to initialize automatically." + kCr + kCr +
           "Please select the firmware version of the connected unit in the list box below and "
           "click 'OK'." +
           kCr + "If the firmware version does not appear in the list box click 'Cancel'. " +
           "In this case " + tail + " will scan the unit and use default settings.";
}

Form13::Form13(const std::string& titleText) {
    window.setCaption(titleText);
    Label1.setCaption(form13Explanation(titleText));
    Command1.setCaption(kOkCaption);
    Command2.setCaption(kCancelCaption);
}

void Form13::pressOk() {
    if (unloaded_)
        return;
    result_ = Combo1.text;
    unload();
}

void Form13::pressCancel() {
    if (unloaded_)
        return;
    result_.clear();
    unload();
}

void Form13::unload() {
    if (unloaded_)
        return;
    unloaded_ = true;
    // Written on Cancel too: the name shown now is the one offered next time. A choice that
    // cannot be remembered is still a choice, so a failure here only leaves a note.
    storeError_.clear();
    writeFileAtomically(programFile(kFirmwareChoiceFile), Combo1.text + kCrLf, storeError_);
}

}  // namespace qu32
