#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>
#include <string>

#include "layout/ProportionalResizer.h"

namespace qu32 {

// A widget as the resize engine sees it, in pixels. A QComboBox is a combo box; a QFrame drawn
// as a horizontal or vertical line is a line whose end points run through its middle, so the
// engine stretches it without changing its thickness. Fonts are sized in points; a widget whose
// font is sized in pixels has no font size here and keeps its font.
class QtResizeControl : public ResizeControl {
  public:
    // `index` tells apart widgets without an object name.
    explicit QtResizeControl(QWidget& widget, std::optional<int> index = std::nullopt)
        : widget_(widget), index_(index) {}

    std::string name() const override;
    std::optional<int> index() const override { return index_; }
    ResizeKind kind() const override;

    std::optional<Geometry> geometry() const override;
    bool move(const Geometry& g) override;
    bool setLeft(int left) override;
    bool setTop(int top) override;
    bool setWidth(int width) override;
    bool setHeight(int height) override;

    std::optional<LineEnds> lineEnds() const override;
    bool setLineEnds(const LineEnds& ends) override;

    std::optional<float> fontSize() const override;
    bool setFontSize(float size) override;

  private:
    QWidget& widget_;
    std::optional<int> index_;
};

// A window for the resize engine. Its controls are its child widgets in the order of their
// parents' child lists, searched depth first through plain containers (QWidget, QFrame,
// QGroupBox); compound widgets such as spin boxes and scroll areas place their own insides and
// are moved as a whole. Left out: windows of their own (popups), size grips, which keep to their
// corner by themselves, and widgets that a layout places, since the layout would undo every
// move. A widget without an object name is known by its place in that order, so such widgets
// must not be added, removed or raised after recording.
class QtResizeBinding : public ResizeWindow {
  public:
    explicit QtResizeBinding(QWidget& window) : window_(&window) {}

    std::optional<Geometry> geometry() const override;
    bool setWidth(int width) override;
    bool setHeight(int height) override;
    void forEachControl(const std::function<void(ResizeControl&)>& visit) override;

  private:
    // Gone once Qt deletes the window; the engine may outlive it.
    QPointer<QWidget> window_;
};

}  // namespace qu32
