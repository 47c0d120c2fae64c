#include "conversions.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>
#include <type_traits>

namespace hopscale {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The parts of a decimal number found at the start of a text.
struct Scanned {
    std::size_t length = 0;  // characters consumed; 0 when there is no number
    bool negative = false;
    std::string_view mantissa;  // digits and at most one ".", no sign
    std::string_view exponent;  // optional sign and digits, without the letter; may be empty
};

// Scans [sign] digits-with-at-most-one-point [E|D [sign] digits] from the start of `s`.
// The exponent is taken only when at least one digit follows its letter.
Scanned scanNumber(std::string_view s) {
    Scanned out;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        out.negative = s[i] == '-';
        ++i;
    }
    const std::size_t mantissaStart = i;
    std::size_t digits = 0;
    bool point = false;
    while (i < s.size()) {
        if (isDigit(s[i])) {
            ++digits;
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
        ++i;
    }
    if (digits == 0) return {};
    out.mantissa = s.substr(mantissaStart, i - mantissaStart);
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        std::size_t expDigits = j;
        while (expDigits < s.size() && isDigit(s[expDigits])) ++expDigits;
        if (expDigits > j) {
            out.exponent = s.substr(i + 1, expDigits - (i + 1));
            i = expDigits;
        }
    }
    out.length = i;
    return out;
}

