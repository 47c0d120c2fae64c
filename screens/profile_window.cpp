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
#include "profile_text.h"

namespace hopscale {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// Margins of the plot inside its area, pixels: room for the axis labels.
constexpr double kLeftMargin = 58, kRightMargin = 12, kTopMargin = 12, kBottomMargin = 34;

QRectF plotRect(const QRectF& area) {
    return area.adjusted(kLeftMargin, kTopMargin, -kRightMargin, -kBottomMargin);
}

bool isCsv(const QString& path) {
    return path.trimmed().endsWith(QLatin1String(".csv"), Qt::CaseInsensitive);
}

QColor colourOf(const std::string& text) { return QColor(QString::fromStdString(text)); }

QPen penOf(const terrain::DrawingCurve& c) {
    QPen pen(colourOf(c.stroke), c.widthPx);
    if (c.style == terrain::LineStyle::Dashed) pen.setStyle(Qt::DashLine);
    if (c.style == terrain::LineStyle::Dotted) pen.setStyle(Qt::DotLine);
    return pen;
}

// Data units of a panel to pixels of its plot rectangle.
struct Mapping {
    QRectF plot;
    double xMin, xMax, yMin, yMax;
    QPointF operator()(double x, double y) const {
        return {plot.left() + (x - xMin) / (xMax - xMin) * plot.width(),
                plot.bottom() - (y - yMin) / (yMax - yMin) * plot.height()};
    }
};

Mapping mappingOf(const terrain::DrawingPanel& panel, const QRectF& plot) {
    return {plot, panel.xMin, panel.xMax, panel.yMin, panel.yMax};
}

// The curve in pixels, with the points that fall in one pixel column reduced to the first,
// lowest, highest and last of them: the same picture, a fraction of the work when the
// profile has more points than the plot has columns.
QPolygonF polygonOf(const Mapping& map, const terrain::DrawingCurve& c) {
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(
        std::min<std::size_t>(c.x.size(), 4 * static_cast<std::size_t>(map.plot.width()) + 8)));
    std::size_t i = 0;
    const std::size_t n = c.x.size();
    while (i < n) {
        const QPointF first = map(c.x[i], c.y[i]);
        const double column = std::floor(first.x());
        QPointF low = first, high = first, last = first;
        std::size_t j = i + 1;
        for (; j < n; ++j) {
            const QPointF p = map(c.x[j], c.y[j]);
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

// The grid with the panel's ticks and the titles of both axes.
void paintAxes(QPainter& painter, const terrain::DrawingPanel& panel, const QRectF& area,
               const Mapping& map) {
    const QRectF& plot = map.plot;
    painter.setRenderHint(QPainter::Antialiasing, false);
    QFont small = painter.font();
    small.setPointSizeF(7.5);
    painter.setFont(small);
    for (double x : panel.xTicks) {
        const QPointF a = map(x, panel.yMin);
        painter.setPen(QPen(QColor(225, 225, 225), 0));
        painter.drawLine(QPointF(a.x(), plot.top()), QPointF(a.x(), plot.bottom()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(a.x() - 30, plot.bottom() + 2, 60, 14), Qt::AlignHCenter,
                         QString::number(x, 'g', 6));
    }
    for (double y : panel.yTicks) {
        const QPointF a = map(panel.xMin, y);
        painter.setPen(QPen(QColor(225, 225, 225), 0));
        painter.drawLine(QPointF(plot.left(), a.y()), QPointF(plot.right(), a.y()));
        painter.setPen(Qt::black);
        painter.drawText(QRectF(area.left(), a.y() - 7, kLeftMargin - 4, 14),
                         Qt::AlignRight | Qt::AlignVCenter, QString::number(y, 'g', 6));
    }
    painter.setPen(Qt::black);
    painter.drawText(QRectF(plot.left(), plot.bottom() + 16, plot.width(), 16), Qt::AlignHCenter,
                     q(panel.xTitle));
    painter.save();
    painter.translate(area.left() + 9, plot.center().y());
    painter.rotate(-90);
    painter.drawText(QRectF(-90, -8, 180, 16), Qt::AlignHCenter, q(panel.yTitle));
    painter.restore();
}

// Filled curves down to the bottom, then the lines, in the model's order.
void paintCurves(QPainter& painter, const terrain::DrawingPanel& panel, const Mapping& map,
                 bool screen) {
    for (const terrain::DrawingCurve& c : panel.curves) {
        if (c.x.empty()) continue;
        if (!c.fill.empty()) {
            QPolygonF fill = polygonOf(map, c);
            fill << QPointF(map.plot.right(), map.plot.bottom() + 1)
                 << QPointF(map.plot.left(), map.plot.bottom() + 1);
            painter.setPen(c.stroke.empty() ? QPen(Qt::NoPen) : penOf(c));
            painter.setBrush(colourOf(c.fill));
            painter.drawPolygon(fill);
            continue;
        }
        painter.setBrush(Qt::NoBrush);
        QPen pen = penOf(c);
        if (c.straight && c.x.size() >= 2) {
            // Straight between its ends: one segment, whatever the number of points.
            painter.setPen(pen);
            painter.drawLine(map(c.x.front(), c.y.front()), map(c.x.back(), c.y.back()));
            continue;
        }
        // On screen long curves are hairlines: a wide antialiased stroke of a few thousand
        // points costs more than a frame. Pages and exports keep their widths.
        if (screen && c.x.size() > 64) pen.setWidthF(0);
        painter.setPen(pen);
        painter.drawPolyline(polygonOf(map, c));
    }
}

void paintMarkers(QPainter& painter, const terrain::DrawingPanel& panel, const Mapping& map) {
    painter.setBrush(Qt::NoBrush);
    for (const terrain::DrawingMarker& m : panel.markers) {
        painter.setPen(QPen(colourOf(m.colour), 1.6));
        const QPointF p = map(m.x, m.y);
        painter.drawEllipse(p, m.radiusPx, m.radiusPx);
        if (!m.text.empty())
            painter.drawText(p + QPointF(m.radiusPx + 3, -m.radiusPx - 2), q(m.text));
    }
}

// The legend, top right: one line per labelled curve.
void paintLegend(QPainter& painter, const terrain::DrawingPanel& panel, const QRectF& plot) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    std::vector<const terrain::DrawingCurve*> entries;
    for (const terrain::DrawingCurve& c : panel.curves) {
        if (!c.label.empty()) entries.push_back(&c);
    }
    if (entries.empty()) return;
    const double legendWidth = 190;
    double y = plot.top() + 4;
    painter.fillRect(QRectF(plot.right() - legendWidth - 4, y - 2, legendWidth + 2,
                            13.0 * static_cast<double>(entries.size()) + 4),
                     QColor(255, 255, 255, 220));
    for (const terrain::DrawingCurve* c : entries) {
        painter.setPen(penOf(*c));
        painter.drawLine(QPointF(plot.right() - legendWidth, y + 6),
                         QPointF(plot.right() - legendWidth + 22, y + 6));
        painter.setPen(Qt::black);
        painter.drawText(QPointF(plot.right() - legendWidth + 26, y + 10), q(c->label));
        y += 13;
    }
}

}  // namespace

void paintDrawingPanel(QPainter& painter, const terrain::DrawingPanel& panel, const QRectF& area,
                       bool screen) {
    const Mapping map = mappingOf(panel, plotRect(area));
    paintAxes(painter, panel, area, map);
    painter.save();
    painter.setClipRect(map.plot);
    painter.setRenderHint(QPainter::Antialiasing, true);
    paintCurves(painter, panel, map, screen);
    paintMarkers(painter, panel, map);
    painter.restore();
    paintLegend(painter, panel, map.plot);
}

// ---- one panel on its own ----

DrawingPanelView::DrawingPanelView(QWidget* parent, std::string panelName)
    : QWidget(parent), name_(std::move(panelName)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void DrawingPanelView::setDrawing(const terrain::ProfileDrawing* drawing) {
    drawing_ = drawing;
    update();
}

const terrain::DrawingPanel* DrawingPanelView::panel() const {
    return drawing_ ? drawing_->panel(name_) : nullptr;
}

void DrawingPanelView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const terrain::DrawingPanel* p = panel();
    if (!p || p->curves.empty() || p->curves.front().x.empty()) {
        painter.setPen(Qt::gray);
        painter.drawText(rect(), Qt::AlignCenter, QStringLiteral("No reflection to sweep"));
        return;
    }
    paintDrawingPanel(painter, *p, QRectF(rect()), true);
}

// ---- the drawing ----

ProfilePlot::ProfilePlot(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("profilePlot"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProfilePlot::setReport(const terrain::Profile* profile, const terrain::ClearanceReport* report,
                            const terrain::DiffractionResult* diffraction,
                            const terrain::ReflectionResult* reflection) {
    profile_ = profile;
    report_ = report;
    curves_.clear();
    worst_.clear();
    hovered_.reset();
    drawing_ = terrain::ProfileDrawing{};
    if (!profile || !report || report->distanceKm.empty()) {
        update();
        return;
    }
    drawing_ = terrain::buildProfileDrawing(*profile, *report, diffraction, reflection);
    const terrain::DrawingPanel& panel = drawing_.panels.front();
    // The curves by kind, read from the model the plot paints.
    for (const terrain::DrawingCurve& c : panel.curves) {
        std::optional<PlotCurve::Kind> kind;
        if (c.role == "ground") kind = PlotCurve::Kind::Terrain;
        if (c.role == "obstructions") kind = PlotCurve::Kind::Obstructions;
        if (c.role == "line-of-sight") kind = PlotCurve::Kind::LineOfSight;
        if (c.role == "f1-lower") kind = PlotCurve::Kind::FresnelZone;
        if (c.role.rfind("raised-", 0) == 0) kind = PlotCurve::Kind::RaisedTerrain;
        if (c.role.rfind("fraction-", 0) == 0) kind = PlotCurve::Kind::FresnelFraction;
        if (!kind) continue;
        PlotCurve out{*kind, c.criterion, q(c.label.empty() ? c.role : c.label), {}};
        if (*kind == PlotCurve::Kind::Terrain) out.name = QStringLiteral("terrain");
        if (*kind == PlotCurve::Kind::Obstructions) out.name = QStringLiteral("obstructions");
        out.points.reserve(c.x.size());
        for (std::size_t i = 0; i < c.x.size(); ++i) out.points.emplace_back(c.x[i], c.y[i]);
        curves_.push_back(std::move(out));
    }
    for (const terrain::DrawingMarker& m : panel.markers) {
        if (m.role.rfind("worst-", 0) == 0) worst_.emplace_back(m.x, m.y);
    }
    yMin_ = panel.yMin;
    yMax_ = panel.yMax;
    xMax_ = panel.xMax;
    update();
}

const PlotCurve* ProfilePlot::curve(PlotCurve::Kind kind, int criterion) const {
    for (const PlotCurve& c : curves_) {
        if (c.kind == kind && c.criterion == criterion) return &c;
    }
    return nullptr;
}

QRectF ProfilePlot::plotArea(const QRectF& area) const { return plotRect(area); }

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
    if (!report_->criteria.empty()) {
        const terrain::CriterionResult& first = report_->criteria.front();
        h.clearanceM = first.clearanceM[i];
        h.clearanceF1 = first.clearanceF1[i];
    }
    h.text = q(design::pointDescription(*profile_, *report_, i));
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
    if (drawing_.panels.empty()) {
        painter.setPen(Qt::gray);
        painter.drawText(area, Qt::AlignCenter, QStringLiteral("No profile"));
        return;
    }
    paintDrawingPanel(painter, drawing_.panels.front(), area, screen);
    painter.save();
    painter.setClipRect(plotArea(area));
    paintHover(painter, plotArea(area));
    painter.restore();
}

// The column under the pointer.
void ProfilePlot::paintHover(QPainter& painter, const QRectF& plot) const {
    if (!hovered_) return;
    painter.setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    const QPointF p = mapTo(plot, hovered_->distanceKm, yMin_);
    painter.drawLine(QPointF(p.x(), plot.top()), QPointF(p.x(), plot.bottom()));
}

// ---- the window ----

ProfileWindow::~ProfileWindow() {
    for (QObject* child : findChildren<QObject*>()) child->blockSignals(true);
}

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
    buildDiffractionRow();
    buildResultArea();
    buildCommands();
    connectControls();
    setMinimumSize(twipsToPixels(11895), twipsToPixels(10440));
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

// The earth factor and polarisation of the diffraction loss, and the share of the path over sea.
void ProfileWindow::buildDiffractionRow() {
    addLabel("diffractionKCaption", QStringLiteral("Diffraction at k"),
             twipsRect(120, 930, 1560, 285));
    diffractionK_ = addBox("diffractionK", "4/3", twipsRect(1680, 900, 720, 285));
    diffractionK_->setToolTip(
        QStringLiteral("Earth factor of the diffraction loss; the loss at each criterion's k "
                       "is given as well"));
    addLabel("polarisationCaption", QStringLiteral("Polarisation"),
             twipsRect(2760, 930, 1200, 285));
    polarisation_ = new QComboBox(this);
    polarisation_->setObjectName(QStringLiteral("polarisation"));
    polarisation_->addItems({QStringLiteral("vertical"), QStringLiteral("horizontal")});
    polarisation_->setGeometry(twipsRect(3960, 900, 1440, 300));
    addLabel("seaFractionCaption", QStringLiteral("Over sea (0..1)"),
             twipsRect(5640, 930, 1560, 285));
    seaFraction_ = addBox("seaFraction", "", twipsRect(7200, 900, 720, 285));
    seaFraction_->setPlaceholderText(QStringLiteral("profile"));
    seaFraction_->setToolTip(
        QStringLiteral("Fraction of the path over sea; empty: the profile's sea column"));
}

// The summary line, the tabs with the drawing and the reflection, the hover line, the verdicts
// with the diffraction figures and the error lines.
void ProfileWindow::buildResultArea() {
    summary_ = addLabel("summary", QString(), twipsRect(120, 1290, 11655, 285));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("profileTabs"));
    tabs_->setGeometry(twipsRect(120, 1590, 11655, 5700));
    plot_ = new ProfilePlot(nullptr);
    tabs_->addTab(plot_, QStringLiteral("Profile"));
    tabs_->addTab(buildReflectionTab(), QStringLiteral("Reflection"));
    hover_ = addLabel("hover", QString(), twipsRect(120, 7320, 11655, 285));
    verdicts_ = addLabel("verdicts", QString(), twipsRect(120, 7620, 11655, 1860));
    verdicts_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    verdicts_->setWordWrap(true);
    errors_ = addLabel("profileErrors", QString(), twipsRect(120, 9480, 11655, 420));
    errors_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    errors_->setWordWrap(true);
    errors_->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
}

// The reflecting surface, its ground and roughness; the level against the receive antenna
// height; the reflection at each criterion's k.
QWidget* ProfileWindow::buildReflectionTab() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("reflectionPage"));
    auto label = [page](const char* name, const QString& text, QRect where) {
        auto* l = new QLabel(text, page);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(where);
        return l;
    };
    auto box = [page](const char* name, const QString& text, QRect where) {
        auto* b = new QLineEdit(text, page);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(where);
        return b;
    };
    label("surfaceCaption", QStringLiteral("Surface"), twipsRect(60, 90, 840, 285));
    surface_ = box("surface", QStringLiteral("fit"), twipsRect(900, 60, 960, 285));
    surface_->setToolTip(
        QStringLiteral("fit: the smooth earth fitted to the ground; or a level in m (a lake)"));
    label("groundCaption", QStringLiteral("Ground"), twipsRect(2040, 90, 720, 285));
    ground_ = new QComboBox(page);
    ground_->setObjectName(QStringLiteral("ground"));
    ground_->addItems({QStringLiteral("land"), QStringLiteral("sea"), QStringLiteral("typed")});
    ground_->setGeometry(twipsRect(2760, 60, 1200, 300));
    groundConstants_ =
        box("groundConstants", QStringLiteral("15,0.01"), twipsRect(4020, 60, 1200, 285));
    groundConstants_->setToolTip(
        QStringLiteral("Typed ground: relative permittivity and conductivity in S/m"));
    groundConstants_->setEnabled(false);
    label("roughnessCaption", QStringLiteral("Roughness (rms)"), twipsRect(5400, 90, 1440, 285));
    roughness_ = box("roughness", QStringLiteral("0"), twipsRect(6840, 60, 720, 285));
    label("roughnessUnit", QStringLiteral("m"), twipsRect(7600, 90, 240, 285));
    label("sweepCaption", QStringLiteral("Receive heights"), twipsRect(8040, 90, 1440, 285));
    sweep_ = box("sweep", QString(), twipsRect(9480, 60, 1440, 285));
    sweep_->setPlaceholderText(QStringLiteral("0 to 2 x To"));
    sweep_->setToolTip(
        QStringLiteral("Receive antenna heights swept, FROM,TO in m; empty: 0 to twice the To "
                       "antenna"));
    label("sweepUnit", QStringLiteral("m"), twipsRect(10960, 90, 240, 285));
    levelPlot_ = new DrawingPanelView(page, "level");
    levelPlot_->setObjectName(QStringLiteral("levelPlot"));
    levelPlot_->setGeometry(twipsRect(60, 420, 11400, 2820));
    reflectionText_ = new QLabel(page);
    reflectionText_->setObjectName(QStringLiteral("reflectionText"));
    reflectionText_->setGeometry(twipsRect(60, 3300, 11400, 2000));
    reflectionText_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    reflectionText_->setWordWrap(true);
    return page;
}

