#include "logger/mqtt_publisher.h"

#include "base/clock.h"
#include "logger/mqtt_messages.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mosquitto.h>
#include <mutex>
#include <poll.h>
#include <unistd.h>

namespace qvr {

namespace {

constexpr int kQos = 1;
constexpr std::size_t kWindow = 20; // messages in flight at once
constexpr auto kRetry = std::chrono::seconds(2);
constexpr auto kConnectTimeout = std::chrono::seconds(5);

void InitLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

std::string ErrorText(int rc) {
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return mosquitto_strerror(rc);
}

} // namespace

MqttPublisher::MqttPublisher(MqttSettings settings, std::string prefix, std::string queueFolder,
                             std::function<void(const std::string&)> say)
    : settings_(std::move(settings)), prefix_(std::move(prefix)),
      queue_(std::move(queueFolder),
             static_cast<std::uint64_t>(settings_.QueueMegabytes) * 1024 * 1024),
      say_(std::move(say)) {}

MqttPublisher::~MqttPublisher() {
    Stop();
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
}

void MqttPublisher::Wake() {
    if (wakeWrite_ < 0) return;
    const char c = 1;
    // A full pipe already holds a wake-up.
    [[maybe_unused]] const auto n = ::write(wakeWrite_, &c, 1);
}

int MqttPublisher::Serve(int timeoutMs) {
    const int fd = mosquitto_socket(mosq_);
    if (fd < 0) return MOSQ_ERR_NO_CONN;
    pollfd fds[2] = {
        {fd, static_cast<short>(POLLIN | (mosquitto_want_write(mosq_) ? POLLOUT : 0)), 0},
        {wakeRead_, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) < 0 && errno != EINTR) return MOSQ_ERR_ERRNO;
    if (fds[1].revents & POLLIN) {
        char buffer[64];
        while (::read(wakeRead_, buffer, sizeof buffer) > 0) {
        }
    }
    int rc = MOSQ_ERR_SUCCESS;
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) rc = mosquitto_loop_read(mosq_, 1);
    if (rc == MOSQ_ERR_SUCCESS && mosquitto_want_write(mosq_)) rc = mosquitto_loop_write(mosq_, 1);
    if (rc == MOSQ_ERR_SUCCESS) rc = mosquitto_loop_misc(mosq_);
    return rc;
}

void MqttPublisher::Say(const std::string& line) {
    if (line == lastState_) return;
    lastState_ = line;
    if (say_) say_("MQTT: " + line);
}

bool MqttPublisher::Start(std::string& error) {
    std::string why;
    const auto endpoint = ParseMqttUrl(settings_.Url, why);
    if (!endpoint) {
        error = "MQTT: " + why + "; not publishing";
        return false;
    }
    endpoint_ = *endpoint;
    if (!settings_.User.empty()) endpoint_.User = settings_.User;
    if (!queue_.Open(why)) {
        error = "MQTT: " + why + "; not publishing";
        return false;
    }
    if (endpoint_.Tls && !settings_.CaFile.empty()) {
        if (std::FILE* f = std::fopen(settings_.CaFile.c_str(), "rb")) {
            std::fclose(f);
        } else {
            error = "MQTT: cannot read the CA file " + settings_.CaFile + ": " +
                    std::strerror(errno) + "; not publishing";
            return false;
        }
    }
    InitLibrary();
    int fds[2];
    if (::pipe(fds) != 0) {
        error = std::string("MQTT: no pipe: ") + std::strerror(errno) + "; not publishing";
        return false;
    }
    for (int fd : fds)
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    thread_ = std::thread([this] { Run(); });
    return true;
}

void MqttPublisher::Stop(std::chrono::milliseconds grace) {
    if (!thread_.joinable()) return;
    grace_ = grace;
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    Wake();
    thread_.join();
}

void MqttPublisher::Publish(const std::string& topic, const std::string& payload) {
    std::string error;
    if (!queue_.Push({prefix_ + "/" + topic, payload}, &error) && say_) say_("MQTT: " + error);
    Wake();
}

