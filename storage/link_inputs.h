// The remembered inputs of the link performance and path profile windows, kept from one run
// to the next in "link.json" in the data directory. The file is separate from PATHCFG.DAT,
// which it never touches.
//
// The file is one JSON object (UTF-8):
//   {"version": 1,
//    "conditions": {"threshold": "-80", "rain-zone": "K", ...},   texts as typed, by input name
//    "subtractDiffraction": false,
//    "profile": {"source": "/home/me/ridge.csv", "antennaFromM": "30", "antennaToM": "30",
//                "criteria": "north-american"}}
// Every member is optional; a missing one keeps its default. Unknown members are ignored, so
// that a newer file still reads. Values are texts exactly as typed, so that a text that cannot
// be read yet comes back as the user left it.
//
// No Qt here.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "errors.h"

namespace hopscale {

inline constexpr const char* kLinkInputsFileName = "link.json";
// Where an unreadable link.json is moved before the defaults replace it, so nothing is lost.
inline constexpr const char* kUnreadableLinkInputsFileName = "link.json.unreadable";
// A larger file is not ours.
inline constexpr std::size_t kLinkInputsMaxBytes = 1 << 20;

struct ProfileInputs {
    std::string source;  // a profile CSV file, or raster files or folders separated by ";"
    std::string antennaFromM = "30";  // antenna height above ground at the From end, m
    std::string antennaToM = "30";
    std::string criteria = "north-american";  // as the profile command reads --criteria

    bool operator==(const ProfileInputs&) const = default;
};

struct LinkInputs {
    // Condition texts by input name ("threshold"); an input not held keeps its default text.
    std::map<std::string, std::string> conditions;
    bool subtractDiffraction = false;
    ProfileInputs profile;

    bool operator==(const LinkInputs&) const = default;
};

// The JSON text of `inputs` (the format above, "version" 1).
std::string linkInputsJson(const LinkInputs& inputs);

// Reads the JSON text of a link.json file. Errors (BadFile, `file` = fileName, `detail` saying
// what is wrong): text that is not JSON, a top level that is not an object, a member of the
// wrong type ("conditions" not an object of texts, a height that is not a text, ...).
Result<LinkInputs> parseLinkInputs(std::string_view json, const std::string& fileName);

struct LoadedLinkInputs {
    LinkInputs inputs;             // what was read, or the defaults
    std::optional<Error> problem;  // why the file could not be used; the defaults stand in
};

// The inputs kept in `dataDir`/link.json. A missing file gives the defaults without a problem.
// A file that cannot be read or parsed gives the defaults and the problem; the file is moved
// aside to link.json.unreadable (replacing an older one) so that the next save does not
// destroy what the user may want to recover. Never fatal.
LoadedLinkInputs loadLinkInputs(const std::filesystem::path& dataDir);

// Writes `inputs` to `dataDir`/link.json atomically (old or new contents, never a mixture).
// Returns an error naming the file when it cannot be written.
std::optional<Error> saveLinkInputs(const std::filesystem::path& dataDir, const LinkInputs& inputs);

}  // namespace hopscale
