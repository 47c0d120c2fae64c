#include "catalogue_tools.h"

#include <gtest/gtest.h>

#include "conversions.h"
#include "data_dir.h"
#include "test_files.h"

namespace hopscale {
namespace {

using namespace testing_files;

std::string allProblems(const std::vector<CatalogueProblem>& problems) {
    std::string out;
    for (const auto& p : problems) out += p.text() + "\n";
    return out;
}

TEST(shipped_catalogue_test, is_clean_and_matches_the_textbook_waveguide_loss) {
    ScratchDir dir;
    ASSERT_FALSE(writeShippedCatalogue(dir.path()).has_value());
    const auto problems = checkDataDir(dir.path());
    EXPECT_TRUE(problems.empty()) << allProblems(problems);

    // TE10 loss of copper WR-90 at 10 GHz: 0.1084 dB/m by the conductor-loss formula for an
    // air-filled guide of 22.86 x 10.16 mm with sigma = 5.8e7 S/m, i.e. 3.30 dB per 100 ft.
    AttenuationTable table;
    auto wr90 = lookupTxAttenuation(dir.path(), "WR90", "10", table);
    ASSERT_TRUE(wr90.ok()) << wr90.error->message();
    EXPECT_NEAR(*wr90, 3.30, 0.05 * 3.30);

    // Every offered line gives a value at the edges of its band.
    Catalogue catalogue;
    for (const char* frequency : {"2", "8.2", "12.4", "40", "0.2"}) {
        auto names = offerLineTypes(dir / kIndexFileName, [&] { return std::string(frequency); }, catalogue);
        ASSERT_TRUE(names.ok());
        EXPECT_FALSE(names.value->empty()) << frequency;
        for (const std::string& name : *names) {
            auto value = lookupRxAttenuation(dir.path(), name, frequency, table);
            EXPECT_TRUE(value.ok()) << name << " at " << frequency << ": " << value.error->message();
            if (value) {
                EXPECT_GT(*value, 0.0f);
            }
        }
    }
}

TEST(encode_test, index_and_table_layouts) {
    EXPECT_EQ(encodeIndexFile({{"A", "1", "2", ""}}),
              std::string("\x01\x00" "A" "\x01\x00" "1" "\x01\x00" "2" "\x00\x00"
                          "\x00\x00\x00\x00\x00\x00\x00\x00", 19));
    const std::string table = encodeAttenuationFile({{"6", "1.0"}});
    EXPECT_EQ(table.size(), 202u * 2 + 1 + 3);
    EXPECT_EQ(table, tableFile({{"6", "1.0"}}));
}

class ImportTest : public ::testing::Test {
protected:
    ImportOutcome import(const std::string& csv, bool replace = false) {
        return importCatalogueCsv(csv, "lines.csv", dir.path(), replace);
    }
    ScratchDir dir;
};

TEST_F(ImportTest, writes_readable_files_and_merges_into_the_index) {
    writeBytes(dir / "listing.dat", indexRecord("OLD", "1", "3") + indexRecord("KEEP", "1", "9") + indexRecord("", "", ""));
    const auto outcome = import(
        "name,low_ghz,high_ghz,freq_ghz,db_per_100ft\n"
        "# a comment\n"
        "NEW, 6, 8, 6, 1.0\n"
        "NEW,6,8,8,1.2\n"
        "\n"
        "\"OLD\",2,4,2,3\n"
        "OLD,2,4,4,5\n");
    ASSERT_TRUE(outcome.problems.empty()) << allProblems(outcome.problems);
    EXPECT_EQ(outcome.lineTypes, 3);
    auto records = readIndexRecords(dir / "listing.dat");
    ASSERT_TRUE(records.ok());
    ASSERT_EQ(records.value->size(), 3u);
    EXPECT_EQ((*records)[0].name, "OLD");
    EXPECT_EQ((*records)[0].lowText, "2");
    EXPECT_EQ((*records)[1].name, "KEEP");
    EXPECT_EQ((*records)[2].name, "NEW");

    AttenuationTable table;
    auto value = lookupRxAttenuation(dir.path(), "NEW", "7", table);
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(singleToText(*value), "1.1");

    ASSERT_TRUE(import("A,1,2,1,1\nA,1,2,2,2\n", true).problems.empty());
    records = readIndexRecords(dir / "listing.dat");
    ASSERT_EQ(records.value->size(), 1u);
}

TEST_F(ImportTest, refuses_what_the_readers_would_misread_and_touches_nothing) {
    std::string tooManyTypes, tooManyPoints;
    for (int i = 1; i <= 101; ++i) tooManyTypes += "T" + std::to_string(i) + ",1,1,1,1\n";
    for (int i = 1; i <= 101; ++i) tooManyPoints += "P,1,101," + std::to_string(i) + ",1\n";
    struct Row {
        const char* what;
        std::string csv;
        const char* expected;
    };
    const Row rows[] = {
        {"101 line types", tooManyTypes, "line types; at most 100"},
        {"101 points", tooManyPoints, "more than 100 points"},
        {"not increasing", "A,1,3,1,1\nA,1,3,3,2\nA,1,3,2,3\n", "strictly increasing"},
        {"repeated frequency", "A,1,2,1,1\nA,1,2,1,2\nA,1,2,2,3\n", "strictly increasing"},
        {"text not a number", "A,1,2,1,1\nA,1,2,2,two\n", "\"two\" is not a number"},
        {"trailing letters", "A,1,2,1,1 dB\nA,1,2,2,1\n", "is not a number"},
        {"unsafe name", "../evil,1,2,1,1\n../evil,1,2,2,1\n", "unsafe line-type name"},
        {"slash", "A/B,1,2,1,1\nA/B,1,2,2,1\n", "unsafe line-type name"},
        {"low of zero", "A,0,2,1,1\nA,0,2,2,1\n", "above 0"},
        {"band not covered", "A,1,3,1,1\nA,1,3,2,1\n", "do not cover"},
        {"band changes", "A,1,2,1,1\nA,1,3,2,1\n", "band"},
        {"wrong cell count", "A,1,2,1\n", "expected 5 cells"},
        {"outside Latin-1", "\xe2\x82\xac,1,2,1,1\n\xe2\x82\xac,1,2,2,1\n", "Latin-1"},
        {"empty", "", "no line types"},
    };
    const std::string before = indexRecord("OLD", "1", "3") + indexRecord("", "", "");
    for (const Row& row : rows) {
        writeBytes(dir / "listing.dat", before);
        const auto outcome = import(row.csv);
        ASSERT_FALSE(outcome.problems.empty()) << row.what;
        EXPECT_NE(allProblems(outcome.problems).find(row.expected), std::string::npos)
            << row.what << ":\n" << allProblems(outcome.problems);
        EXPECT_TRUE(outcome.written.empty());
        EXPECT_EQ(readBytes(dir / "listing.dat"), before) << row.what;
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
        EXPECT_EQ(files, 1u) << row.what;
    }
}

TEST(check_test, reports_each_problem_with_its_file_and_record) {
    ScratchDir dir;
    writeBytes(dir / "listing.dat",
               indexRecord("GOOD", "6", "8") + indexRecord("NOFILE", "1", "2") +
                   indexRecord("BADLOW", "one", "2") + indexRecord("a/b", "1", "2") +
                   indexRecord("DOWN", "1", "3") + indexRecord("SHORT", "1", "9") +
                   indexRecord("WORDS", "1", "2") + indexRecord("", "", ""));
    writeBytes(dir / "GOOD.dat", tableFile({{"6", "1"}, {"8", "2"}}));
    writeBytes(dir / "BADLOW.dat", tableFile({{"1", "1"}, {"2", "2"}}));
    writeBytes(dir / "DOWN.dat", tableFile({{"1", "1"}, {"3", "2"}, {"2", "2"}, {"3.5", "2"}}));
    writeBytes(dir / "SHORT.dat", tableFile({{"1", "1"}, {"8", "2"}}));
    writeBytes(dir / "WORDS.dat", tableFile({{"1", "1"}, {"x", "2"}}));
    const std::string report = allProblems(checkDataDir(dir.path()));
    for (const char* expected : {
             "listing.dat: record 2: attenuation file NOFILE.dat",
             "listing.dat: record 3: low frequency \"one\" is not a number",
             "listing.dat: record 4: unsafe line-type name",
             "DOWN.dat: point 3: frequency 2 GHz does not follow",
             "SHORT.dat: the table (1 to 8 GHz) does not cover the band 1 to 9 GHz",
             "WORDS.dat: point 2: frequency \"x\" is not a number",
         }) {
        EXPECT_NE(report.find(expected), std::string::npos) << expected << "\n" << report;
    }
    EXPECT_EQ(report.find("GOOD"), std::string::npos) << report;
}

TEST(check_test, a_missing_index_is_reported) {
    ScratchDir dir;
    const auto problems = checkDataDir(dir.path());
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].text().find("listing.dat"), std::string::npos);
}

}  // namespace
}  // namespace hopscale

