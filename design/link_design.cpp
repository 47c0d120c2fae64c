#include "link_design.h"

#include <algorithm>
#include <cctype>

#include "fields.h"

namespace hopscale::design {
namespace {

using propagation::ConditionInput;

struct SiteMember {
    std::string_view key;
    std::string SiteDesign::*member;
};
constexpr std::array<SiteMember, 15> kSiteMembers{{
    {"name", &SiteDesign::name},
    {"lat", &SiteDesign::lat},
    {"lon", &SiteDesign::lon},
    {"ground-elevation", &SiteDesign::groundElevation},
    {"antenna-height", &SiteDesign::antennaHeight},
    {"dish", &SiteDesign::dish},
    {"line-type", &SiteDesign::lineType},
    {"loss", &SiteDesign::loss},
    {"length", &SiteDesign::length},
    {"power", &SiteDesign::power},
    {"amp-gain", &SiteDesign::ampGain},
    {"preamp-gain", &SiteDesign::preampGain},
    {"threshold", &SiteDesign::threshold},
    {"radio", &SiteDesign::radio},
    {"antenna", &SiteDesign::antenna},
}};

struct PathMember {
    std::string_view key;
    std::string PathDesign::*member;
};
constexpr std::array<PathMember, 4> kPathMembers{{
    {"freq", &PathDesign::freq},
    {"k", &PathDesign::k},
    {"fade-margin", &PathDesign::fadeMargin},
    {"length", &PathDesign::length},
}};

struct ProfileMember {
    std::string_view key;
    std::string ProfileDesign::*member;
};
constexpr std::array<ProfileMember, 6> kProfileMembers{{
    {"diffraction-k", &ProfileDesign::diffractionK},
    {"sea-fraction", &ProfileDesign::seaFraction},
    {"surface", &ProfileDesign::surface},
    {"ground", &ProfileDesign::ground},
    {"roughness", &ProfileDesign::roughness},
    {"sweep", &ProfileDesign::sweep},
}};

std::string defaultText(Field f) { return std::string(fieldInfo(f).defaultText); }

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::optional<bool> readSwitch(std::string_view text) {
    const std::string t = lower(text);
    if (t == "1" || t == "true" || t == "yes" || t == "on") return true;
    if (t.empty() || t == "0" || t == "false" || t == "no" || t == "off") return false;
    return std::nullopt;
}

std::string unknownKey(std::string_view key, const std::vector<std::string>& known) {
    std::string message = "unknown key \"" + std::string(key) + "\"";
    if (auto close = closestKey(key, known)) message += "; did you mean \"" + *close + "\"?";
    return message;
}

std::optional<std::string> setSwitch(bool& target, std::string_view key, std::string_view text) {
    auto on = readSwitch(text);
    if (!on) {
        return "\"" + std::string(key) + "\" is a switch: 1 or 0 (true or false), not \"" +
               std::string(text) + "\"";
    }
    target = *on;
    return std::nullopt;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] =
                std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0u : 1u)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

LinkDesign::LinkDesign() {
    name = defaultText(Field::Text11);
    path.freq = defaultText(Field::Text10);
    path.k = defaultText(Field::Text22);
    path.fadeMargin = defaultText(Field::Text12);
    path.length = defaultText(Field::Text24);
    sites[0].name = "A";
    sites[1].name = "B";
    for (SiteDesign& s : sites) {
        s.power = defaultText(Field::Text26);
        s.ampGain = defaultText(Field::Text15);
        s.preampGain = defaultText(Field::Text4);
    }
    // The input screen's defaults for the transmitting (A) and receiving (B) side.
    sites[0].dish = defaultText(Field::Text1);
    sites[1].dish = defaultText(Field::Text3);
    sites[0].loss = defaultText(Field::Text2);
    sites[1].loss = defaultText(Field::Text8);
    sites[0].length = defaultText(Field::Text16);
    sites[1].length = defaultText(Field::Text18);
}

bool isDesignCondition(ConditionInput input) {
    switch (input) {
        case ConditionInput::Threshold:
        case ConditionInput::GroundElevations:
        case ConditionInput::AntennaHeights:
        case ConditionInput::Radio:
        case ConditionInput::RxRadio:
        case ConditionInput::Antenna:
        case ConditionInput::RxAntenna:
            return false;
        default:
            return true;
    }
}

bool isSwitchKey(std::string_view key) {
    return key == "watts" || key == "km" || key == "subtract-diffraction" || key == "reflection";
}

std::optional<std::string> setSiteKey(SiteDesign& site, std::string_view key,
                                      std::string_view text) {
    if (key == "watts") return setSwitch(site.watts, key, text);
    for (const SiteMember& m : kSiteMembers) {
        if (m.key == key) {
            site.*m.member = std::string(text);
            return std::nullopt;
        }
    }
    return unknownKey(key, siteKeyNames());
}

std::optional<std::string> setPathKey(PathDesign& path, std::string_view key,
                                      std::string_view text) {
    if (key == "km") return setSwitch(path.km, key, text);
    for (const PathMember& m : kPathMembers) {
        if (m.key == key) {
            path.*m.member = std::string(text);
            return std::nullopt;
        }
    }
    return unknownKey(key, pathKeyNames());
}

std::optional<std::string> setProfileKey(ProfileDesign& profile, std::string_view key,
                                         std::string_view text) {
    if (key == "subtract-diffraction") return setSwitch(profile.subtractDiffraction, key, text);
    if (key == "reflection") return setSwitch(profile.reflection, key, text);
    for (const ProfileMember& m : kProfileMembers) {
        if (m.key == key) {
            profile.*m.member = std::string(text);
            return std::nullopt;
        }
    }
    if (key == "profile") {
        profile.profile = std::string(text);
    } else if (key == "criteria") {
        profile.criteria = std::string(text);
    } else if (key == "fixed-end") {
        profile.fixedEnd = std::string(text);
    } else if (key == "dem") {
        profile.dem.clear();
        std::size_t start = 0;
        while (start <= text.size()) {
            const std::size_t end = std::min(text.find(';', start), text.size());
            if (end > start) profile.dem.emplace_back(text.substr(start, end - start));
            start = end + 1;
        }
    } else {
        return unknownKey(key, profileKeyNames());
    }
    return std::nullopt;
}

std::optional<std::string> setConditionKey(propagation::LinkConditionTexts& conditions,
                                           std::string_view key, std::string_view text) {
    auto input = propagation::conditionInputByName(std::string(key));
    if (!input || !isDesignCondition(*input)) return unknownKey(key, conditionKeyNames());
    conditions[*input] = std::string(text);
    return std::nullopt;
}

std::string siteKeyText(const SiteDesign& site, std::string_view key) {
    if (key == "watts") return site.watts ? "1" : "0";
    for (const SiteMember& m : kSiteMembers) {
        if (m.key == key) return site.*m.member;
    }
    return {};
}

std::string pathKeyText(const PathDesign& path, std::string_view key) {
    if (key == "km") return path.km ? "1" : "0";
    for (const PathMember& m : kPathMembers) {
        if (m.key == key) return path.*m.member;
    }
    return {};
}

std::string profileKeyText(const ProfileDesign& profile, std::string_view key) {
    if (key == "subtract-diffraction") return profile.subtractDiffraction ? "1" : "0";
    if (key == "reflection") return profile.reflection ? "1" : "0";
    for (const ProfileMember& m : kProfileMembers) {
        if (m.key == key) return profile.*m.member;
    }
    if (key == "profile") return profile.profile;
    if (key == "criteria") return profile.criteria;
    if (key == "fixed-end") return profile.fixedEnd;
    if (key == "dem") {
        std::string out;
        for (const std::string& d : profile.dem) out += (out.empty() ? "" : ";") + d;
        return out;
    }
    return {};
}

std::optional<std::string> closestKey(std::string_view key, const std::vector<std::string>& known) {
    std::optional<std::string> best;
    std::size_t bestDistance = 3;  // at most two edits away
    for (const std::string& k : known) {
        const std::size_t d = editDistance(lower(key), k);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best;
}

std::vector<std::string> siteKeyNames() {
    std::vector<std::string> out;
    for (const TextKey& k : kSiteKeys) out.emplace_back(k.key);
    return out;
}
std::vector<std::string> pathKeyNames() {
    std::vector<std::string> out;
    for (const TextKey& k : kPathKeys) out.emplace_back(k.key);
    return out;
}
std::vector<std::string> profileKeyNames() {
    std::vector<std::string> out;
    for (const TextKey& k : kProfileKeys) out.emplace_back(k.key);
    return out;
}
std::vector<std::string> conditionKeyNames() {
    std::vector<std::string> out;
    for (const auto& info : propagation::allConditionInputs()) {
        if (isDesignCondition(info.input)) out.emplace_back(info.name);
    }
    for (const auto& info : propagation::outageConditionInputs()) {
        if (isDesignCondition(info.input)) out.emplace_back(info.name);
    }
    return out;
}

std::string resolvePath(const LinkDesign& design, const std::string& name) {
    const std::filesystem::path p(name);
    if (p.is_absolute() || design.baseDir.empty()) return name;
    return (design.baseDir / p).string();
}

}  // namespace hopscale::design
