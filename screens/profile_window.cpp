#include "profile_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <limits>

#include "conversions.h"
#include "dem.h"
#include "form.h"
#include "link_performance.h"
#include "printing.h"
#include "profile_export.h"

namespace hopscale {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }
QString fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

// Colours of the drawing, one per criterion for the curves that come per criterion.
const QColor kGround(181, 150, 107);
const QColor kObstruction(76, 140, 74);
const QColor kLineOfSight(20, 60, 200);
const QColor kFresnel(90, 150, 230);
const std::array<QColor, 4> kCriterionColours{QColor(200, 90, 0), QColor(150, 0, 150),
                                              QColor(0, 130, 130), QColor(120, 120, 0)};
QColor criterionColour(int i) { return kCriterionColours[static_cast<std::size_t>(i) % 4]; }

// Margins of the plot inside its area, pixels: room for the axis labels.
constexpr double kLeftMargin = 58, kRightMargin = 12, kTopMargin = 12, kBottomMargin = 34;

// A round step for axis ticks near span / 6.
double niceStep(double span) {
    if (!(span > 0)) return 1;
    const double raw = span / 6;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (raw <= m * power) return m * power;
    }
    return 10 * power;
}

bool isCsv(const QString& path) {
    return path.trimmed().endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

// The pen of a curve drawn as a line (the ground and the obstructions are drawn filled).
QPen curvePen(const PlotCurve& c) {
    switch (c.kind) {
        case PlotCurve::Kind::Terrain:
        case PlotCurve::Kind::Obstructions:
            break;
        case PlotCurve::Kind::LineOfSight:
            return QPen(kLineOfSight, 1.6);
        case PlotCurve::Kind::FresnelZone:
            return QPen(kFresnel, 1.2, Qt::DashLine);
        case PlotCurve::Kind::RaisedTerrain:
            return QPen(criterionColour(c.criterion), 1.2);
        case PlotCurve::Kind::FresnelFraction:
            return QPen(criterionColour(c.criterion), 1.0, Qt::DotLine);
    }
    return QPen();
}

}  // namespace

// ---- the drawing ----

