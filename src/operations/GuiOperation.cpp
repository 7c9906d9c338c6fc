#include "operations/GuiOperation.h"

namespace qu32 {

Result GuiOperation::execute() {
    try {
        if (host_.runGuiCommand(command_, entry_) && followUp_)
            host_.runGuiCommand(*followUp_, entry_);
        return Result::Ok;
    } catch (...) {
        return Result::Aborted;
    }
}

}  // namespace qu32
