#include "tests/file_faults.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

extern "C" {
std::size_t __real_fwrite(const void* data, std::size_t size, std::size_t count, std::FILE* f);
int __real_fflush(std::FILE* f);
int __real_fsync(int fd);
int __real_fclose(std::FILE* f);
}

namespace qvr::test {
namespace {

struct Armed {
    bool on = false;
    bool hit = false;
    FileCall call = FileCall::Write;
    int error = 0;
    std::size_t keep = 0;
    int skip = 0;
};
Armed armed;

// True when this call is the one to fail; counts down the good ones first.
// Only files open for writing fail: reading a file is not what is tested.
bool Fails(FileCall call, int fd) {
    if (!armed.on || armed.hit || armed.call != call || fd <= STDERR_FILENO) return false;
    if ((::fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY) return false;
    if (armed.skip > 0) {
        --armed.skip;
        return false;
    }
    armed.hit = true;
    return true;
}

} // namespace

FileFault::FileFault(FileCall call, int error, std::size_t keep, int skip) {
    armed = Armed{true, false, call, error, keep, skip};
}

FileFault::~FileFault() {
    armed = Armed{};
}

bool FileFault::Hit() const {
    return armed.hit;
}

} // namespace qvr::test

using qvr::test::FileCall;

extern "C" {

std::size_t __wrap_fwrite(const void* data, std::size_t size, std::size_t count, std::FILE* f) {
    if (!qvr::test::Fails(FileCall::Write, fileno(f))) return __real_fwrite(data, size, count, f);
    std::size_t keep = qvr::test::armed.keep;
    if (keep > size * count) keep = size * count;
    const std::size_t kept = __real_fwrite(data, 1, keep, f);
    errno = qvr::test::armed.error;
    return size ? kept / size : 0;
}

int __wrap_fflush(std::FILE* f) {
    if (!f || !qvr::test::Fails(FileCall::Flush, fileno(f))) return __real_fflush(f);
    errno = qvr::test::armed.error;
    return EOF;
}

int __wrap_fsync(int fd) {
    if (!qvr::test::Fails(FileCall::Sync, fd)) return __real_fsync(fd);
    errno = qvr::test::armed.error;
    return -1;
}

int __wrap_fclose(std::FILE* f) {
    if (!qvr::test::Fails(FileCall::Close, fileno(f))) return __real_fclose(f);
    __real_fclose(f);
    errno = qvr::test::armed.error;
    return EOF;
}
}