ProfilePlot::ProfilePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("profilePlot"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProfilePlot::setReport(const terrain::Profile* profile,
                            const terrain::ClearanceReport* report) {
    profile_ = profile;
    report_ = report;
    curves_.clear();
    worst_.clear();
    hovered_.reset();
    if (!profile || !report || report->distanceKm.empty()) {
        update();
        return;
    }
    const std::vector<double>& d = report->distanceKm;
    const std::size_t n = d.size();
    auto curveOf = [&](PlotCurve::Kind kind, int criterion, QString name, auto value) {
        PlotCurve c{kind, criterion, std::move(name), {}};
        c.points.reserve(n);
        for (std::size_t i = 0; i < n; ++i) c.points.emplace_back(d[i], value(i));
        curves_.push_back(std::move(c));
    };
    curveOf(PlotCurve::Kind::Terrain, -1, QStringLiteral("terrain"),
            [&](std::size_t i) { return profile->points[i].groundM; });
    curveOf(PlotCurve::Kind::Obstructions, -1, QStringLiteral("obstructions"),
            [&](std::size_t i) { return report->terrainM[i]; });
    curveOf(PlotCurve::Kind::LineOfSight, -1, QStringLiteral("line of sight"),
            [&](std::size_t i) { return report->lineOfSightM[i]; });
    curveOf(PlotCurve::Kind::FresnelZone, -1, QStringLiteral("first Fresnel zone"),
            [&](std::size_t i) { return report->lineOfSightM[i] - report->f1M[i]; });
    for (std::size_t c = 0; c < report->criteria.size(); ++c) {
        const terrain::CriterionResult& r = report->criteria[c];
        const QString k = QString::number(r.criterion.k, 'g', 4);
        curveOf(PlotCurve::Kind::RaisedTerrain, static_cast<int>(c),
                QStringLiteral("terrain raised at k %1").arg(k),
                [&](std::size_t i) { return r.raisedTerrainM[i]; });
        curveOf(
            PlotCurve::Kind::FresnelFraction, static_cast<int>(c),
            QStringLiteral("%1 F1 (k %2)").arg(QString::number(r.criterion.fraction, 'g', 3), k),
            [&](std::size_t i) { return r.requiredM[i]; });
        worst_.emplace_back(r.worst.distanceKm, r.raisedTerrainM[r.worst.index]);
    }
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    for (const PlotCurve& c : curves_) {
        for (const QPointF& p : c.points) {
            lo = std::min(lo, p.y());
            hi = std::max(hi, p.y());
        }
    }
    // The terrain keeps some ground below it, the line of sight some sky above.
    const double pad = std::max(5.0, 0.06 * (hi - lo));
    yMin_ = lo - pad;
    yMax_ = hi + pad;
    xMax_ = std::max(report->pathKm, 1e-9);
    update();
}

const PlotCurve* ProfilePlot::curve(PlotCurve::Kind kind, int criterion) const {
    for (const PlotCurve& c : curves_) {
        if (c.kind == kind && c.criterion == criterion) return &c;
    }
    return nullptr;
}

QRectF ProfilePlot::plotArea(const QRectF& area) const {
    return area.adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
}

QPointF ProfilePlot::mapTo(const QRectF& plot, double km, double m) const {
    const double x = plot.left() + km / xMax_ * plot.width();
    const double y = plot.bottom() - (m - yMin_) / (yMax_ - yMin_) * plot.height();
    return {x, y};
}

QPointF ProfilePlot::toPixel(double km, double m) const {
    return mapTo(plotArea(QRectF(rect())), km, m);
}

std::optional<HoverPoint> ProfilePlot::pointAt(double x) const {
    if (!profile_ || !report_ || report_->distanceKm.empty()) return std::nullopt;
    const QRectF plot = plotArea(QRectF(rect()));
    if (plot.width() <= 0) return std::nullopt;
    const double km = std::clamp((x - plot.left()) / plot.width() * xMax_, 0.0, xMax_);
    const std::vector<double>& d = report_->distanceKm;
    auto it = std::lower_bound(d.begin(), d.end(), km);
    std::size_t i = static_cast<std::size_t>(it - d.begin());
    if (i == d.size()) i = d.size() - 1;
    if (i > 0 && km - d[i - 1] < d[i] - km) --i;

    HoverPoint h;
    h.index = i;
    h.distanceKm = d[i];
    h.groundM = profile_->points[i].groundM;
    h.obstructionM = profile_->points[i].obstructionM;
    QString clearance;
    if (!report_->criteria.empty()) {
        const terrain::CriterionResult& first = report_->criteria.front();
        h.clearanceM = first.clearanceM[i];
        h.clearanceF1 = first.clearanceF1[i];
        clearance = QStringLiteral(", clearance %1 m (%2 F1) at k %3")
                        .arg(fixed(h.clearanceM, 2), fixed(h.clearanceF1, 3),
                             QString::number(first.criterion.k, 'g', 4));
    }
    h.text =
        QStringLiteral("%1 km: elevation %2 m").arg(fixed(h.distanceKm, 3), fixed(h.groundM, 1));
    if (h.obstructionM > 0)
        h.text += QStringLiteral(" + %1 m obstruction").arg(fixed(h.obstructionM, 1));
    const std::string& label = profile_->points[i].label;
    if (!label.empty()) h.text += QStringLiteral(" (%1)").arg(q(label));
    h.text += clearance;
    return h;
}

void ProfilePlot::mouseMoveEvent(QMouseEvent* event) {
    hovered_ = pointAt(event->position().x());
    emit hoverChanged();
    update();
}

void ProfilePlot::leaveEvent(QEvent*) {
    if (!hovered_) return;
    hovered_.reset();
    emit hoverChanged();
    update();
}

void ProfilePlot::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter painter(this);
    paintDrawing(painter, QRectF(rect()), hairlines_);
}

