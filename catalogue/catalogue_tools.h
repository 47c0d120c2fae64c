// Writing catalogue files, importing them from a readable CSV, and checking a data
// directory. Used by the `catalogue` command; plain C++, no Qt.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "errors.h"

namespace hopscale {

// One record of the index file, texts as stored (Latin-1 bytes).
struct IndexRecord {
    std::string name, lowText, highText, reserved;
};

// One point of an attenuation table, texts as stored.
struct TablePoint {
    std::string frequencyText, attenuationText;
};

// The bytes of an index file: the records, then an all-empty terminating record.
std::string encodeIndexFile(const std::vector<IndexRecord>& records);
// The bytes of an attenuation file: 101 frequency texts (index 0 empty, then the points,
// then empty texts), then 101 attenuation texts laid out alike. At most 100 points.
std::string encodeAttenuationFile(const std::vector<TablePoint>& points);

// The records of an index file as the reader sees them (at most 100, up to the first empty
// name or the end of the file).
Result<std::vector<IndexRecord>> readIndexRecords(const std::filesystem::path& indexFile);

// One problem found by checkDataDir or importCatalogueCsv.
struct CatalogueProblem {
    std::string file;     // the file concerned
    std::string where;    // "record 3", "point 12", "line 7"; may be empty
    std::string message;  // what is wrong
    std::string text() const;  // "file: where: message"
};

// Reads every file of the data directory and reports each problem: an index record with
// an unsafe name, a bound that is not a number, a low bound of 0 (it hides the records after
// it), low above high, more than 100 records, a missing attenuation file; a table text that
// is not a number, frequencies not strictly increasing, a band not covered by its table, a
// file that ends inside a counted text; a saved-inputs file that ends inside its record.
// Empty when everything is sound.
std::vector<CatalogueProblem> checkDataDir(const std::filesystem::path& dataDir);

struct ImportOutcome {
    std::vector<CatalogueProblem> problems;  // non-empty: nothing was written
    std::vector<std::string> written;        // the files written, in order
    int lineTypes = 0;                       // line types in the new index
};

// Imports line types from CSV text (one row per table point: name, low GHz, high GHz,
// frequency GHz, attenuation dB per 100 ft; an optional header row starting with "name";
// blank lines and lines starting with "#" are skipped). Rows of one name must carry the same
// band and strictly increasing frequencies. Every row is checked before anything is
// written; on any problem nothing is touched. When `replace` is false the line types are
// merged into the existing index (a name already there is replaced in place, new names are
// appended); when true the index holds only the imported types. The attenuation files are
// written first and the index last, each through a temporary file and a rename.
ImportOutcome importCatalogueCsv(std::string_view csvText, const std::string& csvName,
                                 const std::filesystem::path& dataDir, bool replace);

}  // namespace hopscale
