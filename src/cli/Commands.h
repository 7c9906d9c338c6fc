#pragma once

#include <QStringList>
#include <cstdio>

#include "serial/SerialLink.h"

namespace qu32::cli {

// Runs one command of qu32-cli over an opened link. Returns the process exit status:
// 0 done, 1 the unit or the line failed, 2 the command line was wrong.
int runCommand(SerialLink& link, const QStringList& command, std::FILE* out, std::FILE* err);

// The command summary for --help.
const char* commandSummary();

}  // namespace qu32::cli
