#include "qt/QtSerialSettingsDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "qt/MainWindowWidget.h"
#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

namespace qu32::test {
namespace {

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
    QString titleSeen, foundLog, shortcuts, toolTip;
    bool progressHidden = false;
    std::string unitAfterLetter;
    QRect okDesign, okWider, okBack;
    QTimer hands;
    QObject::connect(&hands, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QtSerialSettingsDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        SerialSettingsDialog& d = dialog->logic();
        if (step == 0) {
            titleSeen = dialog->windowTitle();
            shortcuts = dialog->actionOf(d.exitEntry)->shortcut().toString() + " " +
                        dialog->actionOf(d.updateEntry)->shortcut().toString() + " " +
                        dialog->actionOf(d.defaultsEntry)->shortcut().toString();
            progressHidden = dialog->widgetOf(d.progress)->isHidden();
            // The controls follow the dialog's size and come back to their design.
            QWidget* ok = dialog->widgetOf(d.okButton);
            const QSize size = dialog->size();
            okDesign = ok->geometry();
            dialog->resize(size.width() * 2, size.height());
            QApplication::processEvents();
            okWider = ok->geometry();
            dialog->resize(size);
            QApplication::processEvents();
            okBack = ok->geometry();
            // A letter never reaches the unit number.
            QTest::keyClicks(dialog->widgetOf(d.unitField), "x");
            unitAfterLetter = d.unitField.caption();
            QComboBox* ports = dialog->comboOf(d.portList);
            const int com1 = ports->findText("COM1");
            toolTip = ports->itemData(com1, Qt::ToolTipRole).toString();
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
    EXPECT_EQ(shortcuts, "Ctrl+X Ctrl+U Ctrl+D");
    EXPECT_TRUE(progressHidden);
    EXPECT_NEAR(okWider.left(), 2 * okDesign.left(), 1);
    EXPECT_NEAR(okWider.width(), 2 * okDesign.width(), 1);
    EXPECT_EQ(okWider.height(), okDesign.height());
    EXPECT_EQ(okBack, okDesign);
    EXPECT_EQ(toolTip, QString::fromStdString("COM1: " + host.slavePath() + ", assigned to COM1"))
        << "hovering a port shows its log line";
    EXPECT_EQ(unitAfterLetter, "11");
    EXPECT_EQ(foundLog, "Unit setting: \nUnitnumber: 11\nSerial settings: 19200,e,7,1");
    EXPECT_EQ(logic.serial.baudRateCode, 5);
    EXPECT_EQ(logic.serial.comPort, 1);
    window.close();
}

}  // namespace
}  // namespace qu32::test