// Decimal exponent of the leading significant digit of a scanned number (the value lies in
// [10^e, 10^(e+1))), saturated; nullopt when every digit is 0.
std::optional<long long> magnitudeOf(const Scanned& n) {
    long long position = 0;  // exponent of the digit being looked at
    const auto point = n.mantissa.find('.');
    const std::string_view intPart = n.mantissa.substr(0, point);
    position = static_cast<long long>(intPart.size()) - 1;
    std::optional<long long> lead;
    for (char c : n.mantissa) {
        if (c == '.') continue;
        if (c != '0') {
            lead = position;
            break;
        }
        --position;
    }
    if (!lead) return std::nullopt;
    long long e = 0;
    bool negative = false;
    for (char c : n.exponent) {
        if (c == '-') {
            negative = true;
        } else if (isDigit(c)) {
            e = std::min<long long>(e * 10 + (c - '0'), 1'000'000'000LL);
        }
    }
    return *lead + (negative ? -e : e);
}

enum class Parse { Ok, Overflow };

// Converts a scanned number to T with correct rounding. Underflow gives a signed zero.
// Short numbers convert exactly without the general routine: a mantissa of at most 15 (7)
// digits is exact in double (single), and so is a power of ten up to 1e22 (1e10); one
// correctly rounded multiplication or division of two exact values is the correctly rounded
// result.
template <class T>
bool convertShort(const Scanned& n, T& out) {
    constexpr int kMaxDigits = std::is_same_v<T, float> ? 7 : 15;
    constexpr int kMaxPower = std::is_same_v<T, float> ? 10 : 22;
    static constexpr T kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::uint64_t mantissa = 0;
    int digits = 0;
    int exponent = 0;
    bool afterPoint = false;
    for (char c : n.mantissa) {
        if (c == '.') {
            afterPoint = true;
            continue;
        }
        if (mantissa == 0 && c == '0') {
            if (afterPoint) --exponent;
            continue;
        }
        if (++digits > kMaxDigits) return false;
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        if (afterPoint) --exponent;
    }
    if (!n.exponent.empty()) {
        std::size_t i = 0;
        bool negative = false;
        if (n.exponent[0] == '+' || n.exponent[0] == '-') {
            negative = n.exponent[0] == '-';
            i = 1;
        }
        int e = 0;
        for (; i < n.exponent.size(); ++i) {
            e = e * 10 + (n.exponent[i] - '0');
            if (e > 100) return false;
        }
        exponent += negative ? -e : e;
    }
    T value = 0;
    if (mantissa != 0) {
        if (exponent < -kMaxPower || exponent > kMaxPower) return false;
        const T m = static_cast<T>(mantissa);
        value = exponent < 0 ? m / kPowers[-exponent] : m * kPowers[exponent];
    }
    out = n.negative ? -value : value;
    return true;
}

template <class T>
Parse convert(const Scanned& n, T& out) {
    if (convertShort(n, out)) return Parse::Ok;
    // from_chars takes no leading "+" and no "D" exponent: copy into that form on the stack.
    char stack[64];
    std::string heap;
    char* buf = stack;
    const std::size_t needed = n.mantissa.size() + n.exponent.size() + 2;
    if (needed > sizeof stack) {
        heap.resize(needed);
        buf = heap.data();
    }
    std::size_t len = 0;
    if (n.negative) buf[len++] = '-';
    n.mantissa.copy(buf + len, n.mantissa.size());
    len += n.mantissa.size();
    if (!n.exponent.empty()) {
        buf[len++] = 'e';
        const std::string_view e = n.exponent[0] == '+' ? n.exponent.substr(1) : n.exponent;
        e.copy(buf + len, e.size());
        len += e.size();
    }
    const auto res = std::from_chars(buf, buf + len, out, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        const auto magnitude = magnitudeOf(n);
        if (magnitude && *magnitude > 0) return Parse::Overflow;
        out = n.negative ? -T(0) : T(0);
        return Parse::Ok;
    }
    if (res.ec != std::errc() || std::isinf(out)) return Parse::Overflow;
    return Parse::Ok;
}

std::string_view trimBlanks(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

Error conversionError(ErrorKind kind, std::string_view text, std::optional<Field> field,
                      const char* detail) {
    Error e;
    e.kind = kind;
    e.field = field;
    e.text = std::string(text);
    e.detail = detail;
    return e;
}

template <class T>
Result<T> strictRead(std::string_view text, std::optional<Field> field, const char* range) {
    const std::string_view body = trimBlanks(text);
    const Scanned n = scanNumber(body);
    if (n.length == 0 || n.length != body.size()) {
        if (body.empty()) {
            Error e = conversionError(ErrorKind::TypeMismatch, text, field, "");
            e.detail = "the field is empty";
            e.text.clear();
            return e;
        }
        return conversionError(ErrorKind::TypeMismatch, text, field, "is not a number");
    }
    T value{};
    if (convert(n, value) == Parse::Overflow) {
        return conversionError(ErrorKind::Overflow, text, field, range);
    }
    return value;
}

template <class I>
Result<I> integerRead(std::string_view text, std::optional<Field> field, const char* range) {
    auto d = strictRead<double>(text, field, range);
    if (!d) return *d.error;
    const double rounded = std::nearbyint(*d);  // halves to even in the default rounding mode
    if (!(rounded >= static_cast<double>(std::numeric_limits<I>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<I>::max()))) {
        return conversionError(ErrorKind::Overflow, text, field, range);
    }
    return static_cast<I>(rounded);
}

// Digits and decimal exponent of a value rounded to `precision` significant digits.
// Copies a fixed text to `first`; returns its end.
char* writeWord(char* first, std::string_view word) {
    for (char c : word) *first++ = c;
    return first;
}

// The general format of printf's %.{precision}G, written by std::to_chars: `precision`
// significant digits, correctly rounded from the exact binary value (halfway cases to even),
// trailing zeros dropped, exponent form when the decimal exponent is below -4 or at least
// `precision`. Zero of either sign is "0"; NaN and the infinities are spelled out.
char* writeGeneral(char* first, double value, int precision) {
    if (value == 0) return writeWord(first, "0");
    if (std::isnan(value)) return writeWord(first, "NaN");
    if (std::isinf(value)) return writeWord(first, value < 0 ? "-Infinity" : "Infinity");
    // A whole number of at most `precision` digits is its own text; the integer writer is
    // the quicker way to it.
    const double wholeLimit = precision == 7 ? 1e7 : 1e15;
    if (std::fabs(value) < wholeLimit && value == std::trunc(value)) {
        return std::to_chars(first, first + kNumberTextCapacity, static_cast<long long>(value)).ptr;
    }
    const auto result = std::to_chars(first, first + kNumberTextCapacity, value,
                                      std::chars_format::general, precision);
    // The exponent, when there is one, is among the last five characters ("e-308").
    for (char* p = result.ptr; p != first && result.ptr - p < 6;) {
        if (*--p == 'e') {
            *p = 'E';
            break;
        }
    }
    return result.ptr;
}

// 10^0 .. 10^22, every one exact in double, and their correctly rounded reciprocals.
constexpr std::array<double, 23> kPowersOfTen = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
};
constexpr std::array<double, 23> kReciprocalPowersOfTen = [] {
    std::array<double, 23> table{};
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = 1.0 / kPowersOfTen[i];
    return table;
}();

// magnitude x 10^power, for the powers -45 to 51 that single magnitudes need. Each factor
// adds at most one rounding (a relative error near 1e-16), which the halfway margin absorbs.
double scaleByPowerOfTen(double magnitude, int power) {
    double result = magnitude;
    while (power > 22) {
        result *= kPowersOfTen[22];
        power -= 22;
    }
    while (power < -22) {
        result *= kReciprocalPowersOfTen[22];
        power += 22;
    }
    return power >= 0 ? result * kPowersOfTen[static_cast<std::size_t>(power)]
                      : result * kReciprocalPowersOfTen[static_cast<std::size_t>(-power)];
}

// The text of a finite non-zero single from its 7 rounded digits and decimal exponent, laid
// out as the general format lays it out. Returns the end of the text.
char* layOutDigits(char* p, bool negative, std::uint32_t digitsValue, int exponent) {
    // Two independent halves keep the chains of divisions short.
    const std::uint32_t high = digitsValue / 10000;  // first 3 digits
    const std::uint32_t low = digitsValue % 10000;   // last 4 digits
    const char digits[7] = {
        static_cast<char>('0' + high / 100),     static_cast<char>('0' + high / 10 % 10),
        static_cast<char>('0' + high % 10),      static_cast<char>('0' + low / 1000),
        static_cast<char>('0' + low / 100 % 10), static_cast<char>('0' + low / 10 % 10),
        static_cast<char>('0' + low % 10),
    };
    int count = 7;
    while (count > 1 && digits[count - 1] == '0') --count;

    if (negative) *p++ = '-';
    if (exponent < -4 || exponent >= 7) {
        *p++ = digits[0];
        if (count > 1) {
            *p++ = '.';
            for (int i = 1; i < count; ++i) *p++ = digits[i];
        }
        *p++ = 'E';
        *p++ = exponent < 0 ? '-' : '+';
        const int absolute = exponent < 0 ? -exponent : exponent;  // at most 45
        *p++ = static_cast<char>('0' + absolute / 10);
        *p++ = static_cast<char>('0' + absolute % 10);
    } else if (exponent < 0) {
        *p++ = '0';
        *p++ = '.';
        for (int i = -1; i > exponent; --i) *p++ = '0';
        for (int i = 0; i < count; ++i) *p++ = digits[i];
    } else {
        const int integerDigits = exponent + 1;
        for (int i = 0; i < integerDigits; ++i) *p++ = i < count ? digits[i] : '0';
        if (count > integerDigits) {
            *p++ = '.';
            for (int i = integerDigits; i < count; ++i) *p++ = digits[i];
        }
    }
    return p;
}

}  // namespace

