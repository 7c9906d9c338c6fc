#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "mainwindow/MainWindow.h"
#include "sim/SimUnit.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"
#include "support/SimSerialPort.h"
#include "support/TempFolder.h"
#include "support/VirtualEventLoop.h"

namespace qu32::test {

using Strings = std::vector<std::string>;

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

    // The requests since the last call, as "11 01=0150" (a write) or "11 01?" (a read).
    Strings takeWire() {
        const Bytes w = port.written();
        port.clearWritten();
        Strings out;
        for (std::size_t i = 0; i + 5 < w.size(); ++i) {
            if (w[i] != 0x04)  // EOT, address, then STX code data ETX BCC, or code ENQ
                continue;
            const bool write = w[i + 3] == 0x02;
            const auto code = w.begin() + std::ptrdiff_t(i + (write ? 4 : 3));
            // The block check after the ETX may look like any byte; it is skipped.
            const auto end = write ? std::find(code, w.end(), 0x03) : code + 2;
            out.push_back(
                std::string{char(w[i + 1]), char(w[i + 2]), ' ', char(code[0]), char(code[1])} +
                (write ? "=" + std::string(code + 2, end) : "?"));
            i = std::size_t(end - w.begin()) + (write ? 1 : 0);  // on the ENQ or the BCC
        }
        return out;
    }
    static int count(const Strings& wire, const std::string& request) {
        return int(std::count(wire.begin(), wire.end(), request));
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
