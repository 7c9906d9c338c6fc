#include "datasets/DescriptionFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/ScriptedDialogs.h"

namespace qu32 {
namespace {

namespace fs = std::filesystem;

// The 16 lines of a small but complete description; tests change single lines of it.
std::vector<std::string> goodLines() {
    return {
        "AA459,AA45999",
        "3",
        "DATA-IN, Factor 1 ,Offset",  // texts keep their spaces
        "xx,0,051",                   // codes are cut or padded to two characters
        "-77,1,-32000",
        "-77,99999,32000",
        "0,5,5",
        "-1,1,-1",
        "1,1,0",
        "3",
        "Reset,Start,Stop",
        "54,55,56",
        "32768,16384,-32768",  // bit 15 written either way
        "2",
        "Alarm,Ready",
        "1,2",
    };
}

std::string joined(const std::vector<std::string>& lines, const std::string& end = "\r\n") {
    std::string text;
    for (const std::string& line : lines)
        text += line + end;
    return text;
}

std::string repeatedFields(const std::string& field, int count) {
    std::string line;
    for (int i = 0; i < count; ++i)
        line += (i == 0 ? "" : ",") + field;
    return line;
}

// A description, identity and group that no file produces, so that every field a load leaves
// alone, and every field a refused load must not touch, is visible.
struct Target {
    Target() {
        description.ParamCount = 10;
        for (std::size_t i = 0; i < 10; ++i) {
            description.params[i].ParamText = "old " + std::to_string(i);
            description.params[i].ParamCode = "9" + std::to_string(i);
        }
        description.params[1].ParamValue = "001";
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

    UnitDescription description;
    UnitIdentity identity;
    GroupSettings group;
    int scrollMax = 9;
};

int load(const std::string& text, Target& target) {
    std::istringstream in(text);
    return loadConfigFile(in, target.ref());
}

TEST(DescriptionFile, InstallsEveryColumnAndClearsWhatTheFileDoesNotCount) {
    Target t;
    ASSERT_EQ(load(joined(goodLines()), t), kConfigFileOk);

    const UnitDescription& d = t.description;
    EXPECT_EQ(d.ParamCount, 3);
    EXPECT_EQ(t.scrollMax, 2);
    EXPECT_EQ(d.params[0].ParamText, "DATA-IN");
    EXPECT_EQ(d.params[0].ParamCode, "xx");
    EXPECT_EQ(d.params[1].ParamText, " Factor 1 ");
    EXPECT_EQ(d.params[1].ParamCode, "0 ");
    EXPECT_EQ(d.params[2].ParamCode, "05");
    const ParamFormat& offset = d.params[2].format;
    EXPECT_EQ(offset.minValue, -32000);
    EXPECT_EQ(offset.maxValue, 32000);
    EXPECT_EQ(offset.digits, 5);
    EXPECT_EQ(offset.decimalPos, -1);
    EXPECT_EQ(offset.signKind, kSignKindSigned);
    EXPECT_EQ(d.params[1].format.decimalPos, 1);
    // Values are not part of a description; they are read from the unit afterwards.
    EXPECT_EQ(d.params[1].ParamValue, "001");
    // Nothing of the longer old list lingers.
    for (int i = 3; i < 10; ++i)
        EXPECT_TRUE(d.params[static_cast<std::size_t>(i)].ParamText.empty()) << i;

    EXPECT_EQ(d.InputCount, 3);
    const std::vector<std::string> inputs{"Reset", "Start", "Stop"};
    const std::vector<int> masks{32768, 16384, 32768};
    const std::vector<std::string> commands{"54", "55", "56"};
    for (std::size_t k = 0; k < kMaxInputs; ++k) {
        SCOPED_TRACE(k);
        const Input& in = d.inputs[k];
        const bool used = k < inputs.size();
        EXPECT_EQ(in.InputText, used ? inputs[k] : "");
        EXPECT_EQ(in.InputSerial, used ? 1 : 0);
        EXPECT_EQ(in.InputExternal, used ? 1 : 0);
        if (k < kMaxInputButtons) {
            // Masks and command codes of unused inputs stay as identification set them.
            EXPECT_EQ(t.group.InputMask[k], used ? masks[k] : 3);
            EXPECT_EQ(t.group.InputCommandCode[k], used ? commands[k] : "c0");
        }
    }

    EXPECT_EQ(d.OutputCount, 2);
    EXPECT_EQ(d.OutputText[0], "Alarm");
    EXPECT_EQ(d.OutputText[1], "Ready");
    for (std::size_t k = 2; k < d.OutputText.size(); ++k)
        EXPECT_TRUE(d.OutputText[k].empty()) << k;
    EXPECT_EQ(t.group.OutputMask[0], 1);
    EXPECT_EQ(t.group.OutputMask[1], 2);
    EXPECT_EQ(t.group.OutputMask[2], 9);

    EXPECT_EQ(t.identity.UnitType, "AA459");
    EXPECT_EQ(t.identity.SoftwareVersion, "AA45999 ");
    EXPECT_EQ(t.identity.SoftwareVersionText, "AA45999 ");
    EXPECT_EQ(t.identity.StandardVersion, "AA459   ");
    EXPECT_EQ(t.identity.CoprocessorVersion, "");
    EXPECT_EQ(t.identity.UnitGroup, kConfigFileUnitGroup);
    EXPECT_EQ(t.identity.VersionForm, 0);
}

TEST(DescriptionFile, LineEndsAndLinesBeyondTheSixteenth) {
    const std::string crlf = joined(goodLines());
    const struct {
        const char* what;
        std::string text;
    } kCases[] = {
        {"CR LF", crlf},
        {"more lines", crlf + "garbage,,,\r\nmore\r\n"},
        {"LF only", joined(goodLines(), "\n")},
        {"CR only", joined(goodLines(), "\r")},
        {"last line without its end", crlf.substr(0, crlf.size() - 2)},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        Target t;
        ASSERT_EQ(load(c.text, t), kConfigFileOk);
        EXPECT_EQ(t.description.ParamCount, 3);
        EXPECT_EQ(t.description.OutputText[1], "Ready");
        EXPECT_EQ(t.group.OutputMask[1], 2);
    }
}

TEST(DescriptionFile, FirmwareFieldIsFittedToEightCharacters) {
    const struct {
        const char* line1;
        const char* softwareVersion;
        int versionForm;
    } kCases[] = {
        {"AA459,AA45911", "AA45911 ", 0},  {"AA459,AA45911ABC", "AA45911A", 0},
        {"AA459,12345678", "12345678", 1}, {"AA459,1234", "1234    ", 1},
        {"AA459", "        ", 0},  // a missing field is empty
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.line1);
        std::vector<std::string> lines = goodLines();
        lines[0] = c.line1;
        Target t;
        ASSERT_EQ(load(joined(lines), t), kConfigFileOk);
        EXPECT_EQ(t.identity.SoftwareVersion, c.softwareVersion);
        EXPECT_EQ(t.identity.VersionForm, c.versionForm);
    }
}

TEST(DescriptionFile, ModelCodeDecidesIdentityAndStatusRegisters) {
    // Codes: activate, store, reset, output, serial input, external input, aux status, actual
    // value; then the reset mask.
    const std::string kLine = "67|68|60|85|86|87|88|:1|128";
    const std::string kDisplay = "71|70|77|>0|>1|>2|>3|:0|128";
    const std::string kUnchanged = "a0|s0|r0|o0|i0|e0|x0|v0|7";
    const struct {
        std::string unitType, firmware, standardBefore, unitTypeAfter, standardAfter;
        int group;
        std::string codes;
    } kCases[] = {
        {"AA459", "AA45999", kUnknownVersion, "AA459", "AA459   ", 8, kLine},
        {"TV985", "12345678", kUnknownVersion, "TV985", "TV985   ", 8, kLine},
        {"AA537", "AA53701", kUnknownVersion, "AA537", "AA537   ", 8, "65||63|85|86|87|88|:1|2"},
        {"AA601", "AA60101", "AA601S01", "AA601", "AA601   ", 8, "67|68|60|85|86|87|88|:1|4"},
        // A 516 unit is named by its firmware unless that is a number.
        {"516 Series", "UM51612", kUnknownVersion, "UM516", "UM516   ", 8,
         "64|66|60|85|86|87|88|:1|128"},
        {"516 Series", "71352901", "AA51609 ", "516 Series", "516 Seri", 8,
         "64|66|60|85|86|87|88|:1|128"},
        // A display unit that identification named keeps that name.
        {"Display Unit", "DU12345", kUnknownVersion, "DU123", "DU123   ", 8, kDisplay},
        {"Display Unit", "12345678", kUnknownVersion, "Display Unit", "Display ", 8, kDisplay},
        {"Display Unit", "DU12345", "XY98702 ", "XY987", "XY98702 ", 8, kDisplay},
        // Model codes are compared exactly; anything else leaves the registers alone.
        {"XY123", "XY12301", "QQ12345 ", "XY123", "QQ12345 ", 0, kUnchanged},
        {"aa459", "AA45999", kUnknownVersion, "aa459", kUnknownVersion, 0, kUnchanged},
        {"AA459 ", "AA45999", kUnknownVersion, "AA459 ", kUnknownVersion, 0, kUnchanged},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.unitType + " / " + c.firmware + " / " + c.standardBefore);
        std::vector<std::string> lines = goodLines();
        lines[0] = c.unitType + "," + c.firmware;
        Target t;
        t.identity.StandardVersion = c.standardBefore;
        ASSERT_EQ(load(joined(lines), t), kConfigFileOk);
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
    std::vector<std::string> lines = goodLines();
    lines[1] = std::to_string(kMaxParameters);
    lines[2] = repeatedFields("P", kMaxParameters);
    lines[3] = repeatedFields("00", kMaxParameters);
    for (std::size_t l = 4; l <= 8; ++l)
        lines[l] = repeatedFields("1", kMaxParameters);
    lines[9] = std::to_string(kMaxInputs);
    lines[10] = repeatedFields("In", kMaxInputs);
    lines[11] = repeatedFields("54", kMaxInputs);
    lines[12] = repeatedFields("65535", kMaxInputs);
    lines[13] = std::to_string(kMaxOutputs);
    lines[14] = repeatedFields("Out", kMaxOutputs);
    lines[15] = repeatedFields("-1", kMaxOutputs);

    Target t;
    ASSERT_EQ(load(joined(lines), t), kConfigFileOk);
    EXPECT_EQ(t.description.ParamCount, kMaxParameters);
    EXPECT_EQ(t.scrollMax, kMaxParameters - 1);
    EXPECT_EQ(t.description.params[kMaxParameters - 1].ParamText, "P");
    EXPECT_EQ(t.description.InputCount, kMaxInputs);
    EXPECT_EQ(t.description.inputs[kMaxInputs - 1].InputText, "In");
    EXPECT_EQ(t.description.inputs[kMaxInputs - 1].InputSerial, 1);
    EXPECT_EQ(t.group.InputMask[kMaxInputButtons - 1], 0xFFFF);
    EXPECT_EQ(t.description.OutputCount, kMaxOutputs);
    EXPECT_EQ(t.description.OutputText[kMaxOutputs - 1], "Out");
    EXPECT_EQ(t.group.OutputMask[kMaxOutputs - 1], 0xFFFF);
}

// ---------------------------------------------------------------------------------------------
// Refused files: the message names the fault and the file, and nothing of the file is installed.

class ReadConfigFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "qu32cofXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        path = (fs::path(folder) / "Test.cof").string();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder, ec);
    }
    void write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    bool read() { return ReadConfigFile(path, target.ref(), dialogs, "QU 3.2 nimbus"); }

