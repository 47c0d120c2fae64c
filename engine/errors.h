// Errors of the whole program: a small set of kinds, each carried as a value
// that names what went wrong and where (a field of the input screen or a file).
#pragma once

#include <optional>
#include <string>

#include "fields.h"

namespace hopscale {

enum class ErrorKind {
    TypeMismatch,       // a text that must be a number is not one
    Overflow,           // a number does not fit its type (single, integer, long, double)
    InvalidArgument,    // logarithm or square root of a value out of its domain
    DivisionByZero,     // a divisor of 0
    InvalidCoordinate,  // a packed coordinate that cannot be read as degrees
    FileNotFound,       // a data file that does not exist or cannot be opened
    BadFile,            // a data file whose contents cannot be read as intended
};

// Lower-case name of the kind, as written in JSON and CSV output:
// "type mismatch", "overflow", "invalid argument", "division by zero",
// "invalid coordinate", "file not found", "bad file".
const char* kindName(ErrorKind kind);

struct Error {
    ErrorKind kind = ErrorKind::TypeMismatch;
    std::optional<Field> field;  // the input field that caused it, when one did
    std::string file;            // the file concerned, when one is
    std::string text;            // the offending text, when there is one
    std::string detail;          // a short explanation ("is not a number", "not given")
    std::string input;           // any other named input that caused it ("Receiver threshold")
    // For a computed value that failed: the calculation step ("step 31 (power into the dish
    // in watts)") and the input field whose value led there, when no field was being read.
    std::string step;
    std::optional<Field> origin;
    // The stable name of the input in a link design ("sites[1].dish", "conditions.rain-zone"),
    // when the error arose while evaluating one; captions are built from it only when shown.
    std::string key;

    // One readable sentence naming the kind and the field (by its words, fieldName), the
    // step and the input that led there, the input or the file, for example:
    //   Type mismatch in "Enter Frequency in GHz": "abc" is not a number
    //   Overflow at step 31 (power into the dish in watts), from "Transmitter Power": ...
    std::string message() const;

    // The usual errors, named: an input (by its words) whose text is wrong, and a file.
    static Error invalidArgument(std::string input, std::string text, std::string detail);
    static Error badFile(std::string file, std::string detail, std::string text = {});
    static Error fileNotFound(std::string file, std::string detail = {});
};

// A value or an error.
template <class T>
struct Result {
    std::optional<T> value;
    std::optional<Error> error;

    Result(T v) : value(std::move(v)) {}  // NOLINT: implicit by design
    // A value built in place, for results too large to move cheaply.
    template <class... Args>
    explicit Result(std::in_place_t, Args&&... args)
        : value(std::in_place, std::forward<Args>(args)...) {}
    Result(Error e) : error(std::move(e)) {}  // NOLINT: implicit by design
    bool ok() const { return value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T& operator*() const { return *value; }
};

}  // namespace hopscale
