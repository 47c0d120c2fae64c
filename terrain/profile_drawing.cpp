#include "profile_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <limits>

#include "profile_export.h"

namespace hopscale::terrain {
namespace {

std::string format(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* f, ...) {
    char buffer[512];
    va_list args;
    va_start(args, f);
    std::vsnprintf(buffer, sizeof buffer, f, args);
    va_end(args);
    return buffer;
}

std::string kText(double k) { return earthFactorText(k); }

const char* const kColours[] = {"#c0392b", "#2471a3", "#7d3c98", "#d68910", "#117a65", "#566573"};
constexpr const char* kGroundFill = "#b9935a";
constexpr const char* kGroundEdge = "#7a5c2e";
constexpr const char* kObstructionFill = "#58a55c";
constexpr const char* kFresnel = "#888888";
constexpr const char* kSight = "#000000";
constexpr const char* kLevel = "#1f4e99";

std::vector<double> ticks(double lo, double hi) {
    std::vector<double> out;
    const double step = niceStep(hi - lo);
    for (double t = std::ceil(lo / step) * step; t <= hi + 1e-9 * step; t += step) {
        out.push_back(std::fabs(t) < 1e-9 * step ? 0.0 : t);
        if (out.size() > 100) break;
    }
    return out;
}

DrawingCurve curveOf(std::string role, std::string label, const std::vector<double>& x,
                     std::vector<double> y, std::string stroke, double width,
                     LineStyle style = LineStyle::Solid) {
    DrawingCurve c;
    c.role = std::move(role);
    c.label = std::move(label);
    c.x = x;
    c.y = std::move(y);
    c.stroke = std::move(stroke);
    c.widthPx = width;
    c.style = style;
    return c;
}

DrawingPanel profilePanel(const Profile& profile, const ClearanceReport& report,
                          const ReflectionResult* reflection) {
    const std::size_t n = report.distanceKm.size();
    const std::vector<double>& x = report.distanceKm;
    DrawingPanel p;
    p.name = "profile";
    p.title = "Path profile";
    p.xTitle = "distance from the From end, km";
    p.yTitle = "m above sea level";

    std::vector<double> ground(n), upper(n), lower(n);
    for (std::size_t i = 0; i < n; ++i) {
        ground[i] = profile.points[i].groundM;
        upper[i] = report.lineOfSightM[i] + report.f1M[i];
        lower[i] = report.lineOfSightM[i] - report.f1M[i];
    }
    DrawingCurve obstructions = curveOf("obstructions", "", x, report.terrainM, "", 0);
    obstructions.fill = kObstructionFill;
    p.curves.push_back(std::move(obstructions));
    DrawingCurve groundCurve = curveOf("ground", "", x, ground, kGroundEdge, 1);
    groundCurve.fill = kGroundFill;
    p.curves.push_back(std::move(groundCurve));
    p.curves.push_back(curveOf("f1-upper", "", x, upper, kFresnel, 1.2, LineStyle::Dotted));
    p.curves.push_back(
        curveOf("f1-lower", "first Fresnel zone", x, lower, kFresnel, 1.2, LineStyle::Dotted));
    DrawingCurve sight =
        curveOf("line-of-sight", "line of sight", x, report.lineOfSightM, kSight, 1.5);
    sight.straight = true;
    p.curves.push_back(std::move(sight));
    for (std::size_t c = 0; c < report.criteria.size(); ++c) {
        const CriterionResult& cr = report.criteria[c];
        const std::string colour = criterionColour(c);
        const std::string k = format("%.4g", cr.criterion.k);
        DrawingCurve raised = curveOf("raised-" + std::to_string(c + 1), "terrain raised at k " + k,
                                      x, cr.raisedTerrainM, colour, 1.5);
        raised.criterion = static_cast<int>(c);
        p.curves.push_back(std::move(raised));
        DrawingCurve fraction = curveOf("fraction-" + std::to_string(c + 1),
                                        format("%.3g F1 (k %s)", cr.criterion.fraction, k.c_str()),
                                        x, cr.requiredM, colour, 1.5, LineStyle::Dashed);
        fraction.criterion = static_cast<int>(c);
        p.curves.push_back(std::move(fraction));
        p.markers.push_back({"worst-" + std::to_string(c + 1), cr.worst.distanceKm,
                             cr.raisedTerrainM[cr.worst.index], colour, std::to_string(c + 1), 5});
    }

    // The reflection point of each k on the surface raised by that k's bulge, with its rays.
    if (reflection) {
        const double hts = report.lineOfSightM.front(), hrs = report.lineOfSightM.back();
        for (std::size_t i = 0; i < reflection->points.size(); ++i) {
            const ReflectionPoint& rp = reflection->points[i];
            if (rp.state == ReflectionState::HiddenByEarth) continue;
            const double ae = kEarthRadiusKm * rp.earthFactor;
            const double y = rp.surfaceM + 500 * rp.distanceKm * rp.distanceToEndKm / ae;
            const std::string colour = criterionColour(i);
            // Rays only where the ground reflects; elsewhere the point is marked "R?".
            if (rp.state == ReflectionState::OnSurface) {
                DrawingCurve ray = curveOf("ray-" + std::to_string(i + 1),
                                           "reflected ray at k " + kText(rp.earthFactor),
                                           {0.0, rp.distanceKm, report.pathKm}, {hts, y, hrs},
                                           colour, 1.0, LineStyle::Dashed);
                ray.criterion = static_cast<int>(i);
                p.curves.push_back(std::move(ray));
            }
            p.markers.push_back({"reflection-" + std::to_string(i + 1), rp.distanceKm, y, colour,
                                 rp.state == ReflectionState::OnSurface ? "R" : "R?", 4});
        }
    }

    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const DrawingCurve& c : p.curves) {
        for (double v : c.y) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    const double pad = std::max(5.0, 0.06 * (hi - lo));
    p.yMin = lo - pad;
    p.yMax = hi + pad;
    p.xMin = 0;
    p.xMax = std::max(report.pathKm, 1e-9);
    p.xTicks = ticks(p.xMin, p.xMax);
    p.yTicks = ticks(p.yMin, p.yMax);
    return p;
}

DrawingPanel levelPanel(const ReflectionResult& r) {
    DrawingPanel p;
    p.name = "level";
    p.title = "Level against the receive antenna height, k " + kText(r.sweepEarthFactor);
    p.xTitle = "receive antenna height above ground, m";
    p.yTitle = "dB against free space";
    std::vector<double> x, y;
    x.reserve(r.sweep.size());
    y.reserve(r.sweep.size());
    double lo = 0, hi = 0;
    for (const SweepPoint& s : r.sweep) {
        x.push_back(s.heightM);
        y.push_back(s.levelDb);
        lo = std::min(lo, s.levelDb);
        hi = std::max(hi, s.levelDb);
    }
    p.curves.push_back(curveOf("level", "level", x, y, kLevel, 1.5));
    auto levelAt = [&](double h) {
        // The drawn curve's value at h, so that the marks sit on it.
        auto it = std::lower_bound(x.begin(), x.end(), h);
        std::size_t i = static_cast<std::size_t>(it - x.begin());
        if (i == 0) return y.front();
        if (i >= x.size()) return y.back();
        const double t = (h - x[i - 1]) / (x[i] - x[i - 1]);
        return y[i - 1] + t * (y[i] - y[i - 1]);
    };
    for (std::size_t i = 0; i < r.nullHeightsM.size(); ++i) {
        p.markers.push_back({"null-" + std::to_string(i + 1), r.nullHeightsM[i],
                             levelAt(r.nullHeightsM[i]), "#c0392b", "", 3});
    }
    for (std::size_t i = 0; i < r.peakHeightsM.size(); ++i) {
        p.markers.push_back({"peak-" + std::to_string(i + 1), r.peakHeightsM[i],
                             levelAt(r.peakHeightsM[i]), "#117a65", "", 3});
    }
    // Deep nulls run off the bottom: 40 dB below free space is deep enough to read.
    p.yMin = std::max(lo, -40.0) - 2;
    p.yMax = hi + 2;
    p.xMin = x.empty() ? 0 : x.front();
    p.xMax = x.empty() ? 1 : std::max(x.back(), x.front() + 1e-9);
    p.xTicks = ticks(p.xMin, p.xMax);
    p.yTicks = ticks(p.yMin, p.yMax);
    return p;
}

}  // namespace

const DrawingCurve* DrawingPanel::curve(const std::string& role) const {
    for (const DrawingCurve& c : curves) {
        if (c.role == role) return &c;
    }
    return nullptr;
}

const DrawingPanel* ProfileDrawing::panel(const std::string& name) const {
    for (const DrawingPanel& p : panels) {
        if (p.name == name) return &p;
    }
    return nullptr;
}

std::string earthFactorText(double k) {
    if (std::fabs(k - 4.0 / 3.0) < 1e-9) return "4/3";
    if (std::fabs(k - 2.0 / 3.0) < 1e-9) return "2/3";
    return format("%.3f", k);
}

std::string criterionColour(std::size_t index) {
    return kColours[index % (sizeof kColours / sizeof kColours[0])];
}

double niceStep(double span) {
    if (!(span > 0) || !std::isfinite(span)) return 1;
    const double raw = span / 6;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (raw <= m * power) return m * power;
    }
    return 10 * power;
}

