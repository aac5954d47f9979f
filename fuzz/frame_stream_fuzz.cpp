// The receive state machine behind the sensor link, fed a byte stream in
// random chunks: the frames handed to the listener must be exactly the
// checksum-valid frames that a whole-stream reference decoder finds.
#include "fuzz/fuzz_check.h"
#include "link/frame_receiver.h"
#include "link/sensor_link.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

bool IsMark(char c) {
    return c == '<' || c == '>';
}

// A check falls on the second character after an end mark when neither of the
// two is a mark; it covers every character but CR and LF since the previous
// check. Good when the byte sum of all but the last two characters plus the
// checksum those two spell (digits above "9" count code - 55, others code - 48)
// is 0 modulo 256. `tooLong` reports a stretch longer than the buffer cap,
// where the cap (not modelled here) decides.
std::vector<std::string> ReferenceFrames(const std::string& s, bool& tooLong) {
    std::vector<std::string> frames;
    std::string text;
    tooLong = false;
    for (std::size_t p = 0; p < s.size(); ++p) {
        if (s[p] != '\r' && s[p] != '\n') text += s[p];
        if (text.size() > qvr::FrameReceiver::kMaxBuffer) tooLong = true;
        const bool check = p >= 2 && s[p - 2] == '>' && !IsMark(s[p - 1]) && !IsMark(s[p]);
        if (!check) continue;
        const auto digit = [](char c) {
            const int code = static_cast<unsigned char>(c);
            return code > '9' ? code - 55 : code - 48;
        };
        if (text.size() >= 2) {
            const int received = (digit(text[text.size() - 2]) * 16 + digit(text.back())) & 0xFF;
            int sum = 0;
            for (std::size_t i = 0; i + 2 < text.size(); ++i)
                sum += static_cast<unsigned char>(text[i]);
            if (((sum + received) & 0xFF) == 0) frames.push_back(text.substr(0, text.size() - 2));
        }
        text.clear();
    }
    return frames;
}

std::vector<std::string> Received(const std::string& stream, std::uint32_t seed) {
    std::string portName;
    qvr::SensorLink link(portName, "/nonexistent/");
    std::vector<std::string> frames;
    link.OnFrame = [&](const std::string& frameText) { frames.push_back(frameText); };
    // Chunks of 1 to 64 bytes, as a line delivers them; seed 0 gives one chunk.
    if (seed == 0) link.FeedReceived(stream);
    for (std::size_t at = 0; seed != 0 && at < stream.size();) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        const std::size_t n = 1 + seed % 64;
        link.FeedReceived(stream.substr(at, n));
        at += n;
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string stream(reinterpret_cast<const char*>(data), size);
    std::uint32_t seed = 2463534242u ^ static_cast<std::uint32_t>(size);
    for (std::size_t i = 0; i < size && i < 8; ++i)
        seed = seed * 31 + data[i];

    const auto chunked = Received(stream, seed | 1u);
    const auto whole = Received(stream, 0);

    bool tooLong = false;
    const auto expected = ReferenceFrames(stream, tooLong);
    FUZZ_CHECK(chunked.size() == whole.size(), "chunking changed the number of frames");
    for (std::size_t i = 0; i < chunked.size(); ++i)
        FUZZ_CHECK(chunked[i] == whole[i],
                   "chunking changed a frame: " + qvr::fuzz::Printable(chunked[i]));
    if (!tooLong) {
        FUZZ_CHECK(chunked.size() == expected.size(), "frames " + std::to_string(chunked.size()) +
                                                          ", reference finds " +
                                                          std::to_string(expected.size()));
        for (std::size_t i = 0; i < chunked.size(); ++i)
            FUZZ_CHECK(chunked[i] == expected[i], "frame " + qvr::fuzz::Printable(chunked[i]) +
                                                      " vs reference " +
                                                      qvr::fuzz::Printable(expected[i]));
    }
    for (const auto& f : chunked)
        FUZZ_CHECK(f.size() <= qvr::FrameReceiver::kMaxBuffer, "a frame beyond the buffer cap");
    return 0;
}
