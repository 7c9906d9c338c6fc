#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/LineFormat.h"
#include "sim/UnitModel.h"

namespace qu32::sim {

using Bytes = std::vector<std::uint8_t>;

// A piece of the unit's answer and the moment its last byte has left the unit's transmitter.
struct Chunk {
    double atMs = 0;
    Bytes bytes;
};

// Faults a test can put on the unit. NoAnswer and Nak mean the unit did not carry the request out;
// the others happen on the way back, after the unit has done what was asked.
enum class FaultKind {
    NoAnswer,     // the request is ignored
    LateAnswer,   // the answer comes delayMs later than usual
    SplitAnswer,  // the answer arrives in `pieces` parts, gapMs apart
    BadBcc,       // the block check of the answer is wrong (answers without one are left alone)
    Nak,          // NAK instead of the answer (reads and writes)
    StrayByte,    // a stray byte in front of the answer
    Garbage,      // random bytes instead of the answer
};

struct Fault {
    FaultKind kind = FaultKind::NoAnswer;
    std::string code;  // register code it applies to; empty: any request
    int count = 1;     // how many matching requests it hits; -1: until cleared
    int delayMs = 0;   // LateAnswer
    int pieces = 2;    // SplitAnswer
    int gapMs = 5;     // SplitAnswer
};

// Control bytes of the protocol.
inline constexpr std::uint8_t kStx = 0x02;
inline constexpr std::uint8_t kEtx = 0x03;
inline constexpr std::uint8_t kEot = 0x04;
inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kNak = 0x15;
// The byte a StrayByte fault puts in front of the answer.
inline constexpr std::uint8_t kStrayByte = 0x00;

// Characters of an answer that reach the PC together, as a serial driver hands them over.
inline constexpr std::size_t kDeliveryBytes = 32;
// Longest request the unit collects; a longer one without its end is line noise and dropped.
inline constexpr std::size_t kMaxFrameBytes = 128;
// Received bytes still waiting for the rest of their frame; more than this is dropped.
inline constexpr std::size_t kMaxPendingBytes = kMaxFrameBytes;
// Faults waiting at the same time.
inline constexpr std::size_t kMaxFaults = 64;
// The length field of a block answer has two bytes.
inline constexpr std::size_t kMaxBlockBytes = 65535;

// The actual value swings between -kActualValueSwing and +kActualValueSwing and back once in
// kActualValuePeriodMs, so a monitor shows movement.
inline constexpr int kActualValueSwing = 1000;
inline constexpr long long kActualValuePeriodMs = 20000;
// Digits of the actual value's text after its sign.
inline constexpr std::size_t kActualValueDigits = 5;
// The combined status read: six 14-bit words in two 7-bit bytes each.
inline constexpr std::size_t kMultiReadBytes = 12;
inline constexpr std::size_t kMultiReadWords = 5;  // words carried, besides the eighth bits

// The combined status read's data for the words serial inputs, external inputs, third input
// word, actual value and outputs, in that order. Every byte stays below 128; the eighth bits of
// the words (bits 15 and 7) travel in the sixth word.
std::array<std::uint8_t, kMultiReadBytes> encodeMultiRead(
    const std::array<std::uint16_t, kMultiReadWords>& words);

// The protocol engine of a unit. It is fed the bytes that reach it over the line and answers
// with timed chunks; hosts (the in-process simulated port, the pty host) move the bytes.
class SimUnit {
  public:
    explicit SimUnit(UnitModel model);

    // Bytes arriving at the unit at `nowMs`, sent by a PC whose line is set to `pcLine`.
    // Returns the answer chunks, timed from `nowMs` (turnaround plus wire time).
    std::vector<Chunk> receive(const Bytes& bytes, const LineFormat& pcLine, double nowMs);

    const UnitModel& model() const { return model_; }
    // Replaces the unit by another model (as if swapped on the line); address and line kept.
    void replaceModel(UnitModel model);

