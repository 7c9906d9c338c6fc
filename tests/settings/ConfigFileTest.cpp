#include "settings/ConfigFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Settings that no file case produces, so an untouched field is visible.
SerialSettings sentinelSettings() {
    SerialSettings s;
    s.comPort = 9;
    s.baudRateCode = 6;
    s.formatCode = 7;
    s.unitAddress = "42";
    return s;
}

bool operator==(const SerialSettings& a, const SerialSettings& b) {
    return a.comPort == b.comPort && a.baudRateCode == b.baudRateCode &&
           a.formatCode == b.formatCode && a.unitAddress == b.unitAddress;
}

class ConfigFileTest : public ::testing::Test {
  protected:
    // A test may leave the file write-protected; the folder must still go away.
    void TearDown() override {
        std::error_code ec;
        fs::permissions(path, fs::perms::owner_all, ec);
    }

    static void writeFile(const std::string& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    static std::string readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    // Loads `bytes` as the configuration file into the fixture's settings.
    ConfigOpenResult load(const std::string& bytes, ConfigFile* file = nullptr) {
        writeFile(path, bytes);
        return (file != nullptr ? *file : config).open(path, settings, company, portMap);
    }
    static std::string document(const std::string& groupContent) {
        return kLatin1Declaration + "<Qu32><Settings>" + groupContent + "</Settings></Qu32>";
    }

    test::TempFolder temp;
    const std::string folder = temp.path();
    const std::string path = temp.file(ConfigFile::kFileName);
    ConfigFile config;
    SerialSettings settings = sentinelSettings();
    CompanyInfo company;
    PortMap portMap;
};

TEST_F(ConfigFileTest, FirstStartWritesTheDefaultFileWhichReadsAndSavesBackByteForByte) {
    EXPECT_EQ(config.open(path, settings, company, portMap), ConfigOpenResult::DefaultWritten);
    EXPECT_EQ(readFile(path), kDefaultFile);
    EXPECT_TRUE(settings == sentinelSettings());  // the start values stay for this run
    EXPECT_EQ(company.titleText, "");

    // At exit the new file's Serial element takes the settings of the run.
    settings.comPort = 4;
    EXPECT_TRUE(config.saveSerialSettings(path, settings));
    std::string expected = kDefaultFile;
    const std::string before = "ComPort=\"Com1\" Baud=\"9600\" Setting=\"e,7,1\" UnitId=\"11\"";
    expected.replace(expected.find(before), before.size(),
                     "ComPort=\"Com4\" Baud=\"38400\" Setting=\"o,8,1\" UnitId=\"42\"");
    EXPECT_EQ(readFile(path), expected);
    EXPECT_FALSE(fs::exists(path + ConfigFile::kTempSuffix));

    // The default file read at the next start gives the default settings and company texts.
    settings = sentinelSettings();
    ConfigFile next;
    ASSERT_EQ(load(kDefaultFile, &next), ConfigOpenResult::Applied);
    EXPECT_TRUE(settings == SerialSettings{});
    EXPECT_EQ(company.titleText + "|" + company.iconFile + "|" + company.logo,
              "QU 3.2 nimbus|QU3002B.ICO|zorvane_f");
    EXPECT_TRUE(next.saveSerialSettings(path, settings));
    EXPECT_EQ(readFile(path), kDefaultFile);
}

TEST_F(ConfigFileTest, SerialAttributeValuesAndTheirFallbacks) {
    // Start values 9 / 6 / 7 / "42": a field keeps them when its attribute is absent. The port
    // number starts at the fourth character.
    const std::tuple<const char*, int, int, int, const char*> cases[] = {
        {"ComPort=\"com3\"", 3, 6, 7, "42"},    {"ComPort=\"COM3\"", 3, 6, 7, "42"},
        {"ComPort=\"Com15\"", 15, 6, 7, "42"},  {"ComPort=\"COM015\"", 15, 6, 7, "42"},
        {"ComPort=\"COM16\"", 1, 6, 7, "42"},   {"ComPort=\"COM0\"", 1, 6, 7, "42"},
        {"ComPort=\"COM\"", 1, 6, 7, "42"},     {"ComPort=\"Port2\"", 1, 6, 7, "42"},
        {"ComPort=\"COM1234\"", 1, 6, 7, "42"}, {"ComPort=\"COMx\"", 1, 6, 7, "42"},
        {"ComPort=\"xCOM5\"", 1, 6, 7, "42"},   {"Baud=\"19200\"", 9, 5, 7, "42"},
        {"Baud=\"38400\"", 9, 6, 7, "42"},      {"Baud=\"9600\"", 9, 0, 7, "42"},
        {"Baud=\"4800\"", 9, 0, 7, "42"},       {"Baud=\"\"", 9, 0, 7, "42"},
        {"Setting=\"n,8,2\"", 9, 6, 9, "42"},   {"Setting=\"o,7,1\"", 9, 6, 2, "42"},
        {"Setting=\"e,8,2\"", 9, 6, 0, "42"},   {"Setting=\"E,7,1\"", 9, 6, 0, "42"},
        {"UnitId=\"07\"", 9, 6, 7, "07"},       {"UnitId=\"5\"", 9, 6, 7, "11"},
        {"UnitId=\"ab\"", 9, 6, 7, "11"},       {"UnitId=\"123\"", 9, 6, 7, "11"},
        {"Unknown=\"3\"", 9, 6, 7, "42"},       {"", 9, 6, 7, "42"}};
    for (const auto& [attributes, port, baud, format, unit] : cases) {
        SCOPED_TRACE(attributes);
        settings = sentinelSettings();
        ConfigFile fresh;
        ASSERT_EQ(load(document(std::string("<Serial ") + attributes + "/>"), &fresh),
                  ConfigOpenResult::Applied);
        EXPECT_EQ(std::tie(settings.comPort, settings.baudRateCode, settings.formatCode,
                           settings.unitAddress),
                  std::make_tuple(port, baud, format, std::string(unit)));
    }
}

TEST_F(ConfigFileTest, GroupElementsApplyInOrderWhateverTheGroupIsCalled) {
    const std::string bytes = kLatin1Declaration +
                              "<Qu32><!-- site B --><Group>"
                              "<Serial ComPort=\"COM2\" Baud=\"19200\"/>"
                              "<Company Firma=\"M\xFCller\" Icon=\"a.ico\"/>"
                              "<Serial ComPort=\"COM5\" UnitId=\"03\"/>"
                              "</Group><Settings><Serial ComPort=\"COM7\"/></Settings></Qu32>";
    ASSERT_EQ(load(bytes), ConfigOpenResult::Applied);
    EXPECT_EQ(std::tie(settings.comPort, settings.baudRateCode, settings.unitAddress),
              std::make_tuple(5, 5, std::string("03")));
    // Without a title attribute the message boxes still get one.
    EXPECT_EQ(
        company.titleText + "|" + company.companyName + "|" + company.iconFile + "|" + company.logo,
        "QU 3.2|M\xFCller|a.ico|");
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
    EXPECT_TRUE(config.saveSerialSettings(path, settings));
    EXPECT_EQ(
        readFile(path),
        kLatin1Declaration +
            "\r\n<!-- kept -->\r\n<Qu32 Site=\"3\">\r\n"
            "  <Settings Product=\"Qu32_nimbus\" Extra=\"x\">\r\n"
            "    <Serial Baud=\"9600\" Note=\"\xE4\" ComPort=\"COM2\" Setting=\"e,7,1\" />\r\n"
            "    <Plant Line=\"2\">\r\n      <Hall>North</Hall>\r\n    </Plant>\r\n"
            "  </Settings>\r\n</Qu32>\r\n");
}

TEST_F(ConfigFileTest, TextsOfAUtf8FileAreReadAndSavedAsLatin1) {
    ASSERT_EQ(load("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
                   "<Qu32><Settings><Company QuVersion=\"Z\xC3\xA4hler\" Logo=\"\xE2\x82\xAC\"/>"
                   "<Serial UnitId=\"12\"/></Settings></Qu32>"),
              ConfigOpenResult::Applied);
    EXPECT_EQ(company.titleText, "Z\xE4hler");
    EXPECT_EQ(company.logo, "?");  // no Latin-1 character for it

    ASSERT_TRUE(config.saveSerialSettings(path, settings));
    const std::string saved = readFile(path);
    EXPECT_EQ(saved.rfind(kLatin1Declaration, 0), 0u);
    EXPECT_NE(saved.find("QuVersion=\"Z\xE4hler\""), std::string::npos);
}

TEST_F(ConfigFileTest, UnusableFileOrMissingFolderAppliesNothingAndSavesNothing) {
    writeFile(folder + "/plain", "x");
    const std::string cases[] = {
        kLatin1Declaration + "\r\n<Qu32><Settings><Serial ComPort=\"COM4\"/></Setings></Qu32>", "",
        "<Qu32><Settings><Serial ComPort=\"COM4\" Baud=19200/></Settings></Qu32>"};
    for (const std::string& bytes : cases) {
        SCOPED_TRACE(bytes);
        ConfigFile fresh;
        EXPECT_EQ(load(bytes, &fresh), ConfigOpenResult::Unreadable);
        EXPECT_EQ(fresh.lastError().rfind("Error code = ", 0), 0u) << fresh.lastError();
        EXPECT_FALSE(fresh.saveSerialSettings(path, SerialSettings{}));
        EXPECT_EQ(readFile(path), bytes);
    }
    for (const std::string& missing :
         {folder + "/gone/" + ConfigFile::kFileName, folder + "/plain/" + ConfigFile::kFileName}) {
        SCOPED_TRACE(missing);
        ConfigFile fresh;
        EXPECT_EQ(fresh.open(missing, settings, company, portMap),
                  ConfigOpenResult::DefaultNotWritten);
        EXPECT_FALSE(fresh.lastError().empty());
        EXPECT_FALSE(fresh.saveSerialSettings(missing, settings));
        EXPECT_FALSE(fs::exists(missing));
    }
    EXPECT_TRUE(settings == sentinelSettings());
}

TEST_F(ConfigFileTest, FailedSaveLeavesTheOldFileIntact) {
    ASSERT_EQ(load(kDefaultFile), ConfigOpenResult::Applied);
    settings.comPort = 6;

    // Even root cannot open a folder as the temporary file.
    fs::create_directory(path + ConfigFile::kTempSuffix);
    EXPECT_FALSE(config.saveSerialSettings(path, settings));
    EXPECT_FALSE(config.lastError().empty());
    EXPECT_EQ(readFile(path), kDefaultFile);
    EXPECT_TRUE(fs::is_directory(path + ConfigFile::kTempSuffix));
    fs::remove(path + ConfigFile::kTempSuffix);

    // A write-protected file stays as the operator left it.
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read);
    EXPECT_FALSE(config.saveSerialSettings(path, settings));
    EXPECT_EQ(readFile(path), kDefaultFile);

    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_TRUE(config.saveSerialSettings(path, settings));
    EXPECT_NE(readFile(path).find("ComPort=\"Com6\""), std::string::npos);
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
}

