#include "settings/ConfigFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <tuple>

#include "support/TempFolder.h"

namespace qu32 {
namespace {

namespace fs = std::filesystem;

const std::string kDefaultFile =
    "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>\r\n"
    "<Qu32>\r\n"
    "  <Settings Product=\"Qu32_nimbus\">\r\n"
    "    <Serial ComPort=\"Com1\" Baud=\"9600\" Setting=\"e,7,1\" UnitId=\"11\" />\r\n"
    "    <Company QuVersion=\"QU 3.2 nimbus\" Firma=\"\" Address=\"\" Icon=\"QU3002B.ICO\" "
    "Logo=\"zorvane_f\" />\r\n"
    "  </Settings>\r\n"
    "</Qu32>\r\n";

const std::string kLatin1Declaration = "<?xml version=\"1.0\" encoding=\"iso-8859-1\"?>";

using SerialFields = std::tuple<int, int, int, std::string>;
SerialFields fields(const SerialSettings& s) {
    return {s.comPort, s.baudRateCode, s.formatCode, s.unitAddress};
}

class ConfigFileTest : public ::testing::Test {
  protected:
    static void writeFile(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static std::string readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Loads `bytes` as the configuration file, with a fresh ConfigFile and the start values.
    ConfigOpenResult load(const std::string& bytes) {
        writeFile(path, bytes);
        settings = kStart;
        return config.emplace().open(path, settings, company, portMap);
    }
    static std::string document(const std::string& groupContent) {
        return kLatin1Declaration + "<Qu32><Settings>" + groupContent + "</Settings></Qu32>";
    }

    // Start values no file case produces, so that an untouched field is visible.
    const SerialSettings kStart{9, 6, 7, "42"};
    test::TempFolder temp;
    const std::string folder = temp.path();
    const std::string path = temp.file(ConfigFile::kFileName);
    std::optional<ConfigFile> config{std::in_place};
    SerialSettings settings = kStart;
    CompanyInfo company;
    PortMap portMap;
};

TEST_F(ConfigFileTest, FirstStartWritesTheDefaultFileWhichReadsBackAsTheDefaults) {
    EXPECT_EQ(config->open(path, settings, company, portMap), ConfigOpenResult::DefaultWritten);
    EXPECT_EQ(readFile(path), kDefaultFile);
    EXPECT_EQ(fields(settings), fields(kStart));  // the start values stay for this run
    EXPECT_EQ(company.titleText, "");

    // At exit the new file's Serial element takes the settings of the run.
    settings.comPort = 4;
    EXPECT_TRUE(config->saveSerialSettings(path, settings));
    std::string expected = kDefaultFile;
    const std::string before = "ComPort=\"Com1\" Baud=\"9600\" Setting=\"e,7,1\" UnitId=\"11\"";
    expected.replace(expected.find(before), before.size(),
                     "ComPort=\"Com4\" Baud=\"38400\" Setting=\"o,8,1\" UnitId=\"42\"");
    EXPECT_EQ(readFile(path), expected);
    EXPECT_FALSE(fs::exists(path + ConfigFile::kTempSuffix));

    ASSERT_EQ(load(kDefaultFile), ConfigOpenResult::Applied);
    EXPECT_EQ(fields(settings), fields(SerialSettings{}));
    EXPECT_EQ(company.titleText + "|" + company.iconFile + "|" + company.logo,
              "QU 3.2 nimbus|QU3002B.ICO|zorvane_f");
}

TEST_F(ConfigFileTest, SerialAttributeValuesAndTheirFallbacks) {
    // Start values 9 / 6 / 7 / "42": a field keeps them when its attribute is absent. The port
    // number starts at the fourth character.
    const std::tuple<const char*, SerialFields> cases[] = {
        {"ComPort=\"com3\"", {3, 6, 7, "42"}},    {"ComPort=\"Com15\"", {15, 6, 7, "42"}},
        {"ComPort=\"COM015\"", {15, 6, 7, "42"}}, {"ComPort=\"COM16\"", {1, 6, 7, "42"}},
        {"ComPort=\"COM0\"", {1, 6, 7, "42"}},    {"ComPort=\"Port2\"", {1, 6, 7, "42"}},
        {"ComPort=\"COM1234\"", {1, 6, 7, "42"}}, {"ComPort=\"COMx\"", {1, 6, 7, "42"}},
        {"ComPort=\"xCOM5\"", {1, 6, 7, "42"}},   {"Baud=\"19200\"", {9, 5, 7, "42"}},
        {"Baud=\"38400\"", {9, 6, 7, "42"}},      {"Baud=\"4800\"", {9, 0, 7, "42"}},
        {"Setting=\"n,8,2\"", {9, 6, 9, "42"}},   {"Setting=\"o,7,1\"", {9, 6, 2, "42"}},
        {"Setting=\"e,8,2\"", {9, 6, 0, "42"}},   {"UnitId=\"07\"", {9, 6, 7, "07"}},
        {"UnitId=\"5\"", {9, 6, 7, "11"}},        {"UnitId=\"ab\"", {9, 6, 7, "11"}},
        {"UnitId=\"123\"", {9, 6, 7, "11"}},      {"Unknown=\"3\"", {9, 6, 7, "42"}}};
    for (const auto& [attributes, expected] : cases) {
        ASSERT_EQ(load(document(std::string("<Serial ") + attributes + "/>")),
                  ConfigOpenResult::Applied);
        EXPECT_EQ(fields(settings), expected) << attributes;
    }
}

// The first element under the root is the settings group, whatever its name, and its elements
// apply in order. Texts come as Latin-1, whatever the file's encoding, and are saved so.
TEST_F(ConfigFileTest, GroupElementsApplyInOrderAndTextsComeAsLatin1) {
    ASSERT_EQ(load("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Qu32><!-- site B --><Group>"
                   "<Serial ComPort=\"COM2\" Baud=\"19200\"/>"
                   "<Company Firma=\"M\xC3\xBCller\" Icon=\"a.ico\" Logo=\"\xE2\x82\xAC\"/>"
                   "<Serial ComPort=\"COM5\" UnitId=\"03\"/>"
                   "</Group><Settings><Serial ComPort=\"COM7\"/></Settings></Qu32>"),
              ConfigOpenResult::Applied);
    EXPECT_EQ(fields(settings), SerialFields(5, 5, 7, "03"));
    // Without a title attribute the message boxes still get one; the euro sign has no Latin-1
    // character.
    EXPECT_EQ(
        company.titleText + "|" + company.companyName + "|" + company.iconFile + "|" + company.logo,
        "QU 3.2|M\xFCller|a.ico|?");

    ASSERT_TRUE(config->saveSerialSettings(path, settings));
    const std::string saved = readFile(path);
    EXPECT_EQ(saved.rfind(kLatin1Declaration, 0), 0u);
    EXPECT_NE(saved.find("Firma=\"M\xFCller\""), std::string::npos);
}

TEST_F(ConfigFileTest, SaveWritesOnlyTheSerialAttributesAndKeepsEverythingElse) {
    const std::string original =
        kLatin1Declaration +
        "\r\n<!-- kept -->\r\n<Qu32 Site=\"3\">\r\n"
        "<Settings Product=\"Qu32_nimbus\" Extra=\"x\">\r\n"
        "<Serial Baud=\"4800\" Note=\"\xE4\" ComPort=\"COM2\" Setting=\"n,8,1\"/>\r\n"
        "<Plant Line=\"2\"><Hall>North</Hall></Plant>\r\n"
        "</Settings>\r\n</Qu32>\r\n";
    ASSERT_EQ(load(original), ConfigOpenResult::Applied);
    EXPECT_EQ(settings.unitAddress, "42");  // no UnitId attribute

    settings.baudRateCode = 3;  // 1200 has no text in the file
    settings.formatCode = 12;   // not a format
    settings.comPort = -1;      // the port failed to open this run
    settings.unitAddress = "05";
    EXPECT_TRUE(config->saveSerialSettings(path, settings));
    EXPECT_EQ(
        readFile(path),
        kLatin1Declaration +
            "\r\n<!-- kept -->\r\n<Qu32 Site=\"3\">\r\n"
            "  <Settings Product=\"Qu32_nimbus\" Extra=\"x\">\r\n"
            "    <Serial Baud=\"9600\" Note=\"\xE4\" ComPort=\"COM2\" Setting=\"e,7,1\" />\r\n"
            "    <Plant Line=\"2\">\r\n      <Hall>North</Hall>\r\n    </Plant>\r\n"
            "  </Settings>\r\n</Qu32>\r\n");
}

TEST_F(ConfigFileTest, UnusableFileOrMissingFolderAppliesNothingAndSavesNothing) {
    writeFile(folder + "/plain", "x");
    const std::string cases[] = {
        kLatin1Declaration + "\r\n<Qu32><Settings><Serial ComPort=\"COM4\"/></Setings></Qu32>", "",
        "<Qu32><Settings><Serial ComPort=\"COM4\" Baud=19200/></Settings></Qu32>"};
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes);
        EXPECT_EQ(load(bytes), ConfigOpenResult::Unreadable);
        EXPECT_EQ(fields(settings), fields(kStart));
        EXPECT_EQ(config->lastError().rfind("Error code = ", 0), 0u) << config->lastError();
        EXPECT_FALSE(config->saveSerialSettings(path, SerialSettings{}));
        EXPECT_EQ(readFile(path), bytes);
    }
    for (const std::string& missing :
         {folder + "/gone/" + ConfigFile::kFileName, folder + "/plain/" + ConfigFile::kFileName}) {
        SCOPED_TRACE(missing);
        EXPECT_EQ(config.emplace().open(missing, settings, company, portMap),
                  ConfigOpenResult::DefaultNotWritten);
        EXPECT_FALSE(config->lastError().empty());
        EXPECT_FALSE(config->saveSerialSettings(missing, settings));
        EXPECT_FALSE(fs::exists(missing));
    }
}

// A write-protected file stays as the operator left it; once writable again, it keeps its mode.
TEST_F(ConfigFileTest, FailedSaveLeavesTheOldFileIntact) {
    ASSERT_EQ(load(kDefaultFile), ConfigOpenResult::Applied);
    settings.comPort = 6;
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(config->saveSerialSettings(path, settings));
    EXPECT_FALSE(config->lastError().empty());
    EXPECT_EQ(readFile(path), kDefaultFile);

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(config->saveSerialSettings(path, settings));
    EXPECT_NE(readFile(path).find("ComPort=\"Com6\""), std::string::npos);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

// Hand-edited files come in other encodings and with odd bytes; whatever the save writes, the
// next start reads back to the same settings, and a second save writes the same bytes.
TEST_F(ConfigFileTest, FileSurvivesItsOwnSave) {
    struct Case {
        const char* what;
        std::string bytes;
        std::string companyName;  // as the first start reads it
        std::string titleText;
        int comPort;
    };
    const Case cases[] = {
        {"Latin-1 without a declaration",
         "<Qu32><Settings><Serial ComPort=\"Com3\"/><Company Firma=\"M\xFCller\" "
         "QuVersion=\"Pr\xFC"
         "fstand\"/></Settings></Qu32>",
         "M\xFCller",
         "Pr\xFC"
         "fstand",
         3},
        // Ignored in this run, and so in the next one: the byte stays in the name.
        {"stray byte in an attribute name",
         "<?xml version=\"1.0\"?><Qu32><Settings><Serial Com\xFFPort=\"Com12\"/>"
         "<Company Firma=\"A\"/></Settings></Qu32>",
         "A", "QU 3.2", kStart.comPort},
        // Valid UTF-8, but the declaration (after another attribute) says Latin-1.
        {"encoding declared after standalone",
         "<?xml version=\"1.0\" standalone=\"yes\" encoding=\"ISO-8859-1\"?><Qu32><Settings>"
         "<Serial ComPort=\"Com2\"/><Company QuVersion=\"\xC3\xA9t\xE9\"/></Settings></Qu32>",
         "", "\xC3\xA9t\xE9", 2},
        {"UTF-8 with a declaration",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Qu32><Settings><Serial ComPort=\"Com4\"/>"
         "<Company Firma=\"M\xC3\xBCller\"/></Settings></Qu32>",
         "M\xFCller", "QU 3.2", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(load(c.bytes), ConfigOpenResult::Applied);
        EXPECT_EQ(
            company.companyName + "|" + company.titleText + "|" + std::to_string(settings.comPort),
            c.companyName + "|" + c.titleText + "|" + std::to_string(c.comPort));
        const SerialSettings exitSettings{7, 5, 2, "21"};
        ASSERT_TRUE(config->saveSerialSettings(path, exitSettings)) << config->lastError();
        const std::string saved = readFile(path);
        // The encoding right after the version, where every reader looks for it.
        EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"iso-8859-1\"", 0), 0u) << saved;

        const CompanyInfo first = company;
        const int readPort = settings.comPort;
        ASSERT_EQ(config.emplace().open(path, settings = kStart, company, portMap),
                  ConfigOpenResult::Applied);
        EXPECT_EQ(company.companyName + "|" + company.titleText,
                  first.companyName + "|" + first.titleText);
        // Only a port the file names follows the save.
        EXPECT_EQ(settings.comPort, readPort == kStart.comPort ? kStart.comPort : 7);
        ASSERT_TRUE(config->saveSerialSettings(path, exitSettings));
        EXPECT_EQ(readFile(path), saved);
    }
}

// A name Latin-1 cannot hold would be written as "?", which no XML name may contain: the save is
// refused and the old file, which reads, stays.
TEST_F(ConfigFileTest, SaveThatWouldNotReadBackKeepsTheOldFile) {
    const std::string original =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Qu32><Settings><Serial ComPort=\"Com4\"/>"
        "<Caf\xE2\x82\xAC Mode=\"1\"/></Settings></Qu32>";
    ASSERT_EQ(load(original), ConfigOpenResult::Applied);
    EXPECT_FALSE(config->saveSerialSettings(path, SerialSettings{6, 0, 0, "11"}));
    EXPECT_FALSE(config->lastError().empty());
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(load(original), ConfigOpenResult::Applied);
    EXPECT_EQ(settings.comPort, 4);
}

// An entry needs a port number ("5" or "COM2") and a device; anything else is skipped.
TEST_F(ConfigFileTest, PortMapEntriesPointPortsAtDevices) {
    const std::string usb = "/dev/serial/by-id/usb-FTDI_A1-if00";
    ASSERT_EQ(load(document("<PortMap><Port Com=\"5\" Device=\"" + usb +
                            "\"/><Port Com=\"COM2\" Device=\"/dev/pts/7\"/><Port Com=\"3\"/><Port "
                            "Com=\"x4\" Device=\"/dev/ttyY\"/></PortMap>")),
              ConfigOpenResult::Applied);
    EXPECT_EQ(portMap.device(5), usb);
    EXPECT_EQ(portMap.device(2), "/dev/pts/7");
    EXPECT_EQ(portMap.device(3), PortMap().device(3));
    EXPECT_EQ(portMap.device(4), PortMap().device(4));
}

}  // namespace
}  // namespace qu32
