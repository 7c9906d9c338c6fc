#pragma once

#include <string>

namespace qu32 {

// Size of a text in the printer's own units.
struct TextExtent {
    int width = 0;
    int height = 0;
};

// A printer as the listing sees it: positions and sizes are in the printer's own units, texts
// are ISO-8859-1 and placed by their top-left corner. A document starts with the first text
// and ends with endDocument(); the next text starts another document. Failures are returned,
// and nothing more is sent after one.
class Printer {
  public:
    virtual ~Printer() = default;

    virtual TextExtent textExtent(const std::string& text) = 0;
    // The printable area of a page.
    virtual int pageWidth() = 0;
    virtual int pageHeight() = 0;

    virtual bool printText(int x, int y, const std::string& text) = 0;
    virtual bool newPage() = 0;
    // Sends the document to the printer.
    virtual bool endDocument() = 0;
};

}  // namespace qu32
