#pragma once

#include "core/shared_state.h"
#include "link/frame_link.h"

#include <string>

namespace qvr {

// The request/answer fields through which every exchange with the sensor
// passes, and their operations. One request and at most one accepted answer:
// a requester fills RequestPairs, sends, and later, on its own timer, tests
// AnswerReceived. The poll cycle sends only while Collecting is true; the group
// write clears it while it uses the fields. No time-out and no retry here.
// User-interface thread only.
class Exchange {
public:
    explicit Exchange(FrameLink& link) : link_(link) {}

    bool Collecting = false;
    TKeyValList RequestPairs{};
    TKeyValList AnswerPairs{};
    bool AnswerReceived = false;

    void ClearRequest();
    void ClearAnswer();
    // "RD," and every leading non-empty key, each followed by ",".
    void SendReadRequest();
    // "RW," and the leading pairs with both key and value non-empty.
    void SendWriteRequest();
    // The link's listener: the first "AD" or "AW" answer after a request fills
    // AnswerPairs; any such answer sets AnswerReceived; other kinds change nothing.
    void HandleAnswer(const std::string& frameText);

private:
    void Send(const std::string& payload);

    FrameLink& link_;
};

} // namespace qvr
