// Identification and full description of a unit over a pseudo-terminal with wire time emulated,
// against the wire-time lower bound of the same bytes.
//   description_bench [model=big401]

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

#include "qt/QtEventLoop.h"
#include "qt/QtSerialPort.h"
#include "serial/SerialLink.h"
#include "sim/PtyHost.h"
#include "sim/UnitModel.h"
#include "unit/ConnectedUnit.h"

using namespace qu32;

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const std::string name = argc > 1 ? argv[1] : "big401";
    const auto model = sim::findModel(name);
    if (!model)
        return 2;
    sim::PtyHost host(*model);
    host.start();
    PortMap portMap;
    portMap.set(1, host.slavePath());
    QtEventLoop loop;
    QtSerialPort port(portMap);
    SerialSettings settings;
    OperatorObserver observer;
    SerialLink link(port, loop, settings, observer);
    if (!link.openPort())
        return 1;

    // Count the bytes on the line in both directions, and at which line format they travelled.
    double boundMs = 0;
    const sim::LineFormat seven{9600, 'e', 7, 1};
    const sim::LineFormat eight{9600, 'e', 8, 1};
    int turnaround = 0;
    host.withUnit([&](sim::SimUnit& u) { turnaround = u.turnaroundMs(); });
    std::size_t sentBytes = 0, receivedBytes = 0;
    link.setTrace([&](bool sent, const Bytes& bytes) {
        (sent ? sentBytes : receivedBytes) += bytes.size();
        const bool eightBits = port.settings() == "9600,e,8,1";
        boundMs += sim::wireTimeMs(bytes.size(), eightBits ? eight : seven);
        if (sent)
            boundMs += turnaround;
    });

    ConnectedUnit unit(link);
    QElapsedTimer t;
    t.start();
    link.setAnswerTimeoutMs(200);
    const Result id = unit.identifyUnit();
    link.setAnswerTimeoutMs(1000);
    Result r = unit.readUnitDescription();
    if (r == Result::UnknownCode)
        r = unit.probeParameterList();
    const double ms = static_cast<double>(t.nsecsElapsed()) / 1e6;
    std::printf(
        "%s: identify %d, description %d, %d entries; %.0f ms against a wire-time bound "
        "of %.0f ms: ratio %.3f\n",
        name.c_str(), numberOf(id), numberOf(r), unit.description.parameterCount, ms, boundMs,
        ms / boundMs);
    std::printf("bytes sent %zu, received %zu\n", sentBytes, receivedBytes);
    return r == Result::Ok ? 0 : 1;
}
