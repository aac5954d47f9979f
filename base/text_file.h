#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace qvr {

// A text file could not be read or written; the message names the file and
// gives the system's reason.
class TextFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// UTF-8 <-> CP932 (Shift-JIS). A character that CP932 cannot hold becomes "?".
std::string Utf8ToCp932(std::string_view utf8);
std::string Cp932ToUtf8(std::string_view cp932);

// Replaces the file with the lines (UTF-8 in, CP932 out), CR LF after every
// line, no byte-order mark. Written to a temporary file beside the target and
// renamed over it, so the old content survives any failure. Throws TextFileError.
void WriteTextLines(const std::string& path, const std::vector<std::string>& lines);

// The lines of an existing CP932 file, as UTF-8, without their CR LF / LF.
// Throws TextFileError when the file is missing or cannot be read.
std::vector<std::string> ReadTextLines(const std::string& path);

// Appends the lines to the file (created when missing), CR LF after each. When
// the file's last line lacks its line end, one is written first. Throws
// TextFileError; earlier content is never rewritten.
void AppendTextLines(const std::string& path, const std::vector<std::string>& lines);

// Writes raw bytes through a temporary file and a rename. Throws TextFileError.
void ReplaceFileBytes(const std::string& path, std::string_view bytes);

// The temporary file a replacement of `path` writes first: beside it and named
// after this process, so that two programs replacing the same file never
// write into each other's temporary file.
std::string TemporaryPathFor(const std::string& path);

// Reads raw bytes. Throws TextFileError.
std::string ReadFileBytes(const std::string& path);
// The same for a file that must stay small: one larger than `limit` bytes
// throws FileTooLarge, after reading at most limit + 1 bytes.
std::string ReadFileBytes(const std::string& path, std::size_t limit);
// The error for a file over its limit: names the file and the limit.
TextFileError FileTooLarge(const std::string& path, std::size_t limit);

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the folder and any missing parents; false when it cannot, with the
// system's reason in `reason` when given.
bool ForceDirectories(const std::string& path, std::string* reason = nullptr);

} // namespace qvr
