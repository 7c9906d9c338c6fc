#include "qt/QtControlMirror.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

namespace qu32 {

namespace {

constexpr unsigned kChannelMask = 0xFF;
constexpr int kGreenShift = 8;
constexpr int kBlueShift = 16;

using Property = Control::Property;
using Kind = Control::Kind;

constexpr Property kAllProperties[] = {
    Property::Geometry,  Property::Bold,    Property::FontSize, Property::ForeColor,
    Property::BackColor, Property::Caption, Property::Maximum,  Property::Value,
    Property::Enabled,   Property::Visible,
};

// The disabled look stays the style's own, so a greyed-out button still looks greyed out.
void setActiveColour(QWidget& widget, QPalette::ColorRole role, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Active, role, colour);
    palette.setColor(QPalette::Inactive, role, colour);
    widget.setPalette(palette);
}

void fill(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, colour);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

void applyCaption(const Control& c, QWidget& widget) {
    const QString text = fromLatin1(c.caption());
    switch (c.kind()) {
        case Kind::Window:
            widget.setWindowTitle(text);
            break;
        case Kind::Button:
            if (auto* button = qobject_cast<QAbstractButton*>(&widget))
                button->setText(text);
            break;
        case Kind::Frame:
            if (auto* box = qobject_cast<QGroupBox*>(&widget))
                box->setTitle(text);
            break;
        case Kind::Label:
        case Kind::Panel:
            if (auto* label = qobject_cast<QLabel*>(&widget))
                label->setText(text);
            break;
        default:
            break;
    }
}

void applyForeColor(const Control& c, QWidget& widget) {
    const QColor colour = toQColor(c.foreColor());
    switch (c.kind()) {
        case Kind::Line:
            fill(widget, colour);
            break;
        case Kind::Button:
            setActiveColour(widget, QPalette::ButtonText, colour);
            break;
        case Kind::Label:
        case Kind::Panel:
        case Kind::Frame:
            setActiveColour(widget, QPalette::WindowText, colour);
            break;
        default:
            break;
    }
}

// Buttons, frames and scroll bars keep the style's colours; only the display elements carry
// colours that mean something.
void applyBackColor(const Control& c, QWidget& widget, QtControlMirror::Options options) {
    if (options.transparent)
        return;
    if (c.kind() == Kind::Label || c.kind() == Kind::Panel)
        fill(widget, toQColor(c.backColor()));
}

void applyFont(const Control& c, QWidget& widget) {
    switch (c.kind()) {
        case Kind::Window:
        case Kind::MenuEntry:
        case Kind::Line:
        case Kind::ScrollBar:
            return;
        default:
            break;
    }
    QFont font = widget.font();
    font.setBold(c.bold());
    font.setPointSize(std::max(1, c.fontSize()));
    widget.setFont(font);
}

void applyGeometry(const Control& c, QWidget& widget) {
    const Geometry& g = c.geometry();
    switch (c.kind()) {
        case Kind::Window:
            // A window that was never laid out keeps the size Qt gave it.
            if (g.width > 0 && g.height > 0) {
                widget.move(g.left, g.top);
                widget.resize(g.width, g.height);
            }
            break;
        case Kind::Line: {
            // A line has a length in one direction only; draw it with a visible thickness.
            const int thickness = QtControlMirror::kLineThickness;
            const bool vertical = g.width == 0;
            widget.setGeometry(g.left, g.top, vertical ? thickness : g.width,
                               vertical ? std::max(g.height, thickness) : thickness);
            break;
        }
        default:
            widget.setGeometry(g.left, g.top, g.width, g.height);
            break;
    }
}

void applyRange(const Control& c, QWidget& widget) {
    auto* bar = qobject_cast<QScrollBar*>(&widget);
    if (bar == nullptr)
        return;
    // Changes made by the logic are not the operator's; they must not come back as input.
    const QSignalBlocker blocker(bar);
    bar->setMaximum(std::max(0, c.maximum()));
    bar->setValue(c.value());
}

}  // namespace

QString fromLatin1(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string toLatin1(const QString& text) {
    const QByteArray bytes = text.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QColor toQColor(Color bgr) {
    return QColor(static_cast<int>(bgr & kChannelMask),
                  static_cast<int>((bgr >> kGreenShift) & kChannelMask),
                  static_cast<int>((bgr >> kBlueShift) & kChannelMask));
}

void QtControlMirror::apply(const Control& c, QWidget& widget, Property property, Options options) {
    switch (property) {
        case Property::Caption:
            applyCaption(c, widget);
            break;
        case Property::ForeColor:
            applyForeColor(c, widget);
            break;
        case Property::BackColor:
            applyBackColor(c, widget, options);
            break;
        case Property::Bold:
        case Property::FontSize:
            applyFont(c, widget);
            break;
        case Property::Enabled:
            widget.setEnabled(c.enabled());
            break;
        case Property::Visible:
            // The program shows its window when it is ready, not when the logic starts.
            if (c.kind() != Kind::Window)
                widget.setVisible(c.visible());
            break;
        case Property::Geometry:
            applyGeometry(c, widget);
            break;
        case Property::Value:
        case Property::Maximum:
            applyRange(c, widget);
            break;
    }
}

void QtControlMirror::apply(const Control& c, QAction& action, Property property) {
    switch (property) {
        case Property::Caption:
            action.setText(fromLatin1(c.caption()));
            break;
        case Property::Enabled:
            action.setEnabled(c.enabled());
            break;
        case Property::Visible:
            action.setVisible(c.visible());
            break;
        default:
            break;
    }
}

void QtControlMirror::bind(Control& control, QWidget& widget, Options options) {
    if (auto* label = qobject_cast<QLabel*>(&widget)) {
        // Parameter texts may hold "&" or "<"; they are shown as they are.
        label->setTextFormat(Qt::PlainText);
    }
    for (Property p : kAllProperties)
        apply(control, widget, p, options);
    control.setObserver([target = QPointer<QWidget>(&widget), options](Control& c, Property p) {
        if (target)
            apply(c, *target, p, options);
    });
}

void QtControlMirror::bind(Control& control, QAction& action) {
    for (Property p : kAllProperties)
        apply(control, action, p);
    control.setObserver([target = QPointer<QAction>(&action)](Control& c, Property p) {
        if (target)
            apply(c, *target, p);
    });
}

void QtControlMirror::unbind(Control& control) {
    control.setObserver(nullptr);
}

}  // namespace qu32
