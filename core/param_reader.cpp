#include "core/param_reader.h"

#include "base/number_text.h"
#include "core/param_keys.h"
#include "link/frame_codec.h"

#include <cmath>
#include <limits>

namespace qvr {

std::vector<std::vector<std::string>> ParamReadBatches() {
    std::vector<std::vector<std::string>> batches;
    std::string payload;
    for (const ParamKey& k : ParamKeys) {
        const std::string item = std::string(k.Key) + ",";
        if (batches.empty() || batches.back().size() == static_cast<std::size_t>(kPairCount) ||
            !frame::BuildFrame(payload + item)) {
            batches.emplace_back();
            payload = "RD,";
        }
        batches.back().push_back(k.Key);
        payload += item;
    }
    return batches;
}

ParamReader::ParamReader(Exchange& exchange) : exchange_(exchange), batches_(ParamReadBatches()) {}

std::size_t ParamReader::ParamKeysRead() {
    return ParamKeys.size();
}

void ParamReader::Start() {
    if (!running_) collectingBefore_ = exchange_.Collecting;
    exchange_.Collecting = false;
    running_ = true;
    answered_ = false;
    batch_ = 0;
    checking_ = false;
    resendsLeft_ = kResends;
    values_.clear();
    texts_.clear();
}

bool ParamReader::Tick() {
    if (!running_) return false;
    if (checking_)
        CheckBatch();
    else
        SendBatch();
    return running_;
}

void ParamReader::Stop() {
    if (running_) Finish();
}

void ParamReader::SendBatch() {
    exchange_.ClearRequest();
    const auto& keys = batches_[batch_];
    for (std::size_t i = 0; i < keys.size(); ++i)
        exchange_.RequestPairs[i].Key = keys[i];
    exchange_.SendReadRequest();
    checking_ = true;
}

void ParamReader::CheckBatch() {
    checking_ = false;
    const auto& keys = batches_[batch_];
    // An answer that holds none of the keys asked for is a late answer to an
    // earlier request (a poll's): it counts as no answer.
    bool ours = false;
    if (exchange_.AnswerReceived) {
        for (const auto& pair : exchange_.AnswerPairs)
            for (const auto& key : keys)
                ours = ours || pair.Key == key;
    }
    if (!ours) {
        if (resendsLeft_ > 0) {
            --resendsLeft_;
            return;
        }
        Finish(); // the sensor has stopped answering: the rest stays unread
        return;
    }
    answered_ = true;
    for (const auto& key : keys) {
        for (const auto& pair : exchange_.AnswerPairs) {
            if (pair.Key != key) continue;
            const auto v = ParseNumber(pair.Value);
            if (v && std::fabs(*v) <= std::numeric_limits<float>::max()) {
                values_[key] = static_cast<float>(*v);
                texts_[key] = pair.Value;
            }
            break;
        }
    }
    resendsLeft_ = kResends;
    if (++batch_ == batches_.size()) Finish();
}

void ParamReader::Finish() {
    running_ = false;
    checking_ = false;
    // Polling comes back only as the read left it; whoever started it meanwhile keeps it.
    if (!exchange_.Collecting) exchange_.Collecting = collectingBefore_;
}

void ParamReader::Abandon() {
    running_ = false;
    checking_ = false;
}

std::vector<std::string> ParamReader::Missing() const {
    std::vector<std::string> missing;
    for (const ParamKey& k : ParamKeys)
        if (!values_.count(k.Key)) missing.push_back(k.Key);
    return missing;
}

void ParamReader::ApplyTo(TWritePrm& prm) const {
    for (const auto& [key, value] : values_)
        if (float* field = ParamField(prm, key)) *field = value;
}

std::string JoinKeys(const std::vector<std::string>& keys) {
    std::string text;
    for (const auto& k : keys)
        text += (text.empty() ? "" : ", ") + k;
    return text;
}

} // namespace qvr
