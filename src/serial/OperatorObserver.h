#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Dialogs.h"

namespace qu32 {

// What the operator picked in the firmware choice: the name the list showed when it closed, and
// whether it was confirmed (OK) or not (Cancel, closed).
struct FirmwareChoice {
    std::string shownName;
    bool confirmed = false;
};

// How the link, the unit and the data-set selection tell the operator what they are doing and
// ask the operator's choices, without knowing any window. The window logic shows all of it;
// a program without a window prints it or keeps quiet. Every call has a quiet default.
class OperatorObserver {
  public:
    virtual ~OperatorObserver() = default;

    // The serial settings in use: COM number, unit address and the line format
    // ("9600, 7, 1, E"); cleared when the port could not be opened.
    virtual void showSerialSettings(int comPort, const std::string& unitAddress,
                                    const std::string& lineFormat) {
        static_cast<void>(comPort);
        static_cast<void>(unitAddress);
        static_cast<void>(lineFormat);
    }
    virtual void clearSerialSettings() {}

    // Progress of long work, as one line of text.
    virtual void showProgress(const std::string& text) { static_cast<void>(text); }
    // Progress of one long answer: bytes received of all it will bring; transferDone() follows
    // when it is over, however it ended.
    virtual void showTransferProgress(std::size_t received, std::size_t total) {
        static_cast<void>(received);
        static_cast<void>(total);
    }
    virtual void transferDone() {}

    // A message to the operator (ISO-8859-1, lines broken by a lone carriage return).
    virtual void showMessage(const std::string& text, MsgButtons buttons, MsgIcon icon) {
        static_cast<void>(text);
        static_cast<void>(buttons);
        static_cast<void>(icon);
    }

    // The operator names the firmware of a unit that could not be identified, from `names`,
    // with `preset` shown first. Without anyone to ask nothing is confirmed.
    virtual FirmwareChoice chooseFirmware(const std::vector<std::string>& names,
                                          const std::string& preset) {
        static_cast<void>(names);
        return {preset, false};
    }
};

}  // namespace qu32
