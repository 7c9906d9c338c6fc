#pragma once

#include <functional>
#include <string>

namespace qu32 {

// Colours are BGR values as the windows use them (0xFF0000 is blue).
using Color = unsigned int;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kBlack = 0x000000;
inline constexpr Color kBlue = 0xFF0000;
inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kGreen = 0x00FF00;
inline constexpr Color kYellow = 0x00FFFF;

struct Geometry {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Geometry&) const = default;
};

// A plain control as the window logic sees it: labels, 3-D panels, buttons, frames, menu entries,
// and the window itself (its caption is the title bar). One observer mirrors it into a widget.
class Control {
  public:
    enum class Kind {
        Window,
        Label,
        Panel,
        Button,
        Frame,
        MenuEntry,
        ScrollBar,
        Line,
        TextBox,
        List
    };
    enum class Property {
        Caption,
        ForeColor,
        BackColor,
        Bold,
        FontSize,
        Enabled,
        Visible,
        Geometry,
        Value,
        Maximum
    };

    explicit Control(Kind kind = Kind::Label, std::string name = {})
        : kind_(kind), name_(std::move(name)) {}
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind kind() const { return kind_; }
    const std::string& name() const { return name_; }

    const std::string& caption() const { return caption_; }
    void setCaption(const std::string& v) { set(caption_, v, Property::Caption); }
    Color foreColor() const { return foreColor_; }
    void setForeColor(Color v) { set(foreColor_, v, Property::ForeColor); }
    Color backColor() const { return backColor_; }
    void setBackColor(Color v) { set(backColor_, v, Property::BackColor); }
    bool bold() const { return bold_; }
    void setBold(bool v) { set(bold_, v, Property::Bold); }
    int fontSize() const { return fontSize_; }
    void setFontSize(int v) { set(fontSize_, v, Property::FontSize); }
    bool enabled() const { return enabled_; }
    void setEnabled(bool v) { set(enabled_, v, Property::Enabled); }
    bool visible() const { return visible_; }
    void setVisible(bool v) { set(visible_, v, Property::Visible); }
    const Geometry& geometry() const { return geometry_; }
    void setGeometry(const Geometry& v) { set(geometry_, v, Property::Geometry); }
    // Scroll bars: the position and its maximum (the minimum is 0).
    int value() const { return value_; }
    void setValue(int v) { set(value_, v, Property::Value); }
    int maximum() const { return maximum_; }
    void setMaximum(int v) { set(maximum_, v, Property::Maximum); }
    // For controls in arrays, which are built first and named afterwards.
    void setIdentity(Kind kind, std::string name) {
        kind_ = kind;
        name_ = std::move(name);
    }

    // The one observer (the Qt mirror, or a test recorder); called after a property changed.
    void setObserver(std::function<void(Control&, Property)> observer) {
        observer_ = std::move(observer);
    }

  private:
    template <typename T>
    void set(T& field, const T& value, Property p) {
        if (field == value)
            return;
        field = value;
        if (observer_)
            observer_(*this, p);
    }

    Kind kind_;
    std::string name_;
    std::string caption_;
    Color foreColor_ = kBlack;
    Color backColor_ = kWhite;
    bool bold_ = false;
    int fontSize_ = 8;
    bool enabled_ = true;
    bool visible_ = true;
    Geometry geometry_;
    int value_ = 0;
    int maximum_ = 0;
    std::function<void(Control&, Property)> observer_;
};

}  // namespace qu32
