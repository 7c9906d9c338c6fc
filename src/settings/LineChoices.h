#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "serial/SerialSettings.h"

namespace qu32 {

// The serial formats as the operator picks them, in format-code order; `settingsPart` is what
// the port's settings string carries ("e,7,1").
struct FormatChoice {
    const char* text;
    const char* settingsPart;
};
inline constexpr std::array<FormatChoice, kSerialFormatCount> kFormatChoices = {{
    {"7 Data, 1 Stop, Parity Even", "e,7,1"},
    {"7 Data, 2 Stop, Parity Even", "e,7,2"},
    {"7 Data, 1 Stop, Parity Odd", "o,7,1"},
    {"7 Data, 2 Stop, Parity Odd", "o,7,2"},
    {"7 Data, 1 Stop, No Parity", "n,7,1"},
    {"7 Data, 2 Stop, No Parity", "n,7,2"},
    {"8 Data, 1 Stop, Parity Even", "e,8,1"},
    {"8 Data, 1 Stop, Parity Odd", "o,8,1"},
    {"8 Data, 1 Stop, No Parity", "n,8,1"},
    {"8 Data, 2 Stop, No Parity", "n,8,2"},
}};

// The baud rates offered in the list; the others are accepted when typed.
inline constexpr std::array<const char*, 3> kOfferedBauds = {"9600", "19200", "38400"};

// The baud-rate code of a typed or chosen baud text; any text the unit does not know is 9600.
int baudCodeOfText(const std::string& text);
// The format code of a format choice's text; no match is code 0.
int formatCodeOfChoice(const std::string& text);
// The settings part of a format choice's text; no match is that of code 0.
std::string settingsPartOfChoice(const std::string& text);

// A port name as the machine reports it, made a number: "COM12" is 12 (any letter case); a name
// without "COM" counts from its fifth character on and 100 is added; a number part that is not
// a plain integer gives 0.
int portNumberOfName(const std::string& name);

// True when `text`, upper-cased, begins with "COM".
bool beginsWithCom(const std::string& text);
// The integer value of `text` from `from` on; leading digits only, 0 when there are none or
// they would not fit a COM number.
int leadingNumber(const std::string& text, std::size_t from);

}  // namespace qu32
