#include "datasets/DescriptionFile.h"
#include "datasets/DataSet.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string_view>
#include <system_error>
#include <vector>

namespace qu32 {

namespace {

// Lines of the layout, counted from 1 as the file format is documented.
constexpr int kLineIdentity = 1;
constexpr int kLineParamCount = 2;
constexpr int kLineParamTexts = 3;
constexpr int kLineParamCodes = 4;
constexpr int kLineMinimums = 5;
constexpr int kLineMaximums = 6;
constexpr int kLineDigits = 7;
constexpr int kLineDecimalPositions = 8;
constexpr int kLineSignKinds = 9;
constexpr int kLineInputCount = 10;
constexpr int kLineInputTexts = 11;
constexpr int kLineInputCodes = 12;
constexpr int kLineInputMasks = 13;
constexpr int kLineOutputCount = 14;
constexpr int kLineOutputTexts = 15;
constexpr int kLineOutputMasks = 16;

constexpr char kFieldSeparator = ',';
constexpr std::size_t kModelCodeLength = 5;

// A description without parameters would leave the operator an empty list and nothing to do.
constexpr std::int64_t kMinParamCount = 1;
constexpr std::int64_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int64_t kInt16Max = std::numeric_limits<std::int16_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
// Bit masks are 16-bit words; older tools wrote bit 15 as a negative number, newer ones do not.
constexpr std::int64_t kMaskMin = kInt16Min;
constexpr std::int64_t kMaskMax = 0xFFFF;
constexpr std::int64_t kMaskBits = 0xFFFF;

using Lines = std::array<std::string, kDescriptionFileLines>;
using Fields = std::vector<std::string>;

const std::string& lineOf(const Lines& lines, int number) {
    return lines[static_cast<std::size_t>(number - 1)];
}

// Fields are not trimmed: spaces belong to the texts.
Fields splitFields(const std::string& line) {
    Fields fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(kFieldSeparator, start);
        if (comma == std::string::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
}

std::string fieldOrEmpty(const Fields& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string();
}

// Fixed-width identity fields and register codes are cut or padded with spaces.
std::string fitted(const std::string& text, std::size_t width) {
    std::string result = text.substr(0, width);
    result.resize(width, ' ');
    return result;
}

// A line ends with CR LF; a lone CR or LF is taken as a line end too, so that a file saved by
// another editor still reads. The last line may lack its line end.
int readLines(std::istream& in, Lines& lines) {
    std::streambuf* buffer = in.rdbuf();
    if (buffer == nullptr)
        return kDescriptionErrorReadFailed;
    using Traits = std::streambuf::traits_type;
    for (std::string& line : lines) {
        line.clear();
        bool anything = false;
        for (;;) {
            const Traits::int_type c = buffer->sbumpc();
            if (Traits::eq_int_type(c, Traits::eof()))
                break;
            anything = true;
            if (c == '\n')
                break;
            if (c == '\r') {
                if (buffer->sgetc() == '\n')
                    buffer->sbumpc();
                break;
            }
            if (line.size() >= kMaxDescriptionLineBytes)
                return kDescriptionErrorReadFailed;
            line.push_back(Traits::to_char_type(c));
        }
        if (!anything)
            return kDescriptionErrorEndOfFile;
    }
    return kDescriptionFileOk;
}

// A decimal integer, optionally signed and between spaces.
int parseNumber(const std::string& field, std::int64_t min, std::int64_t max, std::int64_t& value) {
    const std::size_t first = field.find_first_not_of(' ');
    if (first == std::string::npos)
        return kDescriptionErrorNotANumber;
    const std::size_t last = field.find_last_not_of(' ');
    const char* begin = field.data() + first;
    const char* end = field.data() + last + 1;
    // from_chars knows no "+"; after one, only digits may follow.
    if (*begin == '+') {
        ++begin;
        if (begin == end || *begin == '-')
            return kDescriptionErrorNotANumber;
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (error == std::errc::invalid_argument || stop != end)
        return kDescriptionErrorNotANumber;
    if (error == std::errc::result_out_of_range || value < min || value > max)
        return kDescriptionErrorOverflow;
    return kDescriptionFileOk;
}

template <typename T>
int parseField(const std::string& field, std::int64_t min, std::int64_t max, T& out) {
    std::int64_t value = 0;
    if (const int error = parseNumber(field, min, max, value))
        return error;
    out = static_cast<T>(value);
    return kDescriptionFileOk;
}

// A count is refused when the table cannot hold it, not merely when its type overflows.
int parseCount(const std::string& line, std::int64_t min, std::int64_t max, std::size_t& count) {
    std::int64_t value = 0;
    if (const int error = parseNumber(line, kInt32Min, kInt32Max, value))
        return error;
    if (value < min || value > max)
        return kDescriptionErrorOutOfRange;
    count = static_cast<std::size_t>(value);
    return kDescriptionFileOk;
}

struct ParsedRow {
    std::string text;
    std::string code;
    ParamFormat format;
};

struct ParsedInput {
    std::string text;
    std::string commandCode;
    int mask = 0;
};

struct ParsedOutput {
    std::string text;
    int mask = 0;
};

struct ParsedFile {
    std::string unitType;
    std::string softwareVersion;
    std::vector<ParsedRow> rows;
    std::vector<ParsedInput> inputs;
    std::vector<ParsedOutput> outputs;
};

// The column lines of one table. The first `textColumns` hold texts and codes: a line that ends
// before the count is reached gives empty fields (the format has no trailing comma, so an empty
// last text can only be written that way). Every number column must hold a field per entry.
template <std::size_t ColumnCount>
int splitColumns(const Lines& lines, const std::array<int, ColumnCount>& numbers,
                 std::size_t textColumns, std::size_t count,
                 std::array<Fields, ColumnCount>& columns) {
    for (std::size_t c = 0; c < ColumnCount; ++c) {
        columns[c] = splitFields(lineOf(lines, numbers[c]));
        if (c < textColumns && columns[c].size() < count)
            columns[c].resize(count);
        if (columns[c].size() < count)
            return kDescriptionErrorOutOfRange;
    }
    return kDescriptionFileOk;
}

int parseRows(const Lines& lines, ParsedFile& file) {
    std::size_t count = 0;
    if (const int error =
            parseCount(lineOf(lines, kLineParamCount), kMinParamCount, kMaxParameters, count))
        return error;
    enum Column { kText, kCode, kMin, kMax, kDigits, kDecimal, kSign, kColumnCount };
    std::array<Fields, kColumnCount> columns;
    if (const int error = splitColumns<kColumnCount>(
            lines,
            {kLineParamTexts, kLineParamCodes, kLineMinimums, kLineMaximums, kLineDigits,
             kLineDecimalPositions, kLineSignKinds},
            kMin, count, columns))
        return error;

    file.rows.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        ParsedRow& row = file.rows[i];
        row.text = columns[kText][i];
        row.code = fitted(columns[kCode][i], kDescriptionCodeLength);
        ParamFormat& format = row.format;
        if (const int error = parseField(columns[kMin][i], kInt32Min, kInt32Max, format.minValue))
            return error;
        if (const int error = parseField(columns[kMax][i], kInt32Min, kInt32Max, format.maxValue))
            return error;
        if (const int error = parseField(columns[kDigits][i], kInt16Min, kInt16Max, format.digits))
            return error;
        if (const int error =
                parseField(columns[kDecimal][i], kInt16Min, kInt16Max, format.decimalPos))
            return error;
        if (const int error = parseField(columns[kSign][i], kInt16Min, kInt16Max, format.signKind))
            return error;
    }
    return kDescriptionFileOk;
}

int parseMask(const std::string& field, int& mask) {
    std::int64_t value = 0;
    if (const int error = parseNumber(field, kMaskMin, kMaskMax, value))
        return error;
    mask = static_cast<int>(value & kMaskBits);
    return kDescriptionFileOk;
}

int parseInputs(const Lines& lines, ParsedFile& file) {
    std::size_t count = 0;
    if (const int error = parseCount(lineOf(lines, kLineInputCount), 0, kMaxInputs, count))
        return error;
    enum Column { kText, kCode, kMask, kColumnCount };
    std::array<Fields, kColumnCount> columns;
    if (const int error = splitColumns<kColumnCount>(
            lines, {kLineInputTexts, kLineInputCodes, kLineInputMasks}, kMask, count, columns))
        return error;
    file.inputs.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        file.inputs[i].text = columns[kText][i];
        file.inputs[i].commandCode = columns[kCode][i];
        if (const int error = parseMask(columns[kMask][i], file.inputs[i].mask))
            return error;
    }
    return kDescriptionFileOk;
}

int parseOutputs(const Lines& lines, ParsedFile& file) {
    std::size_t count = 0;
    if (const int error = parseCount(lineOf(lines, kLineOutputCount), 0, kMaxOutputs, count))
        return error;
    enum Column { kText, kMask, kColumnCount };
    std::array<Fields, kColumnCount> columns;
    if (const int error = splitColumns<kColumnCount>(lines, {kLineOutputTexts, kLineOutputMasks},
                                                     kMask, count, columns))
        return error;
    file.outputs.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        file.outputs[i].text = columns[kText][i];
        if (const int error = parseMask(columns[kMask][i], file.outputs[i].mask))
            return error;
    }
    return kDescriptionFileOk;
}

int parseFile(const Lines& lines, ParsedFile& file) {
    const Fields identity = splitFields(lineOf(lines, kLineIdentity));
    file.unitType = fieldOrEmpty(identity, 0);
    file.softwareVersion = fitted(fieldOrEmpty(identity, 1), kDescriptionIdLength);
    if (const int error = parseRows(lines, file))
        return error;
    if (const int error = parseInputs(lines, file))
        return error;
    return parseOutputs(lines, file);
}

// How the second version text follows from a file's model code.
enum class StandardRule {
    FromUnitType,  // the model code itself
    Series516,     // the firmware names the model unless it is a number
    DisplayUnit,   // an identified unit keeps its own standard version
};

struct ModelRegisters {
    std::string_view unitType;
    StandardRule rule;
    DataSetGroupRegisters registers;
};

// The model codes a description file may name, with their command and status registers.
constexpr std::array<ModelRegisters, 6> kModelRegisters{{
    {"AA459", StandardRule::FromUnitType, {"67", "68", "60", 128, "85", "86", "87", "88", ":1"}},
    {"TV985", StandardRule::FromUnitType, {"67", "68", "60", 128, "85", "86", "87", "88", ":1"}},
    {"AA537", StandardRule::FromUnitType, {"65", "", "63", 2, "85", "86", "87", "88", ":1"}},
    {"516 Series", StandardRule::Series516, {"64", "66", "60", 128, "85", "86", "87", "88", ":1"}},
    {"Display Unit",
     StandardRule::DisplayUnit,
     {"71", "70", "77", 128, ">0", ">1", ">2", ">3", ":0"}},
    {"AA601", StandardRule::FromUnitType, {"67", "68", "60", 4, "85", "86", "87", "88", ":1"}},
}};

const ModelRegisters* modelRegistersOf(const std::string& unitType) {
    for (const ModelRegisters& model : kModelRegisters) {
        if (model.unitType == unitType)
            return &model;
    }
    return nullptr;
}

// A firmware identifier that is a plain number, spaces around it allowed.
bool isNumericText(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return false;
    const std::size_t last = text.find_last_not_of(' ');
    std::size_t i = first;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    if (i > last)
        return false;
    for (; i <= last; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

void installIdentity(const ParsedFile& file, UnitIdentity& id, GroupRegisters& group) {
    id.unitType = file.unitType;
    id.softwareVersion = file.softwareVersion;
    id.softwareVersionText = id.softwareVersion;
    id.coprocessorVersion.clear();
    const bool numeric = isNumericText(id.softwareVersion);
    id.versionForm = numeric ? 1 : 0;

    const ModelRegisters* model = modelRegistersOf(file.unitType);
    if (model == nullptr) {
        id.unitGroup = kUnknownModelUnitGroup;
        return;
    }
    id.unitGroup = kDescribedUnitGroup;
    const std::string ownModel = id.softwareVersion.substr(0, kModelCodeLength);
    switch (model->rule) {
        case StandardRule::FromUnitType:
            break;
        case StandardRule::Series516:
            if (!numeric)
                id.unitType = ownModel;
            break;
        case StandardRule::DisplayUnit:
            if (id.standardVersion == kUnknownVersion) {
                if (!numeric)
                    id.unitType = ownModel;
            } else {
                id.unitType = id.standardVersion.substr(0, kModelCodeLength);
            }
            break;
    }
    // The standard version is a fixed-width field like the firmware identifier.
    if (model->rule != StandardRule::DisplayUnit || id.standardVersion == kUnknownVersion)
        id.standardVersion = fitted(id.unitType, kDescriptionIdLength);

    applyGroupRegisters(model->registers, group);
}

// Everything beyond the file's counts is cleared, so nothing of a larger earlier description
// lingers. Values are not part of a description: the rows keep theirs until the unit is read.
void install(const ParsedFile& file, DescriptionTarget target) {
    UnitDescription& d = target.description;
    for (std::size_t i = 0; i < d.parameters.size(); ++i) {
        Parameter& param = d.parameters[i];
        if (i >= file.rows.size()) {
            param = Parameter{};
            continue;
        }
        param.text = file.rows[i].text;
        param.code = file.rows[i].code;
        param.format = file.rows[i].format;
        param.digitsByte = 0;
        param.decimalByte = 0;
    }
    d.parameterCount = static_cast<int>(file.rows.size());

    for (std::size_t k = 0; k < d.inputs.size(); ++k) {
        Input& input = d.inputs[k];
        if (k >= file.inputs.size()) {
            input = Input{};
            continue;
        }
        input.text = file.inputs[k].text;
        input.pcSettable = true;
        input.external = true;
        // Inputs beyond the window's buttons have no command or status bit of their own.
        if (k < target.group.inputCommandCodes.size()) {
            target.group.inputCommandCodes[k] = file.inputs[k].commandCode;
            target.group.inputMasks[k] = file.inputs[k].mask;
        }
    }
    d.inputCount = static_cast<int>(file.inputs.size());

    for (std::size_t k = 0; k < d.outputTexts.size(); ++k) {
        if (k >= file.outputs.size()) {
            d.outputTexts[k].clear();
            continue;
        }
        d.outputTexts[k] = file.outputs[k].text;
        target.group.outputMasks[k] = file.outputs[k].mask;
    }
    d.outputCount = static_cast<int>(file.outputs.size());

    installIdentity(file, target.identity, target.group);
}

}  // namespace

int loadDescriptionFile(std::istream& in, DescriptionTarget target) {
    Lines lines;
    if (const int error = readLines(in, lines))
        return error;
    ParsedFile file;
    if (const int error = parseFile(lines, file))
        return error;
    install(file, target);
    return kDescriptionFileOk;
}

std::string descriptionFileErrorMessage(int errorNumber, const std::string& path) {
    return "Error " + std::to_string(errorNumber) + " while reading from file " + path + " !";
}

bool readDescriptionFile(const std::string& path, DescriptionTarget target,
                         OperatorObserver& observer) {
    int error = kDescriptionErrorNotFound;
    std::error_code ec;
    // A folder of that name opens on some systems but never reads.
    if (std::filesystem::is_regular_file(path, ec)) {
        std::ifstream in(path, std::ios::binary);
        if (in)
            error = loadDescriptionFile(in, target);
    }
    if (error == kDescriptionFileOk)
        return true;
    observer.showMessage(descriptionFileErrorMessage(error, path), MsgButtons::Ok,
                         MsgIcon::Exclamation);
    return false;
}

}  // namespace qu32
