#include "qt/QtSerialSettingsDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include <QApplication>
#include <QMenu>
#include <QTimer>

#include "qt/MainWindowWidget.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "settings/SerialSettingsDialog.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/RecordingObserver.h"
#include "support/ScriptedDialogs.h"
#include "support/SimSerialPort.h"
#include "support/TempFolder.h"
#include "support/VirtualEventLoop.h"

namespace qu32::test {
namespace {

class TwoPorts : public PortLister {
  public:
    std::optional<std::vector<SerialDeviceInfo>> listDevices() override {
        SerialDeviceInfo a, b;
        a.device = "/dev/ttyS0";
        a.description = "on-board";
        b.device = "/dev/ttyS2";
        return std::vector<SerialDeviceInfo>{a, b};
    }
};

// The widgets show what the logic holds and hand the operator's input back to it.
TEST(QtSerialSettingsDialog, MirrorsTheLogicAndHandsInputBack) {
    VirtualEventLoop loop;
    sim::SimUnit unit(*sim::findModel("generic"));
    SimSerialPort port(loop, unit);
    port.setExistingPorts({1, 3});
    SerialSettings settings;
    RecordingObserver observer;
    SerialLink link(port, loop, settings, observer);
    TwoPorts lister;
    PortMap portMap;
    SerialSettingsDialog logic(link, lister, portMap);
    logic.load();
    QtSerialSettingsDialog dialog(logic);

    EXPECT_EQ(dialog.windowTitle(), "Com Settings");
    QComboBox* ports = dialog.comboOf(logic.portList);
    ASSERT_EQ(ports->count(), 2);
    EXPECT_EQ(ports->currentText(), "COM1");
    EXPECT_EQ(ports->itemData(0, Qt::ToolTipRole).toString(), "COM1: /dev/ttyS0, on-board");
    EXPECT_EQ(dialog.actionOf(logic.exitEntry)->shortcut(), QKeySequence("Ctrl+X"));
    EXPECT_EQ(dialog.actionOf(logic.updateEntry)->shortcut(), QKeySequence("Ctrl+U"));
    EXPECT_EQ(dialog.actionOf(logic.defaultsEntry)->shortcut(), QKeySequence("Ctrl+D"));
    EXPECT_TRUE(dialog.widgetOf(logic.progress)->isHidden());
    EXPECT_EQ(dialog.widgetOf(logic.okButton)->toolTip(), kOkToolTip);
    EXPECT_NE(static_cast<QPlainTextEdit*>(dialog.widgetOf(logic.log))
                  ->toPlainText()
                  .indexOf("COM3: /dev/ttyS2"),
              -1);

    auto* unitField = static_cast<QLineEdit*>(dialog.widgetOf(logic.unitField));
    unitField->clear();
    logic.unitField.setCaption("");
    QTest::keyClicks(unitField, "2x4");
    EXPECT_EQ(logic.unitField.caption(), "24");

    ports->setCurrentIndex(1);
    emit ports->activated(1);
    static_cast<QPushButton*>(dialog.widgetOf(logic.okButton))->click();
    EXPECT_FALSE(logic.isLoaded());
    EXPECT_EQ(settings.comPort, 3);
    EXPECT_EQ(settings.unitAddress, "24");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

// The whole road on the real port path: the program cannot reach a unit at 19200 baud, Comm
// Settings opens the dialog from the main cycle, a scan finds the unit, Ok hands the settings
// over and the main window connects.
TEST(QtSerialSettingsDialog, OpensFromTheMainWindowAndAScanLetsItConnect) {
    sim::PtyHost host(*sim::findModel("tq593"));
    ASSERT_TRUE(host.valid()) << host.lastError();
    host.setWireTimeEmulation(false);
    host.withUnit([](sim::SimUnit& u) { u.setNormalLine({19200, 'e', 7, 1}); });
    ASSERT_TRUE(host.start()) << host.lastError();
    TempFolder folder;
    PortMap portMap;
    QtEventLoop loop;
    QtSerialPort port(portMap);
    ScriptedDialogs dialogs;
    MainWindow logic(port, loop, dialogs, portMap, folder.path());
    MainWindowWidget window(logic, ScreenSize{1366, 768});
    window.load([&] { portMap.set(logic.serial.comPort, host.slavePath()); });
    window.show();
    QTest::qWait(500);
    ASSERT_EQ(logic.state(), CycleState::Init);

    // The operator's hands inside the modal dialog.
    int step = 0;
    QString titleSeen, foundLog;
    QTimer hands;
    QObject::connect(&hands, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QtSerialSettingsDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        SerialSettingsDialog& d = dialog->logic();
        if (step == 0) {
            titleSeen = dialog->windowTitle();
            QComboBox* ports = dialog->comboOf(d.portList);
            const int com1 = ports->findText("COM1");
            ports->setCurrentIndex(com1);
            emit ports->activated(com1);
            static_cast<QPushButton*>(dialog->widgetOf(d.startScanButton))->click();
            step = 1;
        } else if (step == 1 && !d.scan().running() && d.startScanButton.enabled()) {
            foundLog = static_cast<QPlainTextEdit*>(dialog->widgetOf(d.log))->toPlainText();
            static_cast<QPushButton*>(dialog->widgetOf(d.okButton))->click();
            step = 2;
        }
    });
    hands.start(20);
    window.actionOf(logic.controls.serialSettingsEntry)->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return step == 2 && logic.descriptionLoaded; }, 30000))
        << "step " << step << ", state " << static_cast<int>(logic.state());
    EXPECT_EQ(titleSeen, "Com Settings");
    EXPECT_EQ(foundLog, "Unit setting: \nUnitnumber: 11\nSerial settings: 19200,e,7,1");
    EXPECT_EQ(logic.serial.baudRateCode, 5);
    EXPECT_EQ(logic.serial.comPort, 1);
    window.close();
}

}  // namespace
}  // namespace qu32::test