void ProfilePlot::paintDrawing(QPainter& painter, const QRectF& area, bool screen) const {
    painter.fillRect(area, Qt::white);
    if (curves_.empty()) {
        painter.setPen(Qt::gray);
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("No profile"));
        return;
    }
    const QRectF plot = plotArea(area);
    paintAxes(painter, area, plot);

    painter.setClipRect(plot);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintGround(painter, plot);
    paintCurves(painter, plot, screen);
    paintMarks(painter, plot);
    painter.setClipping(false);

    paintLegend(painter, plot);
}

// The curve in pixels, with the points that fall in one pixel column reduced to the first,
// lowest, highest and last of them: the same picture, a fraction of the work when the
// profile has more points than the plot has columns.
QPolygonF ProfilePlot::polygonOf(const QRectF& plot, const PlotCurve& c) const {
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(
        std::min<std::size_t>(c.points.size(), 4 * static_cast<std::size_t>(plot.width()) + 8)));
    std::size_t i = 0;
    const std::size_t n = c.points.size();
    while (i < n) {
        const QPointF first = mapTo(plot, c.points[i].x(), c.points[i].y());
        const double column = std::floor(first.x());
        QPointF low = first, high = first, last = first;
        std::size_t j = i + 1;
        for (; j < n; ++j) {
            const QPointF p = mapTo(plot, c.points[j].x(), c.points[j].y());
            if (std::floor(p.x()) != column) break;
            if (p.y() > low.y()) low = p;
            if (p.y() < high.y()) high = p;
            last = p;
        }
        poly << first;
        if (j - i > 1) {
            // Keep the extremes in the order they occur.
            if (low.x() <= high.x())
                poly << low << high;
            else
                poly << high << low;
            poly << last;
        }
        i = j;
    }
    return poly;
}

// The grid with its tick labels and the titles of both axes, in the small font the rest of
// the drawing keeps.
void ProfilePlot::paintAxes(QPainter& painter, const QRectF& area, const QRectF& plot) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    QFont small = painter.font();
    small.setPointSizeF(7.5);
    painter.setFont(small);
    const double xStep = niceStep(xMax_), yStep = niceStep(yMax_ - yMin_);
    painter.setPen(QPen(QColor(225, 225, 225), 0));
    for (double x = 0; x <= xMax_ + 1e-9; x += xStep) {
        const QPointF a = mapTo(plot, x, yMin_);
        painter.drawLine(QPointF(a.x(), plot.top()), a);
        painter.save();
        painter.setPen(Qt::black);
        painter.drawText(QRectF(a.x() - 30, plot.bottom() + 2, 60, 14), Qt::AlignHCenter,
                         QString::number(x, 'g', 6));
        painter.restore();
    }
    for (double y = std::ceil(yMin_ / yStep) * yStep; y <= yMax_; y += yStep) {
        const QPointF a = mapTo(plot, 0, y);
        painter.drawLine(a, QPointF(plot.right(), a.y()));
        painter.save();
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), a.y() - 7, kLeftMargin - 4, 14),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(y, 'g', 6));
        painter.restore();
    }
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left(), plot.bottom() + 16, plot.width(), 16), Qt::AlignHCenter,
                     QStringLiteral("distance from the From end, km"));
    painter.save();
    painter.translate(area.left() + 9, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-80, -8, 160, 16), Qt::AlignHCenter,
                     QStringLiteral("m above sea level"));
    painter.restore();
}

// Obstructions filled above the ground, the ground filled down to the bottom.
void ProfilePlot::paintGround(QPainter& painter, const QRectF& plot) const {
    if (const PlotCurve* top = curve(PlotCurve::Kind::Obstructions)) {
        QPolygonF fill = polygonOf(plot, *top);
        fill << QPointF(plot.right(), plot.bottom() + 1) << QPointF(plot.left(), plot.bottom() + 1);
        painter.setPen(Qt::NoPen);
        painter.setBrush(kObstruction);
        painter.drawPolygon(fill);
    }
    if (const PlotCurve* ground = curve(PlotCurve::Kind::Terrain)) {
        QPolygonF fill = polygonOf(plot, *ground);
        fill << QPointF(plot.right(), plot.bottom() + 1) << QPointF(plot.left(), plot.bottom() + 1);
        painter.setPen(QPen(kGround.darker(140), 1));
        painter.setBrush(kGround);
        painter.drawPolygon(fill);
    }
}

