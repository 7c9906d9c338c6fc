#include "sim/SimUnit.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace qu32::sim {

namespace {

// Received bytes are taken in slices of this size, so the pending buffer never grows with the
// size of one delivery.
constexpr std::size_t kReceiveSliceBytes = 64;
// Digits a ranged register value may have (fits a long long with room).
constexpr std::size_t kMaxNumberDigits = 18;
// Read request: EOT, address (2), code (2), ENQ.
constexpr std::size_t kReadRequestBytes = 6;
// Offset of the first value byte in a write frame: EOT, address (2), STX, code (2).
constexpr std::size_t kWriteValueOffset = 6;

enum class Scan { Complete, Incomplete, Invalid };

// Looks at the request that begins with the EOT at `start`. On Complete, `end` is one past it.
// A write frame is EOT a1 a2 STX c1 c2 value ETX BCC; anything else must be a read request.
Scan scanFrame(const Bytes& buf, std::size_t start, std::size_t& end) {
    const std::size_t available = buf.size() - start;
    const bool write = available > 3 && buf[start + 3] == kStx;
    for (std::size_t i = 1; i < available; ++i) {
        const std::uint8_t b = buf[start + i];
        if (write && i >= kWriteValueOffset) {
            if (b == kEtx) {
                if (i + 1 < available) {
                    end = start + i + 2;
                    return Scan::Complete;
                }
                return Scan::Incomplete;
            }
        } else if (!write && i == kReadRequestBytes - 1) {
            if (b != kEnq) {
                return Scan::Invalid;
            }
            end = start + kReadRequestBytes;
            return Scan::Complete;
        }
        // An EOT before the end of a request means the PC has started over.
        if (b == kEot || i + 2 > kMaxFrameBytes) {
            return Scan::Invalid;
        }
    }
    return Scan::Incomplete;
}

std::uint8_t blockCheck(const Bytes& bytes, std::size_t from, std::size_t to) {
    std::uint8_t bcc = 0;
    for (std::size_t i = from; i < to; ++i) {
        bcc ^= bytes[i];
    }
    return bcc;
}

Bytes textAnswer(const std::string& code, const std::string& value) {
    Bytes out{kStx, static_cast<std::uint8_t>(code[0]), static_cast<std::uint8_t>(code[1])};
    out.insert(out.end(), value.begin(), value.end());
    out.push_back(kEtx);
    out.push_back(blockCheck(out, 1, out.size()));
    return out;
}

// A unit answers a code it does not have with EOT where the data would start, and nothing more.
Bytes unknownAnswer(const std::string& code) {
    return {kStx, static_cast<std::uint8_t>(code[0]), static_cast<std::uint8_t>(code[1]), kEot};
}

Bytes blockAnswer(const std::string& code, const Bytes& data) {
    const std::size_t length = std::min(data.size(), kMaxBlockBytes);
    Bytes out{kStx, static_cast<std::uint8_t>(code[0]), static_cast<std::uint8_t>(code[1]),
              static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length & 0xFF)};
    out.insert(out.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length));
    out.push_back(kEtx);
    out.push_back(blockCheck(out, 1, out.size()));
    return out;
}

// A whole number as the unit's display would take it: optional sign, then digits only. "#" is a
// sign mark of its own that counts as positive.
bool parseWholeNumber(const std::string& text, long long& out) {
    std::size_t i = 0;
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-' || text[0] == '#')) {
        negative = text[0] == '-';
        i = 1;
    }
    if (i == text.size() || text.size() - i > kMaxNumberDigits) {
        return false;
    }
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    out = negative ? -value : value;
    return true;
}

// A status word as the unit reports it: "H" and four upper-case hexadecimal digits.
std::string hexWord(std::uint16_t word) {
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string text = "H";
    for (int shift = 12; shift >= 0; shift -= 4) {
        text.push_back(kHexDigits[(word >> shift) & 0xF]);
    }
    return text;
}

std::string signedText(int value, std::size_t digits) {
    std::string magnitude = std::to_string(value < 0 ? -static_cast<long long>(value) : value);
    if (magnitude.size() < digits) {
        magnitude.insert(0, digits - magnitude.size(), '0');
    }
    return (value < 0 ? "-" : "+") + magnitude;
}

bool isTwoDigits(const std::string& text) {
    constexpr std::size_t kAddressChars = 2;
    return text.size() == kAddressChars && std::isdigit(static_cast<unsigned char>(text[0])) &&
           std::isdigit(static_cast<unsigned char>(text[1]));
}

