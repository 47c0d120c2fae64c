// Writing CSV fields (RFC 4180): the one place a text is quoted for a CSV file.
#pragma once

#include <string>
#include <string_view>

namespace hopscale {

// Appends `text` as one field: as it is, or in double quotes (with inner quotes doubled) when
// it holds a comma, a double quote or a line break.
inline void appendCsvField(std::string& out, std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
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

}  // namespace hopscale
