// The picture of a path profile, described once without any toolkit: panels with their axis
// ranges and ticks, curves with role names and styles, filled areas, markers and the lines of
// text under the drawing. The SVG writer renders it and the Path Profile window paints the very
// same description, so the two never disagree.
//
// Roles of the profile panel ("profile"): "obstructions" and "ground" (filled down to the
// bottom), "f1-upper", "f1-lower", "line-of-sight", per criterion n (1-based) "raised-n" and
// "fraction-n", and with a reflection "ray-n" (From tip, reflection point, To tip) where the
// ground reflects; markers
// "worst-n" and "reflection-n". The level panel ("level", with a reflection sweep): the curve
// "level" (x receive antenna height m, y dB against free space), markers "null-i", "peak-i".
#pragma once

#include <string>
#include <vector>

#include "clearance.h"
#include "diffraction.h"
#include "profile.h"
#include "reflection.h"

namespace hopscale::terrain {

enum class LineStyle { Solid, Dashed, Dotted };

struct DrawingCurve {
    std::string role;
    std::string label;      // in the legend; empty: not in the legend
    int criterion = -1;     // index into the criteria, for the per-criterion curves
    std::vector<double> x;  // data units of the panel
    std::vector<double> y;
    std::string stroke;  // "#rrggbb"; empty: no outline
    double widthPx = 1.5;
    LineStyle style = LineStyle::Solid;
    std::string fill;       // "#rrggbb": filled down to the bottom of the panel; empty: none
    bool straight = false;  // a straight line: its ends say all
};

struct DrawingMarker {
    std::string role;
    double x = 0, y = 0;
    std::string colour;
    std::string text;  // drawn beside it, may be empty
    double radiusPx = 4;
};

struct DrawingPanel {
    std::string name;  // "profile", "level"
    std::string title;
    std::string xTitle, yTitle;
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
    std::vector<double> xTicks, yTicks;
    std::vector<DrawingCurve> curves;  // in painting order
    std::vector<DrawingMarker> markers;

    const DrawingCurve* curve(const std::string& role) const;
};

struct DrawingText {
    std::string role;  // "verdict", "diffraction", "reflection", "summary"
    std::string text;
    std::string colour = "#000000";
};

struct ProfileDrawing {
    std::string title;
    std::vector<DrawingPanel> panels;
    std::vector<DrawingText> notes;  // lines under the drawing, in order

    const DrawingPanel* panel(const std::string& name) const;
};

// An earth factor as reports write it: "4/3", "2/3" by name, others with three decimals.
std::string earthFactorText(double k);

// The colour of criterion `index`'s curves.
std::string criterionColour(std::size_t index);

// A round tick step near span / 6.
double niceStep(double span);

// The drawing of `report` over `profile`, with the diffraction figures and the reflection
// (points per criterion, rays, the level against height) when given.
ProfileDrawing buildProfileDrawing(const Profile& profile, const ClearanceReport& report,
                                   const DiffractionResult* diffraction = nullptr,
                                   const ReflectionResult* reflection = nullptr);

// The lines that describe the diffraction figures, and the reflection, as reports print them.
std::vector<std::string> diffractionLines(const DiffractionResult& d);
std::vector<std::string> reflectionLines(const ReflectionResult& r);

// Layout of the SVG document: the width, the plot rectangle of the profile panel and the
// height of the level panel's plot below it.
struct SvgLayout {
    double width = 1000;
    double plotLeft = 70, plotRight = 970;
    double profileTop = 44, profileBottom = 420;
    double levelGap = 56, levelHeight = 200;
    double lineHeight = 18;
};

// A self-contained SVG document of `drawing`.
std::string renderSvg(const ProfileDrawing& drawing, const SvgLayout& layout = {});

}  // namespace hopscale::terrain
