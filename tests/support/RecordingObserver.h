#pragma once

#include <deque>
#include <string>
#include <vector>

#include "serial/OperatorObserver.h"

namespace qu32::test {

// Records what the link, the unit and the firmware selection report, and answers the firmware
// choice from a script (an empty script confirms the name shown, like an operator pressing OK).
class RecordingObserver : public OperatorObserver {
  public:
    struct Message {
        std::string text;
        MsgButtons buttons;
        MsgIcon icon;
    };
    struct Choice {
        std::vector<std::string> names;
        std::string preset;
    };

    void showSerialSettings(int comPort, const std::string& unitAddress,
                            const std::string& lineFormat) override {
        serialSettings =
            "COM " + std::to_string(comPort) + " | Unit " + unitAddress + " | " + lineFormat;
    }
    void clearSerialSettings() override { serialSettings.clear(); }
    void showProgress(const std::string& text) override { progress.push_back(text); }
    void showTransferProgress(std::size_t received, std::size_t total) override {
        transfers.push_back(std::to_string(received) + "/" + std::to_string(total));
    }
    void transferDone() override { transfers.push_back("done"); }
    void showMessage(const std::string& text, MsgButtons buttons, MsgIcon icon) override {
        messages.push_back({text, buttons, icon});
    }
    FirmwareChoice chooseFirmware(const std::vector<std::string>& names,
                                  const std::string& preset) override {
        choices.push_back({names, preset});
        if (choiceAnswers.empty())
            return {preset, true};
        const FirmwareChoice answer = choiceAnswers.front();
        choiceAnswers.pop_front();
        return answer;
    }

    // "COM 1 | Unit 11 | 9600, 7, 1, E"; empty when cleared.
    std::string serialSettings;
    std::vector<std::string> progress;
    std::vector<std::string> transfers;
    std::vector<Message> messages;
    std::vector<Choice> choices;
    std::deque<FirmwareChoice> choiceAnswers;
};

}  // namespace qu32::test
