#include "qt/QtPortLister.h"

#include <QSerialPortInfo>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace qu32 {

namespace {

namespace fs = std::filesystem;

std::string text(const QString& s) {
    return s.toLocal8Bit().toStdString();
}

#ifndef _WIN32
// Where programs leave the lock files of the serial devices they hold ("LCK..ttyUSB0").
constexpr const char* kLockFolders[] = {"/run/lock", "/var/lock"};
// A lock file holds a process number; anything longer is not one.
constexpr std::size_t kMaxLockFileBytes = 64;

std::string groupOf(gid_t gid) {
    if (const group* g = ::getgrgid(gid); g != nullptr && g->gr_name != nullptr)
        return g->gr_name;
    return std::to_string(gid);
}

// True when a live process other than this one holds a lock file for `device`.
bool lockedByAnother(const std::string& device) {
    const std::string name = fs::path(device).filename().string();
    for (const char* folder : kLockFolders) {
        std::ifstream in(std::string(folder) + "/LCK.." + name);
        if (!in)
            continue;
        std::string content(kMaxLockFileBytes, '\0');
        in.read(content.data(), static_cast<std::streamsize>(content.size()));
        content.resize(static_cast<std::size_t>(in.gcount()));
        long pid = 0;
        try {
            pid = std::stol(content);
        } catch (...) {
            continue;
        }
        if (pid <= 0 || pid == ::getpid())
            continue;
        if (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM)
            return true;
    }
    return false;
}
#endif

}  // namespace

void QtPortLister::diagnose(SerialDeviceInfo& info) const {
    std::error_code ec;
    if (info.byIdPath.empty() && fs::is_directory(byIdFolder_, ec)) {
        const fs::path target = fs::weakly_canonical(info.device, ec);
        for (const auto& link : fs::directory_iterator(byIdFolder_, ec)) {
            std::error_code linkError;
            if (fs::weakly_canonical(link.path(), linkError) == target && !linkError) {
                info.byIdPath = link.path().string();
                break;
            }
        }
    }
#ifndef _WIN32
    struct stat status {};
    if (::stat(info.device.c_str(), &status) != 0) {
        info.problem = DeviceProblem::Vanished;
        return;
    }
    if (::faccessat(AT_FDCWD, info.device.c_str(), R_OK | W_OK, AT_EACCESS) != 0 &&
        errno == EACCES) {
        info.problem = DeviceProblem::NoPermission;
        info.owningGroup = groupOf(status.st_gid);
        return;
    }
    if (lockedByAnother(info.device))
        info.problem = DeviceProblem::Busy;
#endif
}

std::optional<std::vector<SerialDeviceInfo>> QtPortLister::listDevices() {
    std::vector<SerialDeviceInfo> devices;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) {
        SerialDeviceInfo info;
        info.device = text(port.systemLocation());
        info.description = text(port.description());
        info.manufacturer = text(port.manufacturer());
        info.serialNumber = text(port.serialNumber());
        if (port.hasVendorIdentifier())
            info.vendorId = port.vendorIdentifier();
        if (port.hasProductIdentifier())
            info.productId = port.productIdentifier();
        diagnose(info);
        devices.push_back(std::move(info));
    }
    if (portMap_ != nullptr) {
        const PortMap defaults;
        for (const PortMap::Entry& e : portMap_->entries()) {
            // The default numbers stand for devices the system lists when they are real.
            if (defaults.device(e.com) == e.device)
                continue;
            const bool listed = std::any_of(devices.begin(), devices.end(), [&](const auto& d) {
                return d.device == e.device || d.byIdPath == e.device;
            });
            std::error_code ec;
            if (listed || !fs::exists(e.device, ec))
                continue;
            SerialDeviceInfo info;
            info.device = e.device;
            info.description = "assigned to COM" + std::to_string(e.com);
            diagnose(info);
            devices.push_back(std::move(info));
        }
    }
    return devices;
}

}  // namespace qu32
