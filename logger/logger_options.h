#pragma once

#include "core/mqtt_settings.h"

#include <optional>
#include <string>
#include <vector>

namespace qvr {

// What qvr-logger was asked to do, from its command line and its configuration
// file. The file has the sections of the desktop program's files: [ComPortM]
// as in "Port0.ini", [Record] SecRec and [Collect] FastMode as in
// "BaseSetpoint.ini", [MQTT] as there, and [Logger] SerialNo. Flags override it.
struct LoggerOptions {
    std::string Port;       // device path; empty: the configuration's
    std::string DataDir;    // --data; empty: the usual data folder
    std::string ConfigFile; // --config
    std::string SerialNo;   // names the default topic prefix
    std::string Baud;       // --baud, as the port settings file writes it
    bool Seconds = false;
    bool Fast = false;
    MqttSettings Mqtt;
    bool Help = false;
    bool Version = false;
};

// Reads the arguments (without the program name) and the configuration file
// they name. Empty with `error` set, in one line, when they cannot be used.
std::optional<LoggerOptions> ParseLoggerOptions(const std::vector<std::string>& args,
                                                std::string& error);

// The --help text.
std::string LoggerUsage();

} // namespace qvr
