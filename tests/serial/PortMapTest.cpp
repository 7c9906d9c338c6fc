#include "serial/PortMap.h"

#include <gtest/gtest.h>

namespace qu32 {
namespace {

TEST(PortMapTest, DefaultsCoverOnBoardUsbAndAcmPorts) {
    const PortMap map;
    struct Case {
        int com;
        const char* device;  // nullptr: unmapped
    };
    const Case cases[] = {
        {1, "/dev/ttyS0"},   {4, "/dev/ttyS3"},    {5, "/dev/ttyUSB0"}, {8, "/dev/ttyUSB3"},
        {9, "/dev/ttyACM0"}, {12, "/dev/ttyACM3"}, {13, nullptr},       {15, nullptr},
        {0, nullptr},        {16, nullptr},        {-1, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.com);
        const auto device = map.device(c.com);
        if (c.device == nullptr) {
            EXPECT_FALSE(device.has_value());
        } else {
            ASSERT_TRUE(device.has_value());
            EXPECT_EQ(*device, c.device);
        }
    }
    EXPECT_EQ(map.entries().size(), 12u);
}

TEST(PortMapTest, OverridesReplaceAddAndRemoveMappings) {
    PortMap map;
    ASSERT_TRUE(map.set(5, "/dev/serial/by-id/usb-adapter"));
    ASSERT_TRUE(map.set(15, "/dev/pts/7"));
    ASSERT_TRUE(map.set(1, ""));  // an empty device unmaps

    EXPECT_EQ(map.device(5), "/dev/serial/by-id/usb-adapter");
    EXPECT_EQ(map.device(15), "/dev/pts/7");
    EXPECT_FALSE(map.device(1).has_value());

    const auto entries = map.entries();
    ASSERT_EQ(entries.size(), 12u);
    EXPECT_EQ(entries.front(), (PortMap::Entry{2, "/dev/ttyS1"}));
    EXPECT_EQ(entries.back(), (PortMap::Entry{15, "/dev/pts/7"}));
    for (std::size_t i = 1; i < entries.size(); ++i)
        EXPECT_LT(entries[i - 1].com, entries[i].com);
}

TEST(PortMapTest, SetRefusesNumbersOutsideTheRange) {
    PortMap map;
    for (int com : {0, 16, -3}) {
        SCOPED_TRACE(com);
        EXPECT_FALSE(map.set(com, "/dev/null"));
        EXPECT_NE(map.lastError().find("COM " + std::to_string(com)), std::string::npos);
    }
    EXPECT_FALSE(map.set(3, std::string(PortMap::kMaxDeviceLength + 1, 'x')));
    EXPECT_EQ(map.device(3), "/dev/ttyS2");
}

TEST(PortMapTest, ParsesOverrides) {
    struct Case {
        const char* text;
        int com;
        const char* device;
    };
    const Case cases[] = {
        {"5=/dev/pts/7", 5, "/dev/pts/7"},
        {"15=/dev/ttyUSB9", 15, "/dev/ttyUSB9"},
        {"COM1=/dev/pts/0", 1, "/dev/pts/0"},
        {"com12=/dev/a=b", 12, "/dev/a=b"},  // only the first '=' separates
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        PortMap map;
        int com = 0;
        std::string device;
        ASSERT_TRUE(map.parseOverride(c.text, com, device)) << map.lastError();
        EXPECT_EQ(com, c.com);
        EXPECT_EQ(device, c.device);
    }
}

TEST(PortMapTest, RejectsMalformedOverridesWithAReason) {
    struct Case {
        const char* text;
        const char* reasonPart;
    };
    const Case cases[] = {
        {"/dev/pts/7", "expected NUMBER=DEVICE"},
        {"", "expected NUMBER=DEVICE"},
        {"=/dev/pts/7", "is not a port number"},
        {"x5=/dev/pts/7", "'x5' is not a port number"},
        {"5x=/dev/pts/7", "'5x' is not a port number"},
        {"COM=/dev/pts/7", "is not a port number"},
        {"99999999999=/dev/pts/7", "is not a port number"},
        {"0=/dev/pts/7", "COM 0 is not a port number from 1 to 15"},
        {"16=/dev/pts/7", "COM 16 is not a port number from 1 to 15"},
        {"5=", "no device given for COM 5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        PortMap map;
        int com = -7;
        std::string device = "untouched";
        EXPECT_FALSE(map.parseOverride(c.text, com, device));
        EXPECT_NE(map.lastError().find(c.reasonPart), std::string::npos) << map.lastError();
        EXPECT_EQ(com, -7);
        EXPECT_EQ(device, "untouched");
    }
}

TEST(PortMapTest, ApplyOverrideChangesTheMapOnlyWhenValid) {
    PortMap map;
    EXPECT_TRUE(map.applyOverride("2=/dev/pts/3"));
    EXPECT_EQ(map.device(2), "/dev/pts/3");
    EXPECT_FALSE(map.applyOverride("2:/dev/pts/4"));
    EXPECT_EQ(map.device(2), "/dev/pts/3");
}

}  // namespace
}  // namespace qu32
