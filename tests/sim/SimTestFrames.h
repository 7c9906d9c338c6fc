#pragma once

#include <string>
#include <vector>

#include "sim/SimUnit.h"

namespace qu32::sim::testing {

inline Bytes readRequest(const std::string& address, const std::string& code) {
    Bytes out{kEot};
    out.insert(out.end(), address.begin(), address.end());
    out.insert(out.end(), code.begin(), code.end());
    out.push_back(kEnq);
    return out;
}

// STX code value ETX BCC, with the block check over code, value and ETX.
inline Bytes textAnswerFor(const std::string& code, const std::string& data) {
    Bytes out{kStx};
    std::uint8_t bcc = kEtx;
    for (char c : code + data) {
        out.push_back(static_cast<std::uint8_t>(c));
        bcc ^= static_cast<std::uint8_t>(c);
    }
    out.push_back(kEtx);
    out.push_back(bcc);
    return out;
}

inline Bytes writeFrame(const std::string& address, const std::string& code,
                        const std::string& value) {
    Bytes out = textAnswerFor(code, value);
    out.insert(out.begin(), {kEot, std::uint8_t(address[0]), std::uint8_t(address[1])});
    return out;
}

// How a unit answers a code it does not know.
inline Bytes unknownFor(const std::string& code) {
    return {kStx, std::uint8_t(code[0]), std::uint8_t(code[1]), kEot};
}

inline Bytes cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// What the PC sees, all chunks joined.
inline Bytes joined(const std::vector<Chunk>& chunks) {
    Bytes out;
    for (const Chunk& c : chunks)
        out.insert(out.end(), c.bytes.begin(), c.bytes.end());
    return out;
}

inline const LineFormat kNormal{9600, 'e', 7, 1};
inline const LineFormat kEightBit{9600, 'e', 8, 1};

// What the unit answers to `request`, sent on `line` at `atMs`.
inline Bytes ask(SimUnit& unit, const Bytes& request, const LineFormat& line = kNormal,
                 double atMs = 0) {
    return joined(unit.receive(request, line, atMs));
}

}  // namespace qu32::sim::testing
