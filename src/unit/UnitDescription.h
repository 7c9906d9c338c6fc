#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "unit/ParamFormat.h"

namespace qu32 {

inline constexpr int kMaxParameters = 401;
inline constexpr int kMaxInputs = 21;        // input texts a description may hold
inline constexpr int kMaxInputButtons = 16;  // inputs the window offers
inline constexpr int kMaxOutputTexts = 11;
inline constexpr int kMaxOutputs = 8;  // outputs the window shows
inline constexpr char kHeadingCode[] = "xx";

// One row of the parameter list.
struct Parameter {
    std::string ParamText;
    std::string ParamCode;  // two characters, "xx" for a heading row
    ParamFormat format;     // Digits, SignKind, DecimalPos, MinValue, MaxValue
    std::uint8_t DigitsByte = 0;
    std::uint8_t DecimalByte = 0;
    std::string ParamValue;  // display form, as shown and edited
    std::string UnitValue;   // display form, as last read from the unit

    bool isHeading() const { return ParamCode == kHeadingCode; }
};

struct Input {
    std::string InputText;
    int InputSerial = 0;    // 1: can be set from the PC
    int InputExternal = 0;  // 1: a terminal input
};

// What the program knows of the connected unit's parameters, inputs and outputs.
struct UnitDescription {
    int ParamCount = 0;
    std::array<Parameter, kMaxParameters> params;
    int InputCount = 0;
    std::array<Input, kMaxInputs> inputs;
    int OutputCount = 0;
    std::array<std::string, kMaxOutputTexts> OutputText;

    // The first entry with the given code, or nullptr.
    const Parameter* find(const std::string& code) const {
        for (int i = 0; i < ParamCount; ++i) {
            if (params[static_cast<std::size_t>(i)].ParamCode == code)
                return &params[static_cast<std::size_t>(i)];
        }
        return nullptr;
    }
};

}  // namespace qu32