Result<double> textToDouble(std::string_view text, std::optional<Field> field) {
    return strictRead<double>(text, field, "is out of range");
}

Result<float> textToSingle(std::string_view text, std::optional<Field> field) {
    return strictRead<float>(text, field, "is beyond the single-precision range");
}

Result<std::int16_t> textToInteger(std::string_view text, std::optional<Field> field) {
    return integerRead<std::int16_t>(text, field, "is outside -32768 to 32767");
}

Result<std::int32_t> textToLong(std::string_view text, std::optional<Field> field) {
    return integerRead<std::int32_t>(text, field, "is outside -2147483648 to 2147483647");
}

double textLeadingValue(std::string_view text) {
    // Blanks, tabs and line feeds anywhere are dropped before the number is looked for.
    std::string packed;
    std::string_view compact = text;
    if (text.find_first_of(" \t\n") != std::string_view::npos) {
        packed.reserve(text.size());
        for (char c : text) {
            if (c != ' ' && c != '\t' && c != '\n') packed += c;
        }
        compact = packed;
    }
    const Scanned n = scanNumber(compact);
    if (n.length == 0) return 0;
    double value = 0;
    if (convert(n, value) == Parse::Overflow) {
        return n.negative ? -std::numeric_limits<double>::infinity()
                          : std::numeric_limits<double>::infinity();
    }
    return value;
}

