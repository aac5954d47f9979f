// qvr-sensor-sim: a simulated QVR sensor on a pseudo-terminal.

#include "base/number_text.h"
#include "sim/control_commands.h"
#include "sim/simulated_sensor.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <poll.h>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace qvr::sim;

constexpr const char* kDefaultLink = "/tmp/qvr-sensor";

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char c = 'q';
    [[maybe_unused]] auto n = ::write(signalPipe[1], &c, 1);
}

void Usage(std::ostream& out) {
    out << "Usage: qvr-sensor-sim [options]\n"
           "\n"
           "A simulated QVR heated anemometer. It opens a pseudo-terminal, links it at\n"
           "--link and answers the monitor program's frames on it until stopped: read\n"
           "requests (RD) with readings, write requests (RW) with the echo of what it\n"
           "stored (writes are taken only inside the write session). The monitor can\n"
           "connect, disconnect and reconnect at will. Point the monitor's port at the\n"
           "link path and press start.\n"
           "\n"
           "Options:\n"
           "  --link PATH     symbolic link to the line (default "
        << kDefaultLink
        << ")\n"
           "  --no-link       make no link; use the printed line path\n"
           "  --seed N        seed for noise and faults; the same seed repeats a run\n"
           "  --script FILE   run the commands in FILE first, then read standard input\n"
           "  --speed V       initial tunnel wind speed in m/s (default 0)\n"
           "  --temp C        initial air temperature in degrees C (default 20)\n"
           "  --noise N       initial noise level (default 1)\n"
           "  --model M       model number (default 19.10, the one with wind direction)\n"
           "  --pace MODE     how answers leave on the line: line (default) sends byte\n"
           "                  after byte at the baud rate, as a UART does; burst passes\n"
           "                  them on every 16 ms, as a USB serial adapter does; instant\n"
           "                  writes each answer at once\n"
           "  --baud N        the line's rate for line and burst (default 38400: about\n"
           "                  0.26 ms a byte)\n"
           "  --help          this text\n"
           "\n"
        << ControlCommands::Help()
        << "\n"
           "The sensor starts with factory parameters (E01 50, E02 5, E03 20, ...), which\n"
           "do not fit its element: it reads wrong until it is calibrated. Standard input\n"
           "ending does not stop it; \"quit\", Ctrl-C or SIGTERM does.\n"
           "\n"
           "Example:\n"
           "  qvr-sensor-sim --link /tmp/qvr-sensor --seed 7 &\n"
           "  (then in the monitor: port /tmp/qvr-sensor, start)\n";
}

// Waits up to `seconds`; false when a stop signal arrived meanwhile.
bool SleepUnlessSignalled(double seconds) {
    pollfd p{signalPipe[0], POLLIN, 0};
    return ::poll(&p, 1, static_cast<int>(seconds * 1000.0)) == 0;
}

