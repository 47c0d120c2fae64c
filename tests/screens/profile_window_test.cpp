// The "Path Profile" window: the curves of its drawing checked through the drawing's data,
// hovering, heights typed with the drawing and verdicts following, the heights needed, bad
// inputs named, PRINT to PDF and the SVG/PNG export.
//
// Most cases use a flat 20 km profile at sea level with a 40 m knife edge at 10 km, at the
// path's 6 GHz, worked by hand with d1 = d2 = 10 km at the edge:
//   F1     = 17.3 sqrt(10 * 10 / (6 * 20))   = 15.792667 m
//   bulge  = 10 * 10 / (12.74 k): k 4/3 5.886970 m, k 1 7.849294 m, k 2/3 11.773940 m
// and at 5 km (d1 5, d2 15): F1 = 17.3 sqrt(75 / 120) = 13.676851 m, bulge k 4/3 4.415228 m.
#include "profile_window.h"

#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QRegularExpression>
#include <cmath>
#include <map>

#include "link_window_fixture.h"
#include "profile_export.h"

using namespace hopscale;
using namespace hopscale::testing;
using Kind = PlotCurve::Kind;

namespace {

constexpr double kF1Mid = 15.792667;
constexpr double kBulgeMid43 = 5.886970, kBulgeMid1 = 7.849294, kBulgeMid23 = 11.773940;

bool near(double a, double b, double tolerance) { return std::fabs(a - b) <= tolerance; }

struct ProfileFixture : LinkFixture {
    std::unique_ptr<ProfileWindow> window;
    explicit ProfileFixture(const char* csv = kKnifeEdgeCsv, const char* from = "30",
                            const char* to = "30") {
        ProfileInputs in;
        in.source = write("profile.csv", csv).toStdString();
        in.antennaFromM = from;
        in.antennaToM = to;
        window = std::make_unique<ProfileWindow>(*screens, in);
    }
    ProfileWindow& w() { return *window; }
};

}  // namespace

class ProfileWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void drawingHoldsTheCurvesAskedFor();
    void obstructionsStandOnTheGround();
    void hoveringReportsTheNearestPoint();
    void changingAHeightRedrawsAndChangesTheVerdict();
    void heightsNeededForEachWayOfFixingTheEnds();
    void badInputsAreNamedAndTheDrawingKeepsItsLastGoodHeights();
    void rastersWithoutCoordinatesSayWhatIsMissing();
    void printToPdfHoldsTheVerdicts();
    void exportsSvgAndPng();
    void diffractionFiguresUnderTheDrawing();
    void reflectionTabOverASea();
    void badPropagationInputsAreNamed();
    void windowAndSvgDrawTheSameModel();
};

namespace {

// 20 km of sea at 0 m (a sea column), a point every 100 m; with masts 50 m and 30 m at the
// path's 6 GHz the reflection is worked in the terrain tests (k 4/3: 12.1928 km, +0.076 dB
// horizontally polarised, diversity spacing 6.056 m).
QByteArray seaCsv() {
    QByteArray csv = "distance_km,elevation_m,sea\n";
    for (int i = 0; i <= 200; ++i) csv += QByteArray::number(i / 10.0) + ",0,1\n";
    return csv;
}

struct SeaFixture : ProfileFixture {
    SeaFixture() : ProfileFixture(seaCsv().constData(), "50", "30") {
        w().polarisationBox()->setCurrentIndex(1);  // horizontal
        w().groundBox()->setCurrentIndex(1);        // sea
        w().surfaceBox()->setText("0");
    }
};

}  // namespace

