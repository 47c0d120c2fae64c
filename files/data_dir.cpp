#include "data_dir.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

#include "data_file.h"

namespace hopscale {

namespace {

Error dirError(const std::filesystem::path& dir, std::string detail) {
    return Error{ErrorKind::FileNotFound, {}, dir.string(), {}, std::move(detail)};
}

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') return std::nullopt;
    return std::string(value);
}

Result<std::filesystem::path> chooseDataDir(const std::optional<std::string>& option) {
    if (option) {
        if (option->empty()) return dirError(*option, "the data directory option is empty");
        return std::filesystem::path(*option);
    }
    if (auto home = environment(kDataDirEnvironment)) return std::filesystem::path(*home);
    if (auto xdg = environment("XDG_DATA_HOME")) {
        // Relative values are invalid for XDG_DATA_HOME and are ignored.
        if (std::filesystem::path(*xdg).is_absolute())
            return std::filesystem::path(*xdg) / "hopscale";
    }
    if (auto home = environment("HOME")) {
        return std::filesystem::path(*home) / ".local" / "share" / "hopscale";
    }
    return dirError(
        "~/.local/share/hopscale",
        "cannot find the data directory: neither --data-dir, HOPSCALE_HOME nor HOME is set");
}

}  // namespace

std::optional<Error> writeShippedCatalogue(const std::filesystem::path& dir) {
    for (const ShippedFile& file : shippedCatalogue()) {
        const std::string_view bytes(reinterpret_cast<const char*>(file.bytes), file.size);
        if (auto error = writeFileAtomically(dir / file.name, bytes)) return error;
    }
    return std::nullopt;
}

Result<std::filesystem::path> resolveDataDir(std::optional<std::string> option) {
    auto chosen = chooseDataDir(option);
    if (!chosen) return chosen;
    const std::filesystem::path dir = *chosen;
    std::error_code ec;
    if (!std::filesystem::exists(dir, ec)) {
        std::filesystem::create_directories(dir, ec);
        if (ec) return dirError(dir, "cannot create the data directory: " + ec.message());
    }
    if (!std::filesystem::is_directory(dir, ec)) {
        return dirError(dir, "the data directory is not a directory");
    }
    // Seed only a directory with nothing in it: a first start just works, while a directory
    // that has lost some of its files keeps reporting them.
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) return dirError(dir, "cannot read the data directory: " + ec.message());
    bool holdsFile = false;
    for (; it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (ec) return dirError(dir, "cannot read the data directory: " + ec.message());
        if (!it->is_directory(ec)) {
            holdsFile = true;
            break;
        }
    }
    if (!holdsFile) {
        if (auto error = writeShippedCatalogue(dir)) return *error;
    }
    return dir;
}

}  // namespace hopscale
