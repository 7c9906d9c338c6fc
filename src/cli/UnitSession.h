#pragma once

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "datasets/FirmwareSelection.h"
#include "unit/ConnectedUnit.h"

namespace qu32::cli {

// Texts of the unit and of files are ISO-8859-1; the terminal gets them in its own encoding.
QByteArray local(const std::string& latin1);
// Padded to `width` characters before it is converted: a column holds characters, not bytes.
QByteArray localPadded(const std::string& latin1, std::size_t width);
std::string latin1(const QString& text);

// "Error -4: Timeout during reading header. (Serial.Read_Parameter)"; the exit status of a
// failed unit or line.
int reportFailure(const SerialLink& link, std::FILE* err);
// After a unit that kept silent: one line on what to check.
void hintAfterSilence(Result result, std::FILE* err);

// Reads and writes a register as the main window does, with its retries.
Result readWithRetries(SerialLink& link, const std::string& code, std::string& text);
Result writeWithRetries(SerialLink& link, const std::string& code, const std::string& value);
// The rows that are not headings.
int realRows(const std::vector<Parameter>& rows);
// "Reading values 12/62" on standard error, overwritten in place on a terminal.
void progress(std::FILE* err, const char* what, int done, int total);

// Stands in for the firmware choice: chooses the name given with --firmware, or, without one,
// notes the names offered so that they can be listed. Messages go to the link's observer.
class FirmwareChooser : public OperatorObserver {
  public:
    FirmwareChooser(OperatorObserver& messages, std::string firmware)
        : messages_(messages), firmware_(std::move(firmware)) {}

    void showMessage(const std::string& text, MsgButtons buttons, MsgIcon icon) override {
        messages_.showMessage(text, buttons, icon);
    }
    FirmwareChoice chooseFirmware(const std::vector<std::string>& names,
                                  const std::string& preset) override;

    bool asked() const { return asked_; }
    // The choice would have been asked, and nobody said what to choose.
    bool choiceMissing() const { return asked_ && firmware_.empty(); }
    const std::vector<std::string>& offered() const { return offered_; }

  private:
    OperatorObserver& messages_;
    std::string firmware_;
    bool asked_ = false;
    std::vector<std::string> offered_;
};

// The connected unit as the commands learn it, the way the main window does: identified, then
// described (from a data set, a description file or the unit itself) with its group's registers.
class UnitSession {
  public:
    UnitSession(SerialLink& link, const CommandOptions& options, std::FILE* err);
    UnitSession(const UnitSession&) = delete;
    UnitSession& operator=(const UnitSession&) = delete;

    // False, with the failure reported, when the unit does not answer.
    bool identify();
    // The whole description; kExitDone, or the exit status with the reason reported.
    int describe();
    // Only what the unit's firmware brings along (for a file's rows, which need the unit's
    // command registers but not its description).
    void learnRegisters();
    // Identifies, describes and reads every value into the description, as Read all does;
    // kExitDone, or the exit status with the failure reported.
    int readAllValues();

    ConnectedUnit unit;

  private:
    SerialLink& link_;
    CommandOptions options_;
    std::FILE* err_;
    FirmwareChooser chooser_;
    FirmwareSelector selection_;
};

}  // namespace qu32::cli
