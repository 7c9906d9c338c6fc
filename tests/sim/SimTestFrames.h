#pragma once

#include <string>
#include <vector>

#include "sim/SimUnit.h"

namespace qu32::sim::testing {

inline Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes readRequest(const std::string& address, const std::string& code) {
    Bytes out{kEot};
    for (char c : address + code) {
        out.push_back(static_cast<std::uint8_t>(c));
    }
    out.push_back(kEnq);
    return out;
}

inline Bytes writeFrame(const std::string& address, const std::string& code,
                        const std::string& value) {
    Bytes out{kEot, static_cast<std::uint8_t>(address[0]), static_cast<std::uint8_t>(address[1]),
              kStx};
    std::uint8_t bcc = 0;
    for (char c : code + value) {
        out.push_back(static_cast<std::uint8_t>(c));
        bcc ^= static_cast<std::uint8_t>(c);
    }
    out.push_back(kEtx);
    out.push_back(bcc ^ kEtx);
    return out;
}

// What the PC sees, all chunks joined.
inline Bytes joined(const std::vector<Chunk>& chunks) {
    Bytes out;
    for (const Chunk& c : chunks) {
        out.insert(out.end(), c.bytes.begin(), c.bytes.end());
    }
    return out;
}

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

inline const LineFormat kNormal{9600, 'e', 7, 1};
inline const LineFormat kEightBit{9600, 'e', 8, 1};

}  // namespace qu32::sim::testing
