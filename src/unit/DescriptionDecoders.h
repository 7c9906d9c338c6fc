#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "serial/Result.h"
#include "unit/UnitDescription.h"

namespace qu32 {

// Decoders of the unit's description blocks. Each fills its part of the description from the
// block's data bytes and returns Ok, or InternalFault when the block holds more than the tables
// take (nothing past a bound is written). Problems that are not fatal, such as an empty
// numbered series, are added to `notes`.
Result decodeParameterTexts(std::span<const std::uint8_t> data, UnitDescription& d,
                            std::vector<std::string>& notes);
Result decodeInputTexts(std::span<const std::uint8_t> data, UnitDescription& d);
Result decodeOutputTexts(std::span<const std::uint8_t> data, UnitDescription& d);
// The k-th value belongs to the k-th entry that is not a heading.
void applyMinValues(std::span<const std::int32_t> values, UnitDescription& d);
void applyMaxValues(std::span<const std::int32_t> values, UnitDescription& d);
void applyDigitsBytes(std::span<const std::uint8_t> bytes, UnitDescription& d);
void applyDecimalBytes(std::span<const std::uint8_t> bytes, UnitDescription& d);

// The register code after `code` in the unit's counting: "09" -> "10", "99" -> ":0".
std::string nextCode(const std::string& code);

}  // namespace qu32
