#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "platform/SerialPort.h"
#include "serial/Result.h"

namespace qu32 {

// The last frames the link sent and received and the errors it reported, for the protocol trace
// window: what led up to a fault can be looked at after it happened. Bounded, so a day of
// polling costs no more memory than a minute; the oldest entries drop first.
class ProtocolTrace {
  public:
    static constexpr std::size_t kMaxEntries = 10000;

    struct Entry {
        enum class Kind { Sent, Received, Error };
        std::uint64_t sequence = 0;  // from 1, never reused, also across clear()
        double ms = 0;
        Kind kind = Kind::Sent;
        Bytes bytes;      // frames
        LinkError error;  // errors
    };

    void frame(double ms, bool sent, const Bytes& bytes);
    void error(double ms, const LinkError& error);
    void clear();

    // Every entry still kept whose sequence number is above `after`, oldest first.
    void forEachAfter(std::uint64_t after, const std::function<void(const Entry&)>& visit) const;
    std::size_t size() const { return entries_.size(); }
    // The sequence number of the newest entry (0 while nothing was recorded).
    std::uint64_t lastSequence() const { return next_ - 1; }
    // Entries dropped to keep the bound since the last clear.
    std::uint64_t dropped() const { return dropped_; }

    // "   12.345 TX 04 31 31 30 30 05  |.1100.|", or for an error
    // "   12.400 ERROR -4 Timeout during reading header. (Serial.Read_Parameter)".
    static std::string lineOf(const Entry& entry);
    // Every entry kept, one line each, CR LF line ends (a log a technician mails).
    std::string text() const;

  private:
    void push(Entry entry);

    std::deque<Entry> entries_;
    std::uint64_t next_ = 1;
    std::uint64_t dropped_ = 0;
};

}  // namespace qu32
