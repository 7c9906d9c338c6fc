#pragma once

#include <string>

#include "unit/UnitDescription.h"
#include "unit/UnitIdentity.h"

// Everything a reader may change, as one text, so a target can tell "changed nothing" from
// "changed something" without an equality operator on every table.
namespace qu32::fuzz {

inline void addField(std::string& out, const std::string& field) {
    out += std::to_string(field.size());
    out += ':';
    out += field;
}

inline void addField(std::string& out, long long number) {
    addField(out, std::to_string(number));
}

inline std::string fingerprint(const UnitDescription& d) {
    std::string out;
    addField(out, d.parameterCount);
    for (const Parameter& p : d.parameters) {
        addField(out, p.text);
        addField(out, p.code);
        addField(out, p.format.digits);
        addField(out, p.format.signKind);
        addField(out, p.format.decimalPos);
        addField(out, p.format.minValue);
        addField(out, p.format.maxValue);
        addField(out, p.digitsByte);
        addField(out, p.decimalByte);
        addField(out, p.value);
        addField(out, p.unitValue);
    }
    addField(out, d.inputCount);
    for (const Input& input : d.inputs) {
        addField(out, input.text);
        addField(out, input.pcSettable);
        addField(out, input.external);
    }
    addField(out, d.outputCount);
    for (const std::string& text : d.outputTexts)
        addField(out, text);
    return out;
}

inline std::string fingerprint(const UnitIdentity& u) {
    std::string out;
    addField(out, u.softwareVersion);
    addField(out, u.standardVersion);
    addField(out, u.coprocessorVersion);
    addField(out, u.hasCombinedStatusRead);
    addField(out, u.unitType);
    addField(out, u.versionForm);
    addField(out, u.softwareVersionText);
    addField(out, u.unitGroup);
    return out;
}

inline std::string fingerprint(const GroupRegisters& g) {
    std::string out;
    for (const std::string* code :
         {&g.activateCode, &g.storeCode, &g.resetCode, &g.outputCode, &g.pcInputCode,
          &g.externalInputCode, &g.auxStatusCode, &g.actualValueCode})
        addField(out, *code);
    addField(out, g.resetMask);
    for (const int mask : g.inputMasks)
        addField(out, mask);
    for (const int mask : g.outputMasks)
        addField(out, mask);
    for (const std::string& code : g.inputCommandCodes)
        addField(out, code);
    return out;
}

// A description as a unit might have left it, so that "unchanged" means something.
inline void fillSample(UnitDescription& d, UnitIdentity& identity, GroupRegisters& group) {
    d.parameterCount = 3;
    d.parameters[0] = Parameter{
        "Speed", "01", {6, kSignKindSigned, 5, -500, 500}, 0x86, 2, "+0012.34", "+0012.34",
    };
    d.parameters[1] = Parameter{"Limits", "xx", {}, 0, 0, "", ""};
    d.parameters[2] = Parameter{
        "Count", "02", {3, kSignKindUnsigned, kNoDecimalPoint, 0, 9999}, 4, 0, "0042", "0042"};
    d.inputCount = 1;
    d.inputs[0] = Input{"Start", true, false};
    d.outputCount = 1;
    d.outputTexts[0] = "Ready";
    identity.softwareVersion = "TQ593 01";
    identity.unitType = "TQ593";
    identity.unitGroup = 3;
    group.activateCode = "9A";
    group.inputMasks[0] = 1;
}

}  // namespace qu32::fuzz
