// Writing catalogue files, importing them from a readable CSV, and checking a data
// directory. Used by the `catalogue` command; plain C++, no Qt.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue.h"
#include "data_file.h"
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
using CatalogueProblem = FileProblem;

// Reads the catalogue files of the data directory and reports each problem: an index
// record with an unsafe name, a bound that is not a number, a low bound that reads as 0 (it
// hides that line type and every later one from the offer), low above high, more than 100
// records, a missing attenuation file; a table text that is not a number, frequencies not
// strictly increasing, a band not covered by its table, a file that ends inside a counted
// text; a file that is not a regular file. Empty when everything is sound. (The saved
// inputs are checked by checkSavedInputsFile, saved_inputs.h.)
std::vector<CatalogueProblem> checkDataDir(const std::filesystem::path& dataDir);

// Whether the points first..last of a table cover the band low..high in the precision the
// offer works in: the offer holds the bounds in single precision, so the points are
// compared as singles too ("8.2" covers a band starting at 8.2).
bool tableCoversBand(double first, double last, float low, float high);

// The longest line-type name, in UTF-8 bytes, whose attenuation file name fits the file
// system of `dataDir` (255 bytes when it cannot be asked).
std::size_t maxLineTypeNameBytes(const std::filesystem::path& dataDir);

struct ImportOutcome {
    // Non-empty: the import failed. Nothing was written then, unless renaming the files
    // into place failed part way, when `written` names those already replaced.
    std::vector<CatalogueProblem> problems;
    std::vector<std::string> written;  // the files written, in order
    int lineTypes = 0;                 // line types in the new index
};

// Imports line types from CSV text (RFC 4180, quoted line breaks allowed, a UTF-8 byte-order
// mark and CR, LF or CR LF line ends; one row per table point: name, low GHz, high GHz,
// frequency GHz, attenuation dB per 100 ft; an optional header row starting with "name";
// blank lines and lines starting with "#" are skipped; spaces around unquoted cells are
// ignored). Rows of one name must carry the same band and strictly increasing frequencies.
// A name must be safe as a file name, fit Latin-1 and the file system's name limit, and
// its file must not be the index's or the saved inputs' in any letter case. Every row is
// checked, and every new file written beside its target, before any file is replaced; on
// any problem nothing is touched. When `replace` is false the line types are merged into
// the existing index (a name already there is replaced in place, new names are appended);
// when true the index holds only the imported types. The files are then renamed into place
// together, the attenuation files first and the index last.
ImportOutcome importCatalogueCsv(std::string_view csvText, const std::string& csvName,
                                 const std::filesystem::path& dataDir, bool replace);

}  // namespace hopscale
