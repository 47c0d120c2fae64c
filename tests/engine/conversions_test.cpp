#include "conversions.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <random>
#include <string>

namespace hopscale {
namespace {

TEST(StrictReaders, AcceptTheDocumentedForms) {
    const std::pair<const char*, double> accepted[] = {
        {"2.5", 2.5},   {" 2.5 ", 2.5}, {"1e3", 1000}, {"1E3", 1000}, {"1D3", 1000},
        {"1d-2", 0.01}, {"-.5", -0.5},  {"+7", 7},     {"5.", 5},     {"007", 7},
        {"1e+2", 100},  {"-0", 0},      {"1e-400", 0},
    };
    for (auto [text, value] : accepted) {
        auto d = textToDouble(text);
        ASSERT_TRUE(d) << text;
        EXPECT_EQ(*d, value) << text;
    }
}

TEST(StrictReaders, RejectEverythingElseAsTypeMismatch) {
    for (const char* text : {"", "   ", "two", "1,000", "$5", "(5)", "0x10", "1.5.3", "1e", "5 GHz",
                             ".", "-", "+-1", "1 000", "\t5", "5\n", "inf", "nan", "1e5.5"}) {
        auto d = textToDouble(text, Field::Text10);
        ASSERT_FALSE(d) << text;
        EXPECT_EQ(d.error->kind, ErrorKind::TypeMismatch) << text;
        EXPECT_EQ(d.error->field, Field::Text10);
        EXPECT_FALSE(textToSingle(text)) << text;
    }
}

TEST(StrictReaders, RangesAndRounding) {
    EXPECT_EQ(textToDouble("1e400").error->kind, ErrorKind::Overflow);
    EXPECT_EQ(textToSingle("1e39").error->kind, ErrorKind::Overflow);
    EXPECT_EQ(*textToSingle("3.4028234e38"), std::numeric_limits<float>::max());
    EXPECT_EQ(*textToSingle("0.1"), 0.1f);  // rounded once, straight to single
    EXPECT_EQ(*textToInteger("2.5"), 2);
    EXPECT_EQ(*textToInteger("3.5"), 4);
    EXPECT_EQ(*textToInteger("-2.5"), -2);
    EXPECT_EQ(*textToInteger("32767.4"), 32767);
    EXPECT_EQ(*textToInteger("-32768"), -32768);
    EXPECT_EQ(textToInteger("40000").error->kind, ErrorKind::Overflow);
    EXPECT_EQ(textToInteger("32767.5").error->kind, ErrorKind::Overflow);
    EXPECT_EQ(*textToLong("41.5"), 42);
    EXPECT_EQ(*textToLong("42.5"), 42);
    EXPECT_EQ(*textToLong("2147483647"), 2147483647);
    EXPECT_EQ(textToLong("2147483648").error->kind, ErrorKind::Overflow);
    EXPECT_EQ(textToLong("abc").error->kind, ErrorKind::TypeMismatch);
}

// The range is checked on the rounded value: -32768.4 and -32768.5 (a half, to the even
// -32768) are -32768, only from -32768.5 on further down is the nearest whole number -32769.
TEST(StrictReaders, WholeNumbersAreRangeCheckedAfterRounding) {
    EXPECT_EQ(*textToInteger("-32768.4"), -32768);
    EXPECT_EQ(*textToInteger("-32768.5"), -32768);
    EXPECT_EQ(textToInteger("-32768.6").error->kind, ErrorKind::Overflow);
    EXPECT_EQ(*textToInteger("32766.5"), 32766);  // a half to the even neighbour
    EXPECT_EQ(*textToLong("-2147483648.4"), -2147483647 - 1);
    EXPECT_EQ(*textToLong("2147483647.4"), 2147483647);
    EXPECT_EQ(textToLong("-2147483648.6").error->kind, ErrorKind::Overflow);
}

// 15 significant digits, rounded, then trailing zeros dropped: 1/3 = 0.3333333333333333148...
// has fifteen 3s; 2/3 = 0.666666666666666629... rounds up in the fifteenth digit.
TEST(Writers, DoubleTextsHaveFifteenDigits) {
    EXPECT_EQ(doubleToText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(doubleToText(2.0 / 3), "0.666666666666667");
    EXPECT_EQ(doubleToText(-100.0 / 7), "-14.2857142857143");  // 14.285714285714285714...
    EXPECT_EQ(doubleToText(999999999999999.9), "1E+15");       // 16 nines round up
    EXPECT_EQ(doubleToText(0.1 + 0.2), "0.3");                 // 0.30000000000000004
}

// The largest single is (2 - 2^-23) x 2^127 = 2^128 - 2^104 = 3.4028235E+38. Rounding to
// nearest, a magnitude rounds to it up to the halfway point towards 2^128, that is below
// 2^128 - 2^103; the halfway point itself goes to the even neighbour 2^128, i.e. infinity.
TEST(ToSingle, OverflowsExactlyFromTheHalfwayPointAboveTheLargestSingle) {
    const double largest = 0x1p128 - 0x1p104;
    const double halfway = 0x1p128 - 0x1p103;
    ASSERT_EQ(largest, static_cast<double>(std::numeric_limits<float>::max()));
    for (double sign : {1.0, -1.0}) {
        SCOPED_TRACE(sign);
        EXPECT_EQ(*toSingle(sign * largest), static_cast<float>(sign * largest));
        EXPECT_EQ(*toSingle(sign * std::nextafter(halfway, 0.0)),
                  static_cast<float>(sign * largest));
        auto over = toSingle(sign * halfway, Field::Text16);
        ASSERT_FALSE(over);
        EXPECT_EQ(over.error->kind, ErrorKind::Overflow);
        EXPECT_EQ(over.error->field, Field::Text16);
        EXPECT_EQ(toSingle(sign * 0x1p128).error->kind, ErrorKind::Overflow);
    }
    EXPECT_EQ(kSingleOverflowThreshold, halfway);
    // The text reader and the store agree on the largest single written out.
    EXPECT_EQ(*textToSingle("3.4028235E+38"), std::numeric_limits<float>::max());
    EXPECT_TRUE(toSingle(*textToDouble("3.4028235E+38")));
    EXPECT_EQ(toSingle(std::nan("")).error->kind, ErrorKind::InvalidArgument);
}

// Short decimal texts take a fast exact path; it must agree with the general correctly
// rounded conversion everywhere, halfway cases and powers of ten included.
TEST(StrictReaders, ShortNumbersRoundExactlyAsTheGeneralConversion) {
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 200000; ++i) {
        const int digits = 1 + static_cast<int>(random() % 17);
        std::string text = (random() % 4 == 0) ? "-" : "";
        for (int d = 0; d < digits; ++d) text += static_cast<char>('0' + random() % 10);
        if (random() % 2) text.insert(text.size() - random() % digits, ".");
        if (random() % 3 == 0) text += "e" + std::to_string(static_cast<int>(random() % 50) - 25);
        float f = 0;
        double d = 0;
        const char* end = text.data() + text.size();
        const bool singleInRange = std::from_chars(text.data(), end, f).ec == std::errc();
        const bool doubleInRange = std::from_chars(text.data(), end, d).ec == std::errc();
        if (singleInRange) {
            ASSERT_EQ(*textToSingle(text), f) << text;
        }
        if (doubleInRange) {
            ASSERT_EQ(*textToDouble(text), d) << text;
        }
    }
}

TEST(LeadingValue, NeverFails) {
    const std::pair<const char*, double> cases[] = {
        {"41 25 30", 412530}, {"12abc", 12}, {"1.5.3", 1.5},
        {"abc", 0},           {"", 0},       {"7 GHz", 7},
        {"-3e2x", -300},      {"1e", 1},     {"\t4\n2", 42},
        {"0412530", 412530},  {"-", 0},      {".5", 0.5},
        {"2D1", 20},
    };
    for (auto [text, value] : cases) EXPECT_EQ(textLeadingValue(text), value) << text;
    EXPECT_TRUE(std::isinf(textLeadingValue("1e999")));
}

TEST(Writers, SingleToText) {
    const std::pair<float, const char*> cases[] = {
        {static_cast<float>(10 / 1.609347219), "6.213699"},
        {1.33f, "1.33"},
        {33.5206f, "33.5206"},
        {-2.0f, "-2"},
        {-0.0f, "0"},
        {0.0f, "0"},
        {0.5f, "0.5"},
        {12345678.0f, "1.234568E+07"},
        {0.00001f, "1E-05"},
        {0.0001f, "0.0001"},
        {0.00001234f, "1.234E-05"},
        {9999999.0f, "9999999"},
        {99999999.0f, "1E+08"},
        {9999999.5f, "1E+07"},
        {1234567.0f, "1234567"},
        {100.0f, "100"},
        {0.007943282f, "0.007943282"},
        {std::numeric_limits<float>::max(), "3.402823E+38"},
        {-1.5e-30f, "-1.5E-30"},
        {359.99999f, "360"},
    };
    for (auto [value, text] : cases) EXPECT_EQ(singleToText(value), text) << text;
}

TEST(Writers, DoubleIntegerAndSigned) {
    EXPECT_EQ(doubleToText(412530), "412530");
    EXPECT_EQ(doubleToText(41.5), "41.5");
    EXPECT_EQ(doubleToText(0.1), "0.1");
    EXPECT_EQ(doubleToText(1e15), "1E+15");
    EXPECT_EQ(doubleToText(123456789012345.0), "123456789012345");
    EXPECT_EQ(doubleToText(-0.0), "0");
    EXPECT_EQ(integerToText(-7), "-7");
    EXPECT_EQ(signedSingleToText(1.1f), " 1.1");
    EXPECT_EQ(signedSingleToText(0.68f), " .68");
    EXPECT_EQ(signedSingleToText(-0.5f), "-.5");
    EXPECT_EQ(signedSingleToText(0.0f), " 0");
    EXPECT_EQ(signedSingleToText(412530.0f), " 412530");
}

TEST(Writers, TextRoundTripsThroughTheReaders) {
    for (float v : {1.1f, 0.68f, 12.4274f, 3.5e-7f, 86617.35f}) {
        EXPECT_EQ(singleToText(*textToSingle(singleToText(v))), singleToText(v));
        EXPECT_EQ(*textToSingle(signedSingleToText(v)), *textToSingle(singleToText(v)));
    }
}

TEST(Writers, IgnoreTheProcessLocale) {
    const char* const names[] = {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "C.UTF-8"};
    for (const char* name : names) {
        if (std::setlocale(LC_ALL, name) == nullptr) continue;
        EXPECT_EQ(singleToText(1.5f), "1.5");
        EXPECT_EQ(*textToDouble("2.5"), 2.5);
        EXPECT_EQ(textLeadingValue("3.25"), 3.25);
    }
    std::setlocale(LC_ALL, "C");
}

TEST(Errors, MessagesNameKindFieldAndText) {
    EXPECT_EQ(textToSingle("", Field::Text1).error->message(),
              "Type mismatch in \"Enter tx dish diameter\": the field is empty");
    EXPECT_EQ(textToInteger("40000", Field::Text15).error->message(),
              "Overflow in \"Enter amplifier gain in dbm if used.\": \"40000\" is outside -32768 "
              "to 32767");
    EXPECT_STREQ(kindName(ErrorKind::DivisionByZero), "division by zero");
    Error missing;
    missing.kind = ErrorKind::FileNotFound;
    missing.file = "/data/example.dat";
    EXPECT_EQ(missing.message(), "File not found \"/data/example.dat\"");
    missing.kind = ErrorKind::BadFile;
    missing.detail = "frequency text 3 is not a number";
    EXPECT_EQ(missing.message(),
              "Bad file \"/data/example.dat\": frequency text 3 is not a number");
}

// A computed value names its step, and the input that led there when there is one; a field
// being read takes precedence over both. Both longitude boxes are named by their end.
TEST(Errors, MessagesNameTheStepAndTheInputThatLedThere) {
    Error e;
    e.kind = ErrorKind::Overflow;
    e.step = "step 8 (path length in miles)";
    e.detail = "the result is beyond the single-precision range";
    EXPECT_EQ(e.message(),
              "Overflow at step 8 (path length in miles): the result is beyond the "
              "single-precision range");
    e.origin = Field::Text9;
    EXPECT_EQ(e.message(),
              "Overflow at step 8 (path length in miles), from \"To Longitude\": the result is "
              "beyond the single-precision range");
    e.input = "Receiver threshold";
    EXPECT_EQ(e.message().substr(0, 78),
              "Overflow at step 8 (path length in miles), from \"To Longitude\", \"Receiver thre");
    Error read;
    read.kind = ErrorKind::TypeMismatch;
    read.field = Field::Text6;
    read.step = "step 31 (power into the dish in watts)";
    read.text = "x";
    EXPECT_EQ(read.message(), "Type mismatch in \"From Longitude\": \"x\" is not a number");
    EXPECT_EQ(fieldName(Field::Text10), "Enter Frequency in GHz");
    EXPECT_EQ(fieldName(Field::Text9), "To Longitude");
}

}  // namespace
}  // namespace hopscale
