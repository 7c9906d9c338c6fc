#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Controls.h"

namespace qu32 {

// A control is parked by moving it this far to the left of its place. It is scaled in its
// unparked place and put back out of sight, so it keeps its place without ever showing up.
inline constexpr int kParkingOffset = 75000;
// A dialog has a few dozen controls; any beyond this many are not recorded and stay put.
inline constexpr std::size_t kMaxRecordedControls = 1000;
// Scaled places stay within this range, so an absurd window size cannot overflow them.
inline constexpr int kMaxCoordinate = 1 << 24;

// The few kinds the engine must tell apart: lines move by their end points, and combo boxes and
// drive lists are sized one edge at a time because they refuse a height of their own choosing.
enum class ResizeKind { Line, ComboBox, DriveList, Other };

// How a control follows the window. Any other value scales everything.
enum class ResizeOption : std::int16_t {
    ScaleAll = 0,
    KeepWidth = 1,
    KeepHeight = 2,
    KeepSize = 3
};

struct LineEnds {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const LineEnds&) const = default;
};

// One control as the toolkit shows it. Reads give nothing and writes return false when the
// control lacks the property or refuses the value; the engine then skips just that step.
class ResizeControl {
  public:
    virtual ~ResizeControl() = default;
    virtual std::string name() const = 0;
    // The control's place in its control array, if it belongs to one.
    virtual std::optional<int> index() const = 0;
    virtual ResizeKind kind() const = 0;

    virtual std::optional<Geometry> geometry() const = 0;
    virtual bool move(const Geometry& geometry) = 0;
    virtual bool setLeft(int left) = 0;
    virtual bool setTop(int top) = 0;
    virtual bool setWidth(int width) = 0;
    virtual bool setHeight(int height) = 0;

    virtual std::optional<LineEnds> lineEnds() const = 0;
    virtual bool setLineEnds(const LineEnds& ends) = 0;

    virtual std::optional<float> fontSize() const = 0;
    virtual bool setFontSize(float size) = 0;
};

// The window the engine keeps in proportion, in the same units as its controls.
class ResizeWindow {
  public:
    virtual ~ResizeWindow() = default;
    virtual std::optional<Geometry> geometry() const = 0;
    virtual bool setWidth(int width) = 0;
    virtual bool setHeight(int height) = 0;
    // Every control, always in the same order.
    virtual void forEachControl(const std::function<void(ResizeControl&)>& visit) = 0;
};

struct RecordedWindow {
    int left = 0, top = 0, width = 0, height = 0;
};

// A control as designed. Lines have end points and no geometry; controls without text have no
// font size.
struct RecordedControl {
    int sequence = 0;  // from 1, in recording order
    std::string key;
    std::optional<Geometry> geometry;
    std::optional<LineEnds> lineEnds;
    std::optional<float> fontSize;
    ResizeOption option = ResizeOption::ScaleAll;
    bool fontSizing = true;
};

// The key a control is recorded under: its name, with its array index in brackets so that the
// third of "row1" never meets a control called "row13".
std::string recordKey(std::string_view name, std::optional<int> index);

// The design of every control, by key.
class RecordedControls {
  public:
    // Nullptr when the collection is full or the key is taken. Two controls with one key are
    // both forgotten: either would otherwise be moved to the other's place.
    RecordedControl* add(std::string key, std::optional<Geometry> geometry,
                         std::optional<float> fontSize);
    RecordedControl* addLine(std::string key, const LineEnds& ends);
    RecordedControl* find(std::string_view key);
    const RecordedControl* find(std::string_view key) const;
    std::size_t count() const { return records_.size(); }
    void clear();

  private:
    RecordedControl* insert(RecordedControl record);

    std::vector<RecordedControl> records_;
    // Nothing for a key that two controls share.
    std::map<std::string, std::optional<std::size_t>, std::less<>> byKey_;
};

// Keeps a window's controls in proportion to the window: records the design once, then on every
// resize scales each control from its design by the window's width and height ratios, and its
// font by the smaller of the two. Everything is computed from the design, never from the last
// size, so returning to the design size gives the design back exactly.
class ProportionalResizer {
  public:
    // Forgets what was recorded for another window.
    void bind(ResizeWindow& window);
    // Records the window and its controls as they are now; false when there is no window or it
    // has no size yet.
    bool initialize();
    // Follows the window's current size.
    void doResize();
    // Puts every control and font back to its design; with `restoreWindowSize` the window too.
    void restoreDesign(bool restoreWindowSize);
    // False when the control has no record.
    bool setResizeOption(const ResizeControl& control, ResizeOption option, bool fontSizing);

    // Within this many percent of the design size in both directions the window shows its
    // design layout unchanged.
    float tolerancePercent() const { return tolerancePercent_; }
    void setTolerancePercent(float percent);

    const RecordedControls& records() const { return records_; }
    const std::optional<RecordedWindow>& recordedWindow() const { return design_; }

  private:
    struct Ratios {
        float x = 1, y = 1, font = 1;
        bool allFonts = false;  // also fonts that do not follow the window
    };
    void scaleControls(const Ratios& ratios);
    void scaleControl(ResizeControl& control, const RecordedControl& design, const Ratios& ratios);
    bool withinTolerance(const Geometry& window) const;

    ResizeWindow* window_ = nullptr;
    std::optional<RecordedWindow> design_;
    RecordedControls records_;
    float tolerancePercent_ = 0;
    // Set while the engine moves things: resize events it causes itself are not followed.
    bool busy_ = false;
};

}  // namespace qu32
