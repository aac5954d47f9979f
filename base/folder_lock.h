#pragma once

#include <string>

namespace qvr {

// One program per folder: two copies working beside each other would share
// their settings and record files. The running copy holds a lock on a file in
// its folder, which the system releases however the process ends, so a crash
// never blocks the next start. The file itself stays (removing it could let
// two copies lock different files of the same name).
class FolderLock {
public:
    static constexpr const char* kFileName = "qvr-monitor.lock";

    // Tries to take the lock of `folder` (given with its trailing separator).
    explicit FolderLock(const std::string& folder);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Another program holds the lock of this folder.
    bool Busy() const { return busy_; }
    // Why the lock could not be taken when nobody holds it (a folder the
    // program may not write to, for example); empty when it is held.
    const std::string& Problem() const { return problem_; }

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    bool busy_ = false;
    std::string problem_;
};

} // namespace qvr