void MqttPublisher::SetStatus(const std::string& payload) {
    {
        const std::lock_guard lock(mutex_);
        if (payload == status_) return;
        status_ = payload;
        statusChanged_ = true;
    }
    Wake();
}

void MqttPublisher::OnConnect(mosquitto*, void* self, int rc) {
    static_cast<MqttPublisher*>(self)->connackCode_ = rc;
}

void MqttPublisher::OnDisconnect(mosquitto*, void* self, int) {
    static_cast<MqttPublisher*>(self)->lost_ = true;
}

void MqttPublisher::OnPublish(mosquitto*, void* self, int mid) {
    auto* p = static_cast<MqttPublisher*>(self);
    if (mid == p->droppedMid_) {
        p->droppedMid_ = -1;
        p->droppedSent_ = 0;
        return;
    }
    const auto it = p->inFlight_.find(mid);
    if (it == p->inFlight_.end()) return;
    p->queue_.Acknowledge(it->second);
    p->inFlight_.erase(it);
}

bool MqttPublisher::Connect() {
    const std::string where = endpoint_.Host + ":" + std::to_string(endpoint_.Port);
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        Say("cannot make a client: " + std::string(std::strerror(errno)));
        return false;
    }
    mosquitto_connect_callback_set(mosq_, &MqttPublisher::OnConnect);
    mosquitto_disconnect_callback_set(mosq_, &MqttPublisher::OnDisconnect);
    mosquitto_publish_callback_set(mosq_, &MqttPublisher::OnPublish);
    const std::string statusTopic = prefix_ + "/status";
    const std::string offline = StatusOfflineMessage();
    mosquitto_will_set(mosq_, statusTopic.c_str(), static_cast<int>(offline.size()), offline.data(),
                       kQos, true);
    if (!endpoint_.User.empty())
        mosquitto_username_pw_set(mosq_, endpoint_.User.c_str(),
                                  settings_.Password.empty() ? nullptr
                                                             : settings_.Password.c_str());
    if (endpoint_.Tls) {
        const int rc =
            settings_.CaFile.empty()
                ? mosquitto_tls_set(mosq_, nullptr, "/etc/ssl/certs", nullptr, nullptr, nullptr)
                : mosquitto_tls_set(mosq_, settings_.CaFile.c_str(), nullptr, nullptr, nullptr,
                                    nullptr);
        if (rc != MOSQ_ERR_SUCCESS) {
            Say("TLS set-up failed: " + ErrorText(rc) + "; trying again every 2 s");
            return false;
        }
    }
    connackCode_ = -1;
    lost_ = false;
    // Without waiting for the TCP connection: a stop must not hang on a host that drops it.
    int rc = mosquitto_connect_async(mosq_, endpoint_.Host.c_str(), endpoint_.Port, 30);
    if (rc != MOSQ_ERR_SUCCESS) {
        Say("cannot connect to " + where + ": " + ErrorText(rc) + "; trying again every 2 s");
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kConnectTimeout;
    while (connackCode_ < 0 && !lost_ && !stop_ && std::chrono::steady_clock::now() < deadline) {
        rc = mosquitto_loop(mosq_, 100, 1);
        if (rc != MOSQ_ERR_SUCCESS) break;
    }
    if (connackCode_ == 0) {
        connected_ = true;
        Say("connected to " + where + (endpoint_.Tls ? " (TLS)" : "") + ", " +
            std::to_string(queue_.Pending()) + " messages queued");
        return true;
    }
    if (connackCode_ > 0)
        Say(where + " refused the connection: " + mosquitto_connack_string(connackCode_) +
            "; trying again every 2 s");
    else if (rc != MOSQ_ERR_SUCCESS)
        Say("cannot connect to " + where + ": " + ErrorText(rc) + "; trying again every 2 s");
    else
        Say("no answer from " + where + "; trying again every 2 s");
    return false;
}

