// The printed listing as a PDF: a 401-row list laid out and written by the Qt PDF writer in
// memory, as qu32-cli print does, without a display.
//   print_bench [repetitions=20]
// Prints the time per listing (first one apart: it loads the fonts), the page count and size.

#include <QBuffer>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPageSize>
#include <QPdfWriter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "parfiles/ParameterListing.h"
#include "qt/QtPagePrinter.h"
#include "unit/UnitDescription.h"

using namespace qu32;

namespace {

UnitDescription fullList() {
    UnitDescription d;
    d.parameterCount = kMaxParameters;
    for (int i = 0; i < kMaxParameters; ++i) {
        Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        p.text = "Packungsl\xE4nge " + std::to_string(i);
        p.code = std::to_string(10 + i % 90);
        p.value = "+" + std::to_string(100000 + i) + ".00";
    }
    return d;
}

struct Listing {
    double ms = 0;
    int pages = 0;
    qsizetype bytes = 0;
};

Listing writeListing(const UnitDescription& d, const ListingHeader& header) {
    QElapsedTimer clock;
    clock.start();
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    Listing result;
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        QtPagePrinter printer(writer, QtPagePrinter::Documents::OneFile);
        // The page count: one more than the page breaks the listing asked for.
        struct Counting : Printer {
            Printer& inner;
            int pages = 1;
            explicit Counting(Printer& p) : inner(p) {}
            TextExtent textExtent(const std::string& t) override { return inner.textExtent(t); }
            int pageWidth() override { return inner.pageWidth(); }
            int pageHeight() override { return inner.pageHeight(); }
            bool printText(int x, int y, const std::string& t) override {
                return inner.printText(x, y, t);
            }
            bool newPage() override {
                ++pages;
                return inner.newPage();
            }
            bool endDocument() override { return inner.endDocument(); }
        } counting(printer);
        if (!printParameterList(counting, header, d, 1) || !printer.finish()) {
            std::fprintf(stderr, "the listing failed\n");
            std::exit(1);
        }
        result.pages = counting.pages;
    }
    result.ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    result.bytes = pdf.data().size();
    return result;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const UnitDescription d = fullList();
    const ListingHeader header{"QU 3.2 nimbus", "12-06-2026", "", "", "QU31045 ", "AA45901 ", ""};

    const Listing first = writeListing(d, header);
    std::vector<double> times;
    Listing last;
    for (int i = 0; i < repetitions; ++i) {
        last = writeListing(d, header);
        times.push_back(last.ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("PDF of %d rows: %d pages, %lld bytes\n", d.parameterCount, last.pages,
                static_cast<long long>(last.bytes));
    std::printf("first listing (fonts loaded): %.1f ms\n", first.ms);
    std::printf("listing, %d runs: min %.1f ms, median %.1f ms, max %.1f ms (aim: under 300 ms)\n",
                repetitions, times.front(), times[times.size() / 2], times.back());
    return 0;
}
