#include "catalogue_tools.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

#include "conversions.h"
#include "data_file.h"

namespace hopscale {

namespace {

constexpr std::size_t kCountedTextMax = 2 + kMaxCountedTextBytes;
constexpr const char* kIndexName = "listing.dat";
constexpr const char* kSavedInputsName = "PATHCFG.DAT";

// What went wrong, without the file name (the problem carries it).
std::string describe(const Error& e) {
    return e.detail.empty() ? kindName(e.kind) : e.detail;
}

// " is not a number" or " is out of range", after the text a strict reader refused.
std::string refusal(const Error& e) {
    return e.kind == ErrorKind::Overflow ? " is out of range" : " is not a number";
}

std::string quoteText(std::string_view text) {
    return "\"" + printableText(text) + "\"";
}

}  // namespace

std::string CatalogueProblem::text() const {
    std::string out = file;
    if (!where.empty()) out += ": " + where;
    return out + ": " + message;
}

std::string encodeIndexFile(const std::vector<IndexRecord>& records) {
    std::string out;
    for (const IndexRecord& r : records) {
        appendCountedText(out, r.name);
        appendCountedText(out, r.lowText);
        appendCountedText(out, r.highText);
        appendCountedText(out, r.reserved);
    }
    for (int i = 0; i < 4; ++i) appendCountedText(out, "");
    return out;
}

std::string encodeAttenuationFile(const std::vector<TablePoint>& points) {
    std::string frequencies, attenuations;
    appendCountedText(frequencies, "");
    appendCountedText(attenuations, "");
    for (std::size_t i = 1; i <= 100; ++i) {
        if (i <= points.size()) {
            appendCountedText(frequencies, points[i - 1].frequencyText);
            appendCountedText(attenuations, points[i - 1].attenuationText);
        } else {
            appendCountedText(frequencies, "");
            appendCountedText(attenuations, "");
        }
    }
    return frequencies + attenuations;
}

Result<std::vector<IndexRecord>> readIndexRecords(const std::filesystem::path& indexFile) {
    auto bytes = readFilePrefix(indexFile, (kMaxCatalogueRecords + 1) * 4 * kCountedTextMax);
    if (!bytes) return *bytes.error;
    CountedTextReader reader(*bytes);
    std::vector<IndexRecord> records;
    for (int i = 1; i <= kMaxCatalogueRecords; ++i) {
        IndexRecord r;
        r.name = reader.next();
        r.lowText = reader.next();
        r.highText = reader.next();
        r.reserved = reader.next();
        if (r.name.empty()) break;
        records.push_back(std::move(r));
    }
    return records;
}

namespace {

// Checks one attenuation table against the band [low, high] of its index record.
void checkTable(const std::filesystem::path& file, float low, float high,
                std::vector<CatalogueProblem>& problems) {
    const std::string name = displayPath(file);
    auto bytes = readFilePrefix(file, 202 * kCountedTextMax);
    if (!bytes) {
        problems.push_back({name, "", describe(*bytes.error)});
        return;
    }
    CountedTextReader reader(*bytes);
    std::vector<std::string> texts(202);
    int complete = 0;
    for (auto& text : texts) {
        text = reader.next();
        if (!reader.ended()) ++complete;
    }
    if (complete < 202) {
        problems.push_back({name, "", "the file ends after " + std::to_string(complete) +
                                          " of its 202 counted texts"});
    }
    double previous = 0;
    double first = 0, last = 0;
    int points = 0;
    for (int k = 1; k <= kMaxTablePoints; ++k) {
        const std::string& freqText = texts[static_cast<std::size_t>(k)];
        const std::string& attText = texts[static_cast<std::size_t>(101 + k)];
        if (freqText.empty()) break;
        const std::string where = "point " + std::to_string(k);
        auto f = textToDouble(freqText);
        if (!f) {
            problems.push_back({name, where, "frequency " + quoteText(freqText) + refusal(*f.error)});
            return;
        }
        if (points > 0 && *f <= previous) {
            problems.push_back({name, where, "frequency " + freqText +
                                                 " GHz does not follow the previous point's in increasing order"});
        }
        auto a = textToSingle(attText);
        if (!a) {
            problems.push_back({name, where, "attenuation " + quoteText(attText) + refusal(*a.error)});
        } else if (*a < 0) {
            problems.push_back({name, where, "attenuation " + attText + " is negative"});
        }
        if (points == 0) first = *f;
        last = *f;
        previous = *f;
        ++points;
    }
    if (points == 0) {
        problems.push_back({name, "", "the table has no points"});
        return;
    }
    if (first > static_cast<double>(low) || last < static_cast<double>(high)) {
        problems.push_back({name, "", "the table (" + doubleToText(first) + " to " +
                                          doubleToText(last) + " GHz) does not cover the band " +
                                          singleToText(low) + " to " + singleToText(high) +
                                          " GHz of the index"});
    }
}

}  // namespace

std::vector<CatalogueProblem> checkDataDir(const std::filesystem::path& dataDir) {
    std::vector<CatalogueProblem> problems;
    const std::filesystem::path indexFile = dataDir / kIndexName;
    const std::string indexName = displayPath(indexFile);
    std::set<std::string> tableFiles;

    auto bytes = readFilePrefix(indexFile, (kMaxCatalogueRecords + 2) * 4 * kCountedTextMax);
    if (!bytes) {
        problems.push_back({indexName, "", describe(*bytes.error)});
    } else {
        CountedTextReader reader(*bytes);
        for (int i = 1;; ++i) {
            const std::string where = "record " + std::to_string(i);
            IndexRecord r{reader.next(), reader.next(), reader.next(), reader.next()};
            if (r.name.empty()) {
                if (reader.ended() && reader.position() < bytes.value->size()) {
                    problems.push_back({indexName, where, "the file ends inside a counted text"});
                }
                break;
            }
            if (i > kMaxCatalogueRecords) {
                problems.push_back({indexName, where,
                                    "more than 100 line types: this record and later ones are never read"});
                break;
            }
            if (reader.ended()) {
                problems.push_back({indexName, where, "the file ends inside this record"});
            }
            const std::string name = latin1ToUtf8(r.name);
            bool usable = true;
            if (!isSafeLineTypeName(r.name)) {
                problems.push_back({indexName, where, "unsafe line-type name " + quoteText(r.name)});
                usable = false;
            }
            auto low = textToSingle(r.lowText);
            auto high = textToSingle(r.highText);
            if (!low) {
                problems.push_back({indexName, where, "low frequency " + quoteText(r.lowText) + refusal(*low.error)});
                usable = false;
            } else if (*low <= 0) {
                problems.push_back({indexName, where,
                                    "low frequency " + quoteText(r.lowText) +
                                        " is not above 0 (a low frequency of 0 hides this and every later line type)"});
            }
            if (!high) {
                problems.push_back({indexName, where, "high frequency " + quoteText(r.highText) + refusal(*high.error)});
                usable = false;
            }
            if (low && high && *low > *high) {
                problems.push_back({indexName, where, "low frequency " + r.lowText +
                                                          " is above high frequency " + r.highText});
            }
            if (!isSafeLineTypeName(r.name)) continue;
            const std::filesystem::path table = attenuationFilePath(dataDir, name);
            tableFiles.insert(table.filename().string());
            std::error_code ec;
            if (!std::filesystem::exists(table, ec)) {
                problems.push_back({indexName, where, "attenuation file " + table.filename().string() +
                                                          " of " + quoteText(name) + " is missing"});
                continue;
            }
            if (usable) {
                checkTable(table, *low, *high, problems);
            } else {
                // Without a readable band only the table itself is checked.
                checkTable(table, INFINITY, -INFINITY, problems);
            }
        }
    }

    // The saved-inputs file, when there is one.
    const std::filesystem::path saved = dataDir / kSavedInputsName;
    std::error_code ec;
    if (std::filesystem::exists(saved, ec)) {
        auto savedBytes = readFilePrefix(saved, 86 + 2 * kMaxCountedTextBytes);
        if (!savedBytes) {
            problems.push_back({displayPath(saved), "", describe(*savedBytes.error)});
        } else if (!savedBytes.value->empty()) {
            // A short record is checked by decoding it: 76 fixed bytes, counted texts after.
            CountedTextReader tail(std::string_view(*savedBytes.value).substr(std::min<std::size_t>(76, savedBytes.value->size())));
            bool shortRecord = savedBytes.value->size() < 76;
            if (!shortRecord) {
                tail.next();
                const std::size_t afterName = 76 + tail.position();
                shortRecord = tail.ended() || savedBytes.value->size() < afterName + 4;
                if (!shortRecord) {
                    CountedTextReader reserved(std::string_view(*savedBytes.value).substr(afterName + 4));
                    reserved.next();
                    shortRecord = reserved.ended() || savedBytes.value->size() < afterName + 4 + reserved.position() + 2;
                }
            }
            if (shortRecord) {
                problems.push_back({displayPath(saved), "", "the file ends inside its record; nothing will be loaded"});
            }
        }
    }
    return problems;
}

namespace {

std::string trim(std::string_view s) {
    const auto begin = s.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    const auto end = s.find_last_not_of(" \t\r");
    return std::string(s.substr(begin, end - begin + 1));
}

// Splits one CSV line into cells ("" inside quotes stands for one quote). Returns nullopt
// for an unterminated quote.
std::optional<std::vector<std::string>> splitCsv(std::string_view line) {
    std::vector<std::string> cells;
    std::string cell;
    bool inQuotes = false;
    bool wasQuoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (inQuotes) {
            if (c == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    cell.push_back('"');
                    ++i;
                } else {
                    inQuotes = false;
                }
            } else {
                cell.push_back(c);
            }
        } else if (c == '"' && trim(cell).empty()) {
            cell.clear();
            inQuotes = true;
            wasQuoted = true;
        } else if (c == ',') {
            cells.push_back(wasQuoted ? cell : trim(cell));
            cell.clear();
            wasQuoted = false;
        } else if (!(wasQuoted && (c == ' ' || c == '\t' || c == '\r'))) {
            cell.push_back(c);
        }
    }
    if (inQuotes) return std::nullopt;
    cells.push_back(wasQuoted ? cell : trim(cell));
    return cells;
}

