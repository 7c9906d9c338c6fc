// The main window's layout: everything in proportion to the screen, nothing outside its frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <tuple>
#include <vector>

#include "layout/Form1Layout.h"
#include "settings/ProgramFolder.h"
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

TEST(Form1Layout, TwiceTheScreenGivesTwiceEveryPlaceAndTheScaledFontsGrowFromTheirDesignSize) {
    // On a screen 12000 twips wide the scaled fonts keep their design size; twice that doubles it.
    const int width = kFontReferenceWidthTwips / kTwipsPerScreenUnit;
    Form1 small, large;
    layoutForm1(small, {width, width * 3 / 4});
    layoutForm1(large, {2 * width, width * 3 / 2});
    std::vector<const Control*> doubled;
    large.forEachControl([&](Control& c) { doubled.push_back(&c); });
    const Control* scaled[] = {&small.portPanel, &small.unitPanel, &small.formatPanel,
                               &small.monitorTitle};
    std::size_t i = 0;
    small.forEachControl([&](Control& c) {
        const Control& d = *doubled.at(i++);
        for (int Geometry::*side :
             {&Geometry::left, &Geometry::top, &Geometry::width, &Geometry::height})
            EXPECT_NEAR(d.geometry().*side, 2 * (c.geometry().*side), kRoundingSlack) << c.name();
        const int design = c.fontSize();
        const bool grows = std::find(std::begin(scaled), std::end(scaled), &c) != std::end(scaled);
        EXPECT_EQ(std::pair(design, d.fontSize()),
                  grows ? std::pair(kScaledPanelDesignFontPt, 2 * kScaledPanelDesignFontPt)
                        : std::pair(design, design))
            << c.name();
    });
}

TEST(Form1Layout, CommandButtonsFormOneColumnInTheirOrderAtEvenSteps) {
    Form1 form;
    layoutForm1(form, {10000, 10000});  // fractions with four places land on whole units
    const Control* buttons[] = {&form.Read_Pars, &form.Transmit, &form.TransmitAll,
                                &form.StoreEEProm, &form.Re_Set};
    const Geometry& first = buttons[0]->geometry();
    const int step = buttons[1]->geometry().top - first.top;
    EXPECT_GT(step, first.height);
    for (int k = 1; k < 5; ++k) {
        const Geometry& g = buttons[k]->geometry();
        EXPECT_EQ(std::tuple(g.left, g.top, g.width, g.height),
                  std::tuple(first.left, first.top + k * step, first.width, first.height))
            << buttons[k]->name();
    }
}

TEST(Form1Layout, NothingOverlapsAndEverythingLiesInsideItsFrameAndTheWindow) {
    for (const ScreenSize screen : {ScreenSize{1366, 768}, ScreenSize{1920, 1080},
                                    ScreenSize{2560, 1440}, ScreenSize{3840, 2160}}) {
        SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(screen.height));
        Form1 form;
        layoutForm1(form, screen);
        Control client(Control::Kind::Window, "client area");
        client.setGeometry({0, 0, form.window.geometry().width,
                            form.window.geometry().height - kMenuBarAllowance});

        std::vector<std::pair<const Control*, const Control*>> framed;  // control, its frame
        const auto put = [&](const Control& frame, const auto& controls) {
            for (const Control& c : controls)
                framed.emplace_back(&c, &frame);
        };
        using Controls = std::initializer_list<std::reference_wrapper<const Control>>;
        put(client, Controls{form.Frame3D1, form.Frame3D2, form.Frame3D3, form.Frame3D4,
                             form.Frame3D5, form.Frame3D6});
        put(form.Frame3D1, form.Label1);
        put(form.Frame3D1, form.Label11);
        put(form.Frame3D1, Controls{form.VScroll1});
        put(form.Frame3D2, Controls{form.Read_Pars, form.Transmit, form.TransmitAll,
                                    form.StoreEEProm, form.Re_Set});
        for (const auto* inputs : {&form.Command1, &form.Panel3D1, &form.Panel3D2, &form.Panel3D3})
            put(form.Frame3D3, *inputs);
        put(form.Frame3D4, form.Panel3D16);
        put(form.Frame3D5, form.Panel3D4);
        put(form.Frame3D5, form.Panel3D10);
        put(form.Frame3D5, form.scaleLines);
        put(form.Frame3D5, Controls{form.Panel3D5, form.monitorTitle});
        put(form.Frame3D6,
            Controls{form.Panel3D20, form.portPanel, form.unitPanel, form.formatPanel});

        // Only a row's value lies over its text, by design.
        std::set<std::pair<const Control*, const Control*>> overlaid;
        for (int r = 0; r < kListRows; ++r)
            overlaid.insert(
                {{&form.Label1[r], &form.Label11[r]}, {&form.Label11[r], &form.Label1[r]}});
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
        // The centre line and the centre mark stand between the two bar halves.
        const Geometry& line = form.scaleLines[1].geometry();
        const Geometry& mark = form.Panel3D10[1].geometry();
        EXPECT_NEAR(line.left, form.Panel3D4[kBarSegments / 2].geometry().left, screen.width / 200);
        EXPECT_NEAR(mark.left + mark.width / 2, line.left, kRoundingSlack);
    }
}

TEST(Form1Layout, IconIsTheNamedFileOfTheProgramFolderInAnyCase) {
    test::TempFolder folder;
    setProgramFolder(folder.path());
    std::ofstream(folder.file("qu3002b.ico")) << "icon";
    const std::pair<const char*, std::string> cases[] = {
        {"", ""},
        {"QU3002B.ICO", folder.file("qu3002b.ico")},
        {"qu3002b.ico", folder.file("qu3002b.ico")},
        {"missing.ico", ""},
        {"../qu3002b.ico", ""},  // only the program folder is searched
    };
    for (const auto& [named, found] : cases)
        EXPECT_EQ(form1IconPath(named), found) << named;
    setProgramFolder({});
}

}  // namespace
}  // namespace qu32
