#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "unit/ParamFormat.h"
#include "unit/RegisterCodes.h"

namespace qu32 {

inline constexpr int kMaxParameters = 401;
inline constexpr int kMaxInputs = 21;        // input texts a description may hold
inline constexpr int kMaxInputButtons = 16;  // inputs the window offers
inline constexpr int kMaxOutputTexts = 11;
inline constexpr int kMaxOutputs = 8;  // outputs the window shows

// One row of the parameter list.
struct Parameter {
    std::string text;
    std::string code;  // two characters, "xx" for a heading row
    ParamFormat format;
    std::uint8_t digitsByte = 0;
    std::uint8_t decimalByte = 0;
    std::string value;      // display form, as shown and edited
    std::string unitValue;  // display form, as last read from the unit

    bool isHeading() const { return code == kHeadingCode; }
};

struct Input {
    std::string text;
    bool pcSettable = false;  // the PC may set it
    bool external = false;    // a terminal input
};

// What the program knows of the connected unit's parameters, inputs and outputs.
struct UnitDescription {
    int parameterCount = 0;
    std::array<Parameter, kMaxParameters> parameters;
    int inputCount = 0;
    std::array<Input, kMaxInputs> inputs;
    int outputCount = 0;
    std::array<std::string, kMaxOutputTexts> outputTexts;

    // The first entry with the given code, or nullptr.
    const Parameter* find(const std::string& code) const {
        for (int i = 0; i < parameterCount; ++i) {
            if (parameters[static_cast<std::size_t>(i)].code == code)
                return &parameters[static_cast<std::size_t>(i)];
        }
        return nullptr;
    }
};

}  // namespace qu32
