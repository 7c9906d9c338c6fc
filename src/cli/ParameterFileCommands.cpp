#include "cli/ParameterFileCommands.h"

#include <QFile>
#include <chrono>
#include <ctime>
#include <optional>
#include <vector>

#include "cli/PdfListing.h"
#include "cli/UnitSession.h"
#include "parfiles/ParameterFile.h"
#include "parfiles/ParameterListing.h"
#include "platform/Files.h"
#include "serial/Retry.h"
#include "unit/LineSettings.h"
#include "unit/ValueEncoding.h"

namespace qu32::cli {

namespace {

constexpr int kActivateSettleMs = 100;
constexpr int kAfterReopenMs = 200;
constexpr char kCommandValue[] = "1";
// The name the window's messages give the file format (its title's tail); the command line reads
// no configuration, so it is the default title's.
constexpr char kProgramLabel[] = "nimbus";
constexpr std::size_t kCodeColumn = 2;
constexpr std::size_t kTextColumn = 28;
constexpr std::size_t kModelLength = 5;

// A parameter file's rows and header, DOS files converted.
struct FileSet {
    std::vector<Parameter> rows;
    ParameterFileHeader header;
    bool converted = false;
};

std::optional<FileSet> readFileSet(const std::string& path, std::FILE* err) {
    LocalFiles files;
    std::string error;
    const auto bytes = files.read(path, kMaxParameterFileBytes, error);
    if (!bytes) {
        std::fprintf(err, "%s\n", local(error).constData());
        return std::nullopt;
    }
    const ParameterFileContent content = readParameterFile(*bytes);
    FileSet set;
    switch (content.outcome) {
        case ParameterFileContent::Outcome::Read:
            set.rows = content.rows;
            set.header = content.header;
            return set;
        case ParameterFileContent::Outcome::NotMarked:
            if (isDosFile(content.headerText)) {
                const auto rows = convertDosFile(*bytes);
                if (!rows) {
                    std::fprintf(err, "%s holds a record that cannot be converted.\n",
                                 path.c_str());
                    return std::nullopt;
                }
                set.rows = *rows;
                set.converted = true;
                return set;
            }
            std::fprintf(err, "%s is no %s parameter file !\n", path.c_str(), kProgramLabel);
            return std::nullopt;
        case ParameterFileContent::Outcome::NoHeader:
            std::fprintf(err, "%s is no QU 3.0 parameter file !\n", path.c_str());
            return std::nullopt;
        case ParameterFileContent::Outcome::TooManyRows:
            std::fprintf(err, "%s holds more than %d parameters.\n", path.c_str(), kMaxParameters);
            return std::nullopt;
    }
    return std::nullopt;
}

struct Difference {
    const Parameter* row;
    std::string unitValue;
};

void printDifferences(const std::vector<Difference>& differences, std::FILE* out) {
    for (const Difference& d : differences) {
        std::fprintf(out, "%s  %s  file %s  unit %s\n",
                     localPadded(d.row->code, kCodeColumn).constData(),
                     localPadded(d.row->text, kTextColumn).constData(),
                     local(d.row->value).constData(), local(d.unitValue).constData());
    }
}

// Reads every register of the file back and collects those that differ; nothing when the line
// failed (reported).
std::optional<std::vector<Difference>> compareWithUnit(SerialLink& link,
                                                       const std::vector<Parameter>& rows,
                                                       std::FILE* err) {
    std::vector<Difference> differences;
    const int total = realRows(rows);
    int done = 0;
    for (const Parameter& row : rows) {
        if (row.isHeading())
            continue;
        std::string text;
        const Result r = readWithRetries(link, row.code, text);
        progress(err, "Reading back", ++done, total);
        if (r == Result::UnknownCode) {
            differences.push_back({&row, "(no such register)"});
            continue;
        }
        if (r != Result::Ok) {
            reportFailure(link, err);
            return std::nullopt;
        }
        const std::string shown = formatValue(text, row.format);
        if (shown != row.value)
            differences.push_back({&row, shown});
    }
    return differences;
}

}  // namespace

std::string fileName(const QString& argument) {
    return QFile::encodeName(argument).toStdString();
}

int saveParameterSet(SerialLink& link, const std::string& path, const CommandOptions& options,
                     std::FILE* out, std::FILE* err) {
    if (options.comment.size() > kMaxCommentLength) {
        std::fprintf(err, "--comment: at most %zu characters\n", kMaxCommentLength);
        return kExitUsage;
    }
    UnitSession session(link, options, err);
    // Nothing is written unless every value was read: a file with holes is no backup.
    if (const int status = session.readAllValues(); status != kExitDone)
        return status;
    const UnitDescription& d = session.unit.description;
    const UnitIdentity& id = session.unit.identity;
    std::string error;
    LocalFiles files;
    if (!files.replace(
            path, writeParameterFile({id.softwareVersion, id.standardVersion, options.comment}, d),
            error)) {
        std::fprintf(err, "The file %s could not be saved: %s\n", path.c_str(),
                     local(error).constData());
        return kExitFailed;
    }
    std::fprintf(out, "%s: %d parameters of the %s saved\n", path.c_str(), d.parameterCount,
                 local(id.unitType).constData());
    return kExitDone;
}

int loadParameterSet(SerialLink& link, const std::string& path, const CommandOptions& options,
                     std::FILE* out, std::FILE* err) {
    const auto set = readFileSet(path, err);
    if (!set)
        return kExitFailed;
    if (set->converted)
        std::fprintf(err, "Note: converted from the DOS software's format.\n");
    UnitSession session(link, options, err);
    if (!session.identify())
        return kExitFailed;
    session.learnRegisters();
    const UnitIdentity& id = session.unit.identity;
    if (namesOtherUnit(set->header, id) && !options.force) {
        std::fprintf(err,
                     "The file contains data of a  %s  with firmware  %s; the connected unit is "
                     "a  %s  with firmware  %s.\nMake sure that the file is meant for this unit "
                     "and load it with --force.\n",
                     local(set->header.standardVersion.substr(0, kModelLength)).constData(),
                     local(set->header.softwareVersion).constData(),
                     local(id.standardVersion.substr(0, kModelLength)).constData(),
                     local(id.softwareVersion).constData());
        return kExitFailed;
    }

    std::vector<const Parameter*> refused;
    std::vector<WrittenValue> accepted;
    const int total = realRows(set->rows);
    int done = 0;
    for (const Parameter& row : set->rows) {
        if (row.isHeading())
            continue;
        const std::string wire = cleanValue(row.value);
        const Result r = writeWithRetries(link, row.code, wire);
        progress(err, "Transmitting", ++done, total);
        if (r == Result::NotAcknowledged) {
            refused.push_back(&row);
            continue;
        }
        if (r != Result::Ok)
            return reportFailure(link, err);
        accepted.push_back({row.code, wire});
    }
    const GroupRegisters& group = session.unit.group;
    if (link.writeRegister(group.activateCode, kCommandValue) != Result::Ok)
        return reportFailure(link, err);
    link.loop().wait(kActivateSettleMs);
    // The unit answers at its new address or speed once these are active.
    if (adoptLineSettings(accepted, link.settings())) {
        link.openPort();
        link.loop().wait(kAfterReopenMs);
    }

    const auto differences = compareWithUnit(link, set->rows, err);
    if (!differences)
        return kExitFailed;
    for (const Parameter* row : refused) {
        std::fprintf(out, "refused: %s  %s  %s\n", localPadded(row->code, kCodeColumn).constData(),
                     localPadded(row->text, kTextColumn).constData(),
                     local(row->value).constData());
    }
    if (!differences->empty()) {
        std::fprintf(out, "differs:\n");
        printDifferences(*differences, out);
    }
    if (!refused.empty() || !differences->empty()) {
        std::fprintf(err, "%zu refused, %zu differ; nothing stored in the EEPROM.\n",
                     refused.size(), differences->size());
        return kExitFailed;
    }
    if (options.store) {
        if (writeWithRetries(link, group.storeCode, kCommandValue) != Result::Ok)
            return reportFailure(link, err);
        std::fprintf(out, "%d parameters loaded, read back equal and stored in the EEPROM\n",
                     total);
    } else {
        std::fprintf(out, "%d parameters loaded and read back equal (not stored; --store)\n",
                     total);
    }
    return kExitDone;
}

int diffParameterSet(SerialLink& link, const std::string& path, const CommandOptions& options,
                     std::FILE* out, std::FILE* err) {
    const auto set = readFileSet(path, err);
    if (!set)
        return kExitFailed;
    UnitSession session(link, options, err);
    if (!session.identify())
        return kExitFailed;
    if (namesOtherUnit(set->header, session.unit.identity))
        std::fprintf(err, "Note: the file names another unit than the connected one.\n");
    const auto differences = compareWithUnit(link, set->rows, err);
    if (!differences)
        return kExitFailed;
    printDifferences(*differences, out);
    if (!differences->empty())
        return kExitFailed;
    std::fprintf(out, "no differences\n");
    return kExitDone;
}

int showParameterFile(const std::string& path, std::FILE* out, std::FILE* err) {
    const auto set = readFileSet(path, err);
    if (!set)
        return kExitFailed;
    std::fprintf(out, "File:        %s\n", path.c_str());
    if (const auto modified = LocalFiles().modified(path)) {
        const std::time_t t = std::chrono::system_clock::to_time_t(*modified);
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", std::localtime(&t));
        std::fprintf(out, "Last Update: %s\n", when);
    }
    if (set->converted) {
        std::fprintf(out, "Converted from the DOS software's format\n");
    } else {
        const ParameterFileHeader& h = set->header;
        std::fprintf(out, "Unit:        %s\n",
                     local(h.standardVersion.substr(0, kModelLength)).constData());
        std::fprintf(out, "Firmware:    %s\n", local(h.softwareVersion).constData());
        std::fprintf(out, "Comments:    %s\n", local(h.comment).constData());
    }
    std::fprintf(out, "\nParameters (%zu):\n", set->rows.size());
    for (std::size_t i = 0; i < set->rows.size(); ++i) {
        const Parameter& p = set->rows[i];
        if (p.isHeading()) {
            std::fprintf(out, "%4zu    %s\n", i, local(p.text).constData());
            continue;
        }
        std::fprintf(out, "%4zu %s  %s %s  range %d .. %d\n", i,
                     localPadded(p.code, kCodeColumn).constData(),
                     localPadded(p.text, kTextColumn).constData(), local(p.value).constData(),
                     p.format.minValue, p.format.maxValue);
    }
    return kExitDone;
}

int printUnitParameterSet(SerialLink& link, const CommandOptions& options, std::FILE* out,
                          std::FILE* err) {
    UnitSession session(link, options, err);
    if (const int status = session.readAllValues(); status != kExitDone)
        return status;
    const UnitIdentity& id = session.unit.identity;
    ListingHeader header;
    header.title = configuredTitle(options.programFolder);
    header.date = listingDate(std::chrono::system_clock::now());
    header.standardVersion = id.standardVersion;
    header.softwareVersion = id.softwareVersion;
    return writePdfListing(header, session.unit.description, options, out, err);
}

int printParameterFile(const std::string& path, const CommandOptions& options, std::FILE* out,
                       std::FILE* err) {
    const auto set = readFileSet(path, err);
    if (!set)
        return kExitFailed;
    ListingHeader header;
    header.title = configuredTitle(options.programFolder);
    header.date = listingDate(std::chrono::system_clock::now());
    header.filePath = path;
    if (const auto modified = LocalFiles().modified(path))
        header.lastUpdate = listingDateTime(*modified);
    header.standardVersion = set->header.standardVersion;
    header.softwareVersion = set->header.softwareVersion;
    header.comment = set->header.comment;
    UnitDescription description;
    installRows(set->rows, description);
    return writePdfListing(header, description, options, out, err);
}

}  // namespace qu32::cli
