#include "parfiles/ParameterFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "support/DosFile.h"

namespace qu32::test {
namespace {

using Outcome = ParameterFileContent::Outcome;

const std::string kMarker = kParameterFileMarker;
const std::string kHeader = kMarker + "AA45901 QU310   ,\r\n";

Parameter row(std::string text, std::string code, std::string value, ParamFormat format) {
    return {std::move(text), std::move(code), format, 0, 0, std::move(value), ""};
}

// What a file carries of a row, comparable in one assertion.
auto filed(const Parameter& p) {
    return std::tuple(p.text, p.code, p.value, p.format.digits, p.format.decimalPos,
                      p.format.signKind, p.format.minValue, p.format.maxValue);
}

void expectRows(const std::vector<Parameter>& actual, const std::vector<Parameter>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(filed(actual[i]), filed(expected[i])) << "row " << i;
}

// The only row of a file holding one record made of these fields.
Parameter readOne(const std::string& text, const std::string& code, const std::string& value,
                  const std::string& minimum = "0", const std::string& maximum = "9") {
    const auto content = readParameterFile(kHeader + text + "," + code + "," + value + "," +
                                           minimum + "," + maximum + ",\r\n");
    EXPECT_EQ(content.outcome, Outcome::Read);
    return content.rows.size() == 1 ? content.rows[0] : Parameter{};
}

TEST(ParameterFileWriter, WritesHeaderAndRowsByteForByte) {
    auto description = std::make_unique<UnitDescription>();
    description->parameterCount = 2;
    description->parameters[0] = row("Length", "00", "01234.5", {6, kSignKindUnsigned, 5, 1, 9999});
    description->parameters[1] = row("Offset", "01", "-12", {2, kSignKindSigned, -1, -500, -1});
    description->parameters[2] = row("Beyond the count", "02", "1", {});
    EXPECT_EQ(writeParameterFile({"AA45901", "QU310EXTRA", ""}, *description),
              kMarker + "AA45901 QU310EXT,\r\nLength, 00, 01234.5, 1, 9999,\r\n" +
                  "Offset, 01, -12, -500, -1,\r\n");

    description->parameterCount = 0;
    const std::string empty = writeParameterFile({"AA45901 ", "QU310   ", ""}, *description);
    EXPECT_EQ(empty, kHeader);
    EXPECT_EQ(empty.size(), 31u + 2u);
    const std::string comma = writeParameterFile({"AA45901 ", "QU310   ", "a,b"}, *description);
    EXPECT_EQ(comma.substr(30), std::string("a\x01") + "b,\r\n");
}

TEST(ParameterFileWriter, ReaderGetsBackWhatWasWritten) {
    const std::vector<Parameter> rows = {
        row("Machine", "xx", "", {0, kSignKindUnsigned, -1, 0, 0}),
        row("Speed", "12", "+0123.4", {6, kSignKindSigned, 5, -1000, 1000}),
        row("Length", "00", "01234", {4, kSignKindUnsigned, -1, 0, 99999}),
        row("Counter", "34", "#00042", {5, kSignKindHash, -1, -5, 2000000000}),
        row("Packungsl\xe4nge", "56", "099.9", {4, kSignKindUnsigned, 3, 1, 999}),
        // A comma in a text must not shift the fields after it.
        row("Endlage, links", "57", "-05", {2, kSignKindSigned, -1, -9, 9}),
    };
    auto description = std::make_unique<UnitDescription>();
    installRows(rows, *description);
    const auto content =
        readParameterFile(writeParameterFile({"AA45901 ", "QU310   ", "a,b, c"}, *description));
    ASSERT_EQ(content.outcome, Outcome::Read);
    const ParameterFileHeader& h = content.header;
    EXPECT_EQ(std::tuple(h.softwareVersion, h.standardVersion, h.comment),
              std::tuple("AA45901 ", "QU310   ", "a,b, c"));
    expectRows(content.rows, rows);
}

TEST(ParameterFileReader, DerivesFormatFromValueText) {
    // Value field as in the file, then value text, digits, decimal position and sign kind.
    const std::vector<std::tuple<std::string, std::string, int, int, int>> cases = {
        {" +0012.50", "+0012.50", 7, 5, kSignKindSigned},
        {" 01234", "01234", 4, -1, kSignKindUnsigned},
        {" 999.9", "999.9", 4, 3, kSignKindUnsigned},
        {"", "", 0, -1, kSignKindUnsigned},
        {" #7 x", "#7", 1, -1, kSignKindHash}};
    for (const auto& [field, value, digits, point, sign] : cases)
        EXPECT_EQ(filed(readOne("T", "01", field)),
                  filed(row("T", "01", value, {digits, sign, point, 0, 9})));
}

TEST(ParameterFileReader, CleansTextsCodesAndLimits) {
    // Control characters and 123 to 159 go; the Latin-1 letters stay.
    EXPECT_EQ(readOne(std::string("\tA{b}\x80\x9f") + "c\xa0\xe4", "01", "1").text, "Abc\xa0\xe4");
    const std::vector<std::pair<std::string, std::string>> codes = {
        {" 4", "xx"}, {" 0 A ", "0A"}, {"123", "xx"}, {"", "xx"}, {"{7z", "7z"}};
    for (const auto& [field, code] : codes)
        EXPECT_EQ(readOne("T", field, "1").code, code) << field;

    // Each field read as minimum and as maximum; no number reads as the unknown limits.
    const std::vector<std::pair<std::string, std::optional<std::int32_t>>> limits = {
        {" -12", -12}, {"+7", 7},   {"1 a2", 12}, {"2147483647", 2147483647}, {"abc", {}},
        {"", {}},      {"1-2", {}}, {"+-5", {}},  {"2147483648", {}}};
    for (const auto& [field, number] : limits) {
        const Parameter p = readOne("T", "01", "1", field, field);
        EXPECT_EQ(std::pair(p.format.minValue, p.format.maxValue),
                  std::pair(number.value_or(kUnknownMinimum), number.value_or(kUnknownMaximum)))
            << field;
    }
}

TEST(ParameterFileReader, AcceptsShortMarkedHeaderAndIgnoresUnfinishedRecord) {
    const auto content =
        readParameterFile(kMarker + "AA45901 QU31000,\r\nT, 01, 1, 0, 9,\r\nUnfinished, 02, 1");
    ASSERT_EQ(content.outcome, Outcome::Read);
    EXPECT_EQ(content.header.softwareVersion + content.header.standardVersion, "");
    expectRows(content.rows, {row("T", "01", "1", {0, kSignKindUnsigned, -1, 0, 9})});
}

TEST(ParameterFileReader, RefusesUnmarkedAndOversizedFiles) {
    const std::vector<std::pair<std::string, Outcome>> cases = {
        {"", Outcome::NoHeader},
        {"no comma anywhere\r\n", Outcome::NoHeader},
        {kDosSignature + std::string(227, 'x'), Outcome::NoHeader},  // 231 bytes
        {kDosSignature + std::string(228, 'x'), Outcome::NotMarked},
        {"Some text, 01, 1, 0, 9,\r\n", Outcome::NotMarked}};
    for (const auto& [bytes, outcome] : cases)
        EXPECT_EQ(readParameterFile(bytes).outcome, outcome) << bytes.size() << " bytes";
    EXPECT_TRUE(isDosFile(readParameterFile(kDosSignature + std::string(300, '\0')).headerText));

    std::string full = kHeader;
    for (int i = 0; i < kMaxParameters; ++i)
        full += "P, 01, 1, 0, 9,\r\n";
    EXPECT_EQ(readParameterFile(full).rows.size(), std::size_t{kMaxParameters});
    const auto tooMany = readParameterFile(full + "P, 01, 1, 0, 9,\r\n");
    EXPECT_EQ(tooMany.outcome, Outcome::TooManyRows);
    EXPECT_TRUE(tooMany.rows.empty());
}

TEST(ParameterFile, InstallRowsReplacesTheWholeTable) {
    auto description = std::make_unique<UnitDescription>();
    installRows(std::vector<Parameter>(5, row("old", "01", "1", {})), *description);
    const Parameter fresh = row("new", "02", "+5", {1, kSignKindSigned, -1, -9, 9});
    installRows({fresh}, *description);
    EXPECT_EQ(description->parameterCount, 1);
    EXPECT_EQ(filed(description->parameters[0]), filed(fresh));
    EXPECT_EQ(filed(description->parameters[4]), filed(Parameter{}));

    installRows(std::vector<Parameter>(kMaxParameters + 1, fresh), *description);
    EXPECT_EQ(description->parameterCount, kMaxParameters);
}

const std::string kSpeedLine = "Speed              +0123.4";
const std::string kSpeedRecord =
    dosRecord({kSpeedLine, "12  ", " 20", " 26", " +  ", "-1000", "   1000"});

TEST(DosParameterFile, ConvertsRecordsToRows) {
    const std::string bytes = dosFile({
        dosRecord({"Main settings      ", "xx", "   ", "   ", "", "5", "7"}),
        kSpeedRecord,
        // The text stops at 22 characters even when the value starts later.
        dosRecord({"Cycle counter         :#00042", " 34", " 24", " 29", "#####", "0", "99999"}),
        dosRecord({"Length              01234", "56", " 20", " 25", "", " 0", "99999"}),
        // A not below B: a heading whatever its code, and its limits need not be numbers.
        dosRecord({"Pressure limits", "78", " 10", " 10", "", "???", ""}),
    });
    const std::vector<Parameter> expected = {
        row("Main settings", "xx", "", {0, kSignKindUnsigned, -1, 0, 0}),
        row("Speed", "12", "+0123.4", {6, kSignKindSigned, 5, -1000, 1000}),
        row("Cycle counter", "34", "#00042", {5, kSignKindHash, -1, 0, 99999}),
        row("Length", "56", "01234", {4, kSignKindUnsigned, -1, 0, 99999}),
        row("Pressure", "xx", "", {0, kSignKindUnsigned, -1, 0, 0}),
    };
    for (const std::string& file : {bytes, bytes + std::string(440, 'x')}) {
        const auto rows = convertDosFile(file);
        ASSERT_TRUE(rows.has_value());
        expectRows(*rows, expected);
    }
    EXPECT_EQ(convertDosFile(dosFile({})).value_or(expected).size(), 0u);  // header only
}

TEST(DosParameterFile, InvalidRecordOrTooManyRefuseTheWholeFile) {
    for (const std::string& bad : {dosRecord({kSpeedLine, "12", " ab", " 26", "+", "0", "9"}),
                                   dosRecord({kSpeedLine, "12", " 20", "   ", "+", "0", "9"}),
                                   dosRecord({kSpeedLine, "12", " 20", " 26", "+", "x", "9"}),
                                   dosRecord({kSpeedLine, "12", " 20", " 26", "+", "0", ""})})
        EXPECT_FALSE(convertDosFile(dosFile({kSpeedRecord, bad})).has_value());
    const std::vector<std::string> full(kMaxParameters, kSpeedRecord);
    EXPECT_TRUE(convertDosFile(dosFile(full)).has_value());
    EXPECT_FALSE(convertDosFile(dosFile(full) + kSpeedRecord).has_value());
}

TEST(ParameterFile, RecognisesDosFilesAndOtherUnits) {
    EXPECT_TRUE(isDosFile(kDosSignature + "rest"));
    EXPECT_FALSE(isDosFile(kDosSignature.substr(0, 3)));
    EXPECT_FALSE(isDosFile("\xBB\x7F\xA2\x05"));

    UnitIdentity unit;
    unit.softwareVersion = "AA45901 ";
    unit.standardVersion = "QU310   ";
    const std::vector<std::tuple<std::string, std::string, bool>> cases = {
        {"AA45901 ", "QU310   ", false}, {"        ", "QU311   ", false},
        {"AA45902 ", "", false},         {"AA45901", "QU310   ", true},
        {"AA45902 ", "QU310   ", true},  {"AA45901 ", "QU311   ", true}};
    for (const auto& [firmware, type, other] : cases)
        EXPECT_EQ(namesOtherUnit({firmware, type, ""}, unit), other) << firmware << "/" << type;
}

TEST(ParameterFile, ShortenPathCutsAtTheFirstFittingSeparator) {
    const std::vector<std::tuple<std::string, std::size_t, std::string>> cases = {
        {"/a/b/c.par", 10, "/a/b/c.par"},
        {"/home/op/units/line7.par", 15, "../units/line7.par"},
        {"C:\\Data\\units\\line7.par", 15, "..\\units\\line7.par"},
        {"C:\\Data/units\\line7.par", 9, "..\\line7.par"},
        {"/home/operator/averyverylongname.par", 10, "../averyverylongname.par"}};
    for (const auto& [path, length, shortened] : cases)
        EXPECT_EQ(shortenPath(path, length), shortened) << path;
}

}  // namespace
}  // namespace qu32::test
