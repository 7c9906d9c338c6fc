#include "cli/CliOptions.h"

#include <QFile>
#include <QRegularExpression>

#include "qt/CommandLine.h"

namespace qu32::cli {

namespace {

// Put in front of a protected argument; no command line holds it.
constexpr QChar kProtected(0xE000);

QList<QCommandLineOption> commonOptions() {
    return {
        {"port", "COM port number, optionally with the device it stands for (5=/dev/ttyUSB0).",
         "N[=DEVICE]"},
        {"baud", "Baud rate: 600, 1200, 2400, 4800, 9600, 19200 or 38400.", "B", "9600"},
        {"format", "Serial format: parity, data bits, stop bits (e,7,1 ... n,8,2).", "FORMAT",
         "e,7,1"},
        {"unit", "Unit address, two digits.", "NN", "11"},
        {"timeout", "Answer time-out in milliseconds.", "MS", "1000"},
        {"trace", "Print every frame sent and received."},
        {"simulate",
         "Talk to a simulated unit behind a pseudo-terminal instead of a real port "
         "(optionally naming its model).",
         "MODEL"},
        {kProgramFolderOption,
         "Folder of the description files and the firmware choice (default: the program's "
         "folder).",
         "DIR"},
        {"firmware",
         "Description file (.cof name without extension) for a unit that cannot be "
         "identified; used by describe.",
         "NAME"},
        {"comment", "save: the comment written into the file (at most 200 characters).", "TEXT"},
        {"store", "load: store the values in the unit's EEPROM once all read back equal."},
        {"force", "load: also load a file written for another unit or firmware."},
        {"pdf", "print: the PDF file to write.", "FILE"},
        {"copies", "print: copies of the listing in the PDF (1 to 99).", "N", "1"},
        {"every-pass", "monitor: print every polling pass, not only the ones that changed."},
    };
}

bool isNegativeNumber(const QString& argument) {
    return argument.size() > 1 && argument[0] == '-' &&
           (argument[1].isDigit() || (argument[1] == '.' && argument.size() > 2));
}

}  // namespace

void addCommonOptions(QCommandLineParser& parser) {
    parser.addOptions(commonOptions());
}

QStringList protectNegativeNumbers(const QStringList& arguments) {
    QStringList valued;
    for (const QCommandLineOption& option : commonOptions()) {
        if (!option.valueName().isEmpty())
            valued << option.names();
    }
    QStringList result;
    bool optionValueNext = false;
    bool optionsEnded = false;
    for (const QString& a : arguments) {
        if (!optionsEnded && !optionValueNext && isNegativeNumber(a))
            result << kProtected + a;
        else
            result << a;
        optionsEnded = optionsEnded || a == "--";
        optionValueNext =
            !optionsEnded && a.startsWith("--") && !a.contains('=') && valued.contains(a.mid(2));
    }
    return result;
}

QStringList unprotect(QStringList positionalArguments) {
    for (QString& a : positionalArguments) {
        if (a.startsWith(kProtected))
            a.remove(0, 1);
    }
    return positionalArguments;
}

std::optional<std::string> readCommonOptions(const QCommandLineParser& parser, CliOptions& out) {
    if (parser.isSet("port")) {
        const QString text = parser.value("port");
        if (text.contains('=')) {
            int com = 0;
            std::string device;
            if (!out.portMap.parseOverride(text.toStdString(), com, device))
                return out.portMap.lastError();
            out.portMap.set(com, device);
            out.serial.comPort = com;
        } else {
            bool ok = false;
            const int com = text.toInt(&ok);
            if (!ok || com < kFirstComPort || com > kLastComPort)
                return "--port: COM number must be 1 to 15, not '" + text.toStdString() + "'";
            out.serial.comPort = com;
        }
    }
    bool ok = false;
    const int baud = parser.value("baud").toInt(&ok);
    out.serial.baudRateCode = -1;
    for (int i = 0; ok && i < kBaudRateCodeCount; ++i) {
        if (kBaudRates[i] == baud)
            out.serial.baudRateCode = i;
    }
    if (out.serial.baudRateCode < 0)
        return "--baud: not a baud rate the units use: '" + parser.value("baud").toStdString() +
               "'";
    const std::string format = parser.value("format").toLower().toStdString();
    out.serial.formatCode = -1;
    for (int i = 0; i < kSerialFormatCount; ++i) {
        if (format == kSerialFormats[i].text)
            out.serial.formatCode = i;
    }
    if (out.serial.formatCode < 0)
        return "--format: expected one of e,7,1 e,7,2 o,7,1 o,7,2 n,7,1 n,7,2 e,8,1 o,8,1 "
               "n,8,1 n,8,2, not '" +
               format + "'";
    const QString unit = parser.value("unit");
    if (!QRegularExpression("^[0-9]{2}$").match(unit).hasMatch())
        return "--unit: two digits expected, not '" + unit.toStdString() + "'";
    out.serial.unitAddress = unit.toStdString();
    out.timeoutMs = parser.value("timeout").toInt(&ok);
    if (!ok || out.timeoutMs < 10 || out.timeoutMs > 60000)
        return "--timeout: 10 to 60000 ms, not '" + parser.value("timeout").toStdString() + "'";
    out.trace = parser.isSet("trace");
    out.simulate = parser.isSet("simulate");
    if (out.simulate && !parser.value("simulate").isEmpty())
        out.simulateModel = parser.value("simulate").toStdString();
    out.programFolder = programFolderFrom(parser);
    if (out.programFolder.empty())
        return "--program-folder: a folder is needed";
    out.firmware = QFile::encodeName(parser.value("firmware")).toStdString();
    const QString comment = parser.value("comment");
    for (const QChar c : comment) {
        if (c.unicode() > 0xFF)
            return "--comment: '" + QString(c).toStdString() +
                   "' cannot be written into a parameter file";
    }
    out.comment = comment.toLatin1().toStdString();
    out.store = parser.isSet("store");
    out.force = parser.isSet("force");
    out.everyPass = parser.isSet("every-pass");
    out.pdfPath = QFile::encodeName(parser.value("pdf")).toStdString();
    out.copies = parser.value("copies").toInt(&ok);
    if (!ok || out.copies < 1 || out.copies > kMaxCopies)
        return "--copies: 1 to 99, not '" + parser.value("copies").toStdString() + "'";
    out.command = unprotect(parser.positionalArguments());
    return std::nullopt;
}

}  // namespace qu32::cli
