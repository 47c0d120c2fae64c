#include "catalogue_tools.h"

#include <gtest/gtest.h>
#include <unistd.h>

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
        auto names = offerLineTypes(
            dir / kIndexFileName, [&] { return std::string(frequency); }, catalogue);
        ASSERT_TRUE(names.ok());
        EXPECT_FALSE(names.value->empty()) << frequency;
        for (const std::string& name : *names) {
            auto value = lookupRxAttenuation(dir.path(), name, frequency, table);
            EXPECT_TRUE(value.ok())
                << name << " at " << frequency << ": " << value.error->message();
            if (value) {
                EXPECT_GT(*value, 0.0f);
            }
        }
    }
}

TEST(encode_test, index_and_table_layouts) {
    EXPECT_EQ(encodeIndexFile({{"A", "1", "2", ""}}),
              std::string("\x01\x00"
                          "A"
                          "\x01\x00"
                          "1"
                          "\x01\x00"
                          "2"
                          "\x00\x00"
                          "\x00\x00\x00\x00\x00\x00\x00\x00",
                          19));
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
    writeBytes(dir / "listing.dat", indexRecord("OLD", "1", "3") + indexRecord("KEEP", "1", "9") +
                                        indexRecord("", "", ""));
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
            << row.what << ":\n"
            << allProblems(outcome.problems);
        EXPECT_TRUE(outcome.written.empty());
        EXPECT_EQ(readBytes(dir / "listing.dat"), before) << row.what;
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
            ++files;
        EXPECT_EQ(files, 1u) << row.what;
    }
}

TEST_F(ImportTest, reads_a_byte_order_mark_cr_line_ends_and_quoted_line_breaks) {
    const auto outcome = import(
        "\xEF\xBB\xBFname,low,high,f,a\rA,1,2,1,1\rA,1,2,2,2\r"
        "\"B\",\"1\",\"2\",\"1\",\"3\"\r\nB,1,2,2,4\n");
    ASSERT_TRUE(outcome.problems.empty()) << allProblems(outcome.problems);
    auto records = readIndexRecords(dir / "listing.dat");
    ASSERT_TRUE(records.ok());
    ASSERT_EQ(records.value->size(), 2u);
    EXPECT_EQ((*records)[0].name, "A");  // not "\xEF\xBB\xBFname" taken for a line type
    EXPECT_EQ((*records)[1].name, "B");
    AttenuationTable table;
    EXPECT_EQ(singleToText(*lookupRxAttenuation(dir.path(), "A", "1.5", table)), "1.5");

    // A quoted cell may hold a line break; later lines keep their numbers (line 1 holds the
    // start of the cell, line 3 the bad attenuation).
    const auto broken = import("\"A\nB\",1,2,1,1\nC,1,2,1,x\n");
    const std::string report = allProblems(broken.problems);
    EXPECT_NE(report.find("lines.csv: line 1: unsafe line-type name \"A\\x0AB\""),
              std::string::npos)
        << report;
    EXPECT_NE(report.find("lines.csv: line 3: attenuation \"x\" is not a number"),
              std::string::npos)
        << report;
    // CR-only lines are counted as lines too.
    const auto crOnly = import("A,1,2,1,1\rA,1,2,2,y\r");
    EXPECT_NE(allProblems(crOnly.problems).find("line 2: attenuation \"y\""), std::string::npos)
        << allProblems(crOnly.problems);
    const auto open = import("A,1,2,1,1\n\"A,1,2,2,2\n");
    EXPECT_NE(allProblems(open.problems).find("line 2: a quoted cell is not closed"),
              std::string::npos);
}

