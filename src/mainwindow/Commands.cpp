#include "mainwindow/Commands.h"

#include "mainwindow/MainWindow.h"
#include "operations/ChangeParameterOperation.h"
#include "operations/ControlOperation.h"
#include "operations/GuiOperation.h"
#include "operations/InputOperation.h"
#include "unit/ValueEncoding.h"

namespace qu32 {

namespace {

constexpr char kCR[] = "\r";
constexpr char kInputRelease[] = "0";
constexpr char kInputSet[] = "1";

bool bitSet(std::int16_t word, int mask) {
    return (static_cast<std::uint16_t>(word) & static_cast<unsigned>(mask)) != 0;
}

}  // namespace

bool Commands::offer(PointerWhileWaiting pointer,
                     const std::function<std::unique_ptr<IBaseOperation>()>& make) {
    return offerOperation(window_.scheduler, window_.link.dialogs(), pointer, make);
}

void Commands::offerControl(Control& button, const std::string& operationName,
                            const std::string& code, const std::string& value) {
    if (!button.enabled())
        return;
    offer(PointerWhileWaiting::Hourglass, [&]() -> std::unique_ptr<IBaseOperation> {
        auto operation = std::make_unique<clsControlOperation>(window_);
        operation->Add(code, value, button, operationName);
        return operation;
    });
}

bool Commands::offerGui(const std::string& code, Control& entry, PointerWhileWaiting pointer,
                        const std::string& followUp) {
    return offer(pointer, [&]() -> std::unique_ptr<IBaseOperation> {
        auto operation = std::make_unique<clsGuiOperation>(window_);
        operation->Add(code, std::string(), entry);
        operation->setFollowUp(followUp);
        return operation;
    });
}

void Commands::Transmit_Click() {
    Control& button = window_.form.Transmit;
    if (!button.enabled())
        return;
    offer(PointerWhileWaiting::Hourglass, [&]() -> std::unique_ptr<IBaseOperation> {
        const int index = window_.list.selectedIndex();
        const Parameter* p = steps::parameterAt(window_, index);
        // A heading row, or no row at all, has nothing to send.
        if (p == nullptr || p->isHeading())
            return nullptr;
        auto operation = std::make_unique<clsControlOperation>(window_);
        operation->Add(p->ParamCode, CleanValue(p->ParamValue), button, kTransmitOperation, index);
        return operation;
    });
}

void Commands::TransmitAll_Click() {
    offerControl(window_.form.TransmitAll, kTransmitAllOperation, {}, {});
}

void Commands::Read_Pars_Click() {
    if (steps::parameterCount(window_) < 1)
        return;
    offerControl(window_.form.Read_Pars, kReadAllParametersOperation, {}, {});
}

void Commands::StoreEEProm_Click() {
    offerControl(window_.form.StoreEEProm, kStoreEEPromOperation, window_.unit.group.StoreCode,
                 kCommandValue);
}

void Commands::Re_Set_Click() {
    // The value follows the reset state at the moment the operation runs.
    offerControl(window_.form.Re_Set, kResetOperation, window_.unit.group.ResetCode, {});
}

void Commands::Command1_Click(int index) {
    if (index < 0 || index >= kInputButtons)
        return;
    const auto i = static_cast<std::size_t>(index);
    Control& button = window_.form.Command1[i];
    if (!button.enabled())
        return;
    offer(PointerWhileWaiting::Hourglass, [&]() -> std::unique_ptr<IBaseOperation> {
        const GroupSettings& group = window_.unit.group;
        // Sends the opposite of what was polled last, so each click toggles the input.
        const bool on = bitSet(window_.unit.status.SerialInputWord, group.InputMask[i]);
        auto operation = std::make_unique<clsInputOperation>(window_);
        operation->Add(group.InputCommandCode[i], on ? kInputRelease : kInputSet, button, kOkInfo,
                       kErrorInfo);
        return operation;
    });
}

void Commands::ChangeParameter(const std::string& code, const std::string& wireValue, int index) {
    offer(PointerWhileWaiting::Hourglass, [&]() -> std::unique_ptr<IBaseOperation> {
        auto operation = std::make_unique<clsChangeParameterOperation>(window_);
        operation->Add(code, wireValue, index);
        return operation;
    });
}

void Commands::mnOpen_Click() {
    if (window_.form.mnOpen.enabled() && openParFile)
        openParFile();
}

void Commands::mnClose_Click() {
    if (!window_.form.mnClose.enabled() || !window_.ParFileChanged)
        return;
    const MsgAnswer answer = window_.link.dialogs().messageBox(
        "Save changes to file " + window_.ParFileName + " ?", window_.company.titleText,
        MsgButtons::YesNoCancel, MsgIcon::Question);
    if (answer == MsgAnswer::Yes) {
        // One operation for both, so the re-initialisation cannot be lost behind the save and
        // runs only once the file is written.
        offerGui(kGuiSave, window_.form.mnSave, PointerWhileWaiting::Hourglass, kGuiReInit);
    } else if (answer == MsgAnswer::No) {
        if (offerGui(kGuiReInit, window_.form.mnuTesting2, PointerWhileWaiting::Hourglass))
            window_.ParFileChanged = false;
    }
}

void Commands::mnSave_Click() {
    if (window_.form.mnSave.enabled())
        offerGui(kGuiSave, window_.form.mnSave, PointerWhileWaiting::Hourglass);
}

void Commands::mnSaveAs_Click() {
    if (window_.form.mnSaveAs.enabled())
        offerGui(kGuiSaveAs, window_.form.mnSaveAs, PointerWhileWaiting::Hourglass);
}

void Commands::mnPrint_Click() {
    if (window_.form.mnPrint.enabled() && printParList)
        printParList();
}

void Commands::mnDisable_Click() {
    if (window_.form.mnDisable.enabled())
        offerGui(kGuiDisable, window_.form.mnDisable, PointerWhileWaiting::Hourglass);
}

void Commands::mnExit_Click() {
    // The close request decides whether the window goes now or after the running tick.
    window_.requestClose();
}

void Commands::mnCommSettings_Click() {
    // The settings dialog takes over at once; no hourglass.
    if (window_.form.mnCommSettings.enabled())
        offerGui(kGuiConfigCom, window_.form.mnCommSettings, PointerWhileWaiting::Unchanged);
}

void Commands::mnuTesting2_Click() {
    if (window_.form.mnuTesting2.enabled())
        offerGui(kGuiReInit, window_.form.mnuTesting2, PointerWhileWaiting::Hourglass);
}

void Commands::mnInfo_Click() {
    const std::string text = window_.company.titleText + ", Release " + kReleaseName + kCR + kCR +
                             "Date of Release: " + kReleaseDate + kCR +
                             "Supported platforms: " + kSupportedPlatforms + kCR +
                             "Supported baud rates: " + kSupportedBaudRates + kCR + kCR;
    window_.link.dialogs().messageBox(text, kInfoTitle, MsgButtons::Ok, MsgIcon::Information);
}

}  // namespace qu32
