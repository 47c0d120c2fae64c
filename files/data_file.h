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

// Reads at most maxBytes from the start of a file. A file that cannot be opened gives a
// FileNotFound error, a read failure a BadFile error; both name the file.
Result<std::string> readFilePrefix(const std::filesystem::path& file, std::size_t maxBytes);

// Writes `bytes` to `file` so that the file holds either its old or its new contents, never
// a mixture: a temporary file in the same directory is written, flushed to disk and renamed
// over the target. Returns an error naming the file on failure (the target is untouched).
std::optional<Error> writeFileAtomically(const std::filesystem::path& file, std::string_view bytes);

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
