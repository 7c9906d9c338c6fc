#include "serial/AnswerScanner.h"

#include "serial/Frames.h"

namespace qu32 {

namespace {

// A register answer is short; this many bytes without an ETX mean it is not ours.
constexpr std::size_t kShortAnswerLimit = 20;
constexpr std::size_t kVersionBufferSize = 31;
// STX, code (2) and EOT: the unit does not know the block's register.
constexpr std::size_t kUnknownBlockLength = 4;
// STX, code (2), length (2), ETX, BCC.
constexpr std::size_t kBlockOverhead = 7;
constexpr std::size_t kBlockDataOffset = 5;
constexpr std::size_t kRegisterDataOffset = 3;
constexpr std::size_t kMinRegisterFrame = 5;  // STX, code (2), one data character, ETX
constexpr std::size_t kShortStatusFrame = 7;  // STX, code (2), "H", 2 digits, ETX
constexpr std::size_t kLongStatusFrame = 9;   // with 4 digits

constexpr int kReadWaitMs = 50;
constexpr int kWriteWaitMs = 100;
constexpr int kByteBlockHeaderWaitMs = 100;

std::uint8_t first(const std::string& s) {
    return s.empty() ? ' ' : std::uint8_t(s.front());
}
std::uint8_t last(const std::string& s) {
    return s.empty() ? ' ' : std::uint8_t(s.back());
}

}  // namespace

AnswerScanner::AnswerScanner(AnswerKind kind, const std::string& code)
    : kind_(kind), codeHigh_(first(code)), codeLow_(last(code)) {}

bool AnswerScanner::isBlock() const {
    return kind_ == AnswerKind::ByteBlock || kind_ == AnswerKind::LongBlock;
}

std::size_t AnswerScanner::capacity() const {
    return kind_ == AnswerKind::Version ? kVersionBufferSize : kReceiveBufferSize;
}

int AnswerScanner::waitStepMs() const {
    switch (kind_) {
        case AnswerKind::WriteAcknowledge:
            return kWriteWaitMs;
        case AnswerKind::ByteBlock:
            return blockLength_ ? kReadWaitMs : kByteBlockHeaderWaitMs;
        default:
            return kReadWaitMs;
    }
}

std::optional<Result> AnswerScanner::decide(Result verdict, std::string detail) {
    verdict_ = verdict;
    detail_ = std::move(detail);
    return verdict_;
}

std::optional<Result> AnswerScanner::feed(std::span<const std::uint8_t> bytes) {
    if (verdict_)
        return verdict_;
    switch (kind_) {
        case AnswerKind::WriteAcknowledge:
        case AnswerKind::CommandAcknowledge:
            return feedAcknowledge(bytes);
        case AnswerKind::ByteBlock:
        case AnswerKind::LongBlock:
            return feedBlock(bytes);
        default:
            return feedRegister(bytes);
    }
}

std::optional<Result> AnswerScanner::feedAcknowledge(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        // A write that woke up to nothing was answered and the answer was lost: a refusal. A unit
        // command simply waits on.
        if (kind_ == AnswerKind::WriteAcknowledge)
            return decide(Result::NotAcknowledged);
        return std::nullopt;
    }
    frame_.assign(bytes.begin(), bytes.end());
    // Only the first byte counts; a NAK is a refusal at once, not a time-out later.
    return decide(bytes.front() == kAck ? Result::Ok : Result::NotAcknowledged);
}

std::optional<Result> AnswerScanner::feedRegister(std::span<const std::uint8_t> bytes) {
    if (frame_.size() + bytes.size() > capacity())
        return decide(Result::InternalFault);
    frame_.insert(frame_.end(), bytes.begin(), bytes.end());
    for (; scanned_ < frame_.size() && !etxAt_; ++scanned_) {
        const std::uint8_t b = frame_[scanned_];
        if (scanned_ == 0 && b != kStx)
            return decide(Result::NotStx);
        // The unit echoes the register code, so a wrong echo means we are reading someone
        // else's answer.
        if (scanned_ == 1 && b != codeHigh_)
            return decide(Result::WrongCodeHigh);
        if (scanned_ == 2 && b != codeLow_)
            return decide(Result::WrongCodeLow);
        if (scanned_ == 3 && b == kEot)
            return decide(Result::UnknownCode);
        if (scanned_ == 3 && kind_ == AnswerKind::Status && b != 'H')
            return decide(Result::NotStatusAnswer);
        if (b == kEtx)
            etxAt_ = scanned_;
    }
    if (etxAt_ && frame_.size() >= *etxAt_ + 2)
        return finishRegister();
    if (frame_.size() >= kShortAnswerLimit)
        return decide(Result::BadBlockCheck);
    return std::nullopt;
}