// The line of sight, the Fresnel zone and the curves of each criterion.
void ProfilePlot::paintCurves(QPainter& painter, const QRectF& plot, bool screen) const {
    painter.setBrush(Qt::NoBrush);
    for (const PlotCurve& c : curves_) {
        if (c.kind == PlotCurve::Kind::Terrain || c.kind == PlotCurve::Kind::Obstructions) continue;
        QPen pen = curvePen(c);
        if (c.kind == PlotCurve::Kind::LineOfSight && c.points.size() >= 2) {
            // Straight between the tips: one segment, whatever the number of points.
            painter.setPen(pen);
            painter.drawLine(mapTo(plot, c.points.front().x(), c.points.front().y()),
                             mapTo(plot, c.points.back().x(), c.points.back().y()));
            continue;
        }
        // On screen the curves are hairlines: a wide antialiased stroke of a few thousand
        // points costs more than a frame. Pages and exports keep their widths.
        if (screen) pen.setWidthF(0);
        painter.setPen(pen);
        painter.drawPolyline(polygonOf(plot, c));
    }
}

// The worst point of each criterion, numbered, and the column under the pointer.
void ProfilePlot::paintMarks(QPainter& painter, const QRectF& plot) const {
    for (std::size_t i = 0; i < worst_.size(); ++i) {
        painter.setPen(QPen(Qt::red, 1.6));
        painter.setBrush(Qt::NoBrush);
        const QPointF p = mapTo(plot, worst_[i].x(), worst_[i].y());
        painter.drawEllipse(p, 5, 5);
        painter.drawText(p + QPointF(7, -6 - 11.0 * static_cast<double>(i)),
                         QString::number(i + 1));
    }
    if (hovered_) {
        painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
        const QPointF p = mapTo(plot, hovered_->distanceKm, yMin_);
        painter.drawLine(QPointF(p.x(), plot.top()), QPointF(p.x(), plot.bottom()));
    }
}

// The legend, top right: one line per drawn curve kind and per criterion curve.
void ProfilePlot::paintLegend(QPainter& painter, const QRectF& plot) const {
    painter.setRenderHint(QPainter::Antialiasing, false);
    QStringList names;
    std::vector<QPen> pens;
    names << QStringLiteral("line of sight") << QStringLiteral("first Fresnel zone (lower edge)");
    pens.push_back(QPen(kLineOfSight, 1.6));
    pens.push_back(QPen(kFresnel, 1.2, Qt::DashLine));
    for (const PlotCurve& c : curves_) {
        if (c.kind == PlotCurve::Kind::RaisedTerrain ||
            c.kind == PlotCurve::Kind::FresnelFraction) {
            names << c.name;
            pens.push_back(curvePen(c));
        }
    }
    const double legendWidth = 190;
    double y = plot.top() + 4;
    painter.fillRect(
        QRectF(plot.right() - legendWidth - 4, y - 2, legendWidth + 2, 13.0 * names.size() + 4),
        QColor(255, 255, 255, 220));
    for (qsizetype i = 0; i < names.size(); ++i) {
        painter.setPen(pens[static_cast<std::size_t>(i)]);
        painter.drawLine(QPointF(plot.right() - legendWidth, y + 6),
                         QPointF(plot.right() - legendWidth + 22, y + 6));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(plot.right() - legendWidth + 26, y + 10), names[i]);
        y += 13;
    }
}

// ---- the window ----

ProfileWindow::ProfileWindow(Screens& screens, const ProfileInputs& inputs)
    : QWidget(nullptr), screens_(screens) {
    setObjectName(QStringLiteral("PathProfile"));
    setWindowTitle(QString::fromLatin1(kProfileWindowCaption));
    QFont face(QStringLiteral("Sans Serif"));
    face.setStyleHint(QFont::SansSerif);
    face.setPointSizeF(8.25);
    setFont(face);
    build(inputs);
    loadProfile();
}

