#include "unit/ValueEncoding.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
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

// Input and expected output of a conversion, for one format.
struct Vectors {
    ParamFormat format;
    std::vector<std::pair<std::string, std::string>> cases;
};

void expectAll(const std::vector<Vectors>& table,
               std::string (*convert)(const std::string&, const ParamFormat&)) {
    for (const auto& [format, cases] : table) {
        for (const auto& [input, expected] : cases)
            EXPECT_EQ(convert(input, format), expected) << "input \"" << input << "\"";
    }
}

TEST(FormatFromBytes, DecodesSignKindDigitsAndPoint) {
    struct Bytes {
        std::uint8_t digitsByte, decimalByte;
        int digits, signKind, decimalPos;
    };
    const Bytes cases[] = {
        {0x86, 2, 7, kSignKindSigned, 5},    {0x86, 0, 6, kSignKindSigned, -1},
        {0x04, 0, 3, kSignKindUnsigned, -1}, {0x05, 4, 5, kSignKindUnsigned, 1},
        {0x83, 1, 4, kSignKindSigned, 3},    {0xA6, 0, 6, kSignKindHash, -1},
        {0xA6, 3, 7, kSignKindHash, 4},      {0x24, 0, 3, kSignKindUnsigned, -1},  // bit 5 needs 7
        {0x46, 0, 5, kSignKindUnsigned, -1}, {0x00, 0, -1, kSignKindUnsigned, -1},
    };
    for (const Bytes& c : cases) {
        const ParamFormat f = formatFromBytes(c.digitsByte, c.decimalByte);
        EXPECT_EQ((std::vector<int>{f.digits, f.signKind, f.decimalPos, f.minValue, f.maxValue}),
                  (std::vector<int>{c.digits, c.signKind, c.decimalPos, 0, 0}))
            << std::hex << int{c.digitsByte} << "/" << int{c.decimalByte};
    }
}

TEST(ValueText, CleaningKeepsDigitsAndSigns) {
    // Both keep a sign only in front of the digits: one anywhere else is no part of the value.
    const std::pair<std::string, std::string> clean[] = {{"+0012.34", "+001234"},
                                                         {" -1 2,5x", "-125"},
                                                         {"#12", "#12"},
                                                         {"a+b-c#", "+"},
                                                         {"7\xE4\xB1", "7"},
                                                         {"", ""},
                                                         {"000+00000+", "00000000"},
                                                         {"2-0-+++++++8", "208"},
                                                         {"1#", "1"},
                                                         {"--5", "-5"}};
    for (const auto& [text, expected] : clean)
        EXPECT_EQ(cleanValue(text), expected) << text;
    const std::pair<std::string, std::string> keep[] = {
        {"+001234", "+001234"}, {"-12.5", "-125"}, {"1-2", "12"}, {" -12", "12"},
        {"+-1", "+1"},          {"#12", "12"},     {"", ""}};
    for (const auto& [text, expected] : keep)
        EXPECT_EQ(keepDigitsAndSign(text), expected) << text;
}

TEST(formatValue, VectorsAndOddWidths) {
    const ParamFormat wide = formatFromBytes(0x0F, 0);  // 15 digit places
    expectAll({{kSigned6Dec2, {{"+001234", "+0012.34"}, {"-5", "-0000.05"}, {"12.34", "+0012.34"}}},
               {kSigned6Dec2, {{"+0012.34", "+0012.34"}}},
               {kUnsigned4, {{"12", "0012"}, {"123456", "3456"}, {"", "0000"}, {"#7", "0007"}}},
               {kUnsigned4, {{"-12", "0012"}}},  // the unsigned field has no sign place
               {kSigned6, {{"", "+000000"}, {"abc", "+000000"}, {"#12", "#000012"}}},
               {kSigned6, {{" 12 ", "+000012"}}},
               {kHash6, {{"-42", "-000042"}}},
               {formatFromBytes(0x05, 4), {{"12345", "1.2345"}}},
               // Wide fields are padded to their full width in one pass.
               {wide, {{"5", "000000000000005"}, {"", "000000000000000"}}}},
              formatValue);

    EXPECT_EQ(formatValue("123", formatFromBytes(0x00, 0)), "");
    ParamFormat huge;
    huge.digits = INT_MAX;
    EXPECT_EQ(formatValue("5", huge), "+" + std::string(38, '0') + "5");  // a broken format
    // A point the format puts past the end or before the sign stands as near as it can.
    ParamFormat pointOutside = kSigned6;
    pointOutside.decimalPos = 40;
    EXPECT_EQ(formatValue("12", pointOutside), "+00012.");
    pointOutside.decimalPos = -3;
    EXPECT_EQ(formatValue("12", pointOutside), "+.00012");
}

