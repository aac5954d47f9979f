#include "records/recorder.h"

#include "base/text_file.h"
#include "records/record_lines.h"

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace qvr {

namespace {

// Only a file that is certainly not there gets a header: one that exists but
// cannot be looked at (locked, no permission) must not be started afresh.
bool FileIsMissing(const std::string& path) {
    std::error_code ec;
    const auto status =
        std::filesystem::status(std::filesystem::path(std::u8string(path.begin(), path.end())), ec);
    return status.type() == std::filesystem::file_type::not_found;
}

// Makes the folder when it is missing; the system's reason when it cannot.
std::string EnsureRecordFolder(const std::string& dataDir) {
    const std::string folder = RecordFolder(dataDir);
    std::string reason;
    if (!DirectoryExists(folder)) ForceDirectories(folder, &reason);
    return reason;
}

} // namespace

// Appends the lines, or loses them and says why; an existing file is never
// rewritten.
void Recorder::AppendRow(const std::string& path, const std::vector<std::string>& lines) {
    try {
        AppendTextLines(path, lines);
        trouble_ = {};
    } catch (const std::exception& e) {
        trouble_.Failing = true;
        trouble_.Reason = folderError_.empty() ? e.what() : folderError_;
        ++trouble_.LostRows;
    }
}

Recorder::Recorder(AppContext& context) : context_(context) {
    ResetStats();
}

void Recorder::RecordTick() {
    const TDateTime now = context_.clock.Now();
    AccumulateStats();
    if (context_.currentSample.Valid && OnSample) OnSample(now, context_.currentSample);
    if (context_.mySts.SecRec) WriteSecondRecord(now);

    const int s = SecondOfDay(now) % 60;
    if (s >= 6 && s <= 8) {
        if (!minuteLatch_) {
            minuteLatch_ = true;
            WriteMinuteRecord();
        }
    } else {
        minuteLatch_ = false;
    }
}

void Recorder::AccumulateStats() {
    const TSampleRec& sample = context_.currentSample;
    if (!sample.Valid) return;
    ++statCount_;
    for (int i = 0; i < kRecordChannelCount; ++i) {
        const RecordChannel& channel = RecordChannels[static_cast<std::size_t>(i)];
        const double value = ChannelValue(sample, channel);
        statSum_[static_cast<std::size_t>(i)] += value;
        if (value > ChannelValue(statMax_, channel)) SetChannelValue(statMax_, channel, value);
        if (value < ChannelValue(statMin_, channel)) SetChannelValue(statMin_, channel, value);
    }
}

void Recorder::ResetStats() {
    statCount_ = 0;
    statSum_.fill(0.0);
    for (const RecordChannel& channel : RecordChannels) {
        SetChannelValue(statMax_, channel, channel.MaxStart);
        SetChannelValue(statMin_, channel, channel.MinStart);
    }
}

void Recorder::WriteMinuteRecord() {
    // One reading of the clock names the file and stamps the row, so a row
    // never lands in the neighbouring day's file.
    const TDateTime now = context_.clock.Now();
    folderError_ = EnsureRecordFolder(context_.dataDir);
    if (statCount_ == 0) return;
    // After the operator's stop the statistics are kept and merged into the
    // first row after collection resumes. While collection runs, a minute
    // with samples gets its row even when the reading at its boundary is not
    // valid (a missed answer, a write, a line being reconnected): its samples
    // must not move under the next minute's time.
    if (!context_.currentSample.Valid && context_.mySts.CollectionStopped) return;

    for (int i = 0; i < kRecordChannelCount; ++i) {
        const RecordChannel& channel = RecordChannels[static_cast<std::size_t>(i)];
        SetChannelValue(minuteAvg_, channel, statSum_[static_cast<std::size_t>(i)] / statCount_);
    }
    minuteMax_ = statMax_;
    minuteMin_ = statMin_;

    const TMySts& sts = context_.mySts;
    const RecordLayout layout = ChooseLayout(sts);
    const std::string path = MinuteRecordFileName(context_.dataDir, now);
    std::vector<std::string> lines;
    if (FileIsMissing(path)) lines = MinuteHeaderPair(layout);
    if (sts.MaintenanceMode != lastLayoutExt_) {
        for (auto& line : MinuteHeaderPair(layout))
            lines.push_back(std::move(line));
    }
    lines.push_back(MinuteDataRow(layout, now, minuteAvg_, minuteMax_, minuteMin_));
    AppendRow(path, lines);
    if (OnMinuteRow) OnMinuteRow(now, lines.back(), statCount_);

    ResetStats();
    lastLayoutExt_ = sts.MaintenanceMode;
}

void Recorder::WriteSecondRecord() {
    WriteSecondRecord(context_.clock.Now());
}

void Recorder::WriteSecondRecord(TDateTime now) {
    folderError_ = EnsureRecordFolder(context_.dataDir);
    if (!context_.currentSample.Valid) return;

    const std::string path = SecondRecordFileName(context_.dataDir, now);
    std::vector<std::string> lines;
    if (FileIsMissing(path)) lines.push_back(SecondHeaderLine());
    lines.push_back(SecondDataRow(now, context_.currentSample));
    AppendRow(path, lines);
}

} // namespace qvr
