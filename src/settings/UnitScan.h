#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/EventLoop.h"
#include "serial/SerialLink.h"
#include "unit/RegisterCodes.h"

namespace qu32 {

// What a scan tries besides the fixed choices: unit numbers 11..99, the three baud rates, the
// ten formats. Bauds and formats are few enough for seconds; unit numbers take minutes.
struct ScanOptions {
    bool unitNumbers = false;
    bool bauds = true;
    bool formats = true;
};

// One combination to probe: the unit address and the port's settings string.
struct ScanEntry {
    std::string unitAddress;  // "23"
    std::string settings;     // "19200,o,7,1"
    bool operator==(const ScanEntry&) const = default;
};

// Unit by unit, within a unit baud by baud (fastest first), within a baud format by format.
// Units 10, 20, ... 90 are skipped; nothing ticked is the one probe 11 at 9600,e,7,1.
std::vector<ScanEntry> buildScanList(const ScanOptions& options);

// The pause before the second read of a probe.
inline constexpr int kProbeRetryPauseMs = 20;

// One probe on the link's port (its port number is kept): settings string set, port opened,
// register "00" read at the entry's address, once more after a short pause when that failed.
// The port is closed afterwards and the program's unit address left as it was. Any failure,
// the port not opening included, is no answer. `opened` is called once the port is set.
bool probeUnit(SerialLink& link, const ScanEntry& entry,
               const std::function<void()>& opened = nullptr);

enum class ScanState { Idle, Start, Running, Found, NotFound, Abort };

// The scan driven by its own timer, one probe per tick: Start requests it, the next tick builds
// the list and shortens the answer time-out, each following tick probes one entry, and the scan
// ends found, exhausted or aborted; the answer time-out is long again however it ends. The
// window follows through the hooks.
class UnitScan {
  public:
    static constexpr int kTickMs = 50;
    static constexpr int kScanAnswerTimeoutMs = 100;
    static constexpr int kRestingAnswerTimeoutMs = kDefaultAnswerTimeoutMs;

    explicit UnitScan(SerialLink& link);
    ~UnitScan();
    UnitScan(const UnitScan&) = delete;
    UnitScan& operator=(const UnitScan&) = delete;

    // Requests a scan with the options as they are on the first tick.
    void start();
    // Takes effect on the next tick; a probe that answers or was the last one wins over it.
    void abort();
    // Stops the timer (the window closes); the state is left alone.
    void stopTimer();

    ScanState state() const { return state_; }
    bool running() const { return state_ != ScanState::Idle; }
    const std::vector<ScanEntry>& entries() const { return entries_; }
    std::size_t position() const { return position_; }
    Timer& timer() { return *timer_; }

    ScanOptions options;

    // The first tick, with the list built.
    std::function<void()> started;
    // Before each probe: the position from 0 and the list length.
    std::function<void(std::size_t position, std::size_t total)> stepping;
    // During each probe, once the port is set to the entry's settings.
    std::function<void(const ScanEntry&)> probing;
    // The scan is over: the text for the log, and whether it was found or exhausted (not
    // aborted).
    std::function<void(const std::string& message, bool completed)> ended;
    // After every tick.
    std::function<void()> ticked;

  private:
    void onTick();
    void tick();
    void finish(const std::string& message, bool completed);

    SerialLink& link_;
    std::unique_ptr<Timer> timer_;
    ScanState state_ = ScanState::Idle;
    std::vector<ScanEntry> entries_;
    std::size_t position_ = 0;
    // A probe lets events through, this timer's ticks included; they must not start another.
    bool inTick_ = false;
};

// "Unit setting: ", "Unitnumber: 23", "Serial settings: 19200,o,7,1" on three lines.
std::string foundMessage(const ScanEntry& entry, const std::string& lineBreak);
inline constexpr char kNoConnection[] = "No connection";
inline constexpr char kScanAborted[] = "Abort scanning ...";

}  // namespace qu32
