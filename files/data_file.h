// Byte-level helpers shared by the readers and writers of the data files.
//
// Every data file is made of counted texts: an unsigned 16-bit little-endian byte count n,
// then n bytes, one byte per character in Latin-1 (ISO 8859-1), no terminator. In memory the
// program holds text as UTF-8; the conversions below translate at the file boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "errors.h"

namespace hopscale {

// Largest byte count a counted text can describe.
inline constexpr std::size_t kMaxCountedTextBytes = 65535;

// Reads counted texts from a byte buffer, front to back. Once the buffer runs out, in the
// middle of a count or of the bytes it announces, every further text is empty: a file that
// ends inside a counted text reads as if it had ended before that text.
class CountedTextReader {
  public:
    explicit CountedTextReader(std::string_view bytes) : bytes_(bytes) {}

    // The next text's raw bytes; empty at and after the end of the data.
    std::string next();
    // True once a read found the data exhausted (the text it returned was not in the file).
    bool ended() const { return ended_; }
    // Bytes consumed so far by complete texts.
    std::size_t position() const { return pos_; }

  private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
    bool ended_ = false;
};

// Appends a counted text; texts longer than kMaxCountedTextBytes are cut there.
void appendCountedText(std::string& out, std::string_view bytes);

// One problem found in a file of the data directory.
struct FileProblem {
    std::string file;          // the file concerned
    std::string where;         // "record 3", "point 12", "line 7"; may be empty
    std::string message;       // what is wrong
    std::string text() const;  // "file: where: message"
};

// Opens a file for reading without ever blocking (a FIFO or a device in place of a data file
// must not stall the program) and refuses what is not a regular file. Returns the open
// descriptor, which the caller closes. A file that is absent or cannot be opened gives a
// FileNotFound error with the system's reason ("Permission denied"); a directory, FIFO,
// device or socket a BadFile error saying "not a regular file". Both name the file.
Result<int> openRegularFile(const std::filesystem::path& file, int flags);

// Reads at most maxBytes from an open descriptor; a read failure is a BadFile error naming
// `file`.
Result<std::string> readDescriptor(int fd, const std::filesystem::path& file, std::size_t maxBytes);

// Reads at most maxBytes from the start of a regular file (see openRegularFile).
Result<std::string> readFilePrefix(const std::filesystem::path& file, std::size_t maxBytes);

// Reads a whole regular file; a file larger than maxBytes is a BadFile error.
Result<std::string> readWholeFile(const std::filesystem::path& file, std::size_t maxBytes);

// The file a path leads to once every symbolic link on its last component is followed
// (the target of a dangling link too). Errors on a loop of links.
Result<std::filesystem::path> followLinks(const std::filesystem::path& file);

// A file's new contents written beside it and not yet in place. Writing prepares the
// contents in a temporary file in the directory of the file (the target's directory when
// the file is a symbolic link), flushed to disk; commit() renames it over the file. A staged
// file that is never committed is removed, so a failed write leaves nothing behind.
//
// An existing file keeps its owner and permissions; a new one gets 0644 less the umask. A
// file that is read-only (no write permission bit, or one the process cannot open for
// writing) or not a regular file is refused before anything is written. Temporary files
// left beside the file by an earlier write that was killed are removed.
class StagedFile {
  public:
    static Result<StagedFile> stage(const std::filesystem::path& file, std::string_view bytes);
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;
    ~StagedFile();

    // Puts the new contents in place. Errors name the file; the old contents stay then.
    std::optional<Error> commit();
    // The file as named by the caller.
    const std::filesystem::path& file() const { return file_; }

  private:
    StagedFile() = default;
    void discard();

    std::filesystem::path file_;    // as named
    std::filesystem::path target_;  // the file the name leads to
    std::string temp_;              // the temporary file, empty once committed or discarded
};

// Writes `bytes` to `file` so that the file holds either its old or its new contents, never
// a mixture: stages them (see StagedFile) and commits at once. Returns an error naming the
// file on failure (the file is untouched and no temporary file is left).
std::optional<Error> writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// The prefix of the temporary files that writes of `fileName` create beside it: ".NAME.tmp-",
// with a long name cut and marked by a hash so that the temporary name still fits 255 bytes.
std::string temporaryFilePrefix(const std::string& fileName);

// Latin-1 bytes to UTF-8.
std::string latin1ToUtf8(std::string_view latin1);
// UTF-8 to Latin-1: each character outside Latin-1, and each byte that is not part of valid
// UTF-8, becomes "?".
std::string utf8ToLatin1(std::string_view utf8);
// True when every character of the UTF-8 text has a Latin-1 byte (and the text is valid UTF-8).
bool fitsLatin1(std::string_view utf8);

// A text made printable for a message: control bytes appear as \xNN.
std::string printableText(std::string_view text);

// The file name of a path as UTF-8 text, for messages.
std::string displayPath(const std::filesystem::path& file);

}  // namespace hopscale
