// Helpers for the file tests: a scratch directory and hand-built counted texts, written
// here byte by byte so that the readers are not checked against their own writers.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace hopscale::testing_files {

// A fresh directory, removed with everything in it at the end of the scope.
class ScratchDir {
public:
    ScratchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "hopscale-test-XXXXXX").string();
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

}  // namespace hopscale::testing_files
