#pragma once

// A fault soak of the whole program on virtual time: one seed gives one scenario, in which the
// simulated unit goes silent, loses power, is replaced, its adapter is pulled, its answers are
// corrupted, refused, split and late, at random moments of start-up, the description read and
// the operator's work (Read all, Transmit all, a parameter change, store, reset, inputs, a file
// saved onto a failing disk). Afterwards, and at the moments the program reports an outcome, it
// checks what must hold. Everything follows from the seed, so a failing seed is rerun from its
// number alone. Header only: the CTest run and the benchmark both include it.

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "mainwindow/MainWindow.h"
#include "parfiles/ParameterFile.h"
#include "sim/SimUnit.h"
#include "sim/UnitModel.h"
#include "support/ScriptedDialogs.h"
#include "support/SimSerialPort.h"
#include "support/TempFolder.h"
#include "support/VirtualEventLoop.h"
#include "unit/ValueEncoding.h"

namespace qu32::soak {

enum class Invariant {
    Crash,           // a fault escaped to the top
    Hang,            // one step of the window took longer than any exchange may
    NoRecovery,      // not polling within one pass once the line was back
    SilentPartial,   // a value the unit did not take, reported as taken
    ListNotUnit,     // after a Read all reported as done, the list differs from the unit
    HalfWritten,     // a parameter file that does not read back whole
    SilentSaveFail,  // a save that failed without a word
};
inline constexpr std::size_t kInvariantCount = 7;
inline constexpr std::array<const char*, kInvariantCount> kInvariantNames = {
    "crash",
    "hang",
    "no recovery",
    "silent partial transmit",
    "list differs after Read all",
    "half-written file",
    "silent save failure"};

struct Outcome {
    std::array<int, kInvariantCount> checks{};  // how often each was looked at
    std::array<int, kInvariantCount> violations{};
    std::vector<std::string> notes;  // what was violated, when
    // What the program did: every byte it wrote to the line, folded, and where virtual time ended.
    std::uint64_t wireHash = 0;
    double endMs = 0;
    bool ok() const {
        return std::all_of(violations.begin(), violations.end(), [](int n) { return n == 0; });
    }
};

namespace detail {

// Events per scenario, spread over this much virtual time.
inline constexpr int kEvents = 10;
inline constexpr double kFaultPhaseMs = 40000;
// No exchange, retries included, takes this long; a longer step is a hang.
inline constexpr double kMaxStepMs = 120000;
inline constexpr double kStepMs = 10;
// Start-up on a clean line never takes longer than this, whatever the model.
inline constexpr double kStartUpBoundMs = 25000;
// Once the line is back, the unit is found within one probe pass: the next look for a pulled
// adapter, a tick, and probes on both lines a unit may talk, each with its time-out. After that,
// start-up takes what it takes on a clean line.
inline constexpr double kFindUnitMs =
    kDeviceCheckIntervalMs + 2.0 * kMainTickMs + 3.0 * kProbeTimeoutMs;
// Before the faults start and before recovery is measured, the operator's last command ends.
inline constexpr double kSettleBoundMs = 60000;
// A disk that fails after this many bytes of a file.
inline constexpr rlim_t kFailingDiskBytes = 64;

inline const std::array<const char*, 2> kModels = {"tq593", "nt876"};
inline const std::array<const char*, 3> kReplacements = {"tq593", "nt876", "vm628"};

enum class Event {
    UnitSilent,
    AdapterPulled,
    PowerCycle,
    Replaced,
    BadBcc,
    Nak,
    SplitAnswer,
    LateAnswer,
    ReadAll,
    TransmitAll,
    ChangeParameter,
    Store,
    Reset,
    InputToggle,
    SaveOnFailingDisk,
    Reinitialise,
    Transmit,
};
inline constexpr int kEventKinds = 17;

class Scenario {
  public:
    explicit Scenario(std::uint32_t seed)
        : seed_(seed),
          rng_(seed),
          unit_(*sim::findModel(kModels[pick(kModels.size())])),
          port_(loop_, unit_),
          window_(port_, loop_, dialogs_, portMap_, folder_.path()) {
        window_.useConfigFile = false;
        signal(SIGXFSZ, SIG_IGN);  // a file over the limit fails its write instead
    }
    ~Scenario() { healDisk(); }

    Outcome run() {
        try {
            runScenario();
        } catch (const std::exception& e) {
            violate(Invariant::Crash, e.what());
        } catch (...) {
            violate(Invariant::Crash, "unknown exception");
        }
        healDisk();
        std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
        for (const std::uint8_t b : port_.written())
            hash = (hash ^ b) * 1099511628211ull;
        outcome_.wireHash = hash;
        outcome_.endMs = loop_.nowMsExact();
        return outcome_;
    }

