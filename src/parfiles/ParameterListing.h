#pragma once

#include <chrono>
#include <string>

#include "platform/Printer.h"
#include "unit/UnitDescription.h"

// The printed parameter listing: a heading, the date, the identity of the unit or of the file
// the list came from with its comment, then one line per row with its text and value.
namespace qu32 {

// What the listing says above the rows. Without a file path the identity is the connected
// unit's; with one it is the file's, with its last update and comment.
struct ListingHeader {
    std::string title;  // the configured title text
    std::string date;   // mm-dd-yyyy
    std::string filePath;
    std::string lastUpdate;
    std::string standardVersion;
    std::string softwareVersion;
    std::string comment;
};

// The page geometry of the listing in lines: the header ends and the rows begin here.
inline constexpr int kFirstRowLineForUnit = 10;
// Lines left free at the bottom of every page.
inline constexpr int kLinesKeptFreeAtBottom = 18;
// A path longer than this is shortened in the header.
inline constexpr std::size_t kListedPathLength = 30;

// Prints `copies` documents of the first parameterCount rows, each with the header. False when
// the printer failed; what it had already taken stays sent.
bool printParameterList(Printer& printer, const ListingHeader& header,
                        const UnitDescription& description, int copies);

// The date line's "mm-dd-yyyy" and the file's "Last Update:" text (the date and time as this
// machine's locale writes them), both in local time.
std::string listingDate(std::chrono::system_clock::time_point time);
std::string listingDateTime(std::chrono::system_clock::time_point time);

}  // namespace qu32
