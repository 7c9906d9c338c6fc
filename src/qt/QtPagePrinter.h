#pragma once

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>
#include <memory>
#include <string>

#include "platform/Printer.h"

namespace qu32 {

// Prints on any paged device of Qt: a QPrinter chosen in the print dialog or a QPdfWriter.
// On a printer every document is a job of its own. A file can hold only one document, so there
// the next document begins on a new page of the same file.
class QtPagePrinter : public Printer {
  public:
    enum class Documents { SeparateJobs, OneFile };

    // The device stays the caller's.
    QtPagePrinter(QPagedPaintDevice& device, Documents documents);
    // Takes the device over.
    QtPagePrinter(std::unique_ptr<QPagedPaintDevice> device, Documents documents);
    ~QtPagePrinter() override;
    QtPagePrinter(const QtPagePrinter&) = delete;
    QtPagePrinter& operator=(const QtPagePrinter&) = delete;

    TextExtent textExtent(const std::string& text) override;
    int pageWidth() override;
    int pageHeight() override;
    bool printText(int x, int y, const std::string& text) override;
    bool newPage() override;
    bool endDocument() override;

    // Closes what is still open (the file of OneFile); false when the device failed.
    bool finish();
    // The device writes into `temporary`, which finish() renames to `target` once the file is
    // complete, and removes otherwise: a failed listing never replaces a good file.
    void replaceWhenFinished(std::string temporary, std::string target);

  private:
    bool ensureStarted();

    std::unique_ptr<QPagedPaintDevice> owned_;
    QPagedPaintDevice& device_;
    Documents documents_;
    QFont font_;
    QPainter painter_;
    std::string temporary_;
    std::string target_;
    bool documentEnded_ = false;
    bool failed_ = false;
};

}  // namespace qu32
