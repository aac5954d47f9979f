#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace qvr {

struct QueuedMessage {
    std::string topic;
    std::string payload;
    bool operator==(const QueuedMessage&) const = default;
};

// Messages waiting for the broker's acknowledgement, kept in order in segment
// files in a folder, so that neither a broker outage nor a restart of the
// program loses them. The files together stay under a byte bound: the oldest
// segment is dropped first and its unacknowledged messages counted. A message
// leaves the queue when acknowledged; until then it is sent again after every
// Rewind (a reconnect), so a receiver may see it twice, never not at all.
// Every method may be called from any thread.
class DiskQueue {
public:
    // limitBytes: the bound on the segment files together.
    DiskQueue(std::string folder, std::uint64_t limitBytes);

    // Makes the folder and takes in what an earlier run left (a record cut
    // short by a crash is cut off). False with `error` set when the folder
    // cannot be used.
    bool Open(std::string& error);

    // Appends a message. False (the message is counted as dropped) when it
    // cannot be written; `error` then says why.
    bool Push(const QueuedMessage& message, std::string* error = nullptr);

    // The oldest message not yet handed out since the last Rewind, with its
    // sequence number.
    std::optional<std::pair<std::uint64_t, QueuedMessage>> Next();
    // The broker has the message.
    void Acknowledge(std::uint64_t sequence);
    // The connection went: what was handed out and not acknowledged goes again.
    void Rewind();

    // Messages not yet acknowledged.
    std::uint64_t Pending() const;
    // Messages dropped unsent since the count was last taken.
    std::uint64_t TakeDropped();
    // Gives back a count taken with TakeDropped that could not be published.
    void AddDropped(std::uint64_t count);
    std::uint64_t Bytes() const;

private:
    struct Segment {
        std::uint64_t first = 0; // sequence number of its first message
        std::uint64_t count = 0;
        std::uint64_t bytes = 0;
    };

    std::string SegmentPath(std::uint64_t first) const;
    bool LoadSegment(const Segment& segment, std::vector<QueuedMessage>& out) const;
    void DropHeadSegment();
    void RemoveAcknowledgedSegments();

    const std::string folder_;
    const std::uint64_t limit_;
    const std::uint64_t segmentLimit_;
    mutable std::mutex mutex_;
    std::deque<Segment> segments_;
    std::uint64_t head_ = 0;               // oldest unacknowledged
    std::uint64_t send_ = 0;               // next to hand out
    std::uint64_t tail_ = 0;               // next to push
    std::set<std::uint64_t> acknowledged_; // ahead of head_
    std::uint64_t dropped_ = 0;
    std::uint64_t totalBytes_ = 0;
    // The segment being handed out, read once.
    std::uint64_t cachedFirst_ = UINT64_MAX;
    std::vector<QueuedMessage> cached_;
};

} // namespace qvr
