#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "serial/Result.h"

namespace qu32 {

// The shared receive buffer of the original protocol: no answer is longer.
inline constexpr std::size_t kReceiveBufferSize = 4001;

// What a transaction expects back from the unit.
enum class AnswerKind {
    Register,            // STX, code (2), data, ETX, BCC; EOT in place of the data: unknown code
    Version,             // the same, in a buffer of its own that holds 31 bytes
    Status,              // the same with "H" and 2 or 4 hexadecimal digits as data
    WriteAcknowledge,    // one ACK; the first byte decides, nothing at all is a refusal
    CommandAcknowledge,  // one ACK to a unit command; waits until a byte has come
    ByteBlock,           // STX, code (2), length (2), data, ETX, BCC; judged once 6 bytes are in
    LongBlock,           // the same with 32-bit values; judged once 5 bytes are in
};

// Checks an answer byte by byte as it arrives, without touching the port or the clock: bytes go
// in, the verdict comes out (needs more, complete, or which fault). A transaction moves the bytes
// and watches the time; everything the protocol says about the answer's shape lives here.
class AnswerScanner {
  public:
    // `code` is the register code of the request, which register answers echo.
    AnswerScanner(AnswerKind kind, const std::string& code);

    // Takes the bytes that have arrived. Nothing while the answer needs more, Result::Ok once it
    // is complete and sound, otherwise the fault. After a verdict the scanner takes nothing more.
    std::optional<Result> feed(std::span<const std::uint8_t> bytes);
    bool complete() const { return verdict_ == Result::Ok; }
    // What it means when the unit falls silent now.
    Result silence() const;
    // The longest single wait for more bytes; after it the transaction looks at the clock.
    int waitStepMs() const;
    // Detail for the fault's description (block sizes, the computed block check); may be empty.
    const std::string& detail() const { return detail_; }

    // Data characters of a register answer, or the data of a block, once complete.
    std::span<const std::uint8_t> data() const;

    // A block's progress: bytes received of the whole answer, when the last bytes fed came after
    // its length was known (the header alone is no progress worth showing).
    struct Progress {
        std::size_t received = 0;
        std::size_t total = 0;
    };
    std::optional<Progress> progress() const;

  private:
    std::optional<Result> feedRegister(std::span<const std::uint8_t> bytes);
    std::optional<Result> feedAcknowledge(std::span<const std::uint8_t> bytes);
    std::optional<Result> feedBlock(std::span<const std::uint8_t> bytes);
    std::optional<Result> finishRegister();
    std::optional<Result> finishBlock();
    std::optional<Result> decide(Result verdict, std::string detail = {});
    bool isBlock() const;
    std::size_t capacity() const;

    AnswerKind kind_;
    std::uint8_t codeHigh_;
    std::uint8_t codeLow_;
    std::vector<std::uint8_t> frame_;
    std::optional<Result> verdict_;
    std::string detail_;
    // Register answers: how far the checks have come and where the ETX stands.
    std::size_t scanned_ = 0;
    std::optional<std::size_t> etxAt_;
    // Blocks: the data length from the header, and whether the last feed came after it.
    std::optional<std::size_t> blockLength_;
    bool lastFeedAfterHeader_ = false;
};

}  // namespace qu32