    std::string folder;
    std::string path;
    Target target;
    test::ScriptedDialogs dialogs;
};

TEST_F(ReadConfigFileTest, AGoodFileShowsNothing) {
    write(joined(goodLines()));
    EXPECT_TRUE(read());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(target.description.ParamCount, 3);
}

TEST_F(ReadConfigFileTest, BadFilesAreRefusedWithTheirErrorNumber) {
    const auto with = [](std::size_t line, const std::string& text) {
        std::vector<std::string> lines = goodLines();
        lines[line - 1] = text;
        return joined(lines);
    };
    std::vector<std::string> fifteen = goodLines();
    fifteen.pop_back();
    const struct {
        const char* what;
        std::string bytes;
        int error;
    } kCases[] = {
        {"fifteen lines", joined(fifteen), kConfigErrorEndOfFile},
        {"empty file", "", kConfigErrorEndOfFile},
        {"parameter count not a number", with(2, "three"), kConfigErrorNotANumber},
        {"minimum not a number", with(5, "-77,1x,-32000"), kConfigErrorNotANumber},
        {"sign without digits", with(9, "1,+,0"), kConfigErrorNotANumber},
        {"two signs", with(6, "-77,+-5,32000"), kConfigErrorNotANumber},
        {"input mask not a number", with(13, "1,2,x"), kConfigErrorNotANumber},
        {"more rows than minimums", with(5, "-77,1"), kConfigErrorOutOfRange},
        {"more rows than texts", with(3, "DATA-IN,Factor 1"), kConfigErrorOutOfRange},
        {"more inputs than codes", with(12, "54,55"), kConfigErrorOutOfRange},
        {"no parameters", with(2, "0"), kConfigErrorOutOfRange},
        {"402 parameters", with(2, "402"), kConfigErrorOutOfRange},
        {"22 inputs", with(10, "22"), kConfigErrorOutOfRange},
        {"9 outputs", with(14, "9"), kConfigErrorOutOfRange},
        {"minimum beyond 32 bits", with(5, "-77,2147483648,-32000"), kConfigErrorOverflow},
        {"digits beyond 16 bits", with(7, "0,32768,5"), kConfigErrorOverflow},
        {"mask beyond 16 bits", with(16, "1,65536"), kConfigErrorOverflow},
        {"absurdly long line", with(3, std::string(kMaxConfigLineBytes + 1, 'x')),
         kConfigErrorReadFailed},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        write(c.bytes);
        dialogs.shown.clear();
        EXPECT_FALSE(read());
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text,
                  "Error " + std::to_string(c.error) + " while reading from file " + path + " !");
        EXPECT_EQ(dialogs.shown[0].title, "QU 3.2 nimbus");
        EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::Ok);
        EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Exclamation);

        // Rows read before the fault were not installed either.
        EXPECT_EQ(target.description.ParamCount, 10);
        EXPECT_EQ(target.description.params[0].ParamText, "old 0");
        EXPECT_EQ(target.description.InputCount, kMaxInputs);
        EXPECT_EQ(target.scrollMax, 9);
        EXPECT_EQ(target.identity.UnitType, "OLD00");
        EXPECT_EQ(target.group.ActivateCode, "a0");
    }
}

TEST_F(ReadConfigFileTest, AMissingFileOrAFolderIsNotFound) {
    for (const std::string& missing : {path, folder}) {
        dialogs.shown.clear();
        EXPECT_FALSE(ReadConfigFile(missing, target.ref(), dialogs, "QU 3.2 nimbus"));
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, "Error 53 while reading from file " + missing + " !");
    }
    EXPECT_EQ(target.description.ParamCount, 10);
}

}  // namespace
}  // namespace qu32
