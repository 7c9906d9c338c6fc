#include "serial/Frames.h"
#include "serial/SerialLink.h"

namespace qu32 {

namespace {

constexpr int kInt16Range = 65536;
constexpr int kInt16Max = 32767;
constexpr std::size_t kLongValueBytes = 4;

// The hexadecimal digits of a status answer, last digit least significant; capitals only.
std::optional<std::int16_t> decodeStatusWord(std::span<const std::uint8_t> digits) {
    int value = 0;
    for (const std::uint8_t c : digits) {
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    if (value > kInt16Max)
        value -= kInt16Range;
    return static_cast<std::int16_t>(value);
}

}  // namespace

// A read request for `code` at the unit address, its answer checked by `scanner`.
Result SerialLink::request(Transaction transaction, const std::string& code,
                           AnswerScanner& scanner) {
    return exchange(transaction, buildReadRequest(settings_.unitAddress, code), scanner);
}

Result SerialLink::readRegister(const std::string& code, std::string& value,
                                std::size_t maxLength) {
    value.clear();
    AnswerScanner scanner(AnswerKind::Register, code);
    if (const Result r = request(Transaction::ReadRegister, code, scanner); r != Result::Ok)
        return r;
    const auto data = scanner.data();
    // The caller sizes the value it expects; a longer answer is not ours to take.
    if (data.size() > maxLength) {
        return fail(Transaction::ReadRegister, Result::InternalFault,
                    " Data longer than the expected text.");
    }
    value.assign(data.begin(), data.end());
    return Result::Ok;
}

Result SerialLink::readVersion(const std::string& code, std::string& version) {
    version.clear();
    AnswerScanner scanner(AnswerKind::Version, code);
    if (const Result r = request(Transaction::ReadVersion, code, scanner); r != Result::Ok)
        return r;
    // Exactly eight characters; a shorter version is padded with spaces rather than with the
    // frame's ETX and block check.
    const auto data = scanner.data();
    version.assign(kVersionLength, ' ');
    for (std::size_t i = 0; i < kVersionLength && i < data.size(); ++i)
        version[i] = static_cast<char>(data[i]);
    return Result::Ok;
}

Result SerialLink::readStatus(const std::string& code, std::int16_t& word) {
    AnswerScanner scanner(AnswerKind::Status, code);
    if (const Result r = request(Transaction::ReadStatus, code, scanner); r != Result::Ok)
        return r;
    // The data is "H" and the digits.
    const auto decoded = decodeStatusWord(scanner.data().subspan(1));
    if (!decoded)
        return fail(Transaction::ReadStatus, Result::BadStatusDigit);
    word = *decoded;
    return Result::Ok;
}

Result SerialLink::writeRegister(const std::string& code, const std::string& value) {
    AnswerScanner scanner(AnswerKind::WriteAcknowledge, code);
    return exchange(Transaction::WriteRegister, buildWriteFrame(settings_.unitAddress, code, value),
                    scanner);
}

Result SerialLink::setUnitFormat(const std::string& command) {
    AnswerScanner scanner(AnswerKind::CommandAcknowledge, command);
    return request(Transaction::SetUnitFormat, command, scanner);
}

Result SerialLink::readByteBlock(const std::string& code, Bytes& data) {
    data.clear();
    AnswerScanner scanner(AnswerKind::ByteBlock, code);
    if (const Result r = request(Transaction::ReadByteBlock, code, scanner); r != Result::Ok)
        return r;
    data.assign(scanner.data().begin(), scanner.data().end());
    return Result::Ok;
}

Result SerialLink::readLongBlock(const std::string& code, std::vector<std::int32_t>& values) {
    values.clear();
    AnswerScanner scanner(AnswerKind::LongBlock, code);
    if (const Result r = request(Transaction::ReadLongBlock, code, scanner); r != Result::Ok)
        return r;
    const auto data = scanner.data();
    const std::size_t count = data.size() / kLongValueBytes;
    if (count > kMaxLongValues) {
        return fail(Transaction::ReadLongBlock, Result::InternalFault,
                    " Block of " + std::to_string(count) + " values exceeds the value table.");
    }
    values.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto b = data.subspan(kLongValueBytes * i, kLongValueBytes);
        values.push_back(bytesToLong(b[0], b[1], b[2], b[3]));
    }
    return Result::Ok;
}

}  // namespace qu32