TEST_F(ImportTest, names_that_would_take_the_index_or_the_saved_inputs_are_refused) {
    for (const char* name : {"listing", "LISTING", "Listing", "pathcfg", "PATHCFG", "PathCfg"}) {
        const std::string csv = std::string(name) + ",1,2,1,1\n" + name + ",1,2,2,1\n";
        const auto outcome = import(csv);
        ASSERT_FALSE(outcome.problems.empty()) << name;
        EXPECT_NE(allProblems(outcome.problems).find("taken by the data directory's own"),
                  std::string::npos)
            << allProblems(outcome.problems);
        EXPECT_TRUE(namesIn(dir.path()).empty()) << name;
    }
    // Near misses are ordinary names.
    EXPECT_TRUE(import("listing2,1,2,1,1\nlisting2,1,2,2,1\nPATH,1,2,1,1\nPATH,1,2,2,1\n")
                    .problems.empty());
}

TEST_F(ImportTest, the_name_limit_is_the_file_systems) {
    // The table's file name is the name and ".dat": on a file system that allows 255-byte
    // names (ext4, tmpfs), 251 bytes of name is the most.
    const std::size_t limit = maxLineTypeNameBytes(dir.path());
    EXPECT_EQ(limit + 4, static_cast<std::size_t>(::pathconf(dir.path().c_str(), _PC_NAME_MAX)));
    const std::string longest(limit, 'L');
    const std::string tooLong(limit + 1, 'M');
    // The too-long name comes second: nothing of the first is written either.
    const auto refused =
        import("A,1,2,1,1\nA,1,2,2,1\n" + tooLong + ",1,2,1,1\n" + tooLong + ",1,2,2,1\n");
    ASSERT_FALSE(refused.problems.empty());
    EXPECT_NE(allProblems(refused.problems)
                  .find("line 3: line-type name is " + std::to_string(limit + 1) + " bytes long"),
              std::string::npos)
        << allProblems(refused.problems);
    EXPECT_TRUE(namesIn(dir.path()).empty());
    const auto accepted = import(longest + ",1,2,1,1\n" + longest + ",1,2,2,1\n");
    ASSERT_TRUE(accepted.problems.empty()) << allProblems(accepted.problems);
    AttenuationTable table;
    EXPECT_TRUE(lookupTxAttenuation(dir.path(), longest, "1.5", table).ok());
}

TEST_F(ImportTest, out_of_range_is_not_called_not_a_number) {
    struct Row {
        const char* csv;
        const char* expected;
    };
    const Row rows[] = {
        {"A,1,2,1,1e39\nA,1,2,2,1\n", "attenuation \"1e39\" is out of range"},    // beyond single
        {"A,1,2,1,1e400\nA,1,2,2,1\n", "attenuation \"1e400\" is out of range"},  // beyond double
        {"A,1,1e39,1,1\nA,1,1e39,2,1\n", "high frequency \"1e39\" is out of range"},
        {"A,1,2,1,ten\nA,1,2,2,1\n", "attenuation \"ten\" is not a number"},
    };
    for (const Row& row : rows) {
        const std::string report = allProblems(import(row.csv).problems);
        EXPECT_NE(report.find(row.expected), std::string::npos) << row.csv << "\n" << report;
    }
}

TEST_F(ImportTest, coverage_is_judged_in_single_precision) {
    // 8.2 and 12.4 as points cover the band 8.2 to 12.4 as the offer holds it (the same
    // singles); 8.200001 does not (a single step at 8.2 is 9.5e-7, so it is another single,
    // above the band's 8.19999981).
    EXPECT_TRUE(import("W,8.2,12.4,8.2,1\nW,8.2,12.4,12.4,2\n").problems.empty());
    const std::string report =
        allProblems(import("V,8.2,12.4,8.200001,1\nV,8.2,12.4,12.4,2\n").problems);
    EXPECT_NE(report.find("do not cover its band 8.2 to 12.4"), std::string::npos) << report;
    // The check agrees with the import.
    EXPECT_EQ(allProblems(checkDataDir(dir.path())), "");
}