// Address and line as the registers name them; a setting they do not name (or name wrongly) is
// kept as it is.
void settingsFrom(const std::map<std::string, std::string>& registers, std::string& address,
                  LineFormat& line) {
    if (const auto a = registers.find(kAddressRegister);
        a != registers.end() && isTwoDigits(a->second)) {
        address = a->second;
    }
    long long code = 0;
    if (const auto b = registers.find(kBaudRateRegister);
        b != registers.end() && parseWholeNumber(b->second, code)) {
        if (const std::optional<int> baud = baudForCode(code)) {
            line.baud = *baud;
        }
    }
    if (const auto f = registers.find(kSerialFormatRegister);
        f != registers.end() && parseWholeNumber(f->second, code)) {
        if (const std::optional<LineFormat> formatted = withFormatCode(line, code)) {
            line = *formatted;
        }
    }
}

std::string codeOf(const Bytes& frame, std::size_t offset) {
    return std::string{static_cast<char>(frame[offset]), static_cast<char>(frame[offset + 1])};
}

}  // namespace

std::array<std::uint8_t, kMultiReadBytes> encodeMultiRead(
    const std::array<std::uint16_t, kMultiReadWords>& words) {
    constexpr std::uint16_t kBit15 = 0x8000;
    constexpr std::uint16_t kBit7 = 0x0080;
    constexpr std::uint8_t kSevenBits = 0x7F;
    // Word k's eighth bits sit at bit 2 + k of the sixth word's two bytes.
    constexpr int kFirstCarryBit = 2;
    constexpr std::size_t kCarryHigh = 2 * kMultiReadWords;
    constexpr std::size_t kCarryLow = kCarryHigh + 1;

    std::array<std::uint8_t, kMultiReadBytes> out{};
    for (std::size_t k = 0; k < kMultiReadWords; ++k) {
        const std::uint16_t w = words[k];
        out[2 * k] = static_cast<std::uint8_t>((w >> 8) & kSevenBits);
        out[2 * k + 1] = static_cast<std::uint8_t>(w & kSevenBits);
        const auto carry = static_cast<std::uint8_t>(1u << (kFirstCarryBit + k));
        if ((w & kBit15) != 0) {
            out[kCarryHigh] |= carry;
        }
        if ((w & kBit7) != 0) {
            out[kCarryLow] |= carry;
        }
    }
    return out;
}

SimUnit::SimUnit(UnitModel model) : model_(std::move(model)) {
    loadRegisters();
    setAddress(model_.defaultAddress);
    setNormalLine(model_.normalLine);
}

void SimUnit::replaceModel(UnitModel model) {
    model_ = std::move(model);
    // The new unit has just been powered up: its own registers, normal format, nothing heard yet.
    // It was set up to the address and line of the one it replaces.
    eightBit_ = false;
    pending_.clear();
    loadRegisters();
    setAddress(address_);
    setNormalLine(normalLine_);
}

void SimUnit::setAddress(const std::string& address) {
    address_ = address;
    storedAddress_ = address;
    if (isTwoDigits(address)) {
        setOwnRegister(kAddressRegister, address);
    }
}

void SimUnit::setNormalLine(const LineFormat& f) {
    normalLine_ = f;
    storedLine_ = f;
    if (const std::optional<int> code = baudCodeFor(f.baud)) {
        setOwnRegister(kBaudRateRegister, std::to_string(*code));
    }
    if (const std::optional<int> code = formatCodeFor(f)) {
        setOwnRegister(kSerialFormatRegister, std::to_string(*code));
    }
}

void SimUnit::setOwnRegister(const std::string& code, const std::string& value) {
    if (registers_.contains(code)) {
        setRegisterValue(code, value);
    }
}

LineFormat SimUnit::line() const {
    return eightBit_ ? kEightBitLine : normalLine_;
}

bool SimUnit::injectFault(const Fault& fault) {
    if (faults_.size() >= kMaxFaults) {
        return false;
    }
    faults_.push_back(fault);
    return true;
}

void SimUnit::replug() {
    plugged_ = true;
    eightBit_ = false;
    pending_.clear();
    registers_ = stored_;
    address_ = storedAddress_;
    normalLine_ = storedLine_;
    status_.serialInputs = model_.initialStatus.serialInputs;
}

std::optional<std::string> SimUnit::registerValue(const std::string& code) const {
    const auto it = registers_.find(code);
    if (it == registers_.end()) {
        return std::nullopt;
    }
    return it->second;
}

void SimUnit::setRegisterValue(const std::string& code, const std::string& value) {
    registers_[code] = value;
    stored_[code] = value;
}

