#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "mainwindow/MainWindowControls.h"
#include "platform/Controls.h"

namespace qu32 {

// The bar is two halves of 14 segments that grow outwards from the centre.
inline constexpr int kHalfBarSegments = kBarSegments / 2;
inline constexpr int kLastNegativeSegment = kHalfBarSegments - 1;  // next to the centre
inline constexpr int kFirstPositiveSegment = kHalfBarSegments;     // next to the centre
inline constexpr int kMaxBarSteps = kHalfBarSegments - 1;          // segments beyond the first

inline constexpr int kCountsPerSegment = 4;
inline constexpr int kLastGreenStep = 1;
inline constexpr int kLastYellowStep = 7;

inline constexpr int kHundredthsPerPercent = 100;
inline constexpr int kMaxPercent = 100;
inline constexpr int kHundredthsPerSegment = 714;  // 100 % spread over 14 segments

// What the monitor shows for one value: the text and the colour of every segment.
struct BarPicture {
    std::string text;
    std::array<Color, kBarSegments> segments{};
};

// Plain reading: one segment per 4 counts, green near the centre, then yellow, then red.
BarPicture plainPicture(std::int32_t value);
// Reading in hundredths of a percent: green only, one segment per 7.14 %.
BarPicture percentPicture(std::int32_t value);

// The monitor's value text and bar on the main window.
class ValueDisplay {
  public:
    explicit ValueDisplay(MainWindowControls& controls) : controls_(controls) {}

    void showPlain(std::int32_t value);
    void showPercent(std::int32_t value);
    // The polled actual value, in the reading that suits the unit type.
    void showActualValue(const std::string& unitType, std::int32_t value);

    // Unit types whose actual value is a percentage.
    static bool usesPercentage(const std::string& unitType);

  private:
    void show(const BarPicture& picture);

    MainWindowControls& controls_;
};

}  // namespace qu32
