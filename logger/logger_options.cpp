#include "logger/logger_options.h"

#include "base/ini_file.h"
#include "base/text_file.h"

#include <exception>

namespace qvr {

std::string LoggerUsage() {
    return "Usage: qvr-logger --port DEV [options]\n"
           "\n"
           "Polls a QVR anemometer on a serial port without a window, writes the same\n"
           "minute (and second) record files as the desktop program into DIR/Record,\n"
           "reconnects by itself every 2 s and optionally publishes every reading to an\n"
           "MQTT broker. Each change of state is one line on standard error.\n"
           "\n"
           "Options:\n"
           "  --port DEV       the serial device (or [ComPortM] Port of the configuration)\n"
           "  --baud N         the line's rate (default 38400, or the configuration's)\n"
           "  --data DIR       where the files go (default: beside the program when it\n"
           "                   can be written, else $XDG_DATA_HOME/qvr-monitor)\n"
           "  --seconds        also write the second record file\n"
           "  --fast           fast mode: poll only the wind speed's key set\n"
           "  --mqtt URL       publish to mqtt://host[:port] or mqtts://host[:port]\n"
           "  --serial S       the sensor's serial number; topics go under qvr/S\n"
           "  --config FILE    settings in the desktop program's file form: [ComPortM]\n"
           "                   (as Port0.ini), [Record] SecRec, [Collect] FastMode,\n"
           "                   [MQTT] Enabled, Url, User, Password, CaFile, Prefix,\n"
           "                   QueueMB, and [Logger] SerialNo\n"
           "  --version        the program's version\n"
           "  --help           this text\n"
           "\n"
           "SIGTERM or SIGINT writes the current minute row and ends the program.\n";
}

std::optional<LoggerOptions> ParseLoggerOptions(const std::vector<std::string>& args,
                                                std::string& error) {
    LoggerOptions o;
    std::string mqttUrl;
    bool mqttGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                error = a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h")
            o.Help = true;
        else if (a == "--version")
            o.Version = true;
        else if (a == "--seconds")
            o.Seconds = true;
        else if (a == "--fast")
            o.Fast = true;
        else if (a == "--port") {
            if (!value(o.Port)) return std::nullopt;
        } else if (a == "--baud") {
            if (!value(o.Baud)) return std::nullopt;
        } else if (a == "--data") {
            if (!value(o.DataDir)) return std::nullopt;
        } else if (a == "--config") {
            if (!value(o.ConfigFile)) return std::nullopt;
        } else if (a == "--serial") {
            if (!value(o.SerialNo)) return std::nullopt;
        } else if (a == "--mqtt") {
            if (!value(mqttUrl)) return std::nullopt;
            mqttGiven = true;
        } else {
            error = "unknown option \"" + a + "\" (--help lists them)";
            return std::nullopt;
        }
    }
    if (o.Help || o.Version) return o;

    if (!o.ConfigFile.empty()) {
        if (!FileExists(o.ConfigFile)) {
            error = "no configuration file " + o.ConfigFile;
            return std::nullopt;
        }
        try {
            const IniFile ini(o.ConfigFile);
            o.Seconds = o.Seconds || ini.ReadBool("Record", "SecRec", false);
            o.Fast = o.Fast || ini.ReadBool("Collect", "FastMode", false);
            if (o.SerialNo.empty()) o.SerialNo = ini.ReadString("Logger", "SerialNo", "");
        } catch (const std::exception& e) {
            error = e.what();
            return std::nullopt;
        }
        o.Mqtt = LoadMqttSettings(o.ConfigFile);
    }
    if (mqttGiven) {
        o.Mqtt.Url = mqttUrl;
        o.Mqtt.Enabled = true;
    }
    return o;
}

} // namespace qvr
