// The resize engine on real widgets: what it takes for a control, and the way back to the design.

#include "qt/QtResizeBinding.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <vector>

namespace qu32 {
namespace {

template <typename W>
W* place(QWidget* parent, const char* name, QRect geometry) {
    auto* widget = new W(parent);
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    QFont font = widget->font();
    font.setPointSizeF(10);
    widget->setFont(font);
    return widget;
}

// Every widget of the window, inner parts of compound widgets included.
std::vector<std::pair<QRect, qreal>> snapshot(const QWidget& window) {
    std::vector<std::pair<QRect, qreal>> s;
    for (const QWidget* w : window.findChildren<QWidget*>())
        s.emplace_back(w->geometry(), w->font().pointSizeF());
    return s;
}

TEST(QtResizeBinding, DoubledWindowDoublesPlacesAndFontsAndTheWayBackIsExact) {
    QWidget window;
    window.resize(400, 300);
    auto* ports = place<QComboBox>(&window, "portList", {10, 40, 150, 24});
    auto* separator = place<QFrame>(&window, "separator", {10, 80, 380, 3});
    separator->setFrameShape(QFrame::HLine);
    auto* scanBox = place<QGroupBox>(&window, "scanBox", {10, 100, 200, 100});
    auto* start = place<QPushButton>(scanBox, "", {10, 20, 80, 30});
    auto* unit = place<QSpinBox>(&window, "unitNumber", {250, 40, 60, 24});
    auto* parked = place<QLabel>(&window, "scanProgress", {-kParkingOffset + 600, 10, 50, 20});
    window.show();  // so that compound widgets lay out their insides as they are resized
    QtResizeBinding binding(window);
    ProportionalResizer resizer;
    resizer.bind(binding);
    ASSERT_TRUE(resizer.initialize());
    const auto design = snapshot(window);

    window.resize(800, 600);
    resizer.doResize();
    EXPECT_EQ(ports->font().pointSizeF(), 20);
    EXPECT_EQ(ports->geometry(), QRect(20, 80, 300, 48));
    EXPECT_EQ(separator->geometry(), QRect(20, 161, 760, 3));  // longer, not thicker
    EXPECT_EQ(start->geometry(), QRect(20, 40, 160, 60));      // inside its box, by its place
    EXPECT_EQ(unit->geometry(), QRect(500, 80, 120, 48));
    EXPECT_EQ(parked->x(), -kParkingOffset + 1200);
    QSpinBox reference;  // a spin box of that size places its insides itself
    reference.setFont(unit->font());
    reference.resize(unit->size());
    reference.show();
    EXPECT_EQ(unit->findChild<QLineEdit*>()->geometry(),
              reference.findChild<QLineEdit*>()->geometry());

    window.resize(523, 177);
    resizer.doResize();
    resizer.restoreDesign(true);
    EXPECT_EQ(window.size(), QSize(400, 300));
    EXPECT_EQ(snapshot(window), design);
}

}  // namespace
}  // namespace qu32
