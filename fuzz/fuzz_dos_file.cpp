// Binary parameter files of the DOS software: converted whole or refused, never beyond the table.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "parfiles/ParameterFile.h"
#include "unit/ValueEncoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The signature is cheap to guess but would cost the fuzzer its first minutes.
    std::string bytes = "\xBB\x7F\xA2\x04";
    bytes.append(reinterpret_cast<const char*>(data), size);
    QU32_FUZZ_CHECK(qu32::isDosFile(bytes), "signature not recognised");
    const auto rows = qu32::convertDosFile(bytes);
    if (!rows)
        return 0;
    QU32_FUZZ_CHECK(rows->size() <= static_cast<std::size_t>(qu32::kMaxParameters),
                    "more rows than a description holds");
    for (const auto& row : *rows) {
        QU32_FUZZ_CHECK(row.code.size() <= 2, "register code longer than two characters");
        if (row.isHeading())
            continue;
        QU32_FUZZ_CHECK(row.format.digits >= -1, "negative width");
        // What the operator then sees of a converted value is a display text of its width.
        const std::string shown = qu32::formatValue(row.value, row.format);
        QU32_FUZZ_CHECK(qu32::formatValue(shown, row.format) == shown, "display text not stable");
    }
    static qu32::UnitDescription description;
    description = qu32::UnitDescription{};
    qu32::installRows(*rows, description);
    QU32_FUZZ_CHECK(description.parameterCount == static_cast<int>(rows->size()),
                    "installed rows differ from the rows converted");
    return 0;
}
