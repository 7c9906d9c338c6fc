#include "layout/ProportionalResizer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

namespace qu32 {

namespace {

int scaled(int design, float ratio) {
    const double value = std::round(static_cast<double>(design) * ratio);
    return static_cast<int>(std::clamp(value, -double{kMaxCoordinate}, double{kMaxCoordinate}));
}

float ratio(int now, int design) {
    return static_cast<float>(static_cast<double>(now) / design);
}

// Parked means wholly out of sight to the left. A control that only juts out over the left
// edge is part of the design and scales where it is; shifting it by the parking offset would
// throw it out of the window.
bool parked(const std::optional<Geometry>& g) {
    return g && g->left < 0 && static_cast<long long>(g->left) + g->width <= 0;
}

bool keepsWidth(ResizeOption o) {
    return o == ResizeOption::KeepWidth || o == ResizeOption::KeepSize;
}

bool keepsHeight(ResizeOption o) {
    return o == ResizeOption::KeepHeight || o == ResizeOption::KeepSize;
}

class BusyGuard {
  public:
    explicit BusyGuard(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyGuard() { busy_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

  private:
    bool& busy_;
};

}  // namespace

std::string recordKey(std::string_view name, std::optional<int> index) {
    std::string key(name);
    if (index)
        key += "(" + std::to_string(*index) + ")";
    return key;
}

RecordedControl* RecordedControls::add(std::string key, std::optional<Geometry> geometry,
                                       std::optional<float> fontSize) {
    RecordedControl record;
    record.key = std::move(key);
    record.geometry = geometry;
    record.fontSize = fontSize;
    return insert(std::move(record));
}

RecordedControl* RecordedControls::addLine(std::string key, const LineEnds& ends) {
    RecordedControl record;
    record.key = std::move(key);
    record.lineEnds = ends;
    return insert(std::move(record));
}

RecordedControl* RecordedControls::insert(RecordedControl record) {
    if (records_.size() >= kMaxRecordedControls)
        return nullptr;
    const auto [at, inserted] = byKey_.try_emplace(record.key, records_.size());
    if (!inserted) {
        at->second.reset();
        return nullptr;
    }
    record.sequence = static_cast<int>(records_.size()) + 1;
    records_.push_back(std::move(record));
    return &records_.back();
}

RecordedControl* RecordedControls::find(std::string_view key) {
    return const_cast<RecordedControl*>(std::as_const(*this).find(key));
}

const RecordedControl* RecordedControls::find(std::string_view key) const {
    const auto at = byKey_.find(key);
    return at != byKey_.end() && at->second ? &records_[*at->second] : nullptr;
}

void RecordedControls::clear() {
    records_.clear();
    byKey_.clear();
}

void ProportionalResizer::bind(ResizeWindow& window) {
    window_ = &window;
    design_.reset();
    records_.clear();
}

bool ProportionalResizer::initialize() {
    design_.reset();
    records_.clear();
    if (!window_)
        return false;
    const std::optional<Geometry> window = window_->geometry();
    // Without a design size there is nothing to take ratios of.
    if (!window || window->width <= 0 || window->height <= 0)
        return false;
    design_ = RecordedWindow{window->left, window->top, window->width, window->height};

    window_->forEachControl([this](ResizeControl& control) {
        std::string key = recordKey(control.name(), control.index());
        if (control.kind() == ResizeKind::Line) {
            if (const std::optional<LineEnds> ends = control.lineEnds())
                records_.addLine(std::move(key), *ends);
            return;
        }
        std::optional<Geometry> geometry = control.geometry();
        if (parked(geometry))
            geometry->left += kParkingOffset;
        std::optional<float> font = control.fontSize();
        if (font && !(*font > 0))
            font.reset();
        records_.add(std::move(key), geometry, font);
    });
    return true;
}

void ProportionalResizer::doResize() {
    if (!window_ || !design_ || busy_)
        return;
    const std::optional<Geometry> window = window_->geometry();
    // A minimised window has no size to follow; the next real size brings everything back.
    if (!window || window->width <= 0 || window->height <= 0)
        return;
    BusyGuard guard(busy_);
    if (withinTolerance(*window)) {
        scaleControls(Ratios{1, 1, 1, true});
        return;
    }
    const float x = ratio(window->width, design_->width);
    const float y = ratio(window->height, design_->height);
    scaleControls(Ratios{x, y, std::min(x, y), false});
}

void ProportionalResizer::restoreDesign(bool restoreWindowSize) {
    if (!window_ || !design_ || busy_)
        return;
    {
        BusyGuard guard(busy_);
        scaleControls(Ratios{1, 1, 1, true});
        if (!restoreWindowSize)
            return;
        window_->setHeight(design_->height);
        window_->setWidth(design_->width);
    }
    // The window may keep another size (a minimum, the screen's edge): follow the one it took.
    const std::optional<Geometry> window = window_->geometry();
    if (window && (window->width != design_->width || window->height != design_->height))
        doResize();
}

bool ProportionalResizer::setResizeOption(const ResizeControl& control, ResizeOption option,
                                          bool fontSizing) {
    RecordedControl* record = records_.find(recordKey(control.name(), control.index()));
    if (!record)
        return false;
    record->option = option;
    record->fontSizing = fontSizing;
    return true;
}

void ProportionalResizer::setTolerancePercent(float percent) {
    tolerancePercent_ = percent > 0 ? percent : 0;
}

// Compared on the whole sizes rather than on the float ratios, so that a window exactly at
// the edge of the band counts as inside it.
bool ProportionalResizer::withinTolerance(const Geometry& window) const {
    const auto within = [this](int now, int design) {
        return std::abs(static_cast<double>(now) - design) * 100.0 <=
               static_cast<double>(tolerancePercent_) * design;
    };
    return within(window.width, design_->width) && within(window.height, design_->height);
}

void ProportionalResizer::scaleControls(const Ratios& ratios) {
    window_->forEachControl([&](ResizeControl& control) {
        if (const RecordedControl* design =
                records_.find(recordKey(control.name(), control.index())))
            scaleControl(control, *design, ratios);
    });
}

void ProportionalResizer::scaleControl(ResizeControl& control, const RecordedControl& design,
                                       const Ratios& r) {
    if (design.fontSize && (design.fontSizing || r.allFonts))
        control.setFontSize(*design.fontSize * r.font);

    if (design.lineEnds) {
        const LineEnds& e = *design.lineEnds;
        control.setLineEnds(
            {scaled(e.x1, r.x), scaled(e.y1, r.y), scaled(e.x2, r.x), scaled(e.y2, r.y)});
        return;
    }
    if (!design.geometry)
        return;

    const Geometry& g = *design.geometry;
    Geometry target{scaled(g.left, r.x), scaled(g.top, r.y), scaled(g.width, r.x),
                    scaled(g.height, r.y)};
    if (keepsWidth(design.option))
        target.width = g.width;
    if (keepsHeight(design.option))
        target.height = g.height;
    if (parked(control.geometry()))
        target.left -= kParkingOffset;

    const ResizeKind kind = control.kind();
    if (kind == ResizeKind::ComboBox || kind == ResizeKind::DriveList) {
        // One edge at a time: the height such a control refuses must not stop the others.
        control.setTop(target.top);
        control.setLeft(target.left);
        control.setWidth(target.width);
        control.setHeight(target.height);
    } else {
        control.move(target);
    }
}

}  // namespace qu32