void MqttPublisher::Drop() {
    if (mosq_) {
        mosquitto_destroy(mosq_);
        mosq_ = nullptr;
    }
    connected_ = false;
    inFlight_.clear();
    if (droppedMid_ >= 0) queue_.AddDropped(droppedSent_);
    droppedMid_ = -1;
    droppedSent_ = 0;
    queue_.Rewind();
}

void MqttPublisher::PublishPending() {
    std::string status;
    bool statusDue = false;
    {
        const std::lock_guard lock(mutex_);
        if (statusChanged_ && !status_.empty()) {
            status = status_;
            statusDue = true;
            statusChanged_ = false;
        }
    }
    if (statusDue) {
        const std::string topic = prefix_ + "/status";
        if (mosquitto_publish(mosq_, nullptr, topic.c_str(), static_cast<int>(status.size()),
                              status.data(), kQos, true) != MOSQ_ERR_SUCCESS) {
            const std::lock_guard lock(mutex_);
            statusChanged_ = true;
        }
    }
    if (droppedMid_ < 0) {
        if (const std::uint64_t dropped = queue_.TakeDropped(); dropped > 0) {
            const std::string topic = prefix_ + "/dropped";
            const std::string payload = DroppedMessage(SystemClock::Instance().Now(), dropped);
            int mid = 0;
            if (mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(payload.size()),
                                  payload.data(), kQos, false) == MOSQ_ERR_SUCCESS) {
                droppedMid_ = mid;
                droppedSent_ = dropped;
            } else {
                queue_.AddDropped(dropped);
            }
        }
    }
    while (inFlight_.size() < kWindow) {
        auto next = queue_.Next();
        if (!next) break;
        int mid = 0;
        const QueuedMessage& m = next->second;
        const int rc =
            mosquitto_publish(mosq_, &mid, m.topic.c_str(), static_cast<int>(m.payload.size()),
                              m.payload.data(), kQos, false);
        if (rc != MOSQ_ERR_SUCCESS) {
            queue_.Rewind();
            break;
        }
        inFlight_[mid] = next->first;
    }
}

void MqttPublisher::Run() {
    auto nextAttempt = std::chrono::steady_clock::now();
    while (!stop_) {
        if (!connected_) {
            if (std::chrono::steady_clock::now() >= nextAttempt) {
                if (!Connect()) Drop();
                nextAttempt = std::chrono::steady_clock::now() + kRetry;
                if (!connected_) {
                    // Everything queued is rewound; the status goes again on the next connection.
                    const std::lock_guard lock(mutex_);
                    statusChanged_ = true;
                }
            }
            if (!connected_) {
                std::unique_lock lock(mutex_);
                wake_.wait_until(lock, nextAttempt, [this] { return stop_.load(); });
            }
            continue;
        }
        PublishPending();
        const int rc = Serve(1000);
        if (rc != MOSQ_ERR_SUCCESS || lost_) {
            Say("connection to " + endpoint_.Host + ":" + std::to_string(endpoint_.Port) +
                " lost: " + ErrorText(rc == MOSQ_ERR_SUCCESS ? MOSQ_ERR_CONN_LOST : rc) +
                "; keeping messages on disk, trying again every 2 s");
            Drop();
            const std::lock_guard lock(mutex_);
            statusChanged_ = true;
            nextAttempt = std::chrono::steady_clock::now() + kRetry;
        }
    }
    if (connected_ && mosq_) {
        // What is queued (the last minute row among it) and the farewell,
        // within the grace time; what does not make it stays on disk.
        PublishPending();
        const std::string topic = prefix_ + "/status";
        const std::string offline = StatusOfflineMessage();
        int mid = 0;
        mosquitto_publish(mosq_, &mid, topic.c_str(), static_cast<int>(offline.size()),
                          offline.data(), kQos, true);
        inFlight_[mid] = UINT64_MAX;
        const auto deadline = std::chrono::steady_clock::now() + grace_;
        while (!inFlight_.empty() && !lost_ && std::chrono::steady_clock::now() < deadline)
            if (Serve(20) != MOSQ_ERR_SUCCESS) break;
        mosquitto_disconnect(mosq_);
        Serve(20);
    }
    Drop();
}

} // namespace qvr
