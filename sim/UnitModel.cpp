#include "sim/UnitModel.h"

#include <span>
#include <string_view>

namespace qu32::sim {

namespace {

struct RegisterRow {
    std::string_view code;
    std::string_view value;
    bool ranged = false;
    long long minValue = 0;
    long long maxValue = 0;
    bool writable = true;
};

struct BlockRow {
    std::string_view code;
    std::string_view data;  // raw bytes, any value; write NULs with a ""sv literal so they count
};

// One unit model. Empty version texts mean the unit lacks that register.
struct ModelRow {
    std::string_view name;
    std::string_view address;
    LineFormat line;
    std::span<const RegisterRow> registers;
    std::string_view softwareVersion;
    std::string_view standardVersion;
    std::string_view coprocessorVersion;
    std::span<const BlockRow> blocks;
    bool multiRead;
    bool formatCommands;
    std::span<const std::string_view> commands;
};

// A counter-style unit with a handful of signed and unsigned values. A few registers carry a
// range so that refused writes can be exercised.
constexpr RegisterRow kGenericRegisters[] = {
    {.code = "00", .value = "1", .ranged = true, .minValue = 0, .maxValue = 9},
    {.code = "01", .value = "+001234", .ranged = true, .minValue = -999999, .maxValue = 999999},
    {.code = "02", .value = "000500", .ranged = true, .minValue = 0, .maxValue = 999999},
    {.code = "03", .value = "-00250", .ranged = true, .minValue = -99999, .maxValue = 99999},
    {.code = "04", .value = "0100", .ranged = true, .minValue = 1, .maxValue = 9999},
    {.code = "05", .value = "12"},
    {.code = "06", .value = "000000"},
    {.code = "07", .value = "+000000"},
    {.code = "08", .value = "3", .ranged = true, .minValue = 0, .maxValue = 3},
    {.code = "09", .value = "0", .ranged = true, .minValue = 0, .maxValue = 1},
    {.code = "10", .value = "001000"},
    {.code = "11", .value = "-000100"},
    {.code = "12", .value = "0050"},
    {.code = "13", .value = "2"},
    {.code = "14", .value = "099999"},
    {.code = "15", .value = "+050000"},
    {.code = "16", .value = "0001"},
    {.code = "17", .value = "0"},
    {.code = "18", .value = "11", .ranged = true, .minValue = 0, .maxValue = 99},
    {.code = "19", .value = "000250"},
    // Reset input, written with "1" and "0".
    {.code = "58", .value = "0", .ranged = true, .minValue = 0, .maxValue = 1},
};

// Activate data and store to EEPROM.
constexpr std::string_view kGenericCommands[] = {"67", "68"};

constexpr ModelRow kModels[] = {
    {
        .name = "generic",
        .address = "11",
        .line = LineFormat{9600, 'e', 7, 1},
        .registers = kGenericRegisters,
        .softwareVersion = "TQ593V12",
        .standardVersion = "TQ593S04",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = kGenericCommands,
    },
};

std::optional<std::string> optionalText(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    return std::string(text);
}

UnitModel toModel(const ModelRow& row) {
    UnitModel model;
    model.name = row.name;
    model.defaultAddress = row.address;
    model.normalLine = row.line;
    for (const RegisterRow& r : row.registers) {
        RegisterSpec spec;
        spec.initialValue = r.value;
        if (r.ranged) {
            spec.range = ValueRange{r.minValue, r.maxValue};
        }
        spec.writable = r.writable;
        model.registers.emplace(std::string(r.code), std::move(spec));
    }
    model.softwareVersion = optionalText(row.softwareVersion);
    model.standardVersion = optionalText(row.standardVersion);
    model.coprocessorVersion = optionalText(row.coprocessorVersion);
    for (const BlockRow& b : row.blocks) {
        model.blocks.emplace(std::string(b.code),
                             std::vector<std::uint8_t>(b.data.begin(), b.data.end()));
    }
    model.multiRead = row.multiRead;
    model.formatCommands = row.formatCommands;
    for (std::string_view c : row.commands) {
        model.commands.emplace(c);
    }
    return model;
}

}  // namespace

std::optional<UnitModel> findModel(const std::string& name) {
    for (const ModelRow& row : kModels) {
        if (row.name == name) {
            return toModel(row);
        }
    }
    return std::nullopt;
}

std::vector<std::string> modelNames() {
    std::vector<std::string> names;
    for (const ModelRow& row : kModels) {
        names.emplace_back(row.name);
    }
    return names;
}

}  // namespace qu32::sim
