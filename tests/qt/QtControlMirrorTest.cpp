// Controls mirrored into widgets, and the message boxes of the windowed program.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTimer>
#include <memory>
#include <tuple>

#include "qt/QtControlMirror.h"
#include "qt/QtMessageDialogs.h"

namespace qu32 {
namespace {

using Kind = Control::Kind;

TEST(QtControlMirror, EachPropertyTakesEffectOnItsWidget) {
    Control panel(Kind::Panel, "panel"), value(Kind::Label, "value"),
        button(Kind::Button, "button"), hLine(Kind::Line, "h"), vLine(Kind::Line, "v"),
        bar(Kind::ScrollBar, "bar");
    QLabel panelW, valueW;
    QPushButton buttonW;
    QWidget hLineW, vLineW;
    QScrollBar barW(Qt::Vertical);
    button.setCaption("Tra&nsmit");  // held before binding: shown by bind() itself
    button.setForeColor(kRed);
    QtControlMirror::bind(panel, panelW);
    QtControlMirror::bind(value, valueW, QtControlMirror::Options{true});
    QtControlMirror::bind(button, buttonW);
    QtControlMirror::bind(hLine, hLineW);
    QtControlMirror::bind(vLine, vLineW);
    QtControlMirror::bind(bar, barW);
    QSignalSpy moved(&barW, &QScrollBar::valueChanged);
    panel.setCaption("L\xE4nge & <b>");
    panel.setBackColor(kBlue);
    panel.setForeColor(kYellow);
    panel.setGeometry({10, 20, 30, 40});
    panel.setFontSize(14);
    panel.setBold(true);
    value.setBackColor(kRed);
    button.setEnabled(false);
    hLine.setGeometry({5, 50, 8, 0});
    vLine.setGeometry({100, 10, 0, 20});
    bar.setMaximum(99);
    bar.setValue(40);

    const QPalette& panelColours = panelW.palette();
    const QPalette& buttonColours = buttonW.palette();
    constexpr int kThick = QtControlMirror::kLineThickness;
    const std::pair<const char*, bool> effects[] = {
        {"Latin-1 caption as plain text", panelW.text() == QString::fromUtf8("L\u00e4nge & <b>") &&
                                              panelW.textFormat() == Qt::PlainText},
        {"BGR back colour fills",
         panelW.autoFillBackground() && panelColours.color(QPalette::Window) == Qt::blue},
        {"fore colour", panelColours.color(QPalette::WindowText) == Qt::yellow},
        {"place", panelW.geometry() == QRect(10, 20, 30, 40)},
        {"font size and bold", panelW.font().pointSize() == 14 && panelW.font().bold()},
        {"transparent label keeps what lies beneath", !valueW.autoFillBackground()},
        {"button caption with its access key", buttonW.text() == "Tra&nsmit"},
        {"button colour, the disabled look the style's",
         buttonColours.color(QPalette::Active, QPalette::ButtonText) == Qt::red &&
             buttonColours.color(QPalette::Disabled, QPalette::ButtonText) != Qt::red},
        {"disabled", !buttonW.isEnabled()},
        {"horizontal line gets a thickness", hLineW.geometry() == QRect(5, 50, 8, kThick)},
        {"vertical line gets a thickness", vLineW.geometry() == QRect(100, 10, kThick, 20)},
        {"scroll bar moved by the logic, not reported back",
         barW.maximum() == 99 && barW.value() == 40 && moved.isEmpty()},
    };
    for (const auto& [what, shown] : effects)
        EXPECT_TRUE(shown) << what;
    barW.setValue(41);  // the operator's move is
    EXPECT_EQ(moved.count(), 1);

    // A control outliving its widget leaves it be; writing to the deleted label would crash here.
    auto gone = std::make_unique<QLabel>();
    QtControlMirror::bind(value, *gone);
    gone.reset();
    value.setCaption("after the window closed");
    value.setVisible(false);
}

// ---------------------------------------------------------------- message boxes

TEST(QtMessageDialogs, AnswersWithThePressedButtonAndShowsTextWithLineBreaksAndIcon) {
    // Buttons, icon, the button pressed (none: Escape) -> answer, icon shown.
    const std::tuple<MsgButtons, MsgIcon, QMessageBox::StandardButton, MsgAnswer, QMessageBox::Icon>
        cases[] = {
            {MsgButtons::YesNoCancel, MsgIcon::Question, QMessageBox::No, MsgAnswer::No,
             QMessageBox::Question},
            {MsgButtons::RetryCancel, MsgIcon::Stop, QMessageBox::NoButton, MsgAnswer::Cancel,
             QMessageBox::Critical},
        };
    QtMessageDialogs dialogs;
    for (const auto& [buttons, icon, press, answer, shown] : cases) {
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), "Save changes to file a.par ?\nSecond line");
            EXPECT_EQ(box->icon(), shown);
            press == QMessageBox::NoButton ? box->reject() : box->button(press)->click();
        });
        EXPECT_EQ(dialogs.messageBox("Save changes to file a.par ?\rSecond line", "QU 3.2", buttons,
                                     icon),
                  answer);
    }
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