std::vector<std::string> diffractionLines(const DiffractionResult& d) {
    std::vector<std::string> out;
    out.push_back(format("Diffraction loss %.1f dB (%s, k %s, %s polarisation)", d.lossDb,
                         d.method.c_str(), kText(d.earthFactor).c_str(),
                         polarisationName(d.polarisation)));
    out.push_back(
        format("Bullington %.1f dB over the profile, %.1f dB over the smooth earth; "
               "spherical earth %.1f dB (%.0f %% sea); smooth-earth heights %.2f m and "
               "%.2f m",
               d.bullingtonDb, d.smoothBullingtonDb, d.sphericalEarthDb, 100 * d.seaFraction,
               d.smoothEarth.fromM, d.smoothEarth.toM));
    out.push_back(format("Single knife edge at %.3f km: nu %.3f, %.1f dB (%s)",
                         d.knifeEdge.distanceKm, d.knifeEdge.nu, d.knifeEdge.lossDb,
                         kKnifeEdgeMethod));
    if (d.averageTerrainDb) {
        out.push_back(format("Planning figure only: %.1f dB over average terrain (%s)",
                             *d.averageTerrainDb, kDiffractionModel));
    }
    return out;
}

std::vector<std::string> reflectionLines(const ReflectionResult& r) {
    std::vector<std::string> out;
    out.push_back(format("Reflection off the %s, %s ground, roughness %.2f m (%s)",
                         r.surface.c_str(), r.ground.name.c_str(), r.roughnessM, r.method.c_str()));
    for (const ReflectionPoint& p : r.points) {
        const std::string k = kText(p.earthFactor);
        if (p.state == ReflectionState::HiddenByEarth) {
            out.push_back(format("k %s: hidden by the earth", k.c_str()));
            continue;
        }
        std::string line = format("k %s: at %.3f km (%.3f km from the To end), %s", k.c_str(),
                                  p.distanceKm, p.distanceToEndKm, describe(p.state));
        line += format(
            "; grazing %.3f deg, divergence %.3f, |R| %.3f, coefficient %.3f, path "
            "difference %.3f m (%.2f wavelengths), level %+.1f dB",
            p.grazingDeg, p.divergence, std::abs(p.reflection), p.coefficient, p.pathDifferenceM,
            p.pathDifferenceWavelengths, p.levelDb);
        out.push_back(line);
    }
    if (!r.sweep.empty()) {
        std::string line = format("Receive height %.1f to %.1f m at k %s:", r.sweep.front().heightM,
                                  r.sweep.back().heightM, kText(r.sweepEarthFactor).c_str());
        auto list = [](const std::vector<double>& v) {
            std::string s;
            for (std::size_t i = 0; i < v.size() && i < 8; ++i)
                s += format("%s%.1f", i ? ", " : "", v[i]);
            if (v.size() > 8) s += ", ...";
            return s.empty() ? std::string("none") : s + " m";
        };
        line += " nulls at " + list(r.nullHeightsM) + "; peaks at " + list(r.peakHeightsM);
        out.push_back(line);
    }
    if (r.diversitySpacingM) {
        out.push_back(
            format("Space-diversity spacing %.2f m (a peak where the other antenna has "
                   "a null)",
                   *r.diversitySpacingM));
    }
    return out;
}

