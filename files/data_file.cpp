#include "data_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace hopscale {

std::string CountedTextReader::next() {
    if (ended_ || bytes_.size() - pos_ < 2) {
        ended_ = true;
        return {};
    }
    const auto lo = static_cast<unsigned char>(bytes_[pos_]);
    const auto hi = static_cast<unsigned char>(bytes_[pos_ + 1]);
    const std::size_t count = lo | (static_cast<std::size_t>(hi) << 8);
    if (bytes_.size() - pos_ - 2 < count) {
        ended_ = true;
        return {};
    }
    std::string text(bytes_.substr(pos_ + 2, count));
    pos_ += 2 + count;
    return text;
}

void appendCountedText(std::string& out, std::string_view bytes) {
    const std::size_t count = std::min(bytes.size(), kMaxCountedTextBytes);
    out.push_back(static_cast<char>(count & 0xff));
    out.push_back(static_cast<char>((count >> 8) & 0xff));
    out.append(bytes.substr(0, count));
}

std::string displayPath(const std::filesystem::path& file) {
    return file.string();
}

Result<std::string> readFilePrefix(const std::filesystem::path& file, std::size_t maxBytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) {
        Error e{ErrorKind::FileNotFound, {}, displayPath(file), {}, "is a directory, not a file"};
        return e;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const bool exists = std::filesystem::exists(file, ec);
        Error e{ErrorKind::FileNotFound, {}, displayPath(file), {},
                exists ? "cannot be opened for reading" : ""};
        return e;
    }
    std::string bytes;
    std::vector<char> buffer(64 * 1024);
    while (bytes.size() < maxBytes) {
        const std::size_t want = std::min(buffer.size(), maxBytes - bytes.size());
        in.read(buffer.data(), static_cast<std::streamsize>(want));
        const auto got = static_cast<std::size_t>(in.gcount());
        bytes.append(buffer.data(), got);
        if (got < want) {
            if (in.bad()) {
                Error e{ErrorKind::BadFile, {}, displayPath(file), {}, "read failed"};
                return e;
            }
            break;
        }
    }
    return bytes;
}

namespace {

Error writeError(const std::filesystem::path& file, const char* what, int err) {
    return Error{ErrorKind::BadFile, {}, displayPath(file), {},
                 std::string(what) + ": " + std::strerror(err)};
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::optional<Error> writeFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    const std::filesystem::path dir =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::string pattern = (dir / ("." + file.filename().string() + ".tmp-XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return writeError(file, "cannot create a temporary file beside it", errno);
    const std::string tempName(name.data());

    // mkstemp makes the file private; give it the usual permissions (or the old file's).
    struct stat old {};
    mode_t mode = 0666;
    if (::stat(file.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = static_cast<mode_t>(0666 & ~mask);
    }
    ::fchmod(fd, mode);

    int err = 0;
    const char* what = nullptr;
    if (!writeAll(fd, bytes)) {
        err = errno;
        what = "write failed";
    } else if (::fsync(fd) != 0) {
        err = errno;
        what = "flush to disk failed";
    }
    if (::close(fd) != 0 && what == nullptr) {
        err = errno;
        what = "close failed";
    }
    if (what == nullptr && std::rename(tempName.c_str(), file.c_str()) != 0) {
        err = errno;
        what = "cannot replace the file";
    }
    if (what != nullptr) {
        ::unlink(tempName.c_str());
        return writeError(file, what, err);
    }
    // Make the rename itself durable.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return std::nullopt;
}

std::string latin1ToUtf8(std::string_view latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xc0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
        }
    }
    return out;
}

namespace {

// Decodes one UTF-8 character at `pos`; returns its code point and advances `pos`, or
// returns -1 and advances by one byte when the bytes there are not valid UTF-8.
long decodeUtf8(std::string_view s, std::size_t& pos) {
    const auto c0 = static_cast<unsigned char>(s[pos]);
    if (c0 < 0x80) {
        ++pos;
        return c0;
    }
    int length = 0;
    long cp = 0;
    long minimum = 0;
    if ((c0 & 0xe0) == 0xc0) {
        length = 2, cp = c0 & 0x1f, minimum = 0x80;
    } else if ((c0 & 0xf0) == 0xe0) {
        length = 3, cp = c0 & 0x0f, minimum = 0x800;
    } else if ((c0 & 0xf8) == 0xf0) {
        length = 4, cp = c0 & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return -1;
    }
    if (s.size() - pos < static_cast<std::size_t>(length)) {
        ++pos;
        return -1;
    }
    for (int i = 1; i < length; ++i) {
        const auto c = static_cast<unsigned char>(s[pos + static_cast<std::size_t>(i)]);
        if ((c & 0xc0) != 0x80) {
            ++pos;
            return -1;
        }
        cp = (cp << 6) | (c & 0x3f);
    }
    if (cp < minimum || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) {
        ++pos;
        return -1;
    }
    pos += static_cast<std::size_t>(length);
    return cp;
}

}  // namespace

std::string utf8ToLatin1(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const long cp = decodeUtf8(utf8, pos);
        out.push_back(cp >= 0 && cp <= 0xff ? static_cast<char>(cp) : '?');
    }
    return out;
}

bool fitsLatin1(std::string_view utf8) {
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const long cp = decodeUtf8(utf8, pos);
        if (cp < 0 || cp > 0xff) return false;
    }
    return true;
}

std::string printableText(std::string_view text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out.push_back(ch);
        }
    }
    return out;
}

}  // namespace hopscale
