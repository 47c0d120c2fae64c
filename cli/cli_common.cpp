#include "cli_common.h"

#include <array>
#include <cmath>
#include <cstdint>

#include "conversions.h"
#include "fields.h"

namespace hopscale::cli {

std::optional<InputTarget> targetByName(std::string_view name) {
    if (name == kKmOption) return InputTarget{InputTarget::Kind::Km, Field::Text1};
    if (name == kWattsOption) return InputTarget{InputTarget::Kind::Watts, Field::Text1};
    for (const FieldInfo& info : allFields()) {
        if (info.option == name) return InputTarget{InputTarget::Kind::Field, info.field};
    }
    return std::nullopt;
}

std::string knownNamesList() {
    // The unit choices sit after the field they qualify, as in the command's synopsis.
    std::string list;
    auto add = [&list](std::string_view name) {
        if (!list.empty()) list += ", ";
        list += name;
    };
    for (const FieldInfo& info : allFields()) {
        add(info.option);
        if (info.field == Field::Text24) add(kKmOption);
        if (info.field == Field::Text26) add(kWattsOption);
    }
    return list;
}

namespace {

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

// magnitude x 10^power, for the powers -45 to 51 that float magnitudes need. Each factor adds
// at most one rounding (a relative error near 1e-16), which the halfway margin absorbs.
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

// The text of a finite non-zero value from its 7 rounded digits and decimal exponent, laid
// out as singleToText lays it out. Returns the end of the text written into `text`.
char* layOutDigits(char* text, bool negative, std::uint32_t digitsValue, int exponent) {
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

    char* p = text;
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

void appendSingleText(std::string& out, float value) {
    const double magnitude = std::fabs(static_cast<double>(value));
    if (!std::isfinite(magnitude) || magnitude == 0) {
        out += singleToText(value);
        return;
    }
    // Decimal exponent: 10^exponent <= magnitude < 10^(exponent + 1) after rounding to 7
    // significant digits. Start from the binary exponent (1233 / 4096 ~ log10 2), correct by
    // at most one step either way.
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
    // The scaled value carries a relative error of a few 1e-16, below 1e-8 in absolute terms
    // here; near a halfway point only the exact formatter can decide.
    if (std::fabs(fraction - 0.5) < 1e-6 || scaled < 999999.5 || scaled >= 9999999.5) {
        out += singleToText(value);
        return;
    }
    const auto digitsValue = static_cast<std::uint32_t>(whole) + (fraction > 0.5 ? 1U : 0U);
    char text[32];
    const char* end = layOutDigits(text, value < 0, digitsValue, exponent);
    out.append(text, static_cast<std::size_t>(end - text));
}

std::string resultText(const RunOutcome& outcome, const PathResults& results,
                       const ResultInfo& info) {
    if (!outcome.computed.test(static_cast<std::size_t>(info.id))) return {};
    return singleToText(results.*info.member);
}

}  // namespace hopscale::cli
