#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/Controls.h"
#include "platform/Dialogs.h"

class QDialog;

namespace qu32 {

// The dialogs of the windowed program: message boxes, the beep, the hourglass and the
// firmware-selection dialog, all modal over the main window.
class QtMessageDialogs : public Dialogs {
  public:
    explicit QtMessageDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    ~QtMessageDialogs() override;
    QtMessageDialogs(const QtMessageDialogs&) = delete;
    QtMessageDialogs& operator=(const QtMessageDialogs&) = delete;

    // The window the boxes stand over; may be set once the window exists.
    void setParent(QWidget* parent) { parent_ = parent; }

    MsgAnswer messageBox(const std::string& text, const std::string& title, MsgButtons buttons,
                         MsgIcon icon) override;
    void beep() override;
    // The hourglass stays until the default pointer is asked for, however often it was set.
    void setMousePointer(MousePointer pointer) override;
    void showFirmwareChoice(FirmwareChoiceDialog& choice) override;
    void showFileComment(FileCommentDialog& comment) override;
    std::optional<std::string> chooseFile(const FileDialogRequest& request) override;
    // The system's print dialog; its "print to file" writes a PDF.
    std::optional<PrinterChoice> choosePrinter(const std::string& title) override;

    bool showsHourglass() const { return hourglass_; }

  private:
    static void place(QDialog& dialog, const Geometry& window);

    QPointer<QWidget> parent_;
    bool hourglass_ = false;
};

// Message texts break lines with a lone carriage return; Qt wants line feeds.
QString messageText(const std::string& latin1);

}  // namespace qu32
