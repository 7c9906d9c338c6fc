#include "serial/SerialLink.h"

#include <algorithm>
#include <iterator>

namespace qu32 {

namespace {
// The port's receive notification discards the input when it comes this close to full.
constexpr int kInputReserveBytes = 4;
}  // namespace

// The life of one wait for an answer: the wake-up event exists while the transaction waits; on
// every way out the event is closed, the answer timer stopped and its flag cleared, and a
// transfer's progress is taken off the screen.
class SerialLink::WaitScope {
  public:
    explicit WaitScope(SerialLink& link) : link_(link) {
        link_.receiveEvent_ = link_.loop_.createWakeEvent();
    }
    ~WaitScope() {
        link_.stopAnswerTimer();
        link_.receiveEvent_.reset();
        if (transferShown_)
            link_.observer_.transferDone();
    }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

    void showProgress(const AnswerScanner::Progress& progress) {
        transferShown_ = true;
        link_.observer_.showTransferProgress(progress.received, progress.total);
    }

  private:
    SerialLink& link_;
    bool transferShown_ = false;
};

SerialLink::SerialLink(SerialPort& port, EventLoop& loop, SerialSettings& settings,
                       OperatorObserver& observer)
    : port_(port),
      loop_(loop),
      settings_(settings),
      observer_(observer),
      answerTimer_(loop.createTimer()) {
    answerTimer_->setInterval(kDefaultAnswerTimeoutMs);
    answerTimer_->setEnabled(false);
    // The tick only raises the flag; the waiting transaction notices it between its short waits.
    // The time-out ends the wait at once rather than at the end of the current wait step, so a
    // short time-out (a scan) costs what it says.
    answerTimer_->setOnTick([this] {
        answerTimedOut_ = true;
        if (receiveEvent_)
            receiveEvent_->set();
    });
    port_.setReceiveCallback([this] { onReceive(); });
}

SerialLink::~SerialLink() {
    port_.setReceiveCallback(nullptr);
}

void SerialLink::setAnswerTimeoutMs(int ms) {
    answerTimer_->setInterval(ms);
}

int SerialLink::answerTimeoutMs() const {
    return answerTimer_->interval();
}

bool SerialLink::configurePort(int comPort, int baud, int dataBits, int stopBits, int parityCode) {
    if (comPort < kFirstComPort || comPort > kLastComPort) {
        settings_.comPort = -1;
        return false;
    }
    // While the device is away the port keeps the line it had when it went, so that the unit can
    // be met on that line again; and a missing adapter says nothing about the settings.
    if (port_.deviceGone() && comPort == port_.portNumber())
        return false;
    if (port_.isOpen())
        port_.close();
    port_.setPortNumber(comPort);

    if (std::find(std::begin(kBaudRates), std::end(kBaudRates), baud) == std::end(kBaudRates))
        return false;
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
            return false;
    }
    if (dataBits != 7 && dataBits != 8)
        return false;
    if (stopBits != 1 && stopBits != 2)
        return false;

    port_.setSettings(std::to_string(baud) + "," + parity + "," + std::to_string(dataBits) + "," +
                      std::to_string(stopBits));
    if (!port_.isOpen())
        port_.open();
    if (port_.isOpen())
        return true;
    settings_.comPort = -1;
    return false;
}

void SerialLink::refuseSettings(const std::string& message) {
    observer_.clearSerialSettings();
    observer_.showMessage(message, MsgButtons::OkCancel, MsgIcon::Exclamation);
    settings_.comPort = -1;
}

