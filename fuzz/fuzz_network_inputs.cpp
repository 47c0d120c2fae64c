// libFuzzer target: the two files of `hopscale network`. The input is the sites file, a line
// holding only "=====", then the links file. Checks what the readers promise: a header
// problem stops reading; otherwise every link has its line, a link without a problem has two
// distinct known sites whose keys are all in its ends, and only known keys reach the records.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "network_inputs.h"

namespace {

using hopscale::cli::KeyTexts;

bool known(const KeyTexts& keys, const std::vector<std::string>& names) {
    return std::all_of(keys.begin(), keys.end(), [&](const auto& entry) {
        return std::find(names.begin(), names.end(), entry.first) != names.end() &&
               !entry.second.empty();
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace hopscale::cli;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    constexpr std::string_view kSeparator = "\n=====\n";
    const std::size_t split = input.find(kSeparator);
    const std::string_view sitesText = input.substr(0, split);
    const std::string_view linksText = split == std::string_view::npos
                                           ? std::string_view()
                                           : input.substr(split + kSeparator.size());

    SiteTable sites;
    if (auto e = SiteTable::readText(sitesText, "sites.csv", sites)) {
        (void)e->text();
        return 0;
    }
    for (const SiteRecord& site : sites.sites()) {
        if (site.name.empty() || sites.find(site.name) != &site) __builtin_trap();
        if (!site.problem && (site.keys.count("lat") == 0 || site.keys.count("lon") == 0))
            __builtin_trap();
        if (!known(site.keys, siteKeys())) __builtin_trap();
    }
    LinkReader reader(sites);
    if (auto e = reader.openText(linksText, "links.csv")) {
        (void)e->text();
        return 0;
    }
    LinkRecord link;
    std::size_t lastLine = 0;
    while (reader.next(link)) {
        if (link.line <= lastLine) __builtin_trap();
        lastLine = link.line;
        if (link.problem) {
            (void)link.problem->message();
            continue;
        }
        const SiteRecord* from = sites.find(link.from);
        const SiteRecord* to = sites.find(link.to);
        if (from == nullptr || to == nullptr || from == to || from->problem || to->problem)
            __builtin_trap();
        for (const auto& [key, text] : from->keys) {
            if (link.fromEnd.count(key) == 0) __builtin_trap();
        }
        if (!known(link.path, pathKeys()) || !known(link.conditions, conditionKeys()) ||
            !known(link.profile, profileKeys()) || !known(link.fromEnd, siteKeys()) ||
            !known(link.toEnd, siteKeys())) {
            __builtin_trap();
        }
    }
    return 0;
}