void ProfileWindow::buildCommands() {
    print_ = new QPushButton(QStringLiteral("PRINT"), this);
    print_->setObjectName(QStringLiteral("printCommand"));
    print_->setGeometry(twipsRect(120, 9960, 1095, 375));
    export_ = new QPushButton(QStringLiteral("Export SVG/PNG"), this);
    export_->setObjectName(QStringLiteral("exportCommand"));
    export_->setGeometry(twipsRect(1440, 9960, 1695, 375));
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
    for (QLineEdit* b :
         {diffractionK_, seaFraction_, surface_, groundConstants_, roughness_, sweep_}) {
        connect(b, &QLineEdit::textChanged, this, [this] { evaluate(); });
    }
    for (QComboBox* c : {polarisation_, ground_}) {
        connect(c, &QComboBox::currentIndexChanged, this, [this] {
            groundConstants_->setEnabled(ground_->currentIndex() == 2);
            evaluate();
        });
    }
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
    const PathEnds& e = *facts.value->ends;
    Result<terrain::Profile> extracted = terrain::extractProfile(*rasters.value, e.from, e.to);
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
        evaluatePropagation(antennas);
        plot_->setReport(&*profile_, &*report_, diffraction_ ? &*diffraction_ : nullptr,
                         reflection_ ? &*reflection_ : nullptr);
        levelPlot_->setDrawing(&plot_->drawing());
        const terrain::ClearanceReport& r = *report_;
        summary_->setText(q(design::profileSummary(*profile_, r)));
        QStringList lines = verdictLines();
        lines << diffractionLines();
        lines << q(design::heightsNeededSentence(r));
        verdicts_->setText(lines.join(QLatin1Char('\n')));
        reflectionText_->setText(reflectionLines().join(QLatin1Char('\n')));
    } else {
        report_.reset();
        diffraction_.reset();
        reflection_.reset();
        propagationError_.clear();
        plot_->setReport(nullptr, nullptr);
        levelPlot_->setDrawing(nullptr);
        summary_->clear();
        verdicts_->clear();
        reflectionText_->clear();
    }
    errors_->setText(
        (profileError_ + QLatin1Char(' ') + heightError_ + QLatin1Char(' ') + propagationError_)
            .trimmed());
    showHover();
    emit reportChanged();
}

