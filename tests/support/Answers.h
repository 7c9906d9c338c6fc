#pragma once

#include <map>
#include <string>
#include <vector>

#include "serial/Frames.h"
#include "serial/SerialLink.h"
#include "support/SimSerialPort.h"

namespace qu32::test {

// STX code data ETX BCC, as a sound unit answers a read.
inline Bytes answerFrame(const std::string& code, const std::string& data) {
    Bytes f{kStx};
    f.insert(f.end(), code.begin(), code.end());
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(kEtx);
    f.push_back(blockCheck(f.data(), 1, f.size() - 1));
    return f;
}

// STX code length(2) data ETX BCC.
inline Bytes blockFrame(const std::string& code, const Bytes& data) {
    Bytes f{kStx, std::uint8_t(code[0]), std::uint8_t(code[1]), std::uint8_t(data.size() >> 8),
            std::uint8_t(data.size() & 0xFF)};
    f.insert(f.end(), data.begin(), data.end());
    f.push_back(kEtx);
    f.push_back(blockCheck(f.data(), 1, f.size() - 1));
    return f;
}

// A register read at the unit address of the link's settings; `value` gets the data.
inline Result readParam(SerialLink& link, const std::string& code, std::string* value = nullptr) {
    std::string text;
    const Result r = link.readRegister(code, text);
    if (value)
        *value = text;
    return r;
}

// Every request is answered with the given pieces, the first 5 ms after the request arrived.
inline void answerWith(SimSerialPort& port, std::vector<Bytes> pieces, double gapMs = 5) {
    port.setResponder([pieces, gapMs](const Bytes&) {
        std::vector<sim::Chunk> chunks;
        double at = 5;
        for (const auto& p : pieces) {
            chunks.push_back({at, p});
            at += gapMs;
        }
        return chunks;
    });
}

// A unit that answers from a table: register code -> the bytes it sends back. Codes not in the
// table are answered as unknown (STX code EOT).
inline void answerFromTable(SimSerialPort& port, std::map<std::string, Bytes> table) {
    port.setResponder([table](const Bytes& request) {
        std::vector<sim::Chunk> chunks;
        if (request.size() < 6)
            return chunks;
        const std::string code{static_cast<char>(request[3]), static_cast<char>(request[4])};
        const auto it = table.find(code);
        chunks.push_back(
            {5, it != table.end() ? it->second : Bytes{kStx, request[3], request[4], kEot}});
        return chunks;
    });
}

}  // namespace qu32::test
