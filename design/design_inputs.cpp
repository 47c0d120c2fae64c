#include "design_inputs.h"

#include "link_study.h"

namespace hopscale::design {
namespace {

// "sites[1].dish" -> (1, "dish"); nothing for other keys.
std::optional<std::pair<std::size_t, std::string_view>> siteKey(std::string_view key) {
    constexpr std::string_view prefix = "sites[";
    if (key.substr(0, prefix.size()) != prefix || key.size() < prefix.size() + 3) {
        return std::nullopt;
    }
    const char digit = key[prefix.size()];
    if ((digit != '0' && digit != '1') || key.substr(prefix.size() + 1, 2) != "].") {
        return std::nullopt;
    }
    return std::pair{static_cast<std::size_t>(digit - '0'), key.substr(prefix.size() + 3)};
}

// The rest of `key` after `prefix.`; nothing when it does not start so.
std::optional<std::string_view> after(std::string_view key, std::string_view prefix) {
    if (key.size() <= prefix.size() + 1 || key.substr(0, prefix.size()) != prefix ||
        key[prefix.size()] != '.') {
        return std::nullopt;
    }
    return key.substr(prefix.size() + 1);
}

}  // namespace

void takeInputScreen(LinkDesign& design, const PathInputs& fields,
                     const std::filesystem::path& dataDir) {
    // What the design gives the input screen now: a line type stays only while its field
    // still shows the design's loss for it.
    std::optional<PathInputs> before;
    if (!design.sites[0].lineType.empty() || !design.sites[1].lineType.empty()) {
        if (Result<PathInputs> given = directionInputs(design, End::From, dataDir)) {
            before = *given.value;
        }
    }
    SiteDesign& a = design.site(End::From);
    SiteDesign& b = design.site(End::To);
    const bool sameFrequency = fields[Field::Text10] == design.path.freq;
    auto keepLineType = [&](SiteDesign& site, Field loss) {
        if (site.lineType.empty()) return;
        if (!before || !sameFrequency || (*before)[loss] != fields[loss]) site.lineType.clear();
    };
    keepLineType(a, Field::Text2);
    keepLineType(b, Field::Text8);

    a.dish = fields[Field::Text1];
    b.dish = fields[Field::Text3];
    a.loss = fields[Field::Text2];
    b.loss = fields[Field::Text8];
    a.length = fields[Field::Text16];
    b.length = fields[Field::Text18];
    a.lat = fields[Field::Text5];
    a.lon = fields[Field::Text6];
    b.lat = fields[Field::Text7];
    b.lon = fields[Field::Text9];
    a.power = fields[Field::Text26];
    a.watts = fields.watts;
    a.ampGain = fields[Field::Text15];
    b.preampGain = fields[Field::Text4];
    design.path.length = fields[Field::Text24];
    design.path.km = fields.km;
    design.path.freq = fields[Field::Text10];
    design.path.fadeMargin = fields[Field::Text12];
    design.path.k = fields[Field::Text22];
    design.name = fields[Field::Text11];
}

PathInputs inputScreenFields(const LinkDesign& design, const std::filesystem::path& dataDir) {
    if (Result<PathInputs> in = directionInputs(design, End::From, dataDir)) return *in.value;
    // A line type that cannot be looked up: the typed losses stand in.
    LinkDesign typed = design;
    for (SiteDesign& s : typed.sites) s.lineType.clear();
    Result<PathInputs> in = directionInputs(typed, End::From, {});
    return in ? *in.value : PathInputs{};
}

std::string keyText(const LinkDesign& design, std::string_view key) {
    if (key == "name") return design.name;
    if (auto site = siteKey(key)) return siteKeyText(design.sites[site->first], site->second);
    if (auto k = after(key, "path")) return pathKeyText(design.path, *k);
    if (auto k = after(key, "profile")) return profileKeyText(design.profile, *k);
    if (auto k = after(key, "conditions")) {
        auto input = propagation::conditionInputByName(std::string(*k));
        if (input && isDesignCondition(*input)) return design.conditions[*input];
    }
    return {};
}

std::optional<std::string> setKeyText(LinkDesign& design, std::string_view key,
                                      std::string_view text) {
    if (key == "name") {
        design.name = std::string(text);
        return std::nullopt;
    }
    if (auto site = siteKey(key)) return setSiteKey(design.sites[site->first], site->second, text);
    if (auto k = after(key, "path")) return setPathKey(design.path, *k, text);
    if (auto k = after(key, "profile")) return setProfileKey(design.profile, *k, text);
    if (auto k = after(key, "conditions")) return setConditionKey(design.conditions, *k, text);
    return "unknown key \"" + std::string(key) + "\"";
}

}  // namespace hopscale::design
