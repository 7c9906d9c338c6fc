#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "mainwindow/MainWindowControls.h"
#include "mainwindow/ValueDisplay.h"
#include "serial/Result.h"
#include "unit/ConnectedUnit.h"

namespace qu32 {

inline constexpr int kStatusReadAttempts = 10;
inline constexpr int kStatusFailuresToGiveUp = 5;

// Retries one status read: an unknown register ends at once with UnknownCode; the fifth refusal
// gives NotAcknowledged, the fifth failure of any other kind LineFailed.
Result retryStatusRead(const std::function<Result()>& attempt);

// The live input and output panels, the reset caption and the monitor layout of the main window,
// fed from the unit's status registers.
class IoDisplay {
  public:
    IoDisplay(MainWindowControls& controls, ConnectedUnit& unit, ValueDisplay& value)
        : controls_(controls), unit_(unit), value_(value) {}

    // All status words in one combined read; every panel and the actual value (plain reading).
    // Ok, UnknownCode, or LineFailed / NotAcknowledged when the unit is lost.
    Result refreshAllIo();
    // One status register each, with only their own panels.
    Result showPcInputs();
    Result showExternalInputs();
    Result showBusInputs();
    Result showOutputs();

    // Reset button caption from the last serial-input word.
    std::string resetCaption() const;
    void showResetState();

    // Title, scale marks and bar for the connected unit type; after the group settings.
    void applyMonitorLayout();
    // Input texts on the input buttons, output texts on the output panels.
    void showDescription();
    // Only inputs the PC may set get a working button.
    void enableSerialInputButtons();
    // Nothing live is known: all input and output panels white, input buttons disabled.
    void clearLiveDisplay();

  private:
    Result readStatusWord(const std::string& code, std::int16_t& word, bool withRetries);
    void paintInputs(std::array<Control, kInputButtons>& panels, std::int16_t word);
    void paintOutputs();
    int inputPanelCount() const;
    int outputPanelCount() const;

    MainWindowControls& controls_;
    ConnectedUnit& unit_;
    ValueDisplay& value_;
};

}  // namespace qu32
