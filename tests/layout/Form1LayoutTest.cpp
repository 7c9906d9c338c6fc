// The main window's layout: everything in proportion to the screen, nothing outside its frame.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "layout/Form1Layout.h"
#include "settings/ProgramFolder.h"

namespace qu32 {
namespace {

namespace fs = std::filesystem;

// Rounding to whole pixels may put a doubled place one pixel off.
constexpr int kRoundingSlack = 1;
// Room a menu bar takes inside the window on the smallest screen.
constexpr int kMenuBarAllowance = 30;

std::map<std::string, Geometry> placesOf(Form1& form) {
    std::map<std::string, Geometry> places;
    form.forEachControl([&](Control& c) { places[c.name()] = c.geometry(); });
    return places;
}

std::map<std::string, int> fontsOf(Form1& form) {
    std::map<std::string, int> fonts;
    form.forEachControl([&](Control& c) { fonts[c.name()] = c.fontSize(); });
    return fonts;
}

bool inside(const Geometry& inner, const Geometry& outer) {
    return inner.left >= outer.left && inner.top >= outer.top &&
           inner.left + inner.width <= outer.left + outer.width &&
           inner.top + inner.height <= outer.top + outer.height;
}

TEST(Form1Layout, TwiceTheScreenGivesTwiceEveryPlaceAndTheScaledFonts) {
    Form1 small, large;
    layoutForm1(small, {1366, 768});
    layoutForm1(large, {2732, 1536});
    const auto a = placesOf(small);
    const auto b = placesOf(large);
    for (const auto& [name, g] : a) {
        const Geometry& h = b.at(name);
        EXPECT_NEAR(h.left, 2 * g.left, kRoundingSlack) << name;
        EXPECT_NEAR(h.top, 2 * g.top, kRoundingSlack) << name;
        EXPECT_NEAR(h.width, 2 * g.width, kRoundingSlack) << name;
        EXPECT_NEAR(h.height, 2 * g.height, kRoundingSlack) << name;
    }

    const std::set<std::string> scaled = {small.portPanel.name(), small.unitPanel.name(),
                                          small.formatPanel.name(), small.monitorTitle.name()};
    const auto fa = fontsOf(small);
    const auto fb = fontsOf(large);
    for (const auto& [name, size] : fa) {
        if (scaled.count(name) != 0) {
            EXPECT_NEAR(fb.at(name), 2 * size, kRoundingSlack) << name;
        } else {
            EXPECT_EQ(fb.at(name), size) << name << " keeps its design font";
        }
    }
}

TEST(Form1Layout, ScaledFontsKeepTheirDesignSizeOnAScreen12000TwipsWide) {
    const int width = kFontReferenceWidthTwips / kTwipsPerScreenUnit;
    Form1 form;
    layoutForm1(form, {width, width * 3 / 4});
    for (const Control* c :
         {&form.portPanel, &form.unitPanel, &form.formatPanel, &form.monitorTitle})
        EXPECT_EQ(c->fontSize(), kScaledPanelDesignFontPt) << c->name();
}

TEST(Form1Layout, CommandButtonsFormOneColumnInTheirOrder) {
    constexpr int kSide = 10000;  // fractions with four places land on whole units
    Form1 form;
    layoutForm1(form, {kSide, kSide});
    const Control* buttons[] = {&form.Read_Pars, &form.Transmit, &form.TransmitAll,
                                &form.StoreEEProm, &form.Re_Set};
    for (int k = 0; k < 5; ++k) {
        const Geometry& g = buttons[k]->geometry();
        EXPECT_EQ(g.top, 530 + k * 566) << buttons[k]->name();
        EXPECT_EQ(g.height, 417) << buttons[k]->name();
        EXPECT_EQ(g.left, buttons[0]->geometry().left);
        EXPECT_EQ(g.width, buttons[0]->geometry().width);
    }
}

class Form1LayoutOnScreen : public ::testing::TestWithParam<ScreenSize> {};

TEST_P(Form1LayoutOnScreen, EveryControlLiesInsideItsFrameAndTheWindow) {
    Form1 form;
    layoutForm1(form, GetParam());
    const Geometry& window = form.window.geometry();
    const Geometry client{0, 0, window.width, window.height - kMenuBarAllowance};

    std::map<const Control*, const Control*> frameOf;
    auto put = [&](const Control& c, const Control& frame) { frameOf[&c] = &frame; };
    for (int r = 0; r < kListRows; ++r) {
        put(form.Label1[r], form.Frame3D1);
        put(form.Label11[r], form.Frame3D1);
    }
    put(form.VScroll1, form.Frame3D1);
    for (const Control* c :
         {&form.Read_Pars, &form.Transmit, &form.TransmitAll, &form.StoreEEProm, &form.Re_Set})
        put(*c, form.Frame3D2);
    for (int k = 0; k < kInputButtons; ++k) {
        for (const Control* c :
             {&form.Command1[k], &form.Panel3D1[k], &form.Panel3D2[k], &form.Panel3D3[k]})
            put(*c, form.Frame3D3);
    }
    for (const Control& c : form.Panel3D16)
        put(c, form.Frame3D4);
    for (const Control& c : form.Panel3D4)
        put(c, form.Frame3D5);
    for (int k = 0; k < kScaleMarks; ++k) {
        put(form.Panel3D10[k], form.Frame3D5);
        put(form.scaleLines[k], form.Frame3D5);
    }
    put(form.Panel3D5, form.Frame3D5);
    put(form.monitorTitle, form.Frame3D5);
    for (const Control* c : {&form.Panel3D20, &form.portPanel, &form.unitPanel, &form.formatPanel})
        put(*c, form.Frame3D6);

    for (const auto& [control, frame] : frameOf) {
        EXPECT_TRUE(inside(control->geometry(), frame->geometry()))
            << control->name() << " outside " << frame->name();
    }
    for (const Control* frame : {&form.Frame3D1, &form.Frame3D2, &form.Frame3D3, &form.Frame3D4,
                                 &form.Frame3D5, &form.Frame3D6}) {
        EXPECT_TRUE(inside(frame->geometry(), client)) << frame->name();
        for (const Control* other : {&form.Frame3D1, &form.Frame3D2, &form.Frame3D3, &form.Frame3D4,
                                     &form.Frame3D5, &form.Frame3D6}) {
            if (other == frame)
                continue;
            const Geometry& p = frame->geometry();
            const Geometry& q = other->geometry();
            const bool apart = p.left + p.width <= q.left || q.left + q.width <= p.left ||
                               p.top + p.height <= q.top || q.top + q.height <= p.top;
            EXPECT_TRUE(apart) << frame->name() << " overlaps " << other->name();
        }
    }
}

TEST_P(Form1LayoutOnScreen, RowsAndSegmentsFollowEachOtherWithoutOverlapping) {
    Form1 form;
    layoutForm1(form, GetParam());
    for (int r = 1; r < kListRows; ++r) {
        const Geometry& above = form.Label1[r - 1].geometry();
        const Geometry& row = form.Label1[r].geometry();
        EXPECT_GE(row.top, above.top + above.height) << "row " << r;
        EXPECT_EQ(row.left, above.left);
        EXPECT_EQ(form.Label11[r].geometry().top, row.top);
    }
    for (int k = 1; k < kInputButtons; ++k) {
        const Geometry& above = form.Command1[k - 1].geometry();
        EXPECT_GE(form.Command1[k].geometry().top, above.top + above.height) << "input " << k;
    }
    for (int k = 1; k < kBarSegments; ++k) {
        const Geometry& left = form.Panel3D4[k - 1].geometry();
        EXPECT_GT(form.Panel3D4[k].geometry().left, left.left + left.width) << "segment " << k;
    }
    // The centre line and the centre mark stand between the two bar halves.
    const int centre = form.Panel3D4[kBarSegments / 2].geometry().left;
    const Geometry& line = form.scaleLines[1].geometry();
    const Geometry& mark = form.Panel3D10[1].geometry();
    EXPECT_NEAR(line.left, centre, GetParam().width / 200);
    EXPECT_NEAR(mark.left + mark.width / 2, line.left, kRoundingSlack);
}

INSTANTIATE_TEST_SUITE_P(Screens, Form1LayoutOnScreen,
                         ::testing::Values(ScreenSize{1366, 768}, ScreenSize{1920, 1080},
                                           ScreenSize{2560, 1440}, ScreenSize{3840, 2160}));

class IconPath : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("qu32-icon-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::create_directories(folder);
        setProgramFolder(folder.string());
    }
    void TearDown() override {
        setProgramFolder({});
        fs::remove_all(folder);
    }
    fs::path folder;
};

TEST_F(IconPath, NamedFileIsFoundInAnyCaseAndAMissingOneLeavesTheOwnIcon) {
    EXPECT_EQ(form1IconPath(""), "");
    EXPECT_EQ(form1IconPath("QU3002B.ICO"), "");
    std::ofstream(folder / "qu3002b.ico") << "icon";
    EXPECT_EQ(form1IconPath("QU3002B.ICO"), (folder / "qu3002b.ico").string());
    EXPECT_EQ(form1IconPath("../qu3002b.ico"), "") << "only the program folder is searched";
}

}  // namespace
}  // namespace qu32
