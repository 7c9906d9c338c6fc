#include "mainwindow/WindowObserver.h"

#include "mainwindow/FirmwareChoiceDialog.h"

namespace qu32 {

namespace {
constexpr char kProgressSeparator[] = "  -  ";
}  // namespace

void WindowObserver::showSerialSettings(int comPort, const std::string& unitAddress,
                                        const std::string& lineFormat) {
    controls_.portPanel.setCaption("COM " + std::to_string(comPort));
    controls_.unitPanel.setCaption("Unit " + unitAddress);
    controls_.formatPanel.setCaption(lineFormat);
}

void WindowObserver::clearSerialSettings() {
    if (controls_.portPanel.caption().empty())
        return;
    controls_.portPanel.setCaption("");
    controls_.unitPanel.setCaption("");
    controls_.formatPanel.setCaption("");
}

void WindowObserver::showProgress(const std::string& text) {
    controls_.window.setCaption(company_.titleText + kProgressSeparator + text);
}

void WindowObserver::showTransferProgress(std::size_t received, std::size_t total) {
    if (!captionBeforeTransfer_)
        captionBeforeTransfer_ = controls_.window.caption();
    controls_.window.setCaption(*captionBeforeTransfer_ + " - " + std::to_string(received) + "/" +
                                std::to_string(total));
}

void WindowObserver::transferDone() {
    if (captionBeforeTransfer_)
        controls_.window.setCaption(*captionBeforeTransfer_);
    captionBeforeTransfer_.reset();
}

void WindowObserver::showMessage(const std::string& text, MsgButtons buttons, MsgIcon icon) {
    dialogs_.messageBox(text, company_.titleText, buttons, icon);
}

FirmwareChoice WindowObserver::chooseFirmware(const std::vector<std::string>& names,
                                              const std::string& preset) {
    FirmwareChoiceDialog dialog(company_.titleText);
    dialog.names.items = names;
    dialog.names.text = preset;
    dialogs_.setMousePointer(MousePointer::Default);
    dialogs_.showFirmwareChoice(dialog);
    dialogs_.setMousePointer(MousePointer::Hourglass);
    return {dialog.names.text, dialog.confirmed()};
}

}  // namespace qu32