std::optional<std::string> SimUnit::storedValue(const std::string& code) const {
    const auto it = stored_.find(code);
    if (it == stored_.end()) {
        return std::nullopt;
    }
    return it->second;
}

std::vector<SimUnit::UnstoredValue> SimUnit::unstoredValues() const {
    std::vector<UnstoredValue> out;
    for (const auto& [code, working] : registers_) {
        const std::string stored = storedValue(code).value_or(std::string());
        if (working != stored) {
            out.push_back({code, working, stored});
        }
    }
    return out;
}

std::vector<Chunk> SimUnit::receive(const Bytes& bytes, const LineFormat& pcLine, double nowMs) {
    std::vector<Chunk> out;
    if (!plugged_) {
        pending_.clear();
        return out;
    }
    for (std::size_t offset = 0; offset < bytes.size(); offset += kReceiveSliceBytes) {
        const LineFormat unitLine = line();
        if (!(pcLine == unitLine)) {
            // Characters sent at another speed or in another format reach the unit as noise,
            // which also spoils any request it had begun to collect.
            pending_.clear();
            return out;
        }
        const std::size_t end = std::min(bytes.size(), offset + kReceiveSliceBytes);
        // A 7-bit receiver never sees the eighth bit.
        const std::uint8_t mask = unitLine.dataBits == 7 ? 0x7F : 0xFF;
        for (std::size_t i = offset; i < end; ++i) {
            pending_.push_back(bytes[i] & mask);
        }

        std::size_t pos = 0;
        while (true) {
            const auto eot = std::find(pending_.begin() + static_cast<std::ptrdiff_t>(pos),
                                       pending_.end(), kEot);
            if (eot == pending_.end()) {
                // Nothing that could start a request: all of it was noise.
                pending_.clear();
                break;
            }
            const std::size_t start = static_cast<std::size_t>(eot - pending_.begin());
            std::size_t frameEnd = 0;
            const Scan scan = scanFrame(pending_, start, frameEnd);
            if (scan == Scan::Incomplete) {
                pending_.erase(pending_.begin(), eot);
                break;
            }
            if (scan == Scan::Invalid) {
                pos = start + 1;
                continue;
            }
            const Bytes frame(eot, pending_.begin() + static_cast<std::ptrdiff_t>(frameEnd));
            pos = frameEnd;
            // Answers to several requests in one delivery follow each other on the line.
            const double readyMs = out.empty() ? nowMs : std::max(nowMs, out.back().atMs);
            std::vector<Chunk> chunks = handleFrame(frame, readyMs);
            out.insert(out.end(), chunks.begin(), chunks.end());
            if (!(line() == unitLine)) {
                // The unit has switched its format; what the PC sent after the command in the
                // old format is noise to it now.
                pending_.clear();
                return out;
            }
        }
        if (pending_.size() > kMaxPendingBytes) {
            pending_.clear();
        }
    }
    return out;
}

std::vector<Chunk> SimUnit::handleFrame(const Bytes& frame, double nowMs) {
    if (address_.size() != 2 || frame[1] != static_cast<std::uint8_t>(address_[0]) ||
        frame[2] != static_cast<std::uint8_t>(address_[1])) {
        return {};
    }
    ++requestsSeen_;
    nowMs_ = nowMs;
    const bool write = frame[3] == kStx;
    const std::string code = codeOf(frame, write ? 4 : 3);
    const std::optional<Fault> fault = takeFault(code);
    // The answer goes out in the format the request came in, even when the request switches it.
    const LineFormat talkLine = line();
    if (fault && fault->kind == FaultKind::NoAnswer) {
        return {};
    }
    if (fault && fault->kind == FaultKind::Nak) {
        return answer(Bytes{kNak}, fault, talkLine, nowMs);
    }
    Bytes reply = write ? executeWrite(frame, code) : executeRead(code);
    return answer(std::move(reply), fault, talkLine, nowMs);
}

Bytes SimUnit::executeRead(const std::string& code) {
    if (model_.formatCommands && code == kEightBitCommand) {
        eightBit_ = true;
        return {kAck};
    }
    if (model_.formatCommands && code == kNormalFormatCommand) {
        eightBit_ = false;
        return {kAck};
    }
    // Activate and store are taken as a request as well, but only a written "1" does anything.
    if (model_.commands &&
        (code == model_.commands->activateCode || code == model_.commands->storeCode)) {
        return {kAck};
    }
    if (model_.multiRead && code == kMultiReadCode) {
        return blockAnswer(code, multiReadData());
    }
    if (const auto block = model_.blocks.find(code); block != model_.blocks.end()) {
        // Block data may hold any byte value, so the unit sends blocks only on an 8-bit line.
        return eightBit_ ? blockAnswer(code, block->second) : unknownAnswer(code);
    }
    if (Bytes status = statusAnswer(code); !status.empty()) {
        return status;
    }
    if (const auto reg = registers_.find(code); reg != registers_.end()) {
        return textAnswer(code, reg->second);
    }
    return unknownAnswer(code);
}

