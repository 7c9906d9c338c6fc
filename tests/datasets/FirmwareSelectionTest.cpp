#include "datasets/FirmwareSelection.h"

#include <gtest/gtest.h>

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

// A description file whose model code and first parameter text tell which one was loaded.
std::string descriptionFile(const std::string& model, const std::string& firstText) {
    return model + ",AA45999\r\n2\r\n" + firstText +
           ",Factor\r\nxx,00\r\n-77,1\r\n-77,999\r\n0,2\r\n-1,-1\r\n1,1\r\n"
           "1\r\nReset\r\n54\r\n1\r\n1\r\nReady\r\n1\r\n";
}

class FirmwareSelectionTest : public test::LinkFixture {
  protected:
    void SetUp() override {
        LinkFixture::SetUp();
        // Every request is recorded; the unit answers what `answer` gives, by default nothing.
        port.setResponder([this](const Bytes& request) {
            std::vector<sim::Chunk> chunks;
            if (request.size() < 6)
                return chunks;
            const std::string code{static_cast<char>(request[3]), static_cast<char>(request[4])};
            requests.push_back(code);
            if (const auto text = answer(code))
                chunks.push_back({5, test::answerFrame(code, *text)});
            return chunks;
        });
        unitData.description.parameterCount = 1;
        unitData.description.parameters[0].text = "from before";
    }
    void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream(temp.file(name), std::ios::binary) << bytes;
    }
    std::string readFile(const std::string& name) const {
        std::ifstream in(temp.file(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // What the operator types into the choice, and whether OK closes it (else Cancel or the
    // close box).
    void chooseNext(const std::string& typed, bool ok) {
        observer.choiceAnswers.push_back({typed, ok});
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

// A built-in set for a known identifier, else the ".cng" file named after it without spaces; the
// unit is not asked and a missing file is not reported.
TEST_F(FirmwareSelectionTest, IdentifiedFirmwareTakesItsBuiltInSetOrItsCngFile) {
    const std::string none = "1|from before", fromFile = "2|From file";
    // Firmware and standard identifiers, the file in the folder (nullptr: none), and parameterCount
    // and first row afterwards.
    const std::tuple<const char*, const char*, const char*, std::string> kCases[] = {
        {"AA45906 ", kUnknownVersion, "AA45906.cng", "30|DATA-IN"},
        {"AA 459 9 ", kUnknownVersion, "aa4599.CNG", fromFile},
        {"aa45911 ", "AA459S12", "aa45911.cng", fromFile},  // identifiers are exact
        {"AA45912 ", kUnknownVersion, nullptr, none},
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
    }
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_TRUE(observer.choices.empty());
    EXPECT_TRUE(requests.empty());
}

// For a unit that identification could not name, both probes run, so that when both fit the
// later one's description stays.
TEST_F(FirmwareSelectionTest, BothProbesRunInOrderAndTheLaterFitStays) {
    std::vector<std::string> expected;
    std::map<std::string, std::string> shaped[2];
    for (int p = 0; p < 2; ++p) {
        for (const ProbeRegister& r : probeShape(probeRunOrder()[p]).registers) {
            expected.emplace_back(r.code);
            shaped[p][std::string(r.code)] =
                (r.isSigned ? "+" : "1") +
                std::string(static_cast<std::size_t>(r.answerLength - 1), '1');
        }
    }
    const std::size_t firstReads = shaped[0].size();
    answer = [&](const std::string& code) -> std::optional<std::string> {
        return shaped[requests.size() <= firstReads ? 0 : 1].at(code);
    };
    unitData.identity.softwareVersion = kUnknownVersion;
    unitData.identity.standardVersion = kUnknownVersion;
    EXPECT_TRUE(selection.selectDescription());
    EXPECT_EQ(requests, expected);
    EXPECT_EQ(unitData.identity.unitType, "AA516");
    EXPECT_EQ(unitData.description.parameterCount, 19);
    EXPECT_TRUE(observer.choices.empty());
}

// ---------------------------------------------------------------------------------------------
// The operator's choice of a ".cof" file, remembered in the choice file.

TEST_F(FirmwareSelectionTest, NoConfigurationFilesTellsTheOperator) {
    writeFile("notes.txt", "");
    fs::create_directory(temp.file("folder.cof"));
    EXPECT_FALSE(selection.chooseDescriptionFile());
    EXPECT_TRUE(observer.choices.empty());
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].text,
              "No QU 3.2 configuration files found! Initialisation will be done by scanning the "
              "connected unit.");
    EXPECT_FALSE(fs::exists(temp.file(kFirmwareChoiceFile)));  // no dialog, no choice to remember
}

TEST_F(FirmwareSelectionTest, WithoutAStoredChoiceTheFirstNameIsShown) {
    writeFile("Zeta.cof", descriptionFile("AA459", "Zeta"));
    writeFile("Alpha.COF", descriptionFile("AA459", "Alpha"));
    writeFile(".hidden.cof", descriptionFile("AA459", "Hidden"));
    writeFile("Alpha.cof.bak", "");
    chooseNext("Alpha", true);
    EXPECT_TRUE(selection.chooseDescriptionFile());
    ASSERT_EQ(observer.choices.size(), 1u);
    EXPECT_EQ(observer.choices[0].names, (std::vector<std::string>{".hidden", "Alpha", "Zeta"}));
    EXPECT_EQ(observer.choices[0].preset, ".hidden");
    EXPECT_EQ(firstRow(), "Alpha");  // found in any case, as on the systems the files come from
}

// The first line of the choice file is offered; whatever the choice shows when it closes is
// remembered, however it was closed.
TEST_F(FirmwareSelectionTest, LastChoiceIsPresetAndEveryWayOfClosingRemembersTheShownName) {
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    writeFile("B.cof", descriptionFile("AA459", "File B"));
    const std::string kept = "from before";
    // Typed name (nullptr: the preset left as it is), OK, first row of the description
    // afterwards, whether "not found" shows.
    const std::tuple<const char*, bool, std::string, bool> kCases[] = {
        {nullptr, true, "File B", false}, {"A", true, "File A", false}, {"A", false, kept, false},
        {"", true, kept, false},          {"C", true, kept, true},      {"A ", true, kept, true},
        {"../A", true, kept, true},  // only files of the program folder
    };
    for (const auto& [typed, ok, row, notFound] : kCases) {
        const std::string shown = typed == nullptr ? "B" : typed;
        SCOPED_TRACE(shown + (ok ? " / OK" : " / Cancel"));
        writeFile(kFirmwareChoiceFile, "B\r\nanything after the first line\r\n");
        unitData.description.parameters[0].text = kept;
        observer.messages.clear();
        observer.choices.clear();
        if (typed != nullptr)
            chooseNext(typed, ok);

        EXPECT_EQ(selection.chooseDescriptionFile(), row != kept);
        ASSERT_EQ(observer.choices.size(), 1u);
        EXPECT_EQ(observer.choices[0].preset, "B");
        EXPECT_EQ(firstRow(), row);
        EXPECT_EQ(readFile(kFirmwareChoiceFile), shown + "\r\n");
        ASSERT_EQ(observer.messages.size(), notFound ? 1u : 0u);
        if (notFound) {
            EXPECT_EQ(observer.messages[0].text,
                      "The specified configuration file " + shown +
                          " was not found!\rInitialisation will be done by scanning the "
                          "connected unit.");
        }
    }
    EXPECT_TRUE(unitData.notes.empty());
}

TEST_F(FirmwareSelectionTest, AChoiceThatCannotBeRememberedIsStillLoaded) {
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    writeFile("B.cof", descriptionFile("AA459", "File B"));
    writeFile(kFirmwareChoiceFile, "A\r\n");
    // Even root cannot write a temporary file where a folder of its name stands.
    fs::create_directory(temp.file(std::string(kFirmwareChoiceFile) + kAtomicTempSuffix));
    chooseNext("B", true);
    EXPECT_TRUE(selection.chooseDescriptionFile());
    EXPECT_EQ(firstRow(), "File B");
    EXPECT_EQ(readFile(kFirmwareChoiceFile), "A\r\n");
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(unitData.notes.size(), 1u);
}

}  // namespace
}  // namespace qu32
