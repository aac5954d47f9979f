#pragma once

#include <functional>
#include <string>

namespace qvr {

// What a requester needs of the sensor link: send one payload, and be the one
// listener for good frames. The listener gets the frame text ("<" payload ">")
// and runs on the user-interface thread, inside the link's receive handling.
class FrameLink {
public:
    using FrameListener = std::function<void(const std::string& frameText)>;

    virtual ~FrameLink() = default;
    // Frames and writes the payload; a frame over 64 characters, or a link
    // that is not open, sends nothing.
    virtual void SendFrame(const std::string& payload) = 0;
    // Replaces the listener; there is exactly one at a time.
    virtual void SetOnFrame(FrameListener listener) = 0;
};

} // namespace qvr
