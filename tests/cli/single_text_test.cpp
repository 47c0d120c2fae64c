#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "cli_common.h"
#include "conversions.h"

namespace hopscale::test {
namespace {

// The batch formatter must write exactly what singleToText writes, for every float.
void expectSameText(float value) {
    std::string fast = "prefix";
    cli::appendSingleText(fast, value);
    ASSERT_EQ(fast, "prefix" + singleToText(value)) << std::hexfloat << value;
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
