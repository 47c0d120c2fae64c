#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "cli_common.h"
#include "cli_test_support.h"

namespace hopscale::test {
namespace {

using Records = std::vector<std::vector<std::string>>;

const std::vector<std::string> kOutputHeader = {
    "name",
    "txPowerDbm",
    "txLineLossPerFt",
    "rxLineLossPerFt",
    "txLineLoss",
    "rxLineLoss",
    "fixedLoss",
    "amplifierInputPower",
    "dishInputPowerDbm",
    "dishInputPowerWatts",
    "txAntennaGain",
    "rxAntennaGain",
    "halfPowerBeamwidth",
    "beamwidthLoss",
    "freeSpaceLoss",
    "systemLoss",
    "receiveSignalLevel",
    "eirpWatts",
    "pathLengthMiles",
    "midpointDistance",
    "earthBulge",
    "firstFresnelZone",
    "secondFresnelZone",
    "coordinateDistance",
    "bearingTrue",
    "midLatitudeRad",
    "kmPerDegreeLatitude",
    "kmPerDegreeLongitude",
    "northSouthKm",
    "eastWestKm",
    "error",
};

std::size_t column(const std::string& name) {
    for (std::size_t i = 0; i < kOutputHeader.size(); ++i) {
        if (kOutputHeader[i] == name) return i;
    }
    ADD_FAILURE() << "no column " << name;
    return 0;
}

// Runs the batch and checks that the output is well formed: the header, then one record of
// the header's width per data row.
Records batchRecords(const std::string& input, int expectedStatus) {
    const CommandRun run = runBatchOn(input);
    EXPECT_EQ(run.status, expectedStatus) << run.err;
    Records records = parseCsv(run.out);
    EXPECT_FALSE(records.empty());
    if (records.empty()) return records;
    EXPECT_EQ(records.front(), kOutputHeader);
    for (const auto& record : records) EXPECT_EQ(record.size(), kOutputHeader.size());
    records.erase(records.begin());
    return records;
}

TEST(batch, default_row_matches_the_known_results) {
    const Records rows = batchRecords("name\nExample\n", 0);
    ASSERT_EQ(rows.size(), 1U);
    EXPECT_EQ(rows[0][column("name")], "Example");
    EXPECT_EQ(rows[0][column("systemLoss")], "-61.55881");
    EXPECT_EQ(rows[0][column("eirpWatts")], "17.86734");
    EXPECT_EQ(rows[0][column("coordinateDistance")], "0");
    // Not computed without coordinates: left empty.
    EXPECT_EQ(rows[0][column("bearingTrue")], "");
    EXPECT_EQ(rows[0][column("eastWestKm")], "");
    EXPECT_EQ(rows[0][column("error")], "");
}

// Every row of a batch must carry exactly what `calc --json` reports for the same inputs,
// failing rows included.
TEST(batch, rows_agree_with_calc) {
    const std::vector<std::string> header = {
        "tx-dish", "rx-dish", "amp-gain", "length",   "km",     "freq",   "k",
        "power",   "watts",   "from-lat", "from-lon", "to-lat", "to-lon", "name"};
    const std::vector<std::vector<std::string>> rows = {
        {"6", "8", "3", "20", "1", "6", "1.33", "10", "1", "0", "0", "0", "0", "km watts"},
        {"2", "2", "0", "10", "0", "10", "1.33", "10", "0", "412530", "814150", "413000", "813000",
         "coordinates"},
        {"2", "2", "0", "10", "0", "10", "0", "10", "0", "0", "0", "0", "0", "earth factor 0"},
        {"2", "2", "0", "10", "0", "two", "1.33", "10", "0", "0", "0", "0", "0", "letters"},
        {"2", "2", "0", "10", "0", "10", "1.33", "500", "0", "0", "0", "0", "0", "500 dBm"},
        {"2", "", "0", "10", "0", "10", "1.33", "10", "0", "0", "0", "0", "0", "empty rx dish"},
        {"2", "2", "0", "10", "0", "10", "1.33", "10", "0", "412530", "0", "0", "0",
         "coordinate not given"},
    };
    std::string input;
    for (std::size_t i = 0; i < header.size(); ++i) input += (i ? "," : "") + header[i];
    input += "\n";
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) input += (i ? "," : "") + row[i];
        input += "\n";
    }
    const Records out = batchRecords(input, 1);
    ASSERT_EQ(out.size(), rows.size());

