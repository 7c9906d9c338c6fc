#include "datasets/FirmwareSelection.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "parfiles/Form13.h"
#include "settings/ProgramFolder.h"

namespace qu32 {

namespace {

namespace fs = std::filesystem;

constexpr char kCr = '\r';
constexpr char kLf = '\n';
// Folder listings stop here; a program folder holds a few dozen files.
constexpr std::size_t kMaxFolderEntries = 100000;
// The remembered choice is a file name; anything longer is not one.
constexpr std::size_t kMaxChoiceLength = 255;

std::string currentFolder() {
    const std::string folder = programFolder();
    return folder.empty() ? std::string(".") : folder;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

bool endsWithIgnoringCase(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           equalsIgnoringCase(text.substr(text.size() - tail.size()), tail);
}

// Calls `visit` with the name of every regular file of `folder` (hidden ones included), up to
// kMaxFolderEntries entries; stops early when `visit` returns false.
template <typename Visit>
void forEachFile(const std::string& folder, Visit visit) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    std::size_t seen = 0;
    for (; !ec && it != fs::directory_iterator() && seen < kMaxFolderEntries; it.increment(ec)) {
        ++seen;
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        if (!visit(it->path().filename().string()))
            return;
    }
}

// The first line of the choice file; false when there is none to read.
bool readLastChoice(const std::string& folder, std::string& choice) {
    const std::string path = findFileInFolder(folder, kFirmwareChoiceFile);
    if (path.empty())
        return false;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    choice.clear();
    char c = 0;
    while (choice.size() < kMaxChoiceLength && in.get(c) && c != kCr && c != kLf)
        choice.push_back(c);
    return true;
}

std::string withoutSpaces(const std::string& text) {
    std::string result = text;
    std::erase(result, ' ');
    return result;
}

}  // namespace

std::vector<std::string> listConfigNames(const std::string& folder) {
    const std::string extension = kConfigFileExtension;
    std::vector<std::string> names;
    forEachFile(folder, [&](const std::string& file) {
        // A file named only ".cof" offers no name to choose.
        if (file.size() > extension.size() && endsWithIgnoringCase(file, extension))
            names.push_back(file.substr(0, file.size() - extension.size()));
        return names.size() < kMaxListedConfigFiles;
    });
    // The file system's order changes with every copy of the folder; the operator's list
    // should not.
    std::sort(names.begin(), names.end());
    return names;
}

std::string findFileInFolder(const std::string& folder, const std::string& name) {
    if (name.empty() || name == "." || name == ".." ||
        name.find_first_of("/\\") != std::string::npos)
        return {};
    std::error_code ec;
    const fs::path exact = fs::path(folder) / name;
    if (fs::is_regular_file(exact, ec))
        return exact.string();
    std::string found;
    forEachFile(folder, [&](const std::string& file) {
        if (!equalsIgnoringCase(file, name))
            return true;
        found = (fs::path(folder) / file).string();
        return false;
    });
    return found;
}

bool FirmwareSelector::SelectFirmwareDataSet() {
    const UnitIdentity& id = unit_.identity;
    if (const DataSet* set = dataSetForFirmware(id.SoftwareVersion)) {
        install(*set);
        return true;
    }
    if (id.StandardVersion == kUnknownVersion && id.SoftwareVersion == kUnknownVersion) {
        // Both probes always run, so that when both fit the later one's description stays.
        const bool um516 = ProbeSetUM516();
        const bool aa516 = ProbeSetAA516();
        if (um516 || aa516)
            return true;
        return ChooseConfigFile();
    }
    return FindFirmwareConfigFile(id.SoftwareVersion);
}

bool FirmwareSelector::ChooseConfigFile() {
    const std::string& title = link_.company().titleText;
    const std::string folder = currentFolder();
    Form13 form(title);
    form.Combo1.items = listConfigNames(folder);
    if (form.Combo1.items.empty()) {
        // The dialog is never shown, so there is no choice to remember.
        dialogs_.messageBox(kNoConfigFilesMessage, title, MsgButtons::Ok, MsgIcon::None);
        return false;
    }
    std::string lastChoice;
    form.Combo1.text = readLastChoice(folder, lastChoice) ? lastChoice : form.Combo1.items.front();

    dialogs_.setMousePointer(MousePointer::Default);
    dialogs_.showForm13(form);
    form.unload();
    dialogs_.setMousePointer(MousePointer::Hourglass);
    if (!form.storeError().empty())
        unit_.notes.push_back("The firmware choice could not be remembered: " + form.storeError());

    const std::string& choice = form.result();
    if (choice.empty())
        return false;
    const std::string path = findFileInFolder(folder, choice + kConfigFileExtension);
    if (path.empty()) {
        dialogs_.messageBox("The specified configuration file " + choice + " was not found!" + kCr +
                                "Initialisation will be done by scanning the connected unit.",
                            title, MsgButtons::Ok, MsgIcon::None);
        return false;
    }
    return readConfigFile(path);
}

bool FirmwareSelector::FindFirmwareConfigFile(const std::string& firmwareId) {
    const std::string path =
        findFileInFolder(currentFolder(), withoutSpaces(firmwareId) + kFirmwareFileExtension);
    if (path.empty())
        return false;
    return readConfigFile(path);
}

bool FirmwareSelector::ProbeSetUM516() {
    return probe(ProbeSet::UM516);
}

bool FirmwareSelector::ProbeSetAA516() {
    return probe(ProbeSet::AA516);
}

bool FirmwareSelector::probe(ProbeSet which) {
    const ProbeSpec& shape = probeSpec(which);
    const std::string address = link_.settings().UnitAddress;
    const ProbeRead read = [this, &address](const std::string& code, std::string& answer) {
        std::string text(kProbeAnswerLength, ' ');
        const int result = link_.Read_Parameter(address, code, text);
        answer = result > 0 ? text.substr(0, static_cast<std::size_t>(result)) : std::string();
        return result;
    };
    // Nothing is installed until every answer has passed, so a failed probe leaves no trace.
    if (!probeMatches(shape, read))
        return false;
    install(*shape.dataSet);
    return true;
}

void FirmwareSelector::install(const DataSet& set) {
    unit_.scrollMax = installDataSet(set, unit_.description, unit_.identity, unit_.group);
}

bool FirmwareSelector::readConfigFile(const std::string& path) {
    return ReadConfigFile(
        path, DescriptionTarget{unit_.description, unit_.identity, unit_.group, unit_.scrollMax},
        dialogs_, link_.company().titleText);
}

}  // namespace qu32
