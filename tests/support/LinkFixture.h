#pragma once

#include <gtest/gtest.h>

#include "serial/SerialLink.h"
#include "sim/SimUnit.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"
#include "support/SimSerialPort.h"
#include "support/VirtualEventLoop.h"

namespace qu32::test {

// A PC with one serial link to a simulated unit, all on virtual time, port opened at 9600,e,7,1.
class LinkFixture : public ::testing::Test {
  protected:
    explicit LinkFixture(const std::string& model = "generic")
        : unit(*sim::findModel(model)),
          port(loop, unit),
          link(port, loop, dialogs, settings, company,
               LinkControls{portPanel, unitPanel, formatPanel, window}) {
        company.titleText = "QU 3.2";
    }
    void SetUp() override { ASSERT_EQ(link.SetSerial(), 1); }

    VirtualEventLoop loop;
    sim::SimUnit unit;
    SimSerialPort port;
    ScriptedDialogs dialogs;
    CommSettings settings;
    CompanyInfo company;
    Control portPanel{Control::Kind::Panel3D, "PortPanel"};
    Control unitPanel{Control::Kind::Panel3D, "UnitPanel"};
    Control formatPanel{Control::Kind::Panel3D, "FormatPanel"};
    Control window{Control::Kind::Window, "Form1"};
    SerialLink link;
};

}  // namespace qu32::test
