#include "operations/GuiOperation.h"

#include <stdexcept>

#include "mainwindow/MainWindow.h"
#include "operations/ControlOperation.h"

namespace qu32 {

void clsGuiOperation::Add(const std::string& code, const std::string& value,
                          Control& controlObject) {
    setCode(code);
    setValue(value);
    controlObject_ = &controlObject;
}

std::int32_t clsGuiOperation::Execute() {
    try {
        if (run(Code()) && !followUp_.empty())
            run(followUp_);
        return 1;
    } catch (...) {
        return kOperationAborted;
    }
}

// True when the command did its work.
bool clsGuiOperation::run(const std::string& code) {
    Commands& commands = window_.commands;
    // The file and settings commands belong to their own dialogs; until those are attached
    // the commands do nothing rather than pretend.
    if (code == kGuiSave)
        return commands.saveParFile ? commands.saveParFile() : false;
    if (code == kGuiSaveAs)
        return commands.saveParFileAs ? commands.saveParFileAs() : false;
    if (code == kGuiConfigCom) {
        if (!commands.configCom)
            return false;
        commands.configCom();
        return true;
    }
    if (code == kGuiReInit) {
        ReInit();
        return true;
    }
    if (code == kGuiDisable) {
        Disable();
        return true;
    }
    return false;
}

void clsGuiOperation::ReInit() {
    window_.setState(INIT);
    window_.ParFileName.clear();
    window_.refreshCaption();
    window_.io.clearLiveDisplay();
    window_.rememberedIdentity.clear();
}

void clsGuiOperation::Disable() {
    if (controlObject_ == nullptr)
        throw std::logic_error("Disable without its menu entry");
    SerialPort& port = window_.link.port();
    if (port.isOpen()) {
        controlObject_->setCaption(kEnableCommunicationCaption);
        port.close();
        window_.setState(DISABLED);
    } else {
        controlObject_->setCaption(kDisableCommunicationCaption);
        port.open();
        window_.setState(INIT);
    }
    steps::pause(window_, kDisableSettleMs);
    window_.refreshCaption();
    window_.io.clearLiveDisplay();
}

}  // namespace qu32
