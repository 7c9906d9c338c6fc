#include <gtest/gtest.h>

#include "SimTestFrames.h"
#include "sim/SimUnit.h"

namespace qu32::sim {
namespace {

using namespace qu32::sim::testing;

Fault fault(FaultKind kind, const std::string& code = "", int count = 1) {
    Fault f;
    f.kind = kind;
    f.code = code;
    f.count = count;
    return f;
}

class SimUnitFault : public ::testing::Test {
  protected:
    SimUnitFault() : unit(*findModel("generic")) { unit.setTurnaroundMs(2); }

    std::vector<Chunk> read(const std::string& code, double nowMs = 0) {
        return unit.receive(readRequest("11", code), kNormal, nowMs);
    }

    SimUnit unit;
    const Bytes version = textAnswerFor("99", "TQ593V12");
};

// Each fault hits a read and then a write; NoAnswer and Nak keep the unit from carrying the
// request out, the others spoil only the way back.
TEST_F(SimUnitFault, EachKindSpoilsTheAnswerItsOwnWay) {
    Bytes badCheck = version;
    badCheck.back() ^= 0x01;
    Bytes stray{kStrayByte};
    stray.insert(stray.end(), version.begin(), version.end());
    const struct {
        FaultKind kind;
        Bytes answer;  // Garbage: as long, but printable noise
        Bytes ack;     // the write's answer, which has no block check
        std::size_t pieces;
        double laterMs;
    } cases[] = {
        {FaultKind::NoAnswer, {}, {}, 0, 0},
        {FaultKind::Nak, {kNak}, {kNak}, 1, 0},
        {FaultKind::LateAnswer, version, {kAck}, 1, 1500},
        {FaultKind::SplitAnswer, version, {kAck}, 3, 80},  // a single byte stays whole
        {FaultKind::BadBcc, badCheck, {kAck}, 1, 0},
        {FaultKind::StrayByte, stray, {kStrayByte, kAck}, 1, 0},
        {FaultKind::Garbage, version, {kAck}, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        unit = SimUnit(*findModel("generic"));
        Fault f = fault(c.kind, "", 2);
        f.delayMs = 1500;
        f.pieces = 3;
        f.gapMs = 40;
        unit.injectFault(f);
        const auto chunks = read("99", 100);
        const auto ack = unit.receive(writeFrame("11", "05", "99"), kNormal, 0);
        ASSERT_EQ(chunks.size(), c.pieces);
        ASSERT_LE(ack.size(), 1u);
        for (const auto& [got, want] :
             {std::pair{joined(chunks), c.answer}, {joined(ack), c.ack}}) {
            ASSERT_EQ(got.size(), want.size());
            for (std::size_t i = 0; i < got.size(); ++i) {
                // Garbage is never a control character of the protocol.
                EXPECT_TRUE(c.kind == FaultKind::Garbage ? got[i] >= 0x20 && got[i] < 0x7F
                                                         : got[i] == want[i]);
            }
        }
        EXPECT_DOUBLE_EQ(
            chunks.empty() ? 0 : chunks.back().atMs,
            chunks.empty() ? 0 : 100 + 2 + wireTimeMs(c.answer.size(), kNormal) + c.laterMs);
        const bool carriedOut = c.kind != FaultKind::NoAnswer && c.kind != FaultKind::Nak;
        EXPECT_EQ(unit.registerValue("05"), carriedOut ? "99" : "12");
        EXPECT_EQ(joined(read("99")), version) << "the fault is used up";
    }
}

TEST_F(SimUnitFault, FaultsMatchByCodeAndCountInInjectionOrder) {
    unit.injectFault(fault(FaultKind::NoAnswer, "99", 2));
    EXPECT_TRUE(read("99").empty());
    EXPECT_EQ(joined(read("98")), textAnswerFor("98", "TQ593S04"));
    EXPECT_TRUE(read("99").empty());
    EXPECT_EQ(joined(read("99")), version);
    EXPECT_EQ(unit.requestsSeen(), 4);
    EXPECT_EQ(unit.answersSent(), 2);

    // A count of -1 lasts until cleared; the first injected fault that fits wins; 0 never hits.
    unit.injectFault(fault(FaultKind::Nak, "98", -1));
    unit.injectFault(fault(FaultKind::NoAnswer, "", -1));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(joined(read("98")), Bytes{kNak});
        EXPECT_TRUE(read("99").empty());
    }
    unit.clearFaults();
    unit.injectFault(fault(FaultKind::NoAnswer, "", 0));
    EXPECT_EQ(joined(read("99")), version);

    // Unplugged time does not use a fault up.
    unit.clearFaults();
    unit.injectFault(fault(FaultKind::Nak));
    unit.unplug();
    EXPECT_TRUE(read("99").empty());
    unit.replug();
    EXPECT_EQ(joined(read("99")), Bytes{kNak});

    for (std::size_t i = 0; i < kMaxFaults; ++i)
        EXPECT_TRUE(unit.injectFault(fault(FaultKind::StrayByte)));
    EXPECT_FALSE(unit.injectFault(fault(FaultKind::NoAnswer)));
}

}  // namespace
}  // namespace qu32::sim
