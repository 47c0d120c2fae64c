// The drawing model of a profile: the roles and order of its curves, the panels it holds with a
// reflection, what it leaves out, and the SVG that renders it.
#include "profile_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "profile_export.h"

namespace hopscale::terrain {
namespace {

// Flat sea at 0 m over 20 km (every 500 m), a 10 m islet of rock at 4 km, masts 50 m and
// 30 m, 6 GHz, the North American criteria.
struct Bay {
    Profile profile;
    ClearanceReport report;
    DiffractionResult diffraction;
    ReflectionResult reflection;
    explicit Bay(double sweepToM = 60) {
        for (int i = 0; i <= 40; ++i) {
            ProfilePoint p{i * 0.5, i == 8 ? 10.0 : 0.0, 0, i == 8 ? "<islet & rock>" : ""};
            p.sea = i != 8;
            profile.points.push_back(p);
        }
        profile.pathKm = 20;
        profile.source = "bay.csv";
        report =
            ClearanceModel::make(profile, 6, northAmericanCriteria()).value->evaluate({50, 30});
        DiffractionInputs d;
        d.frequencyGhz = 6;
        d.antennas = {50, 30};
        diffraction = *computeDiffraction(profile, d).value;
        ReflectionInputs r;
        r.frequencyGhz = 6;
        r.antennas = {50, 30};
        r.earthFactors = {4.0 / 3.0, 1.0, 2.0 / 3.0};
        r.surfaceM = 0;
        r.ground = seaGround();
        r.sweepToM = sweepToM;
        r.sweepSteps = 200;
        reflection = *computeReflection(profile, r).value;
    }
};

std::vector<std::string> roles(const DrawingPanel& panel) {
    std::vector<std::string> out;
    for (const DrawingCurve& c : panel.curves) out.push_back(c.role);
    return out;
}

TEST(profile_drawing, curves_in_painting_order_with_one_point_per_profile_point) {
    const Bay bay;
    const ProfileDrawing plain = buildProfileDrawing(bay.profile, bay.report);
    ASSERT_EQ(plain.panels.size(), 1u);
    const DrawingPanel& p = plain.panels.front();
    EXPECT_EQ(roles(p),
              (std::vector<std::string>{"obstructions", "ground", "f1-upper", "f1-lower",
                                        "line-of-sight", "raised-1", "fraction-1", "raised-2",
                                        "fraction-2", "raised-3", "fraction-3"}));
    for (const DrawingCurve& c : p.curves) EXPECT_EQ(c.x.size(), 41u) << c.role;
    EXPECT_FALSE(p.curve("ground")->fill.empty());
    EXPECT_TRUE(p.curve("line-of-sight")->straight);
    EXPECT_EQ(p.curve("raised-2")->criterion, 1);
    EXPECT_EQ(p.curve("raised-2")->stroke, criterionColour(1));
    // Every value lies inside the axis ranges, and the ticks inside them too.
    for (const DrawingCurve& c : p.curves) {
        for (double y : c.y) {
            EXPECT_GT(y, p.yMin);
            EXPECT_LT(y, p.yMax);
        }
    }
    EXPECT_EQ(p.xMin, 0);
    EXPECT_EQ(p.xMax, 20);
    ASSERT_FALSE(p.yTicks.empty());
    EXPECT_GE(p.yTicks.front(), p.yMin);
    EXPECT_LE(p.yTicks.back(), p.yMax);
    EXPECT_EQ(p.markers.size(), 3u);  // the worst point of each criterion
    // Without a diffraction result, the average-terrain line of the clearance report.
    EXPECT_EQ(plain.notes.back().role, "summary");
    EXPECT_EQ(std::count_if(plain.notes.begin(), plain.notes.end(),
                            [](const DrawingText& t) { return t.role == "verdict"; }),
              3);
}

TEST(profile_drawing, reflection_adds_rays_points_and_the_level_panel) {
    const Bay bay;
    const ProfileDrawing d =
        buildProfileDrawing(bay.profile, bay.report, &bay.diffraction, &bay.reflection);
    ASSERT_EQ(d.panels.size(), 2u);
    const DrawingPanel& p = *d.panel("profile");
    for (const char* role : {"ray-1", "ray-2", "ray-3"}) {
        ASSERT_TRUE(p.curve(role)) << role;
        EXPECT_EQ(p.curve(role)->x.size(), 3u);
    }
    const DrawingPanel& level = *d.panel("level");
    EXPECT_EQ(level.curve("level")->x.size(), 201u);
    EXPECT_EQ(level.xMax, 60);
    const std::size_t nulls = bay.reflection.nullHeightsM.size();
    EXPECT_EQ(std::count_if(level.markers.begin(), level.markers.end(),
                            [](const DrawingMarker& m) { return m.role.rfind("null-", 0) == 0; }),
              static_cast<long>(nulls));
    // The texts: diffraction figures with their method, then the reflection, then the summary.
    std::vector<std::string> kinds;
    for (const DrawingText& t : d.notes) {
        if (kinds.empty() || kinds.back() != t.role) kinds.push_back(t.role);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"verdict", "diffraction", "reflection", "summary"}));
    EXPECT_NE(d.notes[3].text.find("ITU-R P.526-16 delta-Bullington"), std::string::npos);

