#include "catalogue.h"

#include <gtest/gtest.h>

#include <cmath>

#include "conversions.h"
#include "test_files.h"

namespace hopscale {
namespace {

using namespace testing_files;

struct OfferRun {
    std::vector<std::string> names;
    int frequencyReads = 0;
};

OfferRun offer(const ScratchDir& dir, const std::string& index, const std::string& frequency,
               Catalogue& catalogue) {
    writeBytes(dir / "listing.dat", index);
    OfferRun run;
    auto names = offerLineTypes(
        dir / "listing.dat",
        [&] {
            ++run.frequencyReads;
            return frequency;
        },
        catalogue);
    EXPECT_TRUE(names.ok()) << (names.error ? names.error->message() : "");
    if (names) run.names = *names;
    return run;
}

std::string terminator() { return indexRecord("", "", ""); }

TEST(offer_test, selects_by_inclusive_single_precision_bounds) {
    const std::string index = indexRecord("A", "6", "8") + indexRecord("LOW59", "5.9", "6.5") +
                              indexRecord("HIGH71", "6.5", "7.1") +
                              indexRecord("HIGH7125", "6.5", "7.125") + terminator();
    struct Row {
        const char* frequency;
        std::vector<std::string> offered;
    };
    const Row rows[] = {
        {"6", {"A", "LOW59"}},
        {"8", {"A"}},
        // 5.9 is held as 5.900000095..., above the typed 5.9.
        {"5.9", {}},
        // 7.1 is held as 7.099999904..., below the typed 7.1; 7.125 is exact.
        {"7.1", {"A", "HIGH7125"}},
        {"7.125", {"A", "HIGH7125"}},
        {"7 GHz", {"A", "HIGH71", "HIGH7125"}},
        {"GHz", {}},
        {"", {}},
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        Catalogue catalogue;
        EXPECT_EQ(offer(dir, index, row.frequency, catalogue).names, row.offered) << row.frequency;
        EXPECT_EQ(catalogue.catalogueCount, 4);
    }
}

TEST(offer_test, bounds_are_held_in_single_precision) {
    ScratchDir dir;
    Catalogue catalogue;
    offer(dir, indexRecord("X", "5.9", "7.1") + terminator(), "6", catalogue);
    EXPECT_EQ(static_cast<double>(catalogue.entries[1].lowFrequency), 5.900000095367432);
    EXPECT_EQ(static_cast<double>(catalogue.entries[1].highFrequency), 7.099999904632568);
}

TEST(offer_test, how_the_catalogue_ends) {
    std::string hundredAndFive;
    for (int i = 1; i <= 105; ++i)
        hundredAndFive += indexRecord("T" + std::to_string(i), "1", "20");
    struct Row {
        const char* what;
        std::string index;
        int count;
        std::size_t offered;
    };
    const Row rows[] = {
        {"first name empty", terminator() + indexRecord("B", "1", "20"), 0, 0},
        {"ends without terminator", indexRecord("A", "1", "20") + indexRecord("B", "1", "20"), 2,
         2},
        {"more than 100 records", hundredAndFive, 100, 100},
        {"empty file", "", 0, 0},
        {"blank name is a name", indexRecord(" ", "1", "20") + terminator(), 1, 1},
        // The second record ends inside its high text: it is read as if the file ended
        // before that text, so its high bound reads as 0 and it is not offered.
        {"cut inside a counted text",
         indexRecord("A", "1", "20") + counted("B") + counted("1") +
             std::string("\x05\x00"
                         "12",
                         4),
         2, 1},
        {"count larger than the file",
         indexRecord("A", "1", "20") + std::string("\xff\xff"
                                                   "B",
                                                   3),
         1, 1},
        {"one byte of a count", indexRecord("A", "1", "20") + std::string("\x01", 1), 1, 1},
    };
    for (const Row& row : rows) {
        ScratchDir dir;
        Catalogue catalogue;
        const OfferRun run = offer(dir, row.index, "10", catalogue);
        EXPECT_EQ(catalogue.catalogueCount, row.count) << row.what;
        EXPECT_EQ(run.names.size(), row.offered) << row.what;
    }
}

TEST(offer_test, a_low_bound_of_zero_ends_the_scan_but_not_the_reading) {
    ScratchDir dir;
    Catalogue catalogue;
    const std::string index = indexRecord("A", "1", "20") + indexRecord("ZERO", "abc", "20") +
                              indexRecord("C", "1", "20") + terminator();
    const OfferRun run = offer(dir, index, "10", catalogue);
    EXPECT_EQ(run.names, std::vector<std::string>{"A"});
    EXPECT_EQ(catalogue.catalogueCount, 3);
    EXPECT_EQ(catalogue.entries[3].name, "C");
    // The frequency is read once per scanned entry, not for the entry that ends the scan.
    EXPECT_EQ(run.frequencyReads, 1);
}

TEST(offer_test, a_negative_low_bound_is_scanned_like_any_other) {
    // Only a bound that reads as 0 ends the scan: -1 <= 10 <= 20 offers NEG, and the scan
    // goes on to B.
    ScratchDir dir;
    Catalogue catalogue;
    const std::string index =
        indexRecord("NEG", "-1", "20") + indexRecord("B", "1", "20") + terminator();
    EXPECT_EQ(offer(dir, index, "10", catalogue).names, (std::vector<std::string>{"NEG", "B"}));
    EXPECT_EQ(offer(dir, index, "-0.5", catalogue).names, std::vector<std::string>{"NEG"});
}

TEST(offer_test, a_fifo_in_place_of_the_index_is_refused_without_blocking) {
    ScratchDir dir;
    makeFifo(dir / "listing.dat");
    Catalogue catalogue;
    std::optional<Result<std::vector<std::string>>> names;
    ASSERT_TRUE(returnsPromptly("the offer", [&] {
        names = offerLineTypes(
            dir / "listing.dat", [] { return std::string("10"); }, catalogue);
    }));
    ASSERT_FALSE(names->ok());
    EXPECT_NE(names->error->message().find("listing.dat"), std::string::npos);
    EXPECT_NE(names->error->message().find("not a regular file"), std::string::npos);
}

TEST(offer_test, a_rerun_overwrites_up_to_the_terminator_and_keeps_older_entries) {
    ScratchDir dir;
    Catalogue catalogue;
    offer(dir, indexRecord("A", "1", "2") + indexRecord("B", "3", "4") + indexRecord("C", "5", "6"),
          "1", catalogue);
    offer(dir, indexRecord("X", "7", "8") + terminator(), "1", catalogue);
    EXPECT_EQ(catalogue.catalogueCount, 1);
    EXPECT_EQ(catalogue.entries[1].name, "X");
    EXPECT_EQ(catalogue.entries[2].name, "");            // the terminator's name
    EXPECT_EQ(catalogue.entries[2].lowFrequency, 3.0f);  // its bounds left as they were
    EXPECT_EQ(catalogue.entries[3].name, "C");
}

TEST(offer_test, latin1_names_come_back_as_utf8) {
    ScratchDir dir;
    Catalogue catalogue;
    const OfferRun run = offer(dir,
                               indexRecord("K\xe4"
                                           "bel",
                                           "1", "20") +
                                   terminator(),
                               "10", catalogue);
    EXPECT_EQ(run.names, std::vector<std::string>{"K\xc3\xa4"
                                                  "bel"});
}

TEST(offer_test, a_missing_index_is_an_error_naming_the_file) {
    ScratchDir dir;
    Catalogue catalogue;
    catalogue.catalogueCount = 7;
    auto names = offerLineTypes(
        dir / "listing.dat", [] { return std::string("10"); }, catalogue);
    ASSERT_FALSE(names.ok());
    EXPECT_EQ(names.error->kind, ErrorKind::FileNotFound);
    EXPECT_NE(names.error->message().find("listing.dat"), std::string::npos);
    EXPECT_EQ(catalogue.catalogueCount, 7);
}

class LookupTest : public ::testing::Test {
  protected:
    void table(const std::string& name,
               const std::vector<std::pair<std::string, std::string>>& points) {
        writeBytes(dir / (name + ".dat"), tableFile(points));
    }
    Result<float> tx(const std::string& name, const std::string& f) {
        return lookupTxAttenuation(dir.path(), name, f, txTable);
    }
    Result<float> rx(const std::string& name, const std::string& f) {
        return lookupRxAttenuation(dir.path(), name, f, rxTable);
    }
    ScratchDir dir;
    AttenuationTable txTable, rxTable;
};

TEST_F(LookupTest, exact_points_and_interpolation) {
    table("T", {{"6", "1.0"}, {"8", "1.2"}});
    table("T60", {{"6.0", "1.0"}, {"8", "1.2"}});
    table("MANY", {{"1", "10"}, {"2", "20"}, {"4", "30"}, {"8", "50"}, {"16", "40"}});
    struct Row {
        const char* name;
        const char* frequency;
        const char* text;
    };
    const Row rows[] = {
        {"T", "6", "1"},     {"T", "7", "1.1"},     {"T", "8", "1.2"},     {"T", "7.5", "1.15"},
        {"T60", "6", "1"},   {"T", "7 GHz", "1.1"}, {"MANY", "3", "25"},   {"MANY", "12", "45"},
        {"MANY", "1", "10"}, {"MANY", "16", "40"},  {"MANY", "1.5", "15"},
    };
    for (const Row& row : rows) {
        for (bool receive : {false, true}) {
            auto value = receive ? rx(row.name, row.frequency) : tx(row.name, row.frequency);
            ASSERT_TRUE(value.ok())
                << row.name << " " << row.frequency << ": " << value.error->message();
            EXPECT_EQ(singleToText(*value), row.text) << row.name << " at " << row.frequency;
        }
    }
}

TEST_F(LookupTest, interpolation_rounds_span_offset_and_result_to_single) {
    // Points (1 GHz, 1000) and (2.1 GHz, 0), looked up at 2.09 GHz, where the result is a
    // small difference of large terms, so each rounding shows. By hand:
    //   span   = 2.1 - 1  = 1.1,  as a single 1.10000002384185791015625
    //   offset = 2.09 - 1 = 1.09, as a single 1.09000003337860107421875
    //   slope  = (1000 - 0) / 1.10000002384 = 909.0908893868
    //   value  = 1000 - 909.0908893868 * 1.09000003338 = 9.0909004..., as a single 9.090900421
    // which reads "9.0909". With the span unrounded it would read 9.090878, with the offset
    // unrounded 9.090931, with neither rounded 9.090909.
    table("R", {{"1", "1000"}, {"2.1", "0"}});
    for (bool receive : {false, true}) {
        auto value = receive ? rx("R", "2.09") : tx("R", "2.09");
        ASSERT_TRUE(value.ok()) << value.error->message();
        EXPECT_EQ(singleToText(*value), "9.0909");
        EXPECT_EQ(*value, 9.090900421142578f);
    }
}

TEST_F(LookupTest, points_too_close_for_a_single_span_are_a_division_by_zero) {
    // 2e-300 - 1e-300 = 1e-300 is far below the smallest single (1.4e-45): the span held in
    // single precision is 0, whatever the attenuations.
    for (const char* next : {"2", "1"}) {
        table("Z", {{"1e-300", "1"}, {"2e-300", next}, {"1", "3"}});
        auto value = tx("Z", "1.5e-300");
        ASSERT_FALSE(value.ok()) << next;
        EXPECT_EQ(value.error->kind, ErrorKind::DivisionByZero);
        EXPECT_NE(value.error->message().find("too close to interpolate"), std::string::npos);
        EXPECT_NE(value.error->message().find("Z.dat"), std::string::npos);
    }
}

TEST_F(LookupTest, a_fifo_in_place_of_a_table_is_refused_without_blocking) {
    makeFifo(dir / "WR90.dat");
    std::optional<Result<float>> value;
    ASSERT_TRUE(returnsPromptly("the lookup of WR90", [&] { value = tx("WR90", "10"); }));
    ASSERT_FALSE(value->ok());
    EXPECT_NE(value->error->message().find("WR90.dat"), std::string::npos);
    EXPECT_NE(value->error->message().find("not a regular file"), std::string::npos);
}

TEST_F(LookupTest, exact_match_reads_transmit_leniently_and_receive_strictly) {
    table("D", {{"6", "0.95 dB"}, {"8", "1.2"}});
    auto txValue = tx("D", "6");
    ASSERT_TRUE(txValue.ok());
    EXPECT_EQ(singleToText(*txValue), "0.95");
    auto rxValue = rx("D", "6");
    ASSERT_FALSE(rxValue.ok());
    EXPECT_EQ(rxValue.error->kind, ErrorKind::TypeMismatch);
    EXPECT_NE(rxValue.error->message().find("D.dat"), std::string::npos);
    // Between points both sides read the texts strictly.
    auto between = tx("D", "7");
    ASSERT_FALSE(between.ok());
    EXPECT_EQ(between.error->kind, ErrorKind::TypeMismatch);
}

TEST_F(LookupTest, outside_the_table_is_an_error_naming_type_and_range) {
    table("T", {{"6", "1.0"}, {"8", "1.2"}});
    std::vector<std::pair<std::string, std::string>> full;
    for (int i = 1; i <= 100; ++i) full.emplace_back(std::to_string(i), "1");
    table("FULL", full);
    for (const auto& [name, frequency] : std::vector<std::pair<std::string, std::string>>{
             {"T", "5.9"}, {"T", "8.1"}, {"T", ""}, {"FULL", "100.5"}, {"FULL", "0.5"}}) {
        auto value = tx(name, frequency);
        ASSERT_FALSE(value.ok()) << name << " " << frequency;
        const std::string message = value.error->message();
        EXPECT_NE(message.find(name + ".dat"), std::string::npos) << message;
        EXPECT_NE(message.find(name == "T" ? "6 to 8 GHz" : "1 to 100 GHz"), std::string::npos)
            << message;
    }
    table("EMPTY", {});
    auto empty = rx("EMPTY", "7");
    ASSERT_FALSE(empty.ok());
    EXPECT_NE(empty.error->message().find("no points"), std::string::npos);
}

TEST_F(LookupTest, a_second_lookup_replaces_the_table) {
    table("A", {{"1", "1"}, {"3", "3"}, {"5", "5"}});
    table("B", {{"6", "1.0"}, {"8", "1.2"}});
    ASSERT_TRUE(tx("A", "2").ok());
    EXPECT_EQ(txTable.pointCount, 4);
    auto value = tx("B", "7");
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(singleToText(*value), "1.1");
    EXPECT_EQ(txTable.pointCount, 3);
    EXPECT_EQ(txTable.frequencyTexts[1], "6");
    EXPECT_EQ(txTable.frequencyTexts[3], "");
}

TEST_F(LookupTest, unreadable_point_texts_name_the_file) {
    table("BAD", {{"6", "1"}, {"seven", "1.1"}, {"8", "1.2"}});
    auto value = rx("BAD", "7.5");
    ASSERT_FALSE(value.ok());
    EXPECT_EQ(value.error->kind, ErrorKind::TypeMismatch);
    EXPECT_NE(value.error->message().find("BAD.dat"), std::string::npos);
    EXPECT_NE(value.error->message().find("point 2"), std::string::npos);
}

TEST_F(LookupTest, unsafe_names_are_refused_without_opening_anything) {
    writeBytes(dir / "x.dat", tableFile({{"6", "1"}, {"8", "2"}}));
    std::filesystem::create_directory(dir / "sub");
    writeBytes(dir / "sub" / "y.dat", tableFile({{"6", "1"}, {"8", "2"}}));
    for (const std::string& name : std::vector<std::string>{"../x", "sub/y", "sub\\y", "", "a\nb",
                                                            std::string("a\0b", 3), "..", "\x7f"}) {
        auto value = lookupTxAttenuation(dir / "sub", name, "7", txTable);
        ASSERT_FALSE(value.ok()) << name;
        EXPECT_NE(value.error->message().find("unsafe line-type name"), std::string::npos);
        EXPECT_FALSE(isSafeLineTypeName(name));
    }
    for (const std::string name : {"WR90", "FOAM-12MM", "COAX-0.5IN-FOAM", " spaced ",
                                   "K\xc3\xa4"
                                   "bel"}) {
        EXPECT_TRUE(isSafeLineTypeName(name)) << name;
    }
    EXPECT_TRUE(tx("x", "7").ok());
}

TEST_F(LookupTest, missing_and_damaged_files) {
    auto missing = tx("NONE", "7");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error->kind, ErrorKind::FileNotFound);
    EXPECT_NE(missing.error->message().find("NONE.dat"), std::string::npos);