TEST_F(ImportTest, a_file_that_cannot_be_replaced_stops_the_import_before_any_file_changes) {
    writeBytes(dir / "listing.dat", indexRecord("OLD", "1", "3") + indexRecord("", "", ""));
    const std::string before = readBytes(dir / "listing.dat");
    std::filesystem::create_directory(dir / "B.dat");  // in the way of B's table
    const auto outcome = import("A,1,2,1,1\nA,1,2,2,1\nB,1,2,1,1\nB,1,2,2,1\n");
    ASSERT_FALSE(outcome.problems.empty());
    EXPECT_TRUE(outcome.written.empty());
    EXPECT_EQ(readBytes(dir / "listing.dat"), before);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"B.dat", "listing.dat"}));
}

TEST_F(ImportTest, a_fifo_in_place_of_a_file_is_refused_without_blocking) {
    makeFifo(dir / "listing.dat");
    std::optional<ImportOutcome> merged, replaced;
    ASSERT_TRUE(returnsPromptly("the import", [&] {
        merged = import("A,1,2,1,1\nA,1,2,2,1\n");
        replaced = import("A,1,2,1,1\nA,1,2,2,1\n", true);
    }));
    EXPECT_NE(allProblems(merged->problems).find("not a regular file"), std::string::npos)
        << allProblems(merged->problems);
    EXPECT_NE(allProblems(replaced->problems).find("not a regular file"), std::string::npos)
        << allProblems(replaced->problems);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"listing.dat"});
}

TEST(check_test, says_which_low_bounds_hide_line_types_from_the_offer) {
    ScratchDir dir;
    writeBytes(dir / "listing.dat",
               indexRecord("WORD", "one", "2") + indexRecord("NEG", "-1", "2") +
                   indexRecord("ZERO", "0", "2") + indexRecord("UNIT", "1 GHz", "2") +
                   indexRecord("", "", ""));
    for (const char* name : {"WORD", "NEG", "ZERO", "UNIT"}) {
        writeBytes(dir / (std::string(name) + ".dat"), tableFile({{"-2", "1"}, {"2", "2"}}));
    }
    const std::string report = allProblems(checkDataDir(dir.path()));
    // "one" reads as 0 in the offer and ends its scan; "-1" does not; "1 GHz" reads as 1.
    EXPECT_NE(
        report.find("record 1: low frequency \"one\" is not a number (read as 0, it hides this and "
                    "every later line type from the offer)"),
        std::string::npos)
        << report;
    EXPECT_NE(report.find("record 2: low frequency \"-1\" is not above 0\n"), std::string::npos)
        << report;
    EXPECT_NE(
        report.find("record 3: low frequency \"0\" is not above 0 (a low frequency of 0 hides"),
        std::string::npos)
        << report;
    EXPECT_NE(report.find("record 4: low frequency \"1 GHz\" is not a number\n"), std::string::npos)
        << report;
}

TEST(check_test, coverage_in_single_precision_and_fifos) {
    ScratchDir dir;
    writeBytes(dir / "listing.dat", indexRecord("X", "8.2", "12.4") + indexRecord("F", "1", "2") +
                                        indexRecord("", "", ""));
    writeBytes(dir / "X.dat", tableFile({{"8.2", "1"}, {"12.4", "2"}}));
    makeFifo(dir / "F.dat");
    std::string report;
    ASSERT_TRUE(
        returnsPromptly("the check", [&] { report = allProblems(checkDataDir(dir.path())); }));
    EXPECT_EQ(report.find("X.dat"), std::string::npos) << report;
    EXPECT_NE(report.find("F.dat: not a regular file"), std::string::npos) << report;
    std::filesystem::remove(dir / "listing.dat");
    makeFifo(dir / "listing.dat");
    ASSERT_TRUE(
        returnsPromptly("the check", [&] { report = allProblems(checkDataDir(dir.path())); }));
    EXPECT_NE(report.find("listing.dat: not a regular file"), std::string::npos) << report;
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
            csv += r.name + "," + r.lowText + "," + r.highText + "," + table.frequencyTexts[i] +
                   "," + table.attenuationTexts[i] + "\n";
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