namespace hopscale {
namespace {

using namespace testing_files;

// The shipped catalogue written out as CSV and imported again gives the same files, byte for
// byte: import writes what the readers read, and the shipped files follow the layout.
TEST(import_round_trip_test, the_shipped_catalogue_survives_export_and_import) {
    ScratchDir shipped, imported;
    ASSERT_FALSE(writeShippedCatalogue(shipped.path()).has_value());
    auto records = readIndexRecords(shipped / "listing.dat");
    ASSERT_TRUE(records.ok());
    std::string csv = "name,low_ghz,high_ghz,freq_ghz,db_per_100ft\n";
    for (const IndexRecord& r : *records) {
        AttenuationTable table;
        ASSERT_FALSE(readAttenuationTable(shipped / (r.name + ".dat"), table).has_value());
        for (int k = 1; k < table.pointCount; ++k) {
            const auto i = static_cast<std::size_t>(k);
            csv += r.name + "," + r.lowText + "," + r.highText + "," + table.frequencyTexts[i] + "," +
                   table.attenuationTexts[i] + "\n";
        }
    }
    const auto outcome = importCatalogueCsv(csv, "export.csv", imported.path(), true);
    ASSERT_TRUE(outcome.problems.empty()) << outcome.problems.front().text();
    for (const ShippedFile& file : shippedCatalogue()) {
        EXPECT_EQ(readBytes(imported / file.name), readBytes(shipped / file.name)) << file.name;
    }
}

// Every prefix of a good file, and a good file with each count byte raised, reads without
// harm and keeps the counters in range.
TEST(reader_robustness_test, truncated_and_overcounted_files) {
    ScratchDir dir;
    ASSERT_FALSE(writeShippedCatalogue(dir.path()).has_value());
    const std::string index = readBytes(dir / "listing.dat");
    const std::string table = readBytes(dir / "WR90.dat");
    for (std::size_t n = 0; n <= index.size(); ++n) {
        Catalogue catalogue;
        parseCatalogue(std::string_view(index).substr(0, n), catalogue);
        ASSERT_GE(catalogue.catalogueCount, 0);
        ASSERT_LE(catalogue.catalogueCount, 25);
        offeredNames(catalogue, [] { return std::string("10"); });
    }
    for (std::size_t n = 0; n <= table.size(); ++n) {
        AttenuationTable t;
        parseAttenuationTable(std::string_view(table).substr(0, n), t);
        ASSERT_GE(t.pointCount, 1);
        ASSERT_LE(t.pointCount, 100);
        for (auto match : {ExactMatch::Lenient, ExactMatch::Strict}) {
            searchAttenuation(t, 10.05, match, "WR90.dat", "WR90");
        }
    }
    for (std::size_t at = 1; at < 40; at += 2) {
        std::string damaged = table;
        damaged[at] = '\x7f';
        AttenuationTable t;
        parseAttenuationTable(damaged, t);
        auto value = searchAttenuation(t, 10.05, ExactMatch::Strict, "WR90.dat", "WR90");
        if (!value) {
            EXPECT_FALSE(value.error->message().empty());
        }
    }
}

}  // namespace
}  // namespace hopscale