    // A point the earth hides is neither marked nor given rays.
    ReflectionResult hidden = bay.reflection;
    hidden.points[1].state = ReflectionState::HiddenByEarth;
    const ProfileDrawing h = buildProfileDrawing(bay.profile, bay.report, nullptr, &hidden);
    EXPECT_FALSE(h.panel("profile")->curve("ray-2"));
    EXPECT_TRUE(h.panel("profile")->curve("ray-3"));
    auto marked = [](const DrawingPanel& panel, const std::string& role) {
        return std::any_of(panel.markers.begin(), panel.markers.end(),
                           [&](const DrawingMarker& m) { return m.role == role; });
    };
    EXPECT_FALSE(marked(*h.panel("profile"), "reflection-2"));
    // One where the ground does not reflect is marked "R?", without rays.
    ReflectionResult off = bay.reflection;
    off.points[0].state = ReflectionState::OffSurface;
    const ProfileDrawing o = buildProfileDrawing(bay.profile, bay.report, nullptr, &off);
    EXPECT_FALSE(o.panel("profile")->curve("ray-1"));
    EXPECT_TRUE(marked(*o.panel("profile"), "reflection-1"));
    // Without a sweep there is no level panel.
    ReflectionResult unswept = bay.reflection;
    unswept.sweep.clear();
    EXPECT_FALSE(buildProfileDrawing(bay.profile, bay.report, nullptr, &unswept).panel("level"));
}

TEST(profile_drawing, svg_renders_every_panel_curve_and_line) {
    const Bay bay;
    const std::string svg = profileSvg(bay.profile, bay.report, &bay.diffraction, &bay.reflection);
    for (const char* id : {"panel-profile", "panel-level", "ground", "obstructions", "ray-1",
                           "reflection-1", "level", "worst-3"}) {
        EXPECT_NE(svg.find("id=\"" + std::string(id) + "\""), std::string::npos) << id;
    }
    EXPECT_NE(svg.find("class=\"diffraction\""), std::string::npos);
    EXPECT_NE(svg.find("class=\"reflection\""), std::string::npos);
    EXPECT_EQ(svg.find("<islet"), std::string::npos);  // labels escaped
    // The average-terrain sentence belongs to the drawing without a diffraction result only.
    EXPECT_EQ(svg.find("Diffraction loss 8."), std::string::npos);
    EXPECT_EQ(earthFactorText(4.0 / 3.0), "4/3");
    EXPECT_EQ(earthFactorText(1.5), "1.500");
}

}  // namespace
}  // namespace hopscale::terrain
