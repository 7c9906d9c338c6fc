// The built qu32-cli as an operator runs it, for what main() does: the command-line checks, the
// help, the trace and the monitor, each against a simulated unit behind a pseudo-terminal.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <memory>
#include <string>

#include "parfiles/ParameterFile.h"
#include "platform/Files.h"
#include "support/TempFolder.h"

namespace qu32::test {
namespace {

constexpr char kProgram[] = QU32_CLI_PROGRAM;
// Generous: other builds share the machine, and describe over a pty takes seconds.
constexpr int kWaitMs = 60000;

// QProcess wants an application object.
class CoreApplication : public testing::Environment {
  public:
    void SetUp() override { app_ = std::make_unique<QCoreApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[9] = "test_cli";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] testing::Environment* const kApplication =
    testing::AddGlobalTestEnvironment(new CoreApplication);

struct Finished {
    int status = -1;
    QString out;
    QString err;
};

Finished runProgram(const QString& arguments) {
    QProcess p;
    p.start(kProgram, arguments.split(' ', Qt::SkipEmptyParts));
    p.closeWriteChannel();
    if (!p.waitForFinished(kWaitMs)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "qu32-cli " << arguments.toStdString() << " did not end";
    }
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << arguments.toStdString();
    return {p.exitCode(), QString::fromLocal8Bit(p.readAllStandardOutput()),
            QString::fromLocal8Bit(p.readAllStandardError())};
}

struct UsageCase {
    const char* arguments;
    const char* message;  // the first line on standard error
    bool summary;         // the command summary follows
};

// Run with a simulated unit, so that the commands reach the checks that need an open port.
const UsageCase kUsage[] = {
    {"", "No command given.", true},
    {"frob", "Unknown command 'frob'.", true},
    {"read", "read takes one two-character register code.", true},
    {"read 123", "read takes one two-character register code.", true},
    {"write 00", "write takes a register code and a value.", true},
    {"monitor now", "monitor takes no arguments.", true},
    {"show", "show takes one file name.", true},
    {"load a.par b.par", "load takes one file name.", true},
    {"print a.par b.par", "print takes at most one file name.", true},
    {"print", "print writes a PDF: give its name with --pdf FILE.", false},
    {"--copies 0 print", "--copies: 1 to 99, not '0'", false},
    {"--baud 1234 read 00", "--baud: not a baud rate the units use: '1234'", false},
    {"--format x,7,1 read 00",
     "--format: expected one of e,7,1 e,7,2 o,7,1 o,7,2 n,7,1 n,7,2 e,8,1 o,8,1 n,8,1 n,8,2, "
     "not 'x,7,1'",
     false},
    {"--unit 1 read 00", "--unit: two digits expected, not '1'", false},
    {"--timeout 9 read 00", "--timeout: 10 to 60000 ms, not '9'", false},
    {"--timeout 60001 read 00", "--timeout: 10 to 60000 ms, not '60001'", false},
    {"--simulate=nosuch read 00", "Unknown simulated model 'nosuch'. Models: generic tq593", false},
};

class Usage : public testing::TestWithParam<UsageCase> {};

TEST_P(Usage, ExitsWithStatus2AndSaysWhy) {
    const UsageCase& c = GetParam();
    const QString arguments = c.arguments;
    const Finished r = runProgram(
        arguments.contains("--simulate") ? arguments : "--simulate=generic " + arguments);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.startsWith(c.message)) << r.err.toStdString();
    EXPECT_EQ(r.err.contains("Commands:\n  read CODE"), c.summary) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, Usage, testing::ValuesIn(kUsage), [](const auto& info) {
    std::string name = std::to_string(info.index) + "_" + info.param.arguments;
    std::replace_if(
        name.begin(), name.end(), [](char c) { return !std::isalnum(c); }, '_');
    return name;
});

// Status 1 belongs to a failed unit or line: the parser's own errors are usage errors too, and a
// wrong command is one before any port is tried (COM 15 has no device).
TEST(UsageFromAnywhere, ExitsWithStatus2) {
    for (const char* arguments :
         {"--bogus read 00", "read 00 --baud", "--port 15 frob", "--port 15 read"})
        EXPECT_EQ(runProgram(arguments).status, 2) << arguments;
}

TEST(Help, ListsEveryCommand) {
    const Finished r = runProgram("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* command :
         {"read CODE", "write CODE VALUE", "status CODE", "version CODE", "identify", "describe",
          "monitor", "save FILE", "load FILE", "show FILE", "diff FILE", "print --pdf OUT"})
        EXPECT_TRUE(r.out.contains(QString("\n  ") + command + " ")) << command;
}

// show reads only the file: it works where no port does (COM 15 has no device).
TEST(Show, PrintsAFileWithoutAUnit) {
    TempFolder folder;
    UnitDescription set;
    set.parameterCount = 2;
    set.parameters[0].text = "Maschinendaten";
    set.parameters[0].code = "xx";
    set.parameters[1].text = "Kettenteilung";
    set.parameters[1].code = "01";
    set.parameters[1].value = "0120";
    set.parameters[1].format.minValue = 1;
    set.parameters[1].format.maxValue = 9999;
    const std::string path = folder.file("set.par");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(
        path, writeParameterFile({"TQ59312 ", "TQ59303 ", "Line 3, spare"}, set), error));

