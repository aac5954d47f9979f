#include "sim/frame_receiver.h"

#include "link/frame_codec.h"

namespace qvr::sim {

std::vector<FrameReceiver::Frame> FrameReceiver::Feed(std::string_view bytes) {
    std::vector<Frame> frames;
    for (const char c : bytes) {
        if (c == '\r' || c == '\n') continue;
        if (c == '<') {
            buffer_.assign(1, c);
            inFrame_ = true;
            checksumChars_ = -1;
            continue;
        }
        if (!inFrame_) continue;
        buffer_ += c;
        if (checksumChars_ < 0) {
            if (c == '>')
                checksumChars_ = 0;
            else if (buffer_.size() > kMaxCollected)
                inFrame_ = false;
            continue;
        }
        if (++checksumChars_ == 2) {
            Frame frame{buffer_, false};
            frame.good = frame::VerifyFrame(frame.text);
            frames.push_back(std::move(frame));
            buffer_.clear();
            inFrame_ = false;
        }
    }
    return frames;
}

} // namespace qvr::sim
