#pragma once

#include <array>
#include <string>

#include "layout/ScreenFractions.h"
#include "mainwindow/MainWindowControls.h"
#include "platform/Controls.h"

namespace qu32 {

// The font rule is written in twips; a pixel is 15 of them at 96 dots per inch.
inline constexpr int kTwipsPerScreenUnit = 15;
// A screen this many twips wide keeps the design font size of the scaled panels.
inline constexpr int kFontReferenceWidthTwips = 12000;

// Design font sizes (points) of the scaled panels before the screen rule is applied.
inline constexpr int kScaledPanelDesignFontPt = 6;

// Columns of panels per input: set from the PC, external terminal, bus.
inline constexpr int kInputPanelColumns = 3;

// Places the window and every control of the main window as fractions of the screen and gives
// them their design fonts. The three serial-status panels and the monitor title get fonts that
// grow with the screen width, so the live state stays readable from a step back.
void layoutMainWindow(MainWindowControls& controls, ScreenSize screen);

// Headings over the three input panel columns, placed like the panels beneath them.
std::array<Geometry, kInputPanelColumns> inputColumnHeadings(ScreenSize screen);

// The window icon: the configured icon file in the program folder, matched in any case; empty
// when none is named or it is not there, so the caller keeps the program's own icon.
std::string windowIconPath(const std::string& folder, const std::string& iconFile);

// A design font size grown by the screen width.
int scaledFontSize(int designPt, int screenWidth);

// Up to this screen, fonts in points and margins in pixels keep their design size; on a larger
// one they grow with it, so the window looks the same on a 3840 x 2160 screen as on this one.
inline constexpr ScreenSize kDesignScreen{1920, 1080};
double largeScreenFactor(ScreenSize screen);
int grownFontSize(int designPt, ScreenSize screen);
int grownPixels(int designPixels, ScreenSize screen);

}  // namespace qu32
