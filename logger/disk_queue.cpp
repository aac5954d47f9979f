#include "logger/disk_queue.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

namespace qvr {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSuffix = ".seg";

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xff);
}

std::uint32_t GetU32(const std::string& in, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

std::string Record(const QueuedMessage& m) {
    std::string out;
    PutU32(out, static_cast<std::uint32_t>(m.topic.size()));
    PutU32(out, static_cast<std::uint32_t>(m.payload.size()));
    return out + m.topic + m.payload;
}

bool ReadWhole(const fs::path& path, std::string& bytes) {
    std::FILE* f = std::fopen(path.string().c_str(), "rb");
    if (!f) return false;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

// The whole records of a segment's bytes; `used` is where the last ends.
std::vector<QueuedMessage> Parse(const std::string& bytes, std::size_t& used) {
    std::vector<QueuedMessage> out;
    used = 0;
    while (bytes.size() - used >= 8) {
        const std::uint64_t topic = GetU32(bytes, used), payload = GetU32(bytes, used + 4);
        if (bytes.size() - used - 8 < topic + payload) break;
        out.push_back({bytes.substr(used + 8, topic), bytes.substr(used + 8 + topic, payload)});
        used += 8 + topic + payload;
    }
    return out;
}

} // namespace

DiskQueue::DiskQueue(std::string folder, std::uint64_t limitBytes)
    : folder_(std::move(folder)), limit_(std::max<std::uint64_t>(limitBytes, 4096)),
      // Eight segments or more under the bound, so that dropping one frees
      // room without giving up most of the queue; small enough to read whole.
      segmentLimit_(std::clamp<std::uint64_t>(limit_ / 8, 1024, 4 * 1024 * 1024)) {}

std::string DiskQueue::SegmentPath(std::uint64_t first) const {
    char name[32];
    std::snprintf(name, sizeof name, "%020llu", static_cast<unsigned long long>(first));
    return (PathOf(folder_) / (std::string(name) + kSuffix)).string();
}

bool DiskQueue::Open(std::string& error) {
    const std::lock_guard lock(mutex_);
    std::error_code ec;
    fs::create_directories(PathOf(folder_), ec);
    if (!fs::is_directory(PathOf(folder_), ec)) {
        error = "cannot make the queue folder " + folder_ + (ec ? ": " + ec.message() : "");
        return false;
    }
    std::vector<std::uint64_t> firsts;
    for (const auto& entry : fs::directory_iterator(PathOf(folder_), ec)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != 20 + 4 || !name.ends_with(kSuffix)) continue;
        if (!std::all_of(name.begin(), name.begin() + 20,
                         [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        firsts.push_back(std::stoull(name.substr(0, 20)));
    }
    std::sort(firsts.begin(), firsts.end());
    segments_.clear();
    totalBytes_ = 0;
    std::uint64_t next = firsts.empty() ? 0 : firsts.front();
    for (const std::uint64_t first : firsts) {
        std::string bytes;
        const fs::path path = PathOf(SegmentPath(first));
        if (!ReadWhole(path, bytes)) continue;
        std::size_t used = 0;
        const auto messages = Parse(bytes, used);
        // A record cut short by a crash goes; what came before it stays.
        if (used < bytes.size()) fs::resize_file(path, used, ec);
        if (messages.empty()) {
            fs::remove(path, ec);
            continue;
        }
        // Sequence numbers restart where the files say; a gap is closed up.
        const std::uint64_t start = std::max(first, next);
        if (start != first) {
            fs::rename(path, PathOf(SegmentPath(start)), ec);
            if (ec) continue;
        }
        segments_.push_back({start, messages.size(), used});
        totalBytes_ += used;
        next = start + messages.size();
    }
    head_ = send_ = segments_.empty() ? next : segments_.front().first;
    tail_ = next;
    acknowledged_.clear();
    cachedFirst_ = UINT64_MAX;
    cached_.clear();
    return true;
}

bool DiskQueue::Push(const QueuedMessage& message, std::string* error) {
    const std::lock_guard lock(mutex_);
    const std::string record = Record(message);
    if (segments_.empty() || segments_.back().bytes + record.size() > segmentLimit_)
        segments_.push_back({tail_, 0, 0});
    Segment& segment = segments_.back();
    const std::string path = SegmentPath(segment.first);
    std::FILE* f = std::fopen(path.c_str(), "ab");
    bool ok = f != nullptr;
    if (f) {
        ok = std::fwrite(record.data(), 1, record.size(), f) == record.size();
        ok = std::fflush(f) == 0 && ok;
        ok = std::fclose(f) == 0 && ok;
    }
    if (!ok) {
        // Cut a part-written record back off, so the file stays whole.
        std::error_code ec;
        if (fs::exists(PathOf(path), ec)) fs::resize_file(PathOf(path), segment.bytes, ec);
        if (segment.count == 0) {
            fs::remove(PathOf(path), ec);
            segments_.pop_back();
        }
        ++dropped_;
        if (error) *error = "cannot write the queue file " + path;
        return false;
    }
    segment.bytes += record.size();
    ++segment.count;
    totalBytes_ += record.size();
    if (cachedFirst_ == segment.first) cached_.push_back(message);
    ++tail_;
    while (totalBytes_ > limit_ && segments_.size() > 1)
        DropHeadSegment();
    return true;
}

void DiskQueue::DropHeadSegment() {
    const Segment segment = segments_.front();
    const std::uint64_t end = segment.first + segment.count;
    std::uint64_t unacknowledged = 0;
    for (std::uint64_t s = std::max(head_, segment.first); s < end; ++s)
        if (!acknowledged_.contains(s)) ++unacknowledged;
    dropped_ += unacknowledged;
    acknowledged_.erase(acknowledged_.begin(), acknowledged_.lower_bound(end));
    std::error_code ec;
    fs::remove(PathOf(SegmentPath(segment.first)), ec);
    totalBytes_ -= segment.bytes;
    segments_.pop_front();
    if (cachedFirst_ == segment.first) {
        cachedFirst_ = UINT64_MAX;
        cached_.clear();
    }
    head_ = std::max(head_, end);
    send_ = std::max(send_, end);
}

bool DiskQueue::LoadSegment(const Segment& segment, std::vector<QueuedMessage>& out) const {
    std::string bytes;
    if (!ReadWhole(PathOf(SegmentPath(segment.first)), bytes)) return false;
    std::size_t used = 0;
    out = Parse(bytes, used);
    return out.size() == segment.count;
}

std::optional<std::pair<std::uint64_t, QueuedMessage>> DiskQueue::Next() {
    const std::lock_guard lock(mutex_);
    while (send_ < tail_) {
        while (send_ < tail_ && acknowledged_.contains(send_))
            ++send_;
        auto it = std::find_if(segments_.begin(), segments_.end(), [&](const Segment& s) {
            return send_ >= s.first && send_ < s.first + s.count;
        });
        if (it == segments_.end()) return std::nullopt;
        if (cachedFirst_ != it->first) {
            if (!LoadSegment(*it, cached_)) {
                // A segment that cannot be read back is lost: counted, skipped.
                dropped_ += it->first + it->count - send_;
                send_ = it->first + it->count;
                for (std::uint64_t s = head_; s < send_; ++s)
                    acknowledged_.insert(s);
                RemoveAcknowledgedSegments();
                continue;
            }
            cachedFirst_ = it->first;
        }
        const std::uint64_t sequence = send_++;
        return std::make_pair(sequence, cached_[sequence - it->first]);
    }
    return std::nullopt;
}

void DiskQueue::Acknowledge(std::uint64_t sequence) {
    const std::lock_guard lock(mutex_);
    if (sequence < head_ || sequence >= tail_) return;
    acknowledged_.insert(sequence);
    RemoveAcknowledgedSegments();
}

void DiskQueue::RemoveAcknowledgedSegments() {
    while (!acknowledged_.empty() && *acknowledged_.begin() == head_) {
        acknowledged_.erase(acknowledged_.begin());
        ++head_;
    }
    std::error_code ec;
    while (!segments_.empty() && segments_.front().first + segments_.front().count <= head_) {
        const Segment& segment = segments_.front();
        // The segment still being written is emptied too: the next push starts afresh.
        fs::remove(PathOf(SegmentPath(segment.first)), ec);
        totalBytes_ -= segment.bytes;
        if (cachedFirst_ == segment.first) {
            cachedFirst_ = UINT64_MAX;
            cached_.clear();
        }
        segments_.pop_front();
    }
    send_ = std::max(send_, head_);
}

void DiskQueue::Rewind() {
    const std::lock_guard lock(mutex_);
    send_ = head_;
}

std::uint64_t DiskQueue::Pending() const {
    const std::lock_guard lock(mutex_);
    return tail_ - head_ - acknowledged_.size();
}

std::uint64_t DiskQueue::TakeDropped() {
    const std::lock_guard lock(mutex_);
    return std::exchange(dropped_, 0);
}

void DiskQueue::AddDropped(std::uint64_t count) {
    const std::lock_guard lock(mutex_);
    dropped_ += count;
}

std::uint64_t DiskQueue::Bytes() const {
    const std::lock_guard lock(mutex_);
    return totalBytes_;
}

} // namespace qvr
