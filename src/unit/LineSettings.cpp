#include "unit/LineSettings.h"

#include <charconv>

#include "unit/RegisterCodes.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

namespace {
constexpr int kMaxUnitAddress = 99;
}  // namespace

bool adoptLineSettings(const std::vector<WrittenValue>& written, SerialSettings& settings) {
    bool adopted = false;
    for (const auto& [code, value] : written) {
        const std::string wire = cleanValue(value);
        const char* first = wire.data() + (!wire.empty() && wire[0] == '+' ? 1 : 0);
        int n = -1;
        const auto [end, ec] = std::from_chars(first, wire.data() + wire.size(), n);
        // A setting the PC cannot take would only cut it off from the unit.
        if (ec != std::errc() || end != wire.data() + wire.size() || n < 0)
            continue;
        if (code == kUnitAddressRegister && n <= kMaxUnitAddress) {
            settings.unitAddress = std::string{char('0' + n / 10), char('0' + n % 10)};
        } else if (code == kBaudRateRegister && n < kBaudRateCodeCount) {
            settings.baudRateCode = n;
        } else if (code == kSerialFormatRegister && n < kSerialFormatCount) {
            settings.formatCode = n;
        } else {
            continue;
        }
        adopted = true;
    }
    return adopted;
}

}  // namespace qu32
