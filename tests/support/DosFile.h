#pragma once

#include <array>
#include <string>
#include <vector>

// Binary parameter files of the old DOS software, built byte by byte.
namespace qu32::test {

inline const std::string kDosSignature = "\xBB\x7F\xA2\x04";

// A record from its display line, code, A, B, format field, minimum and maximum.
inline std::string dosRecord(const std::array<std::string, 7>& fields) {
    constexpr std::size_t kAt[] = {0, 31, 35, 38, 62, 68, 79};
    std::string record(441, '\0');
    for (std::size_t i = 0; i < fields.size(); ++i)
        record.replace(kAt[i], fields[i].size(), fields[i]);
    return record;
}

// The 610-byte header, then the records.
inline std::string dosFile(const std::vector<std::string>& records) {
    std::string bytes = kDosSignature + std::string(606, ' ');
    for (const std::string& record : records)
        bytes += record;
    return bytes;
}

}  // namespace qu32::test
