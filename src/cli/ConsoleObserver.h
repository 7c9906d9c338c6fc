#pragma once

#include <string>

#include "platform/Dialogs.h"
#include "serial/OperatorObserver.h"

namespace qu32::cli {

// What the link and the description files report, for a program without a window: messages
// go to the console dialogs under the program's name, and the serial settings in use are kept
// for the trace.
class ConsoleObserver : public OperatorObserver {
  public:
    ConsoleObserver(Dialogs& console, std::string title)
        : console_(console), title_(std::move(title)) {}

    void showSerialSettings(int comPort, const std::string& unitAddress,
                            const std::string& lineFormat) override {
        settings_ = "COM " + std::to_string(comPort) + " " + lineFormat + ", unit " + unitAddress;
    }
    void clearSerialSettings() override { settings_.clear(); }
    void showMessage(const std::string& text, MsgButtons buttons, MsgIcon icon) override {
        console_.messageBox(text, title_, buttons, icon);
    }

    // "COM 1 9600, 7, 1, E, unit 11"; empty when the port is not open.
    const std::string& settingsText() const { return settings_; }

  private:
    Dialogs& console_;
    std::string title_;
    std::string settings_;
};

}  // namespace qu32::cli
