// The main window on the real port path: widgets off screen, QSerialPort on a pseudo-terminal,
// a simulated unit on the other side answering without wire time, in real time. The window
// logic itself is tested on virtual time; here only its binding to Qt is.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>

#include "qt/MainWindowWidget.h"
#include "qt/QtControlMirror.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "settings/ConfigFile.h"
#include "settings/ProgramFolder.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace qu32::test {
namespace {

constexpr int kFillTimeoutMs = 10000;
constexpr int kOperationTimeoutMs = 3000;
constexpr int kPollMs = 5;

// Keeps the event loop running until `done` holds or the time is up. The check also runs inside
// the waits of a running tick, so a state that lasts only while the tick waits (a button showing
// "OK") is seen too.
bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    bool reached = done();
    if (reached)
        return true;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (!reached && done()) {
            reached = true;
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start(kPollMs);
    loop.exec();
    return reached;
}

std::string digitsOf(const std::string& value) {
    std::string digits;
    for (char c : value) {
        if ((c >= '0' && c <= '9') || c == '-')
            digits += c;
    }
    return digits;
}

class MainWindowWidgetTest : public ::testing::Test {
  protected:
    MainWindowWidgetTest()
        : host(*sim::findModel("tq593")), port(portMap), logic(port, loop, dialogs, portMap) {}

    void SetUp() override {
        setProgramFolder(folder.path());
        host.setWireTimeEmulation(false);
        ASSERT_TRUE(host.valid()) << host.lastError();
        ASSERT_TRUE(host.start()) << host.lastError();
        window = std::make_unique<MainWindowWidget>(logic, ScreenSize{1366, 768});
        window->load([this] { portMap.set(logic.comm.ComPortNumber, host.slavePath()); });
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override {
        if (!logic.isClosed())
            window->close();
        window.reset();
        setProgramFolder({});
    }

    Form1& form() { return logic.form; }
    QLabel* label(const Control& c) { return qobject_cast<QLabel*>(window->widgetOf(c)); }
    QAbstractButton* button(const Control& c) {
        return qobject_cast<QAbstractButton*>(window->widgetOf(c));
    }
    QColor background(const Control& c) {
        return window->widgetOf(c)->palette().color(QPalette::Window);
    }
    void waitForList() {
        ASSERT_TRUE(waitUntil([&] { return logic.descriptionLoaded; }, kFillTimeoutMs))
            << window->windowTitle().toStdString();
    }

    TempFolder folder;
    sim::PtyHost host;
    PortMap portMap;
    QtEventLoop loop;
    QtSerialPort port;
    ScriptedDialogs dialogs;
    MainWindow logic;
    std::unique_ptr<MainWindowWidget> window;
};

TEST_F(MainWindowWidgetTest, OpensOfflineShowsTheUnitAndSavesTheSerialSettingsOnClose) {
    QStringList file;
    for (QAction* a : window->menus().front()->actions())
        file << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(file.join("|"),
              "&Open ....|&Close|-|&Save|Save &As ....|-|&Print ....|-|&Disable Communication|-|"
              "E&xit");
    EXPECT_FALSE(window->actionOf(form().mnuDevelop)->isVisible());
    EXPECT_FALSE(window->actionOf(form().mnSave)->isEnabled());

    EXPECT_TRUE(window->windowTitle().endsWith("(Offline)")) << window->windowTitle().toStdString();
    waitForList();
    EXPECT_TRUE(waitUntil([&] { return window->windowTitle().contains("TQ593"); }, 1000))
        << window->windowTitle().toStdString();
    // Every row shows its parameter, texts with accented letters included.
    bool accented = false;
    for (int r = 0; r < kListRows; ++r) {
        const Parameter& p = logic.unit.description.params[r];
        EXPECT_EQ(label(form().Label1[r])->text(), fromLatin1(p.ParamText)) << r;
        EXPECT_EQ(label(form().Label11[r])->text(), fromLatin1(p.ParamValue)) << r;
        for (const QChar c : label(form().Label1[r])->text())
            accented = accented || c.unicode() > 0x7F;
    }
    EXPECT_TRUE(accented) << "the unit's texts are ISO-8859-1 and should show as such";
    EXPECT_EQ(window->scrollBar()->maximum(), logic.unit.description.ParamCount - 1);

    logic.comm.UnitAddress = "42";
    const std::string config = folder.file(ConfigFile::kFileName);
    std::remove(config.c_str());
    window->close();
    EXPECT_TRUE(logic.isClosed());
    EXPECT_FALSE(window->isVisible());
    std::stringstream saved;
    saved << std::ifstream(config).rdbuf();
    EXPECT_NE(saved.str().find("UnitId=\"42\""), std::string::npos) << saved.str();
}

TEST_F(MainWindowWidgetTest, ClicksAndKeysReachTheUnit) {
    waitForList();
    // The first row whose value can take its last digit one higher.
    int row = 0;
    const UnitDescription& d = logic.unit.description;
    for (; row < kListRows; ++row) {
        const Parameter& p = d.params[row];
        std::string higher = p.ParamValue;
        if (p.isHeading() || higher.empty() || higher.back() < '0' || higher.back() >= '9' ||
            p.format.decimalPos == p.format.digits)
            continue;
        ++higher.back();
        if (std::stoll(digitsOf(higher)) <= p.format.maxValue)
            break;
    }
    ASSERT_LT(row, kListRows);
    const std::string code = d.params[row].ParamCode;
    std::string edited = d.params[row].ParamValue;
    ++edited.back();

    QTest::mouseClick(window->widgetOf(form().Label1[row]), Qt::LeftButton);
    EXPECT_TRUE(window->scrollBar()->hasFocus());
    EXPECT_EQ(logic.list.selectedRow(), row);
    EXPECT_EQ(background(form().Label1[row]), QColor(Qt::blue));
    QTest::keyClick(window->scrollBar(), Qt::Key_End);
    QTest::keyClick(window->scrollBar(), edited.back());
    EXPECT_EQ(label(form().Label11[row])->text(), fromLatin1(edited));
    QTest::keyClick(window->scrollBar(), Qt::Key_Return);
    EXPECT_TRUE(waitUntil(
        [&] {
            std::string held;
            host.withUnit([&](sim::SimUnit& u) { held = u.registerValue(code).value_or(""); });
            return digitsOf(held) == digitsOf(edited);
        },
        kOperationTimeoutMs))
        << "the unit should hold the edited value of " << code;

    QAbstractButton* transmit = button(form().Transmit);
    QTest::mouseClick(transmit, Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return transmit->text() == "OK"; }, kOperationTimeoutMs));
    EXPECT_TRUE(waitUntil([&] { return transmit->text() == "Tra&nsmit"; }, kOperationTimeoutMs));

