#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qvr {

// Where and how readings are published: the [MQTT] section of
// "BaseSetpoint.ini" (the desktop program) or of the logger's configuration.
struct MqttSettings {
    bool Enabled = false;
    std::string Url;          // mqtt://host[:port] or mqtts://host[:port] (TLS)
    std::string User;         // empty: no user name
    std::string Password;     // never logged
    std::string CaFile;       // the CA certificate for mqtts://; empty: the system's
    std::string Prefix;       // topics go under it; empty: qvr/<serial number>
    int QueueMegabytes = 100; // the disk queue's bound while the broker is away

    bool operator==(const MqttSettings&) const = default;
};

struct MqttEndpoint {
    std::string Host;
    int Port = 1883;
    bool Tls = false;
    std::string User; // from "user@host", when given there
};

// mqtt://host[:port], mqtts://host[:port] (default ports 1883 and 8883), or a
// bare host[:port]; a user name may stand before "@". A password in the URL is
// refused: it would show in process lists and logs. Empty with `error` set when
// the URL cannot be used.
std::optional<MqttEndpoint> ParseMqttUrl(const std::string& url, std::string& error);

// "qvr/" and the serial number with the characters a topic level cannot hold
// ("/", "+", "#", controls) replaced by "_"; "qvr/unnamed" without one.
std::string DefaultMqttPrefix(const std::string& serialNo);

// The prefix in use: the configured one, else the default.
std::string MqttPrefix(const MqttSettings& settings, const std::string& serialNo);

// Reads the [MQTT] section; missing keys keep their defaults, a missing or
// unreadable file gives the defaults. Never throws.
MqttSettings LoadMqttSettings(const std::string& iniPath);

// Writes the [MQTT] section, keeping the rest of the file. False when the file
// cannot be written (it is then left as it was).
bool SaveMqttSettings(const std::string& iniPath, const MqttSettings& settings);

} // namespace qvr
