#include "settings/UnitScan.h"

#include <exception>

#include "settings/LineChoices.h"

namespace qu32 {

namespace {

constexpr int kFirstScanUnit = 11;
constexpr int kLastScanUnit = 99;
constexpr char kDefaultScanUnit[] = "11";
constexpr char kDefaultScanBaud[] = "9600";
constexpr const char* kScanBauds[] = {"38400", "19200", "9600"};

// Puts a unit address on the link for one probe and the program's own back afterwards.
class AddressScope {
  public:
    AddressScope(SerialSettings& settings, const std::string& address)
        : settings_(settings), saved_(settings.unitAddress) {
        settings_.unitAddress = address;
    }
    ~AddressScope() { settings_.unitAddress = saved_; }
    AddressScope(const AddressScope&) = delete;
    AddressScope& operator=(const AddressScope&) = delete;

  private:
    SerialSettings& settings_;
    std::string saved_;
};

void closeQuietly(SerialPort& port) {
    try {
        if (port.isOpen())
            port.close();
    } catch (...) {
    }
}

}  // namespace

std::vector<ScanEntry> buildScanList(const ScanOptions& options) {
    std::vector<std::string> units;
    if (options.unitNumbers) {
        for (int unit = kFirstScanUnit; unit <= kLastScanUnit; ++unit) {
            if (unit % 10 != 0)
                units.push_back(std::to_string(unit));
        }
    } else {
        units.push_back(kDefaultScanUnit);
    }
    std::vector<std::string> bauds;
    if (options.bauds)
        bauds.assign(std::begin(kScanBauds), std::end(kScanBauds));
    else
        bauds.push_back(kDefaultScanBaud);

    std::vector<ScanEntry> list;
    for (const std::string& unit : units) {
        for (const std::string& baud : bauds) {
            if (options.formats) {
                for (const FormatChoice& f : kFormatChoices)
                    list.push_back({unit, baud + "," + f.settingsPart});
            } else {
                list.push_back({unit, baud + "," + kFormatChoices[0].settingsPart});
            }
        }
    }
    return list;
}

bool probeUnit(SerialLink& link, const ScanEntry& entry, const std::function<void()>& opened) {
    SerialPort& port = link.port();
    bool answered = false;
    try {
        closeQuietly(port);
        AddressScope address(link.settings(), entry.unitAddress);
        if (port.setSettings(entry.settings) && port.open()) {
            if (opened)
                opened();
            std::string value;
            answered = link.readRegister(kProbeRegister, value) == Result::Ok;
            if (!answered) {
                link.loop().wait(kProbeRetryPauseMs);
                answered = link.readRegister(kProbeRegister, value) == Result::Ok;
            }
        }
    } catch (const std::exception&) {
        answered = false;
    } catch (...) {
        answered = false;
    }
    closeQuietly(port);
    return answered;
}

UnitScan::UnitScan(SerialLink& link) : link_(link), timer_(link.loop().createTimer()) {
    timer_->setInterval(kTickMs);
    timer_->setEnabled(false);
    timer_->setOnTick([this] { onTick(); });
}

UnitScan::~UnitScan() {
    timer_->setEnabled(false);
}

void UnitScan::start() {
    if (running())
        return;
    state_ = ScanState::Start;
    timer_->setEnabled(true);
}

void UnitScan::abort() {
    if (state_ == ScanState::Running)
        state_ = ScanState::Abort;
}

void UnitScan::stopTimer() {
    timer_->setEnabled(false);
}

void UnitScan::onTick() {
    if (inTick_)
        return;
    inTick_ = true;
    // A fault ends the tick; the state stays and the next tick goes on.
    try {
        tick();
    } catch (...) {
    }
    inTick_ = false;
    try {
        if (ticked)
            ticked();
    } catch (...) {
    }
}

void UnitScan::tick() {
    switch (state_) {
        case ScanState::Idle:
            timer_->setEnabled(false);
            return;
        case ScanState::Start:
            entries_ = buildScanList(options);
            position_ = 0;
            state_ = ScanState::Running;
            if (started)
                started();
            link_.setAnswerTimeoutMs(kScanAnswerTimeoutMs);
            return;
        case ScanState::Running:
        case ScanState::Abort: {
            if (state_ == ScanState::Abort) {
                finish(kScanAborted, false);
                return;
            }
            if (stepping)
                stepping(position_, entries_.size());
            const ScanEntry entry = entries_.at(position_);
            const bool answered = probeUnit(link_, entry, [&] {
                if (probing)
                    probing(entry);
            });
            if (answered)
                state_ = ScanState::Found;
            else if (position_ + 1 < entries_.size())
                ++position_;
            else
                state_ = ScanState::NotFound;
            return;
        }
        case ScanState::Found:
            finish(foundMessage(entries_.at(position_), "\r\n"), true);
            return;
        case ScanState::NotFound:
            finish(kNoConnection, true);
            return;
    }
}

void UnitScan::finish(const std::string& message, bool completed) {
    timer_->setEnabled(false);
    state_ = ScanState::Idle;
    link_.setAnswerTimeoutMs(kRestingAnswerTimeoutMs);
    if (ended)
        ended(message, completed);
}

std::string foundMessage(const ScanEntry& entry, const std::string& lineBreak) {
    return "Unit setting: " + lineBreak + "Unitnumber: " + entry.unitAddress + lineBreak +
           "Serial settings: " + entry.settings;
}

}  // namespace qu32
