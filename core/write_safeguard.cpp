#include "core/write_safeguard.h"

#include "base/number_text.h"
#include "base/text_file.h"
#include "core/param_keys.h"
#include "core/write_log_texts.h"

#include <exception>

namespace qvr {

WriteSafeguard::WriteSafeguard(Exchange& exchange, const Clock& clock, std::string dataDir,
                               SaveFile save, LogLine log)
    : reader_(exchange), clock_(clock), dataDir_(std::move(dataDir)), save_(std::move(save)),
      log_(std::move(log)) {}

void WriteSafeguard::StartBackup(const std::string& serialNo, const TWritePrm& toSend) {
    serialNo_ = serialNo;
    written_ = toSend;
    plan_ = {};
    phase_ = Phase::Backup;
    reader_.Start();
}

void WriteSafeguard::StartReadBack(const TWritePrm& written) {
    written_ = written;
    readBack_ = {};
    phase_ = Phase::ReadBack;
    reader_.Start();
}

void WriteSafeguard::Tick() {
    if (phase_ == Phase::Idle || reader_.Tick()) return;
    const Phase ended = phase_;
    phase_ = Phase::Idle;
    if (ended == Phase::Backup)
        FinishBackup();
    else
        FinishReadBack();
}

void WriteSafeguard::Stop() {
    reader_.Stop();
    phase_ = Phase::Idle;
}

void WriteSafeguard::FinishBackup() {
    backupPath_.clear();
    plan_ = PlanWrite(written_, reader_.Values(), reader_.Silent());
    if (reader_.Silent()) {
        log_(write_log::kBackupSilent);
        return;
    }
    if (!reader_.Complete()) {
        // A partial set would restore the missing keys as built-in defaults.
        log_(write_log::kBackupMissingBefore + JoinKeys(reader_.Missing()) +
             write_log::kBackupMissingAfter);
        return;
    }
    TWritePrm held;
    ResetPrm(held);
    reader_.ApplyTo(held);
    std::string path;
    try {
        path = StampedPathIn(dataDir_ + "Backup", serialNo_, clock_.Now(), ".qvr");
        save_(held, path, PlanSummary(plan_));
    } catch (const std::exception& e) {
        log_(std::string(write_log::kBackupFailed) + e.what());
        return;
    }
    backupPath_ = path;
    log_(write_log::kBackup + path);
}

void WriteSafeguard::FinishReadBack() {
    readBack_ = CheckReadBack(written_, reader_);
    for (const auto& line : readBack_.Lines)
        log_(line);
}

ReadBackReport CheckReadBack(const TWritePrm& written, const ParamReader& reader) {
    ReadBackReport report;
    std::vector<std::string>& lines = report.Lines;
    if (reader.Silent()) {
        report.Silent = true;
        lines.push_back(write_log::kReadBackSilent);
        return report;
    }
    int& differing = report.Differing;
    int& unread = report.Unread;
    for (const ParamKey& k : ParamKeys) {
        // What the group write sent: the field in its format, as the sensor got it.
        const std::string sent = FormatFloat(k.Format, *ParamField(written, k.Key));
        const auto value = reader.Values().find(k.Key);
        if (value == reader.Values().end()) {
            ++unread;
            lines.push_back(std::string(write_log::kNotReadBack) + k.Key + ":" + sent);
            continue;
        }
        const auto sentValue = ParseNumber(sent);
        if (sentValue && static_cast<float>(*sentValue) == value->second) continue;
        ++differing;
        lines.push_back(std::string(write_log::kReadBackDiffers) + k.Key + ":" + sent + " ? " +
                        reader.Texts().at(k.Key));
    }
    const std::string total = std::to_string(ParamKeys.size());
    if (differing == 0 && unread == 0)
        lines.push_back(write_log::kAllAgreeBefore + total + write_log::kAllAgreeAfter);
    else
        lines.push_back(write_log::kSummary + total + write_log::kSummaryDiffering +
                        std::to_string(differing) + write_log::kSummaryUnread +
                        std::to_string(unread) + "●●");
    return report;
}

std::string StampedFileName(const std::string& serialNo, TDateTime time,
                            const std::string& extension) {
    const auto first = serialNo.find_first_not_of(" \t");
    std::string name = first == std::string::npos
                           ? "no-serial"
                           : serialNo.substr(first, serialNo.find_last_not_of(" \t") - first + 1);
    for (char& ch : name) {
        const auto u = static_cast<unsigned char>(ch);
        if (u < 32 || std::string_view("\\/:*?\"<>|").find(ch) != std::string_view::npos) ch = '_';
    }
    return name + FormatDateTime("_yyyymmdd_hhnnss", time) + extension;
}

std::string StampedPathIn(const std::string& folder, const std::string& serialNo, TDateTime time,
                          const std::string& extension) {
    std::string reason;
    if (!ForceDirectories(folder, &reason)) throw TextFileError(reason);
    std::string path = folder + "/" + StampedFileName(serialNo, time, extension);
    for (int n = 2; FileExists(path); ++n)
        path = folder + "/" + StampedFileName(serialNo, time, "_" + std::to_string(n) + extension);
    return path;
}

} // namespace qvr
