// `hopscale network` through the real binary: each link is the design `design report` would
// evaluate from the same values, overrides reach their end only, problems stay with their
// link, and the output does not depend on --jobs.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "hgt_tiles.h"
#include "shell_run.h"
#include "test_files.h"

namespace {

using hopscale::testing_files::ProcessRun;
using hopscale::testing_files::readFile;
using hopscale::testing_files::runShell;
using hopscale::testing_files::ScratchDir;
using Json = nlohmann::json;

// 100 m of plain with a ridge 500 m high along 41.5 N (0.05 degree on either side).
double ridgeM(double lat) { return 100 + 500 * std::max(0.0, 1 - std::fabs(lat - 41.5) / 0.05); }

const char* kSites =
    "site,lat,lon,ground-elevation,antenna-height,dish,threshold\n"
    "North,414500,813000,,30,6,-75\n"
    "East,414000,811500,,35,8,-78\n"
    "West,414200,814500,,25,6,-75\n"
    "South,412000,813000,,40,6,-75\n";

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The CSV cells of one line (no quoted commas in these tests' rows but the error).
std::vector<std::string> cells(const std::string& line) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            out.emplace_back();
        } else {
            out.back().push_back(c);
        }
    }
    return out;
}

class NetworkCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::create_directories(dir_.path() / "dem");
        hopscale::terrain::testing::writeHgt(dir_.path() / "dem" / "N41W082.hgt", 1201, 41, -82,
                                             [](double lat, double) { return ridgeM(lat); });
        write("sites.csv", kSites);
    }

    std::filesystem::path write(const std::string& name, const std::string& text) {
        const auto path = dir_.path() / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string path(const std::string& name) const { return (dir_.path() / name).string(); }

    ProcessRun hopscale(const std::string& arguments) {
        const std::string errPath = path("err.txt");
        const std::string command = "cd '" + dir_.path().string() + "' && env -u DISPLAY '" +
                                    std::string(HOPSCALE_BINARY) + "' " + arguments + " 2>'" +
                                    errPath + "'";
        return runShell(command, errPath);
    }

    ScratchDir dir_;
};

// The design file of a link as a user would write it by hand for `design report`.
Json designOf(const std::string& name, const Json& from, const Json& to, const Json& path,
              const Json& conditions, const std::string& dem) {
    Json site = {{"dish", "6"}, {"power", "30"}, {"loss", "1.5"}, {"length", "150"}};
    Json a = site, b = site;
    a.update(from);
    b.update(to);
    return {{"format", "hopscale-design"},
            {"version", 1},
            {"name", name},
            {"path", path},
            {"sites", {a, b}},
            {"conditions", conditions},
            {"profile", {{"dem", {dem}}}}};
}

