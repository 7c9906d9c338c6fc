#include "layout/DialogLayouts.h"

namespace qu32 {

namespace {

// "File Comments": the question on a panel, the comment's line below it, OK centred beneath.
constexpr Box kCommentWindow{0.25, 0.25, 0.47, 0.38};
constexpr Box kCommentQuestion{0.02, 0.02, 0.43, 0.15};
constexpr Box kCommentText{0.02, 0.19, 0.43, 0.04};
constexpr Box kCommentOk{0.185, 0.275, 0.1, 0.04};

// The firmware choice: the explanation, the list of names, OK and Cancel side by side.
constexpr Box kChoiceWindow{0.3, 0.25, 0.4, 0.41};
constexpr Box kChoiceExplanation{0.02, 0.02, 0.36, 0.25};
constexpr Box kChoiceNames{0.02, 0.28, 0.36, 0.038};
constexpr Box kChoiceOk{0.05, 0.333, 0.126, 0.05};
constexpr Box kChoiceCancel{0.224, 0.333, 0.126, 0.05};

}  // namespace

FileCommentLayout layoutFileComment(ScreenSize s) {
    return {place(kCommentWindow, s), place(kCommentQuestion, s), place(kCommentText, s),
            place(kCommentOk, s)};
}

FirmwareChoiceLayout layoutFirmwareChoice(ScreenSize s) {
    return {place(kChoiceWindow, s), place(kChoiceExplanation, s), place(kChoiceNames, s),
            place(kChoiceOk, s), place(kChoiceCancel, s)};
}

}  // namespace qu32