struct ImportedType {
    std::string name;  // UTF-8
    std::string lowText, highText;
    double low = 0, high = 0;
    std::vector<TablePoint> points;
    std::vector<double> frequencies;
    int firstLine = 0;
    bool refused = false;  // a row of it was refused: its coverage is not judged
};

// A number text that both the strict and the lenient readers take as the same number.
std::optional<double> numberCell(const std::string& text, bool single) {
    auto value = textToDouble(text);
    if (!value) return std::nullopt;
    if (single && !textToSingle(text)) return std::nullopt;
    if (textLeadingValue(text) != *value) return std::nullopt;
    return *value;
}

}  // namespace

ImportOutcome importCatalogueCsv(std::string_view csvText, const std::string& csvName,
                                 const std::filesystem::path& dataDir, bool replace) {
    ImportOutcome outcome;
    auto problem = [&](int line, std::string message) {
        outcome.problems.push_back({csvName, line > 0 ? "line " + std::to_string(line) : "",
                                    std::move(message)});
    };

    std::vector<ImportedType> types;
    std::map<std::string, std::size_t> byName;
    bool firstRow = true;
    int lineNo = 0;
    std::size_t pos = 0;
    while (pos <= csvText.size()) {
        std::size_t end = csvText.find('\n', pos);
        if (end == std::string_view::npos) end = csvText.size();
        const std::string_view raw = csvText.substr(pos, end - pos);
        pos = end + 1;
        ++lineNo;
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#') continue;
        auto cells = splitCsv(line);
        if (!cells) {
            problem(lineNo, "a quoted cell is not closed");
            continue;
        }
        if (firstRow) {
            firstRow = false;
            std::string head = (*cells)[0];
            std::transform(head.begin(), head.end(), head.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (head == "name") continue;
        }
        if (cells->size() != 5) {
            problem(lineNo, "expected 5 cells (name, low GHz, high GHz, frequency GHz, "
                            "attenuation dB per 100 ft), found " + std::to_string(cells->size()));
            continue;
        }
        const std::string& name = (*cells)[0];
        if (!isSafeLineTypeName(name)) {
            problem(lineNo, "unsafe line-type name " + quoteText(name) +
                                " (empty, or holding \"/\", \"\\\", \"..\" or a control character)");
            continue;
        }
        if (!fitsLatin1(name)) {
            problem(lineNo, "line-type name " + quoteText(name) + " has characters outside Latin-1");
            continue;
        }
        if (utf8ToLatin1(name).size() > 255) {
            problem(lineNo, "line-type name is longer than 255 characters");
            continue;
        }
        const char* labels[] = {"low frequency", "high frequency", "frequency", "attenuation"};
        std::optional<double> values[4];
        bool bad = false;
        for (int c = 0; c < 4; ++c) {
            const std::string& text = (*cells)[static_cast<std::size_t>(c + 1)];
            values[c] = numberCell(text, true);
            if (!values[c]) {
                problem(lineNo, std::string(labels[c]) + " " + quoteText(text) + " is not a number");
                bad = true;
            }
        }
        if (bad) continue;
        const double low = *values[0], high = *values[1], freq = *values[2], att = *values[3];
        if (low <= 0) {
            problem(lineNo, "low frequency must be above 0 GHz");
            continue;
        }
        if (low > high) {
            problem(lineNo, "low frequency is above high frequency");
            continue;
        }
        if (att < 0) problem(lineNo, "attenuation " + (*cells)[4] + " is negative");

        auto found = byName.find(name);
        if (found == byName.end()) {
            found = byName.emplace(name, types.size()).first;
            ImportedType t;
            t.name = name;
            t.lowText = (*cells)[1];
            t.highText = (*cells)[2];
            t.low = low;
            t.high = high;
            t.firstLine = lineNo;
            types.push_back(std::move(t));
        }
        ImportedType& t = types[found->second];
        if (low != t.low || high != t.high) {
            t.refused = true;
            problem(lineNo, "band of " + quoteText(name) + " differs from the one given on line " +
                                std::to_string(t.firstLine));
            continue;
        }
        if (!t.frequencies.empty() && freq <= t.frequencies.back()) {
            t.refused = true;
            problem(lineNo, "frequencies of " + quoteText(name) + " are not strictly increasing");
            continue;
        }
        if (t.points.size() == static_cast<std::size_t>(kMaxTablePoints)) {
            t.refused = true;
            problem(lineNo, quoteText(name) + " has more than 100 points");
            continue;
        }
        t.points.push_back({(*cells)[3], (*cells)[4]});
        t.frequencies.push_back(freq);
    }
    if (types.empty() && outcome.problems.empty()) problem(0, "no line types found");

    for (const ImportedType& t : types) {
        if (t.points.empty() || t.refused) continue;
        const double low = static_cast<double>(static_cast<float>(t.low));
        const double high = static_cast<double>(static_cast<float>(t.high));
        if (t.frequencies.front() > low || t.frequencies.back() < high) {
            problem(t.firstLine, "the points of " + quoteText(t.name) + " (" + t.points.front().frequencyText +
                                     " to " + t.points.back().frequencyText +
                                     " GHz) do not cover its band " + t.lowText + " to " + t.highText +
                                     " GHz (as held in single precision)");
        }
    }

    // The new index: the existing one with these types merged in, or these types alone.
    std::vector<IndexRecord> index;
    const std::filesystem::path indexFile = dataDir / kIndexName;
    if (!replace) {
        std::error_code ec;
        if (std::filesystem::exists(indexFile, ec)) {
            auto existing = readIndexRecords(indexFile);
            if (!existing) {
                problem(0, "cannot read the existing " + displayPath(indexFile) + ": " +
                               describe(*existing.error));
            } else {
                index = *existing;
            }
        }
    }
    for (const ImportedType& t : types) {
        IndexRecord record{utf8ToLatin1(t.name), t.lowText, t.highText, ""};
        auto same = std::find_if(index.begin(), index.end(),
                                 [&](const IndexRecord& r) { return r.name == record.name; });
        if (same != index.end()) {
            *same = record;
        } else {
            index.push_back(record);
        }
    }
    if (index.size() > static_cast<std::size_t>(kMaxCatalogueRecords)) {
        problem(0, "the catalogue would hold " + std::to_string(index.size()) +
                       " line types; at most 100 can be read");
    }
    outcome.lineTypes = static_cast<int>(index.size());
    if (!outcome.problems.empty()) return outcome;

    for (const ImportedType& t : types) {
        const std::filesystem::path file = attenuationFilePath(dataDir, t.name);
        if (auto error = writeFileAtomically(file, encodeAttenuationFile(t.points))) {
            outcome.problems.push_back({displayPath(file), "", describe(*error)});
            return outcome;
        }
        outcome.written.push_back(displayPath(file));
    }
    if (auto error = writeFileAtomically(indexFile, encodeIndexFile(index))) {
        outcome.problems.push_back({displayPath(indexFile), "", describe(*error)});
        return outcome;
    }
    outcome.written.push_back(displayPath(indexFile));
    return outcome;
}

}  // namespace hopscale
