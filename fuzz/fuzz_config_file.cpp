// The configuration file with any bytes: what the program saves reads back, at the next start,
// to the same settings, and saving again changes nothing.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <tuple>

#include "FuzzInput.h"
#include "serial/PortMap.h"
#include "serial/SerialSettings.h"
#include "settings/CompanyInfo.h"
#include "settings/ConfigFile.h"

namespace {

using qu32::fuzz::FuzzInput;

struct Settings {
    qu32::SerialSettings serial;
    qu32::CompanyInfo company;
    qu32::PortMap portMap;

    auto tied() const {
        return std::tie(serial.comPort, serial.baudRateCode, serial.formatCode, serial.unitAddress,
                        company.titleText, company.companyName, company.companyAddress,
                        company.iconFile, company.logo);
    }
    bool operator==(const Settings& other) const {
        return tied() == other.tied() && portMap.entries() == other.portMap.entries();
    }
};

// What the operator may have set during the run, as the settings dialog allows it.
qu32::SerialSettings changedSettings(FuzzInput& in) {
    qu32::SerialSettings s;
    s.comPort = static_cast<int>(in.byte() % 17) - 1;
    s.baudRateCode = in.byte() % qu32::kBaudRateCodeCount;
    s.formatCode = in.byte() % qu32::kSerialFormatCount;
    s.unitAddress = {static_cast<char>('0' + in.byte() % 10),
                     static_cast<char>('0' + in.byte() % 10)};
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const qu32::SerialSettings changed = changedSettings(in);
    const std::string bytes(in.rest());

    qu32::ConfigFile first;
    Settings read;
    const auto opened = first.load(bytes, read.serial, read.company, read.portMap);
    QU32_FUZZ_CHECK(
        read.serial.comPort >= qu32::kFirstComPort && read.serial.comPort <= qu32::kLastComPort,
        "port outside 1..15");
    QU32_FUZZ_CHECK(read.serial.unitAddress.size() == 2, "unit address not two characters");

    std::string saved;
    bool found = false;
    first.prepareSerialSave(changed, saved, found);
    if (opened != qu32::ConfigOpenResult::Applied) {
        QU32_FUZZ_CHECK(read == Settings{}, "a file that did not load changed the settings");
        QU32_FUZZ_CHECK(saved.empty(), "a file that did not load would be overwritten");
        return 0;
    }
    if (saved.empty())
        return 0;  // refused: the old file stays

    // The next start reads what this run would write.
    Settings expected;
    first.applyDocument(expected.serial, expected.company, expected.portMap);
    qu32::ConfigFile next;
    Settings reread;
    QU32_FUZZ_CHECK(next.load(saved, reread.serial, reread.company, reread.portMap) ==
                        qu32::ConfigOpenResult::Applied,
                    "a saved file does not load");
    QU32_FUZZ_CHECK(reread == expected, "a saved file reads back to other settings");

    // And a second exit with the same settings writes the same bytes.
    std::string savedAgain;
    next.prepareSerialSave(changed, savedAgain, found);
    QU32_FUZZ_CHECK(savedAgain == saved, "saving twice differs");
    return 0;
}
