#pragma once

#include <optional>
#include <string>

#include "mainwindow/MainWindowControls.h"
#include "platform/Dialogs.h"
#include "serial/OperatorObserver.h"
#include "settings/CompanyInfo.h"

namespace qu32 {

// The main window's side of what the link, the unit and the data-set selection report: the
// serial-status panels, progress in the window caption, message boxes under the program's title
// and the firmware choice dialog.
class WindowObserver : public OperatorObserver {
  public:
    WindowObserver(MainWindowControls& controls, Dialogs& dialogs, const CompanyInfo& company)
        : controls_(controls), dialogs_(dialogs), company_(company) {}

    void showSerialSettings(int comPort, const std::string& unitAddress,
                            const std::string& lineFormat) override;
    void clearSerialSettings() override;
    // The caption: the title text, "  -  " and the text.
    void showProgress(const std::string& text) override;
    // The caption as it was when the transfer began, with " - received/total" behind it.
    void showTransferProgress(std::size_t received, std::size_t total) override;
    void transferDone() override;
    void showMessage(const std::string& text, MsgButtons buttons, MsgIcon icon) override;
    // Shows the firmware choice with the normal pointer; the hourglass comes back after it.
    FirmwareChoice chooseFirmware(const std::vector<std::string>& names,
                                  const std::string& preset) override;

  private:
    MainWindowControls& controls_;
    Dialogs& dialogs_;
    const CompanyInfo& company_;
    std::optional<std::string> captionBeforeTransfer_;
};

}  // namespace qu32
