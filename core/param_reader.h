#pragma once

#include "core/exchange.h"
#include "core/write_prm.h"

#include <map>
#include <string>
#include <vector>

namespace qvr {

// The read requests that cover every parameter the group write sends, each
// holding as many keys as fit the frame limit (and the request pairs).
std::vector<std::vector<std::string>> ParamReadBatches();

// Reads the sensor's parameter set through the exchange. A step machine like
// the group write: one tick sends a read request, the next judges its answer,
// a request without an answer is sent again up to three times. Only read
// requests are sent. Polling is suspended (Collecting false) while it runs and
// Collecting is put back as it was when it ends. User-interface thread only.
class ParamReader {
public:
    static constexpr int kResends = 3;

    explicit ParamReader(Exchange& exchange);

    // Begins a read; a read already running starts over.
    void Start();
    // One step, on the requester's timer. False once the read has ended.
    bool Tick();
    // Ends a running read at once (the window it serves is closing).
    void Stop();
    // Ends a running read and leaves polling as it is: someone else (closing
    // the port) has decided it meanwhile.
    void Abandon();

    bool Running() const { return running_; }

    // What the sensor reported, by key, as single-precision values, and the
    // value texts as it answered them.
    const std::map<std::string, float>& Values() const { return values_; }
    const std::map<std::string, std::string>& Texts() const { return texts_; }
    // The keys it answered empty, with something that is not a number, or not
    // at all, in the order they are sent.
    std::vector<std::string> Missing() const;
    bool Complete() const { return !running_ && values_.size() == ParamKeysRead(); }
    // True when no request got an answer at all.
    bool Silent() const { return !answered_; }

    // Stores every value read into the parameter set; keys not read keep theirs.
    void ApplyTo(TWritePrm& prm) const;

private:
    static std::size_t ParamKeysRead();
    void SendBatch();
    void CheckBatch();
    void Finish();

    Exchange& exchange_;
    std::vector<std::vector<std::string>> batches_;
    std::size_t batch_ = 0;
    bool checking_ = false;
    int resendsLeft_ = kResends;
    bool running_ = false;
    bool answered_ = false;
    bool collectingBefore_ = false;
    std::map<std::string, float> values_;
    std::map<std::string, std::string> texts_;
};

// "E04, P20": keys joined for a message.
std::string JoinKeys(const std::vector<std::string>& keys);

} // namespace qvr
