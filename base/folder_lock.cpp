#include "base/folder_lock.h"

#include <filesystem>
#include <system_error>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace qvr {

FolderLock::FolderLock(const std::string& folder) {
    const std::string path = folder + kFileName;
#ifdef _WIN32
    // No sharing: a second open fails while this handle lives.
    const std::filesystem::path wide(std::u8string(path.begin(), path.end()));
    HANDLE h = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        handle_ = h;
        return;
    }
    const DWORD err = GetLastError();
    if (err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION)
        busy_ = true;
    else
        problem_ = "Cannot lock \"" + path + "\": " + std::system_category().message(int(err));
#else
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    // A lock file someone else created may only be readable; that locks too.
    if (fd_ < 0 && errno == EACCES) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        problem_ = "Cannot lock \"" + path + "\": " + std::generic_category().message(errno);
        return;
    }
    int rc = 0;
    while ((rc = ::flock(fd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
    }
    if (rc == 0) return;
    if (errno == EWOULDBLOCK)
        busy_ = true;
    else
        problem_ = "Cannot lock \"" + path + "\": " + std::generic_category().message(errno);
    ::close(fd_);
    fd_ = -1;
#endif
}

FolderLock::~FolderLock() {
#ifdef _WIN32
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
#else
    if (fd_ >= 0) ::close(fd_);
#endif
}

} // namespace qvr
