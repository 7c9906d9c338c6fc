#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// Shared by the fuzz targets and by the plain corpus replay, so neither needs libFuzzer's
// headers: a reader that hands out the input's bytes as choices, and the check that aborts.
namespace qu32::fuzz {

// A violated invariant must stop the run with a report, in the fuzzer and in the replay alike.
#define QU32_FUZZ_CHECK(condition, what)                                                       \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "invariant violated at %s:%d: %s (%s)\n", __FILE__, __LINE__, \
                         what, #condition);                                                    \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

// Takes choices from the front of the input; once it is used up every choice is zero, so any
// input is a complete script.
class FuzzInput {
  public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }
    std::size_t remaining() const { return size_ - pos_; }

    std::uint8_t byte() { return empty() ? 0 : data_[pos_++]; }
    std::uint16_t word() {
        const std::uint16_t high = byte();
        return static_cast<std::uint16_t>(high << 8 | byte());
    }
    std::int32_t int32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | byte();
        return static_cast<std::int32_t>(v);
    }
    bool flag() { return (byte() & 1) != 0; }
    // A number in 0..limit-1 (0 when limit is 0).
    std::size_t below(std::size_t limit) { return limit == 0 ? 0 : word() % limit; }

    // Up to `maxBytes` bytes, the count taken first.
    std::vector<std::uint8_t> bytes(std::size_t maxBytes) {
        const std::size_t wanted = std::min<std::size_t>(below(maxBytes + 1), remaining());
        std::vector<std::uint8_t> out(data_ + pos_, data_ + pos_ + wanted);
        pos_ += wanted;
        return out;
    }
    std::string text(std::size_t maxBytes) {
        const auto b = bytes(maxBytes);
        return std::string(b.begin(), b.end());
    }
    // Everything that is left.
    std::string_view rest() {
        const std::string_view out(reinterpret_cast<const char*>(data_ + pos_), size_ - pos_);
        pos_ = size_;
        return out;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

}  // namespace qu32::fuzz