TEST_F(NetworkCommand, each_link_is_the_design_report_of_the_same_design) {
    write("template.hop", designOf("template", Json::object(), Json::object(),
                                   {{"freq", "11"}, {"fade-margin", "30"}},
                                   {{"rain-zone", "K"}, {"target", "99.99"}}, "dem")
                              .dump());
    write("links.csv",
          "name,from,to,freq,polarisation,from-dish,to-threshold,to-antenna-height\n"
          "N-E,North,East,,h,10,,\n"
          "N-S,North,South,18,,,-70,120\n"
          "W-E,West,East,6,,,,\n");
    const ProcessRun json =
        hopscale("network links.csv --sites sites.csv --design template.hop --json");
    ASSERT_EQ(json.status, 0) << json.err;
    const ProcessRun csv = hopscale("network links.csv --sites sites.csv --design template.hop");
    ASSERT_EQ(csv.status, 0) << csv.err;
    const auto jsonLines = lines(json.out);
    const auto csvLines = lines(csv.out);
    ASSERT_EQ(jsonLines.size(), 3U);
    ASSERT_EQ(csvLines.size(), 4U);
    const auto header = cells(csvLines[0]);
    auto column = [&](const std::string& name) {
        const auto at = std::find(header.begin(), header.end(), name);
        EXPECT_NE(at, header.end()) << name;
        return static_cast<std::size_t>(at - header.begin());
    };

    const std::string dem = "dem";  // as the template names it, read from the same folder
    const Json north = {{"name", "North"},
                        {"lat", "414500"},
                        {"lon", "813000"},
                        {"antenna-height", "30"},
                        {"threshold", "-75"}};
    const Json east = {{"name", "East"},         {"lat", "414000"}, {"lon", "811500"},
                       {"antenna-height", "35"}, {"dish", "8"},     {"threshold", "-78"}};
    const Json west = {{"name", "West"},
                       {"lat", "414200"},
                       {"lon", "814500"},
                       {"antenna-height", "25"},
                       {"threshold", "-75"}};
    const Json south = {{"name", "South"},
                        {"lat", "412000"},
                        {"lon", "813000"},
                        {"antenna-height", "40"},
                        {"threshold", "-75"}};
    Json northBigDish = north;
    northBigDish["dish"] = "10";
    Json southOverridden = south;
    southOverridden["threshold"] = "-70";
    southOverridden["antenna-height"] = "120";
    const Json path = {{"freq", "11"}, {"fade-margin", "30"}};
    const Json conditions = {{"rain-zone", "K"}, {"target", "99.99"}};
    Json horizontal = conditions;
    horizontal["polarisation"] = "h";
    const std::vector<Json> designs = {
        designOf("N-E", northBigDish, east, path, horizontal, dem),
        designOf("N-S", north, southOverridden, {{"freq", "18"}, {"fade-margin", "30"}}, conditions,
                 dem),
        designOf("W-E", west, east, {{"freq", "6"}, {"fade-margin", "30"}}, conditions, dem),
    };
    for (std::size_t i = 0; i < designs.size(); ++i) {
        SCOPED_TRACE(designs[i]["name"].get<std::string>());
        const std::string file = "link" + std::to_string(i) + ".hop";
        write(file, designs[i].dump());
        const ProcessRun report = hopscale("design report " + file + " --json");
        ASSERT_EQ(report.status, 0) << report.err;
        const Json expected = Json::parse(report.out);
        const Json got = Json::parse(jsonLines[i]);
        EXPECT_EQ(got, expected);

        // The CSV holds the same figures.
        const auto row = cells(csvLines[i + 1]);
        const Json& ab = expected["directions"][0]["performance"];
        const Json& ba = expected["directions"][1]["performance"];
        EXPECT_EQ(std::stod(row[column("abRslDbm")]), ab["rslDbm"].get<double>());
        EXPECT_EQ(std::stod(row[column("abFadeMarginDb")]), ab["flatFadeMarginDb"].get<double>());
        EXPECT_EQ(std::stod(row[column("baAvailabilityPercent")]),
                  ba["availabilityPercent"].get<double>());
        EXPECT_EQ(std::stod(row[column("twoWayAvailabilityPercent")]),
                  expected["twoWay"]["availabilityPercent"].get<double>());
        EXPECT_EQ(row[column("targetMet")],
                  expected["twoWay"]["targetMet"].get<bool>() ? "yes" : "no");
        EXPECT_NEAR(std::stod(row[column("pathKm")]), ab["geodesic"]["km"].get<double>(), 1e-9);
        EXPECT_NEAR(std::stod(row[column("fromAzimuthDeg")]),
                    ab["geodesic"]["azimuthFrom"].get<double>(), 1e-9);
        const Json& profile = expected["profile"];
        EXPECT_EQ(row[column("clearanceMet")], profile["allMet"].get<bool>() ? "yes" : "no");
        EXPECT_EQ(std::stod(row[column("worstClearanceF1")]),
                  profile["criteria"][0]["worst"]["clearanceF1"].get<double>());
        EXPECT_EQ(std::stod(row[column("heightNeededToM")]),
                  profile["heightsNeededM"][1].get<double>());
        EXPECT_EQ(row[column("error")], "");
    }
    // The ridge stands between North and South, well above the line between their masts.
    EXPECT_EQ(cells(csvLines[2])[column("verdict")], "not clear");
}