    // The address it answers to and its format outside the 8-bit phase, as last activated.
    std::string address() const { return address_; }
    LineFormat line() const;  // the format it talks right now (8-bit phase included)
    LineFormat normalLine() const { return normalLine_; }
    // The unit as set up before it is put on the line: working and stored settings alike, and
    // its address and line registers to match.
    void setAddress(const std::string& address);
    void setNormalLine(const LineFormat& f);
    // What it comes back with after a power cycle.
    std::string storedAddress() const { return storedAddress_; }
    LineFormat storedLine() const { return storedLine_; }
    int turnaroundMs() const { return turnaroundMs_; }
    void setTurnaroundMs(int ms) { turnaroundMs_ = ms; }
    // Off: answers are timed by turnaround and fault delays only, as if the line were infinitely
    // fast.
    void setWireTimeEmulation(bool on) { wireTime_ = on; }
    bool wireTimeEmulation() const { return wireTime_; }
    bool eightBitMode() const { return eightBit_; }

    // Faults are matched in the order they were injected; the first that fits a request hits it.
    // Returns false (and keeps nothing) when kMaxFaults are already waiting.
    bool injectFault(const Fault& fault);
    void clearFaults() { faults_.clear(); }
    void unplug() { plugged_ = false; }
    // Power comes back (whether or not it was unplugged): the stored values, address and line
    // return, the inputs set from the PC are released and the 8-bit phase is over.
    void replug();
    bool plugged() const { return plugged_; }

    // Register contents as the unit works with them, which is what a read answers (tests look
    // and poke). A poke sets the stored value as well, as if the unit had come that way.
    std::optional<std::string> registerValue(const std::string& code) const;
    void setRegisterValue(const std::string& code, const std::string& value);
    // The value kept for the next power-up.
    std::optional<std::string> storedValue(const std::string& code) const;

    // A register whose working value is not what is stored.
    struct UnstoredValue {
        std::string code;
        std::string working;
        std::string stored;
        bool operator==(const UnstoredValue&) const = default;
    };
    // In code order.
    std::vector<UnstoredValue> unstoredValues() const;

    // Status words as the unit holds them now. Writing an input command or the reset changes the
    // serial inputs, a power cycle releases them; everything else changes only here.
    UnitStatus status() const { return status_; }
    void setStatus(const UnitStatus& status) { status_ = status; }
    // Holds the actual value still at `value`; nothing lets it swing again.
    void setStatusActualValue(std::optional<std::int16_t> value) { heldActualValue_ = value; }
    std::int16_t actualValueAt(double nowMs) const;

    // Counts for tests and benchmarks.
    int requestsSeen() const { return requestsSeen_; }
    int answersSent() const { return answersSent_; }

  private:
    void feed(Bytes bytes, double nowMs, std::vector<Chunk>& out);
    std::vector<Chunk> handleFrame(const Bytes& frame, double nowMs);
    Bytes executeRead(const std::string& code);
    Bytes executeWrite(const Bytes& frame, const std::string& code);
    std::vector<Chunk> answer(Bytes bytes, const std::optional<Fault>& fault,
                              const LineFormat& talkLine, double nowMs);
    std::optional<Fault> takeFault(const std::string& code);
    void loadRegisters();
    Bytes multiReadData() const;
    Bytes statusAnswer(const std::string& code) const;
    Bytes setInput(std::uint16_t mask, const std::string& value);
    // The unit's own commands; an empty answer when `code` is none of them.
    Bytes unitCommand(const std::string& code, const std::string& value);
    // Sets a register the model has, working and stored alike; others are left alone.
    void setOwnRegister(const std::string& code, const std::string& value);

    UnitModel model_;
    std::string address_;
    LineFormat normalLine_;
    int turnaroundMs_ = 2;
    bool eightBit_ = false;
    bool plugged_ = true;
    bool wireTime_ = true;
    std::string storedAddress_;
    LineFormat storedLine_;
    std::map<std::string, std::string> registers_;  // working values
    std::map<std::string, std::string> stored_;     // the EEPROM
    UnitStatus status_;
    std::optional<std::int16_t> heldActualValue_;
    double nowMs_ = 0;  // when the request being answered arrived
    std::deque<Fault> faults_;
    Bytes pending_;
    int requestsSeen_ = 0;
    int answersSent_ = 0;
    std::uint32_t garbageSeed_ = 12345;
};

}  // namespace qu32::sim
