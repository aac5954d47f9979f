#include "base/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qvr {

namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
std::string SystemReason(int err) {
    return std::generic_category().message(err);
}

[[noreturn]] void Fail(const std::string& what, const std::string& path, int err) {
    throw TextFileError(what + " \"" + path + "\": " + SystemReason(err));
}
#endif

fs::path PathOf(const std::string& utf8) {
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string EncodeLines(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& line : lines) {
        out += Utf8ToCp932(line);
        out += "\r\n";
    }
    return out;
}

#ifdef _WIN32
std::string Convert(std::string_view in, UINT from, UINT to) {
    if (in.empty()) return {};
    const int wlen =
        MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wlen), L'\0');
    MultiByteToWideChar(from, 0, in.data(), static_cast<int>(in.size()), wide.data(), wlen);
    // No best fit: a character the code page lacks becomes "?" (as with iconv),
    // never a look-alike such as "e" for "é".
    const DWORD flags = to == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
    const int len = WideCharToMultiByte(to, flags, wide.data(), wlen, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(len), '\0');
    WideCharToMultiByte(to, flags, wide.data(), wlen, out.data(), len, nullptr, nullptr);
    return out;
}

// Windows decodes bytes that are no CP932 character to look-alikes or private
// characters; iconv refuses them. Each such character becomes "?" first, as
// on Linux: a lead byte with a bad second byte, a lead byte at the end, and the
// bytes 0x80, 0xA0 and 0xFD to 0xFF.
std::string MarkInvalidCp932(std::string_view in) {
    std::string out;
    out.reserve(in.size());
    for (std::size_t i = 0; i < in.size();) {
        const auto b = static_cast<unsigned char>(in[i]);
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {
            out += in[i++];
        } else if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC)) {
            const std::string_view pair = in.substr(i, 2);
            wchar_t c = 0;
            const bool valid = pair.size() == 2 && MultiByteToWideChar(932, MB_ERR_INVALID_CHARS,
                                                                       pair.data(), 2, &c, 1) == 1;
            out += valid ? std::string(pair) : std::string("?");
            i += pair.size();
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}
#else
// Converts with glibc iconv; an input sequence that cannot be converted
// becomes "?" and conversion goes on after it.
std::string Convert(std::string_view in, const char* from, const char* to, bool fromUtf8) {
    if (in.empty()) return {};
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) throw TextFileError(std::string("iconv: no ") + to);
    std::string out;
    std::string chunk(in.size() * 4 + 16, '\0');
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    while (inLeft > 0) {
        char* outPtr = chunk.data();
        std::size_t outLeft = chunk.size();
        const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(chunk.data(), static_cast<std::size_t>(outPtr - chunk.data()));
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // EILSEQ or EINVAL: skip one input character.
        out += '?';
        std::size_t skip = 1;
        if (fromUtf8) {
            const auto lead = static_cast<unsigned char>(*inPtr);
            skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        } else {
            const auto lead = static_cast<unsigned char>(*inPtr);
            skip = ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) ? 2 : 1;
        }
        if (skip > inLeft) skip = inLeft;
        inPtr += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return out;
}
#endif

} // namespace

std::string Utf8ToCp932(std::string_view utf8) {
#ifdef _WIN32
    return Convert(utf8, CP_UTF8, 932);
#else
    return Convert(utf8, "UTF-8", "CP932", true);
#endif
}

std::string Cp932ToUtf8(std::string_view cp932) {
#ifdef _WIN32
    return Convert(MarkInvalidCp932(cp932), 932, CP_UTF8);
#else
    return Convert(cp932, "CP932", "UTF-8", false);
#endif
}

std::string ReadFileBytes(const std::string& path) {
    return ReadFileBytes(path, std::numeric_limits<std::size_t>::max());
}

TextFileError FileTooLarge(const std::string& path, std::size_t limit) {
    constexpr std::size_t kMiB = 1024 * 1024;
    const std::string size = limit % kMiB == 0 && limit > 0
                                 ? std::to_string(limit / kMiB) + " MB"
                                 : std::to_string(limit) + " bytes";
    return TextFileError("Cannot read file \"" + path + "\": larger than " + size);
}

std::string TemporaryPathFor(const std::string& path) {
#ifdef _WIN32
    const unsigned long pid = GetCurrentProcessId();
#else
    const long pid = static_cast<long>(::getpid());
#endif
    return path + "." + std::to_string(pid) + ".tmp~";
}

