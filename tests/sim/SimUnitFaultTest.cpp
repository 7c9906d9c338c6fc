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

Fault late(int delayMs) {
    Fault f = fault(FaultKind::LateAnswer);
    f.delayMs = delayMs;
    return f;
}

Fault split(int pieces, int gapMs) {
    Fault f = fault(FaultKind::SplitAnswer);
    f.pieces = pieces;
    f.gapMs = gapMs;
    return f;
}

class SimUnitFault : public ::testing::Test {
  protected:
    SimUnitFault() : unit(*findModel("generic")) { unit.setTurnaroundMs(2); }

    std::vector<Chunk> read(const std::string& code, double nowMs = 0) {
        return unit.receive(readRequest("11", code), kNormal, nowMs);
    }
    std::vector<Chunk> write(const std::string& code, const std::string& value) {
        return unit.receive(writeFrame("11", code, value), kNormal, 0);
    }

    SimUnit unit;
    const Bytes version = textAnswerFor("99", "TQ593V12");
};

TEST_F(SimUnitFault, NoAnswerHitsOnlyItsCodeAndOnlyItsCount) {
    unit.injectFault(fault(FaultKind::NoAnswer, "99", 2));
    EXPECT_TRUE(read("99").empty());
    EXPECT_EQ(joined(read("98")), textAnswerFor("98", "TQ593S04"));
    EXPECT_TRUE(read("99").empty());
    EXPECT_EQ(joined(read("99")), version);
    EXPECT_EQ(unit.requestsSeen(), 4);
    EXPECT_EQ(unit.answersSent(), 2);
}

TEST_F(SimUnitFault, IgnoredOrRefusedRequestsAreNotCarriedOut) {
    for (FaultKind kind : {FaultKind::NoAnswer, FaultKind::Nak}) {
        unit.injectFault(fault(kind));
        const Bytes expected = kind == FaultKind::Nak ? Bytes{kNak} : Bytes{};
        EXPECT_EQ(joined(write("05", "99")), expected);
        EXPECT_EQ(unit.registerValue("05"), "12");
        unit.injectFault(fault(kind));
        EXPECT_EQ(joined(read("9>")), expected);
        EXPECT_FALSE(unit.eightBitMode());
    }
    EXPECT_EQ(joined(write("05", "99")), Bytes{kAck});
}

TEST_F(SimUnitFault, NakReplacesAReadAnswer) {
    unit.injectFault(fault(FaultKind::Nak, "99"));
    EXPECT_EQ(joined(read("99")), Bytes{kNak});
}

TEST_F(SimUnitFault, LateAnswerComesDelayMsLater) {
    const double usual = read("99", 100)[0].atMs;
    unit.injectFault(late(1500));
    const auto late = read("99", 100);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_DOUBLE_EQ(late[0].atMs, usual + 1500);
    EXPECT_EQ(late[0].bytes, version);
}

TEST_F(SimUnitFault, SplitAnswerArrivesInPiecesGapMsApart) {
    const double usual = read("99", 0)[0].atMs;
    unit.injectFault(split(3, 40));
    const auto pieces = read("99", 0);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(joined(pieces), version);
    EXPECT_LT(pieces[0].atMs, pieces[1].atMs);
    EXPECT_LT(pieces[1].atMs, pieces[2].atMs);
    EXPECT_DOUBLE_EQ(pieces[2].atMs, usual + 80);

    // More pieces than bytes: one byte each.
    unit.injectFault(split(10, 5));
    EXPECT_EQ(write("05", "1").size(), 1u);
}

TEST_F(SimUnitFault, BadBccSpoilsOnlyTheCheckByte) {
    unit.injectFault(fault(FaultKind::BadBcc));
    Bytes answer = joined(read("99"));
    ASSERT_EQ(answer.size(), version.size());
    EXPECT_NE(answer.back(), version.back());
    EXPECT_LT(answer.back(), 0x80);  // still a 7-bit character
    answer.back() = version.back();
    EXPECT_EQ(answer, version);

    // Answers without a check byte pass unchanged.
    unit.injectFault(fault(FaultKind::BadBcc, "", 2));
    EXPECT_EQ(joined(write("05", "1")), Bytes{kAck});
    EXPECT_EQ(joined(read("33")), (Bytes{kStx, '3', '3', kEot}));
}

TEST_F(SimUnitFault, StrayByteGoesInFront) {
    unit.injectFault(fault(FaultKind::StrayByte));
    Bytes expected{kStrayByte};
    expected.insert(expected.end(), version.begin(), version.end());
    EXPECT_EQ(joined(read("99")), expected);
}

TEST_F(SimUnitFault, GarbageHasTheAnswersLengthAndNoControlCharacters) {
    unit.injectFault(fault(FaultKind::Garbage, "", -1));
    for (int i = 0; i < 20; ++i) {
        const Bytes garbage = joined(i % 2 == 0 ? read("99") : write("05", "1"));
        ASSERT_EQ(garbage.size(), i % 2 == 0 ? version.size() : 1u);
        for (std::uint8_t b : garbage) {
            EXPECT_GE(b, 0x20);
            EXPECT_LT(b, 0x7F);
        }
    }
    // The unit did its work; only the answer was lost on the way.
    EXPECT_EQ(unit.registerValue("05"), "1");
}

TEST_F(SimUnitFault, LastsUntilClearedAndFirstInjectedWins) {
    unit.injectFault(fault(FaultKind::Nak, "98", -1));
    unit.injectFault(fault(FaultKind::NoAnswer, "", -1));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(joined(read("98")), Bytes{kNak});
        EXPECT_TRUE(read("99").empty());
    }
    unit.clearFaults();
    EXPECT_EQ(joined(read("99")), version);
}

TEST_F(SimUnitFault, ZeroCountNeverHitsAndTheQueueIsBounded) {
    unit.injectFault(fault(FaultKind::NoAnswer, "", 0));
    EXPECT_EQ(joined(read("99")), version);
    unit.clearFaults();
    for (std::size_t i = 0; i < kMaxFaults; ++i) {
        EXPECT_TRUE(unit.injectFault(fault(FaultKind::StrayByte)));
    }
    EXPECT_FALSE(unit.injectFault(fault(FaultKind::NoAnswer)));
}

TEST_F(SimUnitFault, FaultsPassUnpluggedTimeUntouched) {
    unit.injectFault(fault(FaultKind::Nak));
    unit.unplug();
    EXPECT_TRUE(read("99").empty());
    unit.replug();
    EXPECT_EQ(joined(read("99")), Bytes{kNak});
}

}  // namespace
}  // namespace qu32::sim
