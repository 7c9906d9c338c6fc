#include "mainwindow/ProtocolTrace.h"

#include <string>
#include <vector>

#include "mainwindow/MainWindowFixture.h"

namespace qu32::test {
namespace {

using Kind = ProtocolTrace::Entry::Kind;

std::vector<std::uint64_t> sequencesAfter(const ProtocolTrace& trace, std::uint64_t after) {
    std::vector<std::uint64_t> seen;
    trace.forEachAfter(after, [&](const ProtocolTrace::Entry& e) { seen.push_back(e.sequence); });
    return seen;
}

// A burst far beyond the bound keeps the newest entries in order and says how many it dropped;
// a reader that fell behind gets what is left, never a gap in the middle or an entry twice.
TEST(ProtocolTrace, KeepsTheNewestEntriesInOrderUnderABurst) {
    ProtocolTrace trace;
    const std::uint64_t total = ProtocolTrace::kMaxEntries * 3 + 7;
    for (std::uint64_t i = 0; i < total; ++i)
        trace.frame(double(i), i % 2 == 0, {0x04, std::uint8_t(i)});
    EXPECT_EQ(trace.size(), ProtocolTrace::kMaxEntries);
    EXPECT_EQ(trace.dropped(), total - ProtocolTrace::kMaxEntries);
    EXPECT_EQ(trace.lastSequence(), total);

    const auto all = sequencesAfter(trace, 0);
    ASSERT_EQ(all.size(), ProtocolTrace::kMaxEntries);
    EXPECT_EQ(all.front(), total - ProtocolTrace::kMaxEntries + 1);
    for (std::size_t i = 1; i < all.size(); ++i)
        ASSERT_EQ(all[i], all[i - 1] + 1);
    EXPECT_EQ(sequencesAfter(trace, total - 3),
              (std::vector<std::uint64_t>{total - 2, total - 1, total}));
    EXPECT_TRUE(sequencesAfter(trace, total).empty());

    // Clearing keeps the numbering going, so a reader never mistakes new entries for old ones.
    trace.clear();
    trace.frame(1, true, {0x05});
    EXPECT_EQ(sequencesAfter(trace, total), std::vector<std::uint64_t>{total + 1});
}

TEST(ProtocolTrace, LinesReadLikeTheCommandLineTrace) {
    ProtocolTrace trace;
    trace.frame(12.345, true, {0x04, 0x31, 0x31, 0x30, 0x30, 0x05});
    trace.error(1012.5,
                {Result::TimeoutHeader, "Timeout during reading header.", "Serial.Read_Parameter"});
    EXPECT_EQ(trace.text(),
              "    12.345 TX 04 31 31 30 30 05  |.1100.|\r\n"
              "  1012.500 ERROR -4 Timeout during reading header. (Serial.Read_Parameter)\r\n");
}

// The window's trace follows a live session: the frames of the polling, and the link's error
// when the unit goes silent.
class LiveProtocolTrace : public MainWindowFixture {};

TEST_F(LiveProtocolTrace, RecordsTheFramesAndErrorsOfALiveSession) {
    window.load();
    ASSERT_TRUE(runUntil([&] { return connected(); }, 60000));
    std::vector<Kind> kinds;
    window.protocolTrace.forEachAfter(0, [&](const auto& e) { kinds.push_back(e.kind); });
    ASSERT_FALSE(kinds.empty());
    EXPECT_EQ(kinds.front(), Kind::Sent);
    EXPECT_NE(std::find(kinds.begin(), kinds.end(), Kind::Received), kinds.end());

    const std::uint64_t before = window.protocolTrace.lastSequence();
    unit.unplug();
    std::string error;
    ASSERT_TRUE(runUntil([&] {
        window.protocolTrace.forEachAfter(before, [&](const auto& e) {
            if (e.kind == Kind::Error && error.empty())
                error = ProtocolTrace::lineOf(e);
        });
        return !error.empty();
    }));
    EXPECT_NE(error.find(" ERROR -4 Timeout during reading header. ("), std::string::npos) << error;
}

}  // namespace
}  // namespace qu32::test
