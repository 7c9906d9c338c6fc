#include <gtest/gtest.h>

#include <climits>

#include "mainwindow/ValueDisplay.h"

namespace qu32::test {
namespace {

// Segments 0..13, a bar for the centre, segments 14..27: W white, G green, Y yellow, R red.
std::string drawn(const BarPicture& p) {
    std::string s;
    for (std::size_t i = 0; i < p.segments.size(); ++i) {
        if (i == kHalfBarSegments)
            s += '|';
        const Color c = p.segments[i];
        s += c == kWhite ? 'W' : c == kGreen ? 'G' : c == kYellow ? 'Y' : c == kRed ? 'R' : '?';
    }
    return s;
}

// Plain readings grow from the centre green, yellow, red; percent readings are green and stop at
// a hundred percent.
TEST(ValueDisplay, PlainAndPercentReadings) {
    const struct {
        bool percent;
        std::int32_t value;
        const char* text;
        const char* bar;
    } cases[] = {
        {false, 3, "+3", "WWWWWWWWWWWWWW|GWWWWWWWWWWWWW"},
        {false, 4, "+4", "WWWWWWWWWWWWWW|GGWWWWWWWWWWWW"},
        {false, 8, "+8", "WWWWWWWWWWWWWW|GGYWWWWWWWWWWW"},
        {false, 52, "+52", "WWWWWWWWWWWWWW|GGYYYYYYRRRRRR"},
        {false, -32, "-32", "WWWWWRYYYYYYGG|WWWWWWWWWWWWWW"},
        {false, 0, "0", "WWWWWWWWWWWWWG|GWWWWWWWWWWWWW"},
        {false, INT32_MIN, "-2147483648", "RRRRRRYYYYYYGG|WWWWWWWWWWWWWW"},
        {true, 25000, "+100%", "WWWWWWWWWWWWWW|GGGGGGGGGGGGGG"},
        {true, 713, "+7%", "WWWWWWWWWWWWWW|GWWWWWWWWWWWWW"},
        {true, 50, "+0%", "WWWWWWWWWWWWWW|GWWWWWWWWWWWWW"},
        {true, -714, "-7%", "WWWWWWWWWWWWGG|WWWWWWWWWWWWWW"},
        {true, INT32_MIN, "-100%", "GGGGGGGGGGGGGG|WWWWWWWWWWWWWW"},
        {true, 0, "0%", "WWWWWWWWWWWWWW|WWWWWWWWWWWWWW"},
    };
    for (const auto& c : cases) {
        const BarPicture p = c.percent ? percentPicture(c.value) : plainPicture(c.value);
        EXPECT_EQ(p.text, c.text) << c.value;
        EXPECT_EQ(drawn(p), c.bar) << c.value;
    }
}

TEST(ValueDisplay, UnitTypeChoosesTheReading) {
    MainWindowControls form;
    ValueDisplay display(form);
    display.showActualValue("TQ593", 10000);
    EXPECT_EQ(form.valueText.caption(), "+100%");
    EXPECT_EQ(form.barSegments[kBarSegments - 1].backColor(), kGreen);
    display.showActualValue("TS858", 10000);  // an output-value unit that reads in counts
    EXPECT_EQ(form.valueText.caption(), "+10000");
    EXPECT_EQ(form.barSegments[kBarSegments - 1].backColor(), kRed);
}

}  // namespace
}  // namespace qu32::test
