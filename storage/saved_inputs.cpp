#include "saved_inputs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <utility>

#include "conversions.h"
#include "data_file.h"
#include "file_names.h"

namespace hopscale {

namespace {

static_assert(kSavedInputsMaxBytes == kSavedInputsFixedBytes + 2 * kMaxCountedTextBytes);

// The fixed-width fields in file order: the record's layout, shared by the writer and the
// reader (the texts and integers after them follow in encodeSavedInputs/decodeSavedInputs).
constexpr float SavedInputsRecord::*kSingleFields[] = {
    &SavedInputsRecord::txDishDiameter,  &SavedInputsRecord::txLineLossPer100Ft,
    &SavedInputsRecord::rxDishDiameter,  &SavedInputsRecord::rxLineLossPer100Ft,
    &SavedInputsRecord::frequencyGHz,    &SavedInputsRecord::fadeMargin,
    &SavedInputsRecord::milesCheckValue, &SavedInputsRecord::txLineLength,
    &SavedInputsRecord::rxLineLength,    &SavedInputsRecord::earthFactor,
    &SavedInputsRecord::kmCheckValue,    &SavedInputsRecord::pathLength,
    &SavedInputsRecord::txPower,         &SavedInputsRecord::preampGain,
};
constexpr std::int32_t SavedInputsRecord::*kLongFields[] = {
    &SavedInputsRecord::fromLatitude,
    &SavedInputsRecord::fromLongitude,
    &SavedInputsRecord::toLatitude,
    &SavedInputsRecord::toLongitude,
};
static_assert(std::size(kSingleFields) * 4 + std::size(kLongFields) * 4 + 2 * 2 ==
              kSavedInputsNameOffset);

void putU16(std::string& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8));
}

void putU32(std::string& out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((v >> shift) & 0xff));
}

void putSingle(std::string& out, float v) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    putU32(out, bits);
}

// Reads fixed-width little-endian values; any read past the end marks the reader failed.
class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
    bool failed() const { return failed_; }

    std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
    float single() {
        const std::uint32_t bits = u32();
        float v = 0;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    std::string counted() {
        const std::size_t n = u16();
        if (failed_ || bytes_.size() - pos_ < n) {
            failed_ = true;
            return {};
        }
        std::string text(bytes_.substr(pos_, n));
        pos_ += n;
        return text;
    }

  private:
    std::uint64_t take(int width) {
        if (failed_ || bytes_.size() - pos_ < static_cast<std::size_t>(width)) {
            failed_ = true;
            return 0;
        }
        std::uint64_t v = 0;
        for (int i = 0; i < width; ++i) {
            v |= static_cast<std::uint64_t>(
                     static_cast<unsigned char>(bytes_[pos_ + static_cast<std::size_t>(i)]))
                 << (8 * i);
        }
        pos_ += static_cast<std::size_t>(width);
        return v;
    }

    std::string_view bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

}  // namespace

std::string encodeSavedInputs(const SavedInputsRecord& r) {
    std::string out;
    out.reserve(kSavedInputsFixedBytes + r.pathName.size() + r.reserved3.size());
    for (const auto field : kSingleFields) putSingle(out, r.*field);
    for (const auto field : kLongFields) putU32(out, static_cast<std::uint32_t>(r.*field));
    putU16(out, static_cast<std::uint16_t>(r.dbmSelected));
    putU16(out, static_cast<std::uint16_t>(r.wattsSelected));
    appendCountedText(out, r.pathName);
    putU16(out, static_cast<std::uint16_t>(r.reserved1));
    putU16(out, static_cast<std::uint16_t>(r.reserved2));
    appendCountedText(out, r.reserved3);
    putU16(out, static_cast<std::uint16_t>(r.reserved4));
    return out;
}

std::optional<SavedInputsRecord> decodeSavedInputs(std::string_view bytes) {
    ByteReader in(bytes);
    SavedInputsRecord r;
    for (const auto field : kSingleFields) r.*field = in.single();
    for (const auto field : kLongFields) r.*field = static_cast<std::int32_t>(in.u32());
    r.dbmSelected = static_cast<std::int16_t>(in.u16());
    r.wattsSelected = static_cast<std::int16_t>(in.u16());
    r.pathName = in.counted();
    r.reserved1 = static_cast<std::int16_t>(in.u16());
    r.reserved2 = static_cast<std::int16_t>(in.u16());
    r.reserved3 = in.counted();
    r.reserved4 = static_cast<std::int16_t>(in.u16());
    if (in.failed()) return std::nullopt;
    return r;
}

