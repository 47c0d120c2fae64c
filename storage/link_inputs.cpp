#include "link_inputs.h"

#include <nlohmann/json.hpp>
#include <system_error>

#include "data_file.h"

namespace hopscale {
namespace {

using nlohmann::json;

constexpr int kFormatVersion = 1;

Error badFile(const std::string& fileName, std::string detail) {
    Error e{ErrorKind::BadFile};
    e.file = fileName;
    e.detail = std::move(detail);
    return e;
}

// Reads an optional text member of `object` into `out`. Returns a problem when it is there
// but is not a text.
std::optional<std::string> readText(const json& object, const char* name, std::string& out,
                                    const std::string& where) {
    const auto it = object.find(name);
    if (it == object.end()) return std::nullopt;
    if (!it->is_string()) return where + "\"" + name + "\" is not a text";
    out = it->get<std::string>();
    return std::nullopt;
}

}  // namespace

std::string linkInputsJson(const LinkInputs& inputs) {
    json conditions = json::object();
    for (const auto& [name, text] : inputs.conditions) conditions[name] = text;
    const json document = {
        {"version", kFormatVersion},
        {"conditions", conditions},
        {"subtractDiffraction", inputs.subtractDiffraction},
        {"profile",
         {{"source", inputs.profile.source},
          {"antennaFromM", inputs.profile.antennaFromM},
          {"antennaToM", inputs.profile.antennaToM},
          {"criteria", inputs.profile.criteria}}},
    };
    // Texts outside UTF-8 (a file name in another encoding) are written with replacement
    // characters rather than failing the save.
    return document.dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

Result<LinkInputs> parseLinkInputs(std::string_view text, const std::string& fileName) {
    json document;
    try {
        document = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        return badFile(fileName, std::string("is not JSON (") + e.what() + ")");
    } catch (const json::exception& e) {  // a number beyond a double's range
        return badFile(fileName, std::string("is not readable JSON (") + e.what() + ")");
    }
    if (!document.is_object()) return badFile(fileName, "does not hold a JSON object");

    LinkInputs inputs;
    if (const auto it = document.find("conditions"); it != document.end()) {
        if (!it->is_object()) return badFile(fileName, "\"conditions\" is not an object");
        for (const auto& [name, value] : it->items()) {
            if (!value.is_string()) {
                return badFile(fileName, "condition \"" + name + "\" is not a text");
            }
            inputs.conditions[name] = value.get<std::string>();
        }
    }
    if (const auto it = document.find("subtractDiffraction"); it != document.end()) {
        if (!it->is_boolean())
            return badFile(fileName, "\"subtractDiffraction\" is not true or false");
        inputs.subtractDiffraction = it->get<bool>();
    }
    if (const auto it = document.find("profile"); it != document.end()) {
        if (!it->is_object()) return badFile(fileName, "\"profile\" is not an object");
        const std::string where = "in \"profile\", ";
        ProfileInputs& p = inputs.profile;
        for (auto [name, out] :
             {std::pair{"source", &p.source}, std::pair{"antennaFromM", &p.antennaFromM},
              std::pair{"antennaToM", &p.antennaToM}, std::pair{"criteria", &p.criteria}}) {
            if (auto problem = readText(*it, name, *out, where)) return badFile(fileName, *problem);
        }
    }
    return inputs;
}

LoadedLinkInputs loadLinkInputs(const std::filesystem::path& dataDir) {
    const std::filesystem::path file = dataDir / kLinkInputsFileName;
    std::error_code ec;
    if (!std::filesystem::exists(std::filesystem::symlink_status(file, ec))) return {};

    Result<std::string> bytes = readWholeFile(file, kLinkInputsMaxBytes);
    std::optional<Error> problem;
    if (bytes) {
        Result<LinkInputs> parsed = parseLinkInputs(*bytes, displayPath(file));
        if (parsed) return {*parsed, std::nullopt};
        problem = *parsed.error;
    } else {
        problem = *bytes.error;
    }
    // Keep the unreadable file for the user; only a regular file can be moved aside safely
    // (a directory or FIFO in its place is left where it is and the saves will say so).
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(file, ec))) {
        std::filesystem::rename(file, dataDir / kUnreadableLinkInputsFileName, ec);
        if (!ec) {
            problem->detail += "; it was moved to " + std::string(kUnreadableLinkInputsFileName) +
                               " and the defaults are used";
        } else {
            problem->detail += "; the defaults are used";
        }
    } else {
        problem->detail += "; the defaults are used";
    }
    return {LinkInputs{}, problem};
}

std::optional<Error> saveLinkInputs(const std::filesystem::path& dataDir,
                                    const LinkInputs& inputs) {
    return writeFileAtomically(dataDir / kLinkInputsFileName, linkInputsJson(inputs));
}

}  // namespace hopscale