void ProfileWindowTest::diffractionFiguresUnderTheDrawing() {
    // The 40 m ridge at mid-path with 30 m antennas at 6 GHz, k 4/3: the edge stands
    // 40 + 5.886046 - 30 = 15.886046 m above the line of sight, nu = 15.886046 sqrt(0.002 x 20 /
    // (0.0499654 x 10 x 10)) = 1.421383 and J = 16.380 dB.
    ProfileFixture f;
    ProfileWindow& w = f.w();
    QVERIFY2(w.diffraction(), qPrintable(w.errorText()));
    const terrain::DiffractionResult& d = *w.diffraction();
    QCOMPARE(d.method, std::string("ITU-R P.526-16 delta-Bullington"));
    QVERIFY(near(d.knifeEdge.nu, 1.421383, 1e-6));
    QVERIFY(near(d.knifeEdge.lossDb, 16.379966, 1e-5));
    QVERIFY(d.lossDb >= d.bullingtonDb);
    const QString shown = w.findChild<QLabel*>("verdicts")->text();
    QVERIFY2(shown.contains(QStringLiteral("Diffraction loss %1 dB (ITU-R P.526-16 "
                                           "delta-Bullington, k 4/3, vertical polarisation)")
                                .arg(d.lossDb, 0, 'f', 1)),
             qPrintable(shown));
    QVERIFY(shown.contains("Single knife edge at 10.000 km: nu 1.421, 16.4 dB"));
    QCOMPARE(w.diffractionLines().size(), 3);  // far below -1.5 F1: no planning figure

    // At k 1 the earth bulges more: nu = 17.848062 m x 0.0894732 = 1.596932, J 17.263 dB.
    w.diffractionKBox()->setText("1");
    QVERIFY(near(w.diffraction()->knifeEdge.lossDb, 17.262787, 1e-5));
    QVERIFY(w.findChild<QLabel*>("verdicts")->text().contains("k 1.000, vertical"));
    w.polarisationBox()->setCurrentIndex(1);
    QCOMPARE(w.diffraction()->polarisation, terrain::Polarisation::Horizontal);
}

void ProfileWindowTest::reflectionTabOverASea() {
    SeaFixture f;
    ProfileWindow& w = f.w();
    QVERIFY2(w.reflection(), qPrintable(w.errorText()));
    const terrain::ReflectionResult& r = *w.reflection();
    QCOMPARE(r.points.size(), std::size_t(3));  // one per criterion's k
    const terrain::ReflectionPoint& p = r.points[0];
    QCOMPARE(p.state, terrain::ReflectionState::OnSurface);
    QVERIFY(near(p.distanceKm, 12.192838, 1e-5));
    QVERIFY(near(p.pathDifferenceM, 0.108950, 1e-6));
    QVERIFY(near(p.levelDb, 0.075768, 1e-5));
    QVERIFY(near(*r.diversitySpacingM, 6.056488, 1e-5));
    QVERIFY(near(w.diffraction()->seaFraction, 1.0, 1e-12));

    // The point and its rays on the profile, for each k; the level against height in its tab.
    const terrain::DrawingPanel& profile = w.plot()->drawing().panels.front();
    for (int i = 1; i <= 3; ++i) {
        const terrain::DrawingCurve* ray = profile.curve("ray-" + std::to_string(i));
        QVERIFY(ray);
        QCOMPARE(ray->x.size(), std::size_t(3));
        QVERIFY(near(ray->y.front(), 50, 1e-9));  // From the From tip
        QVERIFY(near(ray->y.back(), 30, 1e-9));   // to the To tip
        QVERIFY(near(ray->x[1], r.points[static_cast<std::size_t>(i - 1)].distanceKm, 1e-12));
    }
    QVERIFY(near(profile.curve("ray-1")->y[1], 500 * 12.192838 * 7.807162 / 8494.667, 1e-4));
    const terrain::DrawingPanel* level = w.levelPlot()->panel();
    QVERIFY(level);
    QCOMPARE(level->curve("level")->x.size(), r.sweep.size());
    QCOMPARE(level->xMax, 60.0);
    const QString text = w.findChild<QLabel*>("reflectionText")->text();
    QVERIFY2(text.contains("k 4/3: at 12.193 km (7.807 km from the To end), on the surface"),
             qPrintable(text));
    QVERIFY(text.contains("Space-diversity spacing 6.06 m"));
    w.tabs()->setCurrentIndex(1);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.levelPlot()->isVisible());

    // Rough water reflects less.
    w.roughnessBox()->setText("1");
    QVERIFY(near(w.reflection()->points[0].roughnessFactor, 0.696303, 1e-6));
    // A sweep of its own.
    w.sweepBox()->setText("20,40");
    QCOMPARE(w.reflection()->sweep.front().heightM, 20.0);
    QCOMPARE(w.levelPlot()->panel()->xMax, 40.0);
    w.sweepBox()->setText("40,20");
    QVERIFY2(w.errorText().contains("Receive heights"), qPrintable(w.errorText()));
    w.sweepBox()->clear();
    // Land constants typed by hand.
    w.groundBox()->setCurrentIndex(2);
    w.groundConstantsBox()->setText("22,0.003");
    QCOMPARE(w.reflection()->ground.permittivity, 22.0);
}

