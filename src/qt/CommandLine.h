#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <string>

namespace qu32 {

// Command-line option (without its dashes) that points a program at another folder, so a second
// configuration or a test set-up does not need a copy of the program.
inline constexpr const char* kProgramFolderOption = "program-folder";

// The folder that holds the configuration file, the description files and the icon: the one
// given with --program-folder, else the executable's folder. Made absolute at once, so that it
// means the same folder whatever the current directory becomes; in the file system's encoding,
// because names are compared with those on disk. Empty when an empty folder was given.
std::string programFolderFrom(const QCommandLineParser& parser);
// Without the option: the executable's folder, or for an installed copy (in a "bin" folder, or
// one the operator cannot write) "qu32" in the operator's data folder (XDG_DATA_HOME).
QString defaultProgramFolder(const QString& executableFolder, const QString& dataHome);

// QCommandLineParser has no options with an optional value; a bare --simulate becomes
// --simulate= and means the default model.
QStringList withSimulateValue(QStringList arguments);

}  // namespace qu32
