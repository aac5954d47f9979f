#pragma once

#include <string>

namespace qvr::sim {

// One pseudo-terminal: the master end the sensor talks on, and a slave end held
// open by the sensor itself, so that the program closing its own slave
// descriptor never leaves the master in the hung-up state. Both ends raw.
class PseudoTerminal {
public:
    PseudoTerminal() = default;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    ~PseudoTerminal() { Close(); }

    // Throws std::system_error when the system gives no pseudo-terminal.
    void Open();
    // Closing the master hangs the line up for whoever has the slave open.
    void Close();

    // Lifts the exclusive-use mode a program may have set on the slave. On a
    // pseudo-terminal that mode outlives the program's close (the master keeps
    // the terminal alive), so without this a user other than root could never
    // reconnect. Programs that also lock the line keep their lock.
    void ClearExclusive();

    bool IsOpen() const { return master_ >= 0; }
    int MasterFd() const { return master_; }
    const std::string& SlavePath() const { return slavePath_; }

private:
    int master_ = -1;
    int slaveHeld_ = -1;
    std::string slavePath_;
};

// Points the symbolic link at `linkPath` to `target`, replacing an earlier link
// atomically. Refuses (std::runtime_error) to replace anything that is not a
// symbolic link, so a mistyped path never destroys a file.
void PointLink(const std::string& linkPath, const std::string& target);

// Removes the link at `linkPath` if it still points to `target`.
void RemoveLink(const std::string& linkPath, const std::string& target);

} // namespace qvr::sim
