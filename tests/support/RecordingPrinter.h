#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Printer.h"

namespace qu32::test {

// A printer that keeps what it was sent. Its record outlives it, so a test can look at a job
// after the program has let go of the printer.
class RecordingPrinter : public Printer {
  public:
    struct Text {
        int document = 0;  // from 0, counted by endDocument()
        int page = 0;      // from 0 within its document
        int x = 0;
        int y = 0;
        std::string text;
    };
    struct Record {
        std::vector<Text> texts;
        int documentsEnded = 0;
        int page = 0;
        int newPages = 0;
        // The call that fails: after this many texts have been printed (-1: never).
        int failAfterTexts = -1;
    };

    // Letters 100 wide and lines 200 high unless a test says otherwise.
    TextExtent letter{100, 200};
    int width = 10000;
    int height = 14000;
    std::shared_ptr<Record> record = std::make_shared<Record>();

    TextExtent textExtent(const std::string&) override { return letter; }
    int pageWidth() override { return width; }
    int pageHeight() override { return height; }
    bool printText(int x, int y, const std::string& text) override {
        if (record->failAfterTexts >= 0 &&
            static_cast<int>(record->texts.size()) >= record->failAfterTexts)
            return false;
        record->texts.push_back({record->documentsEnded, record->page, x, y, text});
        return true;
    }
    bool newPage() override {
        ++record->page;
        ++record->newPages;
        return true;
    }
    bool endDocument() override {
        ++record->documentsEnded;
        record->page = 0;
        return true;
    }
};

}  // namespace qu32::test
