#include "catalogue_tools.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

#include "conversions.h"
#include "csv_reader.h"
#include "data_file.h"
#include "file_names.h"

namespace hopscale {

namespace {

constexpr std::size_t kCountedTextMax = 2 + kMaxCountedTextBytes;

// What went wrong, without the file name (the problem carries it).
std::string describe(const Error& e) { return e.detail.empty() ? kindName(e.kind) : e.detail; }

// " is not a number" or " is out of range", after the text a strict reader refused.
std::string refusal(const Error& e) {
    return e.kind == ErrorKind::Overflow ? " is out of range" : " is not a number";
}

std::string quoteText(std::string_view text) { return "\"" + printableText(text) + "\""; }

}  // namespace

bool tableCoversBand(double first, double last, float low, float high) {
    return narrowToSingle(first) <= low && narrowToSingle(last) >= high;
}

std::size_t maxLineTypeNameBytes(const std::filesystem::path& dataDir) {
    long limit = ::pathconf(dataDir.c_str(), _PC_NAME_MAX);
    if (limit <= 0) limit = 255;
    const auto suffix = static_cast<long>(kAttenuationFileSuffix.size());
    return limit > suffix ? static_cast<std::size_t>(limit - suffix) : 0;
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
        problems.push_back(
            {name, "",
             "the file ends after " + std::to_string(complete) + " of its 202 counted texts"});
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
            problems.push_back(
                {name, where, "frequency " + quoteText(freqText) + refusal(*f.error)});
            return;
        }
        if (points > 0 && *f <= previous) {
            problems.push_back(
                {name, where,
                 "frequency " + freqText +
                     " GHz does not follow the previous point's in increasing order"});
        }
        auto a = textToSingle(attText);
        if (!a) {
            problems.push_back(
                {name, where, "attenuation " + quoteText(attText) + refusal(*a.error)});
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
    if (!tableCoversBand(first, last, low, high)) {
        problems.push_back({name, "",
                            "the table (" + doubleToText(first) + " to " + doubleToText(last) +
                                " GHz) does not cover the band " + singleToText(low) + " to " +
                                singleToText(high) + " GHz of the index"});
    }
}

}  // namespace

std::vector<CatalogueProblem> checkDataDir(const std::filesystem::path& dataDir) {
    std::vector<CatalogueProblem> problems;
    const std::filesystem::path indexFile = dataDir / kIndexFileName;
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
                problems.push_back(
                    {indexName, where,
                     "more than 100 line types: this record and later ones are never read"});
                break;
            }
            if (reader.ended()) {
                problems.push_back({indexName, where, "the file ends inside this record"});
            }
            const std::string name = latin1ToUtf8(r.name);
            bool usable = true;
            if (!isSafeLineTypeName(r.name)) {
                problems.push_back(
                    {indexName, where, "unsafe line-type name " + quoteText(r.name)});
                usable = false;
            }
            auto low = textToSingle(r.lowText);
            auto high = textToSingle(r.highText);
            // The offer reads the bound leniently and stops at the first one that reads as 0.
            const bool hides = narrowToSingle(textLeadingValue(r.lowText)) == 0;
            if (!low) {
                problems.push_back({indexName, where,
                                    "low frequency " + quoteText(r.lowText) + refusal(*low.error) +
                                        (hides ? " (read as 0, it hides this and every later "
                                                 "line type from the offer)"
                                               : "")});
                usable = false;
            } else if (*low <= 0) {
                problems.push_back(
                    {indexName, where,
                     "low frequency " + quoteText(r.lowText) + " is not above 0" +
                         (hides ? " (a low frequency of 0 hides this and every later line type)"
                                : "")});
            }
            if (!high) {
                problems.push_back(
                    {indexName, where,
                     "high frequency " + quoteText(r.highText) + refusal(*high.error)});
                usable = false;
            }
            if (low && high && *low > *high) {
                problems.push_back(
                    {indexName, where,
                     "low frequency " + r.lowText + " is above high frequency " + r.highText});
            }
            if (!isSafeLineTypeName(r.name)) continue;
            const std::filesystem::path table = attenuationFilePath(dataDir, name);
            tableFiles.insert(table.filename().string());
            std::error_code ec;
            if (!std::filesystem::exists(table, ec)) {
                problems.push_back({indexName, where,
                                    "attenuation file " + table.filename().string() + " of " +
                                        quoteText(name) + " is missing"});
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

    return problems;
}

