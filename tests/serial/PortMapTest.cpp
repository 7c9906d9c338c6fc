#include "serial/PortMap.h"

#include <gtest/gtest.h>

namespace qu32 {
namespace {

TEST(PortMapTest, DefaultsCoverOnBoardUsbAndAcmPortsAndCanBeChanged) {
    PortMap map;
    const std::pair<int, const char*> defaults[] = {
        {1, "/dev/ttyS0"},
        {4, "/dev/ttyS3"},
        {5, "/dev/ttyUSB0"},
        {8, "/dev/ttyUSB3"},
        {9, "/dev/ttyACM0"},
        {12, "/dev/ttyACM3"},
        {13, ""},
        {0, ""},
        {16, ""},
    };
    for (const auto& [com, device] : defaults)
        EXPECT_EQ(map.device(com).value_or(""), device) << com;

    ASSERT_TRUE(map.set(5, "/dev/serial/by-id/usb-adapter"));
    ASSERT_TRUE(map.set(15, "/dev/pts/7"));
    ASSERT_TRUE(map.set(1, ""));  // an empty device unmaps
    for (int com : {0, 16}) {
        EXPECT_FALSE(map.set(com, "/dev/null"));
        EXPECT_NE(map.lastError().find("COM " + std::to_string(com)), std::string::npos);
    }
    EXPECT_FALSE(map.set(3, std::string(PortMap::kMaxDeviceLength + 1, 'x')));
    EXPECT_EQ(map.device(3), "/dev/ttyS2");
    EXPECT_EQ(map.device(5), "/dev/serial/by-id/usb-adapter");
    EXPECT_FALSE(map.device(1));
    const auto entries = map.entries();
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries.front(), (PortMap::Entry{2, "/dev/ttyS1"}));
    EXPECT_EQ(entries.back(), (PortMap::Entry{15, "/dev/pts/7"}));
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_LT(entries[i - 1].com, entries[i].com);
}

TEST(PortMapTest, OverridesAreParsedOrRefusedWithAReason) {
    const struct {
        const char* text;
        int com;               // 0: refused
        const char* expected;  // the device, or part of the reason for refusing
    } cases[] = {
        {"5=/dev/pts/7", 5, "/dev/pts/7"},
        {"COM1=/dev/pts/0", 1, "/dev/pts/0"},
        {"com12=/dev/a=b", 12, "/dev/a=b"},  // only the first '=' separates
        {"/dev/pts/7", 0, "expected NUMBER=DEVICE"},
        {"=/dev/pts/7", 0, "is not a port number"},
        {"x5=/dev/pts/7", 0, "'x5' is not a port number"},
        {"5x=/dev/pts/7", 0, "'5x' is not a port number"},
        {"99999999999=/dev/pts/7", 0, "is not a port number"},
        {"0=/dev/pts/7", 0, "COM 0 is not a port number from 1 to 15"},
        {"16=/dev/pts/7", 0, "COM 16 is not a port number from 1 to 15"},
        {"5=", 0, "no device given for COM 5"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        PortMap map;
        int com = -7;
        std::string device = "untouched";
        const bool ok = c.com != 0;
        ASSERT_EQ(map.parseOverride(c.text, com, device), ok) << map.lastError();
        EXPECT_EQ(com, ok ? c.com : -7);
        EXPECT_EQ(device, ok ? c.expected : "untouched");
        EXPECT_TRUE(ok || map.lastError().find(c.expected) != std::string::npos) << map.lastError();
    }
    PortMap map;
    EXPECT_TRUE(map.applyOverride("2=/dev/pts/3"));
    EXPECT_FALSE(map.applyOverride("2:/dev/pts/4"));
    EXPECT_EQ(map.device(2), "/dev/pts/3");
}

}  // namespace
}  // namespace qu32
