#include "cli/PdfListing.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <filesystem>

#include "cli/UnitSession.h"
#include "platform/Files.h"
#include "qt/QtPagePrinter.h"
#include "settings/ConfigFile.h"

namespace qu32::cli {

std::string configuredTitle(const std::string& programFolder) {
    const std::string path =
        (std::filesystem::path(programFolder) / ConfigFile::kFileName).string();
    CompanyInfo company;
    company.titleText = kDefaultTitleText;
    // Opening a missing file would write the default one; a listing must not change the folder.
    if (LocalFiles().exists(path)) {
        SerialSettings serial;
        PortMap portMap;
        ConfigFile().open(path, serial, company, portMap);
    }
    return company.titleText;
}

int writePdfListing(const ListingHeader& header, const UnitDescription& description,
                    const CommandOptions& options, std::FILE* out, std::FILE* err) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    bool printed = false;
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setTitle(QString::fromLatin1(header.title.data(), qsizetype(header.title.size())));
        writer.setCreator(QStringLiteral("qu32-cli " QU32_VERSION));
        QtPagePrinter printer(writer, QtPagePrinter::Documents::OneFile);
        printed =
            printParameterList(printer, header, description, options.copies) && printer.finish();
    }
    if (!printed) {
        std::fprintf(err, "The listing could not be written as a PDF.\n");
        return kExitFailed;
    }
    std::string error;
    if (!LocalFiles().replace(options.pdfPath, pdf.data().toStdString(), error)) {
        std::fprintf(err, "The file %s could not be saved: %s\n", options.pdfPath.c_str(),
                     local(error).constData());
        return kExitFailed;
    }
    std::fprintf(out, "%s: listing of %d parameters, %d %s\n", options.pdfPath.c_str(),
                 description.parameterCount, options.copies,
                 options.copies == 1 ? "copy" : "copies");
    return kExitDone;
}

}  // namespace qu32::cli