// The diffraction loss and the reflection for the heights judged; an input that cannot be
// read is named and marked, and what depends on it is left out.
void ProfileWindow::evaluatePropagation(const terrain::Antennas& antennas) {
    propagationError_.clear();
    diffraction_.reset();
    reflection_.reset();
    auto mark = [](QLineEdit* box, bool good) {
        box->setStyleSheet(good ? QString()
                                : QStringLiteral("QLineEdit { background: rgb(255, 210, 210); }"));
    };
    auto fail = [this](const QString& caption, const QString& text, const QString& why) {
        propagationError_ += QStringLiteral("%1: \"%2\" %3. ").arg(caption, text, why);
    };
    // The earth factor: a number or a fraction ("4/3").
    std::optional<double> k;
    {
        const std::string text = diffractionK_->text().trimmed().toStdString();
        const std::size_t slash = text.find('/');
        Result<double> num = textToDouble(text.substr(0, slash));
        Result<double> den =
            slash == std::string::npos ? Result<double>(1.0) : textToDouble(text.substr(slash + 1));
        if (num && den && *den.value != 0) k = *num.value / *den.value;
        if (k && !(*k > 0 && *k <= 1000)) k.reset();
        mark(diffractionK_, k.has_value());
        if (!k)
            fail(QStringLiteral("Diffraction at k"), diffractionK_->text(),
                 QStringLiteral("is not an earth factor above 0 (such as 4/3)"));
    }
    std::optional<double> sea;
    bool seaGood = true;
    if (!seaFraction_->text().trimmed().isEmpty()) {
        Result<double> v = textToDouble(seaFraction_->text().trimmed().toStdString());
        seaGood = v && *v.value >= 0 && *v.value <= 1;
        if (seaGood) sea = *v.value;
        if (!seaGood)
            fail(QStringLiteral("Over sea"), seaFraction_->text(),
                 QStringLiteral("is not a fraction from 0 to 1"));
    }
    mark(seaFraction_, seaGood);
    const terrain::Polarisation polarisation = polarisation_->currentIndex() == 1
                                                   ? terrain::Polarisation::Horizontal
                                                   : terrain::Polarisation::Vertical;
    if (k && seaGood) {
        terrain::DiffractionInputs in;
        in.frequencyGhz = model_->frequencyGhz();
        in.antennas = antennas;
        in.earthFactor = *k;
        in.polarisation = polarisation;
        in.seaFraction = sea;
        Result<terrain::DiffractionResult> d = terrain::computeDiffraction(model_->profile(), in);
        if (d) {
            diffraction_ = *d.value;
        } else {
            propagationError_ += q(d.error->message()) + QLatin1Char(' ');
        }
    }

    // The reflection at each criterion's k.
    terrain::ReflectionInputs in;
    in.frequencyGhz = model_->frequencyGhz();
    in.antennas = antennas;
    in.polarisation = polarisation;
    in.earthFactors.clear();
    for (const terrain::Criterion& c : model_->criteria()) in.earthFactors.push_back(c.k);
    in.sweepEarthFactor = k.value_or(4.0 / 3.0);
    bool good = true;
    const QString surface = surface_->text().trimmed();
    if (surface != QLatin1String("fit")) {
        Result<double> level = textToDouble(surface.toStdString());
        const bool ok = level && std::isfinite(*level.value);
        if (ok) in.surfaceM = *level.value;
        mark(surface_, ok);
        if (!ok)
            fail(QStringLiteral("Surface"), surface_->text(),
                 QStringLiteral("is neither fit nor a height in m"));
        good = good && ok;
    } else {
        mark(surface_, true);
    }
    const QString groundText =
        ground_->currentIndex() == 2 ? groundConstants_->text() : ground_->currentText();
    Result<terrain::Ground> ground = terrain::parseGround(groundText.toStdString(), "Ground");
    mark(groundConstants_, ground.ok() || ground_->currentIndex() != 2);
    if (ground) {
        in.ground = *ground.value;
    } else {
        propagationError_ += q(ground.error->message()) + QLatin1Char(' ');
        good = false;
    }
    Result<double> rough = textToDouble(roughness_->text().trimmed().toStdString());
    const bool roughGood = rough && std::isfinite(*rough.value) && *rough.value >= 0;
    mark(roughness_, roughGood);
    if (roughGood) {
        in.roughnessM = *rough.value;
    } else {
        fail(QStringLiteral("Roughness"), roughness_->text(),
             QStringLiteral("is not an rms height of 0 m or more"));
        good = false;
    }
    const QString sweep = sweep_->text().trimmed();
    bool sweepGood = true;
    if (!sweep.isEmpty()) {
        const QStringList ends = sweep.split(QLatin1Char(','));
        Result<double> from = textToDouble(ends.value(0).trimmed().toStdString());
        Result<double> to = textToDouble(ends.value(1).trimmed().toStdString());
        sweepGood = ends.size() == 2 && from && to && *from.value >= 0 && *to.value > *from.value &&
                    std::isfinite(*to.value);
        if (sweepGood) {
            in.sweepFromM = *from.value;
            in.sweepToM = *to.value;
        } else {
            fail(QStringLiteral("Receive heights"), sweep_->text(),
                 QStringLiteral("is not FROM,TO rising from 0 m or more"));
        }
    }
    mark(sweep_, sweepGood);
    good = good && sweepGood;
    if (!good) return;
    Result<terrain::ReflectionResult> r = terrain::computeReflection(model_->profile(), in);
    if (r) {
        reflection_ = *r.value;
    } else {
        if (r.error->input == "surface") mark(surface_, false);
        propagationError_ += q(r.error->message()) + QLatin1Char(' ');
    }
}

