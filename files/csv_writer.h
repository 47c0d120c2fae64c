// Writing CSV fields (RFC 4180): the one place a text is quoted for a CSV file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hopscale {

// Whether a field must be quoted: a comma, a double quote or a line break in it. One pass over
// the bytes (find_first_of would search the four characters for every byte: batch writes long
// model lists on every row).
inline bool needsCsvQuotes(std::string_view text) {
    for (const char ch : text) {
        if (ch == ',' || ch == '"' || ch == '\r' || ch == '\n') return true;
    }
    return false;
}

// Appends `text` as one field: as it is, or in double quotes (with inner quotes doubled) when
// it holds a comma, a double quote or a line break.
inline void appendCsvField(std::string& out, std::string_view text) {
    if (!needsCsvQuotes(text)) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (char ch : text) {
        if (ch == '"') out.push_back('"');
        out.push_back(ch);
    }
    out.push_back('"');
}

// Appends `texts` joined by "; " as one field, quoted as appendCsvField would quote the joined
// text, without joining them first (batch writes a few lists on every row).
inline void appendCsvList(std::string& out, const std::vector<std::string>& texts) {
    bool quote = false;
    bool quotes = false;
    for (const std::string& t : texts) {
        if (!needsCsvQuotes(t)) continue;
        quote = true;
        quotes |= t.find('"') != std::string::npos;
    }
    if (quote) out.push_back('"');
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) out.append("; ");
        if (!quotes) {
            out.append(texts[i]);
            continue;
        }
        for (char ch : texts[i]) {
            if (ch == '"') out.push_back('"');
            out.push_back(ch);
        }
    }
    if (quote) out.push_back('"');
}

}  // namespace hopscale
