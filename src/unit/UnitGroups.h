#pragma once

#include <string>

#include "unit/UnitIdentity.h"

namespace qu32 {

inline constexpr int kGroupCount = 13;  // groups 0 to 12

// The unit group of a model code. "AA459" depends on the standard version; everything not in
// the table is group 0.
int unitGroupOf(const std::string& unitType, const std::string& standardVersion);

// Loads the register codes of a group and, for the groups that have them, the input and output
// bit tables and input command codes. Entries a group does not define keep their contents.
void loadGroupRegisters(int group, GroupRegisters& settings);

// The model code a variant register value selects for the "876" models, or "" to keep the type.
std::string variantModel(const std::string& unitType, int variantValue);
// The register that holds the variant of a model, or "" when the model has none.
std::string variantRegister(const std::string& unitType);

}  // namespace qu32
