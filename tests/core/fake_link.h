#pragma once

#include "link/frame_codec.h"
#include "link/frame_link.h"

#include <string>
#include <vector>

namespace qvr::test {

// A link without a port: keeps the frames it would write (framed by the real
// codec, so a frame too long is dropped as on the line) and plays answers to
// whichever listener is installed.
class FakeLink : public FrameLink {
public:
    std::vector<std::string> sent; // whole frames, checksum and CR LF included
    FrameListener listener;

    void SendFrame(const std::string& payload) override {
        if (auto frameText = frame::BuildFrame(payload)) sent.push_back(*frameText);
    }
    void SetOnFrame(FrameListener l) override { listener = std::move(l); }

    // Delivers a good frame "<" payload ">" as the receive side would.
    void Answer(const std::string& payload) {
        if (listener) listener("<" + payload + ">");
    }
    std::string LastSent() const { return sent.empty() ? std::string() : sent.back(); }
};

} // namespace qvr::test
