#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qvr::sim {

// The sensor's side of the line: collects request frames from received bytes.
// A "<" always starts a new frame (what came before it is dropped), so noise
// on the line costs at most the frame it hit. A frame ends two characters after
// its ">"; CR and LF are not collected.
class FrameReceiver {
public:
    struct Frame {
        std::string text; // "<" payload ">" with the checksum digits removed
        bool good;        // the checksum matched
    };

    // Text longer than this without an end mark is dropped.
    static constexpr std::size_t kMaxCollected = 256;

    std::vector<Frame> Feed(std::string_view bytes);

private:
    std::string buffer_;
    bool inFrame_ = false;
    int checksumChars_ = -1; // -1 until ">" is seen
};

} // namespace qvr::sim
