#include "datasets/FirmwareSelection.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/Files.h"

namespace qu32 {

namespace {

constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr const char* kCrLf = "\r\n";
// The remembered choice is a file name; anything longer is not one.
constexpr std::size_t kMaxChoiceLength = 255;

bool endsWithIgnoringCase(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           equalsIgnoringCase(text.substr(text.size() - tail.size()), tail);
}

std::string withoutSpaces(const std::string& text) {
    std::string result = text;
    std::erase(result, ' ');
    return result;
}

}  // namespace

std::vector<std::string> listDescriptionFileNames(const std::string& folder) {
    const std::string extension = kDescriptionFileExtension;
    std::vector<std::string> names;
    forEachFileIn(folder, [&](const std::string& file) {
        // A file named only ".cof" offers no name to choose.
        if (file.size() > extension.size() && endsWithIgnoringCase(file, extension))
            names.push_back(file.substr(0, file.size() - extension.size()));
        return names.size() < kMaxListedDescriptionFiles;
    });
    // The file system's order changes with every copy of the folder; the operator's list
    // should not.
    std::sort(names.begin(), names.end());
    return names;
}

bool FirmwareSelector::selectDescription() {
    const UnitIdentity& id = unit_.identity;
    if (const DataSet* set = dataSetForFirmware(id.softwareVersion)) {
        install(*set);
        return true;
    }
    if (id.standardVersion == kUnknownVersion && id.softwareVersion == kUnknownVersion) {
        // Both probes always run, so that when both fit the later one's description stays.
        const bool um516 = probeUm516();
        const bool aa516 = probeAa516();
        if (um516 || aa516)
            return true;
        return chooseDescriptionFile();
    }
    return loadFirmwareFile(id.softwareVersion);
}

// The first line of the choice file; nothing when there is none to read.
std::optional<std::string> FirmwareSelector::lastChoice() const {
    const std::string path = findFileInFolder(folder_, kFirmwareChoiceFile);
    if (path.empty())
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string choice;
    char c = 0;
    while (choice.size() < kMaxChoiceLength && in.get(c) && c != kCr && c != kLf)
        choice.push_back(c);
    return choice;
}

// A choice that cannot be remembered is still a choice, so a failure here only leaves a note.
void FirmwareSelector::rememberChoice(const std::string& name) {
    std::string error;
    const std::string path = (std::filesystem::path(folder_) / kFirmwareChoiceFile).string();
    if (!writeFileAtomically(path, name + kCrLf, error))
        unit_.notes.push_back("The firmware choice could not be remembered: " + error);
}

bool FirmwareSelector::chooseDescriptionFile() {
    const std::vector<std::string> names = listDescriptionFileNames(folder_);
    if (names.empty()) {
        // Nothing is offered, so there is no choice to remember.
        observer_.showMessage(kNoDescriptionFilesMessage, MsgButtons::Ok, MsgIcon::None);
        return false;
    }
    const FirmwareChoice choice =
        observer_.chooseFirmware(names, lastChoice().value_or(names.front()));
    // Remembered on Cancel too: the name shown now is the one offered next time.
    rememberChoice(choice.shownName);

    if (!choice.confirmed || choice.shownName.empty())
        return false;
    const std::string path =
        findFileInFolder(folder_, choice.shownName + kDescriptionFileExtension);
    if (path.empty()) {
        observer_.showMessage("The specified configuration file " + choice.shownName +
                                  " was not found!" + kCr +
                                  "Initialisation will be done by scanning the connected unit.",
                              MsgButtons::Ok, MsgIcon::None);
        return false;
    }
    return readFile(path);
}

bool FirmwareSelector::loadFirmwareFile(const std::string& firmwareId) {
    const std::string path =
        findFileInFolder(folder_, withoutSpaces(firmwareId) + kFirmwareFileExtension);
    if (path.empty())
        return false;
    return readFile(path);
}

bool FirmwareSelector::probeUm516() {
    return probe(ProbeSet::UM516);
}

bool FirmwareSelector::probeAa516() {
    return probe(ProbeSet::AA516);
}

bool FirmwareSelector::probe(ProbeSet which) {
    const ProbeShape& shape = probeShape(which);
    const ProbeRead read = [this](const std::string& code, std::string& answer) {
        return link_.readRegister(code, answer);
    };
    // Nothing is installed until every answer has passed, so a failed probe leaves no trace.
    if (!probeMatches(shape, read))
        return false;
    install(*shape.dataSet);
    return true;
}

void FirmwareSelector::install(const DataSet& set) {
    installDataSet(set, unit_.description, unit_.identity, unit_.group);
}

bool FirmwareSelector::readFile(const std::string& path) {
    return readDescriptionFile(
        path, DescriptionTarget{unit_.description, unit_.identity, unit_.group}, observer_);
}

}  // namespace qu32