namespace {

// A cell without the blanks and line ends around it.
std::string trim(std::string_view s) { return std::string(trimmed(s, " \t\r\n")); }

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
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

// A number text that both the strict and the lenient readers take as the same number, or
// what is wrong with it: " is not a number" or " is out of range".
Result<double> numberCell(const std::string& text) {
    auto value = textToDouble(text);
    if (!value) return *value.error;
    auto single = textToSingle(text);
    if (!single) return *single.error;
    if (textLeadingValue(text) != *value) return Error{ErrorKind::TypeMismatch, {}, {}, text, {}};
    return *value;
}

// The cells of one CSV record as the import reads them: unquoted cells without the spaces
// around them, quoted cells exactly as quoted. Text after a closing quote other than
// spaces, and a quote inside an unquoted cell, are errors.
std::optional<std::string> cellsOf(const CsvReader& reader, const std::vector<std::string>& fields,
                                   std::size_t count, std::vector<std::string>& cells) {
    cells.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string& field = fields[i];
        if (reader.quoted(i)) {
            const std::size_t end = reader.quotedEnd(i);
            if (!trim(std::string_view(field).substr(end)).empty()) {
                return "cell " + std::to_string(i + 1) + " has text after its closing quote";
            }
            cells.push_back(field.substr(0, end));
        } else {
            if (field.find('"') != std::string::npos) {
                return "cell " + std::to_string(i + 1) +
                       " holds a quote but does not begin with one (quote the whole cell)";
            }
            cells.push_back(trim(field));
        }
    }
    return std::nullopt;
}

}  // namespace

