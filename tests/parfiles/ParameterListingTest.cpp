#include "parfiles/ParameterListing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "parfiles/ParameterFileCommands.h"
#include "support/RecordingPrinter.h"
#include "support/ScriptedDialogs.h"

namespace qu32::test {
namespace {

using Text = RecordingPrinter::Text;

// The recording printer's letter is 100 x 200: margins 1000 left and 1000 top, header values at
// 2500, row values at half the page width.
constexpr int kLeft = 1000;
constexpr int kHeaderColumn = 2500;

int lineOf(const Text& t) {
    return (t.y - 1000) / 200;
}

UnitDescription rows(int count) {
    UnitDescription d;
    d.parameterCount = count;
    for (int i = 0; i < count; ++i) {
        Parameter& p = d.parameters[static_cast<std::size_t>(i)];
        p.text = "Row " + std::to_string(i);
        p.code = "0" + std::to_string(i % 10);
        p.value = "+" + std::to_string(i);
    }
    return d;
}

const ListingHeader kUnitHeader{"QU 3.2", "12-06-2026", "", "", "QU31045 ", "AA45901 ", ""};

// Every text of one document, keyed by page and line, as "text|value" or a single text.
std::map<std::pair<int, int>, std::vector<Text>> byLine(const RecordingPrinter::Record& r,
                                                        int document) {
    std::map<std::pair<int, int>, std::vector<Text>> lines;
    for (const Text& t : r.texts) {
        if (t.document == document)
            lines[{t.page, lineOf(t)}].push_back(t);
    }
    return lines;
}

std::vector<Text> on(const std::map<std::pair<int, int>, std::vector<Text>>& lines, int page,
                     int line) {
    const auto found = lines.find({page, line});
    return found == lines.end() ? std::vector<Text>{} : found->second;
}

TEST(ParameterListing, UnitHeaderThenRowsFromLineTen) {
    RecordingPrinter printer;
    UnitDescription d = rows(2);
    d.parameters[1].code = "xx";  // a heading row
    d.parameters[1].text = "Analogue";
    d.parameters[1].value.clear();
    ASSERT_TRUE(printParameterList(printer, kUnitHeader, d, 1));

    auto lines = byLine(*printer.record, 0);
    EXPECT_EQ(on(lines, 0, 0)[0].text, "QU 3.2 nimbus");
    ASSERT_EQ(on(lines, 0, 2).size(), 2u);
    EXPECT_EQ(on(lines, 0, 2)[1].text, "12-06-2026");
    EXPECT_EQ(on(lines, 0, 2)[1].x, kHeaderColumn);
    EXPECT_EQ(on(lines, 0, 3)[1].text, "QU310");  // the model only
    EXPECT_EQ(on(lines, 0, 4)[1].text, "AA45901 ");
    ASSERT_EQ(on(lines, 0, 10).size(), 2u);
    EXPECT_EQ(on(lines, 0, 10)[0].text, "Row 0");
    EXPECT_EQ(on(lines, 0, 10)[0].x, kLeft);
    EXPECT_EQ(on(lines, 0, 10)[1].text, "+0");
    EXPECT_EQ(on(lines, 0, 10)[1].x, printer.width / 2);
    // A heading row keeps its line, with an empty value.
    EXPECT_EQ(on(lines, 0, 11)[0].text, "Analogue");
    EXPECT_EQ(on(lines, 0, 11)[1].text, "");
    EXPECT_EQ(printer.record->documentsEnded, 1);
    EXPECT_EQ(printer.record->newPages, 0);
}

TEST(ParameterListing, FileHeaderWithTwoCommentLinesMovesRowsToLineFourteen) {
    RecordingPrinter printer;
    ListingHeader header = kUnitHeader;
    header.filePath = "/home/technician/machines/line7/press/left.par";
    header.lastUpdate = "12/01/26 08:15:00";
    header.comment = "Press 4, left\r\nafter service";
    header.standardVersion = "QU31045 ";
    ASSERT_TRUE(printParameterList(printer, header, rows(1), 1));

    auto lines = byLine(*printer.record, 0);
    EXPECT_EQ(on(lines, 0, 3)[0].text, "File:");
    EXPECT_EQ(on(lines, 0, 3)[1].text, "../machines/line7/press/left.par");
    EXPECT_EQ(on(lines, 0, 4)[0].text, "Last Update:");
    EXPECT_EQ(on(lines, 0, 4)[1].text, "12/01/26 08:15:00");
    EXPECT_EQ(on(lines, 0, 5)[1].text, "QU310");
    EXPECT_EQ(on(lines, 0, 6)[1].text, "AA45901 ");
    EXPECT_TRUE(on(lines, 0, 7).empty());
    EXPECT_EQ(on(lines, 0, 8)[0].text, "Comments:");
    EXPECT_EQ(on(lines, 0, 9)[0].text, "Press 4, left");
    EXPECT_EQ(on(lines, 0, 10)[0].text, "after service");
    EXPECT_EQ(on(lines, 0, 14)[0].text, "Row 0");

    // An empty comment is one empty line: the rows begin at line 13.
    RecordingPrinter second;
    header.comment.clear();
    ASSERT_TRUE(printParameterList(second, header, rows(1), 1));
    EXPECT_EQ(on(byLine(*second.record, 0), 0, 13)[0].text, "Row 0");
}

TEST(ParameterListing, LongTableBreaksPagesWithoutRepeatingTheHeader) {
    // 8000 / 200 = 40 lines a page, the last row line is 40 - 18 + 1 = 23.
    RecordingPrinter printer;
    printer.height = 8000;
    ASSERT_TRUE(printParameterList(printer, kUnitHeader, rows(50), 1));

    const auto& texts = printer.record->texts;
    std::vector<std::pair<int, int>> rowPlaces;  // page, line of every row text
    for (const Text& t : texts) {
        if (t.text.rfind("Row ", 0) == 0)
            rowPlaces.emplace_back(t.page, lineOf(t));
    }
    ASSERT_EQ(rowPlaces.size(), 50u);
    EXPECT_EQ(rowPlaces[0], std::make_pair(0, 10));
    EXPECT_EQ(rowPlaces[13], std::make_pair(0, 23));
    EXPECT_EQ(rowPlaces[14], std::make_pair(1, 0));
    EXPECT_EQ(rowPlaces[37], std::make_pair(1, 23));
    EXPECT_EQ(rowPlaces[38], std::make_pair(2, 0));
    EXPECT_EQ(rowPlaces[49], std::make_pair(2, 11));
    for (const Text& t : texts)
        EXPECT_TRUE(t.page == 0 || t.text.rfind("Row ", 0) == 0 || t.text.front() == '+')
            << t.text << " on page " << t.page;
    EXPECT_EQ(printer.record->newPages, 2);

    // A table that fills its last page exactly leaves no blank sheet behind.
    RecordingPrinter exact;
    exact.height = 8000;
    ASSERT_TRUE(printParameterList(exact, kUnitHeader, rows(38), 1));
    EXPECT_EQ(exact.record->newPages, 1);
}

TEST(ParameterListing, EveryCopyIsADocumentWithItsHeader) {
    RecordingPrinter printer;
    printer.height = 8000;
    ASSERT_TRUE(printParameterList(printer, kUnitHeader, rows(20), 3));
    EXPECT_EQ(printer.record->documentsEnded, 3);
    for (int document = 0; document < 3; ++document) {
        auto lines = byLine(*printer.record, document);
        EXPECT_EQ(on(lines, 0, 0)[0].text, "QU 3.2 nimbus") << document;
        EXPECT_EQ(on(lines, 0, 10)[0].text, "Row 0") << document;
        EXPECT_EQ(on(lines, 1, 5)[0].text, "Row 19") << document;
    }
}

TEST(ParameterListing, AFailingPrinterEndsTheListing) {
    RecordingPrinter printer;
    printer.record->failAfterTexts = 12;
    EXPECT_FALSE(printParameterList(printer, kUnitHeader, rows(5), 2));
    EXPECT_EQ(printer.record->texts.size(), 12u);
    EXPECT_EQ(printer.record->documentsEnded, 0);

    // A printer that cannot measure a line gets nothing at all (no division by zero).
    RecordingPrinter unmeasured;
    unmeasured.letter = {0, 0};
    EXPECT_FALSE(printParameterList(unmeasured, kUnitHeader, rows(5), 1));
    EXPECT_TRUE(unmeasured.record->texts.empty());
}

TEST(ParameterListing, DatesAreMonthDayYear) {
    const auto t = std::chrono::system_clock::from_time_t(1796558400);  // 2026-12-06 12:00 UTC
    const std::string date = listingDate(t);
    ASSERT_EQ(date.size(), 10u);
    EXPECT_EQ(date.substr(0, 3), "12-");
    EXPECT_EQ(date.substr(5), "-2026");
}

// The window's File > Print: the dialog, and which identity the header shows.
class PrintCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        company.titleText = "QU 3.2";
        identity.standardVersion = "QU31045 ";
        identity.softwareVersion = "AA45901 ";
        description = rows(3);
    }
    const std::vector<Text>& printed() { return dialogs.printed->texts; }

