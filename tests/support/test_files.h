// Helpers for the file tests: a scratch directory and hand-built counted texts, written
// here byte by byte so that the readers are not checked against their own writers.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hopscale::testing_files {

// A fresh directory, removed with everything in it at the end of the scope.
class ScratchDir {
  public:
    ScratchDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "hopscale-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

inline std::string counted(std::string_view text) {
    std::string out;
    out.push_back(static_cast<char>(text.size() & 0xff));
    out.push_back(static_cast<char>(text.size() >> 8));
    out.append(text);
    return out;
}

// An index record of four counted texts.
inline std::string indexRecord(std::string_view name, std::string_view low, std::string_view high) {
    return counted(name) + counted(low) + counted(high) + counted("");
}

// An attenuation file with the given points (frequency text, attenuation text).
inline std::string tableFile(const std::vector<std::pair<std::string, std::string>>& points) {
    std::string freqs = counted(""), atts = counted("");
    for (std::size_t i = 1; i <= 100; ++i) {
        freqs += counted(i <= points.size() ? points[i - 1].first : "");
        atts += counted(i <= points.size() ? points[i - 1].second : "");
    }
    return freqs + atts;
}

inline void writeBytes(const std::filesystem::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The names in a directory, sorted.
inline std::vector<std::string> namesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Makes a FIFO at `path`; a reader that opens it in the usual way waits for a writer forever.
inline void makeFifo(const std::filesystem::path& path) {
    if (::mkfifo(path.c_str(), 0644) != 0) std::perror("mkfifo");
}

// Runs `call` and returns true when it comes back within a few seconds. A call stuck on a
// FIFO would stall the test run, so the test process then ends at once, reporting `what`.
inline bool returnsPromptly(const std::string& what, const std::function<void()>& call) {
    auto done = std::async(std::launch::async, call);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) {
        done.get();
        return true;
    }
    std::fprintf(stderr, "FAILED: %s did not return: it blocks on a FIFO\n", what.c_str());
    std::fflush(stderr);
    std::_Exit(1);
}

// Runs `check` in a child process with the rights of the unprivileged user "nobody" (when
// this process may switch to it) and returns whether the check held there; nullopt when the
// switch is not possible.
inline std::optional<bool> holdsAsNobody(const std::function<bool()>& check) {
    if (::geteuid() != 0) return std::nullopt;
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) std::_Exit(2);
        std::_Exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 2) return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

// A file this process truly cannot write while the object lives: marked immutable when the
// process has every privilege (a privileged process writes past the permission bits), else
// made read-only by its permission bits. ok() is false when neither is possible here.
class UnwritableFile {
  public:
    explicit UnwritableFile(std::filesystem::path file) : file_(std::move(file)) {
        if (::geteuid() != 0) {
            ok_ = ::chmod(file_.c_str(), 0444) == 0;
            return;
        }
        const int fd = ::open(file_.c_str(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags |= FS_IMMUTABLE_FL;
            immutable_ = ok_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        if (fd >= 0) ::close(fd);
        // Only trust it when writing is really refused.
        if (ok_) {
            const int probe = ::open(file_.c_str(), O_WRONLY);
            if (probe >= 0) {
                ::close(probe);
                ok_ = false;
            }
        }
    }
    ~UnwritableFile() {
        if (!immutable_) return;
        const int fd = ::open(file_.c_str(), O_RDONLY);
        int flags = 0;
        if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
            flags &= ~FS_IMMUTABLE_FL;
            ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
        }
        if (fd >= 0) ::close(fd);
    }
    UnwritableFile(const UnwritableFile&) = delete;
    UnwritableFile& operator=(const UnwritableFile&) = delete;
    bool ok() const { return ok_; }

  private:
    std::filesystem::path file_;
    bool ok_ = false;
    bool immutable_ = false;
};

// Sets the umask for one scope.
class UmaskScope {
  public:
    explicit UmaskScope(mode_t mask) : old_(::umask(mask)) {}
    ~UmaskScope() { ::umask(old_); }
    UmaskScope(const UmaskScope&) = delete;
    UmaskScope& operator=(const UmaskScope&) = delete;

  private:
    mode_t old_;
};

inline mode_t permissionsOf(const std::filesystem::path& file) {
    struct stat st {};
    ::stat(file.c_str(), &st);
    return st.st_mode & 07777;
}

}  // namespace hopscale::testing_files
