#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Printer.h"

namespace qu32 {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel };
enum class MsgIcon { None, Stop, Question, Exclamation, Information };
enum class MsgAnswer { Ok, Cancel, Yes, No, Retry };
enum class MousePointer { Default, Hourglass };

class FirmwareChoiceDialog;
class FileCommentDialog;

enum class FileDialogMode { Open, Save };

// A file chooser: its title, the folder it starts in, the filters ("Parameter Files (*.par)")
// and the suffix added to a name typed without one.
struct FileDialogRequest {
    FileDialogMode mode = FileDialogMode::Open;
    std::string title;
    std::string folder;
    std::vector<std::string> filters;
    std::string defaultSuffix;
};

// The printer the operator chose and how many copies of the document it wants.
struct PrinterChoice {
    std::unique_ptr<Printer> printer;
    int copies = 1;
};

// Message boxes and the other small modal interactions. Texts are ISO-8859-1; line breaks
// inside a message are single carriage returns.
class Dialogs {
  public:
    virtual ~Dialogs() = default;
    virtual MsgAnswer messageBox(const std::string& text, const std::string& title,
                                 MsgButtons buttons, MsgIcon icon) = 0;
    virtual void beep() = 0;
    virtual void setMousePointer(MousePointer pointer) = 0;
    // Shows the firmware choice modally: the operator edits its list text and presses one of its
    // buttons. Returning without a press is closing the window. A program without windows cannot
    // ask, so by default nothing is pressed.
    virtual void showFirmwareChoice(FirmwareChoiceDialog& dialog) { static_cast<void>(dialog); }
    // Shows the file-comment dialog modally; returning without OK is closing the window.
    virtual void showFileComment(FileCommentDialog& dialog) { static_cast<void>(dialog); }
    // The path the operator chose; nothing when the chooser was cancelled (or cannot be shown).
    virtual std::optional<std::string> chooseFile(const FileDialogRequest& request) {
        static_cast<void>(request);
        return std::nullopt;
    }
    // The print dialog titled `title`; nothing when it was cancelled (or cannot be shown).
    virtual std::optional<PrinterChoice> choosePrinter(const std::string& title) {
        static_cast<void>(title);
        return std::nullopt;
    }
};

}  // namespace qu32