Bytes SimUnit::executeWrite(const Bytes& frame, const std::string& code) {
    const std::size_t etx = frame.size() - 2;
    if (blockCheck(frame, 4, etx + 1) != frame.back()) {
        return {kNak};
    }
    const std::string value(frame.begin() + kWriteValueOffset,
                            frame.begin() + static_cast<std::ptrdiff_t>(etx));
    // The unit's commands come first, also where a code doubles as an input command.
    if (Bytes reply = unitCommand(code, value); !reply.empty()) {
        return reply;
    }
    if (model_.status) {
        if (const auto in = model_.status->inputCommands.find(code);
            in != model_.status->inputCommands.end()) {
            return setInput(in->second, value);
        }
    }
    // Only registers of the model can be written; version texts and blocks are read-only.
    const auto entry = model_.registers.find(code);
    if (entry == model_.registers.end() || !entry->second.writable) {
        return {kNak};
    }
    if (entry->second.range) {
        long long number = 0;
        if (!parseWholeNumber(value, number) || number < entry->second.range->minValue ||
            number > entry->second.range->maxValue) {
            return {kNak};
        }
    }
    // The PC can only put an address of two digits in its frames.
    if (code == kAddressRegister && !isTwoDigits(value)) {
        return {kNak};
    }
    registers_[code] = value;
    if (!model_.commands) {
        // Nothing to activate or store: the value is in force and kept at once.
        stored_[code] = value;
        settingsFrom(registers_, address_, normalLine_);
        settingsFrom(registers_, storedAddress_, storedLine_);
    }
    return {kAck};
}

std::vector<Chunk> SimUnit::answer(Bytes bytes, const std::optional<Fault>& fault,
                                   const LineFormat& talkLine, double nowMs) {
    if (bytes.empty()) {
        return {};
    }
    ++answersSent_;
    if (talkLine.dataBits == 7) {
        // A 7-bit transmitter drops the eighth bit of every character, block check included.
        for (std::uint8_t& b : bytes) {
            b &= 0x7F;
        }
    }
    const FaultKind kind = fault ? fault->kind : FaultKind::NoAnswer;
    if (fault && kind == FaultKind::BadBcc && bytes.size() >= 5 && bytes[0] == kStx) {
        bytes.back() ^= 0x01;
    }
    if (fault && kind == FaultKind::StrayByte) {
        bytes.insert(bytes.begin(), kStrayByte);
    }
    if (fault && kind == FaultKind::Garbage) {
        // Printable noise: it can never be taken for a control character of the protocol.
        for (std::uint8_t& b : bytes) {
            garbageSeed_ = garbageSeed_ * 1664525u + 1013904223u;
            b = static_cast<std::uint8_t>(0x20 + (garbageSeed_ >> 24) % 95);
        }
    }

    const auto wire = [&](std::size_t characters) {
        return wireTime_ ? wireTimeMs(characters, talkLine) : 0.0;
    };
    double startMs = nowMs + turnaroundMs_;
    if (fault && kind == FaultKind::LateAnswer) {
        startMs += std::max(0, fault->delayMs);
    }
    std::size_t pieces = 1;
    double gapMs = 0;
    if (fault && kind == FaultKind::SplitAnswer) {
        pieces = static_cast<std::size_t>(
            std::clamp<long long>(fault->pieces, 1, static_cast<long long>(bytes.size())));
        gapMs = std::max(0, fault->gapMs);
    }
    std::vector<Chunk> chunks;
    for (std::size_t k = 0; k < pieces; ++k) {
        const std::size_t from = bytes.size() * k / pieces;
        const std::size_t to = bytes.size() * (k + 1) / pieces;
        // A long answer reaches the PC as it crosses the line, a few characters at a time, not
        // all at once when its last byte is out.
        for (std::size_t at = from; at < to; at += kDeliveryBytes) {
            const std::size_t end = std::min(to, at + kDeliveryBytes);
            Chunk chunk;
            chunk.atMs = startMs + wire(end) + gapMs * static_cast<double>(k);
            chunk.bytes.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                               bytes.begin() + static_cast<std::ptrdiff_t>(end));
            chunks.push_back(std::move(chunk));
        }
    }
    return chunks;
}

