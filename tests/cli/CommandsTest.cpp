// qu32-cli's commands run in-process over a link to a simulated unit on virtual time: what they
// print to standard output and standard error, and the exit status.
#include "cli/Commands.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "support/LinkFixture.h"
#include "support/TempFolder.h"
#include "unit/ValueEncoding.h"

namespace qu32::test {
namespace {

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class CliCommand : public LinkFixture {
  protected:
    explicit CliCommand(const std::string& model) : LinkFixture(model) {}
    Outcome run(const QString& command, const std::string& firmware = {}) {
        cli::CommandOptions options;
        options.firmware = firmware;
        return run(command, options);
    }
    Outcome run(const QString& command, cli::CommandOptions options) {
        options.programFolder = folder.path();
        char* text[2] = {};
        std::size_t size[2] = {};
        std::FILE* out = open_memstream(&text[0], &size[0]);
        std::FILE* err = open_memstream(&text[1], &size[1]);
        const int status =
            cli::runCommand(link, command.split(' ', Qt::SkipEmptyParts), out, err, options);
        std::fclose(out);
        std::fclose(err);
        Outcome r{status, {text[0], size[0]}, {text[1], size[1]}};
        std::free(text[0]);
        std::free(text[1]);
        return r;
    }
    TempFolder folder;
};

struct CommandCase {
    const char* model;
    const char* command;
    void (*prepare)(sim::SimUnit&);
    int status;
    const char* out;
    const char* err;  // for status 2 followed by the command summary
};

const CommandCase kCommands[] = {
    {"tq593", "read 00", nullptr, 0, "00 = 02500\n", ""},
    {"generic", "read 01", nullptr, 0, "01 = +001234\n", ""},
    {"tq593", "status 87", nullptr, 0, "87 = 16384 (0x4000)\n", ""},
    // A word with bit 15 set is negative in decimal but stays four hex digits.
    {"tq593", "status 85", [](sim::SimUnit& u) { u.setStatus({.outputs = 0x8001}); }, 0,
     "85 = -32767 (0x8001)\n", ""},
    {"tq593", "version 9/", nullptr, 0, "9/ = DPV10204\n", ""},
    {"tq593", "identify", nullptr, 0,
     "Model:               TQ593\nSoftware version:    TQ59312 \n"
     "Standard version:    TQ59303 \nCoprocessor version: DPV10204\nUnit group:          9\n"
     "Multi-read:          yes\n",
     ""},
    {"generic", "identify", nullptr, 0,
     "Model:               TQ593\nSoftware version:    TQ593V12\n"
     "Standard version:    TQ593S04\nCoprocessor version: -\nUnit group:          9\n"
     "Multi-read:          no\n",
     ""},
    {"tq593", "read 00", [](sim::SimUnit& u) { u.unplug(); }, 1, "",
     "Error -4: Timeout during reading header. (Serial.Read_Parameter)\nHint: check the unit "
     "address (--unit), baud rate (--baud), format (--format) and the cable; qu32-cli scan "
     "searches for the unit.\n"},
    {"tq593", "read zz", nullptr, 1, "", "Error -3: Unknown code. (Serial.Read_Parameter)\n"},
    {"tq593", "write 00 999999", nullptr, 1, "",
     "Error -2: Response is not ACK. (Transmit_Parameter)\n"},
    {"tq593", "status 00", nullptr, 1, "", "Error -17: 4te char isn't Asc(H) (Read_Status)\n"},
    {"tq593", "version 99 98", nullptr, 2, "", "version takes one register code.\n"},
    {"tq593", "identify now", nullptr, 2, "", "identify and describe take no arguments.\n"},
};

class CommandOutput : public CliCommand, public ::testing::WithParamInterface<CommandCase> {
  protected:
    CommandOutput() : CliCommand(GetParam().model) {}
};

TEST_P(CommandOutput, PrintsAndExits) {
    const CommandCase& c = GetParam();
    if (c.prepare)
        c.prepare(unit);
    const Outcome r = run(c.command);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.status == cli::kExitUsage ? c.err + std::string(cli::commandSummary())
                                                 : std::string(c.err));
}

std::string caseName(const ::testing::TestParamInfo<CommandCase>& info) {
    std::string name =
        std::to_string(info.index) + "_" + info.param.model + "_" + info.param.command;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, CommandOutput, ::testing::ValuesIn(kCommands), caseName);

class Tq593 : public CliCommand {
  protected:
    Tq593() : CliCommand("tq593") {}
};

TEST_F(Tq593, WrittenValueIsReadBack) {
    const Outcome r = run("write 05 -0042");
    ASSERT_EQ(r.status, cli::kExitDone) << r.err;
    EXPECT_EQ(r.out, "05 written: -0042\n");
    EXPECT_EQ(unit.registerValue("05"), "-0042");
    EXPECT_EQ(run("read 05").out, "05 = -0042\n");
}

// set works like Enter in the window's list; a value it cannot send never reaches the unit.
TEST_F(Tq593, SetChecksTheTypedValueThenWritesStoresAndReadsBack) {
    const Outcome r = run("set 05 -12.5");
    ASSERT_EQ(r.status, cli::kExitDone) << r.err;
    EXPECT_EQ(r.out, "05 Nullpunkt-Offset: -0015.0 -> -0012.5, stored in the EEPROM\n");
    EXPECT_EQ(
        formatValue(unit.registerValue("05").value_or(""), {6, kSignKindSigned, 5, -9999, 9999}),
        "-0012.5");

    const Outcome outside = run("set 05 1000.0");
    EXPECT_EQ(outside.status, cli::kExitUsage);
    EXPECT_EQ(outside.err,
              "05 Nullpunkt-Offset: '1000.0' is outside the range -999.9 .. 999.9. Nothing was "
              "sent.\n");
    EXPECT_EQ(
        formatValue(unit.registerValue("05").value_or(""), {6, kSignKindSigned, 5, -9999, 9999}),
        "-0012.5");
    EXPECT_EQ(run("set 7x 1").status, cli::kExitUsage);
}

TEST_F(Tq593, ValuesShowsEveryParameterAsTheWindowDoes) {
    const Outcome r = run("values");
    ASSERT_EQ(r.status, cli::kExitDone) << r.err;
    const QString out = QString::fromLocal8Bit(r.out.data(), static_cast<qsizetype>(r.out.size()));
    EXPECT_TRUE(
        out.contains(QRegularExpression("\\n  Nullpunkt-Offset +05 +-0015\\.0 +-999\\.9 \\.\\. "
                                        "999\\.9\\n")))
        << r.out;
    EXPECT_TRUE(out.contains("\nMaschinendaten\n")) << r.out;
}

// Texts are Latin-1 and printed in the terminal's encoding, where an umlaut takes two bytes: the
// columns after them must still start at one character column for every row.
TEST_F(Tq593, DescribeColumnsLineUpByCharacters) {
    const Outcome r = run("describe");
    ASSERT_EQ(r.status, cli::kExitDone) << r.err;
    EXPECT_EQ(r.err, "");
    const QString out = QString::fromLocal8Bit(r.out.data(), static_cast<qsizetype>(r.out.size()));
    EXPECT_TRUE(out.contains("\nParameters (73):\n")) << r.out;
    EXPECT_TRUE(out.contains(QString::fromUtf8("   7 St\u00f6rung\n")));
    EXPECT_TRUE(out.contains("\n   0      Maschinendaten\n")) << r.out;

    EXPECT_TRUE(out.contains(
        QRegularExpression("\n   # code text {25}width  sign     decimal  range / value\n")));
    const QRegularExpression paramRow(R"(^ *\d+ \d\d   (.*?) + \d+  (signed|unsigned|#) )");
    const QRegularExpression inputRow(R"(^ *\d+ (.*?) *((?: settable| external)+)$)");
    const QRegularExpression umlaut(QString::fromUtf8("[\u00e4\u00f6\u00fc\u00df]"));
    std::set<qsizetype> paramColumns;
    std::set<qsizetype> inputColumns;
    int paramRows = 0;
    int umlautRows = 0;
    for (const QString& line : out.split('\n')) {
        if (const auto m = paramRow.match(line); m.hasMatch()) {
            ++paramRows;
            paramColumns.insert(m.capturedStart(2));
            umlautRows += m.captured(1).contains(umlaut);
        } else if (const auto i = inputRow.match(line); i.hasMatch()) {
            inputColumns.insert(i.capturedStart(2));
            umlautRows += i.captured(1).contains(umlaut);
        }
    }
    EXPECT_EQ(paramRows, 62);
    EXPECT_EQ(umlautRows, 13) << r.out;
    EXPECT_EQ(paramColumns.size(), 1u) << r.out;
    EXPECT_EQ(inputColumns.size(), 1u) << r.out;
}

TEST_F(Tq593, DescribeSaysAFirmwareNameIsNotNeeded) {
    const Outcome r = run("describe", "Line-A");
    EXPECT_EQ(r.status, cli::kExitDone);
    EXPECT_EQ(r.err, "Note: --firmware is not needed for this unit and was ignored.\n");
    EXPECT_NE(r.out.find("Parameters (73):"), std::string::npos);
}

// The unit's set kept in a file and brought back: diff names what changed, load restores it and
// stores it only on request.
TEST_F(Tq593, SaveDiffLoadRestoresTheSet) {
    const QString file = QString::fromStdString(folder.file("set.par"));
    cli::CommandOptions options;
    options.comment = "Line 3, spare";
    const Outcome saved = run("save " + file, options);
    ASSERT_EQ(saved.status, cli::kExitDone) << saved.err;
    EXPECT_EQ(saved.out, file.toStdString() + ": 73 parameters of the TQ593 saved\n");
    EXPECT_NE(saved.err.find("Reading values 62/62\n"), std::string::npos);

    const std::string original = *unit.registerValue("01");
    unit.setRegisterValue("01", "0777");
    const Outcome diff = run("diff " + file);
    EXPECT_EQ(diff.status, cli::kExitFailed);
    EXPECT_TRUE(diff.out.starts_with("01  Kettenteilung") && diff.out.ends_with("unit 0777\n"))
        << diff.out;
    EXPECT_EQ(std::count(diff.out.begin(), diff.out.end(), '\n'), 1);

    const Outcome loaded = run("load " + file);
    ASSERT_EQ(loaded.status, cli::kExitDone) << loaded.err;
    EXPECT_EQ(*unit.registerValue("01"), original);
    EXPECT_EQ(*unit.storedValue("01"), "0777") << "not stored without --store";
    options.store = true;
    ASSERT_EQ(run("load " + file, options).status, cli::kExitDone);
    EXPECT_TRUE(unit.unstoredValues().empty());
    EXPECT_EQ(*unit.storedValue("01"), original);
    EXPECT_EQ(run("diff " + file).out, "no differences\n");
}

TEST_F(Tq593, LoadNamesRefusedValuesAndStoresNothing) {
    const QString file = QString::fromStdString(folder.file("set.par"));
    ASSERT_EQ(run("save " + file).status, cli::kExitDone);
    unit.setRegisterValue("02", "05000");
    // Every attempt to write register 05 is refused; reading it back works.
    unit.injectFault({sim::FaultKind::Nak, "05", 5});
    cli::CommandOptions options;
    options.store = true;
    const Outcome r = run("load " + file, options);
    EXPECT_EQ(r.status, cli::kExitFailed);
    EXPECT_TRUE(r.out.starts_with("refused: 05  Nullpunkt-Offset")) << r.out;
    EXPECT_NE(r.err.find("1 refused, 0 differ; nothing stored in the EEPROM.\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(*unit.storedValue("02"), "05000");
}

TEST_F(Tq593, AFileForAnotherUnitLoadsOnlyWithForce) {
    const std::string path = folder.file("other.par");
    const QString file = QString::fromStdString(path);
    ASSERT_EQ(run("save " + file).status, cli::kExitDone);
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    bytes.replace(22, 5, "QX777");
    std::ofstream(path, std::ios::binary) << bytes;

    const Outcome refused = run("load " + file);
    EXPECT_EQ(refused.status, cli::kExitFailed);
    EXPECT_TRUE(refused.err.starts_with("The file contains data of a  QX777  with firmware"))
        << refused.err;
    EXPECT_TRUE(unit.unstoredValues().empty() && refused.out.empty()) << "nothing written";
    cli::CommandOptions options;
    options.force = true;
    EXPECT_EQ(run("load " + file, options).status, cli::kExitDone);
}

// A unit that identification cannot name takes its description from a file in the program
// folder, chosen by name.
class Um516x : public CliCommand {
  protected:
    Um516x() : CliCommand("um516x") {
        std::filesystem::copy(QU32_SIM_DESCRIPTIONS_DIR, folder.path(),
                              std::filesystem::copy_options::recursive);
    }
};

TEST_F(Um516x, DescribeWithoutFirmwareListsTheDescriptionFiles) {
    const Outcome r = run("describe");
    EXPECT_EQ(r.status, cli::kExitUsage);
    EXPECT_TRUE(r.out.starts_with("Model:               516 Series\n")) << r.out;
    EXPECT_EQ(r.out.find("Parameters"), std::string::npos) << r.out;
    EXPECT_EQ(r.err,
              "The unit was not identified and matches no built-in data set.\n"
              "Choose its description with --firmware NAME. Description files in " +
                  folder.path() + ":\n  Line-A\n  Line-B\n");
}

TEST_F(Um516x, DescribeWithFirmwareTakesThatFile) {
    for (const auto& [firmware, rows] : {std::pair{"Line-B", "10"}, {"Line-A", "27"}}) {
        const Outcome r = run("describe", firmware);
        EXPECT_EQ(r.status, cli::kExitDone) << firmware << ": " << r.err;
        EXPECT_NE(r.out.find(std::string("\nParameters (") + rows + "):\n"), std::string::npos)
            << firmware << ": " << r.out;
    }
}

}  // namespace
}  // namespace qu32::test
