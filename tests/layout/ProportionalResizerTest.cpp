// The resize engine on a fake window: proportions, the way back to the design, and controls that
// refuse some of what they are told.

#include "layout/ProportionalResizer.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <vector>

namespace qu32 {
namespace {

struct FakeControl : ResizeControl {
    std::string name_;
    std::optional<int> index_;
    ResizeKind kind_ = ResizeKind::Other;
    std::optional<Geometry> geo;
    std::optional<LineEnds> ends;
    std::optional<float> font;
    bool refusesHeight = false, refusesMove = false;

    std::string name() const override { return name_; }
    std::optional<int> index() const override { return index_; }
    ResizeKind kind() const override { return kind_; }
    std::optional<Geometry> geometry() const override { return geo; }
    bool move(const Geometry& g) override { return !refusesMove && geo && (geo = g); }
    bool setEdge(int Geometry::*edge, int v) { return geo && ((*geo).*edge = v, true); }
    bool setLeft(int v) override { return setEdge(&Geometry::left, v); }
    bool setTop(int v) override { return setEdge(&Geometry::top, v); }
    bool setWidth(int v) override { return setEdge(&Geometry::width, v); }
    bool setHeight(int v) override { return !refusesHeight && setEdge(&Geometry::height, v); }
    std::optional<LineEnds> lineEnds() const override { return ends; }
    bool setLineEnds(const LineEnds& e) override { return ends && (ends = e); }
    std::optional<float> fontSize() const override { return font; }
    bool setFontSize(float s) override { return font && (font = s); }
};

struct FakeWindow : ResizeWindow {
    Geometry geo{30, 40, 400, 300};
    int minimumWidth = 0;
    std::vector<std::unique_ptr<FakeControl>> controls;
    std::function<void()> resizeEvent;

    std::optional<Geometry> geometry() const override { return geo; }
    bool setWidth(int w) override { return resize(std::max(w, minimumWidth), geo.height); }
    bool setHeight(int h) override { return resize(geo.width, h); }
    bool resize(int w, int h) {
        geo.width = w, geo.height = h;
        if (resizeEvent)
            resizeEvent();
        return true;
    }
    void forEachControl(const std::function<void(ResizeControl&)>& visit) override {
        for (auto& c : controls)
            visit(*c);
    }
    FakeControl& add(std::string name, std::optional<Geometry> g, std::optional<float> font = 8,
                     std::optional<int> index = {}) {
        controls.push_back(std::make_unique<FakeControl>());
        FakeControl& c = *controls.back();
        std::tie(c.name_, c.geo, c.font, c.index_) = std::tuple(std::move(name), g, font, index);
        return c;
    }
};

using Snapshot =
    std::vector<std::tuple<std::optional<Geometry>, std::optional<LineEnds>, std::optional<float>>>;

class Resizer : public testing::Test {
  protected:
    Resizer() {
        portList.kind_ = ResizeKind::ComboBox;
        portList.refusesHeight = true;
        separator.kind_ = ResizeKind::Line;
        separator.ends = LineEnds{10, 50, 390, 50};
        resizer.bind(window);
        resizer.initialize();
        design = snapshot();
    }
    Snapshot snapshot() const {
        Snapshot s;
        for (const auto& c : window.controls)
            s.emplace_back(c->geo, c->ends, c->font);
        return s;
    }
    void resizeTo(int w, int h) {
        window.geo.width = w, window.geo.height = h;
        resizer.doResize();
    }

