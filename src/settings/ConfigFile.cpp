#include "settings/ConfigFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>

#include "platform/Files.h"

namespace qu32 {

namespace {

namespace fs = std::filesystem;

// Names of the document's elements and attributes.
constexpr const char* kRootElement = "Qu32";
constexpr const char* kSettingsElement = "Settings";
constexpr const char* kSerialElement = "Serial";
constexpr const char* kCompanyElement = "Company";
constexpr const char* kPortMapElement = "PortMap";
constexpr const char* kPortElement = "Port";

constexpr const char* kProductAttribute = "Product";
constexpr const char* kComPortAttribute = "ComPort";
constexpr const char* kBaudAttribute = "Baud";
constexpr const char* kSettingAttribute = "Setting";
constexpr const char* kUnitIdAttribute = "UnitId";
constexpr const char* kTitleAttribute = "QuVersion";
constexpr const char* kFirmaAttribute = "Firma";
constexpr const char* kAddressAttribute = "Address";
constexpr const char* kIconAttribute = "Icon";
constexpr const char* kLogoAttribute = "Logo";
constexpr const char* kPortComAttribute = "Com";
constexpr const char* kPortDeviceAttribute = "Device";

// Values of the default file.
constexpr const char* kXmlVersion = "1.0";
constexpr const char* kXmlEncoding = "iso-8859-1";
constexpr const char* kDefaultProduct = "Qu32_nimbus";
constexpr const char* kDefaultComPort = "Com1";
constexpr const char* kDefaultBaud = "9600";
constexpr const char* kDefaultSetting = "e,7,1";
constexpr const char* kDefaultUnitId = "11";
constexpr const char* kDefaultTitle = "QU 3.2 nimbus";
constexpr const char* kDefaultIcon = "QU3002B.ICO";
constexpr const char* kDefaultLogo = "zorvane_f";

// A Company element without a title attribute still gives message boxes a title.
constexpr const char* kFallbackTitle = "QU 3.2";

// Serial values: the fallbacks of unusable text and the only baud rates the file can hold.
constexpr const char* kComPrefix = "COM";
constexpr const char* kComPortWritePrefix = "Com";
constexpr std::size_t kComPrefixLength = 3;
constexpr std::size_t kMaxComDigits = 3;
constexpr int kFallbackComPort = 1;
constexpr int kBaudCode9600 = 0;
constexpr int kBaudCode19200 = 5;
constexpr int kBaudCode38400 = 6;
constexpr const char* kBaudText9600 = "9600";
constexpr const char* kBaudText19200 = "19200";
constexpr const char* kBaudText38400 = "38400";
constexpr int kFallbackFormatCode = 0;
constexpr std::size_t kUnitIdLength = 2;
constexpr const char* kFallbackUnitId = "11";

constexpr const char* kIndent = "  ";
constexpr unsigned kParseOptions = pugi::parse_full;  // keeps comments and the doctype for the save
constexpr unsigned kSaveOptions = pugi::format_indent | pugi::format_no_declaration;
// Enough of the offending line to recognise it in the log.
constexpr std::size_t kMaxSourceExcerpt = 80;

constexpr unsigned char kLatin1Last = 0xFF;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr char kUnmappable = '?';

bool isNamed(const pugi::xml_node& node, const char* name) {
    return node.type() == pugi::node_element && std::strcmp(node.name(), name) == 0;
}

bool isNamed(const pugi::xml_attribute& attribute, const char* name) {
    return std::strcmp(attribute.name(), name) == 0;
}

// The document keeps UTF-8; the program's texts are ISO-8859-1 bytes.
std::string utf8ToLatin1(const char* text) {
    std::string out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p != 0) {
        const unsigned char lead = *p;
        if (lead < 0x80) {
            out.push_back(static_cast<char>(lead));
            ++p;
            continue;
        }
        // pugixml hands out valid sequences; anything beyond Latin-1 has no byte of its own.
        const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        unsigned codePoint = length == 2 ? (lead & 0x1Fu) : 0x100u;
        int taken = 1;
        for (; taken < length && (p[taken] & 0xC0u) == 0x80u; ++taken)
            codePoint = (codePoint << 6) | (p[taken] & 0x3Fu);
        const bool latin1 = taken == length && codePoint >= 0x80 && codePoint <= kLatin1Last;
        out.push_back(latin1 ? static_cast<char>(codePoint) : kUnmappable);
        p += taken;
    }
    return out;
}

std::string latin1ToUtf8(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
            out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
        }
    }
    return out;
}