void ProfileWindowTest::badPropagationInputsAreNamed() {
    SeaFixture f;
    ProfileWindow& w = f.w();
    // A surface above both tips (50 m and 30 m): named; the profile and diffraction remain.
    w.surfaceBox()->setText("60");
    QVERIFY2(w.errorText().contains("surface") && w.errorText().contains("60"),
             qPrintable(w.errorText()));
    QVERIFY(!w.reflection());
    QVERIFY(w.report());
    QVERIFY(w.diffraction());
    QVERIFY(!w.surfaceBox()->styleSheet().isEmpty());
    QVERIFY(!w.plot()->drawing().panel("level"));
    w.surfaceBox()->setText("0");
    QVERIFY(w.reflection());
    QVERIFY(w.errorText().isEmpty());

    w.roughnessBox()->setText("-1");
    QVERIFY2(w.errorText().contains("Roughness"), qPrintable(w.errorText()));
    QVERIFY(!w.reflection());
    w.roughnessBox()->setText("0");

    w.seaFractionBox()->setText("1.5");
    QVERIFY2(w.errorText().contains("Over sea"), qPrintable(w.errorText()));
    QVERIFY(!w.diffraction());
    QVERIFY(w.report());
    w.seaFractionBox()->setText("0.25");
    QVERIFY(near(w.diffraction()->seaFraction, 0.25, 1e-12));

    w.diffractionKBox()->setText("0");
    QVERIFY2(w.errorText().contains("Diffraction at k"), qPrintable(w.errorText()));
    w.diffractionKBox()->setText("4/3");
    w.groundBox()->setCurrentIndex(2);
    w.groundConstantsBox()->setText("mud");
    QVERIFY2(w.errorText().contains("Ground"), qPrintable(w.errorText()));
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
}

void ProfileWindowTest::windowAndSvgDrawTheSameModel() {
    // The window paints its drawing model; `profile --svg` renders the model built from the
    // same report. Every curve of every panel must be in the SVG under its role, with as many
    // points, at the same values (the SVG keeps pixels to 0.01).
    SeaFixture f;
    ProfileWindow& w = f.w();
    QVERIFY(w.report() && w.diffraction() && w.reflection());
    const std::string svg =
        terrain::profileSvg(*w.profile(), *w.report(), &*w.diffraction(), &*w.reflection());
    const QString text = QString::fromStdString(svg);
    const terrain::ProfileDrawing& drawing = w.plot()->drawing();
    QCOMPARE(drawing.panels.size(), std::size_t(2));

    // The drawn elements of the SVG by id.
    std::map<QString, QString> shapes;
    const QRegularExpression shape(R"re(<(polyline|polygon) id="([^"]+)"[^>]* points="([^"]*)")re");
    for (auto it = shape.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        shapes[m.captured(2)] = m.captured(3);
    }
    std::size_t curves = 0;
    for (const terrain::DrawingPanel& panel : drawing.panels) {
        const QRegularExpression frame(
            QStringLiteral(R"re(<g id="panel-%1" data-left="([^"]+)" data-top="([^"]+)" )re"
                           R"re(data-right="([^"]+)" data-bottom="([^"]+)")re")
                .arg(QString::fromStdString(panel.name)));
        const QRegularExpressionMatch fm = frame.match(text);
        QVERIFY2(fm.hasMatch(), panel.name.c_str());
        const double left = fm.captured(1).toDouble(), top = fm.captured(2).toDouble();
        const double right = fm.captured(3).toDouble(), bottom = fm.captured(4).toDouble();
        const double xPerPx = (panel.xMax - panel.xMin) / (right - left);
        const double yPerPx = (panel.yMax - panel.yMin) / (bottom - top);
        for (const terrain::DrawingCurve& c : panel.curves) {
            ++curves;
            const QString role = QString::fromStdString(c.role);
            QVERIFY2(shapes.count(role), qPrintable(role));
            QStringList points = shapes[role].split(' ', Qt::SkipEmptyParts);
            if (!c.fill.empty()) points = points.mid(0, points.size() - 2);  // bottom corners
            QCOMPARE(static_cast<std::size_t>(points.size()), c.x.size());
            for (qsizetype i = 0; i < points.size(); ++i) {
                const QStringList xy = points[i].split(',');
                const double x = panel.xMin + (xy[0].toDouble() - left) * xPerPx;
                const double y = panel.yMax - (xy[1].toDouble() - top) * yPerPx;
                const auto at = static_cast<std::size_t>(i);
                QVERIFY2(near(x, c.x[at], 0.006 * xPerPx) && near(y, c.y[at], 0.006 * yPerPx),
                         qPrintable(QStringLiteral("%1 point %2").arg(role).arg(i)));
            }
        }
        for (const terrain::DrawingMarker& m : panel.markers)
            QVERIFY2(text.contains(
                         QStringLiteral("<circle id=\"%1\"").arg(QString::fromStdString(m.role))),
                     m.role.c_str());
    }
    QCOMPARE(shapes.size(), curves);  // and nothing the window does not draw
    // The lines under the drawing are the model's too.
    for (const terrain::DrawingText& t : drawing.notes) {
        QString escaped = QString::fromStdString(t.text).toHtmlEscaped();
        QVERIFY2(text.contains(escaped), t.text.c_str());
    }
    // The window's own export paints the same model.
    const QString png = f.file("sea.png");
    QVERIFY(!w.exportDrawing(png));
    QVERIFY(!QImage(png).isNull());
}

