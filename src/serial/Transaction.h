#pragma once

#include "serial/SerialLink.h"

namespace qu32 {

// The life of one transaction: the wake-up event exists while it waits; on every way out the
// event is closed, the answer timer stopped and its flag cleared.
class SerialLink::Transaction {
  public:
    explicit Transaction(SerialLink& link) : link_(link) {
        // Only one transaction may wait at a time; a second one started from an event handler
        // during the wait must fail, not take the first one's event away.
        nested_ = link_.receiveEvent_ != nullptr;
        if (!nested_)
            link_.receiveEvent_ = link_.loop_.createWakeEvent();
    }
    ~Transaction() {
        if (nested_)
            return;
        link_.answerTimer_->setEnabled(false);
        link_.answerTimedOut_ = false;
        link_.receiveEvent_.reset();
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool valid() const { return !nested_ && link_.receiveEvent_ != nullptr; }
    // The code to fail with when not valid.
    int invalidCode() const { return nested_ ? kErrInternalFault : kErrNoWakeEvent; }
    bool waitForBytes(int maxMs) { return link_.loop_.waitFor(*link_.receiveEvent_, maxMs); }
    // Starts a full interval of inactivity time.
    void restartTimer() {
        link_.answerTimer_->setEnabled(false);
        link_.answerTimedOut_ = false;
        link_.answerTimer_->setEnabled(true);
    }
    void stopTimer() {
        link_.answerTimer_->setEnabled(false);
        link_.answerTimedOut_ = false;
    }
    bool timedOut() const { return link_.answerTimedOut_; }

  private:
    SerialLink& link_;
    bool nested_ = false;
};

}  // namespace qu32
