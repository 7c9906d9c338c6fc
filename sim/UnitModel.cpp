#include "sim/UnitModel.h"

#include <span>
#include <string_view>

#include "sim/DescriptionTables.h"
#include "sim/FirmwareRegisters.h"
#include "sim/RegisterRow.h"

namespace qu32::sim {

namespace {

struct BlockRow {
    std::string_view code;
    std::string_view data;  // raw bytes, any value; write NULs with a ""sv literal so they count
};

struct InputCommandRow {
    std::string_view code;
    std::uint16_t mask;
};

// Activate, store and reset codes of a unit group, and the reset input's bit.
struct CommandRow {
    std::string_view activate;
    std::string_view store;
    std::string_view reset;
    std::uint16_t resetMask;
};

// Status registers of a unit group and its input commands.
struct StatusRow {
    std::string_view serialInput;
    std::string_view externalInput;
    std::string_view busInput;
    std::string_view output;
    std::string_view actualValue;
    std::span<const InputCommandRow> inputCommands;
};

// One unit model. Empty version texts mean the unit lacks that register. A self-describing unit
// gets its parameter registers and description blocks from its description table; `registers`
// then adds what is not in the list.
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
    const CommandRow* commands = nullptr;
    const DescriptionTable* description = nullptr;
    const StatusRow* status = nullptr;
    UnitStatus initialStatus{};
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
};

// Activate, store and reset by unit group (units the PC knows from a data set or a description
// file use the codes that names). The reset input's bit is the one its input command sets, where
// the unit has input commands.
constexpr CommandRow kCommandsGroups124{"67", "68", "60", 0x0080};
constexpr CommandRow kCommandsGroup3{"64", "66", "60", 0x0080};
constexpr CommandRow kCommandsGroups912{"67", "68", "58", 0x0200};

// Input commands "54" to "69" and their bits; input 4 ("58") is the reset of groups 9 and 12,
// input 6 ("60") that of groups 1 and 2.
constexpr InputCommandRow kInputCommands54to69[] = {
    {"54", 0x8000}, {"55", 0x4000}, {"56", 0x0800}, {"57", 0x0400}, {"58", 0x0200}, {"59", 0x0100},
    {"60", 0x0080}, {"61", 0x0040}, {"62", 0x0020}, {"63", 0x0010}, {"64", 0x0008}, {"65", 0x0004},
    {"66", 0x0002}, {"67", 0x1000}, {"68", 0x0001}, {"69", 0x2000},
};
// Group 3: twelve inputs on "60" to "71"; input 0 is the reset.
constexpr InputCommandRow kInputCommands60to71[] = {
    {"60", 0x0080}, {"61", 0x0040}, {"62", 0x0020}, {"63", 0x0010}, {"64", 0x0008}, {"65", 0x0004},
    {"66", 0x0002}, {"67", 0x0001}, {"68", 0x8000}, {"69", 0x4000}, {"70", 0x2000}, {"71", 0x1000},
};

// Groups 1, 2, 9 and 12.
constexpr StatusRow kStatusInputs54to69{"86", "87", "8C", "85", ":1", kInputCommands54to69};
constexpr StatusRow kStatusGroup3{"86", "87", "8C", "85", ":1", kInputCommands60to71};

// An older counter of group 1 without description blocks: the PC probes its data registers
// ("00" to "39") and set-up registers ("40" to "59", "90" to "92"). Its set-up registers stop
// below "54", where its input commands begin.
constexpr RegisterRow kAa459Registers[] = {
    {.code = "00", .value = "01200", .ranged = true, .minValue = 1, .maxValue = 99999},
    {.code = "01", .value = "0120", .ranged = true, .minValue = 1, .maxValue = 9999},
    {.code = "02", .value = "01000"},
    {.code = "03", .value = "+0150", .ranged = true, .minValue = -9999, .maxValue = 9999},
    {.code = "04", .value = "050"},
    {.code = "05", .value = "1", .ranged = true, .minValue = 1, .maxValue = 9},
    {.code = "06", .value = "3"},
    {.code = "07", .value = "250"},
    {.code = "08", .value = "-00200", .ranged = true, .minValue = -99999, .maxValue = 99999},
    {.code = "09", .value = "2"},
    {.code = "10", .value = "0600"},
    {.code = "11", .value = "100"},
    {.code = "40", .value = "0"},
    {.code = "41", .value = "1"},
    {.code = "42", .value = "0"},
    {.code = "43", .value = "0"},
    {.code = "44", .value = "0500"},
    {.code = "45", .value = "+020"},
    {.code = "46", .value = "65535"},
    {.code = "90", .value = "11", .ranged = true, .minValue = 0, .maxValue = 99},
    {.code = "91", .value = "0", .ranged = true, .minValue = 0, .maxValue = 6},
    {.code = "92", .value = "0", .ranged = true, .minValue = 0, .maxValue = 9},
};

// A unit of the 516 range that reports no versions and whose registers fit neither of the
// PC's probe shapes (register "00" has six digits), so the PC builds its list by probing.
constexpr RegisterRow kUm516xRegisters[] = {
    {.code = "00", .value = "002500", .ranged = true, .minValue = 1, .maxValue = 999999},
    {.code = "01", .value = "00120"},
    {.code = "02", .value = "004096"},
    {.code = "03", .value = "1"},
    {.code = "04", .value = "0100"},
    {.code = "05", .value = "0050"},
    {.code = "06", .value = "20"},
    {.code = "07", .value = "+00150", .ranged = true, .minValue = -99999, .maxValue = 99999},
    {.code = "08", .value = "15"},
    {.code = "09", .value = "1"},
    {.code = "10", .value = "00500"},
    {.code = "11", .value = "08"},
    {.code = "12", .value = "-0025"},
    {.code = "13", .value = "00000"},
    {.code = "14", .value = "+1000"},
    {.code = "20", .value = "0"},
    {.code = "21", .value = "1"},
    {.code = "40", .value = "0"},
    {.code = "41", .value = "1"},
    {.code = "42", .value = "0"},
    {.code = "43", .value = "1"},
    {.code = "45", .value = "+050"},
    {.code = "46", .value = "0250"},
    {.code = "47", .value = "-012"},
    {.code = "48", .value = "00100"},
    {.code = "90", .value = "11", .ranged = true, .minValue = 0, .maxValue = 99},
    {.code = "91", .value = "0", .ranged = true, .minValue = 0, .maxValue = 6},
    {.code = "92", .value = "0", .ranged = true, .minValue = 0, .maxValue = 9},
};

// The NT876's variant register: value 2 makes it an NT594.
constexpr RegisterRow kNt876Registers[] = {
    {.code = "<9", .value = "2", .writable = false},
};

constexpr LineFormat kFactoryLine{9600, 'e', 7, 1};

constexpr ModelRow kModels[] = {
    // It names itself a TQ593, so group 9's commands; without status registers its reset input
    // shows nowhere on the line.
    {
        .name = "generic",
        .address = "11",
        .line = kFactoryLine,
        .registers = kGenericRegisters,
        .softwareVersion = "TQ593V12",
        .standardVersion = "TQ593S04",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroups912,
    },
    {
        .name = "tq593",
        .address = "11",
        .line = kFactoryLine,
        .registers = {},
        .softwareVersion = "TQ59312 ",
        .standardVersion = "TQ59303 ",
        .coprocessorVersion = "DPV10204",
        .blocks = {},
        .multiRead = true,
        .formatCommands = true,
        .commands = &kCommandsGroups912,
        .description = &kTq593Description,
        .status = &kStatusInputs54to69,
        .initialStatus = {.externalInputs = 0x4000, .outputs = 0x0001},
    },
    {
        .name = "nt876",
        .address = "11",
        .line = kFactoryLine,
        .registers = kNt876Registers,
        .softwareVersion = "NT87604 ",
        .standardVersion = "NT87602 ",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroups124,
        .description = &kNt876Description,
        .status = &kStatusInputs54to69,
    },
    {
        .name = "vm628",
        .address = "11",
        .line = kFactoryLine,
        .registers = {},
        .softwareVersion = "VM62807 ",
        .standardVersion = "VM62802 ",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = true,
        .formatCommands = true,
        .commands = &kCommandsGroups912,
        .description = &kVm628Description,
        .status = &kStatusInputs54to69,
        .initialStatus = {.externalInputs = 0x0800, .outputs = 0x0005},
    },
    {
        .name = "aa459",
        .address = "11",
        .line = kFactoryLine,
        .registers = kAa459Registers,
        .softwareVersion = "AA45915 ",
        .standardVersion = "",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroups124,
        .status = &kStatusInputs54to69,
        .initialStatus = {.outputs = 0x0008},
    },
    {
        .name = "um516x",
        .address = "11",
        .line = kFactoryLine,
        .registers = kUm516xRegisters,
        .softwareVersion = "",
        .standardVersion = "",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroup3,
        .status = &kStatusGroup3,
        .initialStatus = {.externalInputs = 0x0001, .outputs = 0x0080},
    },
    // Older firmware the PC carries a data set for; the set is chosen by "99" alone. Only the
    // standard versions differ in how they sort the AA459 into its group.
    {
        .name = "aa45901",
        .address = "11",
        .line = kFactoryLine,
        .registers = kAa459Firmware01Registers,
        .softwareVersion = "AA45901 ",
        .standardVersion = "",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroups124,
        .status = &kStatusInputs54to69,
        .initialStatus = {.outputs = 0x0001},
    },
    {
        .name = "aa45907",
        .address = "11",
        .line = kFactoryLine,
        .registers = kAa459Firmware07Registers,
        .softwareVersion = "AA45907 ",
        .standardVersion = "AA45905 ",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroups124,
        .status = &kStatusInputs54to69,
        .initialStatus = {.outputs = 0x0001},
    },
    {
        .name = "aa45909",
        .address = "11",
        .line = kFactoryLine,
        .registers = kAa459Firmware07Registers,
        .softwareVersion = "AA45909 ",
        .standardVersion = "AA45912 ",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroups124,
        .status = &kStatusInputs54to69,
        .initialStatus = {.outputs = 0x0001},
    },
    {
        .name = "aa45911",
        .address = "11",
        .line = kFactoryLine,
        .registers = kAa459Firmware07Registers,
        .softwareVersion = "AA45911 ",
        .standardVersion = "AA45914 ",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroups124,
        .status = &kStatusInputs54to69,
        .initialStatus = {.outputs = 0x0009},
    },
    // A numeric firmware identifier: the model code comes from the standard version. The PC's
    // data set puts the unit into the 516 range's group.
    {
        .name = "e81390710",
        .address = "11",
        .line = kFactoryLine,
        .registers = kFirmware813907Registers,
        .softwareVersion = "81390710",
        .standardVersion = "AA51605 ",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroup3,
        .status = &kStatusGroup3,
        .initialStatus = {.externalInputs = 0x0002, .outputs = 0x0080},
    },
    // Units that report no versions at all; the PC recognises them by their answers' shapes.
    {
        .name = "probe-um516",
        .address = "11",
        .line = kFactoryLine,
        .registers = kUm516ProbeRegisters,
        .softwareVersion = "",
        .standardVersion = "",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroup3,
        .status = &kStatusGroup3,
        .initialStatus = {.externalInputs = 0x0001, .outputs = 0x0080},
    },
    {
        .name = "probe-aa516",
        .address = "11",
        .line = kFactoryLine,
        .registers = kAa516ProbeRegisters,
        .softwareVersion = "",
        .standardVersion = "",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroup3,
        .status = &kStatusGroup3,
        .initialStatus = {.outputs = 0x0080},
    },
    // Firmware described by a file of the program folder, named after "99" without its spaces.
    // The model code of the standard version is known to description files only.
    {
        .name = "cng-unit",
        .address = "11",
        .line = kFactoryLine,
        .registers = kQx12301Registers,
        .softwareVersion = "QX12301 ",
        .standardVersion = "TV98502 ",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = false,
        .formatCommands = true,
        .commands = &kCommandsGroups124,
        .status = &kStatusInputs54to69,
        .initialStatus = {.outputs = 0x0001},
    },
    {
        .name = "big401",
        .address = "11",
        .line = kFactoryLine,
        .registers = {},
        .softwareVersion = "CU84721 ",
        .standardVersion = "CU84703 ",
        .coprocessorVersion = "",
        .blocks = {},
        .multiRead = true,
        .formatCommands = true,
        .commands = &kCommandsGroups912,
        .description = &kBig401Description,
        .status = &kStatusInputs54to69,
        .initialStatus = {.outputs = 0x0001},
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
    if (row.description != nullptr) {
        BuiltDescription built = buildDescription(*row.description);
        model.registers = std::move(built.registers);
        model.blocks = std::move(built.blocks);
    }
    for (const RegisterRow& r : row.registers) {
        RegisterDefinition entry;
        entry.initialValue = r.value;
        if (r.ranged) {
            entry.range = ValueRange{r.minValue, r.maxValue};
        }
        entry.writable = r.writable;
        model.registers.insert_or_assign(std::string(r.code), std::move(entry));
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
    if (row.commands != nullptr) {
        model.commands =
            UnitCommands{std::string(row.commands->activate), std::string(row.commands->store),
                         std::string(row.commands->reset), row.commands->resetMask};
    }
    if (row.status != nullptr) {
        StatusLayout layout;
        layout.pcInputCode = row.status->serialInput;
        layout.externalInputCode = row.status->externalInput;
        layout.busInputCode = row.status->busInput;
        layout.outputCode = row.status->output;
        layout.actualValueCode = row.status->actualValue;
        for (const InputCommandRow& in : row.status->inputCommands) {
            layout.inputCommands.emplace(in.code, in.mask);
        }
        model.status = std::move(layout);
    }
    model.initialStatus = row.initialStatus;
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
