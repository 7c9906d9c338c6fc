// Controls mirrored into widgets, and the message boxes of the windowed program.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <memory>

#include "qt/QtControlMirror.h"
#include "qt/QtMessageDialogs.h"

namespace qu32 {
namespace {

TEST(QtControlMirror, LabelShowsLatin1CaptionAndBgrColours) {
    Control c(Control::Kind::Panel3D, "Panel");
    QLabel label;
    QtControlMirror::bind(c, label);
    c.setCaption("Packungsl\xE4nge & <b>");
    c.setBackColor(kBlue);
    c.setForeColor(kYellow);
    c.setGeometry({10, 20, 30, 40});
    c.setFontSize(14);
    c.setBold(true);
    EXPECT_EQ(label.text(), QString::fromUtf8("Packungsl\u00e4nge & <b>"));
    EXPECT_EQ(label.textFormat(), Qt::PlainText);
    EXPECT_EQ(label.palette().color(QPalette::Window), QColor(0, 0, 255));
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(255, 255, 0));
    EXPECT_TRUE(label.autoFillBackground());
    EXPECT_EQ(label.geometry(), QRect(10, 20, 30, 40));
    EXPECT_EQ(label.font().pointSize(), 14);
    EXPECT_TRUE(label.font().bold());
}

TEST(QtControlMirror, TransparentLabelKeepsWhatLiesBeneath) {
    Control c(Control::Kind::Label, "Value");
    QLabel label;
    QtControlMirror::bind(c, label, QtControlMirror::Options{true});
    c.setBackColor(kRed);
    EXPECT_FALSE(label.autoFillBackground());
}

TEST(QtControlMirror, ButtonKeepsAccessKeyAndItsDisabledLook) {
    Control c(Control::Kind::Button, "Transmit");
    QPushButton button;
    c.setCaption("Tra&nsmit");
    c.setForeColor(kRed);
    QtControlMirror::bind(c, button);
    EXPECT_EQ(button.text(), "Tra&nsmit");
    EXPECT_EQ(button.palette().color(QPalette::Active, QPalette::ButtonText), QColor(255, 0, 0));
    EXPECT_NE(button.palette().color(QPalette::Disabled, QPalette::ButtonText), QColor(255, 0, 0));
    c.setEnabled(false);
    EXPECT_FALSE(button.isEnabled());
}

TEST(QtControlMirror, LinesGetAThicknessAcrossTheirLength) {
    Control horizontal(Control::Kind::Line, "Line4"), vertical(Control::Kind::Line, "Line1");
    QWidget h, v;
    QtControlMirror::bind(horizontal, h);
    QtControlMirror::bind(vertical, v);
    horizontal.setGeometry({5, 50, 8, 0});
    vertical.setGeometry({100, 10, 0, 20});
    EXPECT_EQ(h.geometry(), QRect(5, 50, 8, QtControlMirror::kLineThickness));
    EXPECT_EQ(v.geometry(), QRect(100, 10, QtControlMirror::kLineThickness, 20));
}

TEST(QtControlMirror, ScrollBarMovedByTheLogicDoesNotReportItBack) {
    Control c(Control::Kind::ScrollBar, "VScroll1");
    QScrollBar bar(Qt::Vertical);
    QtControlMirror::bind(c, bar);
    QSignalSpy moved(&bar, &QScrollBar::valueChanged);
    c.setMaximum(99);
    c.setValue(40);
    EXPECT_EQ(bar.maximum(), 99);
    EXPECT_EQ(bar.value(), 40);
    EXPECT_EQ(moved.count(), 0);
    bar.setValue(41);  // the operator
    EXPECT_EQ(moved.count(), 1);
}

TEST(QtControlMirror, ControlOutlivingItsWidgetIsLeftAlone) {
    Control c(Control::Kind::Label, "Label");
    auto label = std::make_unique<QLabel>();
    QtControlMirror::bind(c, *label);
    label.reset();
    c.setCaption("after the window closed");
    c.setVisible(false);
}

// ---------------------------------------------------------------- message boxes

// Presses `button` on the message box that is about to open, and remembers what it showed.
struct BoxPresser {
    QMessageBox::StandardButton button;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

    void arm() {
        QTimer::singleShot(0, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            text = box->text();
            icon = box->icon();
            if (button == QMessageBox::Escape) {
                box->reject();
            } else {
                box->button(button)->click();
            }
        });
    }
};

TEST(QtMessageDialogs, AnswersWithThePressedButtonAndBreaksLinesAtCarriageReturns) {
    QtMessageDialogs dialogs;
    BoxPresser press{QMessageBox::No, {}};
    press.arm();
    EXPECT_EQ(dialogs.messageBox("Save changes to file a.par ?\rSecond line", "QU 3.2",
                                 MsgButtons::YesNoCancel, MsgIcon::Question),
              MsgAnswer::No);
    EXPECT_EQ(press.text, "Save changes to file a.par ?\nSecond line");
    EXPECT_EQ(press.icon, QMessageBox::Question);

    BoxPresser retry{QMessageBox::Retry, {}};
    retry.arm();
    EXPECT_EQ(dialogs.messageBox("Port busy", "", MsgButtons::RetryCancel, MsgIcon::Stop),
              MsgAnswer::Retry);
    EXPECT_EQ(retry.icon, QMessageBox::Critical);

    BoxPresser escape{QMessageBox::Escape, {}};
    escape.arm();
    EXPECT_EQ(dialogs.messageBox("?", "", MsgButtons::YesNoCancel, MsgIcon::None),
              MsgAnswer::Cancel);
}

TEST(QtMessageDialogs, HourglassSetTwiceGoesWithOneDefault) {
    QtMessageDialogs dialogs;
    dialogs.setMousePointer(MousePointer::Hourglass);
    dialogs.setMousePointer(MousePointer::Hourglass);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    dialogs.setMousePointer(MousePointer::Default);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace qu32
