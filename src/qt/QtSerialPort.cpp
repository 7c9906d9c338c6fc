#include "qt/QtSerialPort.h"

#include <QMetaObject>
#include <QSerialPort>
#ifdef _WIN32
#include <QSerialPortInfo>
#endif
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <exception>
#include <limits>
#include <optional>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace qu32 {

namespace {

// Longer text cannot be a valid settings string; refuse it before looking further.
constexpr std::size_t kMaxSettingsLength = 32;
constexpr std::size_t kSettingsFields = 4;
constexpr std::array<int, 7> kBaudRates = {600, 1200, 2400, 4800, 9600, 19200, 38400};

struct LineSettings {
    int baud = 9600;
    char parity = 'e';
    int dataBits = 7;
    int stopBits = 1;
};

std::optional<int> parseNumber(const std::string& text) {
    int value = 0;
    const char* first = text.data();
    const char* last = first + text.size();
    const auto [end, ec] = std::from_chars(first, last, value);
    if (first == last || ec != std::errc() || end != last)
        return std::nullopt;
    return value;
}

std::optional<LineSettings> parseSettings(const std::string& text) {
    if (text.size() > kMaxSettingsLength)
        return std::nullopt;
    std::array<std::string, kSettingsFields> fields;
    std::size_t count = 0;
    std::size_t start = 0;
    for (;;) {
        if (count == kSettingsFields)
            return std::nullopt;
        const std::size_t comma = text.find(',', start);
        fields[count++] = text.substr(start, comma - start);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (count != kSettingsFields)
        return std::nullopt;

    LineSettings s;
    const auto baud = parseNumber(fields[0]);
    if (!baud || std::find(kBaudRates.begin(), kBaudRates.end(), *baud) == kBaudRates.end()) {
        return std::nullopt;
    }
    s.baud = *baud;
    if (fields[1].size() != 1)
        return std::nullopt;
    char parity = fields[1][0];
    if (parity >= 'A' && parity <= 'Z')
        parity = static_cast<char>(parity - 'A' + 'a');
    if (parity != 'e' && parity != 'o' && parity != 'n')
        return std::nullopt;
    s.parity = parity;
    const auto dataBits = parseNumber(fields[2]);
    if (!dataBits || (*dataBits != 7 && *dataBits != 8))
        return std::nullopt;
    s.dataBits = *dataBits;
    const auto stopBits = parseNumber(fields[3]);
    if (!stopBits || (*stopBits != 1 && *stopBits != 2))
        return std::nullopt;
    s.stopBits = *stopBits;
    return s;
}

std::string formatSettings(const LineSettings& s) {
    return std::to_string(s.baud) + "," + s.parity + "," + std::to_string(s.dataBits) + "," +
           std::to_string(s.stopBits);
}

void applySettings(QSerialPort& port, const LineSettings& s) {
    port.setBaudRate(s.baud);
    port.setDataBits(s.dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8);
    port.setParity(s.parity == 'e'   ? QSerialPort::EvenParity
                   : s.parity == 'o' ? QSerialPort::OddParity
                                     : QSerialPort::NoParity);
    port.setStopBits(s.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
}

#ifndef _WIN32
// The name of the group that owns `device`, or its number when the name is unknown.
std::string owningGroup(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return "dialout";
    if (const group* g = ::getgrgid(info.st_gid); g != nullptr && g->gr_name != nullptr) {
        return g->gr_name;
    }
    return std::to_string(info.st_gid);
}
#endif

}  // namespace

QtSerialPort::QtSerialPort(const PortMap& portMap)
    : portMap_(portMap), port_(std::make_unique<QSerialPort>()) {
    QObject::connect(port_.get(), &QSerialPort::readyRead, port_.get(), [this] {
        if (!onReceive_ || lost_)
            return;
        // An exception must not unwind through Qt's event loop; a failed notification is
        // dropped and the waiting transaction times out as for a lost answer.
        try {
            onReceive_();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "receive handler failed: %s\n", e.what());
        }
    });
    QObject::connect(port_.get(), &QSerialPort::errorOccurred, port_.get(),
                     [this](QSerialPort::SerialPortError error) { onPortError(error); });
}

QtSerialPort::~QtSerialPort() {
    // No handler may run while the port shuts down.
    port_->disconnect();
}

void QtSerialPort::setPortNumber(int comNumber) {
    // Another number is another device; whether the old one comes back no longer matters.
    if (comNumber != comNumber_)
        closedByDevice_ = false;
    comNumber_ = comNumber;
}

bool QtSerialPort::setSettings(const std::string& settings) {
    const auto parsed = parseSettings(settings);
    if (!parsed) {
        lastError_ = "invalid port settings '" + settings +
                     "': expected baud,parity,data bits,stop bits such as 9600,e,7,1";
        return false;
    }
    settings_ = formatSettings(*parsed);
    if (!isOpen())
        return true;
    return open();
}

std::string QtSerialPort::portLabel() const {
    std::string label = "COM " + std::to_string(comNumber_);
    if (const auto device = portMap_.device(comNumber_))
        label += " (" + *device + ")";
    return label;
}

bool QtSerialPort::fail(const std::string& why) {
    lastError_ = portLabel() + ": " + why;
    return false;
}

bool QtSerialPort::open() {
    // A device that went away stays gone until an open succeeds, so the caller may keep trying.
    const bool wasGone = closedByDevice_;
    close();
    closedByDevice_ = wasGone;
    const auto device = portMap_.device(comNumber_);
    if (!device) {
        if (comNumber_ < PortMap::kMinCom || comNumber_ > PortMap::kMaxCom) {
            return fail("not a port number from 1 to 15");
        }
        return fail("no device is assigned to this port number");
    }
    const auto settings = parseSettings(settings_);
    if (!settings)
        return fail("invalid port settings '" + settings_ + "'");

    // Everything is set while closed and applied in one go by open(): a pseudo-terminal
    // rejects changes of data bits or parity on an open descriptor.
    port_->setPortName(QString::fromLocal8Bit(device->c_str()));
    applySettings(*port_, *settings);
    port_->clearError();
    if (!port_->open(QIODevice::ReadWrite))
        return fail(describeOpenFailure(*device));
    closedByDevice_ = false;
    lastError_.clear();
    return true;
}

bool QtSerialPort::deviceExists() const {
    const auto device = portMap_.device(comNumber_);
    if (!device)
        return false;
#ifdef _WIN32
    const QString name = QString::fromLocal8Bit(device->c_str());
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.portName().compare(name, Qt::CaseInsensitive) == 0 ||
            info.systemLocation().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
#else
    // stat() follows links, so a by-id link whose adapter is away counts as missing.
    struct stat info {};
    return ::stat(device->c_str(), &info) == 0;
#endif
}

std::string QtSerialPort::describeOpenFailure(const std::string& device) const {
    const std::string qtText = port_->errorString().toLocal8Bit().toStdString();
    switch (port_->error()) {
        case QSerialPort::DeviceNotFoundError:
            return "no such device";
        case QSerialPort::PermissionError:
#ifndef _WIN32
            // Qt reports a busy or locked device as a permission error too; only a real lack of
            // access rights is fixed by joining the group.
            if (::faccessat(AT_FDCWD, device.c_str(), R_OK | W_OK, AT_EACCESS) != 0 &&
                errno == EACCES) {
                return "permission denied; add your user to the group '" + owningGroup(device) +
                       "' (the group that owns the device)";
            }
#endif
            return "the device is in use or locked (" + qtText + ")";
        default:
            return qtText.empty() ? "cannot open the device" : qtText;
    }
}

void QtSerialPort::onPortError(int error) {
    if (!port_->isOpen() || lost_)
        return;
    std::string why;
    if (error == QSerialPort::ResourceError) {
        why = "the device was removed or stopped working (" +
              port_->errorString().toLocal8Bit().toStdString() + ")";
    } else if (error == QSerialPort::ReadError && hungUp()) {
        // A hung-up terminal reads as end of file; Qt calls that a read error and would keep
        // retrying at full speed.
        why = "the device hung up";
    } else {
        return;
    }
    // Closing inside Qt's own read handler is not safe, so the port counts as closed now and is
    // really closed once that handler has returned.
    lost_ = true;
    closedByDevice_ = true;
    lastError_ = portLabel() + ": " + why;
    QMetaObject::invokeMethod(
        port_.get(), [this] { finishLostPort(); }, Qt::QueuedConnection);
}

bool QtSerialPort::hungUp() const {
#ifdef _WIN32
    return false;
#else
    pollfd pfd{port_->handle(), POLLIN, 0};
    return ::poll(&pfd, 1, 0) > 0 && (pfd.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#endif
}

void QtSerialPort::finishLostPort() {
    if (!lost_)
        return;
    lost_ = false;
    port_->close();
}

void QtSerialPort::close() {
    closedByDevice_ = false;
    if (lost_) {
        finishLostPort();
        return;
    }
    if (port_->isOpen())
        port_->close();
}

bool QtSerialPort::isOpen() const {
    return port_->isOpen() && !lost_;
}

int QtSerialPort::bytesWaiting() const {
    if (!isOpen())
        return 0;
    const qint64 count = port_->bytesAvailable();
    return static_cast<int>(std::min<qint64>(count, std::numeric_limits<int>::max()));
}

Bytes QtSerialPort::readAll() {
    if (!isOpen())
        return {};
    const QByteArray data = port_->readAll();
    return Bytes(data.begin(), data.end());
}

void QtSerialPort::discardInput() {
    if (!isOpen())
        return;
    port_->clear(QSerialPort::Input);
    port_->readAll();
}

bool QtSerialPort::write(const Bytes& bytes) {
    if (!isOpen()) {
        // After a hang-up lastError() keeps saying why the port closed.
        return closedByDevice_ ? false : fail("the port is not open");
    }
    if (bytes.empty())
        return true;
    port_->clearError();
    const auto size = static_cast<qint64>(bytes.size());
    const qint64 written = port_->write(reinterpret_cast<const char*>(bytes.data()), size);
    port_->flush();
    if (written != size || port_->error() != QSerialPort::NoError || !isOpen()) {
        if (closedByDevice_)
            return false;
        return fail("write failed (" + port_->errorString().toLocal8Bit().toStdString() + ")");
    }
    return true;
}

void QtSerialPort::setReceiveCallback(std::function<void()> callback) {
    onReceive_ = std::move(callback);
}

}  // namespace qu32