  private:
    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

    void checked(Invariant what) { ++outcome_.checks[static_cast<std::size_t>(what)]; }
    void violate(Invariant what, const std::string& detail) {
        ++outcome_.violations[static_cast<std::size_t>(what)];
        outcome_.notes.push_back("seed " + std::to_string(seed_) + " at " +
                                 std::to_string(static_cast<long long>(loop_.nowMsExact())) +
                                 " ms: " + kInvariantNames[static_cast<std::size_t>(what)] + ": " +
                                 detail);
    }

    bool polling() const {
        const CycleState s = window_.state();
        return window_.descriptionLoaded && s != CycleState::Init && s != CycleState::Disabled &&
               s != CycleState::Closing;
    }

    // One step of virtual time; a step that never comes back is caught by the test's time-out.
    void step() {
        const double before = loop_.nowMsExact();
        loop_.runFor(kStepMs);
        if (loop_.nowMsExact() - before > kMaxStepMs && !hangSeen_) {
            hangSeen_ = true;
            violate(Invariant::Hang,
                    "a step took " + std::to_string(int(loop_.nowMsExact() - before)) + " ms");
        }
        afterStep();
    }
    template <typename Pred>
    bool runUntil(Pred done, double maxMs) {
        const double end = loop_.nowMsExact() + maxMs;
        while (!done()) {
            if (loop_.nowMsExact() >= end)
                return false;
            step();
        }
        return true;
    }

    void runScenario() {
        checked(Invariant::Crash);
        checked(Invariant::Hang);
        watchOutcomes();
        window_.load();
        if (!runUntil([&] { return polling(); }, kStartUpBoundMs)) {
            violate(Invariant::NoRecovery, "no start-up on a clean line");
            return;
        }
        // A file to save onto later.
        parPath_ = folder_.file("soak.par");
        dialogs_.chosenFiles.push_back(parPath_);
        dialogs_.comments.push_back("soak " + std::to_string(seed_));
        window_.commands.saveAsClicked();
        runUntil([&] { return !window_.scheduler.isBusy(); }, kSettleBoundMs);
        lastFile_ = readFile(parPath_);

        const double start = loop_.nowMsExact();
        std::vector<double> times;
        for (int i = 0; i < kEvents; ++i)
            times.push_back(start + std::uniform_real_distribution<double>(0, kFaultPhaseMs)(rng_));
        std::sort(times.begin(), times.end());
        for (double at : times) {
            const auto kind = static_cast<Event>(pick(kEventKinds));
            const int durationMs = between(200, 6000);
            loop_.postAt(at, [this, kind, durationMs] { fire(kind, durationMs); });
        }
        runUntil([] { return false; }, kFaultPhaseMs + 6500);

        // The line comes back whole; the operator's last command ends first.
        heal();
        runUntil([&] { return !window_.scheduler.isBusy(); }, kSettleBoundMs);
        runUntil([&] { return !window_.scheduler.isBusy(); }, kStepMs * 2);
        healDisk();
        checkFile();
        checked(Invariant::NoRecovery);
        const double boundMs = kFindUnitMs + cleanStartUpMs(unit_.model().name);
        if (!runUntil([&] { return polling(); }, boundMs)) {
            violate(Invariant::NoRecovery,
                    "caption '" + window_.controls.window.caption() + "'" +
                        (unit_.eightBitMode() ? ", unit left in 8 bits" : "") + ", port " +
                        port_.settings() + (port_.isOpen() ? " open" : " closed") + ", bound " +
                        std::to_string(int(boundMs)) + " ms");
            return;
        }
        // A calm Read all shows the unit as it is.
        clickReadAll();
        runUntil([&] { return !window_.scheduler.isBusy(); }, kSettleBoundMs);
        runUntil([] { return false; }, 2000);
        for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
            if (entry.path().extension() == kAtomicTempSuffix)
                violate(Invariant::HalfWritten, "left behind: " + entry.path().string());
        }
    }

