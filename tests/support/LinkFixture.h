#pragma once

#include <gtest/gtest.h>

#include "serial/SerialLink.h"
#include "sim/SimUnit.h"
#include "sim/UnitModel.h"
#include "support/RecordingObserver.h"
#include "support/SimSerialPort.h"
#include "support/VirtualEventLoop.h"

namespace qu32::test {

// A PC with one serial link to a simulated unit, all on virtual time, port opened at 9600,e,7,1.
class LinkFixture : public ::testing::Test {
  protected:
    explicit LinkFixture(const std::string& model = "generic")
        : unit(*sim::findModel(model)), port(loop, unit), link(port, loop, settings, observer) {}
    void SetUp() override { ASSERT_TRUE(link.openPort()); }

    VirtualEventLoop loop;
    sim::SimUnit unit;
    SimSerialPort port;
    SerialSettings settings;
    RecordingObserver observer;
    SerialLink link;
};

}  // namespace qu32::test
