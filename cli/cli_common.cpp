#include "cli_common.h"

#include "conversions.h"
#include "data_file.h"
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

std::string quotedText(std::string_view text) {
    std::size_t length = text.size();
    const bool cut = length > kQuotedTextLimit;
    if (cut) {
        length = kQuotedTextLimit;
        // Not inside a UTF-8 sequence: back to the start of the character cut.
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) --length;
    }
    return "\"" + printableText(text.substr(0, length)) + (cut ? "...\"" : "\"");
}

std::string errorMessage(const Error& error) {
    Error shown = error;
    // The message puts its own quotes around these two; only their length is cut here.
    auto cutText = [](std::string& text) {
        if (text.size() <= kQuotedTextLimit) return;
        const std::string quoted = quotedText(text);
        text = quoted.substr(1, quoted.size() - 2);
    };
    cutText(shown.text);
    cutText(shown.file);
    return printableText(shown.message());
}

void NameList::add(std::string_view name) {
    if (!seen_.emplace(name).second) return;
    if (count_++ < kMaxListed) {
        if (!text_.empty()) text_ += ", ";
        text_ += quotedText(name);
    }
}

std::string NameList::text() const {
    if (count_ <= kMaxListed) return text_;
    return text_ + " and " + std::to_string(count_ - kMaxListed) + " more";
}

std::string resultText(const RunOutcome& outcome, const PathResults& results,
                       const ResultInfo& info) {
    if (!outcome.computed.test(static_cast<std::size_t>(info.id))) return {};
    return singleToText(results.*info.member);
}

}  // namespace hopscale::cli
