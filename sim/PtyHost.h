#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "sim/SimUnit.h"

namespace qu32::sim {

// Runs a simulated unit behind a pseudo-terminal, on a thread of its own, so that a program can
// open the slave side like a serial port. Bytes from the PC reach the unit after their wire time,
// and the unit's answers are written back when they are due.
//
// Clients open a link to the terminal rather than the terminal itself: like the by-id link of a
// USB adapter, it keeps its name when the adapter is pulled and plugged again, while the terminal
// behind it comes back under another number.
//
// The pseudo-terminal is created by the constructor; check valid(). Control calls may come from
// any thread.
class PtyHost {
  public:
    explicit PtyHost(UnitModel model);
    ~PtyHost();
    PtyHost(const PtyHost&) = delete;
    PtyHost& operator=(const PtyHost&) = delete;

    // False when the pseudo-terminal could not be made, and while the adapter is pulled.
    bool valid() const { return masterFd_ >= 0; }
    std::string lastError() const;
    // The device a client opens: the link, or the terminal itself when no link could be made.
    std::string slavePath() const;
    // The terminal behind the link now, for example "/dev/pts/7"; empty while pulled.
    std::string terminalPath() const;

    // Starts serving; false when the pseudo-terminal could not be made or the thread is running.
    bool start();
    // Stops serving and joins the thread; answers still in flight are dropped.
    void stop();
    bool running() const { return running_; }

    // The USB adapter is pulled: the terminal hangs up and goes away, and so does the link. The
    // unit itself keeps its power and its state; what was on the line is lost.
    void pull();
    // The adapter comes back: a new terminal (usually under another number), the link pointing
    // at it, serving again if it served before. False, with lastError(), when it cannot.
    bool plug();
    bool pulled() const { return pulled_; }

    // Power of the unit: off (silent) and on again (stored settings back).
    void unplug();
    void replug();
    // Swaps in the built-in model of that name; false (and nothing changes) for an unknown name.
    bool replaceModel(const std::string& name);
    bool injectFault(const Fault& fault);
    void clearFaults();
    // On: answers are delayed by wire time and turnaround, requests by their wire time.
    // Off: only the turnaround. On by default.
    void setWireTimeEmulation(bool on);

    // Runs `f` on the unit while the serving thread keeps away from it (set-up, inspection).
    void withUnit(const std::function<void(SimUnit&)>& f);

  private:
    bool openTerminal();
    void closeTerminal();
    void serve();
    void dropInFlight();

    SimUnit unit_;
    mutable std::mutex mutex_;  // guards unit_, the in-flight queues, the paths and error_
    int masterFd_ = -1;
    int slaveFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::string terminalPath_;
    std::string linkFolder_;
    std::string linkPath_;
    std::string error_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    std::atomic<int> dropGeneration_{0};
    std::atomic<bool> wireTime_{true};
    std::atomic<bool> pulled_{false};
    bool serveAfterPlug_ = false;
};

}  // namespace qu32::sim
