#include "core/exchange.h"

#include "link/frame_codec.h"

namespace qvr {

void Exchange::ClearRequest() {
    RequestPairs.fill(TKeyValStr{});
}

void Exchange::ClearAnswer() {
    AnswerPairs.fill(TKeyValStr{});
}

void Exchange::SendReadRequest() {
    std::string text;
    for (const TKeyValStr& pair : RequestPairs) {
        if (pair.Key.empty()) break;
        text += pair.Key;
        text += ',';
    }
    Send("RD," + text);
}

void Exchange::SendWriteRequest() {
    int n = 0;
    while (n < kPairCount && !RequestPairs[static_cast<std::size_t>(n)].Key.empty() &&
           !RequestPairs[static_cast<std::size_t>(n)].Value.empty())
        ++n;
    std::string text;
    frame::BuildPairList(RequestPairs.data(), n, text);
    Send("RW," + text);
}

void Exchange::Send(const std::string& payload) {
    AnswerReceived = false;
    ClearAnswer();
    link_.SetOnFrame([this](const std::string& frameText) { HandleAnswer(frameText); });
    link_.SendFrame(payload);
}

void Exchange::HandleAnswer(const std::string& frameText) {
    const auto answer = frame::DecomposeAnswer(frameText);
    if (!answer || (answer->kind != "AW" && answer->kind != "AD")) return;
    if (!AnswerReceived) frame::SplitPairs(answer->pairList, AnswerPairs.data(), kPairCount);
    AnswerReceived = true;
}

} // namespace qvr