char* writeSingleText(char* first, float value) {
    const double magnitude = std::fabs(static_cast<double>(value));
    if (!std::isfinite(magnitude) || magnitude == 0) return writeGeneral(first, value, 7);
    // The 7 digits are found in double arithmetic: the decimal exponent from the binary one
    // (1233 / 4096 ~ log10 2), corrected by at most one step either way, then the magnitude
    // scaled to 7 integer digits. The scaled value carries a relative error of a few 1e-16,
    // below 1e-8 in absolute terms; wherever that could change the rounding (near a halfway
    // point, or at the edge of the 7 digits) std::to_chars decides exactly.
    int binaryExponent = 0;
    std::frexp(magnitude, &binaryExponent);
    int exponent = ((binaryExponent - 1) * 1233) >> 12;
    double scaled = scaleByPowerOfTen(magnitude, 6 - exponent);
    if (scaled >= 9999999.5) {
        ++exponent;
        scaled = scaleByPowerOfTen(magnitude, 6 - exponent);
    } else if (scaled < 999999.5) {
        --exponent;
        scaled = scaleByPowerOfTen(magnitude, 6 - exponent);
    }
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) < 1e-6 || scaled < 999999.5 || scaled >= 9999999.5) {
        return writeGeneral(first, value, 7);
    }
    const auto digitsValue = static_cast<std::uint32_t>(whole) + (fraction > 0.5 ? 1U : 0U);
    return layOutDigits(first, value < 0, digitsValue, exponent);
}

char* writeDoubleText(char* first, double value) { return writeGeneral(first, value, 15); }

void appendSingleText(std::string& out, float value) {
    char text[kNumberTextCapacity];
    out.append(text, writeSingleText(text, value));
}

std::string singleToText(float value) {
    char text[kNumberTextCapacity];
    return std::string(text, writeSingleText(text, value));
}

std::string doubleToText(double value) {
    char text[kNumberTextCapacity];
    return std::string(text, writeDoubleText(text, value));
}

std::string integerToText(long long value) { return std::to_string(value); }

std::string signedSingleToText(float value) {
    std::string s = singleToText(value);
    if (s.rfind("0.", 0) == 0) {
        s.erase(0, 1);
    } else if (s.rfind("-0.", 0) == 0) {
        s.erase(1, 1);
    }
    if (s[0] != '-') s.insert(s.begin(), ' ');
    return s;
}

Result<float> toSingle(double value, std::optional<Field> field) {
    if (std::isnan(value)) {
        return conversionError(ErrorKind::InvalidArgument, "", field, "the result is not a number");
    }
    // The largest single itself, and everything up to the halfway point above it, fits.
    if (std::fabs(value) >= kSingleOverflowThreshold) {
        return conversionError(ErrorKind::Overflow, "", field,
                               "the result is beyond the single-precision range");
    }
    return static_cast<float>(value);
}

std::string_view trimmed(std::string_view text, std::string_view blanks) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

}  // namespace hopscale
