#include "parfiles/ParameterListing.h"

#include <ctime>
#include <vector>

#include "parfiles/ParameterFile.h"

namespace qu32 {

namespace {

// Margins and columns in multiples of the letter "A".
constexpr int kLeftMarginWidths = 10;
constexpr int kTopMarginHeights = 5;
constexpr int kHeaderColumnWidths = 15;
constexpr std::size_t kModelLength = 5;

// The comment's lines; a carriage return before a line feed belongs to the break, not the text.
std::vector<std::string> commentLines(const std::string& comment) {
    std::vector<std::string> lines(1);
    for (const char c : comment) {
        if (c == '\n') {
            if (!lines.back().empty() && lines.back().back() == '\r')
                lines.back().pop_back();
            lines.emplace_back();
        } else {
            lines.back() += c;
        }
    }
    return lines;
}

class ListingPage {
  public:
    ListingPage(Printer& printer, int letterWidth, int lineHeight)
        : printer_(printer),
          left_(kLeftMarginWidths * letterWidth),
          top_(kTopMarginHeights * lineHeight),
          headerColumn_(left_ + kHeaderColumnWidths * letterWidth),
          lineHeight_(lineHeight) {}

    bool text(int line, const std::string& text) { return at(left_, line, text); }
    bool headerValue(int line, const std::string& text) { return at(headerColumn_, line, text); }
    bool at(int x, int line, const std::string& text) {
        return printer_.printText(x, top_ + line * lineHeight_, text);
    }

  private:
    Printer& printer_;
    int left_;
    int top_;
    int headerColumn_;
    int lineHeight_;
};

// The header lines; returns the line of the first row, or -1 when the printer failed.
int printHeader(ListingPage& page, const ListingHeader& header) {
    bool ok = page.text(0, header.title + " nimbus") && page.text(2, "Date:") &&
              page.headerValue(2, header.date);
    if (header.filePath.empty()) {
        ok = ok && page.text(3, "Unit:") &&
             page.headerValue(3, header.standardVersion.substr(0, kModelLength)) &&
             page.text(4, "Firmware:") && page.headerValue(4, header.softwareVersion);
        return ok ? kFirstRowLineForUnit : -1;
    }
    ok = ok && page.text(3, "File:") &&
         page.headerValue(3, shortenPath(header.filePath, kListedPathLength)) &&
         page.text(4, "Last Update:") && page.headerValue(4, header.lastUpdate) &&
         page.text(5, "Unit:") &&
         page.headerValue(5, header.standardVersion.substr(0, kModelLength)) &&
         page.text(6, "Firmware:") && page.headerValue(6, header.softwareVersion) &&
         page.text(8, "Comments:");
    const std::vector<std::string> lines = commentLines(header.comment);
    for (std::size_t k = 0; ok && k < lines.size(); ++k)
        ok = page.text(9 + static_cast<int>(k), lines[k]);
    return ok ? 12 + static_cast<int>(lines.size()) : -1;
}

bool printCopy(Printer& printer, ListingPage& page, const ListingHeader& header,
               const UnitDescription& description, int valueColumn, int lastLine) {
    int line = printHeader(page, header);
    if (line < 0)
        return false;
    // The page is turned when the next row comes, so a full last page leaves no blank sheet.
    bool pageFull = false;
    for (int i = 0; i < description.parameterCount && i < kMaxParameters; ++i) {
        if (pageFull) {
            if (!printer.newPage())
                return false;
            line = 0;
            pageFull = false;
        }
        const Parameter& row = description.parameters[static_cast<std::size_t>(i)];
        if (!page.text(line, row.text) || !page.at(valueColumn, line, row.value))
            return false;
        if (line > lastLine)
            pageFull = true;
        else
            ++line;
    }
    return printer.endDocument();
}

std::string formatLocalTime(std::chrono::system_clock::time_point time, const char* format) {
    const std::time_t t = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    if (!localtime_r(&t, &local))
        return {};
    char text[128];
    const std::size_t length = std::strftime(text, sizeof text, format, &local);
    return std::string(text, length);
}

}  // namespace

bool printParameterList(Printer& printer, const ListingHeader& header,
                        const UnitDescription& description, int copies) {
    const TextExtent letter = printer.textExtent("A");
    // A printer that cannot measure a letter cannot place a line either.
    if (letter.width <= 0 || letter.height <= 0)
        return false;
    const int lastLine = printer.pageHeight() / letter.height - kLinesKeptFreeAtBottom;
    const int valueColumn = printer.pageWidth() / 2;
    ListingPage page(printer, letter.width, letter.height);
    for (int copy = 0; copy < copies; ++copy) {
        if (!printCopy(printer, page, header, description, valueColumn, lastLine))
            return false;
    }
    return true;
}

std::string listingDate(std::chrono::system_clock::time_point time) {
    return formatLocalTime(time, "%m-%d-%Y");
}

std::string listingDateTime(std::chrono::system_clock::time_point time) {
    return formatLocalTime(time, "%x %X");
}

}  // namespace qu32
