#pragma once

#include "sim/DescriptionBuilder.h"

namespace qu32::sim {

// Parameter, input and output tables of the self-describing unit models. Texts are ISO-8859-1,
// as the units send them.
extern const DescriptionTable kTq593Description;
extern const DescriptionTable kNt876Description;
extern const DescriptionTable kVm628Description;
// The longest list the PC takes: exactly 401 lines.
extern const DescriptionTable kBig401Description;

}  // namespace qu32::sim
