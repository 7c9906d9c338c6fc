#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "parfiles/ParameterFile.h"
#include "parfiles/ParameterFileState.h"
#include "platform/Dialogs.h"
#include "platform/Files.h"
#include "settings/CompanyInfo.h"
#include "unit/UnitDescription.h"
#include "unit/UnitIdentity.h"

namespace qu32 {

// Open, Save and Save As of the main window's parameter list: the questions and messages around
// them, the file's write protection, the old DOS files, and saving without ever destroying the
// previous file. The window around it answers through the hooks below.
class ParameterFileCommands {
  public:
    // `folder`: where the file choosers start while no file is in use.
    ParameterFileCommands(Dialogs& dialogs, FileAccess& files, const CompanyInfo& company,
                          std::string folder, UnitDescription& description,
                          const UnitIdentity& identity, ParameterFileState& file)
        : dialogs_(dialogs),
          files_(files),
          company_(company),
          folder_(std::move(folder)),
          description_(description),
          identity_(identity),
          file_(file) {}

    // True once the main cycle talks to a unit (past its initialisation): only then is a file
    // checked against the unit's identity.
    std::function<bool()> communicating;
    // Asks for the comment of a file about to be saved under `path`; nothing when the operator
    // closed the dialog without OK.
    std::function<std::optional<std::string>(const std::string& path)> askComment;
    // A file has replaced the parameter table (`converted`: an old DOS file): the window shows it
    // before the file's comment is shown.
    std::function<void(bool converted)> opened;
    // Lets the window's events through for a moment after a save.
    std::function<void(int ms)> pause;

    // The whole open dialogue; true when the parameter table was replaced.
    bool open();
    // Saves under the file's name; false when there is none or the file could not be written.
    bool save();
    // Asks for a name and a comment and saves; false when cancelled or not written.
    bool saveAs();
    // File > Print: the list as shown (unsent edits too) under the file's identity and comment,
    // or the unit's while no file is in use, dated `now`. A cancelled print dialog prints
    // nothing; a failing printer ends the listing without a message.
    void print(std::chrono::system_clock::time_point now);

  private:
    std::optional<std::string> chooseFile(FileDialogMode mode, const std::string& title);
    bool write(const std::string& path, const ParameterFileHeader& header);
    bool openFile(const std::string& path);
    bool identityAccepted(const std::string& path, const ParameterFileHeader& header);
    bool convertDos(const std::string& path, const std::string& bytes);
    MsgAnswer ask(const std::string& text, MsgButtons buttons, MsgIcon icon);
    void refuse(const std::string& text);

    Dialogs& dialogs_;
    FileAccess& files_;
    const CompanyInfo& company_;
    std::string folder_;
    UnitDescription& description_;
    const UnitIdentity& identity_;
    ParameterFileState& file_;
};

}  // namespace qu32