void ProfileWindowTest::drawingHoldsTheCurvesAskedFor() {
    ProfileFixture f;
    ProfileWindow& w = f.w();
    QCOMPARE(w.windowTitle(), QString("Path Profile"));
    QVERIFY2(w.report(), qPrintable(w.errorText()));
    const ProfilePlot& plot = *w.plot();
    // Terrain, obstructions, line of sight, F1, and per criterion (three, North American by
    // default) the raised terrain and the fraction of F1.
    QCOMPARE(plot.curves().size(), std::size_t(4 + 2 * 3));
    for (const PlotCurve& c : plot.curves()) QCOMPARE(c.points.size(), std::size_t(5));

    const PlotCurve* ground = plot.curve(Kind::Terrain);
    QVERIFY(ground);
    QCOMPARE(ground->points[2], QPointF(10, 40));
    QCOMPARE(ground->points[4], QPointF(20, 0));
    const PlotCurve* sight = plot.curve(Kind::LineOfSight);
    for (const QPointF& p : sight->points) QVERIFY(near(p.y(), 30, 1e-9));  // both tips at 30 m

    // F1's lower edge: zero radius at the ends, 30 - 15.79 at the middle, 30 - 13.68 at 5 km.
    const PlotCurve* zone = plot.curve(Kind::FresnelZone);
    QVERIFY(near(zone->points[0].y(), 30, 1e-9));
    QVERIFY(near(zone->points[2].y(), 30 - kF1Mid, 1e-5));
    QVERIFY(near(zone->points[1].y(), 30 - 13.676851, 1e-5));

    // The terrain raised by each criterion's bulge, and each criterion's fraction of F1.
    const double bulges[] = {kBulgeMid43, kBulgeMid1, kBulgeMid23};
    const double fractions[] = {1.0, 0.6, 0.3};
    for (int c = 0; c < 3; ++c) {
        const PlotCurve* raised = plot.curve(Kind::RaisedTerrain, c);
        const PlotCurve* fraction = plot.curve(Kind::FresnelFraction, c);
        QVERIFY(raised && fraction);
        QVERIFY(near(raised->points[2].y(), 40 + bulges[c], 1e-5));
        QVERIFY(near(raised->points[0].y(), 0, 1e-9));
        QVERIFY(near(fraction->points[2].y(), 30 - fractions[c] * kF1Mid, 1e-5));
    }
    QVERIFY(near(plot.curve(Kind::RaisedTerrain, 0)->points[1].y(), 4.415228, 1e-5));
    QVERIFY(plot.curve(Kind::RaisedTerrain, 0)->name.contains("1.333"));

    // The worst point of every criterion is the ridge, marked on the raised terrain.
    QCOMPARE(plot.worstPoints().size(), std::size_t(3));
    for (int c = 0; c < 3; ++c) {
        QCOMPARE(plot.worstPoints()[c].x(), 10.0);
        QVERIFY(near(plot.worstPoints()[c].y(), 40 + bulges[c], 1e-5));
    }
    // The drawing fits its data: the ridge top is inside the plot, the line of sight above it.
    const QPointF ridge = plot.toPixel(10, 40);
    QVERIFY(plot.rect().contains(ridge.toPoint()));
    QVERIFY(plot.toPixel(10, 30).y() > plot.toPixel(10, 40 + kBulgeMid23).y());

    // A criterion list of its own: one curve pair per criterion.
    w.criteriaBox()->setText("4/3:0.6");
    QVERIFY(w.report());
    QCOMPARE(plot.curves().size(), std::size_t(4 + 2));
    QVERIFY(near(plot.curve(Kind::FresnelFraction, 0)->points[2].y(), 30 - 0.6 * kF1Mid, 1e-5));
}