void ProfileWindow::build(const ProfileInputs& inputs) {
    buildSourceRow(inputs);
    buildHeightsRow(inputs);
    buildResultArea();
    buildCommands();
    connectControls();
    setMinimumSize(twipsToPixels(11895), twipsToPixels(9060));
    resize(minimumSize());
}

QLabel* ProfileWindow::addLabel(const char* name, const QString& text, QRect where) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(where);
    return l;
}

QLineEdit* ProfileWindow::addBox(const char* name, const std::string& text, QRect where) {
    auto* b = new QLineEdit(q(text), this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(where);
    return b;
}

// The profile source and its Browse... button.
void ProfileWindow::buildSourceRow(const ProfileInputs& inputs) {
    addLabel("sourceCaption", QStringLiteral("Profile source"), twipsRect(120, 150, 1560, 285));
    source_ = addBox("profileSource", inputs.source, twipsRect(1680, 120, 8880, 285));
    source_->setToolTip(
        QStringLiteral("A CSV file with distance_km and elevation_m columns, or elevation "
                       "rasters (.hgt, GeoTIFF) or folders of them, separated by \";\""));
    browse_ = new QPushButton(QStringLiteral("Browse..."), this);
    browse_->setObjectName(QStringLiteral("browseCommand"));
    browse_->setGeometry(twipsRect(10680, 90, 1095, 345));
}

// The antenna heights, the criteria and which end keeps its height.
void ProfileWindow::buildHeightsRow(const ProfileInputs& inputs) {
    addLabel("antennaFromCaption", QStringLiteral("Antennas: From"),
             twipsRect(120, 540, 1560, 285));
    antennaFrom_ = addBox("antennaFrom", inputs.antennaFromM, twipsRect(1680, 510, 720, 285));
    addLabel("antennaFromUnit", QStringLiteral("m"), twipsRect(2440, 540, 240, 285));
    addLabel("antennaToCaption", QStringLiteral("To"), twipsRect(2760, 540, 300, 285));
    antennaTo_ = addBox("antennaTo", inputs.antennaToM, twipsRect(3060, 510, 720, 285));
    addLabel("antennaToUnit", QStringLiteral("m"), twipsRect(3820, 540, 240, 285));
    addLabel("criteriaCaption", QStringLiteral("Criteria"), twipsRect(4200, 540, 720, 285));
    criteria_ = addBox("criteria", inputs.criteria, twipsRect(4920, 510, 2400, 285));
    criteria_->setToolTip(
        QStringLiteral("north-american, sixty, or k:fraction pairs such as 4/3:1,1:0.6"));
    addLabel("fixedEndCaption", QStringLiteral("Heights needed"), twipsRect(7440, 540, 1680, 285));
    fixedEnd_ = new QComboBox(this);
    fixedEnd_->setObjectName(QStringLiteral("fixedEnd"));
    fixedEnd_->addItems({QStringLiteral("both ends equal"), QStringLiteral("From end kept"),
                         QStringLiteral("To end kept")});
    fixedEnd_->setGeometry(twipsRect(9120, 510, 2655, 300));
}

// The summary line, the drawing, the hover line, the verdicts and the error lines.
void ProfileWindow::buildResultArea() {
    summary_ = addLabel("summary", QString(), twipsRect(120, 900, 11655, 285));
    plot_ = new ProfilePlot(this);
    plot_->setGeometry(twipsRect(120, 1200, 11655, 5400));
    hover_ = addLabel("hover", QString(), twipsRect(120, 6660, 11655, 285));
    verdicts_ = addLabel("verdicts", QString(), twipsRect(120, 6960, 11655, 1080));
    verdicts_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    verdicts_->setWordWrap(true);
    errors_ = addLabel("profileErrors", QString(), twipsRect(120, 8040, 11655, 480));
    errors_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    errors_->setWordWrap(true);
    errors_->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
}

void ProfileWindow::buildCommands() {
    print_ = new QPushButton(QStringLiteral("PRINT"), this);
    print_->setObjectName(QStringLiteral("printCommand"));
    print_->setGeometry(twipsRect(120, 8580, 1095, 375));
    export_ = new QPushButton(QStringLiteral("Export SVG/PNG"), this);
    export_->setObjectName(QStringLiteral("exportCommand"));
    export_->setGeometry(twipsRect(1440, 8580, 1695, 375));
}

// A new source or criterion reads the profile again; a new height only evaluates it again.
void ProfileWindow::connectControls() {
    connect(source_, &QLineEdit::textChanged, this, [this] { loadProfile(); });
    connect(criteria_, &QLineEdit::textChanged, this, [this] { loadProfile(); });
    connect(antennaFrom_, &QLineEdit::textChanged, this, [this] { evaluate(); });
    connect(antennaTo_, &QLineEdit::textChanged, this, [this] { evaluate(); });
    connect(fixedEnd_, &QComboBox::currentIndexChanged, this, [this] {
        evaluate();
        emit inputsEdited();
    });
    for (QLineEdit* b : {source_, antennaFrom_, antennaTo_, criteria_}) {
        connect(b, &QLineEdit::editingFinished, this, [this] { emit inputsEdited(); });
    }
    connect(browse_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { browse(); }); });
    connect(print_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { print(); }); });
    connect(export_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { exportCommand(); }); });
    connect(plot_, &ProfilePlot::hoverChanged, this, [this] { showHover(); });
}