    FakeWindow window;
    FakeControl& okButton = window.add("okButton", Geometry{100, 60, 80, 30}, 10);
    FakeControl& portList = window.add("portList", Geometry{7, 13, 121, 21});
    FakeControl& separator = window.add("separator", std::nullopt, std::nullopt);
    FakeControl& scanProgress =
        window.add("scanProgress", Geometry{-kParkingOffset + 600, 211, 151, 17});
    FakeControl& edgeLabel = window.add("edgeLabel", Geometry{-5, 250, 63, 19});
    FakeControl& timer = window.add("answerTimer", std::nullopt, std::nullopt);
    FakeControl& status0 = window.add("status", Geometry{11, 280, 97, 15}, 8, 0);
    FakeControl& status1 = window.add("status", Geometry{111, 280, 97, 15}, 8, 1);
    ProportionalResizer resizer;
    Snapshot design;
};

TEST_F(Resizer, PlacesFollowTheirOwnRatioAndFontsTheSmallerOne) {
    const struct {
        int width, height;
        Geometry button;
        float font;
        int unparkedLeft;  // where the parked control shows once the program brings it back
    } cases[] = {
        {800, 300, {200, 60, 160, 30}, 10, 1200},  // wider only: the font keeps its size
        {800, 600, {200, 120, 160, 60}, 20, 1200},
        {200, 300, {50, 60, 40, 30}, 5, 300},  // narrower: the font shrinks with the width
        {400, 150, {100, 30, 80, 15}, 5, 600},
    };
    for (const auto& c : cases) {
        resizeTo(c.width, c.height);
        EXPECT_EQ(okButton.geo, c.button) << c.width << "x" << c.height;
        EXPECT_EQ(okButton.font, c.font) << c.width << "x" << c.height;
        EXPECT_EQ(scanProgress.geo->left + kParkingOffset, c.unparkedLeft);
    }
}

TEST_F(Resizer, AnyRoundTripEndsExactlyAtTheDesignAndParkedControlsStayOutOfSight) {
    resizeTo(563, 421);
    const Snapshot direct = snapshot();
    for (int i = 1; i <= 200; ++i) {
        resizeTo(37 + i * 53 % 1601, 29 + i * 71 % 1187);
        ASSERT_LE(scanProgress.geo->left + scanProgress.geo->width, 0) << i;
        // A control that only juts out over the edge is not parked: it stays in the window.
        ASSERT_GT(edgeLabel.geo->left + edgeLabel.geo->width, 0) << i;
        ASSERT_LT(edgeLabel.geo->left, window.geo.width) << i;
    }
    resizeTo(563, 421);
    EXPECT_EQ(snapshot(), direct);
    resizeTo(400, 300);
    EXPECT_EQ(snapshot(), design);
}

TEST_F(Resizer, WithinTheToleranceBandBoundsIncludedTheDesignReturns) {
    const struct {
        float percent;
        int width, height;
        bool design;
    } cases[] = {
        {10, 420, 291, true}, {10, 440, 270, true}, {10, 360, 330, true}, {10, 444, 300, false},
        {16, 336, 300, true}, {5, 420, 284, false}, {0, 404, 300, false}, {0, 400, 300, true},
    };
    for (const auto& c : cases) {
        resizer.setTolerancePercent(c.percent);
        resizeTo(800, 600);
        resizeTo(c.width, c.height);
        EXPECT_EQ(snapshot() == design, c.design)
            << c.percent << "% " << c.width << "x" << c.height;
    }
}

TEST_F(Resizer, OptionsKeepTheDesignWidthOrHeightAndFontsNotFollowingStillReturn) {
    const struct {
        int option;
        bool fontSizing;
        Geometry button;
        float font;
    } cases[] = {
        {3, false, {200, 180, 80, 30}, 10},  // first, while the font is still the design's
        {0, true, {200, 180, 160, 90}, 20}, {1, true, {200, 180, 80, 90}, 20},
        {2, true, {200, 180, 160, 30}, 20}, {3, true, {200, 180, 80, 30}, 20},
        {7, true, {200, 180, 160, 90}, 20}, {-1, true, {200, 180, 160, 90}, 20},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(resizer.setResizeOption(okButton, ResizeOption(c.option), c.fontSizing));
        resizeTo(800, 900);
        EXPECT_EQ(std::tuple(okButton.geo, okButton.font), std::tuple(c.button, c.font))
            << c.option;
    }
    resizer.setResizeOption(okButton, ResizeOption::ScaleAll, false);
    okButton.font = 14;  // the program's own change, undone with the rest of the layout
    resizer.restoreDesign(false);
    EXPECT_EQ(snapshot(), design);
}

TEST_F(Resizer, ARefusalSkipsOnlyItsOwnStep) {
    okButton.refusesMove = true;
    resizeTo(800, 600);
    EXPECT_EQ(portList.geo, (Geometry{14, 26, 242, 21}));  // all but the height it refuses
    EXPECT_EQ(portList.font, 16);
    EXPECT_EQ(okButton.geo, (Geometry{100, 60, 80, 30}));
    EXPECT_EQ(okButton.font, 20);
    EXPECT_EQ(separator.ends, (LineEnds{20, 100, 780, 100}));
    EXPECT_EQ(status1.geo, (Geometry{222, 560, 194, 30}));
    EXPECT_FALSE(timer.geo || timer.font);
}

TEST_F(Resizer, ControlsWithoutAnUnambiguousRecordAreLeftAlone) {
    FakeControl& twinA = window.add("twin", Geometry{5, 5, 5, 5});
    FakeControl& twinB = window.add("twin", Geometry{9, 9, 9, 9});
    FakeControl& label13 = window.add("status1", Geometry{1, 1, 1, 1});
    resizer.initialize();
    FakeControl& late = window.add("addedLater", Geometry{1, 2, 3, 4});
    resizeTo(800, 600);
    EXPECT_EQ(late.geo, (Geometry{1, 2, 3, 4}));
    EXPECT_EQ(std::tuple(twinA.geo->left, twinB.geo->left, label13.geo->left), std::tuple(5, 9, 2));
    EXPECT_EQ(status1.geo, (Geometry{222, 560, 194, 30}));
}

TEST_F(Resizer, RestoringTheWindowFollowsTheSizeItActuallyTakes) {
    window.resizeEvent = [this] { resizer.doResize(); };
    resizeTo(800, 600);
    resizer.restoreDesign(true);
    EXPECT_EQ(std::pair(window.geo.width, window.geo.height), std::pair(400, 300));
    EXPECT_EQ(snapshot(), design);

    window.minimumWidth = 800;
    resizeTo(200, 150);
    resizer.restoreDesign(true);
    EXPECT_EQ(okButton.geo, (Geometry{200, 60, 160, 30}));
}

TEST_F(Resizer, AWindowWithoutSizeChangesNothing) {
    resizeTo(0, 0);  // minimised
    EXPECT_EQ(snapshot(), design);
    window.geo = {};
    EXPECT_FALSE(resizer.initialize());
    resizeTo(800, 600);
    EXPECT_EQ(snapshot(), design);
}

}  // namespace
}  // namespace qu32
