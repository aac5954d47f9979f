// Windows side of the file calls of text_file.h: wide-character paths
// (UTF-8 inside the program), whole-file replacement by one rename, and
// messages that say when another program holds a file.
#include "base/text_file.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <algorithm>
#include <cctype>

namespace qvr {

namespace {

std::string Utf8Of(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(std::max(n, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::string Reason(DWORD err) {
    switch (err) {
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return "the file is in use by another program; close it there and try again";
    case ERROR_ACCESS_DENIED:
        return "access denied (the file may be read-only or in use by another program)";
    default:
        break;
    }
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, err, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::string reason = text ? Utf8Of(text) : std::string();
    if (text) LocalFree(text);
    while (!reason.empty() &&
           (std::isspace(static_cast<unsigned char>(reason.back())) || reason.back() == '.'))
        reason.pop_back();
    if (reason.empty()) reason = "system error";
    return reason + " (Windows error " + std::to_string(err) + ")";
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, DWORD err) {
    throw TextFileError(what + " \"" + path + "\": " + Reason(err));
}

// The path for the wide-character calls; a name that is not UTF-8 is refused
// rather than guessed at.
std::wstring WidePath(const std::string& path) {
    if (path.empty()) Fail("Cannot open file", path, ERROR_INVALID_NAME);
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                      static_cast<int>(path.size()), nullptr, 0);
    if (n <= 0) Fail("Cannot open file", path, ERROR_NO_UNICODE_TRANSLATION);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                        wide.data(), n);
    return wide;
}

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (Valid()) CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h_; }
    // 0 or the error of the close.
    DWORD Close() {
        const HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) ? 0 : GetLastError();
    }

private:
    HANDLE h_;
};

// 0 when every byte was written, else the error.
DWORD WriteAll(HANDLE h, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(h, bytes.data(), chunk, &written, nullptr)) return GetLastError();
        if (written == 0) return ERROR_WRITE_FAULT;
        bytes.remove_prefix(written);
    }
    return 0;
}

bool Seek(HANDLE h, LONGLONG offset) {
    LARGE_INTEGER at;
    at.QuadPart = offset;
    return SetFilePointerEx(h, at, nullptr, FILE_BEGIN) != 0;
}

} // namespace

// The temporary file reaches the disk before one rename puts it in the
// target's place, so the target is either the old file or the new one.
// (ReplaceFileW is not used: when it fails without a backup name it can leave
// no file at the target.)
void ReplaceFileBytes(const std::string& path, std::string_view bytes) {
    const std::wstring target = WidePath(path);
    const std::wstring temp = WidePath(TemporaryPathFor(path));
    Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) Fail("Cannot create file", path, GetLastError());
    DWORD err = WriteAll(file.Get(), bytes);
    if (!err && !FlushFileBuffers(file.Get())) err = GetLastError();
    const DWORD closeErr = file.Close();
    if (!err) err = closeErr;
    if (!err && !MoveFileExW(temp.c_str(), target.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        err = GetLastError();
    if (err) {
        DeleteFileW(temp.c_str());
        Fail("Cannot write file", path, err);
    }
}

std::string ReadFileBytes(const std::string& path, std::size_t limit) {
    // Others may go on writing or replacing the file while it is read.
    Handle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) Fail("Cannot open file", path, GetLastError());
    std::string bytes;
    char buf[65536];
    while (bytes.size() <= limit) {
        DWORD n = 0;
        if (!ReadFile(file.Get(), buf, sizeof buf, &n, nullptr))
            Fail("Cannot read file", path, GetLastError());
        if (n == 0) break;
        bytes.append(buf, n);
    }
    if (bytes.size() > limit) throw FileTooLarge(path, limit);
    return bytes;
}

// The new lines land whole or not at all: after a failed write the file is
// cut back to its old length.
void AppendTextLines(const std::string& path, const std::vector<std::string>& lines) {
    Handle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                            nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) Fail("Cannot open file", path, GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size)) Fail("Cannot read file", path, GetLastError());
    std::string bytes;
    if (size.QuadPart > 0) {
        char last = '\n';
        DWORD n = 0;
        if (!Seek(file.Get(), size.QuadPart - 1) || !ReadFile(file.Get(), &last, 1, &n, nullptr))
            Fail("Cannot read file", path, GetLastError());
        if (n == 1 && last != '\n') bytes += "\r\n";
    }
    for (const auto& line : lines) {
        bytes += Utf8ToCp932(line);
        bytes += "\r\n";
    }
    DWORD err = Seek(file.Get(), size.QuadPart) ? WriteAll(file.Get(), bytes) : GetLastError();
    if (err && Seek(file.Get(), size.QuadPart)) SetEndOfFile(file.Get());
    const DWORD closeErr = file.Close();
    if (!err) err = closeErr;
    if (err) Fail("Cannot write file", path, err);
}

} // namespace qvr