bool SerialLink::openPort() {
    const int com = settings_.comPort;
    if (com < kFirstComPort || com > kLastComPort) {
        refuseSettings("No valid COM selected.");
        return false;
    }
    const int baudCode = settings_.baudRateCode;
    if (baudCode < 0 || baudCode >= kBaudRateCodeCount) {
        refuseSettings(std::to_string(baudCode) + " is an invalid baud rate.");
        return false;
    }
    const int formatCode = settings_.formatCode;
    if (formatCode < 0 || formatCode >= kSerialFormatCount) {
        refuseSettings(std::to_string(formatCode) + " is an invalid serial format.");
        return false;
    }
    const int baud = kBaudRates[baudCode];
    const SerialFormat& f = kSerialFormats[formatCode];
    const bool opened = configurePort(com, baud, f.dataBits, f.stopBits, f.parityCode);
    // A pulled adapter is waited for by the main cycle; a message box for every attempt to
    // reopen it would only stand in the operator's way.
    if (opened || port_.deviceGone()) {
        const char parity = f.parityCode == kParityEven  ? 'E'
                            : f.parityCode == kParityOdd ? 'O'
                                                         : 'N';
        observer_.showSerialSettings(com, settings_.unitAddress,
                                     std::to_string(baud) + ", " + std::to_string(f.dataBits) +
                                         ", " + std::to_string(f.stopBits) + ", " + parity);
        return opened;
    }
    // The port layer knows why (no such device, no permission); say it on a second line.
    std::string text = "Unable to open COM " + std::to_string(com);
    if (!port_.lastError().empty())
        text += "\r" + port_.lastError();
    refuseSettings(text);
    return false;
}

bool SerialLink::reopenLostPort() {
    if (!port_.deviceGone())
        return false;
    const std::int64_t nowMs = loop_.nowMs();
    if (lastDeviceCheckMs_ && nowMs - *lastDeviceCheckMs_ < kDeviceCheckIntervalMs)
        return false;
    lastDeviceCheckMs_ = nowMs;
    return port_.deviceExists() && port_.open();
}

std::optional<std::string> SerialLink::configuredLine() const {
    if (settings_.baudRateCode < 0 || settings_.baudRateCode >= kBaudRateCodeCount ||
        settings_.formatCode < 0 || settings_.formatCode >= kSerialFormatCount)
        return std::nullopt;
    return std::to_string(kBaudRates[settings_.baudRateCode]) + "," +
           kSerialFormats[settings_.formatCode].text;
}

bool SerialLink::onConfiguredLine() const {
    const auto line = configuredLine();
    return !line || port_.settings() == *line;
}

bool SerialLink::restoreConfiguredLine() {
    const auto line = configuredLine();
    return line && port_.setSettings(*line);
}

void SerialLink::onReceive() {
    if (port_.bytesWaiting() > port_.inputBufferSize() - kInputReserveBytes)
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

Result SerialLink::exchange(Transaction transaction, const Bytes& request, AnswerScanner& scanner) {
    if (!port_.isOpen())
        return fail(transaction, Result::PortNotOpen);
    // A transaction started from an event handler while another waits must not take that one's
    // wake-up event, nor overwrite the error it is about to report.
    if (receiveEvent_)
        return Result::InternalFault;
    WaitScope scope(*this);
    if (!receiveEvent_)
        return fail(transaction, Result::NoWakeEvent);
    discardWaiting();
    send(request);
    restartAnswerTimer();
    for (;;) {
        const bool woken = loop_.waitFor(*receiveEvent_, scanner.waitStepMs());
        if (woken && port_.bytesWaiting() > 0) {
            stopAnswerTimer();
            const std::optional<Result> verdict = scanner.feed(takeWaiting());
            if (const auto progress = scanner.progress())
                scope.showProgress(*progress);
            if (verdict && *verdict != Result::Ok)
                return fail(transaction, *verdict, scanner.detail());
            restartAnswerTimer();
        }
        loop_.pumpPendingEvents();
        if (scanner.complete())
            return Result::Ok;
        if (answerTimedOut_)
            return fail(transaction, scanner.silence());
    }
}

Result SerialLink::fail(Transaction transaction, Result result, const std::string& detail) {
    lastError_.result = result;
    lastError_.description = std::string(messageOf(result)) + detail;
    lastError_.source = sourceOf(transaction);
    if (errorTrace_)
        errorTrace_(lastError_);
    return result;
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

// Starts a full interval of inactivity time.
void SerialLink::restartAnswerTimer() {
    stopAnswerTimer();
    answerTimer_->setEnabled(true);
}

void SerialLink::stopAnswerTimer() {
    answerTimer_->setEnabled(false);
    answerTimedOut_ = false;
}

}  // namespace qu32