    int input = 0;
    while (input < kInputButtons && !button(form().Command1[input])->isEnabled())
        ++input;
    ASSERT_LT(input, kInputButtons) << "the unit has inputs the PC may set";
    const Control& panel = form().Panel3D1[input];
    ASSERT_EQ(background(panel), QColor(Qt::white));
    for (const QColor shown : {QColor(Qt::blue), QColor(Qt::white)}) {
        QTest::mouseClick(button(form().Command1[input]), Qt::LeftButton);
        EXPECT_TRUE(waitUntil([&] { return background(panel) == shown; }, kOperationTimeoutMs));
    }
}

TEST_F(MainWindowWidgetTest, CloseDuringATickWaitsForTheTickToEnd) {
    // Without the unit every tick waits for a probe answer that never comes.
    host.unplug();
    bool tried = false;
    bool visibleRightAfter = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (tried || logic.mainInterrupt().enabled())
            return;
        tried = true;
        window->close();
        visibleRightAfter = window->isVisible();
    });
    watch.start(1);
    ASSERT_TRUE(waitUntil([&] { return tried; }, kOperationTimeoutMs));
    EXPECT_TRUE(visibleRightAfter) << "the close box must not close the window under the tick";
    EXPECT_TRUE(
        waitUntil([&] { return logic.isClosed() && !window->isVisible(); }, kOperationTimeoutMs));
}

TEST(TranslateKey, KeysAndTypedCharacters) {
    struct Case {
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        QString text;
        Key key;
        bool shift;
        char ch;
    };
    const Case cases[] = {
        {Qt::Key_Backspace, Qt::NoModifier, "\b", Key::Backspace, false, 0},
        {Qt::Key_Backtab, Qt::ShiftModifier, "", Key::Tab, true, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, "\r", Key::Enter, false, '\r'},
        {Qt::Key_Escape, Qt::NoModifier, "\x1b", Key::Other, false, 0},
        {Qt::Key_5, Qt::ControlModifier, "5", Key::Other, false, 0},
        {Qt::Key_NumberSign, Qt::ShiftModifier, "#", Key::Other, true, '#'},
        {Qt::Key_Adiaeresis, Qt::NoModifier, QString(QChar(0xE4)), Key::Other, false, '\xE4'},
        {Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)), Key::Other, false, 0},
        {Qt::Key_Delete, Qt::NoModifier, "\x7f", Key::Other, false, 0},
    };
    for (const Case& c : cases) {
        const KeyEvent k = translateKey(c.qtKey, c.modifiers, c.text);
        EXPECT_EQ(k.key, c.key) << c.qtKey;
        EXPECT_EQ(k.shift, c.shift) << c.qtKey;
        EXPECT_EQ(k.ch, c.ch) << c.qtKey;
    }
    EXPECT_TRUE(translateKey(Qt::Key_Home, Qt::ControlModifier, "").ctrl);
}

}  // namespace
}  // namespace qu32::test
