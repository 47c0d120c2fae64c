// The two input files of `hopscale network`: the sites and the links of a network, read into
// plain records of texts that a link's design is filled from by key.
//
// SITES.csv: a `site` column (a unique name) and site keys (lat, lon, ground-elevation,
// antenna-height, dish, ...); `lat` and `lon` are required columns.
// LINKS.csv: `name`, `from`, `to` (site names) and the link's own keys: path keys (freq, k,
// fade-margin, length, km), link condition keys (the names of the condition table:
// rain-zone, polarisation, ...; threshold, ground and antenna heights are site keys), profile
// keys (profile, dem, criteria, ...), and site keys prefixed `from-` or `to-`, which override
// that end's site value for this link. An empty cell gives no value.
//
// A header with an unknown, repeated or missing column stops the run before any link is
// evaluated (a usage error naming the file and the column). A problem of one row (a site not
// in SITES.csv, a site named twice, a required value left empty, a line that cannot be read)
// is that link's error; the other links are read on. Values are kept as typed: the design
// layer reads and checks them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "csv_reader.h"
#include "errors.h"

namespace hopscale::cli {

// Key -> text as typed, for one group of keys.
using KeyTexts = std::map<std::string, std::string, std::less<>>;

// The keys of each group (the design layer's), in the order help texts list them.
const std::vector<std::string>& siteKeys();       // lat, lon, ground-elevation, ... (no name)
const std::vector<std::string>& pathKeys();       // freq, k, fade-margin, length, km
const std::vector<std::string>& conditionKeys();  // polarisation, rain-zone, ... (not per site)
const std::vector<std::string>& profileKeys();    // profile, dem, criteria, ...

// A problem that stops the run before any link is evaluated.
struct InputsError {
    Error error;
    bool usage = false;        // a header problem (exit status 2); otherwise a file problem (1)
    std::string text() const;  // "links.csv: unknown column "colour"" and the like
};

// One site of SITES.csv, or why its line could not be taken.
struct SiteRecord {
    std::string name;
    std::size_t line = 0;                // where its row begins in SITES.csv
    KeyTexts keys;                       // the site keys its row gives
    std::optional<std::string> problem;  // the row cannot be used: why
};

// The sites of SITES.csv by name. A name given twice is kept as a problem of that name.
class SiteTable {
  public:
    // Reads the whole file (`name` is the file name messages use).
    static std::optional<InputsError> read(const std::string& path, SiteTable& table);
    static std::optional<InputsError> readText(std::string_view text, const std::string& name,
                                               SiteTable& table);

    // The site of `name`; null when there is none.
    const SiteRecord* find(std::string_view name) const;
    const std::string& fileName() const { return fileName_; }
    std::size_t size() const { return sites_.size(); }
    // Every site in the order of the file (a repeated name once, at its first line).
    const std::vector<SiteRecord>& sites() const { return sites_; }
    // Lines that could not be read at all (no name could be taken from them).
    const std::vector<std::size_t>& unreadableLines() const { return unreadableLines_; }

  private:
    std::optional<InputsError> readFrom(CsvReader& reader);

    std::string fileName_;
    std::vector<SiteRecord> sites_;
    std::unordered_map<std::string, std::size_t> byName_;
    std::vector<std::size_t> unreadableLines_;
};

// One link of LINKS.csv with both ends resolved: every group of keys the design is filled
// from. When `problem` is set the link cannot be evaluated; the names are still given as far
// as they could be read.
struct LinkRecord {
    std::size_t line = 0;  // where its row begins in LINKS.csv
    std::string name;
    std::string from;  // site names
    std::string to;
    KeyTexts path;
    KeyTexts conditions;
    KeyTexts profile;
    KeyTexts fromEnd;  // the site's keys, then the row's from- keys over them
    KeyTexts toEnd;
    std::optional<Error> problem;
};

// Reads LINKS.csv row by row against a site table, so that a network of any size is read in
// constant memory.
class LinkReader {
  public:
    // `sites` must outlive the reader.
    explicit LinkReader(const SiteTable& sites);
    ~LinkReader();
    LinkReader(const LinkReader&) = delete;
    LinkReader& operator=(const LinkReader&) = delete;

    // Opens the file (or takes the text, which must outlive the reader) and reads its
    // header.
    std::optional<InputsError> open(const std::string& path);
    std::optional<InputsError> openText(std::string_view text, const std::string& name);

    // The next link; false at the end of the file. Empty lines are skipped.
    bool next(LinkRecord& link);
    // Whether reading the file failed (an input error; the links read so far are good).
    bool readError() const;

  private:
    std::optional<InputsError> readHeader();
    void resolve(LinkRecord& link) const;

    // What one column sets.
    struct Column {
        enum class Group { Name, From, To, Path, Condition, Profile, FromEnd, ToEnd } group;
        std::string key;  // the key within its group (without from-/to-)
    };

    const SiteTable& sites_;
    std::string fileName_;
    std::FILE* file_ = nullptr;
    std::unique_ptr<CsvReader> reader_;
    std::vector<Column> columns_;
    std::vector<std::string> fields_;
};

}  // namespace hopscale::cli