    const Finished r = runProgram("--port 15 show " + QString::fromStdString(path));
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.out.contains("Unit:        TQ593\nFirmware:    TQ59312 \nComments:    Line 3, "
                       "spare\n\nParameters (2):\n   0    Maschinendaten\n   1 01  "
                       "Kettenteilung                0120  range 1 .. 9999\n"))
        << r.out.toStdString();
    const Finished missing = runProgram("show " + QString::fromStdString(folder.file("none.par")));
    EXPECT_EQ(missing.status, 1);
    EXPECT_FALSE(missing.err.isEmpty());
}

// The text of a PDF as the poppler tools read it: its page count and its text in UTF-8.
struct PdfText {
    int pages = -1;
    QString text;
};

PdfText readPdf(const std::string& path) {
    PdfText pdf;
    QProcess info;
    info.start("pdfinfo", {QString::fromStdString(path)});
    if (!info.waitForFinished(kWaitMs) || info.exitCode() != 0) {
        ADD_FAILURE() << "pdfinfo cannot read " << path << " (poppler-utils installed?)";
        return pdf;
    }
    const auto pages = QRegularExpression("Pages:\\s+(\\d+)").match(info.readAllStandardOutput());
    pdf.pages = pages.hasMatch() ? pages.captured(1).toInt() : -1;
    QProcess text;
    text.start("pdftotext", {"-enc", "UTF-8", "-layout", QString::fromStdString(path), "-"});
    text.waitForFinished(kWaitMs);
    pdf.text = QString::fromUtf8(text.readAllStandardOutput());
    return pdf;
}

// A file's listing needs no unit either; the PDF is written without a display.
TEST(Print, WritesAFilesListingAsPdf) {
    TempFolder folder;
    UnitDescription set;
    set.parameterCount = 2;
    set.parameters[0].text = "Packungsl\xE4nge";
    set.parameters[0].code = "01";
    set.parameters[0].value = "0250.0";
    set.parameters[1].text = "Kettenteilung";
    set.parameters[1].code = "02";
    set.parameters[1].value = "0120";
    const std::string path = folder.file("set.par");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path,
                                    writeParameterFile({"TQ59312 ", "TQ59303 ",
                                                        "Linie 3\nR\xFC"
                                                        "ckseite"},
                                                       set),
                                    error));
    const std::string pdfPath = folder.file("list.pdf");

    const Finished r =
        runProgram("--port 15 --copies 3 print --pdf " + QString::fromStdString(pdfPath) + " " +
                   QString::fromStdString(path));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const PdfText pdf = readPdf(pdfPath);
    EXPECT_EQ(pdf.pages, 3);  // one page a copy
    EXPECT_EQ(pdf.text.count("QU 3.2 nimbus nimbus"), 3);
    EXPECT_TRUE(pdf.text.contains(QRegularExpression(QString::fromUtf8("Packungslänge +0250\\.0"))))
        << pdf.text.toStdString();
    EXPECT_TRUE(pdf.text.contains(QString::fromUtf8("Rückseite"))) << pdf.text.toStdString();
    EXPECT_TRUE(pdf.text.contains(QRegularExpression("Unit: +TQ593")));

    // A listing that cannot be written says so and leaves nothing behind.
    const Finished failed =
        runProgram("--port 15 print --pdf " + QString::fromStdString(folder.file("none/list.pdf")) +
                   " " + QString::fromStdString(path));
    EXPECT_EQ(failed.status, 1);
    EXPECT_TRUE(failed.err.contains("could not be saved")) << failed.err.toStdString();
}

struct TraceCase {
    const char* name;
    const char* options;
    const char* settings;
    const char* request;  // hex and text columns
};

const TraceCase kTraces[] = {
    {"Defaults", "", "COM 1 9600, 7, 1, E, unit 11", "04 31 31 30 30 05  \\|\\.1100\\.\\|"},
    {"Options", "--port 3 --baud 19200 --format n,8,2 --unit 42", "COM 3 19200, 8, 2, N, unit 42",
     "04 34 32 30 30 05  \\|\\.4200\\.\\|"},
};

