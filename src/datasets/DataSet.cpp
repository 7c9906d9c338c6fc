#include "datasets/DataSet.h"

#include <stdexcept>
#include <vector>

#include "serial/Retry.h"

namespace qu32 {

namespace {

void checkFits(const DataSet& set) {
    const auto fail = [&set](const char* what) {
        throw std::invalid_argument("data set " + std::string(set.name) + ": " + what);
    };
    if (set.rows.empty() || set.rows.size() > static_cast<std::size_t>(kMaxParameters))
        fail("parameter rows out of range");
    if (set.inputs.size() > static_cast<std::size_t>(kMaxInputButtons))
        fail("more input slots than input buttons");
    if (set.outputs.size() > static_cast<std::size_t>(kMaxOutputs))
        fail("more output slots than output panels");
    if (set.inputCount < 0 || static_cast<std::size_t>(set.inputCount) > set.inputs.size())
        fail("input count beyond its slots");
    if (set.outputCount < 0 || static_cast<std::size_t>(set.outputCount) > set.outputs.size())
        fail("output count beyond its slots");
}

std::string trimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

}  // namespace

void installDataSet(const DataSet& set, UnitDescription& description, UnitIdentity& identity,
                    GroupRegisters& group) {
    // Check everything first: a set that does not fit must not leave half a description behind.
    checkFits(set);

    const std::size_t rowCount = set.rows.size();
    for (std::size_t i = 0; i < rowCount; ++i) {
        const DataSetRow& row = set.rows[i];
        Parameter& param = description.parameters[i];
        param.text = std::string(row.text);
        param.code = std::string(row.code);
        param.format.digits = row.digits;
        param.format.signKind = row.signKind;
        param.format.decimalPos = row.decimalPos;
        param.format.minValue = row.minValue;
        param.format.maxValue = row.maxValue;
        param.digitsByte = 0;
        param.decimalByte = 0;
    }
    for (std::size_t i = rowCount; i < description.parameters.size(); ++i)
        description.parameters[i] = Parameter{};
    description.parameterCount = static_cast<int>(rowCount);

    for (std::size_t k = 0; k < description.inputs.size(); ++k) {
        Input& input = description.inputs[k];
        if (k >= set.inputs.size()) {
            input = Input{};
            continue;
        }
        const DataSetInput& slot = set.inputs[k];
        input.text = std::string(slot.text);
        input.pcSettable = slot.pcSettable;
        input.external = slot.external;
        if (slot.commandCode)
            group.inputCommandCodes[k] = std::string(*slot.commandCode);
        if (slot.mask)
            group.inputMasks[k] = *slot.mask;
    }
    description.inputCount = set.inputCount;

    for (std::size_t k = 0; k < description.outputTexts.size(); ++k) {
        if (k >= set.outputs.size()) {
            description.outputTexts[k].clear();
            continue;
        }
        const DataSetOutput& slot = set.outputs[k];
        description.outputTexts[k] = std::string(slot.text);
        if (slot.mask)
            group.outputMasks[k] = *slot.mask;
    }
    description.outputCount = set.outputCount;

    const DataSetIdentity& id = set.identity;
    if (id.softwareVersion)
        identity.softwareVersion = std::string(*id.softwareVersion);
    if (id.standardVersion)
        identity.standardVersion = std::string(*id.standardVersion);
    if (id.unitType)
        identity.unitType = std::string(*id.unitType);
    if (id.versionForm)
        identity.versionForm = *id.versionForm;
    if (id.unitGroup)
        identity.unitGroup = *id.unitGroup;

    if (set.groupRegisters)
        applyGroupRegisters(*set.groupRegisters, group);
}

void applyGroupRegisters(const DataSetGroupRegisters& regs, GroupRegisters& group) {
    group.activateCode = std::string(regs.activateCode);
    group.storeCode = std::string(regs.storeCode);
    group.resetCode = std::string(regs.resetCode);
    group.resetMask = regs.resetMask;
    group.outputCode = std::string(regs.outputCode);
    group.pcInputCode = std::string(regs.pcInputCode);
    group.externalInputCode = std::string(regs.externalInputCode);
    group.auxStatusCode = std::string(regs.auxStatusCode);
    group.actualValueCode = std::string(regs.actualValueCode);
}

bool probeMatches(const ProbeShape& probe, const ProbeRead& read) {
    std::vector<std::string> answers(probe.registers.size());

    // Every register is read before any answer is judged, so a unit of another kind still sees
    // the whole list of requests.
    for (std::size_t r = 0; r < probe.registers.size(); ++r) {
        const std::string code(probe.registers[r].code);
        int lineFailures = 0;
        int otherFailures = 0;
        const auto outcome = retry(kProbeAttempts, [&](int) -> std::optional<bool> {
            std::string answer;
            const Result result = read(code, answer);
            if (result == Result::Ok) {
                answers[r] = trimSpaces(answer);
                return true;
            }
            int& counter = result == Result::LineFailed ? lineFailures : otherFailures;
            if (++counter > kProbeFailureLimit)
                return false;
            return std::nullopt;
        });
        if (outcome == false)
            return false;
    }

    for (std::size_t r = 0; r < probe.registers.size(); ++r) {
        if (answers[r].size() != static_cast<std::size_t>(probe.registers[r].answerLength))
            return false;
    }
    for (std::size_t r = 0; r < probe.registers.size(); ++r) {
        const bool hasSign = answers[r].starts_with('+') || answers[r].starts_with('-');
        if (hasSign != probe.registers[r].isSigned)
            return false;
    }
    return true;
}

}  // namespace qu32
