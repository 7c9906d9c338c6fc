#pragma once

#include <QStringList>
#include <cstdio>
#include <string>

#include "serial/SerialLink.h"

namespace qu32::cli {

// Runs one command of qu32-cli over an opened link. Returns the process exit status:
// 0 done, 1 the unit or the line failed, 2 the command line was wrong.
// `firmware` names the description file (".cof", without extension) that describe chooses for a
// unit identification could not name; without it describe lists the names and stops there.
int runCommand(SerialLink& link, const QStringList& command, std::FILE* out, std::FILE* err,
               const std::string& firmware = {});

// The command summary for --help.
const char* commandSummary();

}  // namespace qu32::cli