    for (std::size_t r = 0; r < rows.size(); ++r) {
        SCOPED_TRACE(rows[r].back());
        std::vector<std::string> args;
        for (std::size_t i = 0; i < header.size(); ++i) {
            if (header[i] == "km" || header[i] == "watts") {
                if (rows[r][i] == "1") args.push_back("--" + header[i]);
            } else {
                args.push_back("--" + header[i]);
                args.push_back(rows[r][i]);
            }
        }
        const nlohmann::json doc = calcJson(args);
        EXPECT_EQ(out[r][column("name")], rows[r].back());
        for (std::size_t c = 1; c + 1 < kOutputHeader.size(); ++c) {
            const std::string& name = kOutputHeader[c];
            const std::string expected = doc["results"].value(name, "");
            EXPECT_EQ(out[r][c], expected) << name;
        }
        const std::string kind = doc.contains("error") ? doc["error"]["kind"] : "";
        EXPECT_EQ(out[r][column("error")], kind);
    }
}

TEST(batch, missing_columns_take_defaults_and_flags_read_one_or_zero) {
    const Records rows = batchRecords(
        "length,km,power,watts\n"
        "20,1,10,1\n"  // km and watts
        "10,0,10,0\n"  // miles and dBm
        "10,,10, \n",  // empty flags count as 0
        0);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0][column("pathLengthMiles")], "12.4274");
    EXPECT_EQ(rows[0][column("txPowerDbm")], "40");
    EXPECT_EQ(rows[0][column("name")], "Example");
    for (std::size_t r : {1U, 2U}) {
        EXPECT_EQ(rows[r][column("pathLengthMiles")], "10");
        EXPECT_EQ(rows[r][column("txPowerDbm")], "10");
        EXPECT_EQ(rows[r][column("systemLoss")], "-61.55881");
    }
}

TEST(batch, a_failing_row_never_stops_the_batch) {
    const CommandRun run = runBatchOn(
        "name,freq,km\n"
        "good,10,0\n"
        "bad,abc,0\n"
        "bad flag,10,yes\n"
        "short row\n"
        "also good,6,0\n");
    EXPECT_EQ(run.status, 1);
    const Records records = parseCsv(run.out);
    ASSERT_EQ(records.size(), 6U);
    EXPECT_EQ(records[1].back(), "");
    EXPECT_EQ(records[2].back(), "type mismatch");
    EXPECT_EQ(records[3].back(), "type mismatch");
    EXPECT_EQ(records[4].back(), "bad file");
    EXPECT_EQ(records[4].front(), "short row");
    EXPECT_EQ(records[5].back(), "");
    EXPECT_EQ(records[5][column("freeSpaceLoss")], "132.163");
    // Each failure is reported with the line it came from, then a count.
    for (const char* expected :
         {"line 3:", "abc", "line 4:", "\"km\"", "line 5:", "3 of 5 rows failed"}) {
        EXPECT_NE(run.err.find(expected), std::string::npos) << expected;
    }
}

TEST(batch, each_row_starts_from_a_fresh_state) {
    // A row with coordinates, then one without: the second must not show the first's bearing
    // or distance. A kilometre row, then a miles row: the second reads its own length.
    const Records rows = batchRecords(
        "from-lat,from-lon,to-lat,to-lon,length,km\n"
        "412530,814150,413000,813000,10,0\n"
        "0,0,0,0,10,0\n"
        "0,0,0,0,20,1\n"
        "0,0,0,0,20,0\n",
        0);
    ASSERT_EQ(rows.size(), 4U);
    EXPECT_EQ(rows[0][column("bearingTrue")], "63.18194");
    EXPECT_EQ(rows[1][column("bearingTrue")], "");
    EXPECT_EQ(rows[1][column("coordinateDistance")], "0");
    EXPECT_EQ(rows[1][column("pathLengthMiles")], "10");
    EXPECT_EQ(rows[2][column("pathLengthMiles")], "12.4274");
    EXPECT_EQ(rows[3][column("pathLengthMiles")], "20");
}

