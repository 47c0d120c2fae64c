#include "data_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
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

std::string displayPath(const std::filesystem::path& file) { return file.string(); }

std::string FileProblem::text() const {
    std::string out = file;
    if (!where.empty()) out += ": " + where;
    return out + ": " + message;
}

namespace {

Error fileError(ErrorKind kind, const std::filesystem::path& file, std::string detail) {
    return Error{kind, {}, displayPath(file), {}, std::move(detail)};
}

Error systemError(ErrorKind kind, const std::filesystem::path& file, const std::string& what,
                  int err) {
    return fileError(kind, file, what + ": " + std::strerror(err));
}

// Why a file that is not a regular one cannot serve as a data file.
std::optional<Error> irregular(const std::filesystem::path& file, mode_t mode) {
    if (S_ISREG(mode)) return std::nullopt;
    // A directory keeps its older, more telling report.
    if (S_ISDIR(mode))
        return fileError(ErrorKind::FileNotFound, file, "is a directory, not a file");
    return fileError(ErrorKind::BadFile, file, "not a regular file");
}

}  // namespace

Result<int> openRegularFile(const std::filesystem::path& file, int flags) {
    const int fd = ::open(file.c_str(), flags | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT) return fileError(ErrorKind::FileNotFound, file, "");
        if (err == EISDIR)
            return fileError(ErrorKind::FileNotFound, file, "is a directory, not a file");
        return systemError(ErrorKind::FileNotFound, file, "cannot be opened", err);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return systemError(ErrorKind::BadFile, file, "cannot be examined", err);
    }
    if (auto error = irregular(file, st.st_mode)) {
        ::close(fd);
        return *error;
    }
    // A regular file never blocks; reads go on in the usual blocking mode.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

