#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "mainwindow/Form1.h"
#include "mainwindow/ValueDisplay.h"
#include "unit/UnitData.h"

namespace qu32 {

// Result codes of the status readers.
inline constexpr int kIoOk = 1;
inline constexpr int kIoFailed = -1;
inline constexpr int kIoRejected = -2;
inline constexpr int kIoUnknownCode = -3;

inline constexpr int kStatusReadAttempts = 10;
inline constexpr int kStatusFailuresToGiveUp = 5;

// The bus inputs have one register in every group.
inline constexpr char kBusInputCode[] = "8C";

inline constexpr char kResetOnCaption[] = "R&eset is ON";
inline constexpr char kResetOffCaption[] = "R&eset is OFF";

// Retries one status read: "Unknown code." ends at once with -3; a fifth -2 gives -2, a fifth
// failure of any other kind -1.
int retryStatusRead(const std::function<int()>& attempt);

// The live input and output panels, the reset caption and the monitor layout of the main window,
// fed from the unit's status registers.
class IoDisplay {
  public:
    IoDisplay(Form1& form, UnitData& unit, ValueDisplay& value)
        : form_(form), unit_(unit), value_(value) {}

    // All status words in one combined read; every panel and the actual value (plain reading).
    int Set_All_IOs(const std::string& caller);
    // One status register each, with only their own panels.
    int Set_SerialInputs(const std::string& caller);
    int Set_ExternalInputs(const std::string& caller);
    int Set_BusInputs(const std::string& caller);
    int Set_Outputs(const std::string& caller);

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
    int readStatusWord(const std::string& code, std::int16_t& word, bool retry);
    void paintInputs(std::array<Control, kInputButtons>& panels, std::int16_t word);
    void paintOutputs();
    int inputPanelCount() const;
    int outputPanelCount() const;

    Form1& form_;
    UnitData& unit_;
    ValueDisplay& value_;
};

}  // namespace qu32