TEST(batch, quoting_round_trips_and_line_ends_are_accepted) {
    const CommandRun run = runBatchOn(
        "\xEF\xBB\xBF\"name\", freq \r\n"  // BOM, quoted and padded header names
        "\"Hop, \"\"North\"\"\",10\r\n"    // comma and doubled quotes
        "\"two\nlines\",\"6\"\r\n"         // line break inside quotes
        "plain,10\r"                       // a lone CR ends a line too
        "\n"                               // an empty line is skipped
        "last,10");                        // no line end at the end
    EXPECT_EQ(run.status, 0) << run.err;
    const Records records = parseCsv(run.out);
    ASSERT_EQ(records.size(), 5U);
    EXPECT_EQ(records[1][0], "Hop, \"North\"");
    EXPECT_EQ(records[2][0], "two\nlines");
    EXPECT_EQ(records[2][column("freeSpaceLoss")], "132.163");
    EXPECT_EQ(records[3][0], "plain");
    EXPECT_EQ(records[4][0], "last");
    // Written back quoted, with doubled quotes.
    EXPECT_NE(run.out.find("\n\"Hop, \"\"North\"\"\","), std::string::npos);
    EXPECT_NE(run.out.find("\n\"two\nlines\","), std::string::npos);
}

TEST(batch, crlf_output_when_asked) {
    const CommandRun run = runBatchOn("name\nA\n", true);
    EXPECT_EQ(run.out.substr(0, 6), "name,t");
    EXPECT_NE(run.out.find(",error\r\nA,"), std::string::npos);
    EXPECT_EQ(run.out.substr(run.out.size() - 2), "\r\n");
}

TEST(batch, unterminated_quote_fails_the_last_row_only) {
    const CommandRun run = runBatchOn("name,freq\nA,10\n\"B,10\n");
    EXPECT_EQ(run.status, 1);
    const Records records = parseCsv(run.out);
    ASSERT_EQ(records.size(), 3U);
    EXPECT_EQ(records[1].back(), "");
    EXPECT_EQ(records[2].back(), "bad file");
}

TEST(batch, header_problems_are_usage_errors) {
    struct Case {
        const char* input;
        std::vector<const char*> messageParts;
    };
    const std::vector<Case> cases = {
        {"name,frequency,colour\nA,10,red\n", {"\"frequency\"", "\"colour\"", "freq"}},
        {"freq,name,freq\n10,A,10\n", {"\"freq\""}},
        {"", {"empty"}},
        {"\"name,freq\n", {"quote"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const CommandRun run = runBatchOn(c.input);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        for (const char* part : c.messageParts) {
            EXPECT_NE(run.err.find(part), std::string::npos) << part;
        }
    }
}

TEST(batch, header_only_gives_header_only) {
    const CommandRun run = runBatchOn("name,freq\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(parseCsv(run.out).size(), 1U);
}

// Small buffers of several sizes put the buffer boundaries everywhere: inside quoted fields,
// between doubled quotes, between CR and LF. Every name must come back intact.
TEST(batch, streams_through_buffer_boundaries) {
    constexpr int kRows = 400;
    std::string input = "name,freq,length\r\n";
    std::vector<std::string> names;
    for (int i = 0; i < kRows; ++i) {
        std::string name =
            "hop " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 37), 'x');
        if (i % 3 == 0) name += "\"q\", and\r\nmore";
        names.push_back(name);
        std::string quoted = "\"";
        for (char c : name) {
            if (c == '"') quoted += '"';
            quoted += c;
        }
        quoted += "\"";
        input += quoted + "," + std::to_string(1 + i % 20) + ",10\r\n";
    }
    const Records reference = parseCsv(runBatchOn(input).out);
    for (std::size_t bufferBytes : {16U, 17U, 61U, 4096U}) {
        SCOPED_TRACE(bufferBytes);
        const CommandRun run = runBatchOn(input, false, bufferBytes);
        EXPECT_EQ(run.status, 0) << run.err.substr(0, 500);
        const Records records = parseCsv(run.out);
        ASSERT_EQ(records.size(), static_cast<std::size_t>(kRows) + 1);
        EXPECT_EQ(records, reference);
        for (std::size_t i = 0; i < names.size(); ++i) {
            ASSERT_EQ(records[i + 1][0], names[i]) << "row " << i;
            ASSERT_NE(records[i + 1][column("freeSpaceLoss")], "") << "row " << i;
        }
    }
}

// How often `part` occurs in `text`.
std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(batch_limits, a_header_that_repeats_a_column_names_it_once_and_answers_fast) {
    // 9,000 columns stay under the field limit: the duplicate check itself must be linear
    // (a pairwise one would compare 40 million pairs and list "freq" 40 million times).
    std::string header = "name";
    for (int i = 0; i < 9000; ++i) header += ",freq";
    header += ",length,length\n";
    const auto start = std::chrono::steady_clock::now();
    const CommandRun run = runBatchOn(header + "A,10\n");
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(occurrences(run.err, "\"freq\""), 1U) << run.err.substr(0, 300);
    EXPECT_EQ(occurrences(run.err, "\"length\""), 1U) << run.err.substr(0, 300);
    EXPECT_LT(seconds.count(), 2.0);
}

TEST(batch_limits, a_header_beyond_the_limits_is_a_usage_error) {
    // 70,000 repeats (350 KB) pass 10,000 fields; 2 MB without a line end pass 1 MB.
    std::string many = "name";
    for (int i = 0; i < 70000; ++i) many += ",freq";
    for (const std::string& header : {many + "\n", std::string(2 << 20, 'x')}) {
        const CommandRun run = runBatchOn(header);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("header line is longer than 1 MB"), std::string::npos) << run.err;
    }
}