ImportOutcome importCatalogueCsv(std::string_view csvText, const std::string& csvName,
                                 const std::filesystem::path& dataDir, bool replace) {
    ImportOutcome outcome;
    auto problem = [&](std::size_t line, std::string message) {
        outcome.problems.push_back(
            {csvName, line > 0 ? "line " + std::to_string(line) : "", std::move(message)});
    };

    // The names the data directory's own files take, in any letter case.
    const std::set<std::string> reservedFiles = {lowerCase(kIndexFileName),
                                                 lowerCase(kSavedInputsFileName)};
    const std::size_t nameLimit = maxLineTypeNameBytes(dataDir);

    std::vector<ImportedType> types;
    std::map<std::string, std::size_t> byName;
    bool firstRow = true;
    CsvReader reader(csvText);
    reader.skipByteOrderMark();
    std::vector<std::string> fields, cellStore;
    std::size_t count = 0;
    while (reader.next(fields, count)) {
        const std::size_t lineNo = reader.recordLine();
        if (reader.unterminated()) {
            problem(lineNo, "a quoted cell is not closed");
            break;
        }
        // Blank lines and comments.
        if (count == 1 && !reader.quoted(0) && trim(fields[0]).empty()) continue;
        if (!reader.quoted(0) && trim(fields[0]).rfind('#', 0) == 0) continue;
        if (auto bad = cellsOf(reader, fields, count, cellStore)) {
            problem(lineNo, *bad);
            continue;
        }
        const std::vector<std::string>& cells = cellStore;
        if (firstRow) {
            firstRow = false;
            if (lowerCase(cells[0]) == "name") continue;
        }
        if (cells.size() != 5) {
            problem(lineNo,
                    "expected 5 cells (name, low GHz, high GHz, frequency GHz, "
                    "attenuation dB per 100 ft), found " +
                        std::to_string(cells.size()));
            continue;
        }
        const std::string& name = cells[0];
        if (!isSafeLineTypeName(name)) {
            problem(lineNo,
                    "unsafe line-type name " + quoteText(name) +
                        " (empty, or holding \"/\", \"\\\", \"..\" or a control character)");
            continue;
        }
        if (!fitsLatin1(name)) {
            problem(lineNo,
                    "line-type name " + quoteText(name) + " has characters outside Latin-1");
            continue;
        }
        const std::string fileName = attenuationFilePath({}, name).filename().string();
        if (reservedFiles.count(lowerCase(fileName)) != 0) {
            problem(lineNo,
                    "line-type name " + quoteText(name) + " would make its table " + fileName +
                        ", which is taken by the data directory's own " +
                        (lowerCase(fileName) == lowerCase(kIndexFileName) ? kIndexFileName
                                                                          : kSavedInputsFileName));
            continue;
        }
        if (name.size() > nameLimit) {
            problem(lineNo, "line-type name is " + std::to_string(name.size()) +
                                " bytes long; with \"" + std::string(kAttenuationFileSuffix) +
                                "\" its file name must fit " +
                                std::to_string(nameLimit + kAttenuationFileSuffix.size()) +
                                " bytes, so at most " + std::to_string(nameLimit));
            continue;
        }
        const char* labels[] = {"low frequency", "high frequency", "frequency", "attenuation"};
        double values[4] = {};
        bool bad = false;
        for (int c = 0; c < 4; ++c) {
            const std::string& text = cells[static_cast<std::size_t>(c + 1)];
            auto value = numberCell(text);
            if (!value) {
                problem(lineNo,
                        std::string(labels[c]) + " " + quoteText(text) + refusal(*value.error));
                bad = true;
            } else {
                values[c] = *value;
            }
        }
        if (bad) continue;
        const double low = values[0], high = values[1], freq = values[2], att = values[3];
        if (low <= 0) {
            problem(lineNo, "low frequency must be above 0 GHz");
            continue;
        }
        if (low > high) {
            problem(lineNo, "low frequency is above high frequency");
            continue;
        }
        if (att < 0) problem(lineNo, "attenuation " + cells[4] + " is negative");

        auto found = byName.find(name);
        if (found == byName.end()) {
            found = byName.emplace(name, types.size()).first;
            ImportedType t;
            t.name = name;
            t.lowText = cells[1];
            t.highText = cells[2];
            t.low = low;
            t.high = high;
            t.firstLine = static_cast<int>(lineNo);
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
        t.points.push_back({cells[3], cells[4]});
        t.frequencies.push_back(freq);
    }
    if (types.empty() && outcome.problems.empty()) problem(0, "no line types found");

    for (const ImportedType& t : types) {
        if (t.points.empty() || t.refused) continue;
        if (!tableCoversBand(t.frequencies.front(), t.frequencies.back(), narrowToSingle(t.low),
                             narrowToSingle(t.high))) {
            problem(static_cast<std::size_t>(t.firstLine),
                    "the points of " + quoteText(t.name) + " (" + t.points.front().frequencyText +
                        " to " + t.points.back().frequencyText + " GHz) do not cover its band " +
                        t.lowText + " to " + t.highText + " GHz (as held in single precision)");
        }
    }

    // The new index: the existing one with these types merged in, or these types alone.
    std::vector<IndexRecord> index;
    const std::filesystem::path indexFile = dataDir / kIndexFileName;
    if (!replace) {
        struct stat st {};
        if (::lstat(indexFile.c_str(), &st) == 0) {
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

    // Every new file is written beside its target first; only when all are ready are they
    // renamed into place, the tables before the index that names them.
    std::vector<StagedFile> staged;
    auto stage = [&](const std::filesystem::path& file, const std::string& bytes) {
        auto ready = StagedFile::stage(file, bytes);
        if (!ready) {
            outcome.problems.push_back({displayPath(file), "", describe(*ready.error)});
            return false;
        }
        staged.push_back(std::move(*ready.value));
        return true;
    };
    for (const ImportedType& t : types) {
        if (!stage(attenuationFilePath(dataDir, t.name), encodeAttenuationFile(t.points)))
            return outcome;
    }
    if (!stage(indexFile, encodeIndexFile(index))) return outcome;
    for (StagedFile& file : staged) {
        if (auto error = file.commit()) {
            outcome.problems.push_back({displayPath(file.file()), "", describe(*error)});
            return outcome;
        }
        outcome.written.push_back(displayPath(file.file()));
    }
    return outcome;
}

}  // namespace hopscale