ProfileInputs ProfileWindow::inputs() const {
    ProfileInputs in;
    in.source = source_->text().toStdString();
    in.antennaFromM = antennaFrom_->text().toStdString();
    in.antennaToM = antennaTo_->text().toStdString();
    in.criteria = criteria_->text().toStdString();
    return in;
}

void ProfileWindow::reload() { loadProfile(); }

void ProfileWindow::loadProfile() {
    profile_.reset();
    model_.reset();
    profileError_.clear();
    const QString source = source_->text().trimmed();
    Result<std::vector<terrain::Criterion>> criteria =
        terrain::parseCriteria(criteria_->text().toStdString(), "Criteria");
    if (source.isEmpty()) {
        profileError_ = QStringLiteral("Choose a profile: a CSV file, or elevation raster files.");
    } else if (!criteria) {
        failProfile(*criteria.error);
    } else if (std::optional<terrain::Profile> read = readProfile(source)) {
        takeModel(std::move(*read), *criteria.value);
    }
    evaluate();
}

void ProfileWindow::failProfile(const Error& e) { profileError_ = q(e.message()); }

// The profile from a CSV file, or from rasters along the path; empty (with the error kept)
// when it cannot be read.
std::optional<terrain::Profile> ProfileWindow::readProfile(const QString& source) {
    if (!isCsv(source)) return readRasterProfile(source);
    Result<terrain::Profile> csv = terrain::readProfileCsv(source.toStdString());
    if (csv) return *csv.value;
    failProfile(*csv.error);
    return std::nullopt;
}

// The profile sampled from the rasters named in `source` (separated by ";") along the path
// between its end coordinates.
std::optional<terrain::Profile> ProfileWindow::readRasterProfile(const QString& source) {
    std::vector<std::string> paths;
    for (const QString& part : source.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!part.trimmed().isEmpty()) paths.push_back(part.trimmed().toStdString());
    }
    Result<propagation::LinkBudgetFacts> facts = propagation::budgetFacts(screens_.state().path);
    if (!facts) {
        failProfile(*facts.error);
        return std::nullopt;
    }
    if (!facts.value->ends) {
        profileError_ = QStringLiteral(
            "Elevation rasters need the end coordinates of the path: give them on "
            "the input screen and CONTINUE, or choose a profile CSV file.");
        return std::nullopt;
    }
    Result<terrain::ElevationRasters> rasters = terrain::ElevationRasters::open(paths);
    if (!rasters) {
        failProfile(*rasters.error);
        return std::nullopt;
    }
    const propagation::PathEnds& e = *facts.value->ends;
    Result<terrain::Profile> extracted =
        terrain::extractProfile(*rasters.value, {e.fromLatitudeDeg, e.fromLongitudeEastDeg},
                                {e.toLatitudeDeg, e.toLongitudeEastDeg});
    if (extracted) return *extracted.value;
    failProfile(*extracted.error);
    return std::nullopt;
}

