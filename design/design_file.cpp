#include "design_file.h"

#include <functional>
#include <nlohmann/json.hpp>

#include "data_file.h"

namespace hopscale::design {
namespace {

using Json = nlohmann::ordered_json;
using propagation::ConditionInput;

// A design file larger than this is not a design (a hop needs a few kilobytes).
constexpr std::size_t kMostDesignBytes = 4 * 1024 * 1024;

Error fileError(const std::string& file, const std::string& key, std::string detail) {
    Error e{ErrorKind::BadFile};
    e.file = file;
    e.key = key;
    e.detail = key.empty() ? std::move(detail) : key + ": " + detail;
    return e;
}

const char* typeName(const Json& v) {
    switch (v.type()) {
        case Json::value_t::null:
            return "null";
        case Json::value_t::object:
            return "an object";
        case Json::value_t::array:
            return "a list";
        case Json::value_t::string:
            return "a text";
        case Json::value_t::boolean:
            return "true or false";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float:
            return "a number";
        default:
            return "something else";
    }
}

std::string wrongType(const Json& v, const char* expected) {
    return std::string("must be ") + expected + ", not " + typeName(v);
}

// Line and column (from 1) of a byte offset in `text`.
std::string lineAndColumn(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    std::size_t line = 1, column = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::string unknown(const std::string& key, std::string_view name,
                    const std::vector<std::string>& known) {
    std::string detail = "unknown key";
    if (auto close = closestKey(name, known)) detail += "; did you mean \"" + *close + "\"?";
    (void)key;
    return detail;
}

// Reads every member of the object `from` at `at` through `set`, which takes the key and the
// text; switches must be booleans, everything else texts.
using Setter =
    std::function<std::optional<std::string>(const std::string& key, const std::string& text)>;

std::optional<Error> readTexts(const Json& from, const std::string& at, const std::string& file,
                               const std::vector<std::string>& known, const Setter& set) {
    if (!from.is_object()) return fileError(file, at, wrongType(from, "an object"));
    for (const auto& [name, value] : from.items()) {
        const std::string key = at + "." + name;
        bool isKnown = false;
        for (const std::string& k : known) isKnown |= k == name;
        if (!isKnown) return fileError(file, key, unknown(key, name, known));
        std::string text;
        if (isSwitchKey(name)) {
            if (!value.is_boolean()) return fileError(file, key, wrongType(value, "true or false"));
            text = value.get<bool>() ? "1" : "0";
        } else if (name == "dem") {
            if (!value.is_array()) return fileError(file, key, wrongType(value, "a list of texts"));
            for (std::size_t i = 0; i < value.size(); ++i) {
                if (!value[i].is_string()) {
                    return fileError(file, key + "[" + std::to_string(i) + "]",
                                     wrongType(value[i], "a text"));
                }
                const std::string path = value[i].get<std::string>();
                if (path.empty() || path.find(';') != std::string::npos) {
                    return fileError(file, key + "[" + std::to_string(i) + "]",
                                     "must be a file or folder name without ';'");
                }
                text += (i == 0 ? "" : ";") + path;
            }
        } else {
            if (!value.is_string()) return fileError(file, key, wrongType(value, "a text"));
            text = value.get<std::string>();
        }
        if (auto problem = set(name, text)) return fileError(file, key, *problem);
    }
    return std::nullopt;
}

std::optional<Error> readDesign(const Json& doc, const std::string& file, LinkDesign& design) {
    if (!doc.is_object()) return fileError(file, "", "the design must be one JSON object");
    if (!doc.contains("format")) return fileError(file, "format", "is missing");
    const Json& format = doc["format"];
    if (!format.is_string() || format.get<std::string>() != kDesignFormat) {
        return fileError(file, "format",
                         std::string("must be \"") + kDesignFormat + "\": not a design file");
    }
    if (!doc.contains("version")) return fileError(file, "version", "is missing");
    const Json& version = doc["version"];
    if (!version.is_number_integer() && !version.is_number_unsigned()) {
        return fileError(file, "version", wrongType(version, "a whole number"));
    }
    if (version.get<long long>() < 1 || version.get<long long>() > kDesignVersion) {
        return fileError(file, "version",
                         "is " + version.dump() + "; this program reads version " +
                             std::to_string(kDesignVersion) +
                             " (a newer program wrote this design)");
    }
    static const std::vector<std::string> topKeys{"format", "version",    "name",   "path",
                                                  "sites",  "conditions", "profile"};
    for (const auto& [name, value] : doc.items()) {
        bool isKnown = false;
        for (const std::string& k : topKeys) isKnown |= k == name;
        if (!isKnown) return fileError(file, name, unknown(name, name, topKeys));
    }
    if (doc.contains("name")) {
        if (!doc["name"].is_string())
            return fileError(file, "name", wrongType(doc["name"], "a text"));
        design.name = doc["name"].get<std::string>();
    }
    if (doc.contains("path")) {
        auto e = readTexts(doc["path"], "path", file, pathKeyNames(),
                           [&](const std::string& k, const std::string& t) {
                               return setPathKey(design.path, k, t);
                           });
        if (e) return e;
    }
    if (doc.contains("sites")) {
        const Json& sites = doc["sites"];
        if (!sites.is_array()) return fileError(file, "sites", wrongType(sites, "a list"));
        if (sites.size() != kEndCount) {
            return fileError(
                file, "sites",
                "must hold exactly two sites (From and To), not " + std::to_string(sites.size()));
        }
        for (std::size_t i = 0; i < kEndCount; ++i) {
            auto e = readTexts(sites[i], "sites[" + std::to_string(i) + "]", file, siteKeyNames(),
                               [&](const std::string& k, const std::string& t) {
                                   return setSiteKey(design.sites[i], k, t);
                               });
            if (e) return e;
        }
    }
    if (doc.contains("conditions")) {
        auto e = readTexts(doc["conditions"], "conditions", file, conditionKeyNames(),
                           [&](const std::string& k, const std::string& t) {
                               return setConditionKey(design.conditions, k, t);
                           });
        if (e) return e;
    }
    if (doc.contains("profile")) {
        auto e = readTexts(doc["profile"], "profile", file, profileKeyNames(),
                           [&](const std::string& k, const std::string& t) {
                               return setProfileKey(design.profile, k, t);
                           });
        if (e) return e;
        if (!design.profile.profile.empty() && !design.profile.dem.empty()) {
            return fileError(file, "profile", "give \"profile\" or \"dem\", not both");
        }
    }
    return std::nullopt;
}

Json switchOrText(std::string_view key, const std::string& text) {
    if (isSwitchKey(key)) return text == "1";
    return text;
}

}  // namespace

Result<LinkDesign> parseDesign(std::string_view text, const std::string& fileName) {
    Json doc;
    try {
        doc = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& e) {
        const std::size_t at = e.byte > 0 ? e.byte - 1 : 0;
        return fileError(fileName, "", "not readable as JSON at " + lineAndColumn(text, at));
    } catch (const Json::exception&) {
        // A number beyond a double's range (the reader's only other failure).
        return fileError(fileName, "", "not readable as JSON: a number is out of range");
    }
    LinkDesign design;
    if (auto e = readDesign(doc, fileName, design)) return *e;
    return design;
}

Result<LinkDesign> readDesignFile(const std::filesystem::path& path) {
    Result<std::string> bytes = readWholeFile(path, kMostDesignBytes);
    if (!bytes) return *bytes.error;
    Result<LinkDesign> design = parseDesign(*bytes.value, path.string());
    if (!design) return design;
    LinkDesign out = *design.value;
    out.baseDir = path.parent_path();
    return out;
}

std::string designJson(const LinkDesign& design) {
    Json doc;
    doc["format"] = kDesignFormat;
    doc["version"] = kDesignVersion;
    doc["name"] = design.name;
    Json path = Json::object();
    for (const TextKey& k : kPathKeys)
        path[k.key] = switchOrText(k.key, pathKeyText(design.path, k.key));
    doc["path"] = path;
    Json sites = Json::array();
    for (const SiteDesign& site : design.sites) {
        Json s = Json::object();
        for (const TextKey& k : kSiteKeys) s[k.key] = switchOrText(k.key, siteKeyText(site, k.key));
        sites.push_back(s);
    }
    doc["sites"] = sites;
    Json conditions = Json::object();
    for (const std::string& name : conditionKeyNames()) {
        conditions[name] = design.conditions[*propagation::conditionInputByName(name)];
    }
    doc["conditions"] = conditions;
    Json profile = Json::object();
    profile["profile"] = design.profile.profile;
    profile["dem"] = design.profile.dem;
    for (const TextKey& k : kProfileKeys) {
        if (std::string_view(k.key) == "dem") continue;
        profile[k.key] = switchOrText(k.key, profileKeyText(design.profile, k.key));
    }
    doc["profile"] = profile;
    // Texts are bytes as typed; what is not UTF-8 is replaced rather than lost in a failure.
    return doc.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

std::optional<Error> writeDesignFile(const std::filesystem::path& path, const LinkDesign& design) {
    return writeFileAtomically(path, designJson(design));
}

LinkDesign exampleDesign() {
    LinkDesign d;
    d.name = "Hilltop to Riverside";
    d.path.freq = "11";
    d.path.k = "1.33";
    d.path.fadeMargin = "30";
    SiteDesign& a = d.site(End::From);
    a.name = "Hilltop";
    a.lat = "414530";
    a.lon = "813000";
    a.groundElevation = "320";
    a.antennaHeight = "30";
    a.dish = "6";
    a.loss = "1.5";
    a.length = "150";
    a.power = "30";
    a.threshold = "-75";
    SiteDesign& b = d.site(End::To);
    b.name = "Riverside";
    b.lat = "413000";
    b.lon = "812500";
    b.groundElevation = "250";
    b.antennaHeight = "40";
    b.dish = "6";
    b.loss = "1.5";
    b.length = "200";
    b.power = "30";
    b.threshold = "-75";
    d.conditions[ConditionInput::RainZone] = "K";
    return d;
}

}  // namespace hopscale::design
