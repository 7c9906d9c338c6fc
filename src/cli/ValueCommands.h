#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "cli/Commands.h"
#include "serial/SerialLink.h"
#include "unit/UnitDescription.h"

// The parameter commands of qu32-cli that work like the main window's list: every value as the
// window shows it, one value changed as the window changes it, and the EEPROM store.
namespace qu32::cli {

// A value typed as the window shows it ("3.00", "-12", "#1234") in the parameter's display form,
// or why it cannot be sent (`why`). Fewer decimals than the parameter shows are filled with
// zeros; a value outside the range is refused, a "#" value against the range of `entry01` (the
// parameter with register code 01) when there is one.
std::optional<std::string> typedValue(const std::string& typed, const Parameter& parameter,
                                      const ParamFormat* entry01, std::string& why);

// A range limit with the parameter's decimal point ("-0.50").
std::string rangeText(std::int32_t limit, const ParamFormat& format);

// values: one line per parameter with its text, code, value and range.
int listValues(SerialLink& link, const CommandOptions& options, std::FILE* out, std::FILE* err);
// set CODE VALUE: checked, written, activated, stored and read back.
int setValue(SerialLink& link, const std::string& code, const std::string& typed,
             const CommandOptions& options, std::FILE* out, std::FILE* err);
// store: the unit's values into its EEPROM.
int storeValues(SerialLink& link, const CommandOptions& options, std::FILE* out, std::FILE* err);

}  // namespace qu32::cli
