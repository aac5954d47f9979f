#include "core/mqtt_settings.h"

#include "base/ini_file.h"

#include <exception>

namespace qvr {

std::optional<MqttEndpoint> ParseMqttUrl(const std::string& url, std::string& error) {
    MqttEndpoint endpoint;
    std::string rest = url;
    if (rest.starts_with("mqtts://")) {
        endpoint.Tls = true;
        endpoint.Port = 8883;
        rest.erase(0, 8);
    } else if (rest.starts_with("mqtt://")) {
        rest.erase(0, 7);
    } else if (rest.find("://") != std::string::npos) {
        error = "unknown scheme in \"" + url + "\" (mqtt:// or mqtts://)";
        return std::nullopt;
    }
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    if (const auto at = rest.rfind('@'); at != std::string::npos) {
        endpoint.User = rest.substr(0, at);
        rest.erase(0, at + 1);
        if (endpoint.User.find(':') != std::string::npos) {
            error = "a password in the broker URL is refused: give it as the Password setting";
            return std::nullopt;
        }
    }
    if (const auto colon = rest.rfind(':'); colon != std::string::npos) {
        const std::string port = rest.substr(colon + 1);
        int value = 0;
        bool digits = !port.empty() && port.size() <= 5;
        for (char c : port) {
            if (c < '0' || c > '9')
                digits = false;
            else
                value = value * 10 + (c - '0');
        }
        if (!digits || value < 1 || value > 65535) {
            error = "bad port \"" + port + "\" in \"" + url + "\"";
            return std::nullopt;
        }
        endpoint.Port = value;
        rest.erase(colon);
    }
    if (rest.empty() || rest.find_first_of("/ \t") != std::string::npos) {
        error = "no host in \"" + url + "\"";
        return std::nullopt;
    }
    endpoint.Host = rest;
    return endpoint;
}

std::string DefaultMqttPrefix(const std::string& serialNo) {
    std::string level;
    for (char c : serialNo) {
        const auto u = static_cast<unsigned char>(c);
        level += (c == '/' || c == '+' || c == '#' || u < 0x20 || u == 0x7f) ? '_' : c;
    }
    return "qvr/" + (level.empty() ? std::string("unnamed") : level);
}

std::string MqttPrefix(const MqttSettings& settings, const std::string& serialNo) {
    std::string prefix = settings.Prefix;
    while (!prefix.empty() && prefix.back() == '/')
        prefix.pop_back();
    return prefix.empty() ? DefaultMqttPrefix(serialNo) : prefix;
}

MqttSettings LoadMqttSettings(const std::string& iniPath) {
    MqttSettings s;
    try {
        const IniFile ini(iniPath);
        s.Enabled = ini.ReadBool("MQTT", "Enabled", s.Enabled);
        s.Url = ini.ReadString("MQTT", "Url", s.Url);
        s.User = ini.ReadString("MQTT", "User", s.User);
        s.Password = ini.ReadString("MQTT", "Password", s.Password);
        s.CaFile = ini.ReadString("MQTT", "CaFile", s.CaFile);
        s.Prefix = ini.ReadString("MQTT", "Prefix", s.Prefix);
        const int megabytes = ini.ReadInteger("MQTT", "QueueMB", s.QueueMegabytes);
        if (megabytes >= 1) s.QueueMegabytes = megabytes;
    } catch (const std::exception&) {
        return MqttSettings{};
    }
    return s;
}

bool SaveMqttSettings(const std::string& iniPath, const MqttSettings& s) {
    try {
        IniText text = IniText::Read(iniPath);
        text.SetValue("MQTT", "Enabled", s.Enabled ? "1" : "0");
        text.SetValue("MQTT", "Url", s.Url);
        text.SetValue("MQTT", "User", s.User);
        text.SetValue("MQTT", "Password", s.Password);
        text.SetValue("MQTT", "CaFile", s.CaFile);
        text.SetValue("MQTT", "Prefix", s.Prefix);
        text.SetValue("MQTT", "QueueMB", std::to_string(s.QueueMegabytes));
        text.Write(iniPath);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace qvr