    // What the simulated world does at one moment.
    void fire(Event kind, int durationMs) {
        switch (kind) {
            case Event::UnitSilent:
                unit_.injectFault({sim::FaultKind::NoAnswer, "", -1});
                loop_.postAfter(durationMs, [this] { unit_.clearFaults(); });
                break;
            case Event::AdapterPulled:
                port_.pullDevice();
                loop_.postAfter(durationMs, [this] { port_.plugDevice(); });
                break;
            case Event::PowerCycle:
                unitChangedMs_ = loop_.nowMsExact();
                unit_.unplug();
                loop_.postAfter(durationMs, [this] {
                    unitChangedMs_ = loop_.nowMsExact();
                    unit_.replug();
                });
                break;
            case Event::Replaced:
                unitChangedMs_ = loop_.nowMsExact();
                unit_.replaceModel(*sim::findModel(kReplacements[pick(kReplacements.size())]));
                break;
            case Event::BadBcc:
                unit_.injectFault({sim::FaultKind::BadBcc, "", between(1, 3)});
                break;
            case Event::Nak:
                unit_.injectFault({sim::FaultKind::Nak, "", between(1, 3)});
                break;
            case Event::SplitAnswer:
                unit_.injectFault({sim::FaultKind::SplitAnswer, "", between(1, 6), 0, between(2, 5),
                                   between(1, 40)});
                break;
            case Event::LateAnswer:
                unit_.injectFault(
                    {sim::FaultKind::LateAnswer, "", between(1, 3), between(20, 1500)});
                break;
            case Event::ReadAll:
                clickReadAll();
                break;
            case Event::TransmitAll:
                transmitAllClickMs_ = loop_.nowMsExact();
                intended_.clear();
                window_.commands.transmitAllClicked();
                break;
            case Event::ChangeParameter:
                changeParameter();
                break;
            case Event::Store:
                window_.commands.storeClicked();
                break;
            case Event::Reset:
                window_.commands.resetClicked();
                break;
            case Event::InputToggle:
                window_.commands.inputButtonClicked(between(0, kInputButtons - 1));
                break;
            case Event::SaveOnFailingDisk:
                saveOnFailingDisk();
                break;
            case Event::Reinitialise:
                window_.commands.reinitClicked();
                break;
            case Event::Transmit:
                transmitOne();
                break;
        }
    }

    // A parameter row the operator could act on now, picked at random; nothing while the window
    // is busy or has no list, or when the pick is a heading.
    const Parameter* pickRow(int& index) {
        if (window_.scheduler.isBusy() || !window_.descriptionLoaded)
            return nullptr;
        const UnitDescription& d = window_.unit.description;
        if (d.parameterCount < 1)
            return nullptr;
        index = between(0, d.parameterCount - 1);
        const Parameter& p = d.parameters[static_cast<std::size_t>(index)];
        return p.isHeading() ? nullptr : &p;
    }

    // Read all, with the list as it stood before, for what the list may show afterwards.
    void clickReadAll() {
        readAllClickMs_ = loop_.nowMsExact();
        beforeReadAll_ = listValues();
        window_.commands.readAllClicked();
    }

    // The operator types the value the unit holds, one step up where the range allows, and
    // presses Enter.
    void changeParameter() {
        int index = 0;
        const Parameter* row = pickRow(index);
        if (row == nullptr)
            return;
        const Parameter& p = *row;
        changeCode_ = p.code;
        changeWire_ = cleanValue(p.value);
        changeShownBefore_ = dialogs_.shown.size();
        changeClickMs_ = loop_.nowMsExact();
        window_.commands.changeParameter(p.code, changeWire_, index);
        changePending_ = window_.scheduler.isBusy();
    }

    // The operator selects a row and presses Transmit: the value shown goes to the unit.
    void transmitOne() {
        int index = 0;
        const Parameter* row = pickRow(index);
        if (row == nullptr)
            return;
        const Parameter& p = *row;
        const int top = std::max(0, index - (kListRows - 1));
        window_.list.showAt(top, index - top);
        window_.list.onRowClicked(index - top);
        transmitCode_ = p.code;
        transmitWire_ = cleanValue(p.value);
        transmitErrorShown_ = false;
        transmitBeepsBefore_ = dialogs_.beeps;
        transmitClickMs_ = loop_.nowMsExact();
        window_.commands.transmitClicked();
        transmitPending_ = window_.scheduler.isBusy();
    }

    void saveOnFailingDisk() {
        // One save at a time: a second one before the first was looked at would take the first
        // one's failing disk for the healthy one and never heal it.
        if (window_.file.path.empty() || window_.scheduler.isBusy() || savePending_ || limitSet_ ||
            !window_.controls.saveEntry.enabled())
            return;
        lastFile_ = readFile(parPath_);
        saveShownBefore_ = dialogs_.shown.size();
        diskFailing_ = between(0, 3) != 0;
        if (diskFailing_) {
            rlimit limit{kFailingDiskBytes, RLIM_INFINITY};
            getrlimit(RLIMIT_FSIZE, &savedLimit_);
            limit.rlim_max = savedLimit_.rlim_max;
            setrlimit(RLIMIT_FSIZE, &limit);
            limitSet_ = true;
        }
        window_.commands.saveClicked();
        savePending_ = window_.scheduler.isBusy();
        if (!savePending_)
            healDisk();
    }