std::optional<Fault> SimUnit::takeFault(const std::string& code) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->count == 0 || (!it->code.empty() && it->code != code)) {
            continue;
        }
        const Fault hit = *it;
        if (it->count > 0 && --it->count == 0) {
            faults_.erase(it);
        }
        return hit;
    }
    return std::nullopt;
}

void SimUnit::loadRegisters() {
    registers_.clear();
    status_ = model_.initialStatus;
    heldActualValue_.reset();
    for (const auto& [code, entry] : model_.registers) {
        registers_[code] = entry.initialValue;
    }
    if (model_.softwareVersion) {
        registers_[kSoftwareVersionCode] = *model_.softwareVersion;
    }
    if (model_.standardVersion) {
        registers_[kStandardVersionCode] = *model_.standardVersion;
    }
    if (model_.coprocessorVersion) {
        registers_[kCoprocessorVersionCode] = *model_.coprocessorVersion;
    }
    stored_ = registers_;
}

Bytes SimUnit::multiReadData() const {
    const auto data =
        encodeMultiRead({status_.serialInputs, status_.externalInputs, status_.busInputs,
                         static_cast<std::uint16_t>(actualValueAt(nowMs_)), status_.outputs});
    return Bytes(data.begin(), data.end());
}

std::int16_t SimUnit::actualValueAt(double nowMs) const {
    if (heldActualValue_) {
        return *heldActualValue_;
    }
    // A triangle: up from 0 to the top in the first quarter period, down to the bottom by the
    // third, back to 0 by the end.
    constexpr long long kQuarterMs = kActualValuePeriodMs / 4;
    constexpr long long kSwing = kActualValueSwing;
    long long t = static_cast<long long>(std::floor(nowMs)) % kActualValuePeriodMs;
    if (t < 0) {
        t += kActualValuePeriodMs;
    }
    long long value = 0;
    if (t < kQuarterMs) {
        value = kSwing * t / kQuarterMs;
    } else if (t < 3 * kQuarterMs) {
        value = kSwing - kSwing * (t - kQuarterMs) / kQuarterMs;
    } else {
        value = -kSwing + kSwing * (t - 3 * kQuarterMs) / kQuarterMs;
    }
    return static_cast<std::int16_t>(value);
}

// The answer to a status register of the model, or nothing when `code` is none of them.
Bytes SimUnit::statusAnswer(const std::string& code) const {
    if (!model_.status) {
        return {};
    }
    const StatusLayout& layout = *model_.status;
    const struct {
        const std::string& code;
        std::uint16_t word;
    } words[] = {
        {layout.pcInputCode, status_.serialInputs},
        {layout.externalInputCode, status_.externalInputs},
        {layout.busInputCode, status_.busInputs},
        {layout.outputCode, status_.outputs},
    };
    for (const auto& w : words) {
        if (code == w.code) {
            return textAnswer(code, hexWord(w.word));
        }
    }
    if (code == layout.actualValueCode) {
        return textAnswer(code, signedText(actualValueAt(nowMs_), kActualValueDigits));
    }
    return {};
}

// An input command sets the input with "1" and releases it with "0"; nothing else is taken.
Bytes SimUnit::setInput(std::uint16_t mask, const std::string& value) {
    if (value == "1") {
        status_.serialInputs = static_cast<std::uint16_t>(status_.serialInputs | mask);
    } else if (value == "0") {
        status_.serialInputs = static_cast<std::uint16_t>(status_.serialInputs & ~mask);
    } else {
        return {kNak};
    }
    return {kAck};
}

Bytes SimUnit::unitCommand(const std::string& code, const std::string& value) {
    if (!model_.commands) {
        return {};
    }
    const UnitCommands& commands = *model_.commands;
    if (code == commands.resetCode) {
        return setInput(commands.resetMask, value);
    }
    if (code == commands.activateCode) {
        // The acknowledge goes out in the old settings (see handleFrame); the next request must
        // come in the new ones.
        if (value == "1") {
            settingsFrom(registers_, address_, normalLine_);
        }
        return {kAck};
    }
    if (code == commands.storeCode) {
        // What is stored is what was written, whether activated or not.
        if (value == "1") {
            stored_ = registers_;
            settingsFrom(stored_, storedAddress_, storedLine_);
        }
        return {kAck};
    }
    return {};
}

}  // namespace qu32::sim
