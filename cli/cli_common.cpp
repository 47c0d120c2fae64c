#include "cli_common.h"

#include "conversions.h"
#include "fields.h"

namespace hopscale::cli {

std::optional<InputTarget> targetByName(std::string_view name) {
    if (name == kKmOption) return InputTarget{InputTarget::Kind::Km, Field::Text1};
    if (name == kWattsOption) return InputTarget{InputTarget::Kind::Watts, Field::Text1};
    for (const FieldInfo& info : allFields()) {
        if (info.option == name) return InputTarget{InputTarget::Kind::Field, info.field};
    }
    return std::nullopt;
}

std::string knownNamesList() {
    // The unit choices sit after the field they qualify, as in the command's synopsis.
    std::string list;
    auto add = [&list](std::string_view name) {
        if (!list.empty()) list += ", ";
        list += name;
    };
    for (const FieldInfo& info : allFields()) {
        add(info.option);
        if (info.field == Field::Text24) add(kKmOption);
        if (info.field == Field::Text26) add(kWattsOption);
    }
    return list;
}

std::string resultText(const RunOutcome& outcome, const PathResults& results,
                       const ResultInfo& info) {
    if (!outcome.computed.test(static_cast<std::size_t>(info.id))) return {};
    return singleToText(results.*info.member);
}

}  // namespace hopscale::cli
