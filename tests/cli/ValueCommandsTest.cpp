// Values typed on the command line, as the window shows them.
#include "cli/ValueCommands.h"

#include <gtest/gtest.h>

#include <string>

namespace qu32::test {
using cli::rangeText;
using cli::typedValue;
namespace {

Parameter parameter(ParamFormat format) {
    Parameter p;
    p.text = "Value";
    p.code = "05";
    p.format = format;
    return p;
}

struct Typed {
    const char* typed;
    const char* shown;  // nullptr: refused
};

TEST(TypedValue, TakesWhatTheWindowShowsAndRefusesTheRest) {
    // "-0015.0": signed, five digits, one decimal, -999.9 .. 999.9.
    const Parameter offset = parameter({6, kSignKindSigned, 5, -9999, 9999});
    for (const Typed& t :
         {Typed{"-12.5", "-0012.5"}, Typed{"12", "+0012.0"}, Typed{"+.5", "+0000.5"},
          Typed{"999.9", "+0999.9"}, Typed{"-999.9", "-0999.9"}, Typed{"1000.0", nullptr},
          Typed{"3.25", nullptr}, Typed{"1.2.3", nullptr}, Typed{"", nullptr}, Typed{"-", nullptr},
          Typed{"#5", nullptr}, Typed{"12a", nullptr}, Typed{"99999999999999999999", nullptr}}) {
        std::string why;
        const auto shown = typedValue(t.typed, offset, nullptr, why);
        if (t.shown == nullptr) {
            EXPECT_FALSE(shown) << t.typed << " gave " << shown.value_or("");
            EXPECT_FALSE(why.empty()) << t.typed;
        } else {
            EXPECT_EQ(shown.value_or("(refused: " + why + ")"), t.shown) << t.typed;
        }
    }
    // Unsigned "0120" without a point: no minus, whole numbers only.
    const Parameter pitch = parameter({3, kSignKindUnsigned, kNoDecimalPoint, 1, 9999});
    std::string why;
    EXPECT_EQ(typedValue("120", pitch, nullptr, why).value_or(why), "0120");
    EXPECT_FALSE(typedValue("-1", pitch, nullptr, why));
    EXPECT_FALSE(typedValue("0", pitch, nullptr, why));
    EXPECT_FALSE(typedValue("1.5", pitch, nullptr, why));
    // A "#" value is limited by the parameter with code 01.
    const Parameter position = parameter({7, kSignKindHash, kNoDecimalPoint, -999999, 999999});
    const ParamFormat entry01{3, kSignKindUnsigned, kNoDecimalPoint, 0, 500};
    EXPECT_EQ(typedValue("#42", position, &entry01, why).value_or(why), "#0000042");
    EXPECT_FALSE(typedValue("#501", position, &entry01, why));
}

TEST(RangeText, PutsThePointWhereTheParameterShowsIt) {
    const ParamFormat twoDecimals{6, kSignKindSigned, 4, 0, 0};
    EXPECT_EQ(rangeText(-5, twoDecimals), "-0.05");
    EXPECT_EQ(rangeText(12345, twoDecimals), "123.45");
    EXPECT_EQ(rangeText(-2147483647 - 1, twoDecimals), "-21474836.48");
    EXPECT_EQ(rangeText(7, {3, kSignKindUnsigned, kNoDecimalPoint, 0, 0}), "7");
}

}  // namespace
}  // namespace qu32::test
