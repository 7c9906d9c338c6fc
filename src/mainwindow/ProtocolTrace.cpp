#include "mainwindow/ProtocolTrace.h"

#include <cstdio>

#include "serial/TraceFormat.h"

namespace qu32 {

void ProtocolTrace::frame(double ms, bool sent, const Bytes& bytes) {
    Entry entry;
    entry.ms = ms;
    entry.kind = sent ? Entry::Kind::Sent : Entry::Kind::Received;
    entry.bytes = bytes;
    push(std::move(entry));
}

void ProtocolTrace::error(double ms, const LinkError& error) {
    Entry entry;
    entry.ms = ms;
    entry.kind = Entry::Kind::Error;
    entry.error = error;
    push(std::move(entry));
}

void ProtocolTrace::push(Entry entry) {
    entry.sequence = next_++;
    if (entries_.size() >= kMaxEntries) {
        entries_.pop_front();
        ++dropped_;
    }
    entries_.push_back(std::move(entry));
}

void ProtocolTrace::clear() {
    entries_.clear();
    dropped_ = 0;
}

void ProtocolTrace::forEachAfter(std::uint64_t after,
                                 const std::function<void(const Entry&)>& visit) const {
    // Sequence numbers rise by one along the deque, so the first entry to show is found at once.
    if (entries_.empty() || after >= entries_.back().sequence)
        return;
    const std::uint64_t first = entries_.front().sequence;
    const std::size_t start = after < first ? 0 : static_cast<std::size_t>(after - first + 1);
    for (std::size_t i = start; i < entries_.size(); ++i)
        visit(entries_[i]);
}

std::string ProtocolTrace::lineOf(const Entry& entry) {
    if (entry.kind != Entry::Kind::Error)
        return formatTraceLine(entry.ms, entry.kind == Entry::Kind::Sent, entry.bytes);
    char head[48];
    std::snprintf(head, sizeof head, "%10.3f ERROR %d ", entry.ms, numberOf(entry.error.result));
    return head + entry.error.description + " (" + entry.error.source + ")";
}

std::string ProtocolTrace::text() const {
    std::string all;
    for (const Entry& e : entries_)
        all += lineOf(e) + "\r\n";
    return all;
}

}  // namespace qu32