    void healDisk() {
        if (!limitSet_)
            return;
        setrlimit(RLIMIT_FSIZE, &savedLimit_);
        limitSet_ = false;
    }

    void heal() {
        unit_.clearFaults();
        port_.plugDevice();
        if (!unit_.plugged()) {
            unitChangedMs_ = loop_.nowMsExact();
            unit_.replug();
        }
    }

    // How long `model` takes from the first tick to polling on a clean line (once per model).
    static double cleanStartUpMs(const std::string& model) {
        static std::map<std::string, double> known;
        if (const auto it = known.find(model); it != known.end())
            return it->second;
        test::TempFolder folder;
        test::VirtualEventLoop loop;
        sim::SimUnit unit(*sim::findModel(model));
        test::SimSerialPort port(loop, unit);
        test::ScriptedDialogs dialogs;
        PortMap portMap;
        MainWindow window(port, loop, dialogs, portMap, folder.path());
        window.useConfigFile = false;
        window.load();
        while (!window.descriptionLoaded && loop.nowMsExact() < kStartUpBoundMs)
            loop.runFor(kStepMs);
        window.requestClose();
        return known[model] = loop.nowMsExact();
    }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Whatever happened to the save, the file reads back whole.
    void checkFile() {
        if (parPath_.empty())
            return;
        const std::string bytes = readFile(parPath_);
        checked(Invariant::HalfWritten);
        const ParameterFileContent content = readParameterFile(bytes);
        if (content.outcome != ParameterFileContent::Outcome::Read || content.rows.empty())
            violate(Invariant::HalfWritten,
                    std::to_string(bytes.size()) + " bytes do not read back");
    }

    // Ops finish inside a tick; the step after the scheduler emptied sees their outcome.
    void afterStep() {
        if (window_.scheduler.isBusy())
            return;
        if (savePending_) {
            savePending_ = false;
            healDisk();
            checkFile();
            const bool unchanged = readFile(parPath_) == lastFile_;
            const bool told = dialogs_.shown.size() > saveShownBefore_;
            if (diskFailing_)
                checked(Invariant::SilentSaveFail);
            if (diskFailing_ && unchanged && !told)
                violate(Invariant::SilentSaveFail, "the file stayed as it was");
        }
        if (transmitPending_) {
            transmitPending_ = false;
            const auto held = unit_.registerValue(transmitCode_);
            const bool told = transmitErrorShown_ && dialogs_.beeps > transmitBeepsBefore_;
            checked(Invariant::SilentPartial);
            if (unitChangedMs_ < transmitClickMs_ && !told && held && *held != transmitWire_ &&
                cleanValue(*held) != transmitWire_)
                violate(Invariant::SilentPartial, "Transmit of " + transmitCode_ + " as " +
                                                      transmitWire_ + ", unit holds " + *held);
        }
        if (changePending_) {
            changePending_ = false;
            const auto held = unit_.registerValue(changeCode_);
            const bool told = dialogs_.shown.size() > changeShownBefore_;
            checked(Invariant::SilentPartial);
            if (unitChangedMs_ < changeClickMs_ && !told && held && *held != changeWire_ &&
                cleanValue(*held) != changeWire_)
                violate(Invariant::SilentPartial, "change of " + changeCode_ + " to " +
                                                      changeWire_ + ", unit holds " + *held);
        }
    }

    // The buttons say what an operation achieved; at that moment it must be true.
    void watchOutcomes() {
        // What Transmit all sends is the list as it stands when the operation starts.
        window_.controls.window.setObserver([this](Control& c, Control::Property p) {
            if (p == Control::Property::Caption && intended_.empty() && transmitAllClickMs_ >= 0 &&
                c.caption().find("Transmit Parameter[0]") != std::string::npos) {
                const UnitDescription& d = window_.unit.description;
                intended_.assign(d.parameters.begin(), d.parameters.begin() + d.parameterCount);
            }
        });
        window_.controls.readAllButton.setObserver([this](Control& c, Control::Property p) {
            if (p != Control::Property::Caption)
                return;
            if (c.caption() == kErrorCaption)
                readAllErrorMs_ = loop_.nowMsExact();
            if (c.caption() == kOkCaption && readAllErrorMs_ < readAllClickMs_ &&
                unitChangedMs_ < readAllClickMs_)
                compareList("Read all", {});
            else if (c.caption() == kOkCaption && unitChangedMs_ < readAllClickMs_)
                checkReadAllKeptUnread();
        });
        window_.controls.transmitButton.setObserver([this](Control& c, Control::Property p) {
            if (p == Control::Property::Caption && c.caption() == kErrorCaption)
                transmitErrorShown_ = true;
        });
        window_.controls.transmitAllButton.setObserver([this](Control& c, Control::Property p) {
            if (p == Control::Property::Caption && c.caption() == kOkCaption &&
                unitChangedMs_ < transmitAllClickMs_ && !intended_.empty())
                compareList("Transmit all", intended_);
        });
    }

