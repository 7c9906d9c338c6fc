#include "unit/ValueEncoding.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace qu32 {
namespace {

ParamFormat withRange(ParamFormat format, std::int32_t minValue, std::int32_t maxValue) {
    format.minValue = minValue;
    format.maxValue = maxValue;
    return format;
}

// Formats as the unit describes them: sign bits and digit count, then digits after the point.
const ParamFormat kSigned6Dec2 = formatFromBytes(0x86, 2);  // +0012.34
const ParamFormat kSigned6 = formatFromBytes(0x86, 0);      // +001234
const ParamFormat kSigned3Dec1 = formatFromBytes(0x83, 1);  // +12.3
const ParamFormat kSigned10 = formatFromBytes(0x8A, 0);     // +1234567890
const ParamFormat kUnsigned4 = formatFromBytes(0x04, 0);    // 1234
const ParamFormat kUnsigned10 = formatFromBytes(0x0A, 0);   // 1234567890
const ParamFormat kHash6 = formatFromBytes(0xA6, 0);        // #001234
const ParamFormat kHash10 = formatFromBytes(0xAA, 0);       // +1234567890

constexpr std::int32_t kInt32Min = INT32_MIN;
constexpr std::int32_t kInt32Max = INT32_MAX;

TEST(FormatFromBytes, DecodesSignKindDigitsAndPoint) {
    struct Case {
        std::uint8_t digitsByte, decimalByte;
        int digits, signKind, decimalPos;
    };
    const std::vector<Case> cases = {
        {0x86, 2, 7, kSignKindSigned, 5},    {0x86, 0, 6, kSignKindSigned, -1},
        {0x04, 0, 3, kSignKindUnsigned, -1}, {0x05, 4, 5, kSignKindUnsigned, 1},
        {0x83, 1, 4, kSignKindSigned, 3},    {0xA6, 0, 6, kSignKindHash, -1},
        {0xA6, 3, 7, kSignKindHash, 4},      {0x24, 0, 3, kSignKindUnsigned, -1},  // bit 5 needs 7
        {0x46, 0, 5, kSignKindUnsigned, -1}, {0x00, 0, -1, kSignKindUnsigned, -1},
    };
    for (const Case& c : cases) {
        const ParamFormat f = formatFromBytes(c.digitsByte, c.decimalByte);
        SCOPED_TRACE(testing::Message()
                     << std::hex << int{c.digitsByte} << "/" << int{c.decimalByte});
        EXPECT_EQ(f.digits, c.digits);
        EXPECT_EQ(f.signKind, c.signKind);
        EXPECT_EQ(f.decimalPos, c.decimalPos);
        EXPECT_EQ(f.minValue, 0);
        EXPECT_EQ(f.maxValue, 0);
    }
}

TEST(CleanValue, KeepsDigitsAndSignCharactersOnly) {
    EXPECT_EQ(CleanValue("+0012.34"), "+001234");
    EXPECT_EQ(CleanValue(" -1 2,5x"), "-125");
    EXPECT_EQ(CleanValue("#12"), "#12");
    EXPECT_EQ(CleanValue("a+b-c#"), "+-#");
    EXPECT_EQ(CleanValue("\xE4\xB1"
                         "7"),
              "7");
    EXPECT_EQ(CleanValue(""), "");
}

TEST(KeepDigitsAndSign, SignOnlyInFirstPlace) {
    EXPECT_EQ(KeepDigitsAndSign("+001234"), "+001234");
    EXPECT_EQ(KeepDigitsAndSign("-12.5"), "-125");
    EXPECT_EQ(KeepDigitsAndSign("1-2"), "12");
    EXPECT_EQ(KeepDigitsAndSign(" -12"), "12");
    EXPECT_EQ(KeepDigitsAndSign("+-1"), "+1");
    EXPECT_EQ(KeepDigitsAndSign("#12"), "12");
    EXPECT_EQ(KeepDigitsAndSign(""), "");
}

TEST(BytesToLong, BigEndianTwosComplement) {
    static_assert(BytesToLong(0xFF, 0xFF, 0xFF, 0xFF) == -1);
    EXPECT_EQ(BytesToLong(0x7F, 0xFF, 0xFF, 0xFF), kInt32Max);
    EXPECT_EQ(BytesToLong(0x80, 0x00, 0x00, 0x00), kInt32Min);
    EXPECT_EQ(BytesToLong(0xFF, 0xFF, 0xFF, 0xFE), -2);
    EXPECT_EQ(BytesToLong(0x12, 0x34, 0x56, 0x78), 0x12345678);
    EXPECT_EQ(BytesToLong(0x00, 0x00, 0x01, 0x00), 256);
    EXPECT_EQ(BytesToLong(0x00, 0x00, 0x00, 0x00), 0);
}

TEST(MaxMin, PickTheRightOneAtTheExtremes) {
    static_assert(Max(kInt32Min, kInt32Max) == kInt32Max && Max(-1, -2) == -1);
    static_assert(Min(kInt32Min, kInt32Max) == kInt32Min && Min(-1, -2) == -2);
    EXPECT_EQ(Max(5, 5), 5);
    EXPECT_EQ(Min(0, -1), -1);
}

struct TextCase {
    ParamFormat format;
    std::string input;
    std::string expected;
};

void expectAll(const std::vector<TextCase>& cases,
               std::string (*convert)(const std::string&, const ParamFormat&)) {
    for (const TextCase& c : cases) {
        EXPECT_EQ(convert(c.input, c.format), c.expected) << "input \"" << c.input << "\"";
    }
}

TEST(FormatValue, Vectors) {
    ParamFormat wide = formatFromBytes(0x0F, 0);  // 15 digit places
    expectAll({{kSigned6Dec2, "+001234", "+0012.34"},
               {kSigned6Dec2, "-5", "-0000.05"},
               {kSigned6Dec2, "12.34", "+0012.34"},
               {kSigned6Dec2, "+0012.34", "+0012.34"},
               {kUnsigned4, "12", "0012"},
               {kUnsigned4, "123456", "3456"},
               {kUnsigned4, "", "0000"},
               {kUnsigned4, "-12", "0012"},  // the unsigned field has no sign place
               {kUnsigned4, "#7", "0007"},
               {kSigned6, "", "+000000"},
               {kSigned6, "abc", "+000000"},
               {kSigned6, "#12", "#000012"},
               {kSigned6, "12", "+000012"},
               {kSigned6, " 12 ", "+000012"},
               {kHash6, "-42", "-000042"},
               {formatFromBytes(0x05, 4), "12345", "1.2345"},
               // One pass pads at most ten zeros; an empty value starts from twelve.
               {wide, "5", "00000000005"},
               {wide, "", "000000000000000"}},
              FormatValue);
}

TEST(FormatValue, OddWidthsNeitherCrashNorGrow) {
    EXPECT_EQ(FormatValue("123", formatFromBytes(0x00, 0)), "");
    ParamFormat huge;
    huge.digits = INT_MAX;
    EXPECT_EQ(FormatValue("5", huge), "+00000000005");
    ParamFormat pointOutside = kSigned6;
    pointOutside.decimalPos = 40;
    EXPECT_EQ(FormatValue("12", pointOutside), "+00012");  // the point takes a place, shown or not
}

// Every format a unit can describe with up to ten digits, and values from every corner.
std::vector<ParamFormat> formatGrid() {
    std::vector<ParamFormat> grid;
    for (const std::uint8_t signBits : {0x00, 0x80, 0xA0}) {
        for (std::uint8_t n = 1; n <= 10; ++n) {
            for (std::uint8_t p = 0; p <= n; ++p) {
                grid.push_back(formatFromBytes(static_cast<std::uint8_t>(signBits | n), p));
            }
        }
    }
    return grid;
}

const std::vector<std::string> kGridInputs = {"",
                                              "0",
                                              "7",
                                              "-7",
                                              "#7",
                                              "+1.5",
                                              "-0",
                                              "-",
                                              "123456789012",
                                              "-99999",
                                              "9999999999",
                                              "+4294967296",
                                              "-2147483649",
                                              "+00000000000000000001"};

TEST(FormatValue, FixedWidthAndIdempotentOverFormatGrid) {
    for (const ParamFormat& f : formatGrid()) {
        for (const std::string& raw : kGridInputs) {
            SCOPED_TRACE(testing::Message() << "digits " << f.digits << " sign " << f.signKind
                                            << " point " << f.decimalPos << " raw " << raw);
            const std::string shown = FormatValue(raw, f);
            ASSERT_EQ(shown.size(), static_cast<std::size_t>(f.digits + 1));
            EXPECT_EQ(FormatValue(shown, f), shown);
            if (f.decimalPos >= 0) {
                EXPECT_EQ(shown[static_cast<std::size_t>(f.decimalPos)], '.');
            }
            EXPECT_EQ(f.signKind == kSignKindUnsigned, shown.find_first_of("+-#") == shown.npos);
        }
    }
}

TEST(LimitValue, ShorterValuesAreHeldToTheRange) {
    const ParamFormat offset = withRange(kSigned6, -32000, 32000);
    const ParamFormat count = withRange(kUnsigned4, 1, 999);
    const ParamFormat scaled = withRange(kSigned6Dec2, -10000, 10000);
    expectAll({{offset, "+050000", "+032000"},
               {offset, "-050000", "-032000"},
               {offset, "-000123", "-000123"},
               {offset, "+032000", "+032000"},
               {count, "0000", "0001"},
               {count, "5000", "0999"},
               {count, "-5", "0001"},
               {scaled, "+0123.45", "+0100.00"},
               {scaled, "-0000.07", "-0000.07"},
               // Ten digits without a sign do not fit 32 bits; they are limited, not wrapped.
               {withRange(kSigned10, -1000, 1000), "9999999999", "+0000001000"},
               {withRange(kSigned10, kInt32Min, kInt32Max), "9999999999", "+2147483647"}},
              LimitValue);
}

TEST(LimitValue, MinusZeroStaysForTheSignedKind) {
    const ParamFormat tenths = withRange(kSigned3Dec1, -999, 999);
    expectAll({{tenths, "-0", "-00.0"},
               {tenths, "-00.0", "-00.0"},
               {tenths, "+00.0", "+00.0"},
               {withRange(kSigned3Dec1, 1, 999), "-00.0", "+00.1"},
               {withRange(kHash6, -999, 999), "-000000", "+000000"}},
              LimitValue);
}

TEST(LimitValue, TenDigitValuesAreClampedDigitByDigit) {
    // Ten-digit values are held to the 32-bit bounds, not to MinValue..MaxValue.
    const ParamFormat u10 = withRange(kUnsigned10, 0, 1000);
    const ParamFormat s10 = withRange(kSigned10, kInt32Min, kInt32Max);
    expectAll({{u10, "4294967296", "4294967295"},
               {u10, "4294967295", "4294967295"},
               {u10, "4294967294", "4294967294"},
               {u10, "9999999999", "4294967295"},
               {u10, "0000005000", "0000005000"},
               {u10, "15000000000", "4294967295"},  // not judged by its first ten digits
               {u10, "00000000007", "0000000007"},
               {s10, "+2147483648", "+2147483647"},
               {s10, "+2147483647", "+2147483647"},
               {s10, "+2147483646", "+2147483646"},
               {s10, "-2147483649", "-2147483648"},
               {s10, "-2147483647", "-2147483647"},
               {s10, "+9999999999", "+2147483647"},
               {s10, "12147483648", "+2147483647"},  // no sign means positive
               {s10, "+000000000000000000001", "+0000000001"}},
              LimitValue);
}

TEST(LimitValue, HashKindHasTheUnsignedRangeAndKeepsItsSign) {
    const ParamFormat h10 = withRange(kHash10, 0, kInt32Max);
    expectAll({{h10, "+4294967296", "+4294967295"},
               {h10, "-4294967296", "-4294967295"},
               {h10, "+4294967294", "+4294967294"},
               {h10, "4294967299", "+4294967295"},
               {h10, "+99999999999", "+4294967295"},
               {h10, "#9999999999", "#9999999999"},  // "#" values belong to LimitHashValue
               {withRange(kHash6, 0, 500), "+000750", "+000500"},
               {withRange(kHash6, 0, 500), "#000750", "#000750"},
               {withRange(kSigned6, 0, 5), "#000012", "#000012"}},
              LimitValue);
}

TEST(LimitValue, LegalDisplayTextsPassUnchangedOverFormatGrid) {
    for (ParamFormat f : formatGrid()) {
        f = withRange(f, f.signKind == kSignKindUnsigned ? 0 : -999999999, 999999999);
        for (const char* raw : {"0", "1", "-1", "123", "-98765", "999999999"}) {
            const std::string shown = FormatValue(raw, f);
            EXPECT_EQ(LimitValue(shown, f), shown) << "digits " << f.digits << " raw " << raw;
        }
        for (const std::string& raw : kGridInputs) {
            const std::string limited = LimitValue(raw, f);
            EXPECT_EQ(limited.size(), static_cast<std::size_t>(f.digits + 1)) << raw;
            EXPECT_EQ(FormatValue(limited, f), limited) << raw;
        }
    }
}

TEST(LimitHashValue, ClampsToTheRangeOfEntry01) {
    const ParamFormat r500 = withRange(kUnsigned4, 0, 500);
    struct Case {
        std::int32_t minValue, maxValue;
        std::string text, expected;
    };
    const std::vector<Case> cases = {
        {0, 500, "#0750", "#0500"},
        {0, 500, "#0042", "#0042"},
        {0, 100, "#000123", "#000100"},
        {0, 200000, "#9999999", "#0200000"},
        {0, 500, "#+0042", "#00042"},
        {0, 500, "#99999999999999999999", "#000000000000500"},  // twelve zeros at most
        // A negative bound keeps its minus, inside the width when the digits leave room.
        {-10, -5, "#0000", "#-005"},
        {-10, -5, "#00", "#-5"},
        {-10, -5, "#0", "#-5"},
        {-1000, -500, "#000", "#-500"},
        {-10, 500, "#-0020", "#-0010"},
        // Not a whole number: left as typed.
        {0, 500, "#12.5", "#12.5"},
        {0, 500, "#", "#"},
        {0, 500, "#-", "#-"},
        {0, 500, "#1a", "#1a"},
        {0, 500, "", ""},
    };
    for (const Case& c : cases) {
        const ParamFormat entry01 = withRange(r500, c.minValue, c.maxValue);
        EXPECT_EQ(LimitHashValue(c.text, &entry01), c.expected) << c.text;
    }
    EXPECT_EQ(LimitHashValue("#0750", nullptr), "#0750");
}

}  // namespace
}  // namespace qu32
