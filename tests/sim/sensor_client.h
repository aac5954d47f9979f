#pragma once

// The program's side of the line, as small as a test needs: opens the slave
// end raw, sends framed requests, collects answer lines.

#include "link/frame_codec.h"
#include "link/key_val_str.h"
#include "sim/simulated_sensor.h"

#include <chrono>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <termios.h>
#include <unistd.h>
#include <vector>

namespace qvr::sim::test {

inline SimulatedSensorOptions Options(std::string linkPath, std::uint64_t seed = 1) {
    SimulatedSensorOptions options;
    options.linkPath = std::move(linkPath);
    options.seed = seed;
    return options;
}

class SensorClient {
public:
    explicit SensorClient(const std::string& path) {
        fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) throw std::runtime_error("cannot open " + path);
        termios tio{};
        tcgetattr(fd_, &tio);
        cfmakeraw(&tio);
        tcsetattr(fd_, TCSANOW, &tio);
        tcflush(fd_, TCIOFLUSH);
    }
    SensorClient(const SensorClient&) = delete;
    SensorClient& operator=(const SensorClient&) = delete;
    ~SensorClient() {
        if (fd_ >= 0) ::close(fd_);
    }

    int Fd() const { return fd_; }

    void SendRaw(const std::string& bytes) {
        if (::write(fd_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            throw std::runtime_error("write to the line failed");
    }

    void Send(const std::string& payload) {
        const auto frame = frame::BuildFrame(payload);
        if (!frame) throw std::runtime_error("payload too long: " + payload);
        SendRaw(*frame);
    }

    // The next line the sensor sends (without CR LF), or nothing within the time.
    std::optional<std::string>
    ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(2)) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto eol = buffer_.find("\r\n");
            if (eol != std::string::npos) {
                std::string line = buffer_.substr(0, eol);
                buffer_.erase(0, eol + 2);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            if (p.revents & (POLLHUP | POLLERR)) return std::nullopt;
            char chunk[512];
            const ssize_t n = ::read(fd_, chunk, sizeof chunk);
            if (n > 0) buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // Sends a request and returns the payload of a verified answer.
    std::optional<std::string> Ask(const std::string& payload,
                                   std::chrono::milliseconds timeout = std::chrono::seconds(2)) {
        Send(payload);
        auto line = ReadLine(timeout);
        if (!line || !frame::VerifyFrame(*line) || line->size() < 2) return std::nullopt;
        return line->substr(1, line->size() - 2);
    }

    // The pairs of an answer payload ("AD,K=V," or "AW,K=V,").
    static std::vector<TKeyValStr> Pairs(const std::string& answer) {
        std::vector<TKeyValStr> pairs(40);
        const int n =
            frame::SplitPairs(answer.size() > 3 ? answer.substr(3) : "", pairs.data(), 40);
        pairs.resize(static_cast<std::size_t>(n));
        return pairs;
    }

private:
    int fd_ = -1;
    std::string buffer_;
};

} // namespace qvr::sim::test
