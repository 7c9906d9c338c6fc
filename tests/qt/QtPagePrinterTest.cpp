// The listing on Qt's own PDF output, as the print dialog's "print to file" hands it over.
#include "qt/QtPagePrinter.h"

#include <gtest/gtest.h>

#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <fstream>
#include <memory>

#include "parfiles/ParameterListing.h"
#include "support/TempFolder.h"

namespace qu32::test {
namespace {

int pdfPages(const std::string& path) {
    QProcess info;
    info.start("pdfinfo", {QString::fromStdString(path)});
    info.waitForFinished(30000);
    const auto m = QRegularExpression("Pages:\\s+(\\d+)").match(info.readAllStandardOutput());
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

std::unique_ptr<QtPagePrinter> pdfPrinter(const std::string& temporary, const std::string& target) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(temporary));
    auto pdf =
        std::make_unique<QtPagePrinter>(std::move(printer), QtPagePrinter::Documents::OneFile);
    pdf->replaceWhenFinished(temporary, target);
    return pdf;
}

TEST(QtPagePrinter, CopiesFollowEachOtherInOneFileThatReplacesTheOldOnlyWhenComplete) {
    TempFolder folder;
    const std::string target = folder.file("list.pdf");
    std::ofstream(target) << "the previous listing";
    UnitDescription d;
    d.parameterCount = 1;
    d.parameters[0].text = "Kettenteilung";
    d.parameters[0].value = "0120";
    const ListingHeader header{"QU 3.2", "12-06-2026", "", "", "TQ59303 ", "TQ59312 ", ""};

    auto printer = pdfPrinter(target + ".tmp", target);
    ASSERT_TRUE(printParameterList(*printer, header, d, 2));
    ASSERT_TRUE(printer->finish());
    EXPECT_EQ(pdfPages(target), 2);
    EXPECT_FALSE(std::filesystem::exists(target + ".tmp"));

    // A device that cannot be written (its folder is missing) leaves the listing there alone.
    auto failing = pdfPrinter(folder.file("missing/list.pdf"), target);
    EXPECT_FALSE(printParameterList(*failing, header, d, 1));
    EXPECT_FALSE(failing->finish());
    EXPECT_EQ(pdfPages(target), 2);
}

}  // namespace
}  // namespace qu32::test
