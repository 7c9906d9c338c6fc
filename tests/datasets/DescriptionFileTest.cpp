#include "datasets/DescriptionFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/RecordingObserver.h"
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
        description.parameterCount = 10;
        for (std::size_t i = 0; i < 10; ++i)
            description.parameters[i] = {"old", "9" + std::to_string(i), {}, 0, 0, "001", ""};
        description.inputCount = kMaxInputs;
        description.inputs.fill({"old input", 1, 1});
        description.outputCount = kMaxOutputs;
        description.outputTexts.fill("old output");
        identity = {"OLD00001", kUnknownVersion, "COPRO001", false, "OLD00", 2, "", 5};
        group = {"a0", "s0", "r0", 7, "o0", "i0", "e0", "x0", "v0", {}, {}, {}};
        group.inputMasks.fill(3);
        group.inputCommandCodes.fill("c0");
        group.outputMasks.fill(9);
    }
    DescriptionTarget ref() { return {description, identity, group}; }
    int load(const std::string& text) {
        std::istringstream in(text);
        return loadDescriptionFile(in, ref());
    }

    UnitDescription description;
    UnitIdentity identity;
    GroupRegisters group;
};

TEST(DescriptionFile, InstallsEveryColumnAndClearsWhatTheFileDoesNotCount) {
    Target t;
    ASSERT_EQ(t.load(joined(goodLines())), kDescriptionFileOk);
    const UnitDescription& d = t.description;
    EXPECT_EQ(d.parameterCount, 3);
    EXPECT_EQ(d.parameters[0].text + "|" + d.parameters[0].code, "DATA-IN|xx");
    EXPECT_EQ(d.parameters[1].text + "|" + d.parameters[1].code, " Factor 1 |0 ");
    EXPECT_EQ(d.parameters[2].code, "05");
    const ParamFormat& offset = d.parameters[2].format;
    EXPECT_EQ(std::tie(offset.minValue, offset.maxValue, offset.digits, offset.decimalPos,
                       offset.signKind),
              std::make_tuple(-32000, 32000, 5, -1, kSignKindSigned));
    EXPECT_EQ(d.parameters[1].format.decimalPos, 1);
    EXPECT_EQ(d.parameters[1].value, "001");  // values are read from the unit afterwards
    for (std::size_t i = 3; i < 10; ++i)
        EXPECT_TRUE(d.parameters[i].text.empty()) << i;

    EXPECT_EQ(d.inputCount, 3);
    const std::vector<std::string> inputs{"Reset", "Start", "Stop"};
    const std::vector<int> masks{32768, 16384, 32768};
    for (std::size_t k = 0; k < kMaxInputs; ++k) {
        const bool used = k < inputs.size();
        EXPECT_EQ(d.inputs[k].text, used ? inputs[k] : "") << k;
        EXPECT_EQ(d.inputs[k].pcSettable + d.inputs[k].external, used ? 2 : 0) << k;
        if (k < kMaxInputButtons) {
            // Masks and command codes of unused inputs stay as identification set them.
            EXPECT_EQ(t.group.inputMasks[k], used ? masks[k] : 3) << k;
            EXPECT_EQ(t.group.inputCommandCodes[k], used ? std::to_string(54 + k) : "c0") << k;
        }
    }
    EXPECT_EQ(d.outputCount, 2);
    EXPECT_EQ(d.outputTexts[0] + d.outputTexts[1] + d.outputTexts[2], "AlarmReady");
    EXPECT_EQ(t.group.outputMasks[1], 2);
    EXPECT_EQ(t.group.outputMasks[2], 9);

    const UnitIdentity& id = t.identity;
    EXPECT_EQ(id.unitType + "|" + id.softwareVersion + "|" + id.softwareVersionText + "|" +
                  id.standardVersion + "|" + id.coprocessorVersion,
              "AA459|AA45999 |AA45999 |AA459   |");
    EXPECT_EQ(id.unitGroup, kDescribedUnitGroup);
}

// The format has no trailing comma, so an empty last text or code can only be written by
// leaving its field out.
TEST(DescriptionFile, TextAndCodeLinesMayEndBeforeTheirCount) {
    std::vector<std::string> lines = goodLines();
    lines[2] = "DATA-IN, Factor 1 ";  // parameter texts
    lines[3] = "xx,0";                // parameter codes
    lines[10] = "Reset,Start";        // input texts
    lines[11] = "54";                 // input codes
    lines[14] = "Alarm";              // output texts
    Target t;
    ASSERT_EQ(t.load(joined(lines)), kDescriptionFileOk);
    EXPECT_EQ(t.description.parameters[2].text, "");
    EXPECT_EQ(t.description.parameters[2].code, "  ");
    EXPECT_EQ(t.description.parameters[2].format.minValue, -32000);
    EXPECT_EQ(t.description.inputs[2].text, "");
    EXPECT_EQ(t.group.inputCommandCodes[1], "");
    EXPECT_EQ(t.description.outputTexts[1], "");
    EXPECT_EQ(t.description.outputCount, 2);
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
        ASSERT_EQ(t.load(text), kDescriptionFileOk);
        EXPECT_EQ(t.description.outputTexts[1], "Ready");
        EXPECT_EQ(t.group.outputMasks[1], 2);
        EXPECT_EQ(t.identity.softwareVersion, softwareVersion);
        EXPECT_EQ(t.identity.versionForm, versionForm);
    }
}

