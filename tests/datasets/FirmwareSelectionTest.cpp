#include "datasets/FirmwareSelection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Files.h"
#include "support/Answers.h"
#include "support/LinkFixture.h"
#include "support/TempFolder.h"

namespace qu32 {
namespace {

namespace fs = std::filesystem;
using test::answerFrame;
// How the operator leaves the firmware choice.
enum class Action { Ok, Cancel, Close };

// A description file whose model code and first parameter text tell which one was loaded.
std::string descriptionFile(const std::string& model, const std::string& firstText) {
    return model + ",AA45999\r\n2\r\n" + firstText +
           ",Factor\r\nxx,00\r\n-77,1\r\n-77,999\r\n0,2\r\n-1,-1\r\n1,1\r\n"
           "1\r\nReset\r\n54\r\n1\r\n1\r\nReady\r\n1\r\n";
}

// Answers of the shape a probe set expects, and its registers in reading order.
std::map<std::string, std::string> shapedAnswers(ProbeSet probe) {
    std::map<std::string, std::string> answers;
    for (const ProbeRegister& r : probeShape(probe).registers) {
        const auto length = static_cast<std::size_t>(r.answerLength);
        answers[std::string(r.code)] =
            std::string(r.isSigned ? "+" : "1") + std::string(length - 1, '1');
    }
    return answers;
}

std::vector<std::string> codesOf(ProbeSet probe) {
    std::vector<std::string> codes;
    for (const ProbeRegister& r : probeShape(probe).registers)
        codes.emplace_back(r.code);
    return codes;
}

class FirmwareSelectionTest : public test::LinkFixture {
  protected:
    void SetUp() override {
        LinkFixture::SetUp();
        port.clearWritten();
        // Every request is recorded; the unit answers what `answer` gives, by default nothing.
        port.setResponder([this](const Bytes& request) {
            std::vector<sim::Chunk> chunks;
            if (request.size() < 6)
                return chunks;
            const std::string code{static_cast<char>(request[3]), static_cast<char>(request[4])};
            requests.push_back(code);
            if (const auto text = answer(code))
                chunks.push_back({5, answerFrame(code, *text)});
            return chunks;
        });
        unitData.description.parameterCount = 1;
        unitData.description.parameters[0].text = "from before";
    }
    std::string file(const std::string& name) const { return temp.file(name); }
    void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream(file(name), std::ios::binary) << bytes;
    }
    std::string readFile(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void chooseNext(const std::string& typed, Action action) {
        observer.choiceAnswers.push_back({typed, action == Action::Ok});
    }
    void unidentified() {
        unitData.identity.softwareVersion = kUnknownVersion;
        unitData.identity.standardVersion = kUnknownVersion;
    }
    std::string firstRow() const { return unitData.description.parameters[0].text; }

    test::TempFolder temp;
    const std::string folder = temp.path();
    std::function<std::optional<std::string>(const std::string& code)> answer =
        [](const std::string&) { return std::nullopt; };
    ConnectedUnit unitData{link};
    FirmwareSelector selection{link, unitData, folder};
    std::vector<std::string> requests;
};

// A built-in set for a known identifier, else the ".cng" file named after it; the unit is not
// asked and a missing file is not reported.
TEST_F(FirmwareSelectionTest, IdentifiedFirmwareTakesItsBuiltInSetOrItsCngFile) {
    const std::string none = "1|from before", fromFile = "2|From file";
    // Firmware and standard identifiers, the file in the folder (nullptr: none), and parameterCount
    // and first row afterwards.
    const std::tuple<const char*, const char*, const char*, std::string> kCases[] = {
        {"AA45901 ", kUnknownVersion, nullptr, "30|DATA-IN"},
        {"AA45906 ", kUnknownVersion, "AA45906.cng", "30|DATA-IN"},
        {"AA45907 ", kUnknownVersion, nullptr, "31|DATA-IN"},
        {"AA45911", kUnknownVersion, nullptr, "31|DATA-IN"},  // padded to eight characters
        {"81390715", kUnknownVersion, nullptr, "35|DATA-IN"},
        {"AA45999 ", kUnknownVersion, "AA45999.cng", fromFile},
        {"AA45999 ", "AA459S12", "AA45999.cng", fromFile},
        {"AA 459 9 ", "AA459S12", "AA4599.cng", fromFile},
        {"AA45999 ", "AA459S12", "aa45999.CNG", fromFile},
        {"aa45911 ", "AA459S12", "aa45911.cng", fromFile},  // identifiers are exact
        {"AA45912 ", "AA459S12", nullptr, none},
        {"AA45999 ", "AA459S12", "AA45999 .cng", none},
        {"????????", "AA459S12", nullptr, none},
    };
    for (const auto& [firmware, standard, fileName, result] : kCases) {
        SCOPED_TRACE(std::string(firmware) + " / " + standard);
        for (const auto& entry : fs::directory_iterator(folder))
            fs::remove(entry.path());
        if (fileName != nullptr)
            writeFile(fileName, descriptionFile("AA459", "From file"));
        unitData.identity.softwareVersion = firmware;
        unitData.identity.standardVersion = standard;
        unitData.description.parameterCount = 1;
        unitData.description.parameters[0].text = "from before";

        EXPECT_EQ(selection.selectDescription(), result != none);
        EXPECT_EQ(std::to_string(unitData.description.parameterCount) + "|" + firstRow(), result);
        if (result != none) {
        }
    }
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_TRUE(observer.choices.empty());
    EXPECT_TRUE(requests.empty());

    unitData.identity.softwareVersion = "AA45901 ";
    unitData.setDescriptionSource([this] { return selection.selectDescription(); });
    EXPECT_EQ(unitData.readUnitDescription(), Result::Ok);
    EXPECT_EQ(unitData.description.parameterCount, 30);
    EXPECT_TRUE(requests.empty());
}

// Probe sets, for a unit that identification could not name.

TEST_F(FirmwareSelectionTest, BothProbesRunInOrderAndTheLaterFitStays) {
    // A unit that looks like a UM516 to the first probe and like an AA516 to the second.
    const auto um = shapedAnswers(ProbeSet::UM516);
    const auto aa = shapedAnswers(ProbeSet::AA516);
    std::vector<std::string> expected = codesOf(ProbeSet::UM516);
    const std::size_t umReads = expected.size();
    answer = [&, umReads](const std::string& code) -> std::optional<std::string> {
        return requests.size() <= umReads ? um.at(code) : aa.at(code);
    };
    unidentified();
    EXPECT_TRUE(selection.selectDescription());
    const std::vector<std::string> aaCodes = codesOf(ProbeSet::AA516);
    expected.insert(expected.end(), aaCodes.begin(), aaCodes.end());
    EXPECT_EQ(requests, expected);
    EXPECT_EQ(unitData.identity.unitType, "AA516");
    EXPECT_EQ(unitData.description.parameterCount, 19);
    EXPECT_TRUE(observer.choices.empty());
}

TEST_F(FirmwareSelectionTest, AFittingFirstProbeStaysWhenTheSecondFails) {
    const auto um = shapedAnswers(ProbeSet::UM516);
    answer = [um](const std::string& code) -> std::optional<std::string> {
        const auto it = um.find(code);
        return it == um.end() ? std::nullopt : std::optional<std::string>(it->second);
    };
    unidentified();
    EXPECT_TRUE(selection.selectDescription());
    EXPECT_EQ(unitData.identity.unitType + unitData.identity.softwareVersion, "UM516713529xx");
    EXPECT_EQ(unitData.description.parameterCount, 22);
    // The second probe still ran, up to the register the first set lacks: "50" never answers
    // and ends it after six failed attempts.
    EXPECT_EQ(requests.back(), "50");
    EXPECT_EQ(std::count(requests.begin(), requests.end(), "50"), kProbeFailureLimit + 1);
    EXPECT_TRUE(observer.choices.empty());
}

TEST_F(FirmwareSelectionTest, ProbesGiveUpAfterSixFailuresOfARegisterThenTheOperatorChooses) {
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    unidentified();
    EXPECT_TRUE(selection.selectDescription());
    EXPECT_EQ(requests, std::vector<std::string>(2 * (kProbeFailureLimit + 1), "00"));
    EXPECT_EQ(observer.choices.size(), 1u);
    EXPECT_EQ(firstRow(), "File A");
}

// ---------------------------------------------------------------------------------------------
// The operator's choice of a ".cof" file, remembered in the choice file.

TEST_F(FirmwareSelectionTest, NoConfigurationFilesTellsTheOperator) {
    writeFile("notes.txt", "");
    fs::create_directory(file("folder.cof"));
    EXPECT_FALSE(selection.chooseDescriptionFile());
    EXPECT_TRUE(observer.choices.empty());
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].text,
              "No QU 3.2 configuration files found! Initialisation will be done by scanning the "
              "connected unit.");
    EXPECT_FALSE(fs::exists(file(kFirmwareChoiceFile)));  // no dialog, no choice to remember
}

