#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "conversions.h"

namespace hopscale::test {
namespace {

// The definition of the format, written out independently of the formatter's shortcuts:
// std::to_chars's general format with the exponent letter in upper case, "0" for either zero.
std::string referenceText(double value, int precision) {
    if (value == 0) return "0";
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::general, precision);
    std::string s(text, result.ptr);
    std::replace(s.begin(), s.end(), 'e', 'E');
    return s;
}

// The batch's appending formatter must write exactly what singleToText writes, and both the
// text of the definition, for every float.
void expectSameText(float value) {
    std::string fast = "prefix";
    appendSingleText(fast, value);
    ASSERT_EQ(fast, "prefix" + singleToText(value)) << std::hexfloat << value;
    ASSERT_EQ(singleToText(value), referenceText(value, 7)) << std::hexfloat << value;
    char text[kNumberTextCapacity];
    ASSERT_EQ(std::string(text, writeSingleText(text, value)), singleToText(value));
}

// Texts worked out by hand from the exact value of the float (halfway cases to even).
TEST(single_text, hand_worked_texts) {
    EXPECT_EQ(singleToText(33.5206f), "33.5206");
    EXPECT_EQ(singleToText(86617.35f), "86617.35");  // the float is 86617.3515625
    EXPECT_EQ(singleToText(0.007943282f), "0.007943282");
    EXPECT_EQ(singleToText(1e-5f), "1E-05");     // 9.99999974...E-06 rounds up
    EXPECT_EQ(singleToText(0.0001f), "0.0001");  // exponent -4: still fixed
    EXPECT_EQ(singleToText(1234567.0f), "1234567");
    EXPECT_EQ(singleToText(12345678.0f), "1.234568E+07");
    EXPECT_EQ(singleToText(12345675.0f), "1.234568E+07");  // tie, 7 is odd: up
    EXPECT_EQ(singleToText(12345685.0f), "1.234568E+07");  // tie, 8 is even: stays
    EXPECT_EQ(singleToText(9999999.5f), "1E+07");          // tie, 9 is odd: up a decade
    EXPECT_EQ(singleToText(-0.0f), "0");
    EXPECT_EQ(singleToText(-1.253133E-07f), "-1.253133E-07");
    EXPECT_EQ(singleToText(std::numeric_limits<float>::max()), "3.402823E+38");
    EXPECT_EQ(singleToText(std::numeric_limits<float>::infinity()), "Infinity");
    EXPECT_EQ(doubleToText(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(doubleToText(123456789012345.0), "123456789012345");
    EXPECT_EQ(doubleToText(1e15), "1E+15");
    EXPECT_EQ(doubleToText(-2.5e-300), "-2.5E-300");
    EXPECT_EQ(doubleToText(-std::numeric_limits<double>::min()), "-2.2250738585072E-308");
    EXPECT_EQ(signedSingleToText(0.68f), " .68");
    EXPECT_EQ(signedSingleToText(-0.5f), "-.5");
}

TEST(single_text, doubles_follow_the_definition) {
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t bits = random();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        ASSERT_EQ(doubleToText(value), referenceText(value, 15)) << std::hexfloat << value;
    }
}

TEST(append_single_text, matches_single_to_text_at_the_edges) {
    std::vector<float> values = {
        0.0f,
        -0.0f,
        1.0f,
        -1.0f,
        0.5f,
        33.5206f,
        -61.55881f,
        0.007943282f,
        86617.35f,
        1e-5f,
        0.0001f,
        0.00009999999f,
        1234567.0f,
        9999999.0f,
        12345678.0f,
        1e7f,
        // Exact halfway cases at the 7th digit.
        12345675.0f,
        12345685.0f,
        1234567.5f,
        1234568.5f,
        123456.75f,
        9999999.5f,
        99999995.0f,
        std::numeric_limits<float>::max(),
        std::numeric_limits<float>::min(),
        std::numeric_limits<float>::denorm_min(),
        std::numeric_limits<float>::infinity(),
        -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN(),
    };
    // Both neighbours of every power of ten a float can hold.
    for (int e = -45; e <= 38; ++e) {
        const auto p = static_cast<float>(std::pow(10.0, e));
        values.push_back(p);
        values.push_back(std::nextafter(p, 0.0f));
        values.push_back(std::nextafter(p, std::numeric_limits<float>::infinity()));
    }
    for (float v : values) {
        expectSameText(v);
        expectSameText(-v);
    }
}

TEST(append_single_text, matches_single_to_text_for_random_floats) {
    std::mt19937 random(20261209);
    for (int i = 0; i < 100000; ++i) {
        const std::uint32_t bits = random();
        float value = 0;
        std::memcpy(&value, &bits, sizeof value);
        expectSameText(value);
    }
}

// Every float of one binade where 7-digit halfway points are exact (integers 2^23..2^24).
TEST(append_single_text, matches_single_to_text_across_a_binade_of_exact_ties) {
    for (float v = 8388608.0f; v < 8388608.0f + 100000.0f; v += 1.0f) expectSameText(v);
}

}  // namespace
}  // namespace hopscale::test