void ProfileWindowTest::obstructionsStandOnTheGround() {
    // A hilltop at 60 m with 15 m of trees on it; the trees count in the clearance.
    ProfileFixture f(
        "distance_km,elevation_m,obstruction_m,label\n"
        "0,50,0,\n8,55,,\n10,60,15,trees\n12,55,0,\n20,50,0,\n",
        "40", "40");
    ProfileWindow& w = f.w();
    QVERIFY2(w.report(), qPrintable(w.errorText()));
    const PlotCurve* ground = w.plot()->curve(Kind::Terrain);
    const PlotCurve* top = w.plot()->curve(Kind::Obstructions);
    QCOMPARE(ground->points[2].y(), 60.0);
    QCOMPARE(top->points[2].y(), 75.0);
    QCOMPARE(top->points[1].y(), 55.0);  // an empty cell is no obstruction
    // Line of sight 90 m; k 4/3 at mid-path: 90 - (75 + 5.886970) = 9.113030 m = 0.577 F1.
    const terrain::WorstPoint& worst = w.report()->criteria[0].worst;
    QCOMPARE(worst.label, std::string("trees"));
    QVERIFY(near(worst.clearanceM, 9.113030, 1e-5));
    QVERIFY(near(worst.clearanceF1, 9.113030 / kF1Mid, 1e-6));
    QVERIFY(w.verdictLines()[0].contains("NOT MET"));
    QVERIFY(w.verdictLines()[0].contains("\"trees\""));
}

void ProfileWindowTest::hoveringReportsTheNearestPoint() {
    ProfileFixture f;
    ProfileWindow& w = f.w();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    ProfilePlot* plot = w.plot();
    // A little to the right of the ridge is still nearest to it.
    const QPoint atRidge = (plot->toPixel(10, 40) + QPointF(3, 0)).toPoint();
    QTest::mouseMove(plot, atRidge);
    QTRY_VERIFY(plot->hovered().has_value());
    const HoverPoint& h = *plot->hovered();
    QCOMPARE(h.index, std::size_t(2));
    QCOMPARE(h.distanceKm, 10.0);
    QCOMPARE(h.groundM, 40.0);
    // k 4/3: 30 - 45.886970 = -15.886970 m, / 15.792667 = -1.005971 F1.
    QVERIFY(near(h.clearanceM, -15.886970, 1e-5));
    QVERIFY(near(h.clearanceF1, -1.005971, 1e-5));
    QVERIFY2(w.hoverText().contains("10.000 km") && w.hoverText().contains("elevation 40.0 m") &&
                 w.hoverText().contains("-15.89 m") && w.hoverText().contains("ridge"),
             qPrintable(w.hoverText()));
    // Nearer the 5 km point: that one, with its own clearance 30 - 4.415228 = 25.584772 m.
    QTest::mouseMove(plot, (plot->toPixel(5.4, 0)).toPoint());
    QTRY_COMPARE(plot->hovered()->index, std::size_t(1));
    QVERIFY(near(plot->hovered()->clearanceM, 25.584772, 1e-5));
    QVERIFY(w.hoverText().startsWith("5.000 km"));
}