std::optional<Result> AnswerScanner::finishRegister() {
    const std::size_t etx = *etxAt_;
    const std::size_t length = etx + 1;
    if (kind_ == AnswerKind::Status) {
        if (length != kShortStatusFrame && length != kLongStatusFrame)
            return decide(Result::BadStatusLength);
    } else if (length < kMinRegisterFrame) {
        return decide(Result::PacketTooShort);
    }
    if (blockCheck(frame_.data(), 1, etx) != frame_[etx + 1])
        return decide(Result::BadBlockCheck);
    return decide(Result::Ok);
}

std::optional<Result> AnswerScanner::feedBlock(std::span<const std::uint8_t> bytes) {
    lastFeedAfterHeader_ = blockLength_.has_value();
    if (frame_.size() + bytes.size() > kReceiveBufferSize)
        return decide(Result::InternalFault);
    frame_.insert(frame_.end(), bytes.begin(), bytes.end());
    if (!blockLength_) {
        const std::size_t headerBytes = kind_ == AnswerKind::ByteBlock ? 6 : 5;
        if (frame_.size() < headerBytes)
            return std::nullopt;
        if (frame_[0] != kStx)
            return decide(Result::NotStx);
        if (frame_[1] != codeHigh_)
            return decide(Result::WrongCodeHigh);
        if (frame_[2] != codeLow_)
            return decide(Result::WrongCodeLow);
        const std::size_t length = 256u * frame_[3] + frame_[4];
        // A length the buffer cannot hold is refused before a single data byte is kept.
        if (length + kBlockOverhead > kReceiveBufferSize) {
            return decide(Result::InternalFault, " Block of " + std::to_string(length) +
                                                     " bytes exceeds the receive buffer.");
        }
        blockLength_ = length;
    }
    if (frame_.size() < *blockLength_ + kBlockOverhead)
        return std::nullopt;
    return finishBlock();
}

std::optional<Result> AnswerScanner::finishBlock() {
    const std::size_t length = *blockLength_;
    const std::size_t etx = length + kBlockDataOffset;
    if (frame_[etx] != kEtx)
        return decide(Result::NoEtx);
    const std::uint8_t bcc = blockCheck(frame_.data(), 1, etx);
    if (bcc != frame_[etx + 1]) {
        return decide(Result::BadBlockCheck, " - DataLength = " + std::to_string(length) +
                                                 "; Calc BCC = " + std::to_string(bcc));
    }
    return decide(Result::Ok);
}

Result AnswerScanner::silence() const {
    if (!isBlock())
        return Result::TimeoutHeader;
    if (blockLength_)
        return Result::TimeoutData;
    if (frame_.size() == kUnknownBlockLength && frame_[3] == kEot)
        return Result::UnknownCode;
    return Result::TimeoutHeader;
}

std::span<const std::uint8_t> AnswerScanner::data() const {
    if (!complete())
        return {};
    if (isBlock())
        return std::span(frame_).subspan(kBlockDataOffset, *blockLength_);
    if (!etxAt_)
        return {};
    return std::span(frame_).subspan(kRegisterDataOffset, *etxAt_ - kRegisterDataOffset);
}

std::optional<AnswerScanner::Progress> AnswerScanner::progress() const {
    if (!isBlock() || !lastFeedAfterHeader_ || !blockLength_)
        return std::nullopt;
    return Progress{frame_.size(), *blockLength_ + kBlockOverhead};
}

}  // namespace qu32
