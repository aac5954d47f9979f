// Pair lists and answer decomposition against the plain rules they follow:
// SplitPairs agrees with a reference splitter and keeps unused slots,
// BuildPairList stays under 64 characters and splits back to what it took.
#include "fuzz/fuzz_check.h"
#include "link/frame_codec.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

namespace {

using qvr::TKeyValStr;

std::vector<TKeyValStr> ReferenceSplit(std::string_view text, std::size_t capacity) {
    std::vector<TKeyValStr> out;
    TKeyValStr item;
    bool inValue = false;
    for (char c : text) {
        if (c == ',') {
            if (out.size() < capacity) out.push_back(item);
            item = {};
            inValue = false;
        } else if (c == '=') {
            inValue = true;
        } else {
            (inValue ? item.Value : item.Key) += c;
        }
    }
    return out;
}

void CheckSplit(std::string_view text, int capacity) {
    const TKeyValStr untouched{"#key", "#value"};
    std::vector<TKeyValStr> slots(static_cast<std::size_t>(capacity) + 1, untouched);
    const int n = qvr::frame::SplitPairs(text, slots.data(), capacity);
    const auto expected = ReferenceSplit(text, static_cast<std::size_t>(capacity));
    FUZZ_CHECK(n == static_cast<int>(expected.size()), "SplitPairs count");
    for (std::size_t i = 0; i < slots.size(); ++i)
        FUZZ_CHECK(i < expected.size() ? slots[i] == expected[i] : slots[i] == untouched,
                   "SplitPairs slot " + std::to_string(i));
}

void CheckDecompose(const std::string& text) {
    const auto answer = qvr::frame::DecomposeAnswer(text);
    // Without "<" and ">" fewer than two characters leave no kind.
    if (text.size() < 4) {
        FUZZ_CHECK(!answer, "a kind from a frame text of " + std::to_string(text.size()));
        return;
    }
    FUZZ_CHECK(answer.has_value(), "no kind from " + qvr::fuzz::Printable(text));
    FUZZ_CHECK(answer->kind == text.substr(1, 2), "kind");
    FUZZ_CHECK(answer->pairList == (text.size() > 5 ? text.substr(4, text.size() - 5) : ""),
               "pair list of " + qvr::fuzz::Printable(text));
}

void CheckBuild(FuzzedDataProvider& in) {
    std::vector<TKeyValStr> pairs;
    while (pairs.size() < 12 && in.remaining_bytes() > 0)
        pairs.push_back({in.ConsumeRandomLengthString(24), in.ConsumeRandomLengthString(24)});
    std::string prefix = in.ConsumeBool() ? "" : in.ConsumeRandomLengthString(70);
    std::string text = prefix;
    const int n = qvr::frame::BuildPairList(pairs.data(), static_cast<int>(pairs.size()), text);
    FUZZ_CHECK(n >= 0 && n <= static_cast<int>(pairs.size()), "BuildPairList count");

    std::string expected = prefix;
    for (int i = 0; i < n; ++i)
        expected += pairs[i].Key + "=" + pairs[i].Value + ",";
    FUZZ_CHECK(text == expected, "BuildPairList text");
    if (n > 0) FUZZ_CHECK(text.size() < 64, "a pair list of 64 characters or more");
    if (n < static_cast<int>(pairs.size()))
        FUZZ_CHECK(text.size() + pairs[n].Key.size() + pairs[n].Value.size() + 2 >= 64,
                   "BuildPairList left out a pair that fits");

    bool plain = prefix.empty();
    for (int i = 0; i < n; ++i)
        plain = plain && pairs[i].Key.find_first_of(",=") == std::string::npos &&
                pairs[i].Value.find_first_of(",=") == std::string::npos;
    if (plain) {
        std::vector<TKeyValStr> back(pairs.size() + 1);
        FUZZ_CHECK(qvr::frame::SplitPairs(text, back.data(), static_cast<int>(back.size())) == n,
                   "round trip count");
        for (int i = 0; i < n; ++i)
            FUZZ_CHECK(back[i] == pairs[i], "round trip pair");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const int capacity = in.ConsumeIntegralInRange(0, 24);
    const std::string text = in.ConsumeRandomLengthString(256);
    CheckSplit(text, capacity);
    CheckDecompose(text);
    const auto frame = qvr::frame::BuildFrame(text);
    FUZZ_CHECK(frame.has_value() == (text.size() <= 62), "BuildFrame length limit");
    if (frame) {
        std::string received = frame->substr(0, frame->size() - 2);
        FUZZ_CHECK(frame->ends_with("\r\n"), "frame without CR LF");
        FUZZ_CHECK(qvr::frame::VerifyFrame(received), "a built frame fails its check");
        FUZZ_CHECK(received == "<" + text + ">",
                   "VerifyFrame left " + qvr::fuzz::Printable(received));
    }
    CheckBuild(in);
    return 0;
}
