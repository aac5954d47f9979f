#pragma once

#include <cstddef>

namespace qvr::test {

// The C library calls through which files are written. A suite that links
// qvr_test_file_faults has them wrapped at link time, so a test can make one
// fail as a full disk, an exceeded quota or a failing file server would.
enum class FileCall { Write, Flush, Sync, Close };

// Arms one failure for its lifetime: the next call of that kind on a file open
// for writing (not a standard stream), after `skip` good ones, fails with
// `error`. A failing write first writes `keep` bytes; a failing close still
// closes the file.
class FileFault {
public:
    FileFault(FileCall call, int error, std::size_t keep = 0, int skip = 0);
    ~FileFault();
    FileFault(const FileFault&) = delete;
    FileFault& operator=(const FileFault&) = delete;

    // Whether the failure has happened.
    bool Hit() const;
};

} // namespace qvr::test
