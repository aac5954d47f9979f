#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qvr {

// The link's receive state machine: collects characters into RxBuffer and asks
// for a frame check on the second character after an end mark.
// RxState: -2 idle, -1 inside a frame, 0 or 1 while checksum characters count.
class FrameReceiver {
public:
    // A well-formed frame text is at most 66 characters with its checksum; a
    // line that never sends an end mark must not grow memory without bound, so
    // past this many characters the collected text is dropped and the machine
    // goes idle.
    static constexpr std::size_t kMaxBuffer = 1024;

    std::string RxBuffer;
    std::int8_t RxState = -2;

    // Feeds one character; `checkFrame()` is called when a frame is complete
    // and may read and change RxBuffer. The buffer is emptied after the check.
    // If the check throws, buffer and state stay as they were at that moment.
    template <class CheckFrame> void Feed(char c, CheckFrame&& checkFrame) {
        if (c != '\r' && c != '\n') {
            if (RxBuffer.size() >= kMaxBuffer) {
                RxBuffer.clear();
                RxState = -2;
            }
            RxBuffer += c;
        }
        if (c == '<') {
            RxState = -1;
        } else if (c == '>') {
            RxState = 0;
        } else if (RxState >= 0) {
            ++RxState;
            if (RxState >= 2) {
                checkFrame();
                RxBuffer.clear();
                RxState = -2;
            }
        }
    }
};

} // namespace qvr
