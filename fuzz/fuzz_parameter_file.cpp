// Parameter files (.par) of any content: the rows stay within the table, and a file the program
// writes from what it read reads back to the same rows and header.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzInput.h"
#include "parfiles/ParameterFile.h"

namespace {

using Content = qu32::ParameterFileContent;

void checkSameRow(const qu32::Parameter& a, const qu32::Parameter& b) {
    QU32_FUZZ_CHECK(a.text == b.text, "text changed by a save and read");
    QU32_FUZZ_CHECK(a.code == b.code, "code changed by a save and read");
    QU32_FUZZ_CHECK(a.value == b.value, "value changed by a save and read");
    QU32_FUZZ_CHECK(a.format.minValue == b.format.minValue, "minimum changed by a save and read");
    QU32_FUZZ_CHECK(a.format.maxValue == b.format.maxValue, "maximum changed by a save and read");
    QU32_FUZZ_CHECK(a.format.digits == b.format.digits && a.format.signKind == b.format.signKind &&
                        a.format.decimalPos == b.format.decimalPos,
                    "format changed by a save and read");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const Content content = qu32::readParameterFile(bytes);
    QU32_FUZZ_CHECK(content.rows.size() <= static_cast<std::size_t>(qu32::kMaxParameters),
                    "more rows than a description holds");
    QU32_FUZZ_CHECK(content.headerText.size() <= qu32::kMaxHeaderLength, "header beyond its bound");
    if (content.outcome != Content::Outcome::Read) {
        QU32_FUZZ_CHECK(content.rows.empty(), "a refused file brought rows");
        return 0;
    }
    const auto& header = content.header;
    QU32_FUZZ_CHECK(
        header.softwareVersion.empty() || header.softwareVersion.size() == qu32::kIdentityLength,
        "firmware identity not of its width");
    for (const auto& row : content.rows)
        QU32_FUZZ_CHECK(row.code.size() == 2, "register code not two characters");

    static qu32::UnitDescription description;
    description = qu32::UnitDescription{};
    qu32::installRows(content.rows, description);
    QU32_FUZZ_CHECK(description.parameterCount == static_cast<int>(content.rows.size()),
                    "installed rows differ from the rows read");

    // Only a header that names a unit has the fixed-width identities the writer needs.
    if (header.softwareVersion.empty())
        return 0;
    const std::string written = qu32::writeParameterFile(header, description);
    const Content again = qu32::readParameterFile(written);
    QU32_FUZZ_CHECK(again.outcome == Content::Outcome::Read, "a written file does not read");
    QU32_FUZZ_CHECK(again.header.softwareVersion == header.softwareVersion &&
                        again.header.standardVersion == header.standardVersion &&
                        again.header.comment == header.comment,
                    "header changed by a save and read");
    QU32_FUZZ_CHECK(again.rows.size() == content.rows.size(),
                    "row count changed by a save and read");
    for (std::size_t i = 0; i < content.rows.size(); ++i)
        checkSameRow(content.rows[i], again.rows[i]);
    QU32_FUZZ_CHECK(qu32::writeParameterFile(again.header, description) == written,
                    "writing is not stable");
    return 0;
}
