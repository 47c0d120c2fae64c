// The readers of the network's two files: header problems stop everything, row problems
// stay with their link, and each end's keys are the site's under the row's overrides.
#include "network_inputs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace hopscale::cli {
namespace {

const char* kSites =
    "site,lat,lon,dish,ground-elevation\n"
    "Alpha,513000N,0000700W,6,35\n"
    "Bravo,514500N,0001500E,8,120\n"
    "\"Charlie, north\",513600N,0003000E,,80\n";

SiteTable sitesOf(const std::string& text) {
    SiteTable table;
    const auto e = SiteTable::readText(text, "sites.csv", table);
    EXPECT_FALSE(e) << e->text();
    return table;
}

std::vector<LinkRecord> linksOf(const SiteTable& sites, const std::string& text) {
    LinkReader reader(sites);
    const auto e = reader.openText(text, "links.csv");
    EXPECT_FALSE(e) << e->text();
    std::vector<LinkRecord> links;
    if (e) return links;
    LinkRecord link;
    while (reader.next(link)) links.push_back(link);
    return links;
}

std::string problemOf(const LinkRecord& link) {
    return link.problem ? link.problem->message() : std::string();
}

TEST(network_inputs, ends_take_the_site_keys_under_the_row_overrides) {
    const SiteTable sites = sitesOf(kSites);
    ASSERT_EQ(sites.size(), 3U);
    const std::string links = std::string(
        "name,from,to,freq,rain-zone,from-dish,to-antenna-height,dem,length\n"
        "A-B,Alpha,Bravo,7.5,K,,30,tiles/,\n"
        "\n"
        "B-C, Bravo ,\"Charlie, north\",18,,1.2,,,12\n");
    const std::vector<LinkRecord> read = linksOf(sites, links);
    ASSERT_EQ(read.size(), 2U);

    const LinkRecord& ab = read[0];
    EXPECT_EQ(problemOf(ab), "");
    EXPECT_EQ(ab.line, 2U);
    EXPECT_EQ(ab.name, "A-B");
    EXPECT_EQ(ab.path, (KeyTexts{{"freq", "7.5"}}));
    EXPECT_EQ(ab.conditions, (KeyTexts{{"rain-zone", "K"}}));
    EXPECT_EQ(ab.profile, (KeyTexts{{"dem", "tiles/"}}));
    // An empty override keeps the site's value.
    EXPECT_EQ(
        ab.fromEnd,
        (KeyTexts{
            {"lat", "513000N"}, {"lon", "0000700W"}, {"dish", "6"}, {"ground-elevation", "35"}}));
    EXPECT_EQ(ab.toEnd.at("antenna-height"), "30");
    EXPECT_EQ(ab.toEnd.at("dish"), "8");

    const LinkRecord& bc = read[1];
    EXPECT_EQ(problemOf(bc), "");
    EXPECT_EQ(bc.line, 4U);
    EXPECT_EQ(bc.from, "Bravo");  // names are matched without surrounding blanks
    EXPECT_EQ(bc.to, "Charlie, north");
    EXPECT_EQ(bc.fromEnd.at("dish"), "1.2");  // the row wins over the site
    EXPECT_EQ(bc.toEnd.count("dish"), 0U);    // an empty site value is not given
    EXPECT_EQ(bc.path, (KeyTexts{{"freq", "18"}, {"length", "12"}}));
}

TEST(network_inputs, header_problems_are_usage_errors_naming_file_and_column) {
    struct Case {
        const char* sites;
        const char* links;
        const char* file;
        const char* expected;
    };
    const Case cases[] = {
        {"site,lat,lon,colour\n", "name,from,to\n", "sites.csv", "colour"},
        {"site,lat,lat,lon\n", "name,from,to\n", "sites.csv", "is named twice"},
        {"site,lat\n", "name,from,to\n", "sites.csv", "\"lon\""},
        {"lat,lon\n", "name,from,to\n", "sites.csv", "\"site\""},
        {"", "name,from,to\n", "sites.csv", "empty"},
        {"site,lat,lon\n", "name,from,to,freq,freq\n", "links.csv", "freq"},
        {"site,lat,lon\n", "name,from,to,dish\n", "links.csv", "dish"},
        {"site,lat,lon\n", "name,from,to,from-colour\n", "links.csv", "from-colour"},
        {"site,lat,lon\n", "name,from\n", "links.csv", "\"to\""},
        {"site,lat,lon\n", "\"name,from,to\n", "links.csv", "unterminated"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.sites) + " / " + c.links);
        SiteTable sites;
        auto e = SiteTable::readText(c.sites, "sites.csv", sites);
        if (!e) {
            LinkReader reader(sites);
            e = reader.openText(c.links, "links.csv");
        }
        ASSERT_TRUE(e);
        EXPECT_TRUE(e->usage);
        EXPECT_NE(e->text().find(c.file), std::string::npos) << e->text();
        EXPECT_NE(e->text().find(c.expected), std::string::npos) << e->text();
    }
}