// Keeps `read` with its clearance model at the path's frequency, or the reason there is none.
void ProfileWindow::takeModel(terrain::Profile read,
                              const std::vector<terrain::Criterion>& criteria) {
    const double frequency = screens_.state().path.values.frequencyGHz;
    Result<terrain::ClearanceModel> model =
        terrain::ClearanceModel::make(read, frequency, criteria);
    if (model) {
        profile_ = std::move(read);
        model_ = std::move(*model.value);
    } else {
        failProfile(*model.error);
    }
}

void ProfileWindow::evaluate() {
    heightError_.clear();
    // A height that cannot be read is named; the drawing keeps the last good one.
    auto height = [this](QLineEdit* box, const QString& caption, double previous) {
        Result<double> v = textToDouble(box->text().toStdString());
        const bool good = v && std::isfinite(*v.value) && *v.value >= 0 && *v.value <= 10000;
        box->setStyleSheet(good ? QString()
                                : QStringLiteral("QLineEdit { background: rgb(255, 210, 210); }"));
        if (good) return *v.value;
        heightError_ += QStringLiteral("%1: \"%2\" is not a height of 0 to 10000 m. ")
                            .arg(caption, box->text());
        return previous;
    };
    const terrain::Antennas previous = report_ ? report_->antennas : terrain::Antennas{};
    terrain::Antennas antennas;
    antennas.fromM =
        height(antennaFrom_, QStringLiteral("Antenna height at the From end"), previous.fromM);
    antennas.toM = height(antennaTo_, QStringLiteral("Antenna height at the To end"), previous.toM);
    const auto keep = static_cast<terrain::FixedEnd>(std::max(0, fixedEnd_->currentIndex()));

    if (model_) {
        report_ = model_->evaluate(antennas, keep);
        plot_->setReport(&*profile_, &*report_);
        const terrain::ClearanceReport& r = *report_;
        summary_->setText(
            QStringLiteral("%1 points over %2 km at %3 GHz, mean terrain %4 m, from %5")
                .arg(profile_->points.size())
                .arg(fixed(r.pathKm, 3), QString::number(r.frequencyGhz, 'g', 6),
                     fixed(r.meanTerrainM, 1), q(profile_->source)));
        QStringList lines = verdictLines();
        if (r.diffractionLossApplies) {
            lines << QStringLiteral(
                         "Diffraction loss %1 dB at the worst point of the first criterion  [%2]")
                         .arg(fixed(r.diffractionLossDb, 2),
                              QString::fromLatin1(terrain::kDiffractionModel));
        } else {
            lines << QStringLiteral("No diffraction loss at the first criterion's k  [%1]")
                         .arg(QString::fromLatin1(terrain::kDiffractionModel));
        }
        const char* how = r.fixedEnd == terrain::FixedEnd::None   ? "both ends equal"
                          : r.fixedEnd == terrain::FixedEnd::From ? "From end kept"
                                                                  : "To end kept";
        lines << QStringLiteral(
                     "Lowest antenna heights meeting every criterion (%1): From %2 m, To %3 m")
                     .arg(QLatin1String(how), fixed(r.heightsNeeded.fromM, 1),
                          fixed(r.heightsNeeded.toM, 1));
        verdicts_->setText(lines.join(QLatin1Char('\n')));
    } else {
        report_.reset();
        plot_->setReport(nullptr, nullptr);
        summary_->clear();
        verdicts_->clear();
    }
    errors_->setText((profileError_ + QLatin1Char(' ') + heightError_).trimmed());
    showHover();
    emit reportChanged();
}

QStringList ProfileWindow::verdictLines() const {
    QStringList out;
    if (!report_) return out;
    for (const terrain::CriterionResult& c : report_->criteria) out << q(terrain::verdictLine(c));
    return out;
}

void ProfileWindow::showHover() {
    const std::optional<HoverPoint>& h = plot_->hovered();
    hover_->setText(h ? h->text : QString());
}

