#pragma once

#include <cstddef>
#include <pugixml.hpp>
#include <string>

#include "platform/Files.h"
#include "serial/PortMap.h"
#include "serial/SerialSettings.h"
#include "settings/CompanyInfo.h"

namespace qu32 {

// What open found; start-up goes on whatever it is, the value is for the log.
enum class ConfigOpenResult {
    Applied,            // file loaded and its settings applied
    Unreadable,         // file present but not usable XML: nothing applied, kept as it is
    DefaultWritten,     // file was missing; the default file now stands in its place
    DefaultNotWritten,  // file was missing and could not be created
};

// The XML configuration file of the program folder: communication settings, company texts and
// the Linux port map. The document stays loaded for the whole run so that the exit save changes
// only the serial settings and writes everything else back as it was read.
class ConfigFile {
  public:
    static constexpr const char* kFileName = "Qu32_Config.xml";
    // The new file is written under this name beside the target and then renamed over it.
    static constexpr const char* kTempSuffix = kAtomicTempSuffix;
    // A configuration file is a few hundred bytes; anything this big is not ours.
    static constexpr std::size_t kMaxFileBytes = 1024 * 1024;

    // Loads the file and applies it, or writes the default file when there is none. A missing
    // file leaves the settings at their start values for this run.
    ConfigOpenResult open(const std::string& path, SerialSettings& settings, CompanyInfo& company,
                          PortMap& portMap);

    // Parses the bytes of a configuration file and applies them as open() does. Bytes that are
    // not valid UTF-8 in a file that declares no other encoding are read as ISO-8859-1.
    ConfigOpenResult load(const std::string& bytes, SerialSettings& settings, CompanyInfo& company,
                          PortMap& portMap);

    // Applies the loaded document; does nothing when the load failed.
    void applyDocument(SerialSettings& settings, CompanyInfo& company, PortMap& portMap);

    void applySerialElement(const pugi::xml_node& element, SerialSettings& settings);
    void applyCompanyElement(const pugi::xml_node& element, CompanyInfo& company);
    // <PortMap><Port Com="5" Device="/dev/ttyUSB1"/></PortMap>; unusable entries are skipped.
    void applyPortMapElement(const pugi::xml_node& element, PortMap& portMap);

    // Builds the default tree in the document and saves it. False when the folder is missing
    // or the file could not be written.
    bool writeDefault(const std::string& path);

    // Puts the serial settings into every "Serial" element and saves the whole document. True
    // only when a "Serial" element was updated and the file was saved; the file on disk is left
    // alone when the document holds no settings group (nothing loaded, or a malformed file).
    bool saveSerialSettings(const std::string& path, const SerialSettings& settings);
    // saveSerialSettings without the disk: puts the settings into the document and gives the
    // bytes to write, or no bytes when the document must not be written (nothing loaded, or it
    // would not read back the same). `found` tells whether a "Serial" element was there.
    bool prepareSerialSave(const SerialSettings& settings, std::string& bytes, bool& found);
    // Overwrites only the attributes the element already has.
    bool writeSerialElement(pugi::xml_node element, const SerialSettings& settings);
    // Enters the device of a COM number in the document's port map (the last PortMap element of
    // the settings group, added when there is none), in place of an entry with that number, so
    // that the exit save keeps it. False when no settings group was loaded.
    bool rememberPortPairing(int com, const std::string& device);

    // The document as it would be saved: ISO-8859-1, CR LF line ends.
    std::string serialize() const;

    // Why the last load or save failed, for the log; empty after success.
    const std::string& lastError() const { return lastError_; }

  private:
    bool saveDocument(const std::string& path);
    // The document as it would be saved, checked to read back to the same document.
    bool checkedBytes(std::string& bytes);

    pugi::xml_document document_;
    pugi::xml_parse_result parseResult_;
    std::string lastError_;
};

}  // namespace qu32
