#pragma once

#include <string>
#include <vector>

#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "serial/SerialLink.h"
#include "unit/ConnectedUnit.h"
#include "unit/LineSettings.h"

namespace qu32 {

// Commands of the window that must not cut into serial traffic, run as operations.
enum class GuiCommand { Save, SaveAs, SerialSettings, Reinitialise, Disable };

// What an operation may use of the window that started it: the link and the unit, the list it
// repaints, the caption it refreshes, the serial follow-up of a written line setting, and the
// window commands. The main window implements it.
class OperationHost {
  public:
    virtual ~OperationHost() = default;

    virtual SerialLink& link() = 0;
    virtual ConnectedUnit& unit() = 0;
    virtual Dialogs& dialogs() = 0;
    virtual void repaintList() = 0;
    virtual void refreshCaption() = 0;
    // The parameter set differs from its file now.
    virtual void markFileChanged() = 0;
    // The PC follows the unit after its address, baud-rate code or serial-format code was
    // written. True when the port was reopened with new settings.
    virtual bool followSerialChange(const std::vector<WrittenValue>& written) = 0;
    // Runs a window command started from `entry`; true when it did its work.
    virtual bool runGuiCommand(GuiCommand command, Control& entry) = 0;
};

}  // namespace qu32
