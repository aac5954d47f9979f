#pragma once

#include "core/mqtt_settings.h"
#include "logger/disk_queue.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

struct mosquitto;

namespace qvr {

// Publishes queued messages to one MQTT broker with QoS 1 from a thread of its
// own. Every message goes through the disk queue first and leaves it when the
// broker acknowledges it, so a broker outage (or a restart) loses nothing and
// keeps the order; a message may arrive twice. The retained status goes at
// every connection, the last will says "offline". A broker that cannot be
// reached, refuses or drops the connection is tried again every 2 s; each
// change of state is told once through `say` (never with the password).
class MqttPublisher {
public:
    // prefix: the topics' prefix, without a trailing "/".
    MqttPublisher(MqttSettings settings, std::string prefix, std::string queueFolder,
                  std::function<void(const std::string&)> say);
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Checks the settings and the queue folder and starts the thread. False
    // with `error` set (one line) when publishing cannot start.
    bool Start(std::string& error);
    // Says "offline" when connected, disconnects and ends the thread, within
    // about `grace` for what is in flight. Messages not acknowledged stay queued.
    void Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(500));

    // Any thread. Topic is below the prefix ("sample", "minute").
    void Publish(const std::string& topic, const std::string& payload);
    // Any thread: the retained status to publish now and at each connection.
    void SetStatus(const std::string& payload);

    bool Connected() const { return connected_; }
    std::uint64_t Pending() const { return queue_.Pending(); }
    const std::string& Prefix() const { return prefix_; }

private:
    static void OnConnect(mosquitto*, void* self, int rc);
    static void OnDisconnect(mosquitto*, void* self, int rc);
    static void OnPublish(mosquitto*, void* self, int mid);

    void Run();
    bool Connect();
    void Drop();
    void PublishPending();
    void Say(const std::string& line);
    void Wake();
    // Waits for the broker's socket or a wake-up and runs the client's I/O.
    int Serve(int timeoutMs);

    MqttSettings settings_;
    MqttEndpoint endpoint_;
    std::string prefix_;
    DiskQueue queue_;
    std::function<void(const std::string&)> say_;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::string status_;
    bool statusChanged_ = false;
    std::atomic<bool> stop_{false};
    std::atomic<bool> connected_{false};
    std::chrono::milliseconds grace_{500};
    std::thread thread_;
    int wakeRead_ = -1; // a pipe that wakes the thread for new messages
    int wakeWrite_ = -1;

    // The thread's own.
    mosquitto* mosq_ = nullptr;
    int connackCode_ = -1;
    bool lost_ = false;
    std::map<int, std::uint64_t> inFlight_; // message id to queue sequence
    int droppedMid_ = -1;
    std::uint64_t droppedSent_ = 0;
    std::string lastState_;
};

} // namespace qvr
