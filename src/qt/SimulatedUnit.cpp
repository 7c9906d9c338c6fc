#include "qt/SimulatedUnit.h"

#include <unistd.h>

#include "sim/UnitModel.h"

namespace qu32 {

std::string unknownModelMessage(const std::string& modelName) {
    std::string text = "Unknown simulated model '" + modelName + "'. Models:";
    for (const std::string& name : sim::modelNames())
        text += " " + name;
    return text;
}

std::unique_ptr<sim::PtyHost> startSimulatedUnit(const std::string& modelName,
                                                 SerialSettings& settings, PortMap& portMap,
                                                 std::string& error) {
    auto model = sim::findModel(modelName);
    if (!model) {
        error = unknownModelMessage(modelName);
        return nullptr;
    }
    if (settings.baudRateCode < 0 || settings.baudRateCode >= kBaudRateCodeCount)
        settings.baudRateCode = 0;
    if (settings.formatCode < 0 || settings.formatCode >= kSerialFormatCount)
        settings.formatCode = 0;
    if (settings.comPort < kFirstComPort || settings.comPort > kLastComPort)
        settings.comPort = kFirstComPort;
    const SerialFormat& f = kSerialFormats[settings.formatCode];
    model->defaultAddress = settings.unitAddress;
    model->normalLine =
        sim::LineFormat{kBaudRates[settings.baudRateCode], f.text[0], f.dataBits, f.stopBits};
    auto host = std::make_unique<sim::PtyHost>(*model);
    if (!host->valid() || !host->start()) {
        error = "Cannot start the simulated unit: " + host->lastError();
        return nullptr;
    }
    portMap.set(settings.comPort, host->slavePath());
    return host;
}

std::unique_ptr<QSocketNotifier> listenOnStandardInput(
    sim::PtyHost& host, std::function<void(const sim::ConsoleReply&)> onReply) {
    auto input = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    QSocketNotifier* notifier = input.get();
    auto reader = std::make_shared<sim::ConsoleLineReader>();
    QObject::connect(notifier, &QSocketNotifier::activated,
                     [notifier, reader, &host, onReply = std::move(onReply)] {
                         char bytes[sim::kMaxCommandChars];
                         const ssize_t n = ::read(STDIN_FILENO, bytes, sizeof bytes);
                         if (n <= 0) {
                             notifier->setEnabled(false);
                             return;
                         }
                         reader->feed(
                             bytes, static_cast<std::size_t>(n),
                             [&](const std::string& line) {
                                 const sim::ConsoleReply reply = sim::runConsoleCommand(host, line);
                                 if (!reply.text.empty())
                                     onReply(reply);
                             },
                             [&](const std::string& error) {
                                 onReply({error, false});
                             });
                     });
    return input;
}

}  // namespace qu32
