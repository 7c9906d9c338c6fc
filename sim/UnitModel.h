#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/LineFormat.h"

namespace qu32::sim {

// Range a written value must lie in; a value that is not a whole number is refused as well.
struct ValueRange {
    long long minValue = 0;
    long long maxValue = 0;
    bool operator==(const ValueRange&) const = default;
};

// One text register of a unit: its contents after power-up and what a write may put in it.
struct RegisterDefinition {
    std::string initialValue;
    std::optional<ValueRange> range;  // none: any text is taken
    bool writable = true;
    bool operator==(const RegisterDefinition&) const = default;
};

// The unit's status words as its status registers report them.
struct UnitStatus {
    std::uint16_t serialInputs = 0;    // inputs set from the PC
    std::uint16_t externalInputs = 0;  // terminal inputs
    std::uint16_t busInputs = 0;       // the third input word
    std::uint16_t outputs = 0;
    bool operator==(const UnitStatus&) const = default;
};

// Where a unit reports its status and how the PC sets its inputs. Status words are answered as
// "H" and four hexadecimal digits, the actual value as a signed decimal text.
struct StatusLayout {
    std::string pcInputCode;
    std::string externalInputCode;
    std::string busInputCode;
    std::string outputCode;
    std::string actualValueCode;
    // Registers written with "1" or "0" to set or release an input, with the input's bit in the
    // serial-input word.
    std::map<std::string, std::uint16_t> inputCommands;
    bool operator==(const StatusLayout&) const = default;
};

// The unit's own commands. Writing "1" to the activate code makes the written values the ones
// the unit works with (its address and line settings among them); "1" to the store code keeps
// them in the EEPROM for the next power-up. The reset input is set with "1" and released with
// "0" on the reset code and shows as `resetMask` in the serial-input word.
struct UnitCommands {
    std::string activateCode;
    std::string storeCode;
    std::string resetCode;
    std::uint16_t resetMask = 0;
    bool operator==(const UnitCommands&) const = default;
};

// What distinguishes one kind of unit from another on the line. Pure data: the engine reads it,
// a new kind of unit is a new row in the model table.
struct UnitModel {
    std::string name;
    std::string defaultAddress = "11";
    LineFormat
        normalLine{};  // the format after power-up (9600,e,7,1 unless the row says otherwise)
    // Text registers, answered as STX code data ETX BCC.
    std::map<std::string, RegisterDefinition> registers;
    // Version registers "99", "98" and "9/"; absent ones are answered as unknown codes.
    std::optional<std::string> softwareVersion;
    std::optional<std::string> standardVersion;
    std::optional<std::string> coprocessorVersion;
    // Registers answered in block form; only while the unit talks 8 bits, otherwise unknown.
    std::map<std::string, std::vector<std::uint8_t>> blocks;
    // Answers the combined status read "9g" (a block, in any format).
    bool multiRead = false;
    // Understands the data-format commands "9>" (8 bits) and "9?" (back to normal).
    bool formatCommands = true;
    // Activate, store and reset; none: written values take effect at once and nothing is
    // stored, so a power cycle changes nothing.
    std::optional<UnitCommands> commands;
    // Status registers and input commands; none: the unit has neither.
    std::optional<StatusLayout> status;
    UnitStatus initialStatus{};
};

// Codes with a fixed meaning on every unit. The simulated unit keeps its own copy of the
// protocol (these codes, the frames, the block check) on purpose, written apart from the
// program's: it checks ours, so it must not share our mistakes.
inline constexpr char kSoftwareVersionCode[] = "99";
inline constexpr char kStandardVersionCode[] = "98";
inline constexpr char kCoprocessorVersionCode[] = "9/";
inline constexpr char kMultiReadCode[] = "9g";
inline constexpr char kEightBitCommand[] = "9>";
inline constexpr char kNormalFormatCommand[] = "9?";
// The unit's line settings: its address (two digits), baud-rate code and serial-format code.
inline constexpr char kAddressRegister[] = "90";
inline constexpr char kBaudRateRegister[] = "91";
inline constexpr char kSerialFormatRegister[] = "92";

// The format every unit switches to on "9>".
inline constexpr LineFormat kEightBitLine{9600, 'e', 8, 1};

// The model of the given name from the built-in table, or nothing.
std::optional<UnitModel> findModel(const std::string& name);
// Names of all built-in models, in table order.
std::vector<std::string> modelNames();

}  // namespace qu32::sim
