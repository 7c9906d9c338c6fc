#include "unit/UnitGroups.h"

#include <array>
#include <cctype>
#include <string_view>
#include <type_traits>
#include <vector>

namespace qu32 {

namespace {

struct GroupModels {
    int group;
    std::vector<std::string_view> models;
};

const GroupModels kGroupModels[] = {
    {2, {"AA611", "NM817", "SG817", "SG459", "NT876", "NT948", "HJ876", "ZH876", "HJ948", "ZH948"}},
    {7, {"AA601"}},
    {4, {"AA516", "UM516", "UV516", "SG516", "QR516", "AA628", "KD502", "BG502"}},
    {10, {"QR929"}},
    {11, {"QR499"}},
    {5, {"NT628", "HJ628", "VI628", "VQ628", "CP628", "NC628", "ZH628", "XK628", "LP628"}},
    {9,
     {"TQ593", "CU593", "CU847", "CB593", "CB847", "NK593", "AM593", "QR678", "FD678", "YV593",
      "KQ780"}},
    {12,
     {"VM628", "VM858", "TS858", "TS628", "AQ858", "AQ628", "YQ628", "ER858", "ER628", "YQ858",
      "OH858", "OH628"}},
};

struct CommandCodes {
    const char* activate;
    const char* store;
    const char* reset;
    int resetMask;
    const char* output;
    const char* serialInput;
    const char* externalInput;
    const char* auxStatus;
    const char* actualValue;
};

// Indexed by group; group 8 sets nothing.
constexpr CommandCodes kCommandCodes[kGroupCount] = {
    {"64", "66", "60", 128, "85", "86", "87", "88", ":1"},                        // 0
    {"67", "68", "60", 128, "85", "86", "87", "88", ":1"},                        // 1
    {"67", "68", "60", 128, "85", "86", "87", "88", ":1"},                        // 2
    {"64", "66", "60", 128, "85", "86", "87", "88", ":1"},                        // 3
    {"67", "68", "60", 128, "85", "86", "87", "88", ":1"},                        // 4
    {"71", "70", "77", 128, ">0", ">1", ">2", ">3", ":0"},                        // 5
    {"71", "70", "77", 128, ">0", ">1", ">2", ">3", ":0"},                        // 6
    {"67", "68", "60", 16384, "85", "86", "87", "88", ":1"},                      // 7
    {nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr},  // 8
    {"67", "68", "58", 512, "85", "86", "87", "88", ":1"},                        // 9
    {";8", "<5", ";1", 128, "68", "67", "66", "65", ":1"},                        // 10
    {"67", "68", "60", 8192, "85", "86", "87", "88", ":1"},                       // 11
    {"67", "68", "58", 512, "85", "86", "87", "88", ":1"},                        // 12
};

struct IoTables {
    std::vector<int> inputMasks;
    std::vector<int> outputMasks;
    std::vector<std::string_view> inputCodes;
};

const std::vector<std::string_view> kCodes54to69 = {"54", "55", "56", "57", "58", "59", "60", "61",
                                                    "62", "63", "64", "65", "66", "67", "68", "69"};
const std::vector<int> kMasksGroup1 = {32768, 16384, 2048, 1024, 512, 256,  128, 64,
                                       32,    16,    8,    4,    2,   4096, 1,   8192};
const std::vector<int> kMasksGroup10 = {128,   64,    32,   16,   8,    4,    2,   1,
                                        32768, 16384, 8192, 4096, 2048, 1024, 512, 256};
const std::vector<int> kOutputs8 = {1, 2, 4, 8, 16, 32, 64, 128};
const std::vector<int> kOutputs8Reversed = {128, 64, 32, 16, 8, 4, 2, 1};

const IoTables kTablesGroup1 = {kMasksGroup1, {1, 2, 4, 8}, kCodes54to69};
const IoTables kTablesGroup3 = {
    {128, 64, 32, 16, 8, 4, 2, 1, 32768, 16384, 8192, 4096},
    kOutputs8,
    {"60", "61", "62", "63", "64", "65", "66", "67", "68", "69", "70", "71"}};
const IoTables kTablesGroup4 = {{128, 64, 32, 16, 8, 4, 2},
                                {},
                                {"60", "65", "66", "56", "67", "57", "68", "58", "59", "55", "61",
                                 "62", "54", "63", "64", "69"}};
const IoTables kTablesGroup7 = {
    {32768, 4, 256, 512, 1024, 2048, 16384, 16, 32, 64, 128, 2, 1, 4096, 8, 8192},
    {1, 2, 4, 8},
    kCodes54to69};
const IoTables kTablesGroup9 = {kMasksGroup1, kOutputs8, kCodes54to69};
const IoTables kTablesGroup10 = {kMasksGroup10,
                                 kOutputs8Reversed,
                                 {";1", ";3", ";2", "<0", "<1", "<2", ";4", "<3", ";0", ";9", ";7",
                                  "<4", ";5", ";8", "<5", "69"}};
const IoTables kTablesGroup11 = {kMasksGroup10,
                                 kOutputs8Reversed,
                                 {"60", "65", "66", "56", "63", "57", "64", "58", "59", "55", "61",
                                  "62", "54", "67", "68", "69"}};

const IoTables* ioTablesOf(int group) {
    switch (group) {
        case 1:
        case 2:
            return &kTablesGroup1;
        case 3:
            return &kTablesGroup3;
        case 4:
            return &kTablesGroup4;
        case 7:
            return &kTablesGroup7;
        case 9:
        case 12:
            return &kTablesGroup9;
        case 10:
            return &kTablesGroup10;
        case 11:
            return &kTablesGroup11;
        default:
            return nullptr;  // groups 0, 5, 6 and 8 keep what they had
    }
}

template <typename Array, typename List>
void fill(Array& target, const List& values) {
    std::size_t i = 0;
    for (const auto& v : values) {
        if (i >= target.size())
            break;
        if constexpr (std::is_same_v<typename Array::value_type, std::string>) {
            target[i++] = std::string(v);
        } else {
            target[i++] = v;
        }
    }
}

struct Variant {
    std::string_view model;
    std::string_view code;
    std::array<std::string_view, 4> byValue;  // value 1 to 4; "" keeps the type
};

constexpr Variant kVariants[] = {
    {"NT876", "<9", {"NT883", "NT594", "NT642", ""}},
    {"HJ876", "<5", {"", "HJ883", "HJ594", "HJ642"}},
    {"ZH876", "<6", {"", "ZH883", "ZH594", "ZH642"}},
};

}  // namespace

int unitGroupOf(const std::string& unitType, const std::string& standardVersion) {
    if (unitType == "AA459") {
        if (standardVersion == kUnknownVersion)
            return 1;
        if (standardVersion.size() < 7 || !std::isdigit(std::uint8_t(standardVersion[5])) ||
            !std::isdigit(std::uint8_t(standardVersion[6])))
            return 0;
        const int n = (standardVersion[5] - '0') * 10 + (standardVersion[6] - '0');
        return n >= 12 ? 2 : 1;
    }
    for (const auto& g : kGroupModels) {
        for (auto m : g.models) {
            if (m == unitType)
                return g.group;
        }
    }
    return 0;
}

void loadGroupRegisters(int group, GroupRegisters& s) {
    if (group < 0 || group >= kGroupCount || group == 8)
        return;
    const CommandCodes& c = kCommandCodes[group];
    s.activateCode = c.activate;
    s.storeCode = c.store;
    s.resetCode = c.reset;
    s.resetMask = c.resetMask;
    s.outputCode = c.output;
    s.pcInputCode = c.serialInput;
    s.externalInputCode = c.externalInput;
    s.auxStatusCode = c.auxStatus;
    s.actualValueCode = c.actualValue;
    if (const IoTables* t = ioTablesOf(group)) {
        fill(s.inputMasks, t->inputMasks);
        fill(s.outputMasks, t->outputMasks);
        fill(s.inputCommandCodes, t->inputCodes);
    }
}

std::string variantRegister(const std::string& unitType) {
    for (const auto& v : kVariants) {
        if (v.model == unitType)
            return std::string(v.code);
    }
    return {};
}

std::string variantModel(const std::string& unitType, int variantValue) {
    for (const auto& v : kVariants) {
        if (v.model == unitType && variantValue >= 1 && variantValue <= 4)
            return std::string(v.byValue[static_cast<std::size_t>(variantValue - 1)]);
    }
    return {};
}

}  // namespace qu32
