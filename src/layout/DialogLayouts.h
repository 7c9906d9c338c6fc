#pragma once

#include "layout/ScreenFractions.h"
#include "platform/Controls.h"

namespace qu32 {

// Where the small dialogs and their parts go, as fractions of the screen: the window on the
// screen, its parts inside the window.
struct FileCommentLayout {
    Geometry window;
    Geometry question;
    Geometry text;
    Geometry okButton;
};

struct FirmwareChoiceLayout {
    Geometry window;
    Geometry explanation;
    Geometry names;
    Geometry okButton;
    Geometry cancelButton;
};

FileCommentLayout layoutFileComment(ScreenSize screen);
FirmwareChoiceLayout layoutFirmwareChoice(ScreenSize screen);

}  // namespace qu32