// A known model code gives the file's unit group and that model's command and status registers;
// any other leaves the registers alone.
TEST(DescriptionFile, ModelCodeDecidesIdentityAndStatusRegisters) {
    const std::string kUnknown = kUnknownVersion;
    const struct {
        std::string unitType, firmware, standardBefore, unitTypeAfter, standardAfter;
        int group;
    } kCases[] = {
        {"AA459", "AA45999", kUnknown, "AA459", "AA459   ", 8},
        {"TV985", "12345678", kUnknown, "TV985", "TV985   ", 8},
        {"AA601", "AA60101", "AA601S01", "AA601", "AA601   ", 8},
        // A 516 unit is named by its firmware unless that is a number.
        {"516 Series", "UM51612", kUnknown, "UM516", "UM516   ", 8},
        {"516 Series", "71352901", "AA51609 ", "516 Series", "516 Seri", 8},
        // A display unit that identification named keeps that name.
        {"Display Unit", "DU12345", kUnknown, "DU123", "DU123   ", 8},
        {"Display Unit", "12345678", kUnknown, "Display Unit", "Display ", 8},
        {"Display Unit", "DU12345", "XY98702 ", "XY987", "XY98702 ", 8},
        // Model codes are compared exactly.
        {"XY123", "XY12301", "QQ12345 ", "XY123", "QQ12345 ", 0},
        {"aa459", "AA45999", kUnknown, "aa459", kUnknown, 0},
        {"AA459 ", "AA45999", kUnknown, "AA459 ", kUnknown, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.unitType + " / " + c.firmware + " / " + c.standardBefore);
        Target t;
        t.identity.standardVersion = c.standardBefore;
        ASSERT_EQ(t.load(withLine(1, c.unitType + "," + c.firmware)), kDescriptionFileOk);
        EXPECT_EQ(t.identity.unitType, c.unitTypeAfter);
        EXPECT_EQ(t.identity.standardVersion, c.standardAfter);
        EXPECT_EQ(t.identity.unitGroup, c.group);
        EXPECT_EQ(t.group.activateCode != "a0" && t.group.actualValueCode != "v0", c.group != 0);
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
              kDescriptionFileOk);
    EXPECT_EQ(t.description.parameterCount, P);
    EXPECT_EQ(t.description.parameters[P - 1].text, "P");
    EXPECT_EQ(t.description.inputs[I - 1].text, "In");
    EXPECT_EQ(t.group.inputMasks[kMaxInputButtons - 1], 0xFFFF);
    EXPECT_EQ(t.description.outputTexts[O - 1], "Out");
    EXPECT_EQ(t.group.outputMasks[O - 1], 0xFFFF);
}

// Refused files: the message names the fault and the file, and nothing of the file is installed.
TEST(readDescriptionFile, BadFilesAreRefusedWithTheirErrorNumberAndChangeNothing) {
    const test::TempFolder temp;
    const std::string folder = temp.path();
    const std::string path = temp.file("Test.cof");
    Target target;
    test::RecordingObserver observer;
    const auto write = [&](const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    };

    std::vector<std::string> fifteen = goodLines();
    fifteen.pop_back();
    const std::tuple<std::string, std::string, int> kCases[] = {
        // what, file, error
        {"fifteen lines", joined(fifteen), kDescriptionErrorEndOfFile},
        {"empty file", "", kDescriptionErrorEndOfFile},
        {"parameter count not a number", withLine(2, "three"), kDescriptionErrorNotANumber},
        {"minimum not a number", withLine(5, "-77,1x,-32000"), kDescriptionErrorNotANumber},
        {"sign kind a bare sign", withLine(9, "1,+,0"), kDescriptionErrorNotANumber},
        {"two signs", withLine(6, "-77,+-5,32000"), kDescriptionErrorNotANumber},
        {"input mask not a number", withLine(13, "1,2,x"), kDescriptionErrorNotANumber},
        {"more rows than minimums", withLine(5, "-77,1"), kDescriptionErrorOutOfRange},
        {"more inputs than masks", withLine(13, "1,2"), kDescriptionErrorOutOfRange},
        {"no parameters", withLine(2, "0"), kDescriptionErrorOutOfRange},
        {"402 parameters", withLine(2, "402"), kDescriptionErrorOutOfRange},
        {"22 inputs", withLine(10, "22"), kDescriptionErrorOutOfRange},
        {"9 outputs", withLine(14, "9"), kDescriptionErrorOutOfRange},
        {"minimum beyond 32 bits", withLine(5, "-77,2147483648,-32000"), kDescriptionErrorOverflow},
        {"digits beyond 16 bits", withLine(7, "0,32768,5"), kDescriptionErrorOverflow},
        {"mask beyond 16 bits", withLine(16, "1,65536"), kDescriptionErrorOverflow},
        {"absurdly long line", withLine(3, std::string(kMaxDescriptionLineBytes + 1, 'x')),
         kDescriptionErrorReadFailed},
        {"missing file", "", kDescriptionErrorNotFound},
        {"a folder", "", kDescriptionErrorNotFound},
    };
    for (const auto& [what, bytes, error] : kCases) {
        SCOPED_TRACE(what);
        const std::string file = what == "a folder" ? folder : path;
        fs::remove(path);
        if (what != "missing file" && what != "a folder")
            write(bytes);
        observer.messages.clear();
        EXPECT_FALSE(readDescriptionFile(file, target.ref(), observer));
        ASSERT_EQ(observer.messages.size(), 1u);
        EXPECT_EQ(observer.messages[0].text,
                  "Error " + std::to_string(error) + " while reading from file " + file + " !");
        EXPECT_EQ(std::tie(observer.messages[0].buttons, observer.messages[0].icon),
                  std::tuple(MsgButtons::Ok, MsgIcon::Exclamation));
        // Rows read before the fault were not installed either.
        const UnitDescription& d = target.description;
        EXPECT_EQ(std::to_string(d.parameterCount) + d.parameters[0].text + d.inputs[0].text +
                      target.identity.unitType + target.group.activateCode,
                  "10oldold inputOLD00a0");
    }
}

}  // namespace
}  // namespace qu32
