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
#include <vector>

#include "parfiles/Form13.h"
#include "settings/AtomicFile.h"
#include "settings/ProgramFolder.h"
#include "support/Answers.h"
#include "support/LinkFixture.h"

namespace qu32 {
namespace {

namespace fs = std::filesystem;
using test::answerFrame;
using Action = test::ScriptedDialogs::Form13Action;

// A description file whose model code and first parameter text tell which one was loaded.
std::string descriptionFile(const std::string& model, const std::string& firstText) {
    return model + ",AA45999\r\n2\r\n" + firstText +
           ",Factor\r\nxx,00\r\n-77,1\r\n-77,999\r\n0,2\r\n-1,-1\r\n1,1\r\n"
           "1\r\nReset\r\n54\r\n1\r\n1\r\nReady\r\n1\r\n";
}

// Answers of the shape a probe set expects: the right length, signed where it must be.
std::map<std::string, std::string> shapedAnswers(ProbeSet probe) {
    std::map<std::string, std::string> answers;
    for (const ProbeRegister& r : probeSpec(probe).registers) {
        const auto length = static_cast<std::size_t>(r.answerLength);
        answers[std::string(r.code)] =
            r.isSigned ? "+" + std::string(length - 1, '1') : std::string(length, '1');
    }
    return answers;
}

std::vector<std::string> codesOf(ProbeSet probe) {
    std::vector<std::string> codes;
    for (const ProbeRegister& r : probeSpec(probe).registers)
        codes.emplace_back(r.code);
    return codes;
}

class FirmwareSelectionTest : public test::LinkFixture {
  protected:
    void SetUp() override {
        LinkFixture::SetUp();
        std::string pattern = (fs::temp_directory_path() / "qu32fwXXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        setProgramFolder(folder);
        port.clearWritten();
        // The unit of the data tests is not asked anything; every request is recorded.
        answerWith([](const std::string&) { return std::nullopt; });
        unitData.description.ParamCount = 1;
        unitData.description.params[0].ParamText = "from before";
    }
    void TearDown() override {
        setProgramFolder("");
        std::error_code ec;
        fs::remove_all(folder, ec);
    }

    // The unit answers a register with the text `answer` gives, or stays silent.
    void answerWith(std::function<std::optional<std::string>(const std::string& code)> answer) {
        port.setResponder([this, answer](const Bytes& request) {
            std::vector<sim::Chunk> chunks;
            if (request.size() < 6)
                return chunks;
            const std::string code{static_cast<char>(request[3]), static_cast<char>(request[4])};
            requests.push_back(code);
            if (const auto text = answer(code))
                chunks.push_back({5, answerFrame(code, *text)});
            return chunks;
        });
    }
    void answerFromMap(std::map<std::string, std::string> answers) {
        answerWith([answers](const std::string& code) -> std::optional<std::string> {
            const auto it = answers.find(code);
            if (it == answers.end())
                return std::nullopt;
            return it->second;
        });
    }

    std::string file(const std::string& name) const { return (fs::path(folder) / name).string(); }
    void writeFile(const std::string& name, const std::string& bytes) {
        std::ofstream(file(name), std::ios::binary) << bytes;
    }
    std::string readFile(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void unidentified() {
        unitData.identity.SoftwareVersion = kUnknownVersion;
        unitData.identity.StandardVersion = kUnknownVersion;
    }
    int count(const std::string& code) const {
        return static_cast<int>(std::count(requests.begin(), requests.end(), code));
    }

    std::string folder;
    UnitData unitData{link};
    FirmwareSelector selection{link, unitData, dialogs};
    std::vector<std::string> requests;
};

// ---------------------------------------------------------------------------------------------
// Built-in sets by firmware identifier.

TEST_F(FirmwareSelectionTest, KnownFirmwareInstallsItsBuiltInSetWithoutAskingTheUnit) {
    const struct {
        const char* firmware;
        BuiltInSet set;
    } kCases[] = {
        {"AA45901 ", BuiltInSet::A},
        {"AA45906 ", BuiltInSet::A},
        {"AA45907 ", BuiltInSet::B},
        {"AA45908 ", BuiltInSet::B},
        {"AA45909 ", BuiltInSet::C},
        {"AA45910 ", BuiltInSet::C},
        {"AA45911 ", BuiltInSet::D},
        {"AA45911A", BuiltInSet::D},
        {"AA45911B", BuiltInSet::D},
        {"81390710", BuiltInSet::E},
        {"81390715", BuiltInSet::E},
        // Seven characters in the eight-character field: padded with a space, so set D.
        {"AA45911", BuiltInSet::D},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.firmware);
        unitData.identity.SoftwareVersion = c.firmware;
        unitData.identity.StandardVersion = kUnknownVersion;
        ASSERT_TRUE(selection.SelectFirmwareDataSet());
        const DataSet& set = builtInDataSet(c.set);
        ASSERT_EQ(unitData.description.ParamCount, static_cast<int>(set.rows.size()));
        EXPECT_EQ(unitData.scrollMax, unitData.description.ParamCount - 1);
        for (std::size_t i = 0; i < set.rows.size(); ++i)
            EXPECT_EQ(unitData.description.params[i].ParamText, set.rows[i].text) << i;
    }
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(dialogs.form13Shown.empty());
}

TEST_F(FirmwareSelectionTest, OtherFirmwareLooksOnlyForItsCngFile) {
    const struct {
        const char* firmware;
        const char* standard;
        const char* fileName;  // nullptr: no file
        bool installed;
    } kCases[] = {
        // Half identified: the firmware is known, so its file is looked for, never the dialog.
        {"AA45999 ", kUnknownVersion, "AA45999.cng", true},
        {"AA45999 ", "AA459S12", "AA45999.cng", true},
        {"AA 459 9 ", "AA459S12", "AA4599.cng", true},
        {"AA45999 ", "AA459S12", "aa45999.CNG", true},
        // Identifiers are exact: a lower-case one selects no built-in set.
        {"aa45911 ", "AA459S12", "aa45911.cng", true},
        {"AA45912 ", "AA459S12", nullptr, false},
        {"AA45999 ", "AA459S12", "AA45999 .cng", false},
        {"????????", "AA459S12", nullptr, false},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(std::string(c.firmware) + " / " + c.standard);
        for (const auto& entry : fs::directory_iterator(folder))
            fs::remove(entry.path());
        if (c.fileName != nullptr)
            writeFile(c.fileName, descriptionFile("AA459", "From file"));
        unitData.identity.SoftwareVersion = c.firmware;
        unitData.identity.StandardVersion = c.standard;
        unitData.description.params[0].ParamText = "from before";

        EXPECT_EQ(selection.SelectFirmwareDataSet(), c.installed);
        EXPECT_EQ(unitData.description.params[0].ParamText,
                  c.installed ? "From file" : "from before");
    }
    // A missing file is not reported, and nobody is asked.
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(dialogs.form13Shown.empty());
    EXPECT_TRUE(requests.empty());
}

TEST_F(FirmwareSelectionTest, SelectorOfTheUnitData) {
    unitData.identity.SoftwareVersion = "AA45901 ";
    unitData.setFirmwareSelector([this] { return selection.SelectFirmwareDataSet(); });
    EXPECT_EQ(unitData.Read_UnitData("test"), 1);
    EXPECT_EQ(unitData.description.ParamCount, 30);
    EXPECT_TRUE(requests.empty());
}

// ---------------------------------------------------------------------------------------------
// Probe sets, for a unit that identification could not name.

TEST_F(FirmwareSelectionTest, BothProbesRunInOrderAndTheLaterFitStays) {
    // A unit that looks like a UM516 to the first probe and like an AA516 to the second.
    const auto um = shapedAnswers(ProbeSet::UM516);
    const auto aa = shapedAnswers(ProbeSet::AA516);
    const std::size_t umReads = codesOf(ProbeSet::UM516).size();
    answerWith([&, umReads](const std::string& code) -> std::optional<std::string> {
        return requests.size() <= umReads ? um.at(code) : aa.at(code);
    });
    unidentified();

    EXPECT_TRUE(selection.SelectFirmwareDataSet());
    std::vector<std::string> expected = codesOf(ProbeSet::UM516);
    const std::vector<std::string> aaCodes = codesOf(ProbeSet::AA516);
    expected.insert(expected.end(), aaCodes.begin(), aaCodes.end());
    EXPECT_EQ(requests, expected);
    EXPECT_EQ(unitData.identity.UnitType, "AA516");
    EXPECT_EQ(unitData.description.ParamCount, 19);
    EXPECT_EQ(unitData.scrollMax, 18);
    EXPECT_TRUE(dialogs.form13Shown.empty());
}

TEST_F(FirmwareSelectionTest, AFittingFirstProbeStaysWhenTheSecondFails) {
    answerFromMap(shapedAnswers(ProbeSet::UM516));
    unidentified();

    EXPECT_TRUE(selection.SelectFirmwareDataSet());
    EXPECT_EQ(unitData.identity.UnitType, "UM516");
    EXPECT_EQ(unitData.identity.SoftwareVersion, "713529xx");
    EXPECT_EQ(unitData.description.ParamCount, 22);
    EXPECT_EQ(unitData.scrollMax, 21);
    // The second probe still ran, up to the register the first set lacks: "50" never answers
    // and ends it after six failed attempts.
    EXPECT_EQ(requests.back(), "50");
    EXPECT_EQ(count("50"), kProbeFailureLimit + 1);
    EXPECT_TRUE(dialogs.form13Shown.empty());
}

TEST_F(FirmwareSelectionTest, ProbesGiveUpAfterSixFailuresOfARegisterThenTheOperatorChooses) {
    // A unit that never answers: each probe tries its first register six times.
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    unidentified();
    EXPECT_TRUE(selection.SelectFirmwareDataSet());
    EXPECT_EQ(requests, std::vector<std::string>(2 * (kProbeFailureLimit + 1), "00"));
    EXPECT_EQ(dialogs.form13Shown.size(), 1u);
    EXPECT_EQ(unitData.description.params[0].ParamText, "File A");
}

TEST_F(FirmwareSelectionTest, NoConfigurationFilesTellsTheOperator) {
    writeFile("notes.txt", "");
    fs::create_directory(file("folder.cof"));
    EXPECT_FALSE(selection.ChooseConfigFile());
    EXPECT_TRUE(dialogs.form13Shown.empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              "No QU 3.2 configuration files found! Initialisation will be done by scanning the "
              "connected unit.");
    EXPECT_EQ(dialogs.shown[0].title, company.titleText);
    EXPECT_EQ(dialogs.shown[0].buttons, MsgButtons::Ok);
    // No dialog was shown, so there is no choice to remember.
    EXPECT_FALSE(fs::exists(file(kFirmwareChoiceFile)));
}

TEST_F(FirmwareSelectionTest, LastChoiceIsPreselectedAndOkLoadsIt) {
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    writeFile("B.cof", descriptionFile("TV985", "File B"));
    writeFile(kFirmwareChoiceFile, "B\r\nanything after the first line\r\n");
    dialogs.pointer = MousePointer::Hourglass;

    EXPECT_TRUE(selection.ChooseConfigFile());
    ASSERT_EQ(dialogs.form13Shown.size(), 1u);
    const auto& shown = dialogs.form13Shown[0];
    EXPECT_EQ(shown.items, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(shown.text, "B");
    EXPECT_EQ(shown.caption, company.titleText);
    EXPECT_EQ(shown.pointer, MousePointer::Default);
    EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);

    EXPECT_EQ(unitData.description.params[0].ParamText, "File B");
    EXPECT_EQ(unitData.identity.UnitType, "TV985");
    EXPECT_EQ(readFile(kFirmwareChoiceFile), "B\r\n");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(unitData.notes.empty());
}

TEST_F(FirmwareSelectionTest, WithoutAStoredChoiceTheFirstNameIsShown) {
    writeFile("Zeta.cof", descriptionFile("AA459", "Zeta"));
    writeFile("Alpha.COF", descriptionFile("AA459", "Alpha"));
    writeFile(".hidden.cof", descriptionFile("AA459", "Hidden"));
    writeFile("Alpha.cof.bak", "");
    dialogs.form13Answers.push_back({"Alpha", Action::Ok});

    EXPECT_TRUE(selection.ChooseConfigFile());
    ASSERT_EQ(dialogs.form13Shown.size(), 1u);
    EXPECT_EQ(dialogs.form13Shown[0].items, (std::vector<std::string>{".hidden", "Alpha", "Zeta"}));
    EXPECT_EQ(dialogs.form13Shown[0].text, ".hidden");
    // The name is found in any case, as on the systems the files come from.
    EXPECT_EQ(unitData.description.params[0].ParamText, "Alpha");
}

TEST_F(FirmwareSelectionTest, EveryWayOfClosingRemembersTheShownName) {
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    writeFile("B.cof", descriptionFile("AA459", "File B"));
    const struct {
        std::string typed;
        Action action;
        const char* firstRow;  // of the description afterwards
        bool notFound;
    } kCases[] = {
        {"A", Action::Ok, "File A", false},
        {"A", Action::Cancel, "from before", false},
        {"A", Action::Close, "from before", false},
        {"", Action::Ok, "from before", false},
        {"C", Action::Ok, "from before", true},
        {"A ", Action::Ok, "from before", true},
        // Only files of the program folder can be chosen.
        {"../A", Action::Ok, "from before", true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.typed + " / " + std::to_string(static_cast<int>(c.action)));
        writeFile(kFirmwareChoiceFile, "B\r\n");
        unitData.description.params[0].ParamText = "from before";
        dialogs.shown.clear();
        dialogs.form13Answers.push_back({c.typed, c.action});

        EXPECT_EQ(selection.ChooseConfigFile(), c.firstRow != std::string("from before"));
        EXPECT_EQ(unitData.description.params[0].ParamText, c.firstRow);
        EXPECT_EQ(readFile(kFirmwareChoiceFile), c.typed + "\r\n");
        EXPECT_EQ(dialogs.pointer, MousePointer::Hourglass);
        if (!c.notFound) {
            EXPECT_TRUE(dialogs.shown.empty());
            continue;
        }
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text,
                  "The specified configuration file " + c.typed +
                      " was not found!\rInitialisation will be done by scanning the connected "
                      "unit.");
        EXPECT_EQ(dialogs.shown[0].title, company.titleText);
    }
}

TEST_F(FirmwareSelectionTest, AChoiceThatCannotBeRememberedIsStillLoaded) {
    writeFile("A.cof", descriptionFile("AA459", "File A"));
    writeFile("B.cof", descriptionFile("AA459", "File B"));
    writeFile(kFirmwareChoiceFile, "A\r\n");
    // Even root cannot write a temporary file where a folder of its name stands.
    fs::create_directory(file(std::string(kFirmwareChoiceFile) + kAtomicTempSuffix));
    dialogs.form13Answers.push_back({"B", Action::Ok});

    EXPECT_TRUE(selection.ChooseConfigFile());
    EXPECT_EQ(unitData.description.params[0].ParamText, "File B");
    EXPECT_EQ(readFile(kFirmwareChoiceFile), "A\r\n");
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(unitData.notes.size(), 1u);
}

}  // namespace
}  // namespace qu32