namespace {

// A stored check-box value as the box state it sets: 1 checks, 0 unchecks, anything else
// (never written by this program) leaves the box alone.
std::optional<bool> checkState(float stored) {
    const double rounded = std::nearbyint(static_cast<double>(stored));  // halves to even
    if (rounded == 1) return true;
    if (rounded == 0) return false;
    return std::nullopt;
}

}  // namespace

namespace {

Error openError(const std::filesystem::path& file, int err) {
    return Error{ErrorKind::FileNotFound,
                 {},
                 displayPath(file),
                 {},
                 std::string("cannot be opened or created: ") + std::strerror(err)};
}

// Opens the saved-inputs file for reading and writing, creating it empty when there is
// none. A file that exists but may not be written (a read-only install) is opened for
// reading. Never blocks, and never creates a file through a dangling symbolic link: that
// gives -1 with errno EEXIST, and nothing to load.
int openForLoad(const std::filesystem::path& file) {
    const int flags = O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(file.c_str(), O_RDWR | flags);
    if (fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM || errno == ETXTBSY)) {
        fd = ::open(file.c_str(), O_RDONLY | flags);
    }
    if (fd < 0 && errno == ENOENT) {
        // O_EXCL refuses to follow a symbolic link, so a dangling one is left alone.
        fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_EXCL | flags, 0644);
    }
    return fd;
}

}  // namespace

Result<bool> loadSavedInputs(const std::filesystem::path& file, PathInputs& inputs,
                             std::int16_t& dbmSelected, std::int16_t& wattsSelected) {
    const int fd = openForLoad(file);
    if (fd < 0) {
        const int err = errno;
        struct stat st {};
        // A symbolic link to a file that does not exist (yet): nothing has been saved.
        if (err == EEXIST && ::lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) return false;
        return openError(file, err);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Error{ErrorKind::BadFile, {}, displayPath(file), {}, "not a regular file"};
    }
    auto bytes = readDescriptor(fd, file, kSavedInputsMaxBytes);
    ::close(fd);
    if (!bytes) return *bytes.error;
    const auto record = decodeSavedInputs(*bytes);
    // An empty or short file holds nothing to restore.
    if (!record) return false;
    return applySavedInputs(*record, inputs, dbmSelected, wattsSelected);
}

std::vector<FileProblem> checkSavedInputsFile(const std::filesystem::path& dataDir) {
    std::vector<FileProblem> problems;
    const std::filesystem::path saved = dataDir / kSavedInputsFileName;
    struct stat st {};
    if (::stat(saved.c_str(), &st) != 0) return problems;  // none yet (or a dangling link)
    auto bytes = readFilePrefix(saved, kSavedInputsMaxBytes);
    if (!bytes) {
        const Error& e = *bytes.error;
        problems.push_back(
            {displayPath(saved), "", e.detail.empty() ? kindName(e.kind) : e.detail});
    } else if (!bytes.value->empty() && !decodeSavedInputs(*bytes)) {
        problems.push_back(
            {displayPath(saved), "", "the file ends inside its record; nothing will be loaded"});
    }
    return problems;
}

bool applySavedInputs(const SavedInputsRecord& r, PathInputs& inputs, std::int16_t& dbmSelected,
                      std::int16_t& wattsSelected) {
    // A transmit dish of 0 (also what a zero-filled record holds) means nothing was saved.
    if (r.txDishDiameter == 0) return false;

    inputs[Field::Text1] = singleToText(r.txDishDiameter);
    inputs[Field::Text2] = singleToText(r.txLineLossPer100Ft);
    inputs[Field::Text3] = singleToText(r.rxDishDiameter);
    inputs[Field::Text8] = singleToText(r.rxLineLossPer100Ft);
    inputs[Field::Text10] = singleToText(r.frequencyGHz);
    inputs[Field::Text12] = singleToText(r.fadeMargin);
    // Miles and KM are a pair: setting one box sets the other to the opposite state.
    if (const auto miles = checkState(r.milesCheckValue)) inputs.km = !*miles;
    inputs[Field::Text16] = singleToText(r.txLineLength);
    inputs[Field::Text18] = singleToText(r.rxLineLength);
    inputs[Field::Text22] = singleToText(r.earthFactor);
    if (const auto km = checkState(r.kmCheckValue)) inputs.km = *km;
    inputs[Field::Text24] = singleToText(r.pathLength);
    inputs[Field::Text26] = singleToText(r.txPower);
    inputs[Field::Text4] = "0";
    inputs[Field::Text5] = integerToText(r.fromLatitude);
    inputs[Field::Text6] = integerToText(r.fromLongitude);
    inputs[Field::Text7] = integerToText(r.toLatitude);
    inputs[Field::Text9] = integerToText(r.toLongitude);
    dbmSelected = r.dbmSelected;
    wattsSelected = r.wattsSelected;
    inputs[Field::Text11] = latin1ToUtf8(r.pathName);
    // DBM and WATTS are a pair too; when neither flag is 1 the buttons stay as they are.
    if (dbmSelected == 1) inputs.watts = false;
    if (wattsSelected == 1) inputs.watts = true;
    return true;
}

