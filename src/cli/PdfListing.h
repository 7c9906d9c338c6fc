#pragma once

#include <cstdio>
#include <string>

#include "cli/Commands.h"
#include "parfiles/ParameterListing.h"

namespace qu32::cli {

// The title of the configuration file in the program folder, or the default one when there is
// no readable file; the folder is never written.
std::string configuredTitle(const std::string& programFolder);

// Writes the listing of `description` as the PDF options.pdfPath, with options.copies copies,
// replacing the file only once it is complete. The exit status.
int writePdfListing(const ListingHeader& header, const UnitDescription& description,
                    const CommandOptions& options, std::FILE* out, std::FILE* err);

}  // namespace qu32::cli
