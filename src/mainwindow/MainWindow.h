#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "datasets/FirmwareSelection.h"
#include "mainwindow/Commands.h"
#include "mainwindow/CycleState.h"
#include "mainwindow/IoDisplay.h"
#include "mainwindow/MainWindowControls.h"
#include "mainwindow/ParameterList.h"
#include "mainwindow/ProtocolTrace.h"
#include "mainwindow/ValueDisplay.h"
#include "mainwindow/WindowObserver.h"
#include "operations/OperationHost.h"
#include "operations/Scheduler.h"
#include "parfiles/ParameterFileCommands.h"
#include "parfiles/ParameterFileState.h"
#include "platform/Dialogs.h"
#include "platform/EventLoop.h"
#include "platform/Files.h"
#include "platform/PortLister.h"
#include "platform/SerialPort.h"
#include "serial/PortMap.h"
#include "serial/SerialLink.h"
#include "serial/SerialSettings.h"
#include "settings/CompanyInfo.h"
#include "settings/ConfigFile.h"
#include "settings/SerialSettingsDialog.h"
#include "unit/ConnectedUnit.h"

namespace qu32 {

// The main window's logic: start-up, the main cycle that does all the talking to the unit, and
// shut-down. The Qt window (or a test) creates it, calls load(), forwards user input and the
// close request, and closes itself when onClosed is called.
class MainWindow {
  public:
    // `programFolder` holds the configuration file and the description files.
    MainWindow(SerialPort& port, EventLoop& loop, Dialogs& dialogs, PortMap& portMap,
               std::string programFolder);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Start-up: configuration, port, blank display, main timer running.
    void load();
    // The window's close request (close box, Exit). Returns true when the window may unload now;
    // false when a running tick must finish first (it then closes by itself).
    bool queryUnload();
    // Shut-down: port closed, serial settings written back.
    void unload();
    // Close box or Exit: asks, and unloads when allowed.
    void requestClose();
    bool isClosed() const { return closed_; }

    // One tick of the main cycle.
    void onMainTick();
    void refreshCaption();
    // Back to initialisation: caption refreshed, live display cleared.
    void returnToInit();
    // The PC follows the unit after its address, baud-rate code or serial-format code was
    // written: the values become the serial settings and the port is reopened with them. Other
    // codes, and values the PC cannot use, are passed over. True when the port was reopened.
    bool followSerialChange(const std::vector<WrittenValue>& written);
    // The window commands the GUI operations run; true when the command did its work.
    bool runGuiCommand(GuiCommand command, Control& entry);
    // "&Open ....": a parameter file replaces the list, after every check.
    void openParameterFile();
    // What the operations may use of the window.
    OperationHost& operationHost() { return *host_; }
    // The settings dialog while it is loaded (and after, until it is opened again); the hook
    // Commands::showSerialSettings shows it.
    SerialSettingsDialog* serialSettingsDialog() { return settingsDialog_.get(); }

    // Called during start-up once the configuration is read and before the port opens: the
    // window lays itself out there, and command-line port overrides take effect.
    std::function<void()> afterConfigRead;
    // Called once the window has unloaded.
    std::function<void()> onClosed;
    // Called at the end of every tick that did not close the window (the command-line monitor
    // prints from here).
    std::function<void()> afterTick;

    CycleState state() const { return state_; }
    void setState(CycleState s) { state_ = s; }
    Timer& mainTimer() { return *mainTimer_; }
    const std::string& programFolder() const { return programFolder_; }

    MainWindowControls controls;
    SerialSettings serial;
    CompanyInfo company;
    PortMap& portMap;
    Scheduler scheduler;
    ConfigFile config;
    // Shows what the link, the unit and the firmware selection report.
    WindowObserver observer;
    SerialLink link;
    ConnectedUnit unit;
    // Asked first whenever a description is needed: data sets and description files.
    FirmwareSelector firmware;
    ValueDisplay valueDisplay;
    IoDisplay io;
    ParameterList list;
    // Every frame and link error, for the protocol trace window.
    ProtocolTrace protocolTrace;
    // Producers and menu handlers; the Qt window calls them.
    Commands commands{*this};

    // The command-line monitor takes its settings from its options, not from the file.
    bool useConfigFile = true;
    // The machine's serial devices, for the settings dialog; without one it lists no ports.
    PortLister* portLister = nullptr;

    int closeRequested = 0;
    std::string rememberedIdentity = "????????";
    bool descriptionLoaded = false;
    ParameterFileState file;
    LocalFiles files;
    // Open, Save and Save As of parameter files.
    ParameterFileCommands fileCommands;

  private:
    class Host;
    enum class StepEnd { Normal, AtOnce, Closed };
    StepEnd stepInit();
    StepEnd readAllParameters();
    void stepPolling();
    void stepValue();
    void stepVersionCheck();
    void endInitAtOnce();
    bool bringBackFromEightBits();
    void reinitialise();
    void toggleCommunication(Control& entry);
    void warnUnidentified();
    void showOpenedFile(bool converted);
    bool openSerialSettings();
    void serialSettingsClosed();
    std::string configPath() const;
    void setCaption(const std::string& text);

    SerialPort& port_;
    EventLoop& loop_;
    Dialogs& dialogs_;
    std::string programFolder_;
    std::unique_ptr<Timer> mainTimer_;
    std::unique_ptr<OperationHost> host_;
    CycleState state_ = CycleState::Init;
    bool closed_ = false;
    // A description read was cut off: the unit may still talk its 8-bit data format.
    bool unitMayBeInEightBits_ = false;
    bool eightBitProbeTurn_ = false;
    // Last, so that it goes before the link it works on.
    std::unique_ptr<SerialSettingsDialog> settingsDialog_;
};

}  // namespace qu32
