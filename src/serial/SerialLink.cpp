#include "serial/SerialLink.h"

#include <algorithm>

namespace qu32 {

SerialLink::SerialLink(SerialPort& port, EventLoop& loop, Dialogs& dialogs, CommSettings& settings,
                       const CompanyInfo& company, LinkControls controls)
    : port_(port),
      loop_(loop),
      dialogs_(dialogs),
      settings_(settings),
      company_(company),
      controls_(controls),
      answerTimer_(loop.createTimer()) {
    answerTimer_->setInterval(kDefaultAnswerTimeoutMs);
    answerTimer_->setEnabled(false);
    // The tick only raises the flag; the waiting transaction notices it between its short waits.
    answerTimer_->setOnTick([this] { answerTimedOut_ = true; });
    port_.setReceiveCallback([this] { onReceive(); });
}

SerialLink::~SerialLink() {
    port_.setReceiveCallback(nullptr);
}

int SerialLink::ConfigurePort(int port, int baud, int dataBits, int stopBits, int parityCode) {
    if (port < kFirstComPort || port > kLastComPort) {
        settings_.ComPortNumber = -1;
        return -1;
    }
    if (port_.isOpen())
        port_.close();
    port_.setPortNumber(port);

    if (std::find(std::begin(kBaudRates), std::end(kBaudRates), baud) == std::end(kBaudRates))
        return -1;
    char parity = 0;
    switch (parityCode) {
        case kParityNone:
            parity = 'n';
            break;
        case kParityOdd:
            parity = 'o';
            break;
        case kParityEven:
            parity = 'e';
            break;
        default:
            return -1;
    }
    if (dataBits != 7 && dataBits != 8)
        return -1;
    if (stopBits != 1 && stopBits != 2)
        return -1;

    const std::string text = std::to_string(baud) + "," + parity + "," + std::to_string(dataBits) +
                             "," + std::to_string(stopBits);
    port_.setSettings(text);
    if (!port_.isOpen())
        port_.open();
    if (port_.isOpen())
        return 1;
    settings_.ComPortNumber = -1;
    return -1;
}

void SerialLink::clearStatusPanels() {
    if (controls_.portPanel.caption().empty())
        return;
    controls_.portPanel.setCaption("");
    controls_.unitPanel.setCaption("");
    controls_.formatPanel.setCaption("");
}

void SerialLink::showStatusPanels(const std::string& formatText) {
    controls_.portPanel.setCaption("COM " + std::to_string(settings_.ComPortNumber));
    controls_.unitPanel.setCaption("Unit " + settings_.UnitAddress);
    controls_.formatPanel.setCaption(formatText);
}

void SerialLink::message(const std::string& text) {
    dialogs_.messageBox(text, company_.titleText, MsgButtons::OkCancel, MsgIcon::Exclamation);
}

int SerialLink::SetSerial() {
    const int com = settings_.ComPortNumber;
    if (com < kFirstComPort || com > kLastComPort) {
        clearStatusPanels();
        message("No valid COM selected.");
        settings_.ComPortNumber = -1;
        return -1;
    }
    const int baudCode = settings_.BaudRateCode;
    if (baudCode < 0 || baudCode >= kBaudRateCodeCount) {
        clearStatusPanels();
        message(std::to_string(baudCode) + " is an invalid baud rate.");
        settings_.ComPortNumber = -1;
        return -1;
    }
    const int formatCode = settings_.SerialFormatCode;
    if (formatCode < 0 || formatCode >= kSerialFormatCount) {
        clearStatusPanels();
        message(std::to_string(formatCode) + " is an invalid serial format.");
        settings_.ComPortNumber = -1;
        return -1;
    }
    const int baud = kBaudRates[baudCode];
    const SerialFormat& f = kSerialFormats[formatCode];
    if (ConfigurePort(com, baud, f.dataBits, f.stopBits, f.parityCode) == 1) {
        const char parity = f.parityCode == kParityEven  ? 'E'
                            : f.parityCode == kParityOdd ? 'O'
                                                         : 'N';
        showStatusPanels(std::to_string(baud) + ", " + std::to_string(f.dataBits) + ", " +
                         std::to_string(f.stopBits) + ", " + parity);
        return 1;
    }
    clearStatusPanels();
    // The port layer knows why (no such device, no permission); say it on a second line.
    std::string text = "Unable to open COM " + std::to_string(com);
    if (!port_.lastError().empty())
        text += "\r" + port_.lastError();
    message(text);
    settings_.ComPortNumber = -1;
    return -1;
}

void SerialLink::onReceive() {
    if (port_.bytesWaiting() > port_.inputBufferSize() - 4)
        port_.discardInput();
    if (receiveEvent_) {
        answerTimedOut_ = false;
        receiveEvent_->set();
    } else {
        // Bytes that arrive while no transaction waits are stale answers; keep them out of the
        // next one.
        port_.discardInput();
    }
}

Bytes SerialLink::takeWaiting() {
    Bytes bytes = port_.readAll();
    if (trace_ && !bytes.empty())
        trace_(false, bytes);
    return bytes;
}

void SerialLink::discardWaiting() {
    port_.discardInput();
    port_.readAll();
}

void SerialLink::send(const Bytes& bytes) {
    if (trace_)
        trace_(true, bytes);
    port_.write(bytes);
}

void SerialLink::clearBuffer() {
    buffer_.fill(0);
}

int SerialLink::fail(int code, const char* source, const std::string& detail) {
    lastError_.code = code;
    lastError_.description = std::string(protocolErrorMessage(code)) + detail;
    lastError_.source = source;
    return code;
}

}  // namespace qu32
