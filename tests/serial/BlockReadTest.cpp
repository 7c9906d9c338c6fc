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
        ASSERT_TRUE(link.configurePort(1, 9600, 8, 1, kParityEven));
    }
};

Bytes pattern(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return b;
}

TEST_F(BlockRead, DataArrivesInPiecesWithProgressAfterTheHeader) {
    const Bytes data = pattern(1200);  // holds ETX and STX bytes; only the length counts
    const Bytes f = blockFrame("9a", data);
    answerWith(port, {Bytes(f.begin(), f.begin() + 512), Bytes(f.begin() + 512, f.end())});
    Bytes read;
    ASSERT_EQ(link.readByteBlock("9a", read), Result::Ok);
    EXPECT_EQ(read, data);
    EXPECT_EQ(observer.transfers, (std::vector<std::string>{"1207/1207", "done"}));

    // The header may come with only part of the data; progress then shows each arrival.
    observer.transfers.clear();
    answerWith(port, {Bytes(f.begin(), f.begin() + 6), Bytes(f.begin() + 6, f.begin() + 512),
                      Bytes(f.begin() + 512, f.end())});
    ASSERT_EQ(link.readByteBlock("9a", read), Result::Ok);
    EXPECT_EQ(observer.transfers, (std::vector<std::string>{"512/1207", "1207/1207", "done"}));
}

TEST_F(BlockRead, EmptyAndOddLengthBlocks) {
    answerWith(port, {blockFrame("9c", {})});
    Bytes data{1};
    EXPECT_EQ(link.readByteBlock("9c", data), Result::Ok);
    EXPECT_TRUE(data.empty());

    answerWith(port, {blockFrame("9<", {0x80, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFE, 0x12, 0x34})});
    std::vector<std::int32_t> values;
    EXPECT_EQ(link.readLongBlock("9<", values), Result::Ok);
    // The two bytes past the last whole value are ignored.
    EXPECT_EQ(values, (std::vector<std::int32_t>{INT32_MIN, -2}));
}

TEST_F(BlockRead, FaultsEndInTheirErrors) {
    Bytes count;
    std::vector<std::int32_t> values;
    Bytes badEtx = blockFrame("9a", pattern(10));
    badEtx[15] = 'x';
    answerWith(port, {badEtx});
    EXPECT_EQ(link.readByteBlock("9a", count), Result::NoEtx);

    Bytes badBcc = blockFrame("9a", pattern(10));
    badBcc.back() ^= 0x40;
    answerWith(port, {badBcc});
    EXPECT_EQ(link.readByteBlock("9a", count), Result::BadBlockCheck);
    EXPECT_NE(link.lastError().description.find("BCC incorrect. - DataLength = 10; Calc BCC = "),
              std::string::npos)
        << link.lastError().description;

    answerWith(port, {blockFrame("9b", pattern(10))});
    EXPECT_EQ(link.readByteBlock("9a", count), Result::WrongCodeLow);

    // A pause in the data phase longer than the answer time-out.
    const Bytes f = blockFrame("9a", pattern(100));
    answerWith(port, {Bytes(f.begin(), f.begin() + 40), Bytes(f.begin() + 40, f.end())}, 1500);
    EXPECT_EQ(link.readByteBlock("9a", count), Result::TimeoutData);
    EXPECT_EQ(link.lastError().source, "Read_IntData");
    loop.runFor(1000);  // the rest of that answer comes while nobody waits and is dropped

    // The unit does not know the register: four bytes and one full interval later, -3.
    answerWith(port, {Bytes{kStx, '9', 'a', kEot}});
    const auto start = loop.nowMs();
    EXPECT_EQ(link.readLongBlock("9a", values), Result::UnknownCode);
    EXPECT_GE(loop.nowMs() - start, 1000);
    EXPECT_EQ(link.lastError().source, "Read_LongData");

    // Nothing at all.
    answerWith(port, {});
    EXPECT_EQ(link.readByteBlock("9a", count), Result::TimeoutHeader);
}

TEST_F(BlockRead, LengthsBeyondTheTablesAreRefused) {
    Bytes data;
    std::vector<std::int32_t> values;
    // A header announcing more than the receive buffer holds: refused at the header.
    answerWith(port, {Bytes{kStx, '9', 'a', 0x0F, 0xFF, 0, 0}});
    EXPECT_EQ(link.readByteBlock("9a", data), Result::InternalFault);
    // 600 values fit the buffer but not the value table.
    answerWith(port, {blockFrame("9=", pattern(2400))});
    EXPECT_EQ(link.readLongBlock("9=", values), Result::InternalFault);
    // And the next sound block still reads.
    answerWith(port, {blockFrame("9=", pattern(2000))});
    EXPECT_EQ(link.readLongBlock("9=", values), Result::Ok);
    EXPECT_EQ(values.size(), 500u);
}

}  // namespace
}  // namespace qu32::test