TEST(limitValue, Vectors) {
    const ParamFormat offset = withRange(kSigned6, -32000, 32000);
    const ParamFormat count = withRange(kUnsigned4, 1, 999);
    const ParamFormat scaled = withRange(kSigned6Dec2, -10000, 10000);
    const ParamFormat tenths = withRange(kSigned3Dec1, -999, 999);
    // Ten-digit values are held to the 32-bit bounds, not to minValue..maxValue.
    const ParamFormat u10 = withRange(kUnsigned10, 0, 1000);
    const ParamFormat s10 = withRange(kSigned10, kInt32Min, kInt32Max);
    const ParamFormat h10 = withRange(kHash10, 0, kInt32Max);
    expectAll({{offset, {{"+050000", "+032000"}, {"-050000", "-032000"}, {"-000123", "-000123"}}},
               {offset, {{"+032000", "+032000"}}},
               {count, {{"0000", "0001"}, {"5000", "0999"}, {"-5", "0001"}}},
               {scaled, {{"+0123.45", "+0100.00"}, {"-0000.07", "-0000.07"}}},
               // Ten digits without a sign do not fit 32 bits; they are limited, not wrapped.
               {withRange(kSigned10, -1000, 1000), {{"9999999999", "+0000001000"}}},
               // Minus zero stays for the signed kind.
               {tenths, {{"-0", "-00.0"}, {"-00.0", "-00.0"}, {"+00.0", "+00.0"}}},
               {withRange(kSigned3Dec1, 1, 999), {{"-00.0", "+00.1"}}},
               {withRange(kHash6, -999, 999), {{"-000000", "+000000"}}},
               {u10, {{"4294967296", "4294967295"}, {"4294967295", "4294967295"}}},
               {u10, {{"4294967294", "4294967294"}, {"9999999999", "4294967295"}}},
               {u10, {{"0000005000", "0000005000"}, {"00000000007", "0000000007"}}},
               {u10, {{"15000000000", "4294967295"}}},  // not judged by its first ten digits
               // A field of fewer places holds a ten-digit text to its range, not to 32 bits.
               {withRange(formatFromBytes(0x08, 0), 0, 32577), {{"4294967295", "00032577"}}},
               {s10, {{"+2147483648", "+2147483647"}, {"+2147483647", "+2147483647"}}},
               {s10, {{"+2147483646", "+2147483646"}, {"+9999999999", "+2147483647"}}},
               {s10, {{"-2147483649", "-2147483648"}, {"-2147483647", "-2147483647"}}},
               {s10, {{"12147483648", "+2147483647"}}},  // no sign means positive
               {s10, {{"+000000000000000000001", "+0000000001"}}},
               // The "#" kind has the unsigned range and keeps its sign; "#" values are left to
               // limitHashValue.
               {h10, {{"+4294967296", "+4294967295"}, {"-4294967296", "-4294967295"}}},
               {h10, {{"+4294967294", "+4294967294"}, {"4294967299", "+4294967295"}}},
               {h10, {{"+99999999999", "+4294967295"}, {"#9999999999", "#9999999999"}}},
               {withRange(kHash6, 0, 500), {{"+000750", "+000500"}, {"#000750", "#000750"}}},
               {withRange(kSigned6, 0, 5), {{"#000012", "#000012"}}}},
              limitValue);
}

// Texts from files and the keyboard with signs in odd places: what comes out is a value the unit
// can take, of the field's width, and stays as it is when formatted again.
TEST(ValueText, StraySignsNeverReachTheDisplayOrTheWire) {
    const ParamFormat pointFirst{4, kSignKindSigned, 0, -100, 100};
    const ParamFormat hash2 = formatFromBytes(0xA2, 0);  // #00
    expectAll({{withRange(kUnsigned10, 0, 1000), {{"000+00000+", "0000000000"}}},
               {withRange(kSigned6, -999, 999), {{"2-0-+++++++8", "+000208"}}},
               {withRange(hash2, 0, 99), {{"##", "#00"}, {"#-#", "#00"}}},
               // Minus zero keeps its minus in the sign place, the point stays behind it.
               {pointFirst, {{"-0", "-.000"}, {"+0", "+.000"}}}},
              limitValue);
    expectAll(
        {{formatFromBytes(0x01, 0), {{"1#", "1"}, {"#", "0"}}},
         {kSigned10, {{"+", "+0000000000"}, {"+0000000000", "+0000000000"}, {"-", "-0000000000"}}},
         {kSigned6Dec2, {{"1+2-3", "+0001.23"}, {"-#5", "-0000.05"}}}},
        formatValue);
}

// limitHashValue holds a "#" value to the range of parameter entry 01, here the format's range.
std::string limitHash(const std::string& text, const ParamFormat& entry01) {
    return limitHashValue(text, &entry01);
}

TEST(limitHashValue, ClampsToTheRangeOfEntry01) {
    const auto range = [](std::int32_t minValue, std::int32_t maxValue) {
        return withRange(kUnsigned4, minValue, maxValue);
    };
    expectAll({{range(0, 500), {{"#0750", "#0500"}, {"#0042", "#0042"}, {"#+0042", "#00042"}}},
               {range(0, 100), {{"#000123", "#000100"}}},
               {range(0, 200000), {{"#9999999", "#0200000"}}},
               {range(0, 500), {{"#99999999999999999999", "#00000000000000000500"}}},
               // A negative bound keeps its minus, inside the width when the digits leave room.
               {range(-10, -5), {{"#0000", "#-005"}, {"#00", "#-5"}, {"#0", "#-5"}}},
               {range(-1000, -500), {{"#000", "#-500"}}},
               {range(-10, 500), {{"#-0020", "#-0010"}}},
               // Stray characters go and the width stays; a value with a point is not limited.
               {range(0, 500), {{"#12.5", "#12.5"}, {"#", "#"}, {"#-", "#0"}, {"#1a", "#01"}}},
               {range(0, 5), {{"#9.9.9", "#0.999"}, {"##", "#0"}, {"#1-2+", "#0005"}}},
               {range(0, 500), {{"", ""}}}},
              limitHash);
    EXPECT_EQ(limitHashValue("#0750", nullptr), "#0750");
    EXPECT_EQ(limitHashValue("#-0x5", nullptr), "#-005");
}

}  // namespace
}  // namespace qu32