std::string upperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A plain decimal number: optional sign, digits, at most one decimal point. Yields the integer
// part, so "3.5" counts as port 3.
bool integerPartOf(const std::string& text, int& value) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    const std::size_t integerStart = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    const std::size_t integerEnd = i;
    bool anyDigit = integerEnd > integerStart;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) {
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit || i != text.size())
        return false;
    int magnitude = 0;
    std::from_chars(text.data() + integerStart, text.data() + integerEnd, magnitude);
    value = text[0] == '-' ? -magnitude : magnitude;
    return true;
}

// "Com3", "com3" and "COM3" are port 3; whatever else the file says falls back to port 1.
int comPortFromText(const std::string& text) {
    const std::string upper = upperAscii(text);
    if (upper.find(kComPrefix) == std::string::npos || upper.size() <= kComPrefixLength)
        return kFallbackComPort;
    // The number is taken from the fourth character on, wherever "COM" stood.
    const std::string rest = upper.substr(kComPrefixLength);
    int port = 0;
    if (rest.size() > kMaxComDigits || !integerPartOf(rest, port))
        return kFallbackComPort;
    return port >= kFirstComPort && port <= kLastComPort ? port : kFallbackComPort;
}

int baudCodeFromText(const std::string& text) {
    if (text == kBaudText19200)
        return kBaudCode19200;
    if (text == kBaudText38400)
        return kBaudCode38400;
    return kBaudCode9600;
}

const char* baudTextFromCode(int code) {
    if (code == kBaudCode19200)
        return kBaudText19200;
    if (code == kBaudCode38400)
        return kBaudText38400;
    return kBaudText9600;
}

int formatCodeFromText(const std::string& text) {
    for (int code = 0; code < kSerialFormatCount; ++code) {
        if (text == kSerialFormats[code].text)
            return code;
    }
    return kFallbackFormatCode;
}

const char* formatTextFromCode(int code) {
    if (code < 0 || code >= kSerialFormatCount)
        return kSerialFormats[kFallbackFormatCode].text;
    return kSerialFormats[code].text;
}

bool isUnitId(const std::string& text) {
    return text.size() == kUnitIdLength && isDigit(text[0]) && isDigit(text[1]);
}

// "5" or "COM5"; nothing else names a port in the port map.
bool portMapNumber(const std::string& text, int& com) {
    std::size_t start = 0;
    if (upperAscii(text.substr(0, kComPrefixLength)) == kComPrefix)
        start = kComPrefixLength;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, com);
    return first != last && error == std::errc() && end == last;
}

// Whitespace text and comments may stand before the settings group; only an element counts.
pugi::xml_node firstElementChild(const pugi::xml_node& node) {
    for (pugi::xml_node child : node.children()) {
        if (child.type() == pugi::node_element)
            return child;
    }
    return {};
}

// Every line of a text file the program writes ends with CR LF.
class CrLfWriter : public pugi::xml_writer {
  public:
    explicit CrLfWriter(std::string& out) : out_(out) {}
    void write(const void* data, std::size_t size) override {
        const auto* bytes = static_cast<const char*>(data);
        for (std::size_t i = 0; i < size; ++i) {
            if (bytes[i] == '\n')
                out_.push_back('\r');
            out_.push_back(bytes[i]);
        }
    }

  private:
    std::string& out_;
};

std::string errnoText() {
    return std::error_code(errno, std::generic_category()).message();
}