Result<std::string> readDescriptor(int fd, const std::filesystem::path& file,
                                   std::size_t maxBytes) {
    std::string bytes;
    std::vector<char> buffer(64 * 1024);
    while (bytes.size() < maxBytes) {
        const std::size_t want = std::min(buffer.size(), maxBytes - bytes.size());
        const ssize_t got = ::read(fd, buffer.data(), want);
        if (got < 0) {
            if (errno == EINTR) continue;
            return systemError(ErrorKind::BadFile, file, "read failed", errno);
        }
        if (got == 0) break;
        bytes.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return bytes;
}

Result<std::string> readFilePrefix(const std::filesystem::path& file, std::size_t maxBytes) {
    auto fd = openRegularFile(file, O_RDONLY);
    if (!fd) return *fd.error;
    auto bytes = readDescriptor(*fd, file, maxBytes);
    ::close(*fd);
    return bytes;
}

Result<std::string> readWholeFile(const std::filesystem::path& file, std::size_t maxBytes) {
    auto bytes = readFilePrefix(file, maxBytes == SIZE_MAX ? maxBytes : maxBytes + 1);
    if (bytes && bytes.value->size() > maxBytes) {
        return fileError(ErrorKind::BadFile, file,
                         "is larger than " + std::to_string(maxBytes) + " bytes");
    }
    return bytes;
}

Result<std::filesystem::path> followLinks(const std::filesystem::path& file) {
    std::filesystem::path current = file;
    // As many links as the system itself follows before it reports a loop.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::error_code ec;
        const std::filesystem::path link = std::filesystem::read_symlink(current, ec);
        if (ec)
            return fileError(ErrorKind::BadFile, file,
                             "cannot read the symbolic link: " + ec.message());
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    return systemError(ErrorKind::BadFile, file, "cannot be followed", ELOOP);
}

namespace {

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

std::filesystem::path directoryOf(const std::filesystem::path& file) {
    return file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
}

// Removes the temporary files of `target` that an earlier write left behind: those of a
// process that no longer runs, and those of this process (which writes one file at a time).
void removeLeftovers(const std::filesystem::path& target) {
    const std::string prefix = temporaryFilePrefix(target.filename().string());
    std::error_code ec;
    std::filesystem::directory_iterator it(directoryOf(target), ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        // ".NAME.tmp-PID-XXXXXXXX", or ".NAME.tmp-XXXXXX" as older versions named them; a
        // longer name that merely begins alike belongs to another file.
        const std::string rest = name.substr(prefix.size());
        const std::size_t dash = rest.find('-');
        const bool older = rest.size() == 6 && rest.find_first_of("-.") == std::string::npos;
        const bool current =
            dash > 0 && dash <= 10 && rest.size() == dash + 9 &&
            rest.find_first_not_of("0123456789") == dash &&
            rest.find_first_not_of("0123456789abcdef", dash + 1) == std::string::npos;
        if (!older && !current) continue;
        bool stale = true;
        if (current) {
            const auto pid = static_cast<pid_t>(std::stol(rest.substr(0, dash)));
            stale = pid == ::getpid() || (::kill(pid, 0) != 0 && errno == ESRCH);
        }
        struct stat st {};
        if (stale && ::lstat(it->path().c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            ::unlink(it->path().c_str());
        }
    }
}

// A name for a new temporary file of `target`.
std::string temporaryName(const std::filesystem::path& target, unsigned attempt) {
    static unsigned counter = 0;
    const auto now = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    char suffix[32];
    std::snprintf(
        suffix, sizeof suffix, "%08llx",
        (now ^ (static_cast<unsigned long long>(++counter) << 32) ^ attempt) & 0xffffffffULL);
    return (directoryOf(target) / (temporaryFilePrefix(target.filename().string()) +
                                   std::to_string(::getpid()) + "-" + suffix))
        .string();
}

}  // namespace

std::string temporaryFilePrefix(const std::string& fileName) {
    // The temporary name must itself fit the file system's 255 bytes: a long file name is
    // cut and marked with a hash of the whole name, so that each file keeps its own prefix.
    constexpr std::size_t kKept = 200;
    if (fileName.size() <= 230) return "." + fileName + ".tmp-";
    std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
    for (const char c : fileName) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return "." + fileName.substr(0, kKept) + "~" + hex + ".tmp-";
}

Result<StagedFile> StagedFile::stage(const std::filesystem::path& file, std::string_view bytes) {
    auto target = followLinks(file);
    if (!target) return *target.error;

    // What is there now decides what may be written and with which owner and permissions.
    struct stat old {};
    const bool exists = ::stat(target.value->c_str(), &old) == 0;
    if (exists) {
        if (auto error = irregular(file, old.st_mode)) return *error;
        // The rename below would replace even a file that may not be written; refuse it.
        // (A process with every privilege can open such a file, so the permission bits
        // are read as well.)
        if ((old.st_mode & 0222) == 0) {
            return fileError(ErrorKind::BadFile, file, "is read-only: it is not replaced");
        }
        const int probe = ::open(target.value->c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (probe < 0) {
            return systemError(ErrorKind::BadFile, file, "is read-only: it is not replaced", errno);
        }
        ::close(probe);
    }
    removeLeftovers(*target);

    StagedFile staged;
    staged.file_ = file;
    staged.target_ = *target;
    int fd = -1;
    for (unsigned attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        staged.temp_ = temporaryName(*target, attempt);
        fd = ::open(staged.temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    exists ? 0600 : 0644);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        const int err = errno;
        staged.temp_.clear();
        return systemError(ErrorKind::BadFile, file, "cannot create a temporary file beside it",
                           err);
    }
    if (exists) {
        // Owner first: changing it clears the set-user and set-group bits.
        if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
            // Without the privilege to give the file away, keep at least the group.
            [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
        }
        ::fchmod(fd, old.st_mode & 07777);
    }
    const char* what = nullptr;
    int err = 0;
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
    if (what != nullptr)
        return systemError(ErrorKind::BadFile, file, what, err);  // staged removes it
    return staged;
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : file_(std::move(other.file_)),
      target_(std::move(other.target_)),
      temp_(std::move(other.temp_)) {
    other.temp_.clear();
}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        discard();
        file_ = std::move(other.file_);
        target_ = std::move(other.target_);
        temp_ = std::move(other.temp_);
        other.temp_.clear();
    }
    return *this;
}

StagedFile::~StagedFile() { discard(); }

void StagedFile::discard() {
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

std::optional<Error> StagedFile::commit() {
    if (temp_.empty()) return fileError(ErrorKind::BadFile, file_, "nothing staged to write");
    if (std::rename(temp_.c_str(), target_.c_str()) != 0) {
        const int err = errno;
        discard();
        return systemError(ErrorKind::BadFile, file_, "cannot replace the file", err);
    }
    temp_.clear();
    // Make the rename itself durable.
    const int dirFd = ::open(directoryOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return std::nullopt;
}

std::optional<Error> writeFileAtomically(const std::filesystem::path& file,
                                         std::string_view bytes) {
    auto staged = StagedFile::stage(file, bytes);
    if (!staged) return *staged.error;
    StagedFile ready = std::move(*staged.value);
    return ready.commit();
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
