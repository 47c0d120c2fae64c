// The one CSV reader of the program: RFC 4180 records from a stream or from text in memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace hopscale {

// Streaming RFC 4180 reader. Each record's fields are written into a reused vector of strings
// so that steady-state reading allocates nothing. Deviations from the RFC are read leniently:
// a quote inside an unquoted field and text after a closing quote are kept literally; a lone
// CR also ends a line.
class CsvReader {
  public:
    // Reads from a stream through a buffer of `bufferBytes` (at least 1).
    CsvReader(std::FILE* in, std::size_t bufferBytes)
        : in_(in), buffer_(std::max<std::size_t>(bufferBytes, 1)) {}
    // Reads from text held in memory; the text must outlive the reader.
    explicit CsvReader(std::string_view text) : in_(nullptr), text_(text) {}

    // Limits on one record, so that no input can make a record grow without bound: at most
    // `maxBytes` bytes of field text and `maxFields` fields. A record beyond either is
    // oversized(): its fields hold only what fitted. With `skipRest` the rest of the record
    // is read and dropped, so that the next record starts where it should; without it the
    // record is handed out at once, the rest of it not read (for a caller that stops there).
    void setLimits(std::size_t maxBytes, std::size_t maxFields, bool skipRest) {
        maxBytes_ = maxBytes;
        maxFields_ = std::max<std::size_t>(maxFields, 1);
        skipRest_ = skipRest;
    }
    bool oversized() const { return oversized_; }

    // Reads the next record; false at the end of the input. fields[0..count) hold it.
    bool next(std::vector<std::string>& fields, std::size_t& count) {
        count = 0;
        recordLine_ = line_;
        unterminated_ = false;
        firstQuoted_ = false;
        oversized_ = false;
        room_ = maxBytes_;
        int c = get();
        if (c == kEnd) return false;
        for (;;) {
            if (count == maxFields_) {
                // Further fields are read into the last one, which is dropped.
                oversized_ = true;
                if (!skipRest_) return true;
                --count;
            }
            if (count == fields.size()) fields.emplace_back();
            if (count == quotedEnds_.size()) quotedEnds_.push_back(kUnquoted);
            std::size_t& quotedEnd = quotedEnds_[count];
            quotedEnd = kUnquoted;
            std::string& field = fields[count++];
            field.clear();
            if (c == '"') {
                if (count == 1) firstQuoted_ = true;
                for (;;) {
                    appendQuotedRun(field);
                    if (oversized_ && !skipRest_) return true;
                    c = get();
                    if (c == kEnd) {
                        unterminated_ = true;
                        quotedEnd = field.size();
                        return true;
                    }
                    // c is a quote: doubled, or the closing one.
                    c = get();
                    if (c != '"') break;
                    keep(field, '"');
                }
                quotedEnd = field.size();
            }
            // Unquoted text, or text after a closing quote (kept literally).
            if (c != ',' && c != '\n' && c != '\r' && c != kEnd) {
                keep(field, static_cast<char>(c));
                appendPlainRun(field);
                if (oversized_ && !skipRest_) return true;
                c = get();
            }
            if (c == ',') {
                c = get();
                continue;
            }
            if (c == '\r') {
                const int following = get();
                if (following != '\n' && following != kEnd) unget();
            }
            if (c != kEnd) ++line_;
            return true;
        }
    }

    // Skips a UTF-8 byte order mark at the very start of the input.
    void skipByteOrderMark() {
        if (pos_ == 0 && size_ == 0 && refill() && size_ >= 3 &&
            std::memcmp(data(), "\xEF\xBB\xBF", 3) == 0) {
            pos_ = 3;
        }
    }

    std::size_t recordLine() const { return recordLine_; }  // 1-based line where it began
    bool unterminated() const { return unterminated_; }     // ended inside quotes
    bool firstQuoted() const { return firstQuoted_; }
    // Whether field i of the last record began with a quote, and where its quoted text ended
    // (what follows is text kept literally after the closing quote).
    bool quoted(std::size_t i) const {
        return i < quotedEnds_.size() && quotedEnds_[i] != kUnquoted;
    }
    std::size_t quotedEnd(std::size_t i) const { return quotedEnds_[i]; }
    bool readError() const { return in_ != nullptr && std::ferror(in_) != 0; }

  private:
    static constexpr int kEnd = -1;
    static constexpr std::size_t kUnquoted = static_cast<std::size_t>(-1);

    // Appends text to a field while the record has room for it; beyond, the record is
    // oversized and the text dropped.
    void keep(std::string& field, const char* begin, std::size_t size) {
        if (size <= room_) {
            field.append(begin, size);
            room_ -= size;
        } else {
            oversized_ = true;
            room_ = 0;
        }
    }
    void keep(std::string& field, char c) { keep(field, &c, 1); }

    // Appends the characters up to (not including) the next comma, CR or LF, or the end of
    // the input, leaving that character unread.
    void appendPlainRun(std::string& field) {
        for (;;) {
            if (pos_ == size_ && !refill()) return;
            const char* begin = data() + pos_;
            const char* end = data() + size_;
            const char* p = begin;
            while (p != end && *p != ',' && *p != '\n' && *p != '\r') ++p;
            keep(field, begin, static_cast<std::size_t>(p - begin));
            pos_ += static_cast<std::size_t>(p - begin);
            if (oversized_ && !skipRest_) return;
            if (p != end) return;
        }
    }
    // Appends the characters up to (not including) the next quote, counting line breaks,
    // leaving the quote unread.
    void appendQuotedRun(std::string& field) {
        for (;;) {
            if (pos_ == size_ && !refill()) return;
            const char* begin = data() + pos_;
            const char* end = data() + size_;
            const char* p = begin;
            while (p != end && *p != '"') {
                if (*p == '\n') ++line_;
                ++p;
            }
            keep(field, begin, static_cast<std::size_t>(p - begin));
            pos_ += static_cast<std::size_t>(p - begin);
            if (oversized_ && !skipRest_) return;
            if (p != end) return;
        }
    }

    int get() {
        if (pos_ == size_ && !refill()) return kEnd;
        return static_cast<unsigned char>(data()[pos_++]);
    }
    void unget() { --pos_; }
    // Text in memory is one buffer handed out once; a stream is read in buffer-sized pieces.
    bool refill() {
        if (in_ == nullptr) {
            if (textGiven_) return false;
            textGiven_ = true;
            size_ = text_.size();
        } else {
            size_ = std::fread(buffer_.data(), 1, buffer_.size(), in_);
        }
        pos_ = 0;
        return size_ > 0;
    }
    const char* data() const { return in_ == nullptr ? text_.data() : buffer_.data(); }

    std::FILE* in_;
    std::string_view text_;
    bool textGiven_ = false;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
    std::size_t line_ = 1;
    std::size_t recordLine_ = 1;
    bool unterminated_ = false;
    bool firstQuoted_ = false;
    std::vector<std::size_t> quotedEnds_;
    std::size_t maxBytes_ = static_cast<std::size_t>(-1);
    std::size_t maxFields_ = static_cast<std::size_t>(-1);
    bool skipRest_ = true;
    std::size_t room_ = static_cast<std::size_t>(-1);  // bytes the record may still take
    bool oversized_ = false;
};

}  // namespace hopscale