    std::vector<std::string> listValues() const {
        const UnitDescription& d = window_.unit.description;
        std::vector<std::string> values;
        for (int i = 0; i < d.parameterCount; ++i)
            values.push_back(d.parameters[static_cast<std::size_t>(i)].value);
        return values;
    }

    // A Read all that could not read every row shows, in each, the unit's value or what the
    // row showed before; never a value from nowhere (the blank read shown as zeros).
    void checkReadAllKeptUnread() {
        const UnitDescription& d = window_.unit.description;
        // Lost meanwhile, the window is learning the unit anew: the list is being rebuilt.
        if (window_.state() == CycleState::Init ||
            static_cast<std::size_t>(d.parameterCount) != beforeReadAll_.size())
            return;
        checked(Invariant::ListNotUnit);
        for (int i = 0; i < d.parameterCount; ++i) {
            const Parameter& p = d.parameters[static_cast<std::size_t>(i)];
            const auto held = unit_.registerValue(p.code);
            if (p.isHeading() || !held || p.value == beforeReadAll_[static_cast<std::size_t>(i)] ||
                p.value == formatValue(*held, p.format))
                continue;
            violate(Invariant::ListNotUnit, "Read all with errors put " + p.value + " into " +
                                                p.code + ", the unit holds " + *held);
            return;
        }
    }

    // Every row against the unit: as the list shows it, or as the operator meant it.
    void compareList(const std::string& what, const std::vector<Parameter>& meant) {
        checked(meant.empty() ? Invariant::ListNotUnit : Invariant::SilentPartial);
        const UnitDescription& d = window_.unit.description;
        for (int i = 0; i < d.parameterCount; ++i) {
            const Parameter& p = d.parameters[static_cast<std::size_t>(i)];
            if (p.isHeading())
                continue;
            const auto held = unit_.registerValue(p.code);
            if (!held)
                continue;
            const std::string unitShows = formatValue(*held, p.format);
            const std::string expected = static_cast<std::size_t>(i) < meant.size()
                                             ? meant[static_cast<std::size_t>(i)].value
                                             : p.value;
            if (unitShows != expected) {
                violate(meant.empty() ? Invariant::ListNotUnit : Invariant::SilentPartial,
                        what + " OK, but " + p.code + " is " + expected + " in the list, " +
                            unitShows + " in the unit");
                return;
            }
        }
    }

    static constexpr char kOkCaption[] = "OK";
    static constexpr char kErrorCaption[] = "ERROR";

    std::uint32_t seed_;
    std::mt19937 rng_;
    test::TempFolder folder_;
    test::VirtualEventLoop loop_;
    sim::SimUnit unit_;
    test::SimSerialPort port_;
    test::ScriptedDialogs dialogs_;
    PortMap portMap_;
    MainWindow window_;
    Outcome outcome_;
    bool hangSeen_ = false;

    double unitChangedMs_ = -1;
    double readAllClickMs_ = -1;
    double readAllErrorMs_ = -1;
    std::vector<std::string> beforeReadAll_;
    double transmitAllClickMs_ = -1;
    std::vector<Parameter> intended_;

    bool transmitPending_ = false;
    std::string transmitCode_;
    std::string transmitWire_;
    bool transmitErrorShown_ = false;
    int transmitBeepsBefore_ = 0;
    double transmitClickMs_ = -1;

    bool changePending_ = false;
    std::string changeCode_;
    std::string changeWire_;
    std::size_t changeShownBefore_ = 0;
    double changeClickMs_ = -1;

    std::string parPath_;
    std::string lastFile_;
    bool savePending_ = false;
    bool diskFailing_ = false;
    std::size_t saveShownBefore_ = 0;
    bool limitSet_ = false;
    rlimit savedLimit_{};
};

}  // namespace detail

// One scenario, everything drawn from `seed`.
inline Outcome runSoakScenario(std::uint32_t seed) {
    return detail::Scenario(seed).run();
}

}  // namespace qu32::soak
