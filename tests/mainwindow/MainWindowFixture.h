#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "mainwindow/MainWindow.h"
#include "sim/SimUnit.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"
#include "support/SimSerialPort.h"
#include "support/TempFolder.h"
#include "support/VirtualEventLoop.h"

namespace qu32::test {

// The main window on virtual time with a simulated unit on COM1 and a program folder of its own.
class MainWindowFixture : public ::testing::Test {
  protected:
    explicit MainWindowFixture(const std::string& model = "tq593")
        : unit(*sim::findModel(model)),
          port(loop, unit),
          window(port, loop, dialogs, portMap, folder) {
        window.onClosed = [this] { ++closedCount; };
    }

    // Lets virtual time pass until the condition holds; false when it never did.
    template <typename Pred>
    bool runUntil(Pred pred, double maxMs = 20000) {
        for (double t = 0; t < maxMs; t += 10) {
            if (pred())
                return true;
            loop.runFor(10);
        }
        return pred();
    }
    bool connected() { return window.state() != CycleState::Init && window.descriptionLoaded; }

    // The register codes of the requests and writes on the wire since the last call.
    std::vector<std::string> takeRequests() {
        std::vector<std::string> codes;
        const Bytes& w = port.written();
        for (std::size_t i = 0; i + 5 < w.size(); ++i) {
            if (w[i] != 0x04)
                continue;
            const std::size_t c = w[i + 3] == 0x02 ? i + 4 : i + 3;
            if (c + 1 < w.size())
                codes.push_back(std::string{char(w[c]), char(w[c + 1])});
        }
        port.clearWritten();
        return codes;
    }
    std::string configText() {
        std::ifstream in(folder + "/Qu32_Config.xml", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TempFolder temp;
    const std::string folder = temp.path();
    VirtualEventLoop loop;
    sim::SimUnit unit;
    SimSerialPort port;
    ScriptedDialogs dialogs;
    PortMap portMap;
    MainWindow window;
    int closedCount = 0;
};

}  // namespace qu32::test
