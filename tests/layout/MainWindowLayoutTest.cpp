// The main window's layout: everything in proportion to the screen, nothing outside its frame.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <set>
#include <vector>

#include "layout/MainWindowLayout.h"
#include "support/TempFolder.h"

namespace qu32 {
namespace {

// Rounding to whole pixels may put a doubled place one pixel off.
constexpr int kRoundingSlack = 1;
// Room a menu bar takes inside the window on the smallest screen.
constexpr int kMenuBarAllowance = 30;

bool inside(const Geometry& inner, const Geometry& outer) {
    return inner.left >= outer.left && inner.top >= outer.top &&
           inner.left + inner.width <= outer.left + outer.width &&
           inner.top + inner.height <= outer.top + outer.height;
}

bool apart(const Geometry& p, const Geometry& q) {
    return p.left + p.width <= q.left || q.left + q.width <= p.left || p.top + p.height <= q.top ||
           q.top + q.height <= p.top;
}

TEST(MainWindowLayout, TwiceTheScreenGivesTwiceEveryPlaceAndTheScaledFontsGrowFromTheirDesignSize) {
    // On a screen 12000 twips wide the scaled fonts keep their design size; twice that doubles it.
    const int width = kFontReferenceWidthTwips / kTwipsPerScreenUnit;
    MainWindowControls small, large;
    layoutMainWindow(small, {width, width * 3 / 4});
    layoutMainWindow(large, {2 * width, width * 3 / 2});
    std::vector<const Control*> doubled;
    large.forEachControl([&](Control& c) { doubled.push_back(&c); });
    const std::set<const Control*> scaled{&small.portPanel, &small.unitPanel, &small.formatPanel,
                                          &small.monitorTitle};
    std::size_t i = 0;
    small.forEachControl([&](Control& c) {
        const Control& d = *doubled.at(i++);
        for (int Geometry::*side :
             {&Geometry::left, &Geometry::top, &Geometry::width, &Geometry::height})
            EXPECT_NEAR(d.geometry().*side, 2 * (c.geometry().*side), kRoundingSlack) << c.name();
        const bool grows = scaled.count(&c) != 0;
        EXPECT_EQ(std::pair(c.fontSize(), d.fontSize()),
                  grows ? std::pair(kScaledPanelDesignFontPt, 2 * kScaledPanelDesignFontPt)
                        : std::pair(c.fontSize(), c.fontSize()))
            << c.name();
    });
}

// Beyond the design screen the whole window grows alike, fonts included: 3840 x 2160 looks
// like 1920 x 1080. Below it, fonts keep their design size so that text stays readable.
TEST(MainWindowLayout, ALargeScreenGrowsEveryFontWithThePlaces) {
    MainWindowControls design, large, small;
    layoutMainWindow(design, kDesignScreen);
    layoutMainWindow(large, {2 * kDesignScreen.width, 2 * kDesignScreen.height});
    layoutMainWindow(small, {1366, 768});
    std::vector<const Control*> grown, kept;
    large.forEachControl([&](Control& c) { grown.push_back(&c); });
    small.forEachControl([&](Control& c) { kept.push_back(&c); });
    const std::set<const Control*> byWidth{&design.portPanel, &design.unitPanel,
                                           &design.formatPanel, &design.monitorTitle};
    std::size_t i = 0;
    design.forEachControl([&](Control& c) {
        EXPECT_NEAR(grown.at(i)->fontSize(), 2 * c.fontSize(), 1) << c.name();
        EXPECT_NEAR(grown.at(i)->geometry().width, 2 * c.geometry().width, kRoundingSlack)
            << c.name();
        if (byWidth.count(&c) == 0) {
            EXPECT_EQ(kept.at(i)->fontSize(), c.fontSize()) << c.name();
        }
        ++i;
    });
    EXPECT_EQ(grownPixels(2, {3840, 2160}), 4);
    EXPECT_EQ(grownPixels(2, {3840, 1080}), 2) << "the smaller ratio counts";
}

TEST(MainWindowLayout, NothingOverlapsAndEverythingLiesInsideItsFrameAndTheWindow) {
    for (const ScreenSize screen : {ScreenSize{1366, 768}, ScreenSize{1920, 1080},
                                    ScreenSize{2560, 1440}, ScreenSize{3840, 2160}}) {
        SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(screen.height));
        MainWindowControls form;
        layoutMainWindow(form, screen);
        Control client(Control::Kind::Window, "client area");
        client.setGeometry({0, 0, form.window.geometry().width,
                            form.window.geometry().height - kMenuBarAllowance});

        std::vector<std::pair<const Control*, const Control*>> framed;  // control, its frame
        const auto put = [&](const Control& frame, const auto& controls) {
            for (const Control& c : controls)
                framed.emplace_back(&c, &frame);
        };
        using Controls = std::initializer_list<std::reference_wrapper<const Control>>;
        put(client, Controls{form.parameterFrame, form.commandFrame, form.inputFrame,
                             form.outputFrame, form.monitorFrame, form.serialFrame});
        put(form.parameterFrame, form.rowTexts);
        put(form.parameterFrame, form.rowValues);
        put(form.parameterFrame, Controls{form.listScroll});
        put(form.commandFrame,
            Controls{form.readAllButton, form.transmitButton, form.transmitAllButton,
                     form.storeButton, form.resetButton});
        for (const auto* inputs : {&form.inputButtons, &form.inputPcPanels,
                                   &form.inputExternalPanels, &form.inputBusPanels})
            put(form.inputFrame, *inputs);
        put(form.outputFrame, form.outputPanels);
        put(form.monitorFrame, form.barSegments);
        put(form.monitorFrame, form.scaleMarks);
        put(form.monitorFrame, form.scaleLines);
        put(form.monitorFrame, Controls{form.valueText, form.monitorTitle});
        put(form.serialFrame,
            Controls{form.activityPanel, form.portPanel, form.unitPanel, form.formatPanel});

        // Only a row's value lies over its text, by design.
        std::set<std::pair<const Control*, const Control*>> overlaid;
        for (int r = 0; r < kListRows; ++r)
            overlaid.insert(
                {{&form.rowTexts[r], &form.rowValues[r]}, {&form.rowValues[r], &form.rowTexts[r]}});
        for (const auto& [c, frame] : framed) {
            EXPECT_TRUE(inside(c->geometry(), frame->geometry()))
                << c->name() << " outside " << frame->name();
            for (const auto& [other, otherFrame] : framed) {
                const bool sameFrame = other != c && otherFrame == frame;
                EXPECT_TRUE(!sameFrame || overlaid.count({c, other}) != 0 ||
                            apart(c->geometry(), other->geometry()))
                    << c->name() << " overlaps " << other->name();
            }
        }
        // The command buttons stand in one column, in their order.
        const Control* buttons[] = {&form.readAllButton, &form.transmitButton,
                                    &form.transmitAllButton, &form.storeButton, &form.resetButton};
        for (int k = 1; k < 5; ++k)
            EXPECT_TRUE(buttons[k]->geometry().left == buttons[0]->geometry().left &&
                        buttons[k]->geometry().top > buttons[k - 1]->geometry().top)
                << buttons[k]->name();
        // The centre line and the centre mark stand between the two bar halves.
        const Geometry& line = form.scaleLines[1].geometry();
        const Geometry& mark = form.scaleMarks[1].geometry();
        EXPECT_NEAR(line.left, form.barSegments[kBarSegments / 2].geometry().left,
                    screen.width / 200);
        EXPECT_NEAR(mark.left + mark.width / 2, line.left, kRoundingSlack);
    }
}

// The configured icon file is looked up in the program folder in any case; none named, none found.
TEST(MainWindowLayout, IconIsTheNamedFileOfTheProgramFolderInAnyCase) {
    test::TempFolder folder;
    std::ofstream(folder.file("qu3002b.ico")) << "icon";
    EXPECT_EQ(windowIconPath(folder.path(), "QU3002B.ICO"), folder.file("qu3002b.ico"));
    EXPECT_EQ(windowIconPath(folder.path(), ""), "");
}

}  // namespace
}  // namespace qu32
