#pragma once

#include <map>
#include <set>
#include <string>

namespace qvr::sim {

// Line and device faults the simulated sensor can show.
struct SensorFaults {
    double dropShare = 0.0;    // share of answers never sent, 0 to 1
    double corruptShare = 0.0; // share of answers sent with a wrong checksum, 0 to 1
    int delayMs = 0;           // every answer leaves this much later
    bool mute = false;         // no answers at all
    int dropWrites = 0;        // the answers to the next this many write requests are withheld
    // Writes of these keys are held and echoed as the given value instead of the one sent.
    std::map<std::string, std::string> wrongWrites;
    // Reads of stored parameters answered with an empty value: every one, or these keys.
    bool emptyParamReads = false;
    std::set<std::string> emptyReadKeys;
    // Writes of these keys are echoed as sent but the store keeps its old value.
    std::set<std::string> unstoredWrites;
    int echoPairs = -1;     // write echoes cut after this many pairs; -1 keeps them whole
    int silentAfterMs = -1; // no answers from this long after the faults were set; -1 never

    bool operator==(const SensorFaults&) const = default;
};

} // namespace qvr::sim
