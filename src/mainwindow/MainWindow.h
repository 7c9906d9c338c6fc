#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "datasets/FirmwareSelection.h"
#include "mainwindow/Commands.h"
#include "mainwindow/Form1.h"
#include "mainwindow/IoDisplay.h"
#include "mainwindow/MainCycleState.h"
#include "mainwindow/ParameterList.h"
#include "mainwindow/ValueDisplay.h"
#include "operations/Scheduler.h"
#include "platform/Dialogs.h"
#include "platform/EventLoop.h"
#include "platform/SerialPort.h"
#include "serial/PortMap.h"
#include "serial/SerialLink.h"
#include "settings/AppSettings.h"
#include "settings/ConfigFile.h"
#include "unit/UnitData.h"

namespace qu32 {

// The main window's logic: start-up, the main cycle that does all the talking to the unit, and
// shut-down. The Qt window (or a test) creates it, calls Load(), forwards user input and the
// close request, and closes itself when onClosed is called.
class MainWindow {
  public:
    MainWindow(SerialPort& port, EventLoop& loop, Dialogs& dialogs, PortMap& portMap);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Start-up: configuration, port, blank display, main timer running.
    void Load();
    // The window's close request (close box, Exit). Returns true when the window may unload now;
    // false when a running tick must finish first (it then closes by itself).
    bool QueryUnload();
    // Shut-down: port closed, serial settings written back.
    void Unload();
    // Close box or Exit: asks, and unloads when allowed.
    void requestClose();
    bool isClosed() const { return closed_; }

    // One tick of the main cycle (the MainInterrupt timer's handler).
    void MainInterrupt_Timer();
    void refreshCaption();
    // Back to initialisation: caption refreshed, live display cleared.
    void returnToInit();
    // The PC follows the unit after its address ("90"), baud-rate code ("91") or serial-format
    // code ("92") was written: the values become the serial settings and the port is reopened
    // with them. Other codes, and values the PC cannot use, are passed over. True when the port
    // was reopened.
    bool ChangeSerial(const std::vector<std::pair<std::string, std::string>>& written);
    bool ChangeSerial(const std::string& code, const std::string& value) {
        return ChangeSerial({{code, value}});
    }

    // Called during start-up once the configuration is read and before the port opens: the
    // window lays itself out there, and command-line port overrides take effect.
    std::function<void()> afterConfigRead;
    // Called once the window has unloaded.
    std::function<void()> onClosed;
    // Called at the end of every tick that did not close the window (the command-line monitor
    // prints from here).
    std::function<void()> afterTick;

    int state() const { return state_; }
    void setState(int s) { state_ = s; }
    Timer& mainInterrupt() { return *MainInterrupt_; }

    Form1 form;
    CommSettings comm;
    CompanyInfo company;
    PortMap& portMap;
    clsScheduler scheduler;
    ConfigFile config;
    SerialLink link;
    UnitData unit;
    // Asked first whenever a description is needed: data sets and description files.
    FirmwareSelector firmware;
    ValueDisplay valueDisplay;
    IoDisplay io;
    ParameterList list;
    // Producers and menu handlers; the Qt window calls them.
    Commands commands{*this};

    // The command-line monitor takes its settings from its options, not from the file.
    bool useConfigFile = true;

    int closeRequested = 0;
    std::string rememberedIdentity = "????????";
    bool descriptionLoaded = false;
    std::string ParFileName;
    bool ParFileChanged = false;

  private:
    enum class StepEnd { Normal, AtOnce, Closed };
    StepEnd stepInit();
    StepEnd readAllParameters();
    void stepPolling();
    void stepValue();
    void stepVersionCheck();
    void endInitAtOnce();
    std::string configPath() const;
    void setCaption(const std::string& text);

    SerialPort& port_;
    EventLoop& loop_;
    Dialogs& dialogs_;
    std::unique_ptr<Timer> MainInterrupt_;
    int state_ = INIT;
    bool closed_ = false;
};

}  // namespace qu32
