#include "serial/Frames.h"

namespace qu32 {

namespace {
// Two-character fields take the first and the last character, as the unit reads them.
std::uint8_t first(const std::string& s) {
    return s.empty() ? ' ' : std::uint8_t(s.front());
}
std::uint8_t last(const std::string& s) {
    return s.empty() ? ' ' : std::uint8_t(s.back());
}
}  // namespace

Bytes buildReadRequest(const std::string& address, const std::string& code) {
    return {kEot, first(address), last(address), first(code), last(code), kEnq};
}

Bytes buildWriteFrame(const std::string& address, const std::string& code,
                      const std::string& value) {
    Bytes frame;
    frame.reserve(value.size() + 8);
    for (std::uint8_t b : {kEot, first(address), last(address), kStx, first(code), last(code)})
        frame.push_back(b);
    for (char c : value)
        frame.push_back(static_cast<std::uint8_t>(c));
    frame.push_back(kEtx);
    frame.push_back(blockCheck(frame.data(), 4, frame.size() - 1));
    return frame;
}

std::uint8_t blockCheck(const std::uint8_t* data, std::size_t from, std::size_t to) {
    std::uint8_t bcc = 0;
    for (std::size_t i = from; i <= to; ++i)
        bcc ^= data[i];
    return bcc;
}

}  // namespace qu32
