// The serial link: opening the port with the settings, and the transactions on it (what each
// makes of its answer, how the wait for it ends). The shape of answers is the scanner's
// (FramesTest).
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <tuple>

#include "sim/LineFormat.h"
#include "support/Answers.h"
#include "support/LinkFixture.h"

namespace qu32::test {
namespace {

using Link = LinkFixture;

// The baud-rate and format codes of the settings name the same lines as the unit's own codes
// (written apart from ours): with both set to the same codes, they talk.
TEST_F(Link, OpenPortTalksToAUnitSetToTheSameCodes) {
    for (int baudCode = 0; baudCode < kBaudRateCodeCount; ++baudCode) {
        for (int formatCode = 0; formatCode < kSerialFormatCount; ++formatCode) {
            unit.setNormalLine(*sim::withFormatCode({*sim::baudForCode(baudCode)}, formatCode));
            settings.baudRateCode = baudCode;
            settings.formatCode = formatCode;
            ASSERT_TRUE(link.openPort());
            EXPECT_EQ(readParam(link, "00"), Result::Ok) << baudCode << " " << formatCode;
        }
    }
    EXPECT_TRUE(observer.messages.empty());

    settings.unitAddress = "07";
    const std::tuple<int, int, const char*> panels[] = {
        {0, 0, "9600, 7, 1, E"}, {4, 3, "600, 7, 2, O"}, {6, 9, "38400, 8, 2, N"}};
    for (const auto& [baudCode, formatCode, panel] : panels) {
        settings.baudRateCode = baudCode;
        settings.formatCode = formatCode;
        ASSERT_TRUE(link.openPort());
        EXPECT_EQ(observer.serialSettings, std::string("COM 1 | Unit 07 | ") + panel);
    }
}

TEST_F(Link, SetSerialRefusesBadSettingsWithItsMessages) {
    const struct {
        int com, baudCode, formatCode;
        std::string message;
    } cases[] = {
        {0, 0, 0, "No valid COM selected."},
        {16, 0, 0, "No valid COM selected."},
        {1, 7, 0, "7 is an invalid baud rate."},
        {1, -1, 0, "-1 is an invalid baud rate."},
        {1, 0, 10, "10 is an invalid serial format."},
        {3, 0, 0, "Unable to open COM 3\rCOM 3: no such device"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(link.openPort());
        settings.comPort = c.com;
        settings.baudRateCode = c.baudCode;
        settings.formatCode = c.formatCode;
        observer.messages.clear();
        EXPECT_FALSE(link.openPort()) << c.message;
        EXPECT_EQ(settings.comPort, -1);
        ASSERT_EQ(observer.messages.size(), 1u);
        EXPECT_EQ(observer.messages[0].text, c.message);
        EXPECT_EQ(observer.messages[0].buttons, MsgButtons::OkCancel);
        EXPECT_EQ(observer.messages[0].icon, MsgIcon::Exclamation);
        EXPECT_EQ(observer.serialSettings, "");
        settings = SerialSettings{};
    }
}

TEST_F(Link, ConfigurePortRefusesWhatTheLineCannotDo) {
    EXPECT_TRUE(link.configurePort(1, 9600, 7, 1, kParityEven));
    EXPECT_FALSE(link.configurePort(1, 14400, 7, 1, kParityEven));
    EXPECT_FALSE(link.configurePort(1, 9600, 6, 1, kParityEven));
    EXPECT_FALSE(link.configurePort(1, 9600, 7, 3, kParityEven));
    EXPECT_FALSE(link.configurePort(1, 9600, 7, 1, 16));
    EXPECT_EQ(settings.comPort, 1) << "a refused setting does not deselect the port";
    EXPECT_FALSE(link.configurePort(0, 9600, 7, 1, kParityEven));
    EXPECT_EQ(settings.comPort, -1);
}

TEST_F(Link, WaitPassesTimeAndKeepsEventsFlowing) {
    int ticks = 0;
    auto timer = loop.createTimer();
    timer->setInterval(30);
    timer->setOnTick([&] { ++ticks; });
    timer->setEnabled(true);
    const auto start = loop.nowMs();
    loop.wait(-200);
    EXPECT_EQ(loop.nowMs() - start, 200);
    EXPECT_EQ(ticks, 6);
}

// As with the real timer, switching on a running timer starts its interval again; switching
// it on twice in a row must not let the first tick come early.
TEST_F(Link, SwitchingOnARunningTimerRestartsItsInterval) {
    std::vector<std::int64_t> tickedAtMs;
    auto timer = loop.createTimer();
    timer->setInterval(100);
    timer->setOnTick([&] { tickedAtMs.push_back(loop.nowMs()); });
    timer->setEnabled(true);
    loop.runFor(60);
    timer->setEnabled(true);
    loop.runFor(200);
    timer->setInterval(50);  // a new interval also counts from now
    loop.runFor(75);
    EXPECT_EQ(tickedAtMs, (std::vector<std::int64_t>{160, 260, 310}));
}

using Transactions = LinkFixture;

// Cuts a frame into pieces at the given offsets.
std::vector<Bytes> split(const Bytes& f, std::vector<std::size_t> cuts) {
    std::vector<Bytes> out;
    std::size_t from = 0;
    cuts.push_back(f.size());
    for (auto to : cuts) {
        out.emplace_back(f.begin() + from, f.begin() + to);
        from = to;
    }
    return out;
}

TEST_F(Transactions, EachTakesItsDataFromTheAnswer) {
    std::string text;
    ASSERT_EQ(link.writeRegister("05", "4321"), Result::Ok);
    ASSERT_EQ(link.readRegister("05", text), Result::Ok);
    EXPECT_EQ(text, "4321");
    // The caller sizes the value it expects; a longer answer is not ours to take.
    answerWith(port, {answerFrame("05", "123456789")});
    EXPECT_EQ(link.readRegister("05", text, 9), Result::Ok);
    EXPECT_EQ(link.readRegister("05", text, 8), Result::InternalFault);
    EXPECT_EQ(text, "");
    // The usual text is twelve characters: an answer that fills it exactly is taken whole, one
    // character more is refused (wide fields are read at start-up with the default bound).
    answerWith(port, {answerFrame("05", "+12345678901")});
    EXPECT_EQ(link.readRegister("05", text), Result::Ok);
    EXPECT_EQ(text, "+12345678901");
    answerWith(port, {answerFrame("05", "+123456789012")});
    EXPECT_EQ(link.readRegister("05", text), Result::InternalFault);
    EXPECT_EQ(text, "");

    for (const auto& [data, version] : {std::pair{"TQ593V12xyz", "TQ593V12"}, {"AB", "AB      "}}) {
        answerWith(port, {answerFrame("99", data)});
        ASSERT_EQ(link.readVersion("99", text), Result::Ok);
        EXPECT_EQ(text, version);
    }
    answerWith(port, {Bytes{kNak}});
    EXPECT_EQ(link.readVersion("99", text), Result::NotStx);
    EXPECT_EQ(text, "");

    std::int16_t word = 99;
    for (const auto& [data, expected] :
         {std::pair{"H00", 0}, {"H0F", 15}, {"H7FFF", 32767}, {"H8001", -32767}, {"HFFFF", -1}}) {
        answerWith(port, {answerFrame("86", data)});
        ASSERT_EQ(link.readStatus("86", word), Result::Ok) << data;
        EXPECT_EQ(word, expected) << data;
    }
    answerWith(port, {answerFrame("86", "H0f")});  // capitals only
    EXPECT_EQ(link.readStatus("86", word), Result::BadStatusDigit);
    EXPECT_EQ(word, -1);

    // Blocks carry bytes of any value, so the PC reads them at 8 bits.
    ASSERT_TRUE(link.configurePort(1, 9600, 8, 1, kParityEven));
    std::vector<std::int32_t> values;
    answerWith(port, {blockFrame("9<", {0x80, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFE, 0x12, 0x34})});
    EXPECT_EQ(link.readLongBlock("9<", values), Result::Ok);
    // The two bytes past the last whole value are ignored.
    EXPECT_EQ(values, (std::vector<std::int32_t>{INT32_MIN, -2}));
    // 502 values fit the receive buffer but not the value table.
    answerWith(port, {blockFrame("9=", Bytes(4 * 502, 1))});
    EXPECT_EQ(link.readLongBlock("9=", values), Result::InternalFault);
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(link.lastError().description,
              "Internal fault: the answer does not fit its buffer. Block of 502 values exceeds "
              "the value table.");
    answerWith(port, {blockFrame("9=", Bytes(4 * 501, 1))});
    EXPECT_EQ(link.readLongBlock("9=", values), Result::Ok);
    EXPECT_EQ(values.size(), 501u);
}

TEST_F(Transactions, EveryFailureIsReportedUnderTheTransactionsName) {
    std::string text;
    std::int16_t word = 0;
    Bytes bytes;
    std::vector<std::int32_t> values;
    const std::pair<std::function<Result()>, const char*> calls[] = {
        {[&] { return link.readRegister("00", text); }, "Serial.Read_Parameter"},
        {[&] { return link.readVersion("99", text); }, "Serial.Read_Version"},
        {[&] { return link.readStatus("86", word); }, "Read_Status"},
        {[&] { return link.writeRegister("05", "1"); }, "Transmit_Parameter"},
        {[&] { return link.setUnitFormat("9>"); }, "Set_UnitFormat"},
        {[&] { return link.readByteBlock("9a", bytes); }, "Read_IntData"},
        {[&] { return link.readLongBlock("9<", values); }, "Read_LongData"},
    };
    // A closed port fails before anything is sent; a silent unit after the time-out.
    port.close();
    port.clearWritten();
    for (const Result expected : {Result::PortNotOpen, Result::TimeoutHeader}) {
        for (const auto& [call, source] : calls) {
            EXPECT_EQ(call(), expected) << source;
            EXPECT_EQ(link.lastError().result, expected);
            EXPECT_EQ(link.lastError().description, messageOf(expected));
            EXPECT_EQ(link.lastError().source, source);
        }
        EXPECT_EQ(port.written().empty(), expected == Result::PortNotOpen);
        ASSERT_TRUE(link.openPort());
        unit.unplug();
        link.setAnswerTimeoutMs(100);
    }
}

TEST_F(Transactions, SilenceEndsTheWaitAfterOneIntervalWithoutAByte) {
    unit.unplug();
    auto start = loop.nowMs();
    EXPECT_EQ(readParam(link, "00"), Result::TimeoutHeader);
    EXPECT_GE(loop.nowMs() - start, 1000);
    EXPECT_LE(loop.nowMs() - start, 1050);
    start = loop.nowMs();
    EXPECT_EQ(link.writeRegister("05", "1"), Result::TimeoutHeader);
    EXPECT_GE(loop.nowMs() - start, 1000);
    EXPECT_LE(loop.nowMs() - start, 1100);

    // The interval restarts with every byte: an answer trickling in 900 ms apart still succeeds.
    answerWith(port, split(answerFrame("00", "1"), {3, 4, 5}), 900);
    EXPECT_EQ(readParam(link, "00"), Result::Ok);
    link.setAnswerTimeoutMs(100);
    answerWith(port, split(answerFrame("00", "1"), {3}), 150);
    EXPECT_EQ(readParam(link, "00"), Result::TimeoutHeader);
}

TEST_F(Transactions, AVerdictEndsTheWaitAtOnce) {
    // 5 ms after the request has arrived; not at the end of a wait step, nor at the time-out.
    answerWith(port, {answerFrame("00", "1")});
    double start = loop.nowMsExact();
    EXPECT_EQ(readParam(link, "00"), Result::Ok);
    EXPECT_NEAR(loop.nowMsExact() - start, sim::wireTimeMs(6, port.line()) + 5, 0.01);
    answerWith(port, {Bytes{kNak}});
    start = loop.nowMsExact();
    EXPECT_EQ(link.writeRegister("05", "1"), Result::NotAcknowledged);
    EXPECT_NEAR(loop.nowMsExact() - start, sim::wireTimeMs(9, port.line()) + 5, 0.01);
}

TEST_F(Transactions, StaleBytesNeverReachTheNextTransaction) {
    // A late answer arrives while nobody waits: the notification throws it away.
    port.injectBytes(answerFrame("00", "7"), 10);
    loop.runFor(20);
    EXPECT_EQ(port.bytesWaiting(), 0);
    std::string value;
    ASSERT_EQ(readParam(link, "00", &value), Result::Ok);
    EXPECT_EQ(value, "1");  // the unit's own value, not the stale 7
}

TEST_F(Transactions, ASecondTransactionDuringAWaitIsRefusedAndTheFirstGoesOn) {
    Result nested = Result::Ok;
    loop.postAfter(1, [&] { nested = readParam(link, "01"); });
    std::string value;
    ASSERT_EQ(readParam(link, "00", &value), Result::Ok);
    EXPECT_EQ(value, "1");
    EXPECT_EQ(nested, Result::InternalFault);
    // The refusal is the intruder's, not a failure of the transaction that was waiting.
    EXPECT_EQ(link.lastError().result, Result::Ok);
}

// A request whose answer could not wake the transaction is not sent at all.
TEST(TransactionWithoutWakeUp, FailsBeforeSending) {
    struct NoWakeLoop : VirtualEventLoop {
        std::unique_ptr<WakeEvent> createWakeEvent() override { return nullptr; }
    } loop;
    sim::SimUnit unit(*sim::findModel("generic"));
    SimSerialPort port(loop, unit);
    SerialSettings settings;
    RecordingObserver observer;
    SerialLink link(port, loop, settings, observer);
    ASSERT_TRUE(link.openPort());
    EXPECT_EQ(readParam(link, "00"), Result::NoWakeEvent);
    EXPECT_EQ(link.lastError().source, "Serial.Read_Parameter");
    EXPECT_TRUE(port.written().empty());
}

TEST_F(Transactions, BlockProgressShowsEachArrivalAfterTheHeaderAndLeavesOnEveryWayOut) {
    // Blocks carry bytes of any value (ETX and STX among them), so the PC reads them at 8 bits.
    ASSERT_TRUE(link.configurePort(1, 9600, 8, 1, kParityEven));
    Bytes data(1200);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + 3);
    const Bytes f = blockFrame("9a", data);
    std::vector<Bytes> cutShort = split(f, {6, 40});
    cutShort.pop_back();
    const struct {
        std::vector<Bytes> pieces;
        double gapMs;
        Result result;
        std::vector<std::string> transfers;
    } cases[] = {
        {split(f, {512}), 5, Result::Ok, {"1207/1207", "done"}},
        // The header may come with only part of the data; progress then shows each arrival.
        {split(f, {6, 512}), 5, Result::Ok, {"512/1207", "1207/1207", "done"}},
        // A pause in the data longer than the time-out takes the progress off the screen too.
        {cutShort, 500, Result::TimeoutData, {"40/1207", "done"}},
    };
    for (const auto& c : cases) {
        answerWith(port, c.pieces, c.gapMs);
        observer.transfers.clear();
        Bytes read{1};
        EXPECT_EQ(link.readByteBlock("9a", read), c.result);
        EXPECT_EQ(read, c.result == Result::Ok ? data : Bytes{});
        EXPECT_EQ(observer.transfers, c.transfers);
    }
    // A fault's detail goes with its message.
    Bytes badCheck = blockFrame("9a", Bytes(10, 'x'));
    badCheck.back() ^= 0x40;
    answerWith(port, {badCheck});
    EXPECT_EQ(link.readByteBlock("9a", data), Result::BadBlockCheck);
    EXPECT_EQ(link.lastError().description, "BCC incorrect. - DataLength = 10; Calc BCC = " +
                                                std::to_string(badCheck.back() ^ 0x40));
}

}  // namespace
}  // namespace qu32::test
