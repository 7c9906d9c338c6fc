// The modal dialogs as Qt shows them: an operator's hands are a timer that acts on the dialog
// once it is open.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

#include "layout/DialogLayouts.h"
#include "mainwindow/FileCommentDialog.h"
#include "qt/QtMessageDialogs.h"
#include "support/TempFolder.h"

namespace qu32::test {
namespace {

// Acts on the modal dialog once it shows; closes it if `act` left it open.
void whenShown(const std::function<void(QWidget&)>& act) {
    QTimer::singleShot(0, [act] {
        QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeModalWidget() != nullptr, 5000);
        QWidget* dialog = QApplication::activeModalWidget();
        act(*dialog);
        if (dialog->isVisible())
            dialog->close();
    });
}

// Typing, letter by letter, as a keyboard with these letters would.
void type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

QPushButton* button(QWidget& dialog, const QString& text) {
    for (QPushButton* b : dialog.findChildren<QPushButton*>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

TEST(QtDialogsTest, FileCommentIsPlacedLimitedAndTakenOnlyWithOk) {
    QtMessageDialogs dialogs;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const Geometry at = layoutFileComment({screen.width(), screen.height()}).window;

    FileCommentDialog typed("/tmp/line7.par");
    whenShown([&](QWidget& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "File Comments");
        EXPECT_EQ(dialog.geometry(),
                  QRect(screen.left() + at.left, screen.top() + at.top, at.width, at.height));
        auto* text = dialog.findChild<QLineEdit*>();
        ASSERT_NE(text, nullptr);
        type(text, QString::fromUtf8("Pr\u00fcfung \u20ac, ") + QString(250, 'x'));
        EXPECT_EQ(text->text().size(), 200) << "the euro sign cannot be typed";
        QPushButton* ok = button(dialog, "&OK");
        ASSERT_NE(ok, nullptr);
        ok->click();
    });
    dialogs.showFileComment(typed);
    ASSERT_TRUE(typed.result().has_value());
    EXPECT_EQ(typed.result()->substr(0, 10),
              "Pr\xFC"
              "fung , ");

    FileCommentDialog closed("/tmp/line7.par");
    whenShown([](QWidget& dialog) { type(dialog.findChild<QLineEdit*>(), "not taken"); });
    dialogs.showFileComment(closed);
    EXPECT_FALSE(closed.result().has_value());
}

TEST(QtDialogsTest, FileChooserStartsInTheFolderAndAddsTheSuffix) {
    TempFolder folder;
    QtMessageDialogs dialogs;
    FileDialogRequest request;
    request.mode = FileDialogMode::Save;
    request.title = "SAVE FILE AS ...";
    request.folder = folder.path();
    request.filters = {"Parameter Files (*.par)", "All Files (*)"};
    request.defaultSuffix = "par";
    whenShown([&](QWidget& widget) {
        auto* dialog = qobject_cast<QFileDialog*>(&widget);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "SAVE FILE AS ...");
        EXPECT_EQ(dialog->directory().absolutePath().toStdString(), folder.path());
        EXPECT_EQ(dialog->nameFilters(), QStringList({"Parameter Files (*.par)", "All Files (*)"}));
        dialog->selectFile("line7");
        QMetaObject::invokeMethod(dialog, "accept");
    });
    EXPECT_EQ(dialogs.chooseFile(request), folder.file("line7.par"));

    request.mode = FileDialogMode::Open;
    whenShown([](QWidget& widget) { widget.close(); });
    EXPECT_EQ(dialogs.chooseFile(request), std::nullopt);
}

}  // namespace
}  // namespace qu32::test
