#pragma once

// A real mosquitto broker on a free loopback port, a libmosquitto subscriber
// and qvr-logger as a child process: what the logger's tests and the load
// bench run against.

#include "tests/wait_until.h"

#include <arpa/inet.h>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <mosquitto.h>
#include <mutex>
#include <netinet/in.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace qvr::test {

// A port nobody listens on now.
inline int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

inline bool Listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// Starts a program with its standard output and error into `log`.
inline pid_t Spawn(std::vector<std::string> args, const std::string& log,
                   const std::vector<std::string>& extraEnv = {}) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> envText;
    for (char** e = environ; *e; ++e)
        envText.emplace_back(*e);
    for (const auto& e : extraEnv)
        envText.push_back(e);
    std::vector<char*> env;
    for (auto& e : envText)
        env.push_back(e.data());
    env.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The Debian broker with a configuration of its own in `dir`.
class Broker {
public:
    // extra: more configuration lines (TLS, passwords, persistence).
    Broker(std::string dir, std::vector<std::string> extra = {}, std::string listenerLine = {})
        : dir_(std::move(dir)), port_(FreeLoopbackPort()) {
        std::ofstream conf(dir_ + "mosquitto.conf");
        conf << (listenerLine.empty() ? "listener " + std::to_string(port_) + " 127.0.0.1"
                                      : listenerLine)
             << "\n";
        bool anonymousSet = false;
        for (const auto& line : extra) {
            conf << line << "\n";
            if (line.starts_with("allow_anonymous")) anonymousSet = true;
        }
        if (!anonymousSet) conf << "allow_anonymous true\n";
        bool persistenceSet = false;
        for (const auto& line : extra)
            if (line.starts_with("persistence ")) persistenceSet = true;
        if (!persistenceSet) conf << "persistence false\n";
        // As root the broker would give up its rights and could not read the test's files.
        if (::geteuid() == 0) conf << "user root\n";
    }
    ~Broker() { Stop(); }

    int Port() const { return port_; }
    std::string Url() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }
    const std::string& Dir() const { return dir_; }

    bool Start() {
        pid_ = Spawn({"/usr/sbin/mosquitto", "-c", dir_ + "mosquitto.conf"}, dir_ + "broker.log");
        return pid_ > 0 && WaitUntil([&] { return Listening(port_); });
    }
    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    std::string dir_;
    int port_;
    pid_t pid_ = -1;
};

struct Received {
    std::string topic;
    std::string payload;
    bool retained;
};

// Subscribes to `topic` with QoS 1 and keeps what arrives. A persistent one
// (fixed id, no clean session) has the broker keep its messages while it is away.
class Subscriber {
public:
    Subscriber(int port, std::string topic, std::string id = {}, std::string caFile = {})
        : topic_(std::move(topic)) {
        mosquitto_lib_init();
        mosq_ = mosquitto_new(id.empty() ? nullptr : id.c_str(), id.empty(), this);
        mosquitto_connect_callback_set(mosq_, [](mosquitto* m, void* self, int rc) {
            auto* s = static_cast<Subscriber*>(self);
            if (rc == 0) mosquitto_subscribe(m, nullptr, s->topic_.c_str(), 1);
        });
        mosquitto_subscribe_callback_set(mosq_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Subscriber*>(self)->subscribed_ = true;
        });
        mosquitto_message_callback_set(
            mosq_, [](mosquitto*, void* self, const mosquitto_message* m) {
                auto* s = static_cast<Subscriber*>(self);
                const std::lock_guard lock(s->mutex_);
                s->messages_.push_back({m->topic,
                                        std::string(static_cast<const char*>(m->payload),
                                                    static_cast<std::size_t>(m->payloadlen)),
                                        m->retain});
            });
        mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
        if (!caFile.empty())
            mosquitto_tls_set(mosq_, caFile.c_str(), nullptr, nullptr, nullptr, nullptr);
        mosquitto_connect(mosq_, "127.0.0.1", port, 30);
        mosquitto_loop_start(mosq_);
    }
    ~Subscriber() {
        mosquitto_disconnect(mosq_);
        mosquitto_loop_stop(mosq_, true);
        mosquitto_destroy(mosq_);
    }
    bool WaitSubscribed() {
        return WaitUntil([&] { return subscribed_.load(); });
    }
    std::vector<Received> Messages() const {
        const std::lock_guard lock(mutex_);
        return messages_;
    }
    std::vector<std::string> Payloads(const std::string& topic) const {
        std::vector<std::string> out;
        for (const auto& m : Messages())
            if (m.topic == topic) out.push_back(m.payload);
        return out;
    }

private:
    std::string topic_;
    mosquitto* mosq_ = nullptr;
    mutable std::mutex mutex_;
    std::vector<Received> messages_;
    std::atomic<bool> subscribed_{false};
};

#ifdef QVR_LOGGER_EXE
// qvr-logger as a child process, its standard error in a file.
class LoggerProcess {
public:
    explicit LoggerProcess(std::string log) : log_(std::move(log)) {}
    ~LoggerProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    bool Start(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
        args.insert(args.begin(), QVR_LOGGER_EXE);
        pid_ = Spawn(args, log_, env);
        return pid_ > 0;
    }
    // Sends the signal and waits up to `within` for the exit; the exit code,
    // or -1 (killed by a signal) or -2 (still running).
    int Stop(int signal = SIGTERM, std::chrono::milliseconds within = std::chrono::seconds(5)) {
        ::kill(pid_, signal);
        return WaitExit(within);
    }
    int WaitExit(std::chrono::milliseconds within) {
        int status = 0;
        if (!WaitUntil([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, within))
            return -2;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Log() const { return FileText(log_); }
    bool WaitLog(const std::string& text,
                 std::chrono::milliseconds within = std::chrono::seconds(15)) {
        return WaitUntil([&] { return Log().find(text) != std::string::npos; }, within);
    }
    pid_t Pid() const { return pid_; }

private:
    std::string log_;
    pid_t pid_ = -1;
};
#endif

} // namespace qvr::test