void ProfileWindowTest::changingAHeightRedrawsAndChangesTheVerdict() {
    ProfileFixture f;
    ProfileWindow& w = f.w();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCoreApplication::processEvents();
    QCOMPARE(w.verdictLines().size(), 3);
    for (const QString& line : w.verdictLines())
        QVERIFY2(line.contains("NOT MET"), qPrintable(line));
    const int paints = w.plot()->paintCount();

    // 80 m at both ends: 80 - 45.886970 = 34.113 m clears 1.0 F1 at k 4/3,
    // 80 - 47.849294 = 32.151 m clears 0.6 F1 at k 1, 80 - 51.773940 = 28.226 m clears 0.3 F1.
    w.antennaFromBox()->selectAll();
    QTest::keyClicks(w.antennaFromBox(), "80");
    w.antennaToBox()->selectAll();
    QTest::keyClicks(w.antennaToBox(), "80");
    QTRY_VERIFY(w.plot()->paintCount() > paints);
    for (const PlotCurve::Kind kind : {Kind::LineOfSight}) {
        for (const QPointF& p : w.plot()->curve(kind)->points) QVERIFY(near(p.y(), 80, 1e-9));
    }
    QVERIFY(
        near(w.plot()->curve(Kind::FresnelFraction, 1)->points[2].y(), 80 - 0.6 * kF1Mid, 1e-5));
    for (const QString& line : w.verdictLines()) {
        QVERIFY2(line.contains(": met") && !line.contains("NOT MET"), qPrintable(line));
    }
    QVERIFY(near(w.report()->criteria[0].worst.clearanceM, 80 - 40 - kBulgeMid43, 1e-5));
    // One end lowered again: From 80, To 30 puts the line of sight at 55 m over the ridge,
    // 55 - 45.886970 = 9.113 m = 0.577 F1 at k 4/3: the first criterion fails again.
    w.antennaToBox()->setText("30");
    QVERIFY(w.verdictLines()[0].contains("NOT MET"));
    QVERIFY(near(w.report()->criteria[0].worst.clearanceM, 55 - 40 - kBulgeMid43, 1e-5));
}

void ProfileWindowTest::heightsNeededForEachWayOfFixingTheEnds() {
    ProfileFixture f;
    ProfileWindow& w = f.w();
    // Both ends equal, h at mid-path: 1.0 F1 at k 4/3 needs h >= 45.886970 + 15.792667 =
    // 61.679637; 0.6 F1 at k 1 needs 47.849294 + 9.475600 = 57.324894; 0.3 F1 at k 2/3 needs
    // 51.773940 + 4.737800 = 56.511740. The first decides: 61.7 m to 0.1 m.
    QVERIFY(near(w.report()->heightsNeeded.fromM, 61.7, 1e-9));
    QVERIFY(near(w.report()->heightsNeeded.toM, 61.7, 1e-9));
    QVERIFY(w.findChild<QLabel*>("verdicts")->text().contains("From 61.7 m, To 61.7 m"));
    // From kept at its 30 m: the line of sight over the ridge is (30 + h) / 2 >= 61.679637,
    // so h >= 93.359274: 93.4 m at the To end.
    w.fixedEndBox()->setCurrentIndex(1);
    QCOMPARE(w.report()->fixedEnd, terrain::FixedEnd::From);
    QVERIFY(near(w.report()->heightsNeeded.fromM, 30, 1e-9));
    QVERIFY(near(w.report()->heightsNeeded.toM, 93.4, 1e-9));
    // To kept at 30 m: the same by symmetry at the From end.
    w.fixedEndBox()->setCurrentIndex(2);
    QVERIFY(near(w.report()->heightsNeeded.fromM, 93.4, 1e-9));
    QVERIFY(near(w.report()->heightsNeeded.toM, 30, 1e-9));
}

