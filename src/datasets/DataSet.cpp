#include "datasets/DataSet.h"

#include <stdexcept>
#include <vector>

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

int installDataSet(const DataSet& set, UnitDescription& description, UnitIdentity& identity,
                   GroupSettings& group) {
    // Check everything first: a set that does not fit must not leave half a description behind.
    checkFits(set);

    const std::size_t rowCount = set.rows.size();
    for (std::size_t i = 0; i < rowCount; ++i) {
        const DataSetRow& row = set.rows[i];
        Parameter& param = description.params[i];
        param.ParamText = std::string(row.text);
        param.ParamCode = std::string(row.code);
        param.format.digits = row.digits;
        param.format.signKind = row.signKind;
        param.format.decimalPos = row.decimalPos;
        param.format.minValue = row.minValue;
        param.format.maxValue = row.maxValue;
        param.DigitsByte = 0;
        param.DecimalByte = 0;
    }
    for (std::size_t i = rowCount; i < description.params.size(); ++i)
        description.params[i] = Parameter{};
    description.ParamCount = static_cast<int>(rowCount);

    for (std::size_t k = 0; k < description.inputs.size(); ++k) {
        Input& input = description.inputs[k];
        if (k >= set.inputs.size()) {
            input = Input{};
            continue;
        }
        const DataSetInput& slot = set.inputs[k];
        input.InputText = std::string(slot.text);
        input.InputSerial = slot.serial;
        input.InputExternal = slot.external;
        if (slot.commandCode)
            group.InputCommandCode[k] = std::string(*slot.commandCode);
        if (slot.mask)
            group.InputMask[k] = *slot.mask;
    }
    description.InputCount = set.inputCount;

    for (std::size_t k = 0; k < description.OutputText.size(); ++k) {
        if (k >= set.outputs.size()) {
            description.OutputText[k].clear();
            continue;
        }
        const DataSetOutput& slot = set.outputs[k];
        description.OutputText[k] = std::string(slot.text);
        if (slot.mask)
            group.OutputMask[k] = *slot.mask;
    }
    description.OutputCount = set.outputCount;

    const DataSetIdentity& id = set.identity;
    if (id.softwareVersion)
        identity.SoftwareVersion = std::string(*id.softwareVersion);
    if (id.standardVersion)
        identity.StandardVersion = std::string(*id.standardVersion);
    if (id.unitType)
        identity.UnitType = std::string(*id.unitType);
    if (id.versionForm)
        identity.VersionForm = *id.versionForm;
    if (id.unitGroup)
        identity.UnitGroup = *id.unitGroup;

    if (set.groupRegisters)
        applyGroupRegisters(*set.groupRegisters, group);

    return description.ParamCount - 1;
}

void applyGroupRegisters(const DataSetGroupRegisters& regs, GroupSettings& group) {
    group.ActivateCode = std::string(regs.activateCode);
    group.StoreCode = std::string(regs.storeCode);
    group.ResetCode = std::string(regs.resetCode);
    group.ResetMask = regs.resetMask;
    group.OutputCode = std::string(regs.outputCode);
    group.SerialInputCode = std::string(regs.serialInputCode);
    group.ExternalInputCode = std::string(regs.externalInputCode);
    group.AuxStatusCode = std::string(regs.auxStatusCode);
    group.ActualValueCode = std::string(regs.actualValueCode);
}

bool probeMatches(const ProbeSpec& probe, const ProbeRead& read) {
    std::vector<std::string> answers(probe.registers.size());

    // Every register is read before any answer is judged, so a unit of another kind still sees
    // the whole list of requests.
    for (std::size_t r = 0; r < probe.registers.size(); ++r) {
        const std::string code(probe.registers[r].code);
        int lineFailures = 0;
        int otherFailures = 0;
        for (int attempt = 0; attempt < kProbeAttempts; ++attempt) {
            std::string answer;
            const int result = read(code, answer);
            if (result > 0) {
                answers[r] = trimSpaces(answer);
                break;
            }
            int& counter = result == kProbeLineFailure ? lineFailures : otherFailures;
            if (++counter > kProbeFailureLimit)
                return false;
        }
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