    // Cut inside the attenuation texts: the missing texts read as empty.
    const std::string whole = tableFile({{"6", "1.0"}, {"8", "1.2"}});
    writeBytes(dir / "CUT.dat", whole.substr(0, whole.size() - 200));
    auto cut = tx("CUT", "6");
    ASSERT_TRUE(cut.ok());
    EXPECT_EQ(*cut, 1.0f);
    // Cut inside the frequency texts: the table ends there.
    writeBytes(dir / "SHORT.dat", whole.substr(0, 6));
    // The transmit side reads the missing attenuation text leniently as 0; the receive side refuses
    // it.
    auto shortTx = tx("SHORT", "6");
    ASSERT_TRUE(shortTx.ok());
    EXPECT_EQ(*shortTx, 0.0f);
    EXPECT_FALSE(rx("SHORT", "6").ok());
    // A count far beyond the file.
    writeBytes(dir / "HUGE.dat", counted("") + std::string("\xff\xff"
                                                           "6",
                                                           3));
    EXPECT_FALSE(rx("HUGE", "6").ok());
}

TEST(safe_name_test, every_control_character_is_refused) {
    // Each of 0x01 to 0x1f (0x1f is the unit separator, the last control below the space)
    // and 0x7f; the space 0x20 and the tilde 0x7e are ordinary characters.
    for (int c = 1; c <= 0x1f; ++c) {
        EXPECT_FALSE(isSafeLineTypeName("A" + std::string(1, static_cast<char>(c)) + "B")) << c;
    }
    EXPECT_FALSE(isSafeLineTypeName("A\x7f"));
    EXPECT_TRUE(isSafeLineTypeName("A B"));
    EXPECT_TRUE(isSafeLineTypeName("A~B"));
}

TEST(narrow_to_single_test, saturates_instead_of_overflowing) {
    EXPECT_EQ(narrowToSingle(1e300), INFINITY);
    EXPECT_EQ(narrowToSingle(-1e39), -INFINITY);
    EXPECT_EQ(narrowToSingle(3.4028235e38), 3.4028235e38f);
    EXPECT_EQ(narrowToSingle(5.9), 5.9f);
}

}  // namespace
}  // namespace hopscale
