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
class UnitData {
  public:
    explicit UnitData(SerialLink& link) : link_(link) {}

    // Reads the version registers, tests the combined status read and sorts the unit into its
    // group. 1 when identified (group 0 included), -2 when a version read failed.
    int Identify_Unit(const std::string& caller);
    // Combined status read "9g" into the status words. 1, or the block read's code.
    int Multi_Read(const std::string& caller);
    // Loads the register codes and bit tables of the identified group; group 0 warns the user.
    void ApplyGroupSettings();

    // The description: from a data set (the selector, when it installs one) or from the unit in
    // its 8-bit phase. 1 complete, 0 the unit could not be set back, negative the failed step.
    int Read_UnitData(const std::string& caller);
    // For units without description blocks: the list built by probing the data and set-up
    // registers. 1, or -2 / -1 when the unit stopped answering.
    int Build_ParameterList();

    // Asked first by Read_UnitData; returns true when it installed a description.
    void setFirmwareSelector(std::function<bool()> selector) { selector_ = std::move(selector); }

    UnitIdentity identity;
    GroupSettings group;
    UnitDescription description;
    StatusWords status;
    // Maximum of the parameter list's scroll bar, set whenever a description is installed.
    int scrollMax = 0;
    // Why the last Read_UnitData failed, and any remarks of the decoders.
    std::string lastMessage;
    std::vector<std::string> notes;

    SerialLink& link() { return link_; }

  private:
    int readDescriptionFromUnit(bool& unitInEightBits);
    int readBlock(int step, const std::string& code, bool longData);
    void setProgress(const std::string& text);
    int failStep(int code, const std::string& message);

    SerialLink& link_;
    std::function<bool()> selector_;
};

}  // namespace qu32