TEST_F(ConfigFileTest, PortMapIsReadAndKeptOnceOnSave) {
    const std::string usb = "/dev/serial/by-id/usb-FTDI_A1-if00";
    ASSERT_EQ(load(document("<Serial ComPort=\"COM5\"/><PortMap><Port Com=\"5\" Device=\"" + usb +
                            "\"/><Port Com=\"COM2\" Device=\"/dev/pts/7\"/><Port Com=\"16\" "
                            "Device=\"/dev/ttyX\"/><Port Com=\"3\"/><Port Com=\"x4\" "
                            "Device=\"/dev/ttyY\"/></PortMap>")),
              ConfigOpenResult::Applied);
    EXPECT_EQ(portMap.device(5), usb);
    EXPECT_EQ(portMap.device(2), "/dev/pts/7");
    EXPECT_EQ(portMap.device(3), PortMap().device(3));
    EXPECT_EQ(portMap.device(4), PortMap().device(4));

    // Command-line overrides live in the map only; the file keeps what it said, once.
    portMap.set(1, "/dev/pts/9");
    ASSERT_TRUE(config.saveSerialSettings(path, settings));
    const std::string saved = readFile(path);
    EXPECT_EQ(saved.find("/dev/pts/9"), std::string::npos);
    EXPECT_NE(saved.find("<PortMap>"), std::string::npos);
    EXPECT_EQ(saved.find("<PortMap>"), saved.rfind("<PortMap>"));
    PortMap reread;
    ConfigFile again;
    EXPECT_EQ(again.open(path, settings, company, reread), ConfigOpenResult::Applied);
    EXPECT_EQ(reread.device(5), usb);
    EXPECT_EQ(reread.device(1), PortMap().device(1));
}

}  // namespace
}  // namespace qu32