TEST(network_inputs, row_problems_stay_with_their_link) {
    const SiteTable sites = sitesOf(
        "site,lat,lon\n"
        "Alpha,513000N,0000700W\n"
        "Bravo,514500N,0001500E\n"
        "Twice,1N,1E\n"
        "NoLat,,1E\n"
        "Short,1N\n"
        "Twice,2N,2E\n"
        ",3N,3E\n");
    ASSERT_EQ(sites.unreadableLines(), (std::vector<std::size_t>{8}));
    const std::vector<LinkRecord> read = linksOf(sites,
                                                 "name,from,to,freq\n"
                                                 "ok,Alpha,Bravo,6\n"
                                                 "missing,Alpha,Delta,6\n"
                                                 "twice,Twice,Alpha,6\n"
                                                 "nolat,Alpha,NoLat,6\n"
                                                 "short,Short,Alpha,6\n"
                                                 "same,Alpha,Alpha,6\n"
                                                 "nofrom,,Alpha,6\n"
                                                 "fields,Alpha,Bravo\n"
                                                 "after,Bravo,Alpha,7\n");
    ASSERT_EQ(read.size(), 9U);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"ok", ""},
        {"missing", "\"Delta\" is not a site of sites.csv"},
        {"twice", "named twice in sites.csv (lines 4 and 7)"},
        {"nolat", "has no lat (line 5 of sites.csv)"},
        {"short", "line 6 of sites.csv: the row has 2 fields, the header 3"},
        {"same", "is also the from site"},
        {"nofrom", "no site given"},
        {"fields", "line 9: the row has 3 fields, the header 4"},
        {"after", ""},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].first);
        EXPECT_EQ(read[i].name, expected[i].first);
        const std::string problem = problemOf(read[i]);
        if (expected[i].second.empty()) {
            EXPECT_EQ(problem, "");
        } else {
            EXPECT_NE(problem.find(expected[i].second), std::string::npos) << problem;
            EXPECT_NE(problem.find("links.csv"), std::string::npos) << problem;
        }
    }
    // A site that is missing while some site lines had no name says where to look.
    EXPECT_NE(problemOf(read[1]).find("line(s) without a readable site name: 8"),
              std::string::npos);
    EXPECT_EQ(read[8].path.at("freq"), "7");
}

TEST(network_inputs, files_are_read_and_a_missing_file_is_not_a_usage_error) {
    SiteTable sites;
    const auto missing = SiteTable::read("/nonexistent/sites.csv", sites);
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->usage);
    EXPECT_EQ(missing->error.kind, ErrorKind::FileNotFound);

    const std::string path = ::testing::TempDir() + "/network_inputs_sites.csv";
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("\xEF\xBB\xBFsite,lat,lon\r\nAlpha,1N,1E\r\nBravo,2N,2E\r\n", f);
        std::fclose(f);
    }
    ASSERT_FALSE(SiteTable::read(path, sites));
    ASSERT_NE(sites.find("Bravo"), nullptr);
    EXPECT_EQ(sites.find("Bravo")->keys.at("lon"), "2E");
    LinkReader links(sites);
    const auto noLinks = links.open(path + ".absent");
    ASSERT_TRUE(noLinks);
    EXPECT_FALSE(noLinks->usage);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace hopscale::cli