// Runs one command line; false when the program should end.
bool Run(ControlCommands& commands, const std::string& line, const std::string& where) {
    const CommandResult result = commands.Execute(line);
    if (!result.message.empty()) {
        if (result.ok)
            std::cout << result.message << '\n';
        else
            std::cout << where << result.message << '\n';
        std::cout.flush();
    }
    if (result.quit) return false;
    if (result.sleepSeconds > 0) return SleepUnlessSignalled(result.sleepSeconds);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    SimulatedSensorOptions options;
    options.linkPath = kDefaultLink;
    options.seed = std::random_device{}();
    std::string script;
    std::vector<std::string> initial;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        const auto needValue = [&]() {
            if (!value) {
                std::cerr << "qvr-sensor-sim: " << arg << " needs a value\n";
                return false;
            }
            ++i;
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            Usage(std::cout);
            return 0;
        } else if (arg == "--link") {
            if (!needValue()) return 2;
            options.linkPath = value;
        } else if (arg == "--no-link") {
            options.linkPath.clear();
        } else if (arg == "--seed") {
            if (!needValue()) return 2;
            const auto v = qvr::ParseNumber(value);
            if (!v || *v < 0 || *v != static_cast<double>(static_cast<unsigned long long>(*v))) {
                std::cerr << "qvr-sensor-sim: --seed needs a whole number\n";
                return 2;
            }
            options.seed = static_cast<std::uint64_t>(*v);
        } else if (arg == "--pace") {
            if (!needValue()) return 2;
            const std::string mode = value;
            if (mode == "line")
                options.pacing = LinePacing::Line;
            else if (mode == "burst")
                options.pacing = LinePacing::Burst;
            else if (mode == "instant")
                options.pacing = LinePacing::Instant;
            else {
                std::cerr << "qvr-sensor-sim: --pace is line, burst or instant\n";
                return 2;
            }
        } else if (arg == "--baud") {
            if (!needValue()) return 2;
            const auto v = qvr::ParseNumber(value);
            if (!v || *v < 50 || *v > 4000000 || *v != static_cast<double>(static_cast<int>(*v))) {
                std::cerr << "qvr-sensor-sim: --baud needs a whole number from 50 to 4000000\n";
                return 2;
            }
            options.baudRate = static_cast<int>(*v);
        } else if (arg == "--script") {
            if (!needValue()) return 2;
            script = value;
        } else if (arg == "--speed" || arg == "--temp" || arg == "--noise" || arg == "--model") {
            if (!needValue()) return 2;
            // The same checks as the commands of the same names.
            initial.push_back(arg.substr(2) + " " + value);
        } else {
            std::cerr << "qvr-sensor-sim: unknown option " << arg << " (see --help)\n";
            return 2;
        }
    }

    std::ifstream scriptFile;
    if (!script.empty()) {
        scriptFile.open(script);
        if (!scriptFile) {
            std::cerr << "qvr-sensor-sim: cannot read the script " << script << '\n';
            return 2;
        }
    }

    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("qvr-sensor-sim: pipe2");
        return 1;
    }
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    SimulatedSensor sensor(options);
    ControlCommands commands(sensor);
    for (const auto& line : initial) {
        const CommandResult result = commands.Execute(line);
        if (!result.ok) {
            std::cerr << "qvr-sensor-sim: --" << result.message << '\n';
            return 2;
        }
    }
    try {
        sensor.Start();
    } catch (const std::exception& e) {
        std::cerr << "qvr-sensor-sim: cannot start: " << e.what() << '\n';
        return 1;
    }
    std::cout << "QVR sensor simulator (seed " << options.seed << ")\n";
    std::cout << "line: " << sensor.SlavePath() << '\n';
    if (!options.linkPath.empty())
        std::cout << "link: " << options.linkPath << " -> " << sensor.SlavePath() << '\n';
    std::cout << "Type \"help\" for the commands." << std::endl;

    bool running = true;
    if (scriptFile.is_open()) {
        std::string line;
        for (int number = 1; running && std::getline(scriptFile, line); ++number)
            running = Run(commands, line, script + ":" + std::to_string(number) + ": ");
    }

    // Standard input, until "quit" or a signal; its end only stops the reading.
    std::string pending;
    bool stdinOpen = true;
    while (running) {
        pollfd fds[2] = {{signalPipe[0], POLLIN, 0}, {stdinOpen ? 0 : -1, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents & POLLIN) break;
        if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) {
            char buffer[1024];
            const ssize_t n = ::read(0, buffer, sizeof buffer);
            if (n <= 0) {
                if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
                stdinOpen = false;
                if (!pending.empty()) running = Run(commands, pending, "");
                pending.clear();
                continue;
            }
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t eol; running && (eol = pending.find('\n')) != std::string::npos;) {
                std::string line = pending.substr(0, eol);
                pending.erase(0, eol + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                running = Run(commands, line, "");
            }
        }
    }

    sensor.Stop();
    std::cout << "stopped" << std::endl;
    return 0;
}
