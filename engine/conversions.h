// Text <-> number conversions shared by every screen, file and command.
//
// Strict readers (textToDouble, textToSingle, textToInteger, textToLong) accept, after
// dropping leading and trailing blanks (spaces), exactly:
//     [sign] digits-with-at-most-one-point [exponent]
//   sign      "+" or "-"
//   digits    at least one decimal digit in all, "." as the only separator (".5", "5." ok)
//   exponent  "E", "e", "D" or "d", then an optional sign, then at least one digit
// Accepted: "2.5", " 2.5 ", "1e3", "-.5", "+7", "1.5D-2".
// Rejected (type mismatch): "", "   ", "two", "1,000", "$5", "(5)", "0x10", "1.5.3", "1e", "5 GHz".
// A magnitude beyond the target type's range is an overflow; a value too small for the type
// becomes 0 (or the nearest subnormal).
//
// The lenient reader textLeadingValue never fails: see below.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "errors.h"

namespace hopscale {

// Strict readers. On failure they return an Error of kind TypeMismatch or Overflow with
// `text` set to the offending text and `field` set to `field` when given.
Result<double> textToDouble(std::string_view text, std::optional<Field> field = {});
Result<float> textToSingle(std::string_view text, std::optional<Field> field = {});
// Rounds to the nearest whole number, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2);
// outside -32768..32767 is an overflow.
Result<std::int16_t> textToInteger(std::string_view text, std::optional<Field> field = {});
// As textToInteger with a 32-bit range.
Result<std::int32_t> textToLong(std::string_view text, std::optional<Field> field = {});

// Lenient reader: removes every blank, tab and line feed, then converts the longest leading
// part that forms a number ([sign] digits with at most one "." [exponent]); 0 when there is
// none. "41 25 30" -> 412530, "12abc" -> 12, "1.5.3" -> 1.5, "abc" -> 0, "" -> 0.
// A magnitude beyond the double range gives +-infinity; callers that store it check.
double textLeadingValue(std::string_view text);

// Writers. One format for every number the program shows: std::to_chars's general format
// (printf's %G) correctly rounded from the exact binary value, with the exponent letter in
// upper case, "0" for either zero, and "NaN", "Infinity", "-Infinity".
//
// At most 7 significant digits, no trailing zeros, "-" for negatives but "0" for -0,
// exponent form (1.234568E+07, 1E-05) when the decimal exponent is below -4 or at least 7.
std::string singleToText(float value);
// The same with at most 15 significant digits and the exponent form from 1E+15 on.
std::string doubleToText(double value);
// The room a number's text needs at most ("-2.22507385850720E-308" is 22 characters).
inline constexpr std::size_t kNumberTextCapacity = 32;
// singleToText and doubleToText written into `first` (kNumberTextCapacity characters of
// room); return the end of the text. No allocation: the batch's hot path.
char* writeSingleText(char* first, float value);
char* writeDoubleText(char* first, double value);
// Appends singleToText(value) to `out`.
void appendSingleText(std::string& out, float value);
std::string integerToText(long long value);
// As singleToText, but a value that is not negative gets one leading blank and a magnitude
// below 1 has no "0" before its point: " 1.1", " .68", "-.5", " 0".
std::string signedSingleToText(float value);

// The smallest magnitude that rounds to infinity in single precision: 2^128 - 2^103, halfway
// between the largest single (2^128 - 2^104 = 3.4028235E+38) and 2^128. Every magnitude below
// it rounds to a finite single (at most the largest one); from it on, to infinity.
inline constexpr double kSingleOverflowThreshold = 0x1p128 - 0x1p103;

// Rounds a double to single precision, or reports an overflow when the magnitude is at least
// kSingleOverflowThreshold. NaN is reported as an invalid argument.
Result<float> toSingle(double value, std::optional<Field> field = {});

// `text` without the characters of `blanks` at either end (by default blanks and tabs).
std::string_view trimmed(std::string_view text, std::string_view blanks = " \t");

}  // namespace hopscale
