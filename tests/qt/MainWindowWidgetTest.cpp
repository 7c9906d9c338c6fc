// The main window on the real port path: widgets off screen, QSerialPort on a pseudo-terminal,
// a simulated unit on the other side answering without wire time, in real time.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
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

namespace qu32::test {
namespace {

namespace fs = std::filesystem;

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

QColor backgroundOf(QWidget* w) {
    return w->palette().color(QPalette::Window);
}

class MainWindowWidgetTest : public ::testing::Test {
  protected:
    MainWindowWidgetTest()
        : host(*sim::findModel("tq593")), port(portMap), logic(port, loop, dialogs, portMap) {}

    void SetUp() override {
        folder = fs::temp_directory_path() /
                 ("qu32-window-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::create_directories(folder);
        setProgramFolder(folder.string());
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
        fs::remove_all(folder);
    }

    Form1& form() { return logic.form; }
    QLabel* label(const Control& c) { return qobject_cast<QLabel*>(window->widgetOf(c)); }
    QAbstractButton* button(const Control& c) {
        return qobject_cast<QAbstractButton*>(window->widgetOf(c));
    }

    void waitForList() {
        ASSERT_TRUE(waitUntil([&] { return logic.descriptionLoaded; }, kFillTimeoutMs))
            << window->windowTitle().toStdString();
    }

    // The first row whose value can take its last digit one higher.
    int editableRow() {
        const UnitDescription& d = logic.unit.description;
        for (int r = 0; r < kListRows && r < d.ParamCount; ++r) {
            const Parameter& p = d.params[r];
            const std::string& v = p.ParamValue;
            if (p.isHeading() || v.empty() || v.back() < '0' || v.back() >= '9' ||
                p.format.decimalPos == p.format.digits)
                continue;
            std::string higher = v;
            ++higher.back();
            if (std::stoll(CleanValueForTest(higher)) <= p.format.maxValue)
                return r;
        }
        return -1;
    }

    static std::string CleanValueForTest(const std::string& v) {
        std::string digits;
        for (char c : v) {
            if ((c >= '0' && c <= '9') || c == '-')
                digits += c;
        }
        return digits;
    }

    fs::path folder;
    sim::PtyHost host;
    PortMap portMap;
    QtEventLoop loop;
    QtSerialPort port;
    ScriptedDialogs dialogs;
    MainWindow logic;
    std::unique_ptr<MainWindowWidget> window;
};

TEST_F(MainWindowWidgetTest, OpensOfflineThenShowsTheUnitAndFillsTheList) {
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
    EXPECT_TRUE(button(form().Transmit)->isEnabled());
}

TEST_F(MainWindowWidgetTest, ClickedRowIsSelectedTypingChangesItAndEnterSendsIt) {
    waitForList();
    const int row = editableRow();
    ASSERT_GE(row, 0);
    const Parameter& p = logic.unit.description.params[logic.list.top() + row];
    const std::string code = p.ParamCode;

    QTest::mouseClick(window->widgetOf(form().Label1[row]), Qt::LeftButton);
    EXPECT_TRUE(window->scrollBar()->hasFocus());
    EXPECT_TRUE(logic.list.editMode());
    EXPECT_EQ(logic.list.selectedRow(), row);
    EXPECT_EQ(backgroundOf(window->widgetOf(form().Label1[row])), QColor(Qt::blue));

    std::string expected = p.ParamValue;
    ++expected.back();
    QTest::keyClick(window->scrollBar(), Qt::Key_End);
    QTest::keyClick(window->scrollBar(), expected.back());
    EXPECT_EQ(label(form().Label11[row])->text(), fromLatin1(expected));

    // Backspace moves the cursor back; it is no character, so the value stays as it is.
    const int cursor = logic.list.cursorCharacter();
    QTest::keyClick(window->scrollBar(), Qt::Key_Backspace);
    EXPECT_LT(logic.list.cursorCharacter(), cursor);
    EXPECT_EQ(label(form().Label11[row])->text(), fromLatin1(expected));

    QTest::keyClick(window->scrollBar(), Qt::Key_Return);
    const std::string wire = CleanValueForTest(expected);
    EXPECT_TRUE(waitUntil(
        [&] {
            std::string sent;
            host.withUnit([&](sim::SimUnit& u) { sent = u.registerValue(code).value_or(""); });
            return CleanValueForTest(sent) == wire;
        },
        kOperationTimeoutMs))
        << "the unit should hold the edited value of " << code;

    QTest::mouseClick(button(form().Transmit), Qt::LeftButton);
    EXPECT_TRUE(
        waitUntil([&] { return button(form().Transmit)->text() == "OK"; }, kOperationTimeoutMs));
    EXPECT_TRUE(waitUntil([&] { return button(form().Transmit)->text() == "Tra&nsmit"; },
                          kOperationTimeoutMs));
}

TEST_F(MainWindowWidgetTest, InputButtonTogglesItsPanel) {
    waitForList();
    int input = -1;
    for (int k = 0; k < kInputButtons && input < 0; ++k) {
        if (button(form().Command1[k])->isEnabled())
            input = k;
    }
    ASSERT_GE(input, 0) << "the unit has inputs the PC may set";
    QWidget* panel = window->widgetOf(form().Panel3D1[input]);
    ASSERT_EQ(backgroundOf(panel), QColor(Qt::white));

    QTest::mouseClick(button(form().Command1[input]), Qt::LeftButton);
    EXPECT_TRUE(
        waitUntil([&] { return backgroundOf(panel) == QColor(Qt::blue); }, kOperationTimeoutMs));
    QTest::mouseClick(button(form().Command1[input]), Qt::LeftButton);
    EXPECT_TRUE(
        waitUntil([&] { return backgroundOf(panel) == QColor(Qt::white); }, kOperationTimeoutMs));
}

TEST_F(MainWindowWidgetTest, ClosingTheWindowSavesTheSerialSettings) {
    waitForList();
    logic.comm.UnitAddress = "42";
    fs::remove(folder / ConfigFile::kFileName);
    window->close();
    EXPECT_TRUE(logic.isClosed());
    EXPECT_FALSE(window->isVisible());

    std::ifstream in(folder / ConfigFile::kFileName);
    std::stringstream saved;
    saved << in.rdbuf();
    EXPECT_NE(saved.str().find("UnitId=\"42\""), std::string::npos) << saved.str();
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

TEST_F(MainWindowWidgetTest, MenusHaveTheirEntriesAndSeparatorsInOrder) {
    QStringList file;
    for (QAction* a : window->menus().front()->actions())
        file << (a->isSeparator() ? QString("-") : a->text());
    EXPECT_EQ(file.join("|"),
              "&Open ....|&Close|-|&Save|Save &As ....|-|&Print ....|-|&Disable Communication|-|"
              "E&xit");
    EXPECT_FALSE(window->actionOf(form().mnuDevelop)->isVisible());
    EXPECT_FALSE(window->actionOf(form().mnSave)->isEnabled());
}

// ---------------------------------------------------------------- keys

struct KeyCase {
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    QString text;
    Key key;
    bool shift;
    char ch;
};

TEST(TranslateKey, KeysAndTypedCharacters) {
    const KeyCase cases[] = {
        {Qt::Key_Backspace, Qt::NoModifier, "\b", Key::Backspace, false, 0},
        {Qt::Key_Tab, Qt::NoModifier, "\t", Key::Tab, false, 0},
        {Qt::Key_Backtab, Qt::ShiftModifier, "", Key::Tab, true, 0},
        {Qt::Key_Return, Qt::NoModifier, "\r", Key::Enter, false, '\r'},
        {Qt::Key_Enter, Qt::KeypadModifier, "\r", Key::Enter, false, '\r'},
        {Qt::Key_Escape, Qt::NoModifier, "\x1b", Key::Other, false, 0},
        {Qt::Key_5, Qt::NoModifier, "5", Key::Other, false, '5'},
        {Qt::Key_5, Qt::KeypadModifier, "5", Key::Other, false, '5'},
        {Qt::Key_5, Qt::ControlModifier, "5", Key::Other, false, 0},
        {Qt::Key_NumberSign, Qt::ShiftModifier, "#", Key::Other, true, '#'},
        {Qt::Key_Adiaeresis, Qt::NoModifier, QString(QChar(0xE4)), Key::Other, false, '\xE4'},
        {Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)), Key::Other, false, 0},
        {Qt::Key_Delete, Qt::NoModifier, "\x7f", Key::Other, false, 0},
    };
    for (const KeyCase& c : cases) {
        const KeyEvent k = translateKey(c.qtKey, c.modifiers, c.text);
        EXPECT_EQ(k.key, c.key) << c.qtKey;
        EXPECT_EQ(k.shift, c.shift) << c.qtKey;
        EXPECT_EQ(k.ch, c.ch) << c.qtKey;
    }
    EXPECT_TRUE(translateKey(Qt::Key_Home, Qt::ControlModifier, "").ctrl);
}

}  // namespace
}  // namespace qu32::test
