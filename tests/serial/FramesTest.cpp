#include <gtest/gtest.h>

#include "serial/Frames.h"

namespace qu32 {
namespace {

TEST(Frames, ReadRequestAndWriteFrameMatchTheWire) {
    EXPECT_EQ(buildReadRequest("11", "99"), (Bytes{0x04, 0x31, 0x31, 0x39, 0x39, 0x05}));
    EXPECT_EQ(buildWriteFrame("11", "00", "1"),
              (Bytes{0x04, 0x31, 0x31, 0x02, 0x30, 0x30, 0x31, 0x03, 0x32}));
    // An empty value still makes a complete frame; the check covers code and ETX only.
    EXPECT_EQ(buildWriteFrame("07", "9a", ""),
              (Bytes{0x04, '0', '7', 0x02, '9', 'a', 0x03, std::uint8_t('9' ^ 'a' ^ 0x03)}));
    // Bytes above 127 go out unchanged; the line decides whether they survive.
    const Bytes w = buildWriteFrame("11", "01", "\xE4");
    EXPECT_EQ(w[6], 0xE4);
    EXPECT_EQ(w[8], std::uint8_t('0' ^ '1' ^ 0xE4 ^ 0x03));
}

}  // namespace
}  // namespace qu32