namespace {

Result<float> strictSingle(const PathInputs& inputs, Field field) {
    return textToSingle(inputs[field], field);
}

// The coordinates are read as the calculation reads them: the leading number of the text,
// written as text and read back, here rounded to a whole number (halves to even).
Result<std::int32_t> lenientLong(const PathInputs& inputs, Field field) {
    const double value = textLeadingValue(inputs[field]);
    if (!std::isfinite(value)) {
        return Error{ErrorKind::Overflow, field, {}, inputs[field], "is out of range"};
    }
    return textToLong(doubleToText(value), field);
}

}  // namespace

Result<SavedInputsRecord> savedInputsFromFields(const PathInputs& inputs,
                                                const std::string& pathLengthText,
                                                std::int16_t dbmSelected,
                                                std::int16_t wattsSelected) {
    SavedInputsRecord r;
    const std::pair<Field, float*> singles[] = {
        {Field::Text1, &r.txDishDiameter}, {Field::Text2, &r.txLineLossPer100Ft},
        {Field::Text3, &r.rxDishDiameter}, {Field::Text8, &r.rxLineLossPer100Ft},
        {Field::Text10, &r.frequencyGHz},  {Field::Text12, &r.fadeMargin},
        {Field::Text16, &r.txLineLength},  {Field::Text18, &r.rxLineLength},
        {Field::Text22, &r.earthFactor},   {Field::Text26, &r.txPower},
        {Field::Text4, &r.preampGain},
    };
    for (const auto& [field, target] : singles) {
        auto value = strictSingle(inputs, field);
        if (!value) return *value.error;
        *target = *value;
    }
    if (inputs.km) {
        const double value = textLeadingValue(pathLengthText);
        auto length = toSingle(value, Field::Text24);
        if (!length) {
            Error e = *length.error;
            e.text = pathLengthText;
            return e;
        }
        r.pathLength = *length;
    } else {
        auto length = textToSingle(pathLengthText, Field::Text24);
        if (!length) return *length.error;
        r.pathLength = *length;
    }
    r.milesCheckValue = inputs.km ? 0.0f : 1.0f;
    r.kmCheckValue = inputs.km ? 1.0f : 0.0f;
    const std::pair<Field, std::int32_t*> longs[] = {
        {Field::Text5, &r.fromLatitude},
        {Field::Text6, &r.fromLongitude},
        {Field::Text7, &r.toLatitude},
        {Field::Text9, &r.toLongitude},
    };
    for (const auto& [field, target] : longs) {
        auto value = lenientLong(inputs, field);
        if (!value) return *value.error;
        *target = *value;
    }
    r.dbmSelected = dbmSelected;
    r.wattsSelected = wattsSelected;
    r.pathName = utf8ToLatin1(inputs[Field::Text11]);
    if (r.pathName.size() > kMaxCountedTextBytes) r.pathName.resize(kMaxCountedTextBytes);
    return r;
}

std::optional<Error> saveInputs(const std::filesystem::path& file, const PathInputs& inputs,
                                const std::string& pathLengthText, std::int16_t dbmSelected,
                                std::int16_t wattsSelected) {
    auto record = savedInputsFromFields(inputs, pathLengthText, dbmSelected, wattsSelected);
    if (!record) return *record.error;
    std::string bytes = encodeSavedInputs(*record);

    // Keep what lies beyond the new record in the old file (through a link, its target's).
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        auto old = readFilePrefix(file, SIZE_MAX);
        if (!old) return *old.error;
        if (old.value->size() > bytes.size()) bytes.append(*old.value, bytes.size());
    }
    return writeFileAtomically(file, bytes);
}

}  // namespace hopscale
