#include "serial/TraceFormat.h"

#include <cstdio>

namespace qu32 {

std::string formatTraceLine(double ms, bool sent, const Bytes& bytes) {
    char head[32];
    std::snprintf(head, sizeof head, "%10.3f %s", ms, sent ? "TX" : "RX");
    std::string line = head;
    std::string text;
    for (std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
        text += (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
    }
    return line + "  |" + text + "|";
}

}  // namespace qu32
