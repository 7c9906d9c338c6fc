// The main window on the real port path: widgets off screen, QSerialPort on a pseudo-terminal,
// a simulated unit on the other side answering without wire time, in real time. The window
// logic itself is tested on virtual time; here only its binding to Qt is.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <tuple>

#include "qt/MainWindowWidget.h"
#include "qt/QtControlMirror.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace qu32::test {
namespace {

constexpr int kFillTimeoutMs = 10000;
constexpr int kOperationTimeoutMs = 3000;
constexpr int kPollMs = 5;

// Runs the event loop until `done` holds or the time is up. A timer checks it also inside the
// waits of a running tick, so a state that lasts only while the tick waits (a button showing
// "OK") is seen too.
bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    bool reached = done();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] { reached = reached || done(); });
    poll.start(kPollMs);
    return QTest::qWaitFor([&] { return reached; }, timeoutMs);
}

std::string digitsOf(std::string value) {
    std::erase_if(value, [](char c) { return (c < '0' || c > '9') && c != '-'; });
    return value;
}

class MainWindowWidgetTest : public ::testing::Test {
  protected:
    MainWindowWidgetTest()
        : host(*sim::findModel("tq593")),
          port(portMap),
          logic(port, loop, dialogs, portMap, folder.path()) {}

    void SetUp() override {
        host.setWireTimeEmulation(false);
        ASSERT_TRUE(host.valid()) << host.lastError();
        ASSERT_TRUE(host.start()) << host.lastError();
        window = std::make_unique<MainWindowWidget>(logic, ScreenSize{1366, 768});
        window->load([this] { portMap.set(logic.serial.comPort, host.slavePath()); });
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override {
        if (!logic.isClosed())
            window->close();
        window.reset();
    }

    MainWindowControls& form() { return logic.controls; }
    QString text(const Control& c) { return qobject_cast<QLabel*>(window->widgetOf(c))->text(); }
    QAbstractButton* button(const Control& c) {
        return qobject_cast<QAbstractButton*>(window->widgetOf(c));
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

// One run of the window: menus, start-up, a row clicked and edited, Transmit, an input set and
// reset, closing.
TEST_F(MainWindowWidgetTest, ShowsTheUnitAndForwardsClicksKeysAndTheCloseBox) {
    QStringList file;
    for (QAction* a : window->menus().front()->actions())
        file << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(file.join("|"),
              "&Open ....|&Close|-|&Save|Save &As ....|-|&Print ....|-|&Disable Communication|-|"
              "E&xit");
    EXPECT_FALSE(window->actionOf(form().developEntry)->isVisible());
    EXPECT_FALSE(window->actionOf(form().saveEntry)->isEnabled());

    EXPECT_TRUE(window->windowTitle().endsWith("(Offline)")) << window->windowTitle().toStdString();
    ASSERT_TRUE(waitUntil(
        [&] { return logic.descriptionLoaded && window->windowTitle().contains("TQ593"); },
        kFillTimeoutMs))
        << window->windowTitle().toStdString();
    for (int r = 0; r < kListRows; ++r)
        EXPECT_EQ(text(form().rowTexts[r]), fromLatin1(logic.unit.description.parameters[r].text));

    // The first row whose value ends in two digits, the first of which can go one higher. It is
    // typed there; were the key handled twice, the last digit would change as well.
    const UnitDescription& d = logic.unit.description;
    int row = 0;
    std::string edited;
    for (; row < kListRows; ++row) {
        const Parameter& p = d.parameters[row];
        edited = p.value;
        const std::size_t n = edited.size();
        if (!p.isHeading() && n >= 2 && edited[n - 1] >= '0' && edited[n - 1] <= '9' &&
            edited[n - 2] >= '0' && edited[n - 2] < '9' && edited[n - 1] != edited[n - 2] + 1 &&
            ++edited[n - 2] && std::stoll(digitsOf(edited)) <= p.format.maxValue)
            break;
    }
    ASSERT_LT(row, kListRows);
    const std::string code = d.parameters[row].code;

    window->scrollBar()->clearFocus();  // a click on a row brings the keyboard back to the list
    QTest::mouseClick(window->widgetOf(form().rowTexts[row]), Qt::LeftButton);
    EXPECT_TRUE(window->scrollBar()->hasFocus());
    EXPECT_EQ(logic.list.selectedRow(), row);
    QTest::keyClick(window->scrollBar(), Qt::Key_End);
    QTest::keyClick(window->scrollBar(), Qt::Key_Left);
    QTest::keyClick(window->scrollBar(), edited[edited.size() - 2]);
    EXPECT_EQ(text(form().rowValues[row]), fromLatin1(edited));
    QTest::keyClick(window->scrollBar(), Qt::Key_Return);
    EXPECT_TRUE(waitUntil(
        [&] {
            std::string held;
            host.withUnit([&](sim::SimUnit& u) { held = u.registerValue(code).value_or(""); });
            return digitsOf(held) == digitsOf(edited);
        },
        kOperationTimeoutMs))
        << "the unit should hold the edited value of " << code;

    // Transmit shows "OK" while it sends the selected value, then its caption again.
    QAbstractButton* transmit = button(form().transmitButton);
    QTest::mouseClick(transmit, Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return transmit->text() == "OK"; }, kOperationTimeoutMs));
    EXPECT_TRUE(waitUntil([&] { return transmit->text() == "Tra&nsmit"; }, kOperationTimeoutMs));

    int input = 0;
    while (input < kInputButtons && !button(form().inputButtons[input])->isEnabled())
        ++input;
    ASSERT_LT(input, kInputButtons) << "the unit has inputs the PC may set";
    const QWidget* panel = window->widgetOf(form().inputPcPanels[input]);
    for (const QColor shown : {QColor(Qt::blue), QColor(Qt::white)}) {
        QTest::mouseClick(button(form().inputButtons[input]), Qt::LeftButton);
        EXPECT_TRUE(waitUntil([&] { return panel->palette().color(QPalette::Window) == shown; },
                              kOperationTimeoutMs));
    }

    window->close();
    EXPECT_TRUE(logic.isClosed());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowWidgetTest, CloseDuringATickWaitsForTheTickToEnd) {
    host.unplug();  // every tick now waits for a probe answer that never comes
    bool visibleRightAfter = false;
    // The check runs inside the waits of a tick too; the close box is pressed during one.
    ASSERT_TRUE(waitUntil(
        [&] {
            if (logic.mainTimer().enabled())
                return false;
            window->close();
            visibleRightAfter = window->isVisible();
            return true;
        },
        kOperationTimeoutMs));
    EXPECT_TRUE(visibleRightAfter) << "the close box must not close the window under the tick";
    EXPECT_TRUE(
        waitUntil([&] { return logic.isClosed() && !window->isVisible(); }, kOperationTimeoutMs));
}

TEST(TranslateKey, KeysAndTypedCharacters) {
    // Qt key, modifiers, text -> key, Shift, typed character.
    const std::tuple<int, Qt::KeyboardModifiers, QString, Key, bool, char> cases[] = {
        {Qt::Key_Backspace, Qt::NoModifier, "\b", Key::Backspace, false, 0},
        {Qt::Key_Backtab, Qt::NoModifier, "", Key::Tab, true, 0},
        {Qt::Key_Enter, Qt::KeypadModifier, "\r", Key::Enter, false, '\r'},
        {Qt::Key_5, Qt::ControlModifier, "5", Key::Other, false, 0},
        {Qt::Key_NumberSign, Qt::ShiftModifier, "#", Key::Other, true, '#'},
        {Qt::Key_Adiaeresis, Qt::NoModifier, QString(QChar(0xE4)), Key::Other, false, '\xE4'},
        {Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)), Key::Other, false, 0},
        {Qt::Key_Delete, Qt::NoModifier, "\x7f", Key::Other, false, 0},
    };
    for (const auto& [qtKey, modifiers, text, key, shift, ch] : cases) {
        const KeyEvent k = translateKey(qtKey, modifiers, text);
        EXPECT_EQ(std::tuple(k.key, k.shift, k.ch), std::tuple(key, shift, ch)) << qtKey;
    }
    EXPECT_TRUE(translateKey(Qt::Key_Home, Qt::ControlModifier, "").ctrl);
}

}  // namespace
}  // namespace qu32::test