void ProfileWindow::closeEvent(QCloseEvent* event) {
    emit inputsEdited();
    event->accept();  // hides; the window keeps its profile until its owner goes
}

// ---- files ----

QString ProfileWindow::chooseFile(const QString& title, const QString& proposed, bool save,
                                  const QString& filter) {
    if (chooseFile_) return chooseFile_(title, proposed);
    return save ? QFileDialog::getSaveFileName(this, title, proposed, filter)
                : QFileDialog::getOpenFileName(this, title, proposed, filter);
}

void ProfileWindow::browse() {
    const QString current = source_->text().trimmed();
    const QString start = current.isEmpty()
                              ? QDir::homePath()
                              : QFileInfo(current.split(QLatin1Char(';')).front()).path();
    const QString file = chooseFile(
        QStringLiteral("Choose the profile"), start, false,
        QStringLiteral(
            "Profiles and elevation rasters (*.csv *.hgt *.tif *.tiff *.dem *.vrt *.img *.asc "
            "*.dt0 *.dt1 *.dt2 *.bil *.flt);;All files (*)"));
    if (file.isEmpty()) return;
    source_->setText(file);
    emit inputsEdited();
}

std::optional<QString> ProfileWindow::printToPdf(const QString& path) {
    ensurePolished();
    plot_->setHairlines(false);  // the page keeps the curves' widths
    std::optional<QString> failed = printWindowToPdf(*this, path);
    plot_->setHairlines(true);
    return failed;
}

void ProfileWindow::print() {
    const QString proposed = QDir::home().filePath(QStringLiteral("path profile.pdf"));
    std::optional<QString> failed;
    if (chooseFile_) {
        const QString file = chooseFile_(QStringLiteral("Save the path profile as PDF"), proposed);
        if (file.isEmpty()) return;
        failed = printToPdf(file);
    } else {
        plot_->setHairlines(false);
        failed = printWindow(*this, QStringLiteral("path profile"));
        plot_->setHairlines(true);
    }
    if (failed) screens_.reportError(*failed, this);
}

std::optional<QString> ProfileWindow::exportDrawing(const QString& path) {
    const QSize size = plot_->size().isEmpty() ? QSize(780, 360) : plot_->size();
    const QStringList lines = verdictLines();
    const int textHeight = 16 * static_cast<int>(lines.size()) + 8;
    const QSize whole(size.width(), size.height() + textHeight);
    auto paint = [&](QPainter& painter) {
        plot_->paintDrawing(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        painter.fillRect(QRectF(0, size.height(), whole.width(), textHeight), Qt::white);
        painter.setPen(Qt::black);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            painter.drawText(QPointF(8, size.height() + 14 + 16 * static_cast<double>(i)),
                             lines[i]);
        }
    };
    if (path.endsWith(QLatin1String(".svg"), Qt::CaseInsensitive)) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(whole);
        svg.setViewBox(QRect(QPoint(0, 0), whole));
        svg.setTitle(QStringLiteral("Path profile"));
        QPainter painter;
        if (!painter.begin(&svg)) return QStringLiteral("Could not write \"%1\".").arg(path);
        paint(painter);
        painter.end();
        if (!QFileInfo::exists(path)) return QStringLiteral("Could not write \"%1\".").arg(path);
        return std::nullopt;
    }
    QImage image(whole * 2, QImage::Format_RGB32);
    image.setDevicePixelRatio(2);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        paint(painter);
    }
    if (!image.save(path, "PNG")) return QStringLiteral("Could not write \"%1\" as PNG.").arg(path);
    return std::nullopt;
}

void ProfileWindow::exportCommand() {
    const QString file = chooseFile(QStringLiteral("Export the drawing (.svg or .png)"),
                                    QDir::home().filePath(QStringLiteral("path profile.svg")), true,
                                    QStringLiteral("SVG drawing (*.svg);;PNG image (*.png)"));
    if (file.isEmpty()) return;
    if (std::optional<QString> failed = exportDrawing(file)) screens_.reportError(*failed, this);
}

}  // namespace hopscale
