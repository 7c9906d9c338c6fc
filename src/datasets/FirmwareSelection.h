#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "datasets/BuiltInDataSets.h"
#include "datasets/DescriptionFile.h"
#include "platform/Dialogs.h"
#include "serial/SerialLink.h"
#include "unit/UnitData.h"

// Where the description of a unit's firmware comes from when the unit cannot describe itself:
// a data set built into the program, a description file of the program folder, or a data set
// the operator picks by name.
namespace qu32 {

inline constexpr const char* kConfigFileExtension = ".cof";
inline constexpr const char* kFirmwareFileExtension = ".cng";
// A program folder with more description files than this is not one an operator picks from.
inline constexpr std::size_t kMaxListedConfigFiles = 1000;
// Probe answers are read into a text of this size, like every single-register value.
inline constexpr std::size_t kProbeAnswerLength = 12;

inline constexpr char kNoConfigFilesMessage[] =
    "No QU 3.2 configuration files found! Initialisation will be done by scanning the connected "
    "unit.";

// The names offered for `folder`: its ".cof" files without the extension, sorted. The extension
// is matched in any case, as on the systems the files come from.
std::vector<std::string> listConfigNames(const std::string& folder);

// The file `name` in `folder`, matched exactly or else in any case; empty when there is none.
// Names that reach into another folder are never found.
std::string findFileInFolder(const std::string& folder, const std::string& name);

// Decides and installs the description of the connected unit before it is read from the unit
// itself. Installed descriptions go into the unit data, as do notes for the log.
class FirmwareSelector {
  public:
    // `dialogs` shows the selection dialog and the messages; the link's own dialogs serve
    // unless a program wants to answer the selection itself.
    FirmwareSelector(SerialLink& link, UnitData& unit, Dialogs& dialogs)
        : link_(link), unit_(unit), dialogs_(dialogs) {}

    // True when a description has been installed and the unit need not be asked for one.
    bool SelectFirmwareDataSet();
    // Lets the operator pick a ".cof" file of the program folder and loads it.
    bool ChooseConfigFile();
    // Loads the ".cng" file named after the firmware identifier without its spaces, if any.
    bool FindFirmwareConfigFile(const std::string& firmwareId);
    // Reads the probe set's registers and installs its description when the answers fit.
    bool ProbeSetUM516();
    bool ProbeSetAA516();

  private:
    bool probe(ProbeSet which);
    void install(const DataSet& set);
    bool readConfigFile(const std::string& path);

    SerialLink& link_;
    UnitData& unit_;
    Dialogs& dialogs_;
};

}  // namespace qu32