bool readWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        error = "cannot read " + path + ": " + ec.message();
        return false;
    }
    if (size > ConfigFile::kMaxFileBytes) {
        error = path + " is larger than " + std::to_string(ConfigFile::kMaxFileBytes) + " bytes";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + errnoText();
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + path + ": " + errnoText();
        return false;
    }
    return true;
}

// "Error code = 14, line 3, position 7: Start-end tags mismatch: <Serial ..."
std::string parseErrorText(const pugi::xml_parse_result& result, const std::string& bytes) {
    const std::size_t offset = std::min(
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0)), bytes.size());
    std::size_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < offset; ++i) {
        if (bytes[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    std::size_t lineEnd = bytes.find_first_of("\r\n", lineStart);
    if (lineEnd == std::string::npos)
        lineEnd = bytes.size();
    const std::string source =
        bytes.substr(lineStart, std::min(lineEnd - lineStart, kMaxSourceExcerpt));
    return "Error code = " + std::to_string(static_cast<int>(result.status)) + ", line " +
           std::to_string(line) + ", position " + std::to_string(offset - lineStart + 1) + ": " +
           result.description() + ": " + source;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && upperAscii(std::string(a)) == upperAscii(std::string(b));
}

bool isValidUtf8(const std::string& bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::size_t length = 1;
        unsigned minimum = 0;
        unsigned codePoint = lead;
        if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            minimum = 0x10000;
            codePoint = lead & 0x07u;
        } else if (lead >= 0xE0 && lead < 0xF0) {
            length = 3;
            minimum = 0x800;
            codePoint = lead & 0x0Fu;
        } else if (lead >= 0xC2 && lead < 0xE0) {
            length = 2;
            minimum = 0x80;
            codePoint = lead & 0x1Fu;
        } else if (lead >= 0x80) {
            return false;
        }
        if (i + length > bytes.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0u) != 0x80u)
                return false;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        if (codePoint < minimum || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

// The encoding the declaration names, wherever the attribute stands in it; empty when none.
std::string declaredEncoding(const std::string& bytes) {
    std::string_view text(bytes);
    if (text.starts_with(kUtf8Bom))
        text.remove_prefix(kUtf8Bom.size());
    if (!text.starts_with("<?xml"))
        return {};
    const std::string_view declaration = text.substr(0, text.find("?>"));
    const std::size_t name = declaration.find("encoding");
    if (name == std::string_view::npos)
        return {};
    std::size_t at = declaration.find_first_not_of(" \t\r\n", name + std::strlen("encoding"));
    if (at == std::string_view::npos || declaration[at] != '=')
        return {};
    at = declaration.find_first_not_of(" \t\r\n", at + 1);
    if (at == std::string_view::npos || (declaration[at] != '"' && declaration[at] != '\''))
        return {};
    const std::size_t end = declaration.find(declaration[at], at + 1);
    if (end == std::string_view::npos)
        return {};
    return std::string(declaration.substr(at + 1, end - at - 1));
}

// Files are written as ISO-8859-1 but edited by hand in whatever the editor likes: a declared
// Latin-1 file is Latin-1, and so is one whose bytes are no valid UTF-8 (a hand-edited file
// without a declaration), since reading those as UTF-8 would lose every letter beyond ASCII.
pugi::xml_encoding encodingOf(const std::string& bytes) {
    const std::string declared = declaredEncoding(bytes);
    for (const char* name : {"iso-8859-1", "iso8859-1", "latin1", "latin-1", "iso_8859-1"}) {
        if (equalsIgnoringAsciiCase(declared, name))
            return pugi::encoding_latin1;
    }
    // Sixteen- and 32-bit files announce themselves by their first bytes; the parser knows them.
    const bool wide = bytes.size() >= 2 && (bytes[0] == '\0' || bytes[1] == '\0' ||
                                            static_cast<unsigned char>(bytes[0]) == 0xFE ||
                                            static_cast<unsigned char>(bytes[0]) == 0xFF);
    if (wide)
        return pugi::encoding_auto;
    return isValidUtf8(bytes) ? pugi::encoding_utf8 : pugi::encoding_latin1;
}

// The bytes are written as ISO-8859-1, so the declaration has to say so whatever the file said
// when it was read. It is written whole: a reader looks for the encoding right after the
// version, so one that stood behind another attribute would not be seen at the next start.
void declareLatin1(pugi::xml_document& document) {
    pugi::xml_node old = document.first_child();
    std::string standalone;
    if (old.type() == pugi::node_declaration) {
        standalone = old.attribute("standalone").value();
        document.remove_child(old);
    }
    pugi::xml_node declaration = document.prepend_child(pugi::node_declaration);
    declaration.append_attribute("version") = kXmlVersion;
    declaration.append_attribute("encoding") = kXmlEncoding;
    if (standalone == "yes" || standalone == "no")
        declaration.append_attribute("standalone") = standalone.c_str();
}

// Everything a document holds, in order, as one text: two documents that give the same text
// are the same file to the program. Values count as the program reads them, in Latin-1, so a
// character beyond it that was "?" to this run may be "?" in the file; names must match exactly.
void describeNode(const pugi::xml_node& node, std::string& out) {
    const auto add = [&out](const std::string& text) {
        out += std::to_string(text.size());
        out += ':';
        out += text;
    };
    out += std::to_string(static_cast<int>(node.type()));
    add(node.name());
    add(utf8ToLatin1(node.value()));
    for (const pugi::xml_attribute attribute : node.attributes()) {
        add(attribute.name());
        add(utf8ToLatin1(attribute.value()));
    }
    out += '(';
    for (const pugi::xml_node child : node.children())
        describeNode(child, out);
    out += ')';
}

}  // namespace

ConfigOpenResult ConfigFile::open(const std::string& path, SerialSettings& settings,
                                  CompanyInfo& company, PortMap& portMap) {
    lastError_.clear();
    std::error_code ec;
    // An error while looking counts as present: loading then fails and the file stays untouched.
    const bool present = fs::exists(path, ec) || ec;
    if (!present) {
        return writeDefault(path) ? ConfigOpenResult::DefaultWritten
                                  : ConfigOpenResult::DefaultNotWritten;
    }

    std::string bytes;
    if (!readWholeFile(path, bytes, lastError_)) {
        parseResult_ = pugi::xml_parse_result();
        parseResult_.status = pugi::status_io_error;
        document_.reset();
        return ConfigOpenResult::Unreadable;
    }
    return load(bytes, settings, company, portMap);
}

ConfigOpenResult ConfigFile::load(const std::string& bytes, SerialSettings& settings,
                                  CompanyInfo& company, PortMap& portMap) {
    lastError_.clear();
    parseResult_ =
        document_.load_buffer(bytes.data(), bytes.size(), kParseOptions, encodingOf(bytes));
    if (!parseResult_) {
        lastError_ = parseErrorText(parseResult_, bytes);
        // The parser keeps what it read before the fault; an empty document makes sure the
        // exit save leaves a broken file alone.
        document_.reset();
    }
    applyDocument(settings, company, portMap);
    return parseResult_ ? ConfigOpenResult::Applied : ConfigOpenResult::Unreadable;
}

void ConfigFile::applyDocument(SerialSettings& settings, CompanyInfo& company, PortMap& portMap) {
    if (!parseResult_)
        return;
    for (pugi::xml_node root : document_.children()) {
        if (!isNamed(root, kRootElement))
            continue;
        // Whatever element comes first under the root is the settings group, whatever its name.
        const pugi::xml_node group = firstElementChild(root);
        for (pugi::xml_node child : group.children()) {
            if (isNamed(child, kSerialElement))
                applySerialElement(child, settings);
            else if (isNamed(child, kCompanyElement))
                applyCompanyElement(child, company);
            else if (isNamed(child, kPortMapElement))
                applyPortMapElement(child, portMap);
        }
    }
}

void ConfigFile::applySerialElement(const pugi::xml_node& element, SerialSettings& settings) {
    for (pugi::xml_attribute attribute : element.attributes()) {
        const std::string value = utf8ToLatin1(attribute.value());
        if (isNamed(attribute, kComPortAttribute))
            settings.comPort = comPortFromText(value);
        else if (isNamed(attribute, kBaudAttribute))
            settings.baudRateCode = baudCodeFromText(value);
        else if (isNamed(attribute, kSettingAttribute))
            settings.formatCode = formatCodeFromText(value);
        else if (isNamed(attribute, kUnitIdAttribute))
            settings.unitAddress = isUnitId(value) ? value : kFallbackUnitId;
    }
}

void ConfigFile::applyCompanyElement(const pugi::xml_node& element, CompanyInfo& company) {
    company = CompanyInfo{};
    company.titleText = kFallbackTitle;
    for (pugi::xml_attribute attribute : element.attributes()) {
        if (isNamed(attribute, kTitleAttribute))
            company.titleText = utf8ToLatin1(attribute.value());
        else if (isNamed(attribute, kFirmaAttribute))
            company.companyName = utf8ToLatin1(attribute.value());
        else if (isNamed(attribute, kAddressAttribute))
            company.companyAddress = utf8ToLatin1(attribute.value());
        else if (isNamed(attribute, kIconAttribute))
            company.iconFile = utf8ToLatin1(attribute.value());
        else if (isNamed(attribute, kLogoAttribute))
            company.logo = utf8ToLatin1(attribute.value());
    }
}

void ConfigFile::applyPortMapElement(const pugi::xml_node& element, PortMap& portMap) {
    for (pugi::xml_node port : element.children()) {
        if (!isNamed(port, kPortElement))
            continue;
        int com = 0;
        const std::string device = utf8ToLatin1(port.attribute(kPortDeviceAttribute).value());
        // An entry without a device would silently hide a port; skip it instead.
        if (!portMapNumber(port.attribute(kPortComAttribute).value(), com) || device.empty())
            continue;
        portMap.set(com, device);
    }
}

bool ConfigFile::writeDefault(const std::string& path) {
    lastError_.clear();
    std::error_code ec;
    fs::path folder = fs::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    if (!fs::is_directory(folder, ec)) {
        lastError_ = "the folder " + folder.string() + " does not exist";
        return false;
    }

    document_.reset();
    pugi::xml_node declaration = document_.prepend_child(pugi::node_declaration);
    declaration.append_attribute("version") = kXmlVersion;
    declaration.append_attribute("encoding") = kXmlEncoding;

    pugi::xml_node settings = document_.append_child(kRootElement).append_child(kSettingsElement);
    settings.append_attribute(kProductAttribute) = kDefaultProduct;

    pugi::xml_node serial = settings.append_child(kSerialElement);
    serial.append_attribute(kComPortAttribute) = kDefaultComPort;
    serial.append_attribute(kBaudAttribute) = kDefaultBaud;
    serial.append_attribute(kSettingAttribute) = kDefaultSetting;
    serial.append_attribute(kUnitIdAttribute) = kDefaultUnitId;

    pugi::xml_node company = settings.append_child(kCompanyElement);
    company.append_attribute(kTitleAttribute) = kDefaultTitle;
    company.append_attribute(kFirmaAttribute) = "";
    company.append_attribute(kAddressAttribute) = "";
    company.append_attribute(kIconAttribute) = kDefaultIcon;
    company.append_attribute(kLogoAttribute) = kDefaultLogo;

    return saveDocument(path);
}

bool ConfigFile::saveSerialSettings(const std::string& path, const SerialSettings& settings) {
    std::string bytes;
    bool found = false;
    const bool written = prepareSerialSave(settings, bytes, found);
    if (bytes.empty())
        return false;
    const std::string why = lastError_;
    const bool saved = writeFileAtomically(path, bytes, lastError_);
    if (saved)
        lastError_ = why;
    return written && saved;
}

bool ConfigFile::prepareSerialSave(const SerialSettings& settings, std::string& bytes,
                                   bool& found) {
    lastError_.clear();
    bytes.clear();
    found = false;
    const pugi::xml_node group = firstElementChild(document_.document_element());
    if (!group) {
        lastError_ = "no settings were loaded; the file is left as it is";
        return false;
    }
    bool written = false;
    for (pugi::xml_node child : group.children()) {
        if (isNamed(child, kSerialElement)) {
            found = true;
            written = writeSerialElement(child, settings);
        }
    }
    if (!checkedBytes(bytes))
        return false;
    if (!found)
        lastError_ = "the file has no Serial element";
    return found && written;
}

bool ConfigFile::rememberPortPairing(int com, const std::string& device) {
    pugi::xml_node group = firstElementChild(document_.document_element());
    if (!group)
        return false;
    pugi::xml_node map;
    for (pugi::xml_node child : group.children()) {
        if (isNamed(child, kPortMapElement))
            map = child;
    }
    if (!map)
        map = group.append_child(kPortMapElement);
    pugi::xml_node entry;
    for (pugi::xml_node port : map.children()) {
        int number = 0;
        if (isNamed(port, kPortElement) &&
            portMapNumber(port.attribute(kPortComAttribute).value(), number) && number == com)
            entry = port;
    }
    if (!entry) {
        entry = map.append_child(kPortElement);
        entry.append_attribute(kPortComAttribute) = std::to_string(com).c_str();
        entry.append_attribute(kPortDeviceAttribute);
    }
    pugi::xml_attribute deviceAttribute = entry.attribute(kPortDeviceAttribute);
    if (!deviceAttribute)
        deviceAttribute = entry.append_attribute(kPortDeviceAttribute);
    deviceAttribute = latin1ToUtf8(device).c_str();
    return true;
}

bool ConfigFile::writeSerialElement(pugi::xml_node element, const SerialSettings& settings) {
    if (!element)
        return false;
    bool ok = true;
    for (pugi::xml_attribute attribute : element.attributes()) {
        if (isNamed(attribute, kComPortAttribute)) {
            // A port that failed to open this run is no choice of the operator; keep the
            // configured one so that it is tried again next time.
            const int port = settings.comPort;
            if (port >= kFirstComPort && port <= kLastComPort)
                ok =
                    attribute.set_value((kComPortWritePrefix + std::to_string(port)).c_str()) && ok;
        } else if (isNamed(attribute, kBaudAttribute)) {
            ok = attribute.set_value(baudTextFromCode(settings.baudRateCode)) && ok;
        } else if (isNamed(attribute, kSettingAttribute)) {
            ok = attribute.set_value(formatTextFromCode(settings.formatCode)) && ok;
        } else if (isNamed(attribute, kUnitIdAttribute)) {
            ok = attribute.set_value(latin1ToUtf8(settings.unitAddress).c_str()) && ok;
        }
    }
    return ok;
}

std::string ConfigFile::serialize() const {
    std::string bytes;
    CrLfWriter writer(bytes);
    document_.save(writer, kIndent, kSaveOptions, pugi::encoding_latin1);
    return bytes;
}

bool ConfigFile::checkedBytes(std::string& bytes) {
    declareLatin1(document_);
    bytes = serialize();
    // A file the next start reads differently (a name Latin-1 cannot hold becomes "?", which no
    // XML name may contain) would lose the operator's settings for good; keep the old one.
    pugi::xml_document reread;
    const pugi::xml_parse_result result =
        reread.load_buffer(bytes.data(), bytes.size(), kParseOptions, encodingOf(bytes));
    std::string before;
    std::string after;
    describeNode(document_, before);
    describeNode(reread, after);
    if (!result || before != after) {
        bytes.clear();
        lastError_ =
            "the settings hold text that ISO-8859-1 cannot carry; the file is left as it is";
        return false;
    }
    return true;
}

bool ConfigFile::saveDocument(const std::string& path) {
    std::string bytes;
    if (!checkedBytes(bytes))
        return false;
    return writeFileAtomically(path, bytes, lastError_);
}

}  // namespace qu32
