#pragma once

#include <functional>
#include <string>
#include <vector>

#include "serial/SerialLink.h"
#include "unit/StatusWords.h"
#include "unit/UnitDescription.h"
#include "unit/UnitIdentity.h"

namespace qu32 {

// Everything the program knows about the connected unit, and the routines that learn it over
// the link: identification, the combined status read and the description.
class ConnectedUnit {
  public:
    explicit ConnectedUnit(SerialLink& link) : link_(link) {}

    // Reads the version registers, tests the combined status read and sorts the unit into its
    // group (group 0 included). Fails with the version read's result when the line fails.
    Result identifyUnit();
    // The combined status read into the status words.
    Result readCombinedStatus();
    // Loads the register codes and bit tables of the identified group.
    void applyGroupRegisters();

    // The description: from a data set or file (the source set below, when it installs one), or
    // from the unit in its 8-bit phase. UnknownCode: the unit has no description blocks. On any
    // other failure lastMessage says which step failed.
    Result readUnitDescription();
    // For units without description blocks: the list built by probing the data and set-up
    // registers. LineFailed or NotAcknowledged when the unit stopped answering.
    Result probeParameterList();

    // Asked first by readUnitDescription; returns true when it installed a description.
    void setDescriptionSource(std::function<bool()> source) { source_ = std::move(source); }

    UnitIdentity identity;
    GroupRegisters group;
    UnitDescription description;
    StatusWords status;
    // Why the last readUnitDescription failed, and any remarks of the decoders.
    std::string lastMessage;
    std::vector<std::string> notes;

    SerialLink& link() { return link_; }

  private:
    Result readDescriptionFromUnit();
    Result readBlock(std::size_t step);
    Result checkLink(const std::string& progressText);
    Result giveUp(Result result, const std::string& message, bool unitInEightBits);
    void showProgress(const std::string& text);
    void showLineFormat(const std::string& lineFormat);

    SerialLink& link_;
    std::function<bool()> source_;
};

}  // namespace qu32