TEST(batch_limits, a_row_beyond_the_limits_fails_and_the_batch_goes_on) {
    std::string manyFields = "B";
    for (int i = 0; i < 10000; ++i) manyFields += ",6";  // 10,001 fields
    // A quoted field of doubled quotes: 2.2 MB of input, 1.1 million quotes kept.
    std::string quotes = "\"";
    for (int i = 0; i < 1100000; ++i) quotes += "\"\"";
    quotes += "\"";
    const std::vector<std::string> oversized = {
        std::string((1 << 20) + 1, 'n') + ",6",  // a name of 1 MB and one byte
        manyFields,
        quotes + ",6",
    };
    for (const std::string& row : oversized) {
        SCOPED_TRACE(row.substr(0, 20));
        const CommandRun run = runBatchOn("name,freq\nA,10\n" + row + "\nC,6\n");
        EXPECT_EQ(run.status, 1);
        const Records records = parseCsv(run.out);
        ASSERT_EQ(records.size(), 4U);
        EXPECT_EQ(records[1][0], "A");
        EXPECT_EQ(records[2].back(), "bad file");
        EXPECT_EQ(records[3][0], "C");  // the row after is read from its own start
        EXPECT_EQ(records[3].back(), "");
        EXPECT_NE(run.err.find("line 3: the row is longer than 1 MB"), std::string::npos)
            << run.err.substr(0, 300);
    }
    // Exactly at the limits the row is read.
    const CommandRun atLimit = runBatchOn("name,freq\n" + std::string(1 << 19, 'n') + ",6\n");
    EXPECT_EQ(atLimit.status, 0) << atLimit.err.substr(0, 300);
}

TEST(batch_limits, messages_quote_at_most_80_characters_of_a_bad_text) {
    const std::string longText(200, 'x');
    for (const std::string& input :
         {"name,km\nA," + longText + "\n", "name,freq\nA," + longText + "\n"}) {
        const CommandRun run = runBatchOn(input);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("\"" + std::string(80, 'x') + "...\""), std::string::npos)
            << run.err;
        EXPECT_EQ(run.err.find(std::string(81, 'x')), std::string::npos) << run.err;
    }
}

TEST(batch_limits, quoted_texts_are_cut_at_a_character_boundary) {
    EXPECT_EQ(cli::quotedText("abc"), "\"abc\"");
    EXPECT_EQ(cli::quotedText(std::string(80, 'a')), "\"" + std::string(80, 'a') + "\"");
    // The 80th and 81st bytes are the two bytes of one letter: it goes whole.
    EXPECT_EQ(cli::quotedText(std::string(79, 'a') + "\xC3\xA9" + "bc"),
              "\"" + std::string(79, 'a') + "...\"");
    EXPECT_EQ(cli::quotedText("a\x01"), "\"a\\x01\"");
}

TEST(batch_limits, control_bytes_in_echoed_texts_are_escaped) {
    const CommandRun header = runBatchOn("name,fr\x1b[2Jeq\nA,10\n");
    EXPECT_EQ(header.status, 2);
    EXPECT_EQ(header.err.find('\x1b'), std::string::npos);
    EXPECT_NE(header.err.find("\"fr\\x1B[2Jeq\""), std::string::npos) << header.err;

    const CommandRun row = runBatchOn(
        "name,freq\nA,1\x07"
        "0\n");
    EXPECT_EQ(row.status, 1);
    EXPECT_EQ(row.err.find('\x07'), std::string::npos);
    EXPECT_NE(row.err.find("1\\x070"), std::string::npos) << row.err;
}

}  // namespace
}  // namespace hopscale::test
