// The computed profile as CSV (read back as a profile) and as an SVG drawing.
#include "profile_export.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace hopscale::terrain {
namespace {

// Flat 0 m ground over 20 km with a 25 m knife edge at 5 km, 10 GHz, antennas 30 m: the
// values at 5 km are worked out in clearance_test.cpp (clearance 0.584772 m = 0.0551982 F1
// at k 4/3, F1 10.59404 m, bulge 4.415228 m).
struct KnifeEdge {
    Profile profile;
    ClearanceReport report;
    KnifeEdge() {
        for (int km = 0; km <= 20; ++km)
            profile.points.push_back({static_cast<double>(km), km == 5 ? 25.0 : 0.0, 0, ""});
        profile.points[5].label = "edge, \"sharp\"";
        profile.points[10].obstructionM = 12;
        profile.points[10].label = "<mast & aerial>";
        profile.pathKm = 20;
        profile.source = "knife.csv";
        auto model = ClearanceModel::make(profile, 10, northAmericanCriteria());
        report = model.value->evaluate({30, 30});
    }
};

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}

TEST(profile_export, csv_holds_every_point_and_criterion) {
    const KnifeEdge k;
    const std::string csv = profileCsv(k.profile, k.report);
    const auto rows = lines(csv);
    ASSERT_EQ(rows.size(), 22u);
    EXPECT_EQ(rows[0],
              "distance_km,elevation_m,obstruction_m,label,line_of_sight_m,f1_m,bulge_m_1,"
              "clearance_m_1,clearance_f1_1,"
              "bulge_m_2,clearance_m_2,clearance_f1_2,bulge_m_3,clearance_m_3,clearance_f1_3");
    EXPECT_EQ(rows[6],
              "5.0000,25.000,0.000,\"edge, "
              "\"\"sharp\"\"\",30.000,10.594,4.415,0.585,0.0552,5.887,-0.887,-0.0837,"
              "8.830,-3.830,-0.3616");
    EXPECT_EQ(rows[1].substr(0, 40), "0.0000,0.000,0.000,,30.000,0.000,0.000,3");
}

TEST(profile_export, csv_reads_back_as_the_same_profile) {
    const KnifeEdge k;
    const auto back = parseProfileCsv(profileCsv(k.profile, k.report), "out.csv");
    ASSERT_TRUE(back.ok()) << back.error->message();
    ASSERT_EQ(back.value->points.size(), k.profile.points.size());
    for (std::size_t i = 0; i < k.profile.points.size(); ++i) {
        EXPECT_NEAR(back.value->points[i].distanceKm, k.profile.points[i].distanceKm, 1e-9);
        EXPECT_NEAR(back.value->points[i].groundM, k.profile.points[i].groundM, 1e-9);
        EXPECT_NEAR(back.value->points[i].obstructionM, k.profile.points[i].obstructionM, 1e-9);
        EXPECT_EQ(back.value->points[i].label, k.profile.points[i].label);
    }
}

TEST(profile_export, sea_and_reflecting_marks_read_back) {
    KnifeEdge k;
    k.profile.points[12].sea = true;
    k.profile.points[13].reflecting = true;
    const std::string csv = profileCsv(k.profile, k.report);
    EXPECT_NE(lines(csv)[0].find(",clearance_f1_3,sea,reflecting"), std::string::npos);
    const auto back = parseProfileCsv(csv, "out.csv");
    ASSERT_TRUE(back.ok()) << back.error->message();
    for (std::size_t i = 0; i < k.profile.points.size(); ++i) {
        EXPECT_EQ(back.value->points[i].sea, i == 12) << i;
        EXPECT_EQ(back.value->points[i].reflecting, i == 13) << i;
    }
}

TEST(profile_export, svg_draws_every_curve_and_verdict) {
    const KnifeEdge k;
    const std::string svg = profileSvg(k.profile, k.report);
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("</svg>"), std::string::npos);
    for (const char* id :
         {"ground", "obstructions", "line-of-sight", "f1-upper", "f1-lower", "raised-1", "raised-2",
          "raised-3", "fraction-1", "fraction-2", "fraction-3", "worst-1", "worst-2", "worst-3"}) {
        EXPECT_NE(svg.find("id=\"" + std::string(id) + "\""), std::string::npos) << id;
    }
    // Each curve has one vertex per point.
    const std::regex curve("<polyline id=\"raised-1\"[^>]* points=\"([^\"]*)\"");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(svg, m, curve));
    const std::string points = m[1];
    EXPECT_EQ(std::count(points.begin(), points.end(), ','), 21);
    // One verdict per criterion; labels and texts escaped for XML.
    std::size_t verdicts = 0;
    for (std::size_t at = svg.find("class=\"verdict\""); at != std::string::npos;
         at = svg.find("class=\"verdict\"", at + 1)) {
        ++verdicts;
    }
    EXPECT_EQ(verdicts, 3u);
    EXPECT_NE(svg.find("k 4/3, 1.00 F1: NOT MET, worst 0.055 F1 (0.58 m) at 5.000 km (15.000 km "
                       "from the To end)"),
              std::string::npos);
    EXPECT_NE(svg.find("&quot;edge, &quot;sharp&quot;&quot;"), std::string::npos);
    EXPECT_EQ(svg.find("<mast"), std::string::npos);
    EXPECT_NE(svg.find("Diffraction loss 8.9 dB"), std::string::npos);
    EXPECT_NE(svg.find("Heights needed: 40.1 m and 40.1 m"), std::string::npos);
}

TEST(profile_export, verdict_line_for_a_met_criterion) {
    CriterionResult r;
    r.criterion = {1.0, 0.6};
    r.met = true;
    r.worst = {3, 7.25, 12.75, "", 10.5, 0.8123};
    EXPECT_EQ(
        verdictLine(r),
        "k 1.000, 0.60 F1: met, worst 0.812 F1 (10.50 m) at 7.250 km (12.750 km from the To end)");
}

}  // namespace
}  // namespace hopscale::terrain
