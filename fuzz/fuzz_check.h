#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unistd.h>

// A broken property is a finding like a crash: libFuzzer keeps the input.
#define FUZZ_CHECK(cond, what)                                                                     \
    do {                                                                                           \
        if (!(cond)) {                                                                             \
            std::fprintf(stderr, "property broken at %s:%d: %s\n", __FILE__, __LINE__,             \
                         std::string(what).c_str());                                               \
            std::abort();                                                                          \
        }                                                                                          \
    } while (0)

namespace qvr::fuzz {

// Shows control bytes of a finding's text as \xNN.
inline std::string Printable(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out;
}

// A scratch file for targets that read files: on tmpfs where there is one,
// one per process so that parallel jobs do not meet.
inline const std::string& ScratchFile() {
    static const std::string path = [] {
        const char* dir = std::getenv("QVR_FUZZ_TMP");
        std::string base = dir ? dir : (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        return base + "/qvr-fuzz-" + std::to_string(getpid()) + ".ini";
    }();
    return path;
}

// Whether the text is well-formed UTF-8 (no overlong forms, no surrogates).
inline bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        if (b < 0x80)
            n = 0;
        else if (b >= 0xC2 && b <= 0xDF)
            n = 1;
        else if (b >= 0xE0 && b <= 0xEF)
            n = 2;
        else if (b >= 0xF0 && b <= 0xF4)
            n = 3;
        else
            return false;
        if (n >= s.size() - i) return false;
        unsigned cp = n == 0 ? b : b & (0x3Fu >> n);
        for (std::size_t k = 1; k <= n; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if ((n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

} // namespace qvr::fuzz
