#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "operations/ControlOperation.h"
#include "operations/OperationHost.h"
#include "operations/Scheduler.h"
#include "platform/Controls.h"

namespace qu32 {

class MainWindow;

// Text of the information box.
inline constexpr char kInfoTitle[] = "Info";
inline constexpr char kReleaseName[] = "nimbus";
inline constexpr char kReleaseDate[] = "03/05/2010";
inline constexpr char kSupportedPlatforms[] =
    "Windows XP SP3, Windows Vista (32 bit), Windows 7 (32 bit)";
inline constexpr char kSupportedBaudRates[] = "9600, 19200, 38400";

// The command buttons and menu entries of the main window. Almost every handler only hands an
// operation to the scheduler, which the main cycle runs on its next tick; the close prompt, the
// information box and exit are handled at once. A click on a disabled control does nothing, as
// the window would not deliver it.
class Commands {
  public:
    explicit Commands(MainWindow& window) : window_(window) {}
    Commands(const Commands&) = delete;
    Commands& operator=(const Commands&) = delete;

    // "CONTROLS" frame.
    void transmitClicked();
    void transmitAllClicked();
    void readAllClicked();
    void storeClicked();
    void resetClicked();
    // "INPUTS" frame: toggles input `index` (0 to 15) from its last polled state.
    void inputButtonClicked(int index);
    // Enter in the parameter list: register code, value in wire form, parameter index.
    void changeParameter(const std::string& code, const std::string& wireValue, int index);

    // Menus.
    void openClicked();
    void closeClicked();
    void saveClicked();
    void saveAsClicked();
    void printClicked();
    void disableClicked();
    void exitClicked();
    void serialSettingsClicked();
    void reinitClicked();
    void infoClicked();

    // Printing and the settings dialog are attached here by their own code; while a hook is
    // empty its command does nothing.
    // "&Print ....", run at once.
    std::function<void()> printList;
    // The serial settings operation: nothing while the settings dialog is open; otherwise close
    // the port, disable the main cycle and open the dialog, which reopens the port and starts
    // initialisation again when it closes.
    std::function<void()> showSerialSettings;

  private:
    bool offer(PointerWhileWaiting pointer,
               const std::function<std::unique_ptr<Operation>()>& make);
    void offerControl(Control& button, ControlCommand command, const std::string& code,
                      const std::string& value);
    bool offerGui(GuiCommand command, Control& entry, PointerWhileWaiting pointer,
                  std::optional<GuiCommand> followUp = std::nullopt);

    MainWindow& window_;
};

}  // namespace qu32
