#pragma once

#include <cmath>

#include "platform/Controls.h"

namespace qu32 {

// The screen a window is laid out on, in the units of the controls' geometry (pixels).
struct ScreenSize {
    int width = 0;
    int height = 0;
};

// A rectangle as fractions of the screen: left and width of W, top and height of H.
struct Box {
    double left;
    double top;
    double width;
    double height;
};

inline int scaleX(double fraction, ScreenSize s) {
    return static_cast<int>(std::lround(fraction * s.width));
}

inline int scaleY(double fraction, ScreenSize s) {
    return static_cast<int>(std::lround(fraction * s.height));
}

inline Geometry place(const Box& b, ScreenSize s) {
    return {scaleX(b.left, s), scaleY(b.top, s), scaleX(b.width, s), scaleY(b.height, s)};
}

}  // namespace qu32
