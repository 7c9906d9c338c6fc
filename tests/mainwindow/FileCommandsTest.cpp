#include <filesystem>

#include "operations/OperationFixture.h"
#include "parfiles/ParameterFile.h"
#include "platform/Files.h"
#include "support/DosFile.h"

namespace qu32::test {
namespace {

namespace fs = std::filesystem;

// The main window's Open, Save and Save As on real files, connected to a simulated unit.
class FileCommandsTest : public OperationFixture {
  protected:
    std::string path(const std::string& name) const { return temp.file(name); }
    static void put(const std::string& file, const std::string& bytes) {
        std::string error;
        ASSERT_TRUE(writeFileAtomically(file, bytes, error)) << error;
    }
    static std::string contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static bool writable(const std::string& file) {
        return (fs::status(file).permissions() & fs::perms::owner_write) != fs::perms::none;
    }
    // The unit's table as a file, under another identity when given.
    std::string fileOf(const std::string& comment = {}, const std::string& firmware = {},
                       const std::string& type = {}) {
        const UnitIdentity& id = window.unit.identity;
        return writeParameterFile({firmware.empty() ? id.softwareVersion : firmware,
                                   type.empty() ? id.standardVersion : type, comment},
                                  window.unit.description);
    }
    void open(const std::string& file, std::deque<MsgAnswer> answers = {}) {
        dialogs.shown.clear();
        dialogs.answers = std::move(answers);
        dialogs.chosenFiles = {file};
        window.commands.openClicked();
    }
    void saveAs(const std::string& file, std::optional<std::string> comment) {
        dialogs.chosenFiles = {file};
        dialogs.comments = {std::move(comment)};
        window.commands.saveAsClicked();
        ASSERT_TRUE(runPending());
    }
    std::string shownText(std::size_t k = 0) const {
        return k < dialogs.shown.size() ? dialogs.shown[k].text : "(nothing shown)";
    }
};

TEST_F(FileCommandsTest, SaveAsOpenAndSaveKeepTheSetCommentAndIdentity) {
    const std::string set = path("line7.par");
    saveAs(set, "a,b");
    ASSERT_EQ(dialogs.commentQuestions.size(), 1u);
    EXPECT_NE(dialogs.commentQuestions[0].find(shortenPath(set, 40)), std::string::npos);
    const FileDialogRequest& request = dialogs.fileRequests.at(0);
    EXPECT_EQ(request.title, "SAVE FILE AS ...");
    EXPECT_EQ(request.folder, folder) << "the program folder while no file is in use";
    EXPECT_EQ(request.defaultSuffix, "par");
    EXPECT_EQ(contents(set), fileOf("a,b"));
    EXPECT_EQ(window.file.path, set);
    EXPECT_TRUE(window.controls.saveEntry.enabled() && window.controls.closeEntry.enabled());
    EXPECT_NE(window.controls.window.caption().find("  -  " + set), std::string::npos);

    // An edit, then Open of the saved file without saving the edit.
    const std::string saved = param("01").value;
    param("01").value = "0777";
    window.file.changed = true;
    open(set, {MsgAnswer::No});
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(shownText(0), "Save changes to file " + set + " ?");
    EXPECT_EQ(shownText(1), "Comments on file  '" + shortenPath(set, 40) + "' : \r\ra,b");
    EXPECT_EQ(dialogs.shown[1].title, "File Comments");
    EXPECT_EQ(dialogs.fileRequests.back().folder, temp.path()) << "the folder of the file in use";
    EXPECT_EQ(param("01").value, saved);
    EXPECT_FALSE(window.file.changed);
    EXPECT_EQ(window.list.top(), 1) << "row 0 is a heading";

    // Save keeps name, identity and comment, and writes the edit.
    param("01").value = "0777";
    window.file.changed = true;
    window.commands.saveClicked();
    ASSERT_TRUE(runPending());
    EXPECT_EQ(contents(set), fileOf("a,b"));
    EXPECT_FALSE(window.file.changed);

    // Cancelled choosers change nothing.
    dialogs.fileRequests.clear();
    window.commands.saveAsClicked();
    ASSERT_TRUE(runPending());
    window.commands.openClicked();
    EXPECT_EQ(dialogs.fileRequests.size(), 2u);
    EXPECT_EQ(window.file.path, set);
    EXPECT_EQ(param("01").value, "0777");
}

// "Yes" to the question saves the edited table into the old file before the new one replaces it;
// a save that fails stops the open, with the reason shown and the old file whole.
TEST_F(FileCommandsTest, SaveBeforeOpenAndFailedSavesLoseNothing) {
    const std::string old = path("old.par");
    const std::string other = path("other.par");
    saveAs(old, std::nullopt);
    put(other, fileOf());
    param("01").value = "0777";
    window.file.changed = true;
    const std::string edited = fileOf();

    fs::create_directory(old + kAtomicTempSuffix);
    open(other, {MsgAnswer::Yes});
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(shownText(1).rfind("The file " + old + " could not be saved.\r", 0), 0u);
    EXPECT_NE(contents(old), edited) << "the old file as it was";
    EXPECT_EQ(window.file.path, old);
    EXPECT_TRUE(window.file.changed);
    EXPECT_EQ(param("01").value, "0777");

    fs::remove(old + kAtomicTempSuffix);
    open(other, {MsgAnswer::Yes});
    EXPECT_EQ(contents(old), edited);
    EXPECT_EQ(window.file.path, other);
    EXPECT_NE(param("01").value, "0777");
}

TEST_F(FileCommandsTest, FilesThatAreNoParameterFilesAreRefusedWithTheTableUnchanged) {
    const std::string dosSignature = "\xBB\x7F\xA2\x04";
    const struct {
        std::string bytes;
        std::string message;
    } cases[] = {
        {"", " is no QU 3.0 parameter file !"},
        {dosSignature + std::string(227, 'x'), " is no QU 3.0 parameter file !"},
        {"Length, 00, 0123, 1, 9999,\r\n", " is no nimbus parameter file !"},
        {std::string(300, 'x'), " is no nimbus parameter file !"},
    };
    const std::string before = fileOf();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.size());
        const std::string file = path("bad.par");
        put(file, c.bytes);
        const int beeps = dialogs.beeps;
        open(file);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(shownText(), file + c.message);
        EXPECT_EQ(dialogs.shown[0].title, "ERROR MESSAGE");
        EXPECT_EQ(dialogs.beeps, beeps + 1);
        EXPECT_EQ(fileOf(), before);
        EXPECT_EQ(window.file.path, "");
    }
}

