#include "mainwindow/FirmwareChoiceDialog.h"

#include "settings/CompanyInfo.h"

namespace qu32 {

namespace {

constexpr char kCr = '\r';
constexpr const char* kOkCaption = "&OK";
constexpr const char* kCancelCaption = "&Cancel";

}  // namespace

std::string firmwareChoiceExplanation(const std::string& titleText) {
    const std::string tail = titleTail(titleText);
    return "The connected unit is not " + tail + " compatible." + kCr + "For this reason " + tail +
           " is unable to initialize automatically." + kCr + kCr +
           "Please select the firmware version of the connected unit in the list box below and "
           "click 'OK'." +
           kCr + "If the firmware version does not appear in the list box click 'Cancel'. " +
           "In this case " + tail + " will scan the unit and use default settings.";
}

FirmwareChoiceDialog::FirmwareChoiceDialog(const std::string& titleText) {
    window.setCaption(titleText);
    explanation.setCaption(firmwareChoiceExplanation(titleText));
    okButton.setCaption(kOkCaption);
    cancelButton.setCaption(kCancelCaption);
}

void FirmwareChoiceDialog::pressOk() {
    if (closed_)
        return;
    confirmed_ = true;
    closed_ = true;
}

void FirmwareChoiceDialog::pressCancel() {
    if (closed_)
        return;
    closed_ = true;
}

}  // namespace qu32