    ScriptedDialogs dialogs;
    LocalFiles files;
    CompanyInfo company;
    UnitDescription description;
    UnitIdentity identity;
    ParameterFileState file;
    ParameterFileCommands commands{dialogs, files, company, "", description, identity, file};
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now();
};

TEST_F(PrintCommand, CancelledDialogPrintsNothing) {
    commands.print(now);
    EXPECT_EQ(dialogs.printTitles, std::vector<std::string>{"PRINT"});
    EXPECT_FALSE(dialogs.printed);
}

TEST_F(PrintCommand, PrintsTheFilesIdentityAndUnsentEdits) {
    const auto path = std::filesystem::temp_directory_path() / "qu32-print-test.par";
    std::string error;
    ASSERT_TRUE(files.replace(path.string(), "x", error)) << error;
    file.path = path.string();
    file.standardVersion = "QU20012 ";
    file.softwareVersion = "BB12345 ";
    file.comment = "one\ntwo";
    description.parameters[2].value = "+0042";  // edited, not sent
    dialogs.printCopies = 2;
    commands.print(now);
    std::filesystem::remove(path);

    ASSERT_TRUE(dialogs.printed);
    EXPECT_EQ(dialogs.printed->documentsEnded, 2);
    std::map<int, std::string> firstDocument;  // header values and row values by line
    for (const Text& t : printed()) {
        if (t.document == 0 && t.x != kLeft)
            firstDocument[lineOf(t)] = t.text;
    }
    EXPECT_EQ(firstDocument[2], listingDate(now));
    EXPECT_FALSE(firstDocument[4].empty());  // the file's last update
    EXPECT_EQ(firstDocument[5], "QU200");
    EXPECT_EQ(firstDocument[6], "BB12345 ");
    EXPECT_EQ(firstDocument[12 + 2 + 2], "+0042");
}

}  // namespace
}  // namespace qu32::test
