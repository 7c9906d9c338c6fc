#include "mainwindow/Commands.h"

#include "mainwindow/MainWindow.h"
#include "operations/ChangeParameterOperation.h"
#include "operations/ControlOperation.h"
#include "operations/GuiOperation.h"
#include "operations/InputOperation.h"
#include "operations/OperationSteps.h"
#include "unit/StatusWords.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

namespace {

constexpr char kCR[] = "\r";
constexpr char kInputRelease[] = "0";
constexpr char kInputSet[] = "1";

}  // namespace

bool Commands::offer(PointerWhileWaiting pointer,
                     const std::function<std::unique_ptr<Operation>()>& make) {
    return offerOperation(window_.scheduler, window_.operationHost().dialogs(), pointer, make);
}

void Commands::offerControl(Control& button, ControlCommand command, const std::string& code,
                            const std::string& value) {
    if (!button.enabled())
        return;
    offer(PointerWhileWaiting::Hourglass, [&]() -> std::unique_ptr<Operation> {
        return std::make_unique<ControlOperation>(window_.operationHost(), command, button, code,
                                                  value);
    });
}

bool Commands::offerGui(GuiCommand command, Control& entry, PointerWhileWaiting pointer,
                        std::optional<GuiCommand> followUp) {
    return offer(pointer, [&]() -> std::unique_ptr<Operation> {
        return std::make_unique<GuiOperation>(window_.operationHost(), command, entry, followUp);
    });
}

void Commands::transmitClicked() {
    Control& button = window_.controls.transmitButton;
    if (!button.enabled())
        return;
    offer(PointerWhileWaiting::Hourglass, [&]() -> std::unique_ptr<Operation> {
        const int index = window_.list.selectedIndex();
        const Parameter* p = steps::parameterAt(window_.operationHost(), index);
        // A heading row, or no row at all, has nothing to send.
        if (p == nullptr || p->isHeading())
            return nullptr;
        return std::make_unique<ControlOperation>(window_.operationHost(), ControlCommand::Transmit,
                                                  button, p->code, cleanValue(p->value), index);
    });
}

void Commands::transmitAllClicked() {
    offerControl(window_.controls.transmitAllButton, ControlCommand::TransmitAll, {}, {});
}

void Commands::readAllClicked() {
    if (steps::parameterCount(window_.operationHost()) < 1)
        return;
    offerControl(window_.controls.readAllButton, ControlCommand::ReadAll, {}, {});
}

void Commands::storeClicked() {
    offerControl(window_.controls.storeButton, ControlCommand::Store, window_.unit.group.storeCode,
                 kCommandValue);
}

void Commands::resetClicked() {
    // The value follows the reset state at the moment the operation runs.
    offerControl(window_.controls.resetButton, ControlCommand::Reset, window_.unit.group.resetCode,
                 {});
}

void Commands::inputButtonClicked(int index) {
    if (index < 0 || index >= kInputButtons)
        return;
    const auto i = static_cast<std::size_t>(index);
    Control& button = window_.controls.inputButtons[i];
    if (!button.enabled())
        return;
    offer(PointerWhileWaiting::Hourglass, [&]() -> std::unique_ptr<Operation> {
        const GroupRegisters& group = window_.unit.group;
        // Sends the opposite of what was polled last, so each click toggles the input.
        const bool on = isBitSet(window_.unit.status.pcInputs, group.inputMasks[i]);
        return std::make_unique<InputOperation>(
            window_.operationHost(), button, group.inputCommandCodes[i],
            on ? kInputRelease : kInputSet, kOkInfo, kErrorInfo);
    });
}

void Commands::changeParameter(const std::string& code, const std::string& wireValue, int index) {
    offer(PointerWhileWaiting::Hourglass, [&]() -> std::unique_ptr<Operation> {
        return std::make_unique<ChangeParameterOperation>(window_.operationHost(), code, wireValue,
                                                          index);
    });
}

void Commands::openClicked() {
    if (window_.controls.openEntry.enabled())
        window_.openParameterFile();
}

void Commands::closeClicked() {
    if (!window_.controls.closeEntry.enabled() || !window_.file.changed)
        return;
    const MsgAnswer answer = window_.operationHost().dialogs().messageBox(
        "Save changes to file " + window_.file.path + " ?", window_.company.titleText,
        MsgButtons::YesNoCancel, MsgIcon::Question);
    if (answer == MsgAnswer::Yes) {
        // One operation for both, so the re-initialisation cannot be lost behind the save and
        // runs only once the file is written.
        offerGui(GuiCommand::Save, window_.controls.saveEntry, PointerWhileWaiting::Hourglass,
                 GuiCommand::Reinitialise);
    } else if (answer == MsgAnswer::No) {
        if (offerGui(GuiCommand::Reinitialise, window_.controls.reinitEntry,
                     PointerWhileWaiting::Hourglass))
            window_.file.changed = false;
    }
}

void Commands::saveClicked() {
    if (window_.controls.saveEntry.enabled())
        offerGui(GuiCommand::Save, window_.controls.saveEntry, PointerWhileWaiting::Hourglass);
}

void Commands::saveAsClicked() {
    if (window_.controls.saveAsEntry.enabled())
        offerGui(GuiCommand::SaveAs, window_.controls.saveAsEntry, PointerWhileWaiting::Hourglass);
}

void Commands::printClicked() {
    if (window_.controls.printEntry.enabled() && printList)
        printList();
}

void Commands::disableClicked() {
    if (window_.controls.disableEntry.enabled())
        offerGui(GuiCommand::Disable, window_.controls.disableEntry,
                 PointerWhileWaiting::Hourglass);
}

void Commands::exitClicked() {
    // The close request decides whether the window goes now or after the running tick.
    window_.requestClose();
}

void Commands::serialSettingsClicked() {
    // The settings dialog takes over at once; no hourglass.
    if (window_.controls.serialSettingsEntry.enabled())
        offerGui(GuiCommand::SerialSettings, window_.controls.serialSettingsEntry,
                 PointerWhileWaiting::Unchanged);
}

void Commands::reinitClicked() {
    if (window_.controls.reinitEntry.enabled())
        offerGui(GuiCommand::Reinitialise, window_.controls.reinitEntry,
                 PointerWhileWaiting::Hourglass);
}

void Commands::infoClicked() {
    const std::string text = window_.company.titleText + ", Release " + kReleaseName + kCR + kCR +
                             "Date of Release: " + kReleaseDate + kCR +
                             "Supported platforms: " + kSupportedPlatforms + kCR +
                             "Supported baud rates: " + kSupportedBaudRates + kCR + kCR;
    window_.operationHost().dialogs().messageBox(text, kInfoTitle, MsgButtons::Ok,
                                                 MsgIcon::Information);
}

}  // namespace qu32
