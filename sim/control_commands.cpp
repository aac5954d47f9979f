#include "sim/control_commands.h"

#include "base/number_text.h"
#include "sim/simulated_sensor.h"

#include <cmath>
#include <optional>
#include <set>
#include <sstream>
#include <vector>

namespace qvr::sim {

namespace {

std::vector<std::string> Words(std::string_view line) {
    std::vector<std::string> words;
    std::istringstream in{std::string(line)};
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

CommandResult Fail(std::string message) {
    return {false, std::move(message), false, 0.0};
}
CommandResult Done(std::string message) {
    return {true, std::move(message), false, 0.0};
}

std::optional<double> NumberIn(const std::string& text, double low, double high) {
    const auto v = ParseNumber(text);
    if (!v || *v < low || *v > high) return std::nullopt;
    return v;
}

// "0.3" or "30%": a share from 0 to 1.
std::optional<double> ShareIn(std::string text) {
    double scale = 1.0;
    if (!text.empty() && text.back() == '%') {
        text.pop_back();
        scale = 0.01;
    }
    const auto v = ParseNumber(text);
    if (!v || *v * scale < 0.0 || *v * scale > 1.0) return std::nullopt;
    return *v * scale;
}

std::string Num(double v, int decimals = 3) {
    return FormatFloat("%1." + std::to_string(decimals) + "f", v);
}

} // namespace

std::string ControlCommands::Help() {
    return "Commands (one a line, from standard input or a --script file; # starts a comment):\n"
           "  speed V           tunnel wind speed in m/s (0 to 60)\n"
           "  temp C            ambient air temperature in degrees C (-40 to 80)\n"
           "  noise N           noise level: 0 none, 1 normal, up to 100\n"
           "  dir D             wind direction in degrees (reported by model 19.10)\n"
           "  model M           model number: 19.10 reports wind direction, e.g. 19.00 does not\n"
           "  gain G            play M01 as G x wind + offset (0.5 to 2); \"gain off\" ends it\n"
           "  offset O          the offset of that line in m/s (-5 to 5); \"offset off\" ends it\n"
           "  drop P            withhold a share of answers: 0 to 1, or a percentage like 30%\n"
           "  corrupt P         send a share of answers with a wrong checksum\n"
           "  delay MS          send every answer MS milliseconds late (0 to 60000)\n"
           "  dropwrites N      withhold the answers to the next N write requests\n"
           "  wrong KEY VALUE   hold and echo VALUE whenever KEY is written\n"
           "  wrong KEY off     stop that; \"wrong off\" stops all of them\n"
           "  mute on|off       stop answering / answer again\n"
           "  silent-after MS   stop answering MS milliseconds from now (\"off\" ends it)\n"
           "  echo-pairs N|all  cut write echoes after N pairs / echo them whole\n"
           "  unstored KEY..    echo writes of these parameters but keep the old values (\"off\")\n"
           "  params-empty on|off  answer reads of every stored parameter with an empty value\n"
           "  params-empty KEY..   answer reads of these parameters empty (\"off\" ends it)\n"
           "  hangup            hang up the line and serve a fresh one behind the same link\n"
           "  clear             remove every fault\n"
           "  set KEY VALUE     store a parameter directly, as the factory would\n"
           "  factory           back to the factory parameters (to calibrate again)\n"
           "  params            print the stored parameters\n"
           "  status            print conditions, faults, counters and a reading\n"
           "  sleep S           wait S seconds before the next script line (0 to 3600)\n"
           "  help              this list\n"
           "  quit              stop the sensor and end the program\n";
}

CommandResult ControlCommands::Execute(std::string_view line) {
    const auto words = Words(line);
    if (words.empty() || words[0][0] == '#') return Done("");
    const std::string& cmd = words[0];
    const auto argc = words.size() - 1;
    const auto needs = [&](std::size_t n, const char* usage) -> std::optional<CommandResult> {
        if (argc != n) return Fail(std::string("usage: ") + usage);
        return std::nullopt;
    };

    if (cmd == "quit" || cmd == "exit") return {true, "", true, 0.0};
    if (cmd == "help") return Done(Help());

    if (cmd == "speed") {
        if (auto u = needs(1, "speed V (m/s, 0 to 60)")) return *u;
        const auto v = NumberIn(words[1], 0.0, 60.0);
        if (!v) return Fail("speed: give a wind speed from 0 to 60 m/s");
        sensor_.SetTunnelSpeed(*v);
        return Done("tunnel speed " + Num(*v) + " m/s");
    }
    if (cmd == "temp") {
        if (auto u = needs(1, "temp C (-40 to 80)")) return *u;
        const auto v = NumberIn(words[1], -40.0, 80.0);
        if (!v) return Fail("temp: give an air temperature from -40 to 80 C");
        sensor_.SetAirTemperature(*v);
        return Done("air temperature " + Num(*v, 2) + " C");
    }
    if (cmd == "noise") {
        if (auto u = needs(1, "noise N (0 to 100)")) return *u;
        const auto v = NumberIn(words[1], 0.0, 100.0);
        if (!v) return Fail("noise: give a level from 0 to 100");
        sensor_.SetNoise(*v);
        return Done("noise level " + Num(*v, 2));
    }
    if (cmd == "dir") {
        if (auto u = needs(1, "dir D (degrees)")) return *u;
        const auto v = NumberIn(words[1], -360.0, 720.0);
        if (!v) return Fail("dir: give a direction in degrees");
        sensor_.SetWindDirection(*v);
        return Done("wind direction " + Num(*v, 1) + " degrees");
    }
    if (cmd == "model") {
        if (auto u = needs(1, "model M (e.g. 19.10)")) return *u;
        const auto v = NumberIn(words[1], 0.0, 99.99);
        if (!v) return Fail("model: give a model number such as 19.10");
        sensor_.SetModel(*v);
        return Done("model " + Num(*v, 2));
    }
    if (cmd == "gain" || cmd == "offset") {
        const bool gain = cmd == "gain";
        if (auto u = needs(1, gain ? "gain G (0.5 to 2) or gain off"
                                   : "offset O (m/s, -5 to 5) or offset off"))
            return *u;
        const auto c = sensor_.Conditions();
        if (words[1] == "off") {
            sensor_.SetLinear(false, 1.0, 0.0);
            return Done("wind speed from the element's curve again");
        }
        const auto v = gain ? NumberIn(words[1], 0.5, 2.0) : NumberIn(words[1], -5.0, 5.0);
        if (!v)
            return Fail(gain ? "gain: give a gain from 0.5 to 2, or off"
                             : "offset: give an offset from -5 to 5 m/s, or off");
        // The other half of the line stays as it was (1 and 0 at first).
        const double g = gain ? *v : c.linear ? c.gain : 1.0;
        const double o = gain ? (c.linear ? c.offset : 0.0) : *v;
        sensor_.SetLinear(true, g, o);
        return Done("M01 = " + Num(g, 4) + " x wind " + (o < 0 ? "- " : "+ ") + Num(std::fabs(o)) +
                    " m/s");
    }
    if (cmd == "drop" || cmd == "corrupt") {
        if (auto u = needs(1, (cmd + " P (0 to 1, or 0% to 100%)").c_str())) return *u;
        const auto v = ShareIn(words[1]);
        if (!v) return Fail(cmd + ": give a share from 0 to 1, or a percentage from 0% to 100%");
        auto faults = sensor_.Faults();
        (cmd == "drop" ? faults.dropShare : faults.corruptShare) = *v;
        sensor_.SetFaults(faults);
        return Done(cmd + " " + Num(*v * 100.0, 1) + "% of answers");
    }
    if (cmd == "delay") {
        if (auto u = needs(1, "delay MS (0 to 60000)")) return *u;
        const auto v = NumberIn(words[1], 0.0, 60000.0);
        if (!v) return Fail("delay: give milliseconds from 0 to 60000");
        auto faults = sensor_.Faults();
        faults.delayMs = static_cast<int>(*v);
        sensor_.SetFaults(faults);
        return Done("answers delayed by " + std::to_string(faults.delayMs) + " ms");
    }
    if (cmd == "dropwrites") {
        if (auto u = needs(1, "dropwrites N (0 to 1000)")) return *u;
        const auto v = NumberIn(words[1], 0.0, 1000.0);
        if (!v || *v != static_cast<int>(*v))
            return Fail("dropwrites: give a count from 0 to 1000");
        auto faults = sensor_.Faults();
        faults.dropWrites = static_cast<int>(*v);
        sensor_.SetFaults(faults);
        return Done("answers to the next " + std::to_string(faults.dropWrites) +
                    " write requests withheld");
    }
    if (cmd == "wrong") {
        auto faults = sensor_.Faults();
        if (argc == 1 && words[1] == "off") {
            faults.wrongWrites.clear();
            sensor_.SetFaults(faults);
            return Done("every write is held as sent");
        }
        if (argc != 2) return Fail("usage: wrong KEY VALUE | wrong KEY off | wrong off");
        const std::string& key = words[1];
        if (!sensor_.Parameter(key))
            return Fail("wrong: " + key + " is not a parameter the sensor stores");
        if (words[2] == "off") {
            faults.wrongWrites.erase(key);
            sensor_.SetFaults(faults);
            return Done("writes of " + key + " held as sent");
        }
        if (!ParseNumber(words[2])) return Fail("wrong: give a number as the value");
        faults.wrongWrites[key] = words[2];
        sensor_.SetFaults(faults);
        return Done("writes of " + key + " answered with " + words[2]);
    }
    if (cmd == "mute") {
        if (argc != 1 || (words[1] != "on" && words[1] != "off")) return Fail("usage: mute on|off");
        auto faults = sensor_.Faults();
        faults.mute = words[1] == "on";
        sensor_.SetFaults(faults);
        return Done(faults.mute ? "not answering" : "answering");
    }
    if (cmd == "silent-after") {
        if (auto u = needs(1, "silent-after MS (0 to 3600000) | silent-after off")) return *u;
        auto faults = sensor_.Faults();
        if (words[1] == "off") {
            faults.silentAfterMs = -1;
            sensor_.SetFaults(faults);
            return Done("answering");
        }
        const auto v = NumberIn(words[1], 0.0, 3600000.0);
        if (!v || *v != static_cast<int>(*v))
            return Fail("silent-after: give milliseconds from 0 to 3600000");
        faults.silentAfterMs = static_cast<int>(*v);
        sensor_.SetFaults(faults);
        return Done("silent " + std::to_string(faults.silentAfterMs) + " ms from now");
    }
    if (cmd == "echo-pairs") {
        if (auto u = needs(1, "echo-pairs N (0 to 20) | echo-pairs all")) return *u;
        auto faults = sensor_.Faults();
        if (words[1] == "all") {
            faults.echoPairs = -1;
            sensor_.SetFaults(faults);
            return Done("write echoes whole");
        }
        const auto v = NumberIn(words[1], 0.0, 20.0);
        if (!v || *v != static_cast<int>(*v)) return Fail("echo-pairs: give a count from 0 to 20");
        faults.echoPairs = static_cast<int>(*v);
        sensor_.SetFaults(faults);
        return Done("write echoes cut after " + std::to_string(faults.echoPairs) + " pairs");
    }
    if (cmd == "unstored") {
        if (argc == 0) return Fail("usage: unstored KEY [KEY ...] | unstored off");
        auto faults = sensor_.Faults();
        if (argc == 1 && words[1] == "off") {
            faults.unstoredWrites.clear();
            sensor_.SetFaults(faults);
            return Done("every write is stored");
        }
        std::set<std::string> keys;
        for (std::size_t i = 1; i <= argc; ++i) {
            if (!sensor_.Parameter(words[i]))
                return Fail("unstored: " + words[i] + " is not a parameter the sensor stores");
            keys.insert(words[i]);
        }
        faults.unstoredWrites = keys;
        sensor_.SetFaults(faults);
        return Done(std::to_string(keys.size()) + " parameters echoed but not stored");
    }
    if (cmd == "params-empty") {
        if (argc == 0) return Fail("usage: params-empty on|off | params-empty KEY [KEY ...]");
        auto faults = sensor_.Faults();
        if (argc == 1 && (words[1] == "on" || words[1] == "off")) {
            faults.emptyParamReads = words[1] == "on";
            faults.emptyReadKeys.clear();
            sensor_.SetFaults(faults);
            return Done(faults.emptyParamReads ? "parameter reads answered empty"
                                               : "parameter reads answered with stored values");
        }
        std::set<std::string> keys;
        for (std::size_t i = 1; i <= argc; ++i) {
            if (!sensor_.Parameter(words[i]))
                return Fail("params-empty: " + words[i] + " is not a parameter the sensor stores");
            keys.insert(words[i]);
        }
        faults.emptyParamReads = false;
        faults.emptyReadKeys = keys;
        sensor_.SetFaults(faults);
        std::string list;
        for (const auto& k : keys)
            list += " " + k;
        return Done("reads of" + list + " answered empty");
    }
    if (cmd == "hangup") {
        if (auto u = needs(0, "hangup")) return *u;
        const std::string path = sensor_.HangUp();
        if (path.empty())
            return Fail("hangup: no new line could be opened: " + sensor_.LastError());
        return Done("line hung up; now serving " + path);
    }
    if (cmd == "clear") {
        sensor_.SetFaults({});
        return Done("no faults");
    }
    if (cmd == "set") {
        if (auto u = needs(2, "set KEY VALUE")) return *u;
        const auto v = ParseFloat(words[2]);
        if (!v) return Fail("set: give a number as the value");
        if (!sensor_.SetParameter(words[1], *v))
            return Fail("set: " + words[1] + " is not a parameter the sensor stores");
        return Done(words[1] + " = " + GeneralNumberText(*sensor_.Parameter(words[1])));
    }
    if (cmd == "factory") {
        if (auto u = needs(0, "factory")) return *u;
        sensor_.ResetParameters();
        return Done("factory parameters restored; write session closed");
    }
    if (cmd == "params") {
        std::string out;
        for (const auto& [key, value] : sensor_.Parameters())
            out += key + " = " + GeneralNumberText(value) + "\n";
        out += std::string("write session ") + (sensor_.WriteSessionOpen() ? "open" : "closed");
        return Done(out);
    }
    if (cmd == "status") {
        const auto c = sensor_.Conditions();
        const auto f = sensor_.Faults();
        const auto n = sensor_.Counters();
        const auto r = sensor_.Measure();
        std::string out;
        out += "line " + sensor_.SlavePath();
        if (!sensor_.LinkPath().empty()) out += " (link " + sensor_.LinkPath() + ")";
        const std::string pacing[] = {"byte after byte",
                                      "in " + std::to_string(kBurstInterval.count()) + " ms bursts",
                                      "each answer at once"};
        out += ", " + pacing[static_cast<int>(sensor_.Pacing())];
        if (sensor_.Pacing() != LinePacing::Instant)
            out += " at " + std::to_string(sensor_.BaudRate()) + " baud";
        out += "\nspeed " + Num(c.tunnelSpeed) + " m/s, air " + Num(c.airTemperature, 2) +
               " C, noise " + Num(c.noise, 2) + ", dir " + Num(c.windDirection, 1) + ", model " +
               Num(c.model, 2);
        if (c.linear) out += ", M01 = " + Num(c.gain, 4) + " x wind + " + Num(c.offset) + " m/s";
        out += "\nfaults: drop " + Num(f.dropShare * 100.0, 1) + "%, corrupt " +
               Num(f.corruptShare * 100.0, 1) + "%, delay " + std::to_string(f.delayMs) +
               " ms, mute " + (f.mute ? "on" : "off");
        for (const auto& [key, value] : f.wrongWrites)
            out += ", wrong " + key + "=" + value;
        if (f.emptyParamReads) out += ", parameter reads empty";
        for (const auto& key : f.emptyReadKeys)
            out += ", empty read " + key;
        out += "\nrequests " + std::to_string(n.requests) + " (bad checksum " +
               std::to_string(n.badChecksums) + "), answers sent " + std::to_string(n.answersSent) +
               ", withheld " + std::to_string(n.answersDropped) + ", corrupted " +
               std::to_string(n.answersCorrupted) + ", hang-ups " + std::to_string(n.hangUps);
        out += "\nreading: M01 " + Num(r.windSpeed) + " m/s, C01 " + Num(r.windSpeedRaw) +
               " m/s, C32 " + Num(r.tempDiff) + " C, M11 " + Num(r.airTemp, 2) + " C";
        out += std::string("\nwrite session ") + (sensor_.WriteSessionOpen() ? "open" : "closed");
        return Done(out);
    }
    if (cmd == "sleep") {
        if (auto u = needs(1, "sleep S (0 to 3600)")) return *u;
        const auto v = NumberIn(words[1], 0.0, 3600.0);
        if (!v) return Fail("sleep: give seconds from 0 to 3600");
        return {true, "", false, *v};
    }
    return Fail("unknown command \"" + cmd + "\"; \"help\" lists the commands");
}

} // namespace qvr::sim
