#pragma once

#include <cstddef>
#include <functional>
#include <string>

#include "sim/PtyHost.h"

namespace qu32::sim {

// Longest command line taken; the rest of a longer line is discarded.
inline constexpr std::size_t kMaxCommandChars = 256;
inline constexpr char kConsoleCommands[] = "pull, plug, unplug, replug, model NAME, status, quit";

// What a simulated unit's console answers to one command line: "OK ..." or "ERROR ...", and
// whether the program should end. An empty line gets no answer.
struct ConsoleReply {
    std::string text;
    bool quit = false;
};

// Carries out one command on the unit behind `host`: pull and plug (the USB adapter goes and comes
// back), unplug and replug (the unit's power), model NAME (swap in another unit), status (what
// the unit is now and would come back with after a power cycle), quit.
ConsoleReply runConsoleCommand(PtyHost& host, const std::string& line);

// Cuts a byte stream (standard input) into command lines, each at most kMaxCommandChars long.
class ConsoleLineReader {
  public:
    // Calls `onLine` with every line completed by `bytes`; a line that was too long is answered
    // with an error instead of being carried out.
    void feed(const char* bytes, std::size_t count,
              const std::function<void(const std::string& line)>& onLine,
              const std::function<void(const std::string& error)>& onTooLong);

  private:
    std::string line_;
    bool tooLong_ = false;
};

}  // namespace qu32::sim
