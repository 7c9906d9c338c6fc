// qu32-cli scan and ports in-process, on virtual time.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/Commands.h"
#include "cli/PortCommands.h"
#include "cli/ScanCommand.h"
#include "support/LinkFixture.h"

namespace qu32::test {
namespace {

struct Printed {
    int status = 0;
    std::string out;
    std::string err;
};

template <typename F>
Printed capture(F&& run) {
    char* text[2] = {};
    std::size_t size[2] = {};
    std::FILE* out = open_memstream(&text[0], &size[0]);
    std::FILE* err = open_memstream(&text[1], &size[1]);
    Printed p;
    p.status = run(out, err);
    std::fclose(out);
    std::fclose(err);
    p.out.assign(text[0], size[0]);
    p.err.assign(text[1], size[1]);
    std::free(text[0]);
    std::free(text[1]);
    return p;
}

class CliScan : public LinkFixture {
  protected:
    void SetUp() override {
        // The scan opens the port itself, with each combination's settings.
        port.setPortNumber(1);
    }
    void unitAt(const std::string& address, const std::string& line) {
        sim::LineFormat f;
        ASSERT_TRUE(sim::parseLineFormat(line, f));
        unit.setAddress(address);
        unit.setNormalLine(f);
    }
    Printed scan(cli::ScanCommandOptions options) {
        return capture([&](std::FILE* out, std::FILE* err) {
            return cli::runScanCommand(link, options, out, err);
        });
    }
};

TEST_F(CliScan, FindsTheUnitAndReportsProgressOnStandardError) {
    unitAt("11", "19200,o,7,1");
    const std::int64_t startMs = loop.nowMs();
    const Printed p = scan({{false, true, true}, 30, false});
    EXPECT_EQ(p.status, cli::kExitDone);
    EXPECT_EQ(p.out,
              "Unit setting: \nUnitnumber: 11\nSerial settings: 19200,o,7,1\n"
              "  (qu32-cli --port 1 --baud 19200 --format o,7,1 --unit 11)\n");
    EXPECT_NE(p.err.find("Scan step 1/30  elapsed 0.0 s  left 0.0 s  (unit 11, 38400,e,7,1)\n"),
              std::string::npos);
    EXPECT_NE(p.err.find("Scan step 13/30"), std::string::npos);
    EXPECT_EQ(p.err.find("Scan step 14/30"), std::string::npos) << "stops at the find";
    // Twelve silent probes of two reads each, with the shortened time-out.
    EXPECT_LT(loop.nowMs() - startMs, 12 * (2 * (30 + 50) + 20) + 500);
    EXPECT_EQ(link.answerTimeoutMs(), 1000) << "put back";
}

// --all goes on to the end of the list and prints every combination that answered.
TEST_F(CliScan, AllListsEveryAnsweringCombinationAndNothingIsNoConnection) {
    unitAt("12", "9600,e,7,1");
    Printed p = scan({{true, false, false}, 100, true});
    EXPECT_EQ(p.status, cli::kExitDone);
    EXPECT_EQ(p.out.find("Unitnumber: 12\n"), p.out.rfind("Unitnumber: "));
    EXPECT_NE(p.err.find("Scan step 81/81"), std::string::npos) << "went on to the end";

    // A line on which every request is answered: all three bauds are listed, in scan order.
    port.setResponder([](const Bytes&) {
        const Bytes answer = {0x02, '0', '0', '1', 0x03, '0' ^ '0' ^ '1' ^ 0x03};
        return std::vector<sim::Chunk>{{1.0, answer}};
    });
    p = scan({{false, true, false}, 100, true});
    EXPECT_EQ(p.status, cli::kExitDone);
    EXPECT_NE(p.out.find("38400,e,7,1\n"), std::string::npos);
    EXPECT_LT(p.out.find("38400,e,7,1\n"), p.out.find("19200,e,7,1\n"));
    EXPECT_LT(p.out.find("19200,e,7,1\n"), p.out.find("9600,e,7,1\n"));
    port.setResponder(nullptr);

    p = scan({{false, false, false}, 100, false});
    EXPECT_EQ(p.status, cli::kExitFailed);
    EXPECT_EQ(p.out, "");
    EXPECT_NE(p.err.find("Scan step 1/1"), std::string::npos);
    EXPECT_NE(p.err.find("No connection\n"), std::string::npos);
}

class TwoDevices : public PortLister {
  public:
    std::optional<std::vector<SerialDeviceInfo>> listDevices() override {
        SerialDeviceInfo a, b, c;
        a.device = "/dev/ttyS0";
        b.device = "/dev/ttyUSB0";
        b.problem = DeviceProblem::NoPermission;
        b.owningGroup = "dialout";
        c.device = "/dev/ttyUSB7";
        return std::vector<SerialDeviceInfo>{a, b, c};
    }
};

TEST_F(CliScan, PortsExplainsEachPort) {
    TwoDevices lister;
    PortMap portMap;
    port.setExistingPorts({1, 13});
    const Printed p = capture([&](std::FILE* out, std::FILE*) {
        return cli::runPortsCommand(lister, portMap, port, out);
    });
    EXPECT_EQ(p.status, cli::kExitDone);
    EXPECT_EQ(p.out,
              "COM1: /dev/ttyS0  [usable]\n"
              "COM5: /dev/ttyUSB0\n"
              "  COM5 is not usable: no permission to open /dev/ttyUSB0 (it belongs to group "
              "dialout); run: sudo usermod -aG dialout $USER, then log in again\n"
              "COM13: /dev/ttyUSB7  [usable]\n"
              "COM13 is a number given for this listing only; --port 13=/dev/ttyUSB7 keeps it\n");
}

}  // namespace
}  // namespace qu32::test
