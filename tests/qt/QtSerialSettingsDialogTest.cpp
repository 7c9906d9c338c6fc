#include "qt/QtSerialSettingsDialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>

#include "settings/SerialSettingsDialog.h"
#include "sim/UnitModel.h"
#include "support/RecordingObserver.h"
#include "support/SimSerialPort.h"
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

}  // namespace
}  // namespace qu32::test
