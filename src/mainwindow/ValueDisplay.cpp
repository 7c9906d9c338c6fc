#include "mainwindow/ValueDisplay.h"

#include <algorithm>
#include <string_view>

namespace qu32 {

namespace {

constexpr std::string_view kPercentageTypes[] = {
    "FD678", "TQ593", "YV593", "CU593", "CU847", "CB593", "NK593", "AM593", "VM628",
    "VM858", "TS628", "YQ628", "YQ858", "OH628", "CB847", "ER858", "ER628",
};

// How many segments beyond the first a magnitude lights. 64-bit, so the lowest 32-bit value
// has a magnitude too.
int barSteps(std::int64_t magnitude, std::int64_t perSegment) {
    return static_cast<int>(std::min<std::int64_t>(magnitude / perSegment, kMaxBarSteps));
}

Color plainColor(int step) {
    if (step <= kLastGreenStep)
        return kGreen;
    if (step <= kLastYellowStep)
        return kYellow;
    return kRed;
}

// Lights `steps` + 1 segments outwards from the centre on the side of the value's sign.
template <typename ColorOf>
void lightHalf(BarPicture& picture, bool positive, int steps, ColorOf colorOf) {
    for (int k = 0; k <= steps; ++k) {
        const int segment = positive ? kFirstPositiveSegment + k : kLastNegativeSegment - k;
        picture.segments[static_cast<std::size_t>(segment)] = colorOf(k);
    }
}

BarPicture blankPicture() {
    BarPicture picture;
    picture.segments.fill(kWhite);
    return picture;
}

}  // namespace

BarPicture plainPicture(std::int32_t value) {
    BarPicture picture = blankPicture();
    if (value == 0) {
        picture.text = "0";
        picture.segments[kLastNegativeSegment] = kGreen;
        picture.segments[kFirstPositiveSegment] = kGreen;
        return picture;
    }
    const std::int64_t v = value;
    picture.text = (v > 0 ? "+" : "") + std::to_string(v);
    lightHalf(picture, v > 0, barSteps(v > 0 ? v : -v, kCountsPerSegment), plainColor);
    return picture;
}

BarPicture percentPicture(std::int32_t value) {
    BarPicture picture = blankPicture();
    if (value == 0) {
        picture.text = "0%";
        return picture;
    }
    const std::int64_t v = value;
    const std::int64_t percent =
        std::clamp<std::int64_t>(v / kHundredthsPerPercent, -kMaxPercent, kMaxPercent);
    picture.text = (v > 0 ? "+" : "") + std::to_string(percent) + "%";
    lightHalf(picture, v > 0, barSteps(v > 0 ? v : -v, kHundredthsPerSegment),
              [](int) { return kGreen; });
    return picture;
}

void ValueDisplay::showPlain(std::int32_t value) {
    show(plainPicture(value));
}

void ValueDisplay::showPercent(std::int32_t value) {
    show(percentPicture(value));
}

void ValueDisplay::showActualValue(const std::string& unitType, std::int32_t value) {
    if (usesPercentage(unitType))
        showPercent(value);
    else
        showPlain(value);
}

bool ValueDisplay::usesPercentage(const std::string& unitType) {
    return std::find(std::begin(kPercentageTypes), std::end(kPercentageTypes), unitType) !=
           std::end(kPercentageTypes);
}

void ValueDisplay::show(const BarPicture& picture) {
    controls_.valueText.setCaption(picture.text);
    // A control passes on only what changed, so segments keeping their colour do not flicker.
    for (std::size_t i = 0; i < picture.segments.size(); ++i)
        controls_.barSegments[i].setBackColor(picture.segments[i]);
}

}  // namespace qu32