QStringList ProfileWindow::diffractionLines() const {
    QStringList out;
    if (!diffraction_) return out;
    for (const std::string& line : terrain::diffractionLines(*diffraction_)) out << q(line);
    return out;
}

QStringList ProfileWindow::reflectionLines() const {
    QStringList out;
    if (!reflection_) return out;
    for (const std::string& line : terrain::reflectionLines(*reflection_)) out << q(line);
    return out;
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
    // The drawing model's profile panel, its level panel when there is one, and its lines of
    // text, as the SVG of the command has them.
    const QSize size = plot_->size().isEmpty() ? QSize(780, 360) : plot_->size();
    const terrain::ProfileDrawing& drawing = plot_->drawing();
    const terrain::DrawingPanel* level = drawing.panel("level");
    const int levelHeight = level ? 240 : 0;
    QStringList lines;
    for (const terrain::DrawingText& t : drawing.notes) lines << q(t.text);
    const int textHeight = 16 * static_cast<int>(lines.size()) + 8;
    const QSize whole(size.width(), size.height() + levelHeight + textHeight);
    auto paint = [&](QPainter& painter) {
        plot_->paintDrawing(painter, QRectF(QPointF(0, 0), QSizeF(size)));
        if (level) {
            const QRectF area(0, size.height(), size.width(), levelHeight);
            painter.fillRect(area, Qt::white);
            paintDrawingPanel(painter, *level, area, false);
        }
        const double textTop = size.height() + levelHeight;
        painter.fillRect(QRectF(0, textTop, whole.width(), textHeight), Qt::white);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            painter.setPen(colourOf(drawing.notes[static_cast<std::size_t>(i)].colour));
            painter.drawText(QPointF(8, textTop + 14 + 16 * static_cast<double>(i)), lines[i]);
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
