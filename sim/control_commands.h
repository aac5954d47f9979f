#pragma once

#include <string>
#include <string_view>

namespace qvr::sim {

class SimulatedSensor;

struct CommandResult {
    bool ok = true;
    std::string message; // what to show the operator; may be empty
    bool quit = false;
    double sleepSeconds = 0.0; // a script asked to wait
};

// The operator's commands, one a line, from standard input or a script file.
// Blank lines and lines starting with "#" do nothing.
class ControlCommands {
public:
    explicit ControlCommands(SimulatedSensor& sensor) : sensor_(sensor) {}

    CommandResult Execute(std::string_view line);

    // The command list as --help and "help" show it.
    static std::string Help();

private:
    SimulatedSensor& sensor_;
};

} // namespace qvr::sim
