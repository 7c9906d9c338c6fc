#include "parfiles/ParameterFileCommands.h"

#include <filesystem>

#include "parfiles/ParameterListing.h"

namespace qu32 {

namespace {

constexpr char kCr = '\r';
constexpr char kErrorTitle[] = "ERROR MESSAGE";
constexpr char kCommentTitle[] = "File Comments";
constexpr std::size_t kModelLength = 5;
constexpr std::size_t kOverwritePathLength = 20;
constexpr std::size_t kCommentPathLength = 40;
constexpr int kAfterSaveMs = 100;

std::string cr(int count = 1) {
    return std::string(static_cast<std::size_t>(count), kCr);
}

}  // namespace

MsgAnswer ParameterFileCommands::ask(const std::string& text, MsgButtons buttons, MsgIcon icon) {
    return dialogs_.messageBox(text, company_.titleText, buttons, icon);
}

void ParameterFileCommands::refuse(const std::string& text) {
    dialogs_.beep();
    dialogs_.messageBox(text, kErrorTitle, MsgButtons::Ok, MsgIcon::Exclamation);
}

std::optional<std::string> ParameterFileCommands::chooseFile(FileDialogMode mode,
                                                             const std::string& title) {
    FileDialogRequest request;
    request.mode = mode;
    request.title = title;
    request.folder =
        file_.path.empty() ? folder_ : std::filesystem::path(file_.path).parent_path().string();
    request.filters = {"Parameter Files (*.par)", "All Files (*)"};
    request.defaultSuffix = "par";
    return dialogs_.chooseFile(request);
}

bool ParameterFileCommands::write(const std::string& path, const ParameterFileHeader& header) {
    std::string error;
    if (files_.replace(path, writeParameterFile(header, description_), error))
        return true;
    // The previous file is still whole; the list keeps its changes so they can be saved again.
    dialogs_.messageBox("The file " + path + " could not be saved." + cr() + error,
                        company_.titleText, MsgButtons::Ok, MsgIcon::Exclamation);
    return false;
}

bool ParameterFileCommands::save() {
    if (file_.path.empty())
        return false;
    if (!write(file_.path, {file_.softwareVersion, file_.standardVersion, file_.comment}))
        return false;
    file_.changed = false;
    if (pause)
        pause(kAfterSaveMs);
    return true;
}

bool ParameterFileCommands::saveAs() {
    const auto path = chooseFile(FileDialogMode::Save, "SAVE FILE AS ...");
    if (!path)
        return false;
    if (files_.exists(*path) &&
        ask("Overwrite file    " + shortenPath(*path, kOverwritePathLength) + " ?",
            MsgButtons::OkCancel, MsgIcon::Question) != MsgAnswer::Ok)
        return false;
    if (askComment) {
        if (const auto comment = askComment(*path))
            file_.comment = *comment;
    }
    if (file_.path.empty()) {
        file_.softwareVersion = identity_.softwareVersion;
        file_.standardVersion = identity_.standardVersion;
    }
    if (!write(*path, {file_.softwareVersion, file_.standardVersion, file_.comment}))
        return false;
    file_.path = *path;
    file_.changed = false;
    return true;
}

bool ParameterFileCommands::open() {
    if (!file_.path.empty() && file_.changed) {
        const MsgAnswer answer = ask("Save changes to file " + file_.path + " ?",
                                     MsgButtons::YesNoCancel, MsgIcon::Question);
        if (answer == MsgAnswer::Cancel)
            return false;
        // The old table goes into the old file before the new file replaces it.
        if (answer == MsgAnswer::Yes && !save())
            return false;
    }
    const auto path = chooseFile(FileDialogMode::Open, "OPEN FILE ...");
    if (!path)
        return false;
    return openFile(*path);
}

bool ParameterFileCommands::openFile(const std::string& path) {
    // A write-protected file is unprotected while it is read; it gets its protection back
    // afterwards unless the operator agrees to lift it.
    const bool wasReadOnly = files_.isReadOnly(path);
    bool protectAgain = wasReadOnly;
    if (wasReadOnly) {
        files_.setReadOnly(path, false);
        const MsgAnswer answer =
            ask("The file '" + path + "' is read only." + cr() +
                    "If you want to make any changes to this file its write protection must be "
                    "removed." +
                    cr(2) + "Remove write protection from file '" + path + "' ?",
                MsgButtons::YesNo, MsgIcon::Question);
        protectAgain = answer != MsgAnswer::Yes;
    }
    std::string error;
    const std::optional<std::string> bytes = files_.read(path, kMaxParameterFileBytes, error);
    if (protectAgain)
        files_.setReadOnly(path, true);
    // A file that cannot be read ends the dialogue without a word, as a refused file does.
    if (!bytes)
        return false;

    const ParameterFileContent content = readParameterFile(*bytes);
    const std::string label = titleTail(company_.titleText);
    switch (content.outcome) {
        case ParameterFileContent::Outcome::NotMarked:
            if (isDosFile(content.headerText)) {
                if (ask("The file " + path + " has been created with the" + cr() +
                            "DOS-based software QU 1.1. When saved, it will be converted" + cr() +
                            "to the " + label + " format." + cr(2) + "Open file " + path + " ?",
                        MsgButtons::YesNo, MsgIcon::Question) != MsgAnswer::Yes)
                    return false;
                return convertDos(path, *bytes);
            }
            refuse(path + " is no " + label + " parameter file !");
            return false;
        case ParameterFileContent::Outcome::NoHeader:
            refuse(path + " is no QU 3.0 parameter file !");
            return false;
        case ParameterFileContent::Outcome::TooManyRows:
            return false;
        case ParameterFileContent::Outcome::Read:
            break;
    }
    const ParameterFileHeader& header = content.header;
    if (!identityAccepted(path, header))
        return false;

    installRows(content.rows, description_);
    file_.path = path;
    file_.changed = false;
    file_.softwareVersion = header.softwareVersion;
    file_.standardVersion = header.standardVersion;
    file_.comment = header.comment;
    if (opened)
        opened(false);
    if (!header.comment.empty()) {
        dialogs_.messageBox("Comments on file  '" + shortenPath(path, kCommentPathLength) +
                                "' : " + cr(2) + header.comment,
                            kCommentTitle, MsgButtons::Ok, MsgIcon::Information);
    }
    return true;
}

// A file for another unit is opened only when the operator says so; before the unit is known, or
// for a file that names no unit, there is nothing to compare.
bool ParameterFileCommands::identityAccepted(const std::string& path,
                                             const ParameterFileHeader& header) {
    if (!communicating || !communicating())
        return true;
    if (!namesOtherUnit(header, identity_))
        return true;
    const std::string text =
        "The version infos of the parameter file  " + path +
        "  and the connected unit are different." + cr() + "The file contains data of a  " +
        header.standardVersion.substr(0, kModelLength) + "  with firmware  " +
        header.softwareVersion + "." + cr() + "The connected unit is a  " +
        identity_.standardVersion.substr(0, kModelLength) + "  with firmware  " +
        identity_.softwareVersion + "." + cr(2) +
        "Make sure that the file contains a valid data set for the connected unit before "
        "opening it." +
        cr(2) + "Open file " + path + " ?";
    return ask(text, MsgButtons::YesNo, MsgIcon::Exclamation) == MsgAnswer::Yes;
}

bool ParameterFileCommands::convertDos(const std::string& path, const std::string& bytes) {
    dialogs_.setMousePointer(MousePointer::Hourglass);
    const auto rows = convertDosFile(bytes);
    dialogs_.setMousePointer(MousePointer::Default);
    // A record that cannot be shown refuses the whole file, without a word.
    if (!rows)
        return false;
    installRows(*rows, description_);
    // The converted set is offered to be saved in the new format; the identity and comment of
    // the file in use stay.
    file_.path = path;
    file_.changed = true;
    if (opened)
        opened(true);
    return true;
}

void ParameterFileCommands::print(std::chrono::system_clock::time_point now) {
    std::optional<PrinterChoice> choice = dialogs_.choosePrinter("PRINT");
    if (!choice || !choice->printer)
        return;
    ListingHeader header{company_.titleText, listingDate(now), file_.path, {}, {}, {}, {}};
    if (file_.path.empty()) {
        header.standardVersion = identity_.standardVersion;
        header.softwareVersion = identity_.softwareVersion;
    } else {
        if (const auto modified = files_.modified(file_.path))
            header.lastUpdate = listingDateTime(*modified);
        header.standardVersion = file_.standardVersion;
        header.softwareVersion = file_.softwareVersion;
        header.comment = file_.comment;
    }
    printParameterList(*choice->printer, header, description_, choice->copies);
}

}  // namespace qu32
