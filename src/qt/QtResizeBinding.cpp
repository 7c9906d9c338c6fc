#include "qt/QtResizeBinding.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLayout>
#include <QSizeGrip>
#include <cmath>
#include <vector>

#include "qt/QtControlMirror.h"

namespace qu32 {

namespace {

std::optional<QFrame::Shape> lineShape(const QWidget& widget) {
    const auto* frame = qobject_cast<const QFrame*>(&widget);
    if (!frame || (frame->frameShape() != QFrame::HLine && frame->frameShape() != QFrame::VLine))
        return std::nullopt;
    return frame->frameShape();
}

bool holds(const QLayout& layout, const QWidget* widget) {
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem* item = layout.itemAt(i);
        if (item->widget() == widget || (item->layout() && holds(*item->layout(), widget)))
            return true;
    }
    return false;
}

bool placedByLayout(const QWidget& widget) {
    const QWidget* parent = widget.parentWidget();
    return parent && parent->layout() && holds(*parent->layout(), &widget);
}

// Only these hold widgets that their owner placed by hand.
bool plainContainer(const QWidget& widget) {
    const QMetaObject* type = widget.metaObject();
    return type == &QWidget::staticMetaObject || type == &QFrame::staticMetaObject ||
           type == &QGroupBox::staticMetaObject;
}

void collect(QWidget& parent, std::vector<QPointer<QWidget>>& controls) {
    for (QObject* child : parent.children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow())
            continue;
        if (!qobject_cast<QSizeGrip*>(widget) && !placedByLayout(*widget))
            controls.push_back(widget);
        if (plainContainer(*widget))
            collect(*widget, controls);
    }
}

}  // namespace

std::string QtResizeControl::name() const {
    return toLatin1(widget_.objectName());
}

ResizeKind QtResizeControl::kind() const {
    if (lineShape(widget_))
        return ResizeKind::Line;
    return qobject_cast<const QComboBox*>(&widget_) ? ResizeKind::ComboBox : ResizeKind::Other;
}

std::optional<Geometry> QtResizeControl::geometry() const {
    const QRect r = widget_.geometry();
    return Geometry{r.x(), r.y(), r.width(), r.height()};
}

bool QtResizeControl::move(const Geometry& g) {
    widget_.setGeometry(g.left, g.top, g.width, g.height);
    return true;
}

bool QtResizeControl::setLeft(int left) {
    widget_.move(left, widget_.y());
    return true;
}

bool QtResizeControl::setTop(int top) {
    widget_.move(widget_.x(), top);
    return true;
}

bool QtResizeControl::setWidth(int width) {
    widget_.resize(width, widget_.height());
    return true;
}

bool QtResizeControl::setHeight(int height) {
    widget_.resize(widget_.width(), height);
    return true;
}

std::optional<LineEnds> QtResizeControl::lineEnds() const {
    const std::optional<QFrame::Shape> shape = lineShape(widget_);
    if (!shape)
        return std::nullopt;
    const QRect r = widget_.geometry();
    if (*shape == QFrame::HLine) {
        const int y = r.y() + r.height() / 2;
        return LineEnds{r.x(), y, r.x() + r.width(), y};
    }
    const int x = r.x() + r.width() / 2;
    return LineEnds{x, r.y(), x, r.y() + r.height()};
}

bool QtResizeControl::setLineEnds(const LineEnds& e) {
    const std::optional<QFrame::Shape> shape = lineShape(widget_);
    if (!shape)
        return false;
    // The thickness stays; only the length and the place follow the end points.
    const QRect r = widget_.geometry();
    if (*shape == QFrame::HLine)
        widget_.setGeometry(std::min(e.x1, e.x2), e.y1 - r.height() / 2, std::abs(e.x2 - e.x1),
                            r.height());
    else
        widget_.setGeometry(e.x1 - r.width() / 2, std::min(e.y1, e.y2), r.width(),
                            std::abs(e.y2 - e.y1));
    return true;
}

std::optional<float> QtResizeControl::fontSize() const {
    const qreal points = widget_.font().pointSizeF();
    return points > 0 ? std::optional(static_cast<float>(points)) : std::nullopt;
}

bool QtResizeControl::setFontSize(float size) {
    // Qt refuses sizes that are not positive with a warning; the font stays as it is.
    if (!(size > 0) || !std::isfinite(size) || !fontSize())
        return false;
    QFont font = widget_.font();
    font.setPointSizeF(size);
    widget_.setFont(font);
    return true;
}

std::optional<Geometry> QtResizeBinding::geometry() const {
    if (!window_)
        return std::nullopt;
    return Geometry{window_->x(), window_->y(), window_->width(), window_->height()};
}

bool QtResizeBinding::setWidth(int width) {
    if (!window_)
        return false;
    window_->resize(width, window_->height());
    return true;
}

bool QtResizeBinding::setHeight(int height) {
    if (!window_)
        return false;
    window_->resize(window_->width(), height);
    return true;
}

void QtResizeBinding::forEachControl(const std::function<void(ResizeControl&)>& visit) {
    if (!window_)
        return;
    // Held weakly: a widget that goes away while the others are visited is passed over.
    std::vector<QPointer<QWidget>> widgets;
    collect(*window_, widgets);
    for (std::size_t i = 0; i < widgets.size(); ++i) {
        if (!widgets[i])
            continue;
        const bool named = !widgets[i]->objectName().isEmpty();
        QtResizeControl control(*widgets[i],
                                named ? std::nullopt : std::optional(static_cast<int>(i)));
        visit(control);
    }
}

}  // namespace qu32
