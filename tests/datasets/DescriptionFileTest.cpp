#include "datasets/DescriptionFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace qu32 {
namespace {

namespace fs = std::filesystem;

// The 16 lines of a small but complete description; tests change single lines of it. Lines:
// 1 model and firmware, 2 parameter count, 3 texts (kept with their spaces), 4 codes (cut or
// padded to two characters), 5 minimums, 6 maximums, 7 digits, 8 decimal places, 9 sign kinds,
// 10 input count, 11 input texts, 12 input codes, 13 input masks (bit 15 written either way),
// 14 output count, 15 output texts, 16 output masks.
std::vector<std::string> goodLines() {
    return std::vector<std::string>({"AA459,AA45999", "3", "DATA-IN, Factor 1 ,Offset", "xx,0,051",
                                     "-77,1,-32000", "-77,99999,32000", "0,5,5", "-1,1,-1", "1,1,0",
                                     "3", "Reset,Start,Stop", "54,55,56", "32768,16384,-32768", "2",
                                     "Alarm,Ready", "1,2"});
}

std::string joined(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

std::string withLine(std::size_t number, const std::string& text) {
    std::vector<std::string> lines = goodLines();
    lines[number - 1] = text;
    return joined(lines);
}

std::string repeated(const std::string& field, int count) {
    std::string line = field;
    for (int i = 1; i < count; ++i)
        line += "," + field;
    return line;
}

// A description, identity and group that no file produces, so that every field a load leaves
// alone, and every field a refused load must not touch, is visible.
struct Target {
    Target() {
        description.ParamCount = 10;
        for (std::size_t i = 0; i < 10; ++i)
            description.params[i] = {"old", "9" + std::to_string(i), {}, 0, 0, "001", ""};
        description.InputCount = kMaxInputs;
        description.inputs.fill({"old input", 1, 1});
        description.OutputCount = kMaxOutputs;
        description.OutputText.fill("old output");
        identity = {"OLD00001", kUnknownVersion, "COPRO001", false, "OLD00", 2, "", 5};
        group = {"a0", "s0", "r0", 7, "o0", "i0", "e0", "x0", "v0", {}, {}, {}};
        group.InputMask.fill(3);
        group.InputCommandCode.fill("c0");
        group.OutputMask.fill(9);
    }
    DescriptionTarget ref() { return {description, identity, group, scrollMax}; }
    int load(const std::string& text) {
        std::istringstream in(text);
        return loadConfigFile(in, ref());
    }

    UnitDescription description;
    UnitIdentity identity;
    GroupSettings group;
    int scrollMax = 9;
};

TEST(DescriptionFile, InstallsEveryColumnAndClearsWhatTheFileDoesNotCount) {
    Target t;
    ASSERT_EQ(t.load(joined(goodLines())), kConfigFileOk);
    const UnitDescription& d = t.description;
    EXPECT_EQ(d.ParamCount, 3);
    EXPECT_EQ(t.scrollMax, 2);
    EXPECT_EQ(d.params[0].ParamText + "|" + d.params[0].ParamCode, "DATA-IN|xx");
    EXPECT_EQ(d.params[1].ParamText + "|" + d.params[1].ParamCode, " Factor 1 |0 ");
    EXPECT_EQ(d.params[2].ParamCode, "05");
    const ParamFormat& offset = d.params[2].format;
    EXPECT_EQ(std::tie(offset.minValue, offset.maxValue, offset.digits, offset.decimalPos,
                       offset.signKind),
              std::make_tuple(-32000, 32000, 5, -1, kSignKindSigned));
    EXPECT_EQ(d.params[1].format.decimalPos, 1);
    EXPECT_EQ(d.params[1].ParamValue, "001");  // values are read from the unit afterwards
    for (std::size_t i = 3; i < 10; ++i)
        EXPECT_TRUE(d.params[i].ParamText.empty()) << i;

    EXPECT_EQ(d.InputCount, 3);
    const std::vector<std::string> inputs{"Reset", "Start", "Stop"};
    const std::vector<int> masks{32768, 16384, 32768};
    for (std::size_t k = 0; k < kMaxInputs; ++k) {
        const bool used = k < inputs.size();
        EXPECT_EQ(d.inputs[k].InputText, used ? inputs[k] : "") << k;
        EXPECT_EQ(d.inputs[k].InputSerial + d.inputs[k].InputExternal, used ? 2 : 0) << k;
        if (k < kMaxInputButtons) {
            // Masks and command codes of unused inputs stay as identification set them.
            EXPECT_EQ(t.group.InputMask[k], used ? masks[k] : 3) << k;
            EXPECT_EQ(t.group.InputCommandCode[k], used ? std::to_string(54 + k) : "c0") << k;
        }
    }
    EXPECT_EQ(d.OutputCount, 2);
    EXPECT_EQ(d.OutputText[0] + d.OutputText[1] + d.OutputText[2], "AlarmReady");
    EXPECT_EQ(t.group.OutputMask[1], 2);
    EXPECT_EQ(t.group.OutputMask[2], 9);

    const UnitIdentity& id = t.identity;
    EXPECT_EQ(id.UnitType + "|" + id.SoftwareVersion + "|" + id.SoftwareVersionText + "|" +
                  id.StandardVersion + "|" + id.CoprocessorVersion,
              "AA459|AA45999 |AA45999 |AA459   |");
    EXPECT_EQ(id.UnitGroup, kConfigFileUnitGroup);
}

TEST(DescriptionFile, LineEndsExtraLinesAndTheFirmwareFieldFittedToEightCharacters) {
    const std::string crlf = joined(goodLines());
    // What, file text, firmware identifier and version form afterwards.
    const std::tuple<const char*, std::string, const char*, int> kCases[] = {
        {"more lines", crlf + "garbage,,,\r\nmore\r\n", "AA45999 ", 0},
        {"LF only", joined(goodLines(), "\n"), "AA45999 ", 0},
        {"CR only", joined(goodLines(), "\r"), "AA45999 ", 0},
        {"last line without its end", crlf.substr(0, crlf.size() - 2), "AA45999 ", 0},
        {"long identifier cut", withLine(1, "AA459,AA45911ABC"), "AA45911A", 0},
        {"numeric identifier", withLine(1, "AA459,12345678"), "12345678", 1},
        {"short numeric identifier", withLine(1, "AA459,1234"), "1234    ", 1},
        {"missing identifier", withLine(1, "AA459"), "        ", 0},
    };
    for (const auto& [what, text, softwareVersion, versionForm] : kCases) {
        SCOPED_TRACE(what);
        Target t;
        ASSERT_EQ(t.load(text), kConfigFileOk);
        EXPECT_EQ(t.description.OutputText[1], "Ready");
        EXPECT_EQ(t.group.OutputMask[1], 2);
        EXPECT_EQ(t.identity.SoftwareVersion, softwareVersion);
        EXPECT_EQ(t.identity.VersionForm, versionForm);
    }
}

TEST(DescriptionFile, ModelCodeDecidesIdentityAndStatusRegisters) {
    // Codes: activate, store, reset, output, serial input, external input, aux status, actual
    // value; then the reset mask.
    const std::string kLine = "67|68|60|85|86|87|88|:1|128";
    const std::string k516 = "64|66|60|85|86|87|88|:1|128";
    const std::string kDisplay = "71|70|77|>0|>1|>2|>3|:0|128";
    const std::string kUnchanged = "a0|s0|r0|o0|i0|e0|x0|v0|7";
    const std::string kUnknown = kUnknownVersion;
    const struct {
        std::string unitType, firmware, standardBefore, unitTypeAfter, standardAfter;
        int group;
        std::string codes;
    } kCases[] = {
        {"AA459", "AA45999", kUnknown, "AA459", "AA459   ", 8, kLine},
        {"TV985", "12345678", kUnknown, "TV985", "TV985   ", 8, kLine},
        {"AA537", "AA53701", kUnknown, "AA537", "AA537   ", 8, "65||63|85|86|87|88|:1|2"},
        {"AA601", "AA60101", "AA601S01", "AA601", "AA601   ", 8, "67|68|60|85|86|87|88|:1|4"},
        // A 516 unit is named by its firmware unless that is a number.
        {"516 Series", "UM51612", kUnknown, "UM516", "UM516   ", 8, k516},
        {"516 Series", "71352901", "AA51609 ", "516 Series", "516 Seri", 8, k516},
        // A display unit that identification named keeps that name.
        {"Display Unit", "DU12345", kUnknown, "DU123", "DU123   ", 8, kDisplay},
        {"Display Unit", "12345678", kUnknown, "Display Unit", "Display ", 8, kDisplay},
        {"Display Unit", "DU12345", "XY98702 ", "XY987", "XY98702 ", 8, kDisplay},
        // Model codes are compared exactly; anything else leaves the registers alone.
        {"XY123", "XY12301", "QQ12345 ", "XY123", "QQ12345 ", 0, kUnchanged},
        {"aa459", "AA45999", kUnknown, "aa459", kUnknown, 0, kUnchanged},
        {"AA459 ", "AA45999", kUnknown, "AA459 ", kUnknown, 0, kUnchanged},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.unitType + " / " + c.firmware + " / " + c.standardBefore);
        Target t;
        t.identity.StandardVersion = c.standardBefore;
        ASSERT_EQ(t.load(withLine(1, c.unitType + "," + c.firmware)), kConfigFileOk);
        EXPECT_EQ(t.identity.UnitType, c.unitTypeAfter);
        EXPECT_EQ(t.identity.StandardVersion, c.standardAfter);
        EXPECT_EQ(t.identity.UnitGroup, c.group);
        const GroupSettings& g = t.group;
        EXPECT_EQ(g.ActivateCode + "|" + g.StoreCode + "|" + g.ResetCode + "|" + g.OutputCode +
                      "|" + g.SerialInputCode + "|" + g.ExternalInputCode + "|" + g.AuxStatusCode +
                      "|" + g.ActualValueCode + "|" + std::to_string(g.ResetMask),
                  c.codes);
    }
}

TEST(DescriptionFile, TablesFilledToTheirBounds) {
    const int P = kMaxParameters, I = kMaxInputs, O = kMaxOutputs;
    const std::string ones = repeated("1", P);
    Target t;
    ASSERT_EQ(t.load(joined({"AA459,AA45999", std::to_string(P), repeated("P", P),
                             repeated("00", P), ones, ones, ones, ones, ones, std::to_string(I),
                             repeated("In", I), repeated("54", I), repeated("65535", I),
                             std::to_string(O), repeated("Out", O), repeated("-1", O)})),
              kConfigFileOk);
    EXPECT_EQ(t.scrollMax, P - 1);
    EXPECT_EQ(t.description.params[P - 1].ParamText, "P");
    EXPECT_EQ(t.description.inputs[I - 1].InputText, "In");
    EXPECT_EQ(t.group.InputMask[kMaxInputButtons - 1], 0xFFFF);
    EXPECT_EQ(t.description.OutputText[O - 1], "Out");
    EXPECT_EQ(t.group.OutputMask[O - 1], 0xFFFF);
}

// Refused files: the message names the fault and the file, and nothing of the file is installed.
TEST(ReadConfigFile, BadFilesAreRefusedWithTheirErrorNumberAndChangeNothing) {
    const test::TempFolder temp;
    const std::string folder = temp.path();
    const std::string path = temp.file("Test.cof");
    Target target;
    test::ScriptedDialogs dialogs;
    const auto write = [&](const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    };

    write(joined(goodLines()));
    EXPECT_TRUE(ReadConfigFile(path, Target().ref(), dialogs, "QU 3.2 nimbus"));
    EXPECT_TRUE(dialogs.shown.empty());

    std::vector<std::string> fifteen = goodLines();
    fifteen.pop_back();
    const std::tuple<std::string, std::string, int> kCases[] = {
        // what, file, error
        {"fifteen lines", joined(fifteen), kConfigErrorEndOfFile},
        {"empty file", "", kConfigErrorEndOfFile},
        {"parameter count not a number", withLine(2, "three"), kConfigErrorNotANumber},
        {"minimum not a number", withLine(5, "-77,1x,-32000"), kConfigErrorNotANumber},
        {"sign without digits", withLine(9, "1,+,0"), kConfigErrorNotANumber},
        {"two signs", withLine(6, "-77,+-5,32000"), kConfigErrorNotANumber},
        {"input mask not a number", withLine(13, "1,2,x"), kConfigErrorNotANumber},
        {"more rows than minimums", withLine(5, "-77,1"), kConfigErrorOutOfRange},
        {"more rows than texts", withLine(3, "DATA-IN,Factor 1"), kConfigErrorOutOfRange},
        {"more inputs than codes", withLine(12, "54,55"), kConfigErrorOutOfRange},
        {"no parameters", withLine(2, "0"), kConfigErrorOutOfRange},
        {"402 parameters", withLine(2, "402"), kConfigErrorOutOfRange},
        {"22 inputs", withLine(10, "22"), kConfigErrorOutOfRange},
        {"9 outputs", withLine(14, "9"), kConfigErrorOutOfRange},
        {"minimum beyond 32 bits", withLine(5, "-77,2147483648,-32000"), kConfigErrorOverflow},
        {"digits beyond 16 bits", withLine(7, "0,32768,5"), kConfigErrorOverflow},
        {"mask beyond 16 bits", withLine(16, "1,65536"), kConfigErrorOverflow},
        {"absurdly long line", withLine(3, std::string(kMaxConfigLineBytes + 1, 'x')),
         kConfigErrorReadFailed},
        {"missing file", "", kConfigErrorNotFound},
        {"a folder", "", kConfigErrorNotFound},
    };
    for (const auto& [what, bytes, error] : kCases) {
        SCOPED_TRACE(what);
        const std::string file = what == "a folder" ? folder : path;
        fs::remove(path);
        if (what != "missing file" && what != "a folder")
            write(bytes);
        dialogs.shown.clear();
        EXPECT_FALSE(ReadConfigFile(file, target.ref(), dialogs, "QU 3.2 nimbus"));
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text,
                  "Error " + std::to_string(error) + " while reading from file " + file + " !");
        EXPECT_EQ(dialogs.shown[0].title, "QU 3.2 nimbus");
        EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Exclamation);
        // Rows read before the fault were not installed either.
        EXPECT_EQ(target.description.ParamCount, 10);
        EXPECT_EQ(target.description.params[0].ParamText, "old");
        EXPECT_EQ(target.description.InputCount, kMaxInputs);
        EXPECT_EQ(target.scrollMax, 9);
        EXPECT_EQ(target.identity.UnitType, "OLD00");
        EXPECT_EQ(target.group.ActivateCode, "a0");
    }
}

}  // namespace
}  // namespace qu32
