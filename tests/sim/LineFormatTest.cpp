#include "sim/LineFormat.h"

#include <gtest/gtest.h>

namespace qu32::sim {
namespace {

TEST(LineFormat, ParsesEveryFormatTheProgramCanSetAndNothingElse) {
    for (const auto& [text, expected] : {std::pair{"9600,e,7,1", LineFormat{9600, 'e', 7, 1}},
                                         {"600,n,7,1", {600, 'n', 7, 1}},
                                         {"38400,o,8,2", {38400, 'o', 8, 2}}}) {
        LineFormat f{1, 'x', 0, 0};
        ASSERT_TRUE(parseLineFormat(text, f)) << text;
        EXPECT_EQ(f, expected) << text;
        EXPECT_EQ(toString(f), text);
    }
    for (const char* text :
         {"", "9600,e,7", "9600,e,7,1,", "9600,E,7,1", "9600,e,6,1", "9600,e,7,3", "9601,e,7,1",
          " 9600,e,7,1", "9600,e,7,1x", "-9600,e,7,1", "99999999999999999999,e,7,1"}) {
        LineFormat f{4800, 'o', 8, 2};
        EXPECT_FALSE(parseLineFormat(text, f)) << text;
        EXPECT_EQ(f, (LineFormat{4800, 'o', 8, 2})) << text;
    }
}

TEST(LineFormat, WireTimeCountsStartParityAndStopBits) {
    // 10 bits a character at 7e1 and 8n1, 11 at 8e1 and 7e2, 9 at 7n1.
    EXPECT_DOUBLE_EQ(wireTimeMs(6, {9600, 'e', 7, 1}), 6.25);
    EXPECT_DOUBLE_EQ(wireTimeMs(96, {9600, 'n', 8, 1}), 100.0);
    EXPECT_DOUBLE_EQ(wireTimeMs(12, {9600, 'e', 8, 1}), 13.75);
    EXPECT_DOUBLE_EQ(wireTimeMs(12, {9600, 'e', 7, 2}), 13.75);
    EXPECT_DOUBLE_EQ(wireTimeMs(10, {1200, 'n', 7, 1}), 75.0);
    EXPECT_DOUBLE_EQ(wireTimeMs(5, {0, 'e', 7, 1}), 0.0);
}

}  // namespace
}  // namespace qu32::sim
