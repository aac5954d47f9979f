#include "base/executable_dir.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qvr {

std::string ExecutableDir() {
    std::filesystem::path exe;
#ifdef _WIN32
    std::wstring buf(32768, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    buf.resize(n);
    exe = buf;
#else
    std::error_code ec;
    exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) exe = std::filesystem::current_path() / "qvr";
#endif
    const std::u8string dir = exe.parent_path().u8string();
    std::string out(dir.begin(), dir.end());
    out += static_cast<char>(std::filesystem::path::preferred_separator);
    return out;
}

} // namespace qvr
