#include "parfiles/ParameterFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>

namespace qu32 {

namespace {

constexpr char kCommentComma = '\x01';
constexpr char kFieldSeparator = ',';
constexpr const char* kLineEnd = "\r\n";
constexpr std::size_t kCodeLength = 2;
// Header positions: marker, firmware, unit type, then the comment.
constexpr std::size_t kFirmwareAt = 14;
constexpr std::size_t kUnitTypeAt = 22;
constexpr std::size_t kCommentAt = 30;
constexpr int kRecordFields = 5;

// The DOS software's binary files: a header, then fixed records.
constexpr char kDosSignature[] = "\xBB\x7F\xA2\x04";
constexpr std::size_t kDosHeaderBytes = 610;
constexpr std::size_t kDosRecordBytes = 441;
constexpr std::size_t kDosLineLength = 31;
constexpr std::size_t kDosTextLength = 22;
struct FieldAt {
    std::size_t at;
    std::size_t length;
};
constexpr FieldAt kDosLine{0, kDosLineLength};
constexpr FieldAt kDosCode{31, 4};
constexpr FieldAt kDosValueStart{35, 3};
constexpr FieldAt kDosValueEnd{38, 3};
constexpr FieldAt kDosFormat{62, 6};
constexpr FieldAt kDosMinimum{68, 11};
constexpr FieldAt kDosMaximum{79, 11};

unsigned char code(char c) {
    return static_cast<unsigned char>(c);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

template <typename Keep>
std::string kept(const std::string& text, Keep keep) {
    std::string out;
    std::copy_if(text.begin(), text.end(), std::back_inserter(out), keep);
    return out;
}

// A whole number with at most one leading sign that fits 32 bits.
std::optional<std::int32_t> wholeNumber(const std::string& text) {
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    std::int32_t value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value);
    if (begin == end || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

// The format a value text implies: its width, its point and its sign.
ParamFormat formatOfText(const std::string& value) {
    ParamFormat format;
    format.digits = value.empty() ? 0 : static_cast<int>(value.size()) - 1;
    const std::size_t point = value.find('.');
    format.decimalPos = point == std::string::npos ? kNoDecimalPoint : static_cast<int>(point);
    if (!value.empty() && value.front() == '#')
        format.signKind = kSignKindHash;
    else if (!value.empty() && (value.front() == '+' || value.front() == '-'))
        format.signKind = kSignKindSigned;
    else
        format.signKind = kSignKindUnsigned;
    return format;
}

// Texts keep the Latin-1 letters of the units' own texts; control characters (the line ends
// before every record among them) and the characters 123 to 159 go.
bool keptInText(char c) {
    return code(c) >= 32 && (code(c) <= 122 || code(c) >= 160);
}

Parameter cleanRecord(const std::array<std::string, kRecordFields>& fields) {
    Parameter p;
    p.text = kept(decodeComment(fields[0]), keptInText);
    p.code = kept(fields[1], [](char c) { return code(c) > 32 && code(c) <= 122; });
    if (p.code.size() != kCodeLength)
        p.code = kHeadingCode;
    p.value = kept(fields[2], [](char c) {
        return isDigit(c) || c == '+' || c == '-' || c == '#' || c == '.';
    });
    const auto number = [](char c) { return isDigit(c) || c == '+' || c == '-'; };
    p.format = formatOfText(p.value);
    p.format.minValue = wholeNumber(kept(fields[3], number)).value_or(kUnknownMinimum);
    p.format.maxValue = wholeNumber(kept(fields[4], number)).value_or(kUnknownMaximum);
    return p;
}

std::string fitted(const std::string& text, std::size_t width) {
    std::string out = text.substr(0, width);
    out.resize(width, ' ');
    return out;
}

}  // namespace

std::string encodeComment(const std::string& comment) {
    std::string stored = comment;
    std::replace(stored.begin(), stored.end(), kFieldSeparator, kCommentComma);
    return stored;
}

std::string decodeComment(const std::string& stored) {
    std::string comment = stored;
    std::replace(comment.begin(), comment.end(), kCommentComma, kFieldSeparator);
    return comment;
}

std::string writeParameterFile(const ParameterFileHeader& header,
                               const UnitDescription& description) {
    // The identities are fixed-width fields: the reader cuts the header by position, so a
    // shorter one would push the comment into them.
    std::string bytes = std::string(kParameterFileMarker) +
                        fitted(header.softwareVersion, kIdentityLength) +
                        fitted(header.standardVersion, kIdentityLength) +
                        encodeComment(header.comment) + kFieldSeparator + kLineEnd;
    const int count = std::clamp(description.parameterCount, 0, kMaxParameters);
    for (int i = 0; i < count; ++i) {
        const Parameter& p = description.parameters[static_cast<std::size_t>(i)];
        // A comma in a text would end its field early and shift the rest of the file; it is
        // stored like the comment's (a reader that does not know it just drops it).
        bytes += encodeComment(p.text) + ", " + p.code + ", " + p.value + ", " +
                 std::to_string(p.format.minValue) + ", " + std::to_string(p.format.maxValue) +
                 "," + kLineEnd;
    }
    return bytes;
}

ParameterFileContent readParameterFile(std::string_view bytes) {
    ParameterFileContent content;
    std::string& h = content.headerText;
    const auto headerDone = [&] {
        if (!h.starts_with(kParameterFileMarker))
            return false;
        if (h.size() >= kCommentAt) {
            content.header.softwareVersion = h.substr(kFirmwareAt, kIdentityLength);
            content.header.standardVersion = h.substr(kUnitTypeAt, kIdentityLength);
            content.header.comment = decodeComment(h.substr(kCommentAt));
        }
        return true;
    };

    int state = 0;
    std::array<std::string, kRecordFields> fields;
    for (const char c : bytes) {
        if (state == 0) {
            if (c != kFieldSeparator && h.size() < kMaxHeaderLength) {
                h.push_back(c);
                continue;
            }
            // The header is complete; the character that ended it is dropped.
            if (!headerDone()) {
                content.outcome = ParameterFileContent::Outcome::NotMarked;
                return content;
            }
            state = 1;
            continue;
        }
        if (c != kFieldSeparator) {
            fields[static_cast<std::size_t>(state - 1)].push_back(c);
            continue;
        }
        if (state < kRecordFields) {
            ++state;
            continue;
        }
        if (content.rows.size() >= static_cast<std::size_t>(kMaxParameters)) {
            content.outcome = ParameterFileContent::Outcome::TooManyRows;
            content.rows.clear();
            return content;
        }
        content.rows.push_back(cleanRecord(fields));
        fields = {};
        state = 1;
    }
    // What follows the last complete record (its line end) is not a record.
    if (state == 0 && !headerDone()) {
        content.outcome = ParameterFileContent::Outcome::NoHeader;
        return content;
    }
    content.outcome = ParameterFileContent::Outcome::Read;
    return content;
}

bool namesOtherUnit(const ParameterFileHeader& header, const UnitIdentity& unit) {
    const auto blank = [](const std::string& t) {
        return t.find_first_not_of(' ') == std::string::npos;
    };
    if (blank(header.softwareVersion) || blank(header.standardVersion))
        return false;
    return header.standardVersion != unit.standardVersion ||
           header.softwareVersion != unit.softwareVersion;
}

bool isDosFile(std::string_view text) {
    return text.starts_with(std::string_view(kDosSignature, 4));
}

std::optional<std::vector<Parameter>> convertDosFile(std::string_view bytes) {
    struct Record {
        std::string line;
        std::string code;
        std::optional<std::int32_t> start, end, minimum, maximum;
        std::string format;
    };
    const auto field = [](std::string_view record, FieldAt f) {
        return std::string(record.substr(f.at, f.length));
    };
    const auto packed = [&](std::string_view record, FieldAt f) {
        return kept(field(record, f), [](char c) { return c != ' ' && c != '\0'; });
    };

    std::vector<Record> records;
    for (std::size_t at = kDosHeaderBytes; at + kDosRecordBytes <= bytes.size();
         at += kDosRecordBytes) {
        // More rows than a description holds: refused like a text file of that length.
        if (records.size() == static_cast<std::size_t>(kMaxParameters))
            return std::nullopt;
        const std::string_view record = bytes.substr(at, kDosRecordBytes);
        Record r;
        r.line = field(record, kDosLine);
        r.code = packed(record, kDosCode);
        r.start = wholeNumber(packed(record, kDosValueStart));
        r.end = wholeNumber(packed(record, kDosValueEnd));
        r.format = packed(record, kDosFormat);
        r.minimum = wholeNumber(packed(record, kDosMinimum));
        r.maximum = wholeNumber(packed(record, kDosMaximum));
        // A record that cannot be shown stops the conversion before anything is taken over.
        if (r.code != kHeadingCode) {
            if (!r.start || !r.end)
                return std::nullopt;
            if (*r.end > *r.start && (!r.minimum || !r.maximum))
                return std::nullopt;
        }
        records.push_back(std::move(r));
    }

    std::vector<Parameter> rows;
    for (const Record& r : records) {
        Parameter p;
        std::string text = r.line.substr(0, kDosTextLength);
        if (r.start)
            text = text.substr(0, static_cast<std::size_t>(std::max(*r.start - 1, 0)));
        text.erase(text.find_last_not_of(std::string(" \0", 2)) + 1);
        p.text = text;
        p.code = r.code.substr(0, kCodeLength);
        const bool heading = !r.start || !r.end || *r.start >= *r.end || r.code == kHeadingCode;
        if (heading) {
            p.code = kHeadingCode;
            p.format = ParamFormat{0, kSignKindUnsigned, kNoDecimalPoint, 0, 0};
            rows.push_back(p);
            continue;
        }
        const int a = *r.start;
        const int b = *r.end;
        const std::size_t hash = r.format.find('#');
        const bool hasSign = r.format.find_first_of("+-") != std::string::npos;
        const int kind = hash != std::string::npos ? kSignKindHash
                         : hasSign                 ? kSignKindSigned
                                                   : kSignKindUnsigned;
        // Positions in the display line count from 1; an unsigned value starts after A.
        const std::size_t from = static_cast<std::size_t>(kind == kSignKindUnsigned ? a : a - 1);
        const std::size_t length =
            static_cast<std::size_t>(kind == kSignKindUnsigned ? b - a : b - a + 1);
        p.value = from < r.line.size() ? r.line.substr(from, length) : std::string();
        p.format.signKind = kind;
        p.format.digits = kind == kSignKindUnsigned ? b - a - 1 : b - a;
        const std::size_t point = p.value.find('.');
        p.format.decimalPos =
            point == std::string::npos ? kNoDecimalPoint : static_cast<int>(point);
        p.format.minValue = *r.minimum;
        p.format.maxValue = *r.maximum;
        rows.push_back(p);
    }
    return rows;
}

void installRows(const std::vector<Parameter>& rows, UnitDescription& description) {
    const std::size_t count = std::min(rows.size(), description.parameters.size());
    for (std::size_t i = 0; i < description.parameters.size(); ++i)
        description.parameters[i] = i < count ? rows[i] : Parameter{};
    description.parameterCount = static_cast<int>(count);
}

std::string shortenPath(const std::string& path, std::size_t length) {
    if (path.size() <= length)
        return path;
    std::size_t cut = std::string::npos;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] != '/' && path[i] != '\\')
            continue;
        cut = i;
        if (path.size() - i - 1 <= length)
            break;
    }
    if (cut == std::string::npos)
        return path;
    return ".." + path.substr(cut);
}

}  // namespace qu32