TEST_F(FirmwareSelectionTest, LastChoiceIsPreselectedAndOkLoadsIt) {
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    writeFile("B.cof", descriptionFile("TV985", "File B"));
    writeFile(kFirmwareChoiceFile, "B\r\nanything after the first line\r\n");

    EXPECT_TRUE(selection.chooseDescriptionFile());
    ASSERT_EQ(observer.choices.size(), 1u);
    const auto& shown = observer.choices[0];
    EXPECT_EQ(shown.names, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(shown.preset, "B");
    EXPECT_EQ(firstRow(), "File B");
    EXPECT_EQ(unitData.identity.unitType, "TV985");
    EXPECT_EQ(readFile(kFirmwareChoiceFile), "B\r\n");
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_TRUE(unitData.notes.empty());
}

TEST_F(FirmwareSelectionTest, WithoutAStoredChoiceTheFirstNameIsShown) {
    writeFile("Zeta.cof", descriptionFile("AA459", "Zeta"));
    writeFile("Alpha.COF", descriptionFile("AA459", "Alpha"));
    writeFile(".hidden.cof", descriptionFile("AA459", "Hidden"));
    writeFile("Alpha.cof.bak", "");
    chooseNext("Alpha", Action::Ok);
    EXPECT_TRUE(selection.chooseDescriptionFile());
    ASSERT_EQ(observer.choices.size(), 1u);
    EXPECT_EQ(observer.choices[0].names, (std::vector<std::string>{".hidden", "Alpha", "Zeta"}));
    EXPECT_EQ(observer.choices[0].preset, ".hidden");
    EXPECT_EQ(firstRow(), "Alpha");  // found in any case, as on the systems the files come from
}

TEST_F(FirmwareSelectionTest, EveryWayOfClosingRemembersTheShownName) {
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    writeFile("B.cof", descriptionFile("AA459", "File B"));
    const std::string kept = "from before";
    // Typed name, button, first row of the description afterwards, whether "not found" shows.
    const std::tuple<std::string, Action, std::string, bool> kCases[] = {
        {"A", Action::Ok, "File A", false}, {"A", Action::Cancel, kept, false},
        {"A", Action::Close, kept, false},  {"", Action::Ok, kept, false},
        {"C", Action::Ok, kept, true},      {"A ", Action::Ok, kept, true},
        {"../A", Action::Ok, kept, true},  // only files of the program folder
    };
    for (const auto& [typed, action, row, notFound] : kCases) {
        SCOPED_TRACE(typed + " / " + std::to_string(static_cast<int>(action)));
        writeFile(kFirmwareChoiceFile, "B\r\n");
        unitData.description.parameters[0].text = kept;
        observer.messages.clear();
        chooseNext(typed, action);

        EXPECT_EQ(selection.chooseDescriptionFile(), row != kept);
        EXPECT_EQ(firstRow(), row);
        EXPECT_EQ(readFile(kFirmwareChoiceFile), typed + "\r\n");
        ASSERT_EQ(observer.messages.size(), notFound ? 1u : 0u);
        if (notFound) {
            EXPECT_EQ(observer.messages[0].text,
                      "The specified configuration file " + typed +
                          " was not found!\rInitialisation will be done by scanning the "
                          "connected unit.");
        }
    }
}

TEST_F(FirmwareSelectionTest, AChoiceThatCannotBeRememberedIsStillLoaded) {
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    writeFile("B.cof", descriptionFile("AA459", "File B"));
    writeFile(kFirmwareChoiceFile, "A\r\n");
    // Even root cannot write a temporary file where a folder of its name stands.
    fs::create_directory(file(std::string(kFirmwareChoiceFile) + kAtomicTempSuffix));
    chooseNext("B", Action::Ok);
    EXPECT_TRUE(selection.chooseDescriptionFile());
    EXPECT_EQ(firstRow(), "File B");
    EXPECT_EQ(readFile(kFirmwareChoiceFile), "A\r\n");
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(unitData.notes.size(), 1u);
}

}  // namespace
}  // namespace qu32