class Trace : public testing::TestWithParam<TraceCase> {};

// The settings in use, then each frame: time in ms (width 10, 3 decimals), direction, bytes.
TEST_P(Trace, PrintsSettingsAndEveryFrame) {
    const TraceCase& c = GetParam();
    const Finished r = runProgram(QString("--simulate=tq593 --trace ") + c.options + " read 00");
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QString(c.settings) + "\n00 = 02500\n");
    const QString time = R"((?=.{10} [TR]X ) *\d+\.\d{3} )";
    const QRegularExpression expected(
        QString("^%1\\n%2TX %3\\n%2RX 02 30 30 30 32 35 30 30 03 34 "
                " \\|\\.0002500\\.4\\|\\n$")
            .arg(QRegularExpression::escape(c.settings), time, QString(c.request)));
    EXPECT_TRUE(expected.match(r.err).hasMatch()) << r.err.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cases, Trace, testing::ValuesIn(kTraces),
                         [](const auto& info) { return std::string(info.param.name); });

// Runs until the first polling pass is printed, then ends on "quit" from standard input.
TEST(Monitor, PrintsPassesUntilQuit) {
    TempFolder folder;
    QProcess p;
    p.start(kProgram, {"--simulate=tq593", "--program-folder",
                       QString::fromStdString(folder.path()), "monitor"});
    ASSERT_TRUE(p.waitForStarted(kWaitMs));
    // The inputs and outputs that are on by name, the value as the window shows it, no access
    // keys; the settings in use first.
    const QRegularExpression pass(
        R"(^COM 1 9600, 7, 1, E, Unit 11\n(.*\n)* *\d+\.\d s  .*TQ593.* \| in PC -; ext Stopp; )"
        R"(bus - \| out Bereit \| value [+-]\d+ \| Reset is OFF$)",
        QRegularExpression::MultilineOption);
    QString out;
    QElapsedTimer clock;
    clock.start();
    while (!pass.match(out).hasMatch() && p.state() == QProcess::Running &&
           clock.elapsed() < kWaitMs) {
        p.waitForReadyRead(100);
        out += QString::fromLocal8Bit(p.readAllStandardOutput());
    }
    p.write("quit\n");
    if (!p.waitForFinished(10000))
        p.kill();
    out += QString::fromLocal8Bit(p.readAllStandardOutput());
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 0);
    EXPECT_TRUE(pass.match(out).hasMatch()) << out.toStdString();
    EXPECT_TRUE(p.readAllStandardError().contains("simulated unit: OK quit"));
}

// A unit whose state stands still gives one line, not one a pass; --every-pass gives them all.
// Passes are counted by their frames on the trace, so the machine's speed does not matter.
TEST(Monitor, PrintsALineWhenSomethingChanges) {
    TempFolder folder;
    const QRegularExpression passLine(R"(\| value .*\n)");
    for (const bool everyPass : {false, true}) {
        QProcess p;
        QStringList arguments{"--simulate=generic", "--trace", "--program-folder",
                              QString::fromStdString(folder.path()), "monitor"};
        if (everyPass)
            arguments.prepend("--every-pass");
        p.start(kProgram, arguments);
        ASSERT_TRUE(p.waitForStarted(kWaitMs));
        QString out, trace;
        qsizetype framesAtFirstLine = -1;
        QElapsedTimer clock;
        clock.start();
        // Polling goes on for well over three passes after the first line.
        constexpr qsizetype kFramesOfSeveralPasses = 16;
        while (p.state() == QProcess::Running && clock.elapsed() < kWaitMs) {
            p.waitForReadyRead(100);
            out += QString::fromLocal8Bit(p.readAllStandardOutput());
            trace += QString::fromLocal8Bit(p.readAllStandardError());
            const qsizetype frames = trace.count(" TX ");
            if (framesAtFirstLine < 0 && out.contains(passLine))
                framesAtFirstLine = frames;
            if (framesAtFirstLine >= 0 && frames - framesAtFirstLine > kFramesOfSeveralPasses)
                break;
        }
        p.write("quit\n");
        if (!p.waitForFinished(10000))
            p.kill();
        ASSERT_GE(framesAtFirstLine, 0) << "no pass printed";
        const qsizetype lines = out.count(passLine);
        if (everyPass)
            EXPECT_GE(lines, 3) << out.toStdString();
        else
            EXPECT_EQ(lines, 1) << out.toStdString();
    }
}

}  // namespace
}  // namespace qu32::test