ProfileDrawing buildProfileDrawing(const Profile& profile, const ClearanceReport& report,
                                   const DiffractionResult* diffraction,
                                   const ReflectionResult* reflection) {
    ProfileDrawing d;
    d.title =
        format("%s: %.3f km at %.3f GHz, antennas %.1f m and %.1f m",
               profile.source.empty() ? "Path profile" : profile.source.c_str(), report.pathKm,
               report.frequencyGhz, report.antennas.fromM, report.antennas.toM);
    if (report.distanceKm.empty()) return d;
    d.panels.push_back(profilePanel(profile, report, reflection));
    if (reflection && reflection->sweep.size() >= 2) d.panels.push_back(levelPanel(*reflection));

    for (std::size_t c = 0; c < report.criteria.size(); ++c)
        d.notes.push_back({"verdict", verdictLine(report.criteria[c]), criterionColour(c)});
    std::string tail;
    if (diffraction) {
        for (std::string& line : diffractionLines(*diffraction))
            d.notes.push_back({"diffraction", std::move(line)});
    } else if (report.diffractionLossApplies) {
        tail =
            format("Diffraction loss %.1f dB (%s). ", report.diffractionLossDb, kDiffractionModel);
    }
    if (reflection) {
        for (std::string& line : reflectionLines(*reflection))
            d.notes.push_back({"reflection", std::move(line)});
    }
    tail += format("Heights needed: %.1f m and %.1f m. Mean terrain %.1f m.",
                   report.heightsNeeded.fromM, report.heightsNeeded.toM, report.meanTerrainM);
    d.notes.push_back({"summary", tail});
    return d;
}

