#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "datasets/BuiltInDataSets.h"
#include "datasets/DescriptionFile.h"
#include "serial/OperatorObserver.h"
#include "serial/SerialLink.h"
#include "unit/ConnectedUnit.h"

// Where the description of a unit's firmware comes from when the unit cannot describe itself:
// a data set built into the program, a description file of the program folder, or a description
// file the operator picks by name.
namespace qu32 {

inline constexpr const char* kDescriptionFileExtension = ".cof";
inline constexpr const char* kFirmwareFileExtension = ".cng";
// The operator's last firmware choice, one line in the program folder.
inline constexpr const char* kFirmwareChoiceFile = "QU11FILE.STO";
// A program folder with more description files than this is not one an operator picks from.
inline constexpr std::size_t kMaxListedDescriptionFiles = 1000;

inline constexpr char kNoDescriptionFilesMessage[] =
    "No QU 3.2 configuration files found! Initialisation will be done by scanning the connected "
    "unit.";

// The names offered for `folder`: its ".cof" files without the extension, sorted. The extension
// is matched in any case, as on the systems the files come from.
std::vector<std::string> listDescriptionFileNames(const std::string& folder);

// Decides and installs the description of the connected unit before it is read from the unit
// itself. Installed descriptions go into the unit, as do notes for the log.
class FirmwareSelector {
  public:
    // `folder` is the program folder with the description files. `observer` asks the operator's
    // choice and shows the messages; the link's own observer serves unless a program wants to
    // answer the choice itself.
    FirmwareSelector(SerialLink& link, ConnectedUnit& unit, std::string folder,
                     OperatorObserver& observer)
        : link_(link), unit_(unit), folder_(std::move(folder)), observer_(observer) {}
    FirmwareSelector(SerialLink& link, ConnectedUnit& unit, std::string folder)
        : FirmwareSelector(link, unit, std::move(folder), link.observer()) {}

    // True when a description has been installed and the unit need not be asked for one.
    bool selectDescription();
    // Lets the operator pick a ".cof" file of the program folder and loads it. Whatever the
    // choice showed when it closed is remembered for the next time, also when cancelled.
    bool chooseDescriptionFile();
    // Loads the ".cng" file named after the firmware identifier without its spaces, if any.
    bool loadFirmwareFile(const std::string& firmwareId);
    // Reads the probe set's registers and installs its description when the answers fit.
    bool probeUm516();
    bool probeAa516();

    const std::string& folder() const { return folder_; }

  private:
    bool probe(ProbeSet which);
    void install(const DataSet& set);
    bool readFile(const std::string& path);
    std::optional<std::string> lastChoice() const;
    void rememberChoice(const std::string& name);

    SerialLink& link_;
    ConnectedUnit& unit_;
    std::string folder_;
    OperatorObserver& observer_;
};

}  // namespace qu32
