#include "qt/QtPagePrinter.h"

#include <QFontMetrics>
#include <QString>
#include <filesystem>

namespace qu32 {

namespace {

// The listing's font: the default family at a size that fits a parameter text and its value
// on half a page.
constexpr int kPointSize = 10;

}  // namespace

QtPagePrinter::QtPagePrinter(QPagedPaintDevice& device, Documents documents)
    : device_(device), documents_(documents) {
    font_.setPointSize(kPointSize);
    // Ligatures would leave words like "Offset" unfindable in the PDF's text.
    font_.setStyleStrategy(QFont::PreferNoShaping);
}

QtPagePrinter::QtPagePrinter(std::unique_ptr<QPagedPaintDevice> device, Documents documents)
    : QtPagePrinter(*device, documents) {
    owned_ = std::move(device);
}

QtPagePrinter::~QtPagePrinter() {
    finish();
}

TextExtent QtPagePrinter::textExtent(const std::string& text) {
    const QFontMetrics metrics(font_, &device_);
    return {metrics.horizontalAdvance(QString::fromLatin1(text.data(), qsizetype(text.size()))),
            metrics.height()};
}

int QtPagePrinter::pageWidth() {
    return device_.width();
}

int QtPagePrinter::pageHeight() {
    return device_.height();
}

bool QtPagePrinter::ensureStarted() {
    if (failed_)
        return false;
    if (painter_.isActive() && !documentEnded_)
        return true;
    if (painter_.isActive()) {
        // The next document of a file goes on after the last one, on a page of its own.
        documentEnded_ = false;
        failed_ = !device_.newPage();
    } else {
        documentEnded_ = false;
        failed_ = !painter_.begin(&device_);
        if (!failed_)
            painter_.setFont(font_);
    }
    return !failed_;
}

bool QtPagePrinter::printText(int x, int y, const std::string& text) {
    if (!ensureStarted())
        return false;
    // Positions are the text's top-left corner; Qt places text by its baseline.
    const QFontMetrics metrics(painter_.font(), &device_);
    painter_.drawText(x, y + metrics.ascent(),
                      QString::fromLatin1(text.data(), qsizetype(text.size())));
    return true;
}

bool QtPagePrinter::newPage() {
    if (!ensureStarted())
        return false;
    failed_ = !device_.newPage();
    return !failed_;
}

bool QtPagePrinter::endDocument() {
    if (!ensureStarted())
        return false;
    if (documents_ == Documents::OneFile) {
        documentEnded_ = true;
        return true;
    }
    failed_ = !painter_.end();
    return !failed_;
}

bool QtPagePrinter::finish() {
    if (painter_.isActive() && !painter_.end())
        failed_ = true;
    if (!temporary_.empty()) {
        std::error_code error;
        if (!failed_)
            std::filesystem::rename(temporary_, target_, error);
        if (failed_ || error) {
            failed_ = true;
            std::filesystem::remove(temporary_, error);
        }
        temporary_.clear();
    }
    return !failed_;
}

void QtPagePrinter::replaceWhenFinished(std::string temporary, std::string target) {
    temporary_ = std::move(temporary);
    target_ = std::move(target);
}

}  // namespace qu32
