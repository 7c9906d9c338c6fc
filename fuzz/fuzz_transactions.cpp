// Every transaction of the link against answers the fuzzer writes: whole frames, broken ones and
// noise, split over several notifications at any moment, early or after the answer time-out.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "serial/AnswerScanner.h"
#include "serial/Frames.h"
#include "serial/SerialLink.h"
#include "sim/SimUnit.h"
#include "sim/UnitModel.h"
#include "support/SimSerialPort.h"
#include "support/VirtualEventLoop.h"
#include "unit/ConnectedUnit.h"

namespace {

using qu32::Bytes;
using qu32::Result;
using qu32::fuzz::FuzzInput;

constexpr std::size_t kMaxAnswerBytes = qu32::kReceiveBufferSize + 64;
constexpr std::size_t kMaxChunks = 6;
// Delays reach past the one-second answer time-out, so late answers are part of the game.
constexpr double kDelayStepMs = 8.0;
// Each fuzzed answer costs input; once it is gone the unit falls silent and the readers give up
// after their bounded retries. This bounds a run of the slowest reader in virtual time.
constexpr std::int64_t kMaxVirtualMs = 6LL * 3600 * 1000;

struct Quiet : qu32::OperatorObserver {};

// The register code a request names, which a sound answer echoes.
std::string codeOf(const Bytes& request) {
    const std::size_t at = request.size() > 3 && request[3] == qu32::kStx ? 4 : 3;
    if (request.size() < at + 2)
        return "00";
    return std::string(request.begin() + static_cast<std::ptrdiff_t>(at),
                       request.begin() + static_cast<std::ptrdiff_t>(at + 2));
}

// STX, code, body, ETX, block check over code..ETX: what a unit would send for this body.
Bytes frame(const std::string& code, const Bytes& body) {
    Bytes out{qu32::kStx, static_cast<std::uint8_t>(code[0]), static_cast<std::uint8_t>(code[1])};
    out.insert(out.end(), body.begin(), body.end());
    out.push_back(qu32::kEtx);
    out.push_back(qu32::blockCheck(out.data(), 1, out.size() - 1));
    return out;
}

// Builds the answer to one request from the input: raw bytes, a register frame, a block frame
// with its length, or a single acknowledge byte, then maybe one byte changed.
Bytes answerFor(const Bytes& request, FuzzInput& in) {
    const std::string code = codeOf(request);
    Bytes answer;
    switch (in.byte() % 5) {
        case 0:
            answer = in.bytes(kMaxAnswerBytes);
            break;
        case 1:
            answer = frame(code, in.bytes(40));
            break;
        case 2: {
            Bytes body = in.bytes(kMaxAnswerBytes);
            const std::size_t length = body.size();
            body.insert(body.begin(), {static_cast<std::uint8_t>(length >> 8),
                                       static_cast<std::uint8_t>(length & 0xFF)});
            answer = frame(code, body);
            break;
        }
        case 3:
            answer = {in.flag() ? qu32::kAck : qu32::kNak};
            break;
        default:
            break;  // silence
    }
    if (!answer.empty() && in.byte() % 4 == 0)
        answer[in.below(answer.size())] = in.byte();
    return answer;
}

std::vector<qu32::sim::Chunk> chunksOf(const Bytes& answer, FuzzInput& in) {
    std::vector<qu32::sim::Chunk> chunks;
    if (answer.empty())
        return chunks;
    std::vector<std::size_t> cuts;
    const std::size_t count = in.byte() % kMaxChunks;
    for (std::size_t i = 0; i < count; ++i)
        cuts.push_back(in.below(answer.size() + 1));
    cuts.push_back(0);
    cuts.push_back(answer.size());
    std::sort(cuts.begin(), cuts.end());
    double atMs = 0;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i) {
        atMs += in.byte() * kDelayStepMs;
        if (cuts[i] == cuts[i + 1])
            continue;
        chunks.push_back({atMs, Bytes(answer.begin() + static_cast<std::ptrdiff_t>(cuts[i]),
                                      answer.begin() + static_cast<std::ptrdiff_t>(cuts[i + 1]))});
    }
    return chunks;
}

void checkDescription(const qu32::UnitDescription& d) {
    QU32_FUZZ_CHECK(d.parameterCount >= 0 && d.parameterCount <= qu32::kMaxParameters,
                    "parameter table beyond its bound");
    QU32_FUZZ_CHECK(d.inputCount >= 0 && d.inputCount <= qu32::kMaxInputs,
                    "input table beyond its bound");
    QU32_FUZZ_CHECK(d.outputCount >= 0 && d.outputCount <= qu32::kMaxOutputTexts,
                    "output table beyond its bound");
}

void runTransaction(std::uint8_t which, qu32::SerialLink& link, qu32::ConnectedUnit& unit,
                    FuzzInput& in) {
    switch (which % 10) {
        case 0:
        case 1: {
            // Both the usual text and the caller's own bound, down to nothing.
            const std::size_t maxLength =
                which % 10 == 0 ? qu32::kRegisterTextLength : in.byte() % 20;
            std::string value = "stale";
            const Result r = link.readRegister("5A", value, maxLength);
            QU32_FUZZ_CHECK(r == Result::Ok ? value.size() <= maxLength : value.empty(),
                            "register text beyond the caller's bound");
            break;
        }
        case 2: {
            std::string version = "stale";
            const Result r = link.readVersion("99", version);
            QU32_FUZZ_CHECK(
                r == Result::Ok ? version.size() == qu32::kVersionLength : version.empty(),
                "version not of its fixed width");
            break;
        }
        case 3: {
            std::int16_t word = 0;
            link.readStatus("9d", word);
            break;
        }
        case 4:
            link.writeRegister("5A", "+001234");
            break;
        case 5:
            link.setUnitFormat("9>");
            break;
        case 6: {
            Bytes data{1, 2, 3};
            const Result r = link.readByteBlock("9a", data);
            QU32_FUZZ_CHECK(data.size() + 7 <= qu32::kReceiveBufferSize,
                            "byte block beyond the receive buffer");
            QU32_FUZZ_CHECK(r == Result::Ok || data.empty(), "failed block left data behind");
            break;
        }
        case 7: {
            std::vector<std::int32_t> values{1, 2};
            link.readLongBlock("9c", values);
            QU32_FUZZ_CHECK(values.size() <= qu32::kMaxLongValues,
                            "more values than a block holds");
            break;
        }
        case 8:
            unit.readCombinedStatus();
            break;
        default:
            unit.identifyUnit();
            unit.readUnitDescription();
            checkDescription(unit.description);
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    qu32::test::VirtualEventLoop loop;
    qu32::sim::SimUnit simUnit(*qu32::sim::findModel("generic"));
    qu32::test::SimSerialPort port(loop, simUnit);
    qu32::SerialSettings settings;
    Quiet observer;
    qu32::SerialLink link(port, loop, settings, observer);
    qu32::ConnectedUnit unit(link);
    port.setResponder([&in](const Bytes& request) { return chunksOf(answerFor(request, in), in); });
    if (!link.openPort())
        return 0;

    // A few transactions in a row, so that late bytes of one answer meet the next request.
    const int count = 1 + in.byte() % 4;
    for (int i = 0; i < count && loop.nowMs() < kMaxVirtualMs; ++i)
        runTransaction(in.byte(), link, unit, in);
    return 0;
}