#ifndef _WIN32
std::string ReadFileBytes(const std::string& path, std::size_t limit) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) Fail("Cannot open file", path, errno);
    std::string bytes;
    char buf[65536];
    std::size_t n = 0;
    while (bytes.size() <= limit && (n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    const int err = errno;
    std::fclose(f);
    if (failed) Fail("Cannot read file", path, err);
    if (bytes.size() > limit) throw FileTooLarge(path, limit);
    return bytes;
}
#endif

void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) {
    ReplaceFileBytes(path, EncodeLines(lines));
}

std::vector<std::string> ReadTextLines(const std::string& path) {
    const std::string bytes = ReadFileBytes(path);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        const bool last = end == std::string::npos;
        if (last) end = bytes.size();
        std::size_t stop = end;
        if (stop > start && bytes[stop - 1] == '\r') --stop;
        lines.push_back(Cp932ToUtf8(std::string_view(bytes).substr(start, stop - start)));
        start = last ? bytes.size() : end + 1;
    }
    return lines;
}

#ifndef _WIN32

// Windows: text_file_win32.cpp.

// --- POSIX: writing and appending ------------------------------------------------
// Every call that can fail is checked, and errno is taken right after the call
// that failed (cleared before it, so a stale value never counts).

namespace {

// Runs one call; 0 when it succeeded, else its errno (EIO when it set none).
template <class Call> int ErrorOf(Call call) {
    errno = 0;
    if (call()) return 0;
    return errno != 0 ? errno : EIO;
}

} // namespace

// The data reaches the disk before the rename, so neither a crash nor a
// failing close can leave a short file in the target's place.
void ReplaceFileBytes(const std::string& path, std::string_view bytes) {
    const std::string temp = TemporaryPathFor(path);
    std::FILE* f = nullptr;
    if (const int err = ErrorOf([&] { return (f = std::fopen(temp.c_str(), "wb")) != nullptr; }))
        Fail("Cannot create file", path, err);
    int err =
        ErrorOf([&] { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); });
    if (!err) err = ErrorOf([&] { return std::fflush(f) == 0; });
    // EINVAL: a file system that has nothing to sync.
    if (!err) err = ErrorOf([&] { return ::fsync(fileno(f)) == 0 || errno == EINVAL; });
    const int closeErr = ErrorOf([&] { return std::fclose(f) == 0; });
    if (!err) err = closeErr;
    if (!err) err = ErrorOf([&] { return std::rename(temp.c_str(), path.c_str()) == 0; });
    if (err) {
        ::unlink(temp.c_str());
        Fail("Cannot write file", path, err);
    }
}

// The new lines land whole or not at all: after a short write the file is cut
// back to its old length, so it stays a clean table for the next row.
void AppendTextLines(const std::string& path, const std::vector<std::string>& lines) {
    std::FILE* f = nullptr;
    if (const int err = ErrorOf([&] { return (f = std::fopen(path.c_str(), "ab+")) != nullptr; }))
        Fail("Cannot open file", path, err);
    // Unbuffered: fwrite reports exactly what reached the file, and fclose has
    // nothing left to write after a cut.
    std::setvbuf(f, nullptr, _IONBF, 0);
    const int fd = fileno(f);
    struct stat st {};
    int err = ErrorOf([&] { return ::fstat(fd, &st) == 0; });
    const off_t oldSize = st.st_size;
    std::string bytes;
    char last = '\n';
    if (!err && oldSize > 0) err = ErrorOf([&] { return ::pread(fd, &last, 1, oldSize - 1) == 1; });
    if (last != '\n') bytes += "\r\n";
    bytes += EncodeLines(lines);
    if (!err) {
        err =
            ErrorOf([&] { return std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size(); });
        if (err) (void)::ftruncate(fd, oldSize);
    }
    const int closeErr = ErrorOf([&] { return std::fclose(f) == 0; });
    if (!err && closeErr) {
        err = closeErr;
        (void)::truncate(path.c_str(), oldSize);
    }
    if (err) Fail("Cannot write file", path, err);
}

#endif

bool FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(PathOf(path), ec);
}

bool DirectoryExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(PathOf(path), ec);
}

bool ForceDirectories(const std::string& path, std::string* reason) {
    std::error_code ec;
    fs::create_directories(PathOf(path), ec);
    if (DirectoryExists(path)) return true;
    if (reason)
        *reason = "Cannot create folder \"" + path + "\": " + (ec ? ec.message() : "not a folder");
    return false;
}

} // namespace qvr