std::string renderSvg(const ProfileDrawing& drawing, const SvgLayout& layout) {
    struct Frame {
        const DrawingPanel* panel;
        double top, bottom;
    };
    std::vector<Frame> frames;
    double y = layout.profileTop;
    for (const DrawingPanel& p : drawing.panels) {
        const double h =
            p.name == "profile" ? layout.profileBottom - layout.profileTop : layout.levelHeight;
        if (!frames.empty()) y += layout.levelGap;
        frames.push_back({&p, y, y + h});
        y += h;
    }
    const double notesTop = y + 56;
    const double height =
        notesTop + layout.lineHeight * static_cast<double>(drawing.notes.size() + 1);
    const double left = layout.plotLeft, right = layout.plotRight;

    std::string svg;
    appendf(svg,
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" height=\"%.0f\" viewBox=\"0 "
            "0 %.0f %.0f\" font-family=\"sans-serif\" font-size=\"12\">\n",
            layout.width, height, layout.width, height);
    appendf(svg, "<rect width=\"%.0f\" height=\"%.0f\" fill=\"white\"/>\n", layout.width, height);
    appendf(svg, "<text x=\"%.0f\" y=\"22\" font-size=\"14\">%s</text>\n", left,
            xmlEscaped(drawing.title).c_str());

    for (std::size_t f = 0; f < frames.size(); ++f) {
        const DrawingPanel& p = *frames[f].panel;
        const double top = frames[f].top, bottom = frames[f].bottom;
        auto px = [&](double v) {
            return left + (right - left) * (v - p.xMin) / (p.xMax - p.xMin);
        };
        auto py = [&](double v) {
            return bottom - (bottom - top) * (v - p.yMin) / (p.yMax - p.yMin);
        };
        appendf(svg,
                "<g id=\"panel-%s\" data-left=\"%.2f\" data-top=\"%.2f\" data-right=\"%.2f\" "
                "data-bottom=\"%.2f\" data-x-min=\"%.9g\" data-x-max=\"%.9g\" data-y-min=\"%.9g\" "
                "data-y-max=\"%.9g\">\n",
                p.name.c_str(), left, top, right, bottom, p.xMin, p.xMax, p.yMin, p.yMax);
        if (f > 0)
            appendf(svg, "<text x=\"%.0f\" y=\"%.0f\" font-size=\"13\">%s</text>\n", left, top - 8,
                    xmlEscaped(p.title).c_str());
        appendf(svg,
                "<defs><clipPath id=\"clip-%s\"><rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" "
                "height=\"%.2f\"/></clipPath></defs>\n",
                p.name.c_str(), left, top, right - left, bottom - top);
        // Grid and tick labels.
        for (double t : p.xTicks) {
            appendf(
                svg,
                "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"#e1e1e1\"/>\n"
                "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\" font-size=\"10\">%g</text>\n",
                px(t), top, px(t), bottom, px(t), bottom + 13, t);
        }
        for (double t : p.yTicks) {
            appendf(svg,
                    "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"#e1e1e1\"/>\n"
                    "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"end\" font-size=\"10\">%g</text>\n",
                    left, py(t), right, py(t), left - 4, py(t) + 4, t);
        }
        appendf(svg,
                "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"middle\" font-size=\"11\">%s</text>\n",
                (left + right) / 2, bottom + 28, xmlEscaped(p.xTitle).c_str());
        appendf(svg,
                "<text transform=\"translate(%.2f %.2f) rotate(-90)\" text-anchor=\"middle\" "
                "font-size=\"11\">%s</text>\n",
                left - 46, (top + bottom) / 2, xmlEscaped(p.yTitle).c_str());

        appendf(svg, "<g clip-path=\"url(#clip-%s)\">\n", p.name.c_str());
        for (const DrawingCurve& c : p.curves) {
            if (c.x.empty()) continue;
            std::string points;
            for (std::size_t i = 0; i < c.x.size(); ++i)
                appendf(points, "%s%.2f,%.2f", i ? " " : "", px(c.x[i]), py(c.y[i]));
            const char* dash = c.style == LineStyle::Dashed   ? " stroke-dasharray=\"6,4\""
                               : c.style == LineStyle::Dotted ? " stroke-dasharray=\"2,3\""
                                                              : "";
            const std::string stroke = c.stroke.empty() ? "none" : c.stroke;
            if (!c.fill.empty()) {
                appendf(svg,
                        "<polygon id=\"%s\" fill=\"%s\" stroke=\"%s\" stroke-width=\"%.1f\" "
                        "data-count=\"%zu\" points=\"%s %.2f,%.2f %.2f,%.2f\"/>\n",
                        c.role.c_str(), c.fill.c_str(), stroke.c_str(), c.widthPx, c.x.size(),
                        points.c_str(), px(c.x.back()), bottom + 1, px(c.x.front()), bottom + 1);
            } else {
                appendf(svg,
                        "<polyline id=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"%.1f\"%s "
                        "points=\"%s\"/>\n",
                        c.role.c_str(), stroke.c_str(), c.widthPx, dash, points.c_str());
            }
        }
        for (const DrawingMarker& m : p.markers) {
            appendf(svg,
                    "<circle id=\"%s\" cx=\"%.2f\" cy=\"%.2f\" r=\"%.1f\" fill=\"none\" "
                    "stroke=\"%s\" stroke-width=\"2\"/>\n",
                    m.role.c_str(), px(m.x), py(m.y), m.radiusPx, m.colour.c_str());
            if (!m.text.empty()) {
                appendf(svg, "<text x=\"%.2f\" y=\"%.2f\" fill=\"%s\">%s</text>\n",
                        px(m.x) + m.radiusPx + 3, py(m.y) - m.radiusPx - 2, m.colour.c_str(),
                        xmlEscaped(m.text).c_str());
            }
        }
        svg += "</g>\n";
        appendf(svg,
                "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"none\" "
                "stroke=\"#999\"/>\n",
                left, top, right - left, bottom - top);
        // Legend, top right inside the plot, on white.
        double ly = top + 14;
        const auto entries = std::count_if(p.curves.begin(), p.curves.end(),
                                           [](const DrawingCurve& c) { return !c.label.empty(); });
        if (entries > 0) {
            appendf(svg,
                    "<rect x=\"%.2f\" y=\"%.2f\" width=\"204\" height=\"%.2f\" fill=\"white\" "
                    "fill-opacity=\"0.86\"/>\n",
                    right - 204, top + 2, 13.0 * static_cast<double>(entries) + 6);
        }
        for (const DrawingCurve& c : p.curves) {
            if (c.label.empty()) continue;
            const char* dash = c.style == LineStyle::Dashed   ? " stroke-dasharray=\"6,4\""
                               : c.style == LineStyle::Dotted ? " stroke-dasharray=\"2,3\""
                                                              : "";
            appendf(svg,
                    "<line x1=\"%.2f\" y1=\"%.2f\" x2=\"%.2f\" y2=\"%.2f\" stroke=\"%s\" "
                    "stroke-width=\"%.1f\"%s/>\n"
                    "<text class=\"legend\" x=\"%.2f\" y=\"%.2f\" font-size=\"10\">%s</text>\n",
                    right - 200, ly - 4, right - 178, ly - 4, c.stroke.c_str(), c.widthPx, dash,
                    right - 174, ly, xmlEscaped(c.label).c_str());
            ly += 13;
        }
        svg += "</g>\n";
    }

    double line = notesTop;
    for (const DrawingText& t : drawing.notes) {
        appendf(svg,
                "<text class=\"%s\" x=\"%.0f\" y=\"%.0f\" fill=\"%s\" font-size=\"11\">%s</text>\n",
                t.role.c_str(), left, line, t.colour.c_str(), xmlEscaped(t.text).c_str());
        line += layout.lineHeight;
    }
    svg += "</svg>\n";
    return svg;
}

}  // namespace hopscale::terrain