// The converted set stands in the list as changed, so that the operator is offered to save it in
// the new format; the identity and comment of the file in use stay.
TEST_F(FileCommandsTest, AnOldDosFileOpensConvertedOnlyWhenAccepted) {
    const std::string set = path("set.par");
    saveAs(set, "kept");
    const std::string dos = path("OLD.PAR");
    put(dos, dosFile({dosRecord({"Settings", "xx", "", "", "", "", ""}),
                      dosRecord({"Speed              +0123.4", "12", " 20", " 26", "+", "-1000",
                                 "1000"})}));
    const std::string label = "DOS-based software QU 1.1. When saved, it will be converted\r";

    open(dos, {MsgAnswer::No});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(shownText(), "The file " + dos + " has been created with the\r" + label +
                               "to the nimbus format.\r\rOpen file " + dos + " ?");
    EXPECT_EQ(window.file.path, set);
    EXPECT_GT(window.unit.description.parameterCount, 2);

    open(dos, {MsgAnswer::Yes});
    const UnitDescription& d = window.unit.description;
    ASSERT_EQ(d.parameterCount, 2);
    EXPECT_EQ(d.parameters[1].text + "|" + d.parameters[1].value, "Speed|+0123.4");
    EXPECT_EQ(window.file.path, dos);
    EXPECT_TRUE(window.file.changed);
    EXPECT_EQ(window.list.top(), 1);
    window.commands.saveClicked();
    ASSERT_TRUE(runPending());
    const std::string saved = contents(dos);
    EXPECT_TRUE(saved.starts_with(kParameterFileMarker)) << "saved in the new format";
    EXPECT_EQ(readParameterFile(saved).header.comment, "kept");
}

