#include <gtest/gtest.h>

#include "support/Answers.h"
#include "support/LinkFixture.h"

namespace qu32::test {
namespace {

// Blocks carry bytes of any value, so the PC reads them at 8 bits, as in the description phase.
class BlockRead : public LinkFixture {
  protected:
    void SetUp() override {
        LinkFixture::SetUp();
        ASSERT_EQ(link.ConfigurePort(1, 9600, 8, 1, kParityEven), 1);
    }
};

Bytes pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

TEST_F(BlockRead, DataArrivesInPiecesWithProgressInTheCaption) {
    window.setCaption("QU 3.2");
    std::vector<std::string> captions;
    window.setObserver([&](Control& c, Control::Property p) {
        if (p == Control::Property::Caption)
            captions.push_back(c.caption());
    });
    const Bytes data = pattern(1200);  // holds ETX and STX bytes; only the length counts
    const Bytes f = blockFrame("9a", data);
    answerWith(port, {Bytes(f.begin(), f.begin() + 512), Bytes(f.begin() + 512, f.end())});
    int count = -1;
    ASSERT_EQ(link.Read_IntData("11", "9a", count), 1);
    EXPECT_EQ(count, 1200);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), link.ReceiveBuffer().begin()));
    EXPECT_EQ(captions, (std::vector<std::string>{"QU 3.2 - 1207/1207", "QU 3.2"}));

    // The header may come with only part of the data; progress then shows each arrival.
    captions.clear();
    answerWith(port, {Bytes(f.begin(), f.begin() + 6), Bytes(f.begin() + 6, f.begin() + 512),
                      Bytes(f.begin() + 512, f.end())});
    ASSERT_EQ(link.Read_IntData("11", "9a", count), 1);
    EXPECT_EQ(captions,
              (std::vector<std::string>{"QU 3.2 - 512/1207", "QU 3.2 - 1207/1207", "QU 3.2"}));
}

TEST_F(BlockRead, EmptyAndOddLengthBlocks) {
    answerWith(port, {blockFrame("9c", {})});
    int count = -1;
    EXPECT_EQ(link.Read_IntData("11", "9c", count), 1);
    EXPECT_EQ(count, 0);

    answerWith(port, {blockFrame("9<", {0x80, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFE, 0x12, 0x34})});
    EXPECT_EQ(link.Read_LongData("11", "9<", count), 1);
    EXPECT_EQ(count, 2);  // the two bytes past the last whole value are ignored
    EXPECT_EQ(link.LongValues()[0], INT32_MIN);
    EXPECT_EQ(link.LongValues()[1], -2);
}

TEST_F(BlockRead, FaultsEndInTheirErrors) {
    int count = 0;
    Bytes badEtx = blockFrame("9a", pattern(10));
    badEtx[15] = 'x';
    answerWith(port, {badEtx});
    EXPECT_EQ(link.Read_IntData("11", "9a", count), kErrEtx);

    Bytes badBcc = blockFrame("9a", pattern(10));
    badBcc.back() ^= 0x40;
    answerWith(port, {badBcc});
    EXPECT_EQ(link.Read_IntData("11", "9a", count), kErrBcc);
    EXPECT_NE(link.lastError().description.find("BCC incorrect. - DataLength = 10; Calc BCC = "),
              std::string::npos)
        << link.lastError().description;

    answerWith(port, {blockFrame("9b", pattern(10))});
    EXPECT_EQ(link.Read_IntData("11", "9a", count), kErrCodeLow);

    // A pause in the data phase longer than the answer time-out.
    const Bytes f = blockFrame("9a", pattern(100));
    answerWith(port, {Bytes(f.begin(), f.begin() + 40), Bytes(f.begin() + 40, f.end())}, 1500);
    EXPECT_EQ(link.Read_IntData("11", "9a", count), kErrTimeoutData);
    EXPECT_EQ(link.lastError().source, "Read_IntData");
    loop.runFor(1000);  // the rest of that answer comes while nobody waits and is dropped

    // The unit does not know the register: four bytes and one full interval later, -3.
    answerWith(port, {Bytes{STX, '9', 'a', EOT}});
    const auto start = loop.nowMs();
    EXPECT_EQ(link.Read_LongData("11", "9a", count), kErrUnknownCode);
    EXPECT_GE(loop.nowMs() - start, 1000);
    EXPECT_EQ(link.lastError().source, "Read_LongData");

    // Nothing at all.
    answerWith(port, {});
    EXPECT_EQ(link.Read_IntData("11", "9a", count), kErrTimeoutHeader);
}

TEST_F(BlockRead, LengthsBeyondTheTablesAreRefused) {
    int count = 0;
    // A header announcing more than the receive buffer holds: refused at the header.
    answerWith(port, {Bytes{STX, '9', 'a', 0x0F, 0xFF, 0, 0}});
    EXPECT_EQ(link.Read_IntData("11", "9a", count), kErrInternalFault);
    // 600 values fit the buffer but not the value table.
    answerWith(port, {blockFrame("9=", pattern(2400))});
    EXPECT_EQ(link.Read_LongData("11", "9=", count), kErrInternalFault);
    // And the next sound block still reads.
    answerWith(port, {blockFrame("9=", pattern(2000))});
    EXPECT_EQ(link.Read_LongData("11", "9=", count), 1);
    EXPECT_EQ(count, 500);
}

}  // namespace
}  // namespace qu32::test
