#pragma once

// Registers and commands whose codes are the same on every unit. The unit groups' own command and
// status registers are tables of their own (UnitGroups.cpp).
namespace qu32 {

// Every unit answers it; the main cycle probes for a unit with it.
inline constexpr char kProbeRegister[] = "00";
// Identification.
inline constexpr char kSoftwareVersionRegister[] = "99";
inline constexpr char kStandardVersionRegister[] = "98";
inline constexpr char kCoprocessorVersionRegister[] = "9/";
// Inputs, outputs and the actual value in one block answer.
inline constexpr char kCombinedStatusRegister[] = "9g";
// The bus inputs have this register in every group.
inline constexpr char kBusInputRegister[] = "8C";

// Data-format commands: the description blocks need all eight bits.
inline constexpr char kEightBitCommand[] = "9>";
inline constexpr char kNormalFormatCommand[] = "9?";

// Description blocks.
inline constexpr char kParameterTextsRegister[] = "9a";
inline constexpr char kInputTextsRegister[] = "9b";
inline constexpr char kOutputTextsRegister[] = "9c";
inline constexpr char kDefaultValuesRegister[] = "9j";
inline constexpr char kMinValuesRegister[] = "9<";
inline constexpr char kMaxValuesRegister[] = "9=";
inline constexpr char kDigitsRegister[] = "9;";
inline constexpr char kDecimalsRegister[] = "9:";

// The unit's own line settings; writing them moves the unit to another address or format.
inline constexpr char kUnitAddressRegister[] = "90";
inline constexpr char kBaudRateRegister[] = "91";
inline constexpr char kSerialFormatRegister[] = "92";

// The parameter whose range limits values typed with "#".
inline constexpr char kHashRangeRegister[] = "01";

// The code of a heading row of the parameter list, which has no register.
inline constexpr char kHeadingCode[] = "xx";

}  // namespace qu32