// The check is made in every state but the first, the disabled one included.
TEST_F(FileCommandsTest, AFileForAnotherUnitOpensOnlyWhenTheOperatorSaysSo) {
    const std::string file = path("other-unit.par");
    const UnitIdentity& id = window.unit.identity;
    const std::string original = param("01").value;
    param("01").value = "0777";
    put(file, fileOf({}, "XY12345 ", "QX777   "));
    param("01").value = original;

    open(file, {MsgAnswer::No});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(shownText(),
              "The version infos of the parameter file  " + file +
                  "  and the connected unit are different.\rThe file contains data of a  QX777  "
                  "with firmware  XY12345 .\rThe connected unit is a  " +
                  id.standardVersion.substr(0, 5) + "  with firmware  " + id.softwareVersion +
                  ".\r\rMake sure that the file contains a valid data set for the connected "
                  "unit before opening it.\r\rOpen file " +
                  file + " ?");
    EXPECT_EQ(dialogs.shown[0].icon, MsgIcon::Exclamation);
    EXPECT_EQ(param("01").value, original);

    window.commands.disableClicked();
    ASSERT_TRUE(runPending());
    open(file, {MsgAnswer::Yes});
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(param("01").value, "0777");
    EXPECT_EQ(window.file.path, file);
}

TEST_F(FileCommandsTest, WriteProtectionIsLiftedOnlyWhenTheOperatorAgrees) {
    const struct {
        std::string bytes;
        MsgAnswer answer;
        bool writableAfter;
    } cases[] = {
        {fileOf(), MsgAnswer::Yes, true},
        {fileOf(), MsgAnswer::No, false},
        {"not a parameter file", MsgAnswer::No, false},
        {"not a parameter file", MsgAnswer::Yes, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(&c - cases));
        const std::string file = path("protected.par");
        fs::remove(file);
        put(file, c.bytes);
        fs::permissions(file, fs::perms::owner_read | fs::perms::group_read);
        open(file, {c.answer});
        ASSERT_FALSE(dialogs.shown.empty());
        EXPECT_EQ(shownText(), "The file '" + file +
                                   "' is read only.\rIf you want to make any changes to this "
                                   "file its write protection must be removed.\r\rRemove write "
                                   "protection from file '" +
                                   file + "' ?");
        EXPECT_EQ(writable(file), c.writableAfter);
        fs::permissions(file, fs::perms::owner_all);
    }
}

// File > Print lists the connected unit's rows under its identity while no file is in use.
TEST_F(FileCommandsTest, PrintListsTheUnitsRows) {
    dialogs.printCopies = 1;
    window.commands.printClicked();
    ASSERT_EQ(dialogs.printTitles, std::vector<std::string>{"PRINT"});
    ASSERT_TRUE(dialogs.printed);
    const auto& texts = dialogs.printed->texts;
    const Parameter& first = window.unit.description.parameters[0];
    const auto row = std::find_if(texts.begin(), texts.end(),
                                  [&](const auto& t) { return t.text == first.text; });
    ASSERT_NE(row, texts.end());
    EXPECT_EQ(row->y, (5 + 10) * 200) << "the first row on line 10";
    EXPECT_EQ(dialogs.printed->documentsEnded, 1);
}

// Before communication is established there is no unit to compare the file with.
class FileCommandsOffline : public MainWindowFixture {};

TEST_F(FileCommandsOffline, InitialisationNeverAsksAboutTheIdentity) {
    UnitDescription set;
    set.parameterCount = 2;
    set.parameters[0] = {};
    set.parameters[0].text = "Length";
    set.parameters[0].code = "00";
    set.parameters[0].value = "0123";
    set.parameters[1].text = "Pitch";
    set.parameters[1].code = "01";
    set.parameters[1].value = "-05.5";
    const std::string file = temp.file("other.par");
    std::string error;
    ASSERT_TRUE(
        writeFileAtomically(file, writeParameterFile({"XY12345 ", "QX777   ", ""}, set), error));
    ASSERT_EQ(window.state(), CycleState::Init);
    dialogs.chosenFiles = {file};
    window.openParameterFile();
    EXPECT_TRUE(dialogs.shown.empty());
    ASSERT_EQ(window.unit.description.parameterCount, 2);
    EXPECT_EQ(window.unit.description.parameters[1].value, "-05.5");
    EXPECT_TRUE(window.controls.printEntry.enabled());
}

}  // namespace
}  // namespace qu32::test