TEST_F(NetworkCommand, problems_stay_with_their_link_and_headers_stop_everything) {
    write("sites2.csv", std::string(kSites) + "North,1,1,,,,\nBad,414000\n");
    write("links.csv",
          "name,from,to,from-watts,freq\n"
          "ok,East,West,,6\n"
          "missing,East,Nowhere,,6\n"
          "twice,North,East,,6\n"
          "badline,Bad,East,,6\n"
          "switch,East,West,maybe,6\n"
          "budget,East,West,,0\n"
          "fields,East,West\n"
          "last,West,East,,6\n");
    const ProcessRun run = hopscale("network links.csv --sites sites2.csv --dem dem");
    EXPECT_EQ(run.status, 1);
    const auto out = lines(run.out);
    ASSERT_EQ(out.size(), 9U);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"ok", ""},
        {"missing", "\"\"Nowhere\"\" is not a site of sites2.csv"},
        {"twice", "named twice in sites2.csv (lines 2 and 6)"},
        {"badline", "line 7 of sites2.csv: the row has 2 fields, the header 7"},
        {"switch", "sites[0].watts"},
        {"budget", "Frequency"},
        {"fields", "line 8: the row has 3 fields, the header 5"},
        {"last", ""},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].first);
        const std::string& line = out[i + 1];
        EXPECT_EQ(line.rfind(expected[i].first + ",", 0), 0U) << line;
        if (expected[i].second.empty()) {
            EXPECT_EQ(line.back(), ',') << line;  // no error
        } else {
            EXPECT_NE(line.find(expected[i].second), std::string::npos) << line;
        }
    }
    EXPECT_NE(run.err.find("6 of 8 links failed (first on line 3)"), std::string::npos) << run.err;

    // As JSON lines a failed link is its names and its error; the CSV can go to a file.
    const ProcessRun json =
        hopscale("network links.csv --sites sites2.csv --dem dem --json --csv both.csv");
    EXPECT_EQ(json.status, 1);
    const auto objects = lines(json.out);
    ASSERT_EQ(objects.size(), 8U);
    const Json missing = Json::parse(objects[1]);
    EXPECT_EQ(missing["name"], "missing");
    EXPECT_EQ(missing["to"], "Nowhere");
    EXPECT_EQ(missing["error"]["kind"], "bad file");
    EXPECT_NE(missing["error"]["message"].get<std::string>().find("Nowhere"), std::string::npos);
    EXPECT_EQ(Json::parse(objects[4])["error"]["key"], "sites[0].watts");
    EXPECT_EQ(Json::parse(objects[7])["name"], "last");
    EXPECT_TRUE(Json::parse(objects[7]).contains("directions"));
    EXPECT_EQ(readFile(path("both.csv")), run.out);

    struct Usage {
        std::string arguments;
        std::string message;
    };
    write("badlinks.csv", "name,from,to,colour\n");
    write("badsites.csv", "site,lat\n");
    const Usage usages[] = {
        {"network badlinks.csv --sites sites.csv", "colour"},
        {"network links.csv --sites badsites.csv", "lon"},
        {"network links.csv --sites sites.csv --map net.shp", "net.shp"},
        {"network links.csv --sites sites.csv --jobs 0", "jobs"},
        {"network links.csv", "sites"},
    };
    for (const Usage& u : usages) {
        SCOPED_TRACE(u.arguments);
        const ProcessRun bad = hopscale(u.arguments);
        EXPECT_EQ(bad.status, 2);
        EXPECT_EQ(bad.out, "");
        EXPECT_NE(bad.err.find(u.message), std::string::npos) << bad.err;
    }
    const ProcessRun noFile = hopscale("network absent.csv --sites sites.csv");
    EXPECT_EQ(noFile.status, 1);
    EXPECT_NE(noFile.err.find("absent.csv"), std::string::npos);
}

TEST_F(NetworkCommand, output_and_map_are_the_same_whatever_the_jobs) {
    std::string links = "name,from,to,freq,to-antenna-height\n";
    const char* names[] = {"North", "East", "West", "South"};
    for (int i = 0; i < 40; ++i) {
        links += "L" + std::to_string(i) + "," + names[i % 4] + "," +
                 names[(i + 1 + i / 4 % 3) % 4] + "," + std::to_string(6 + i % 5 * 4) + "," +
                 std::to_string(20 + i) + "\n";
    }
    links += "lost,North,Nowhere,6,\n";  // fails: a line without a place on the map
    write("links.csv", links);
    const ProcessRun one = hopscale(
        "network links.csv --sites sites.csv --dem dem --jobs 1 --csv one.csv --map one.geojson");
    const std::string oneCsv = readFile(path("one.csv"));
    ASSERT_FALSE(oneCsv.empty()) << one.err;
    for (const char* jobs : {"2", "5"}) {
        SCOPED_TRACE(jobs);
        const ProcessRun many =
            hopscale(std::string("network links.csv --sites sites.csv --dem dem --jobs ") + jobs +
                     " --csv many.csv --map many.geojson");
        EXPECT_EQ(many.status, one.status);
        EXPECT_EQ(many.err, one.err);
        EXPECT_EQ(readFile(path("many.csv")), oneCsv);
        EXPECT_EQ(readFile(path("many.geojson")), readFile(path("one.geojson")));
    }
    EXPECT_EQ(one.out, "");  // the CSV went to its file

    // The map holds every site and link, links coloured by their verdict.
    const Json map = Json::parse(readFile(path("one.geojson")));
    std::size_t sites = 0, linksSeen = 0;
    for (const Json& f : map["features"]) {
        const Json& p = f["properties"];
        if (p["layer"] == "sites") {
            ++sites;
            EXPECT_EQ(f["geometry"]["type"], "Point");
        } else if (p["name"] == "lost") {
            EXPECT_TRUE(f["geometry"].is_null());
            EXPECT_EQ(p["colour"], "red");
            EXPECT_NE(p["error"].get<std::string>().find("Nowhere"), std::string::npos);
        } else {
            ++linksSeen;
            EXPECT_EQ(f["geometry"]["type"], "LineString");
            const std::string verdict = p["verdict"];
            const std::string colour = p["colour"];
            const std::map<std::string, std::string> colours = {
                {"not clear", "red"},
                {"does not close", "red"},
                {"clear, meets the target", "green"},
                {"clear, misses the target", "amber"},
                {"not judged: no thresholds", "grey"}};
            EXPECT_EQ(colour, colours.at(verdict));
        }
    }
    EXPECT_EQ(sites, 4U);
    EXPECT_EQ(linksSeen, 40U);
}

}  // namespace