void ProfileWindowTest::badInputsAreNamedAndTheDrawingKeepsItsLastGoodHeights() {
    ProfileFixture f;
    ProfileWindow& w = f.w();
    w.antennaFromBox()->setText("50");
    // Line of sight from 50 m down to 30 m: 40 m at mid-path.
    QVERIFY(near(w.plot()->curve(Kind::LineOfSight)->points[2].y(), 40, 1e-9));
    for (const char* bad : {"abc", "-5", "", "1e9"}) {
        w.antennaFromBox()->setText(bad);
        QVERIFY2(w.errorText().contains("Antenna height at the From end"),
                 qPrintable(w.errorText()));
        QVERIFY(!w.antennaFromBox()->styleSheet().isEmpty());
        QVERIFY(w.report());
        QVERIFY(near(w.plot()->curve(Kind::LineOfSight)->points[2].y(), 40, 1e-9));
    }
    w.antennaFromBox()->setText("30");
    QVERIFY(w.errorText().isEmpty());
    QVERIFY(w.antennaFromBox()->styleSheet().isEmpty());

    // Criteria that cannot be read: named, nothing drawn.
    w.criteriaBox()->setText("4/3");
    QVERIFY2(w.errorText().contains("Criteria"), qPrintable(w.errorText()));
    QVERIFY(!w.report());
    QVERIFY(w.plot()->curves().empty());
    w.criteriaBox()->setText("north-american");
    QVERIFY(w.report());

    // A missing file and a file without an elevation column name the file.
    w.sourceBox()->setText(f.file("nothere.csv"));
    QVERIFY2(w.errorText().contains("nothere.csv"), qPrintable(w.errorText()));
    QVERIFY(!w.report());
    const QString noElevation = f.write("bad.csv", "distance_km,height\n0,1\n1,2\n2,3\n");
    w.sourceBox()->setText(noElevation);
    QVERIFY2(w.errorText().contains("bad.csv") && w.errorText().contains("elevation"),
             qPrintable(w.errorText()));
    QVERIFY(w.plot()->curves().empty());
    QVERIFY(w.verdictLines().isEmpty());
    QVERIFY(f.screens->takeReportedErrors().isEmpty());  // on the window, never a message box
}

void ProfileWindowTest::rastersWithoutCoordinatesSayWhatIsMissing() {
    ProfileFixture f;
    ProfileWindow& w = f.w();
    // The path was typed by length: there is no geodesic to sample a raster along.
    w.sourceBox()->setText(f.file("N41W082.hgt"));
    QVERIFY2(w.errorText().contains("end coordinates"), qPrintable(w.errorText()));
    QVERIFY(!w.report());
}

void ProfileWindowTest::printToPdfHoldsTheVerdicts() {
    ProfileFixture f;
    ProfileWindow& w = f.w();
    const QString pdf = f.file("profile.pdf");
    const std::optional<QString> failed = w.printToPdf(pdf);
    QVERIFY2(!failed, failed ? qPrintable(*failed) : "");
    const QString text = pdfText(pdf);
    if (text.isNull()) QSKIP("pdftotext (poppler-utils) is not installed");
    QVERIFY2(text.contains("NOT MET"), qPrintable(text));
    QVERIFY(text.contains("k 1.333"));
    QVERIFY(text.contains("Lowest antenna heights"));

    // The PRINT command, with the file dialog answered.
    const QString chosen = f.file("chosen.pdf");
    w.setFileChooser([&](const QString&, const QString&) { return chosen; });
    w.printCommand()->click();
    QVERIFY(f.screens->takeReportedErrors().isEmpty());
    QVERIFY(QFile::exists(chosen));
}

void ProfileWindowTest::exportsSvgAndPng() {
    ProfileFixture f;
    ProfileWindow& w = f.w();
    const QString svg = f.file("profile.svg");
    QVERIFY(!w.exportDrawing(svg));
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains("<svg"));
    QVERIFY(bytes.contains("NOT MET"));  // the verdicts come with the drawing
    QVERIFY(bytes.contains("line of sight"));

    const QString png = f.file("profile.png");
    QVERIFY(!w.exportDrawing(png));
    const QImage image(png);
    QVERIFY(!image.isNull());
    QVERIFY(image.width() >= 2 * w.plot()->width());

    // A place that cannot be written is said, not ignored.
    const std::optional<QString> failed = w.exportDrawing(f.file("no/such/dir/p.png"));
    QVERIFY(failed);
    QVERIFY(failed->contains("p.png"));
}

QTEST_MAIN(ProfileWindowTest)
#include "profile_window_test.moc"
