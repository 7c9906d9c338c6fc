#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "serial/Result.h"
#include "unit/UnitDescription.h"
#include "unit/UnitIdentity.h"

// A unit description held as constant data, and the two things done with one: installing it into
// the program's description of the connected unit, and checking that a unit's register answers
// have the shape a probe expects.
namespace qu32 {

// Minimum and maximum of a heading row: no register, nothing to limit.
inline constexpr std::int32_t kHeadingBound = -77;

// One row of the parameter list.
struct DataSetRow {
    std::string_view text;  // ISO-8859-1 bytes
    std::string_view code;  // two characters, "xx" for a heading row
    int digits;             // display width minus 1
    int decimalPos;         // kNoDecimalPoint for none
    int signKind;           // kSignKindSigned, kSignKindUnsigned or kSignKindHash
    std::int32_t minValue;
    std::int32_t maxValue;
};

// One input slot. A command code or bit mask the set does not give keeps what unit
// identification loaded for that input.
struct DataSetInput {
    std::string_view text;
    bool pcSettable;  // the PC may set the input
    bool external;    // a terminal input
    std::optional<std::string_view> commandCode = std::nullopt;
    std::optional<int> mask = std::nullopt;
};

struct DataSetOutput {
    std::string_view text;
    std::optional<int> mask = std::nullopt;
};

// The identification fields a set overwrites; an empty field is left as identification set it.
struct DataSetIdentity {
    std::optional<std::string_view> softwareVersion = std::nullopt;
    std::optional<std::string_view> standardVersion = std::nullopt;
    std::optional<std::string_view> unitType = std::nullopt;
    std::optional<int> versionForm = std::nullopt;
    std::optional<int> unitGroup = std::nullopt;
};

// Command and status registers of the unit, for a set that names them itself.
struct DataSetGroupRegisters {
    std::string_view activateCode;
    std::string_view storeCode;
    std::string_view resetCode;
    int resetMask;
    std::string_view outputCode;
    std::string_view pcInputCode;
    std::string_view externalInputCode;
    std::string_view auxStatusCode;
    std::string_view actualValueCode;
};

// Loads named command and status registers into the group settings.
void applyGroupRegisters(const DataSetGroupRegisters& registers, GroupRegisters& group);

struct DataSet {
    std::string_view name;  // for logs and test messages
    std::span<const DataSetRow> rows;
    // inputCount and outputCount; the slot lists may hold more (empty) entries than counted.
    int inputCount;
    std::span<const DataSetInput> inputs;
    int outputCount;
    std::span<const DataSetOutput> outputs;
    DataSetIdentity identity;
    std::optional<DataSetGroupRegisters> groupRegisters = std::nullopt;
};

// Replaces the description with the set: the parameter rows with their texts, codes and formats
// (raw format bytes 0), the input and output slots with their texts and flags, the bit masks and
// command codes the set gives, and the identity fields it names. Values are not part of a set:
// value and unitValue of the set's rows stay until the unit's values are read. Rows, inputs
// and outputs beyond the set are cleared, so that nothing of a larger earlier description lingers.
// Throws std::invalid_argument for a set that does not fit the description's tables.
void installDataSet(const DataSet& set, UnitDescription& description, UnitIdentity& identity,
                    GroupRegisters& group);

// One register a probe reads, with the shape its answer must have.
struct ProbeRegister {
    std::string_view code;
    int answerLength;  // characters, spaces trimmed
    bool isSigned;     // the answer starts with "+" or "-"
};

struct ProbeShape {
    std::string_view name;
    std::span<const ProbeRegister> registers;  // in reading order
    const DataSet* dataSet;                    // installed when the answers fit
};

inline constexpr int kProbeAttempts = 10;
// A register whose reads fail more often than this with the same kind of failure ends the probe.
inline constexpr int kProbeFailureLimit = 5;
// Line failures (Result::LineFailed) and every other failure are counted apart.

// Reads one register at the current unit address, with the answer text in `answer`.
using ProbeRead = std::function<Result(const std::string& code, std::string& answer)>;

// Reads every register of the probe (up to kProbeAttempts each), then checks the answers' lengths
// and signs. False as soon as one register fails more than kProbeFailureLimit times with one kind
// of failure; a register that neither answers nor fails that often keeps an empty answer, which
// then fails the length check. Installs nothing.
bool probeMatches(const ProbeShape& probe, const ProbeRead& read);

}  // namespace qu32
