// The "Path Profile" window: the terrain between the two ends drawn as engineers read it, with
// the straight line of sight, the terrain raised by the earth bulge for each criterion's k, the
// first Fresnel zone and each criterion's fraction of it, the worst point of each criterion
// marked, and a verdict line per criterion under the drawing. The profile comes from a CSV
// file or from elevation rasters sampled along the geodesic between the path's end
// coordinates; the antenna heights are editable and the drawing follows as the user types.
// Under the drawing: the diffraction loss over the profile (delta-Bullington, with its parts and
// the single knife edge) at the earth factor and polarisation chosen. The Reflection tab holds
// the reflecting surface, its ground and roughness, the level against the receive antenna
// height and the reflection at each criterion's k, whose points and rays are drawn on the
// profile. The picture is the terrain library's drawing model, the same one `profile --svg`
// renders. PRINT puts the window on paper (or into a PDF); the drawing can be exported as SVG or
// PNG.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointF>
#include <QPolygonF>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTabWidget>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "clearance.h"
#include "diffraction.h"
#include "link_inputs.h"
#include "profile.h"
#include "profile_drawing.h"
#include "reflection.h"
#include "screens.h"

namespace hopscale {

inline constexpr const char* kProfileWindowCaption = "Path Profile";

// One polyline of the drawing, in data units: x in km from the From end, y in m above sea level.
struct PlotCurve {
    enum class Kind {
        Terrain,          // the ground
        Obstructions,     // ground plus trees and buildings (drawn filled above the ground)
        LineOfSight,      // straight between the antenna tips
        FresnelZone,      // lower edge of the first Fresnel zone: line of sight - F1
        RaisedTerrain,    // ground + obstruction + bulge at the criterion's k
        FresnelFraction,  // line of sight - the criterion's fraction of F1
    };
    Kind kind;
    int criterion = -1;  // index into the criteria, for the two per-criterion kinds
    QString name;        // "line of sight", "terrain raised at k 1.333"
    std::vector<QPointF> points;
};

// What the pointer is over: the profile point nearest to it along the path.
struct HoverPoint {
    std::size_t index = 0;
    double distanceKm = 0;
    double groundM = 0;       // ground elevation
    double obstructionM = 0;  // above the ground
    double clearanceM = 0;    // at the first criterion's k
    double clearanceF1 = 0;
    QString text;  // as the window shows it
};

// Paints one panel of a drawing model in `area` (axes, fills, curves, markers, legend);
// `screen` draws the curves as hairlines, fast enough to follow typing.
void paintDrawingPanel(QPainter& painter, const terrain::DrawingPanel& panel, const QRectF& area,
                       bool screen);

// One panel of a drawing model on its own (the level against the receive antenna height).
class DrawingPanelView : public QWidget {
    Q_OBJECT
  public:
    DrawingPanelView(QWidget* parent, std::string panelName);
    void setDrawing(const terrain::ProfileDrawing* drawing);
    const terrain::DrawingPanel* panel() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::string name_;
    const terrain::ProfileDrawing* drawing_ = nullptr;
};

// The drawing. Its data is kept in the curves so that what is drawn can be checked without
// looking at pixels.
class ProfilePlot : public QWidget {
    Q_OBJECT
  public:
    explicit ProfilePlot(QWidget* parent);

    // Replaces the drawing with `report` over `profile`, with the reflection points and rays of
    // `reflection` when given; nothing drawn when empty.
    void setReport(const terrain::Profile* profile, const terrain::ClearanceReport* report,
                   const terrain::DiffractionResult* diffraction = nullptr,
                   const terrain::ReflectionResult* reflection = nullptr);
    // The model painted: every panel, curve and marker, as the SVG export renders it.
    const terrain::ProfileDrawing& drawing() const { return drawing_; }

    const std::vector<PlotCurve>& curves() const { return curves_; }
    const PlotCurve* curve(PlotCurve::Kind kind, int criterion = -1) const;
    // The worst point of each criterion (km, m of the raised terrain there).
    const std::vector<QPointF>& worstPoints() const { return worst_; }
    const std::optional<HoverPoint>& hovered() const { return hovered_; }
    // The pixel, in the plot's coordinates, where the data point (km, m) is drawn.
    QPointF toPixel(double km, double m) const;
    // The nearest profile point to the pixel column x; empty without a drawing.
    std::optional<HoverPoint> pointAt(double x) const;
    // Whether the widget's own paint draws the curves as hairlines (on screen; off while the
    // window is put on a page).
    void setHairlines(bool on) { hairlines_ = on; }
    // How many times the drawing has been painted (for the redraw tests).
    int paintCount() const { return paints_; }
    // Paints the drawing on any device (the window, an SVG, an image) in a rectangle;
    // `screen` draws the curves as hairlines, fast enough to follow typing.
    void paintDrawing(QPainter& painter, const QRectF& area, bool screen = false) const;

  signals:
    void hoverChanged();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    QRectF plotArea(const QRectF& area) const;
    QPointF mapTo(const QRectF& plot, double km, double m) const;
    // The layers of the drawing, bottom to top.
    void paintHover(QPainter& painter, const QRectF& plot) const;

    terrain::ProfileDrawing drawing_;
    const terrain::Profile* profile_ = nullptr;
    const terrain::ClearanceReport* report_ = nullptr;
    std::vector<PlotCurve> curves_;
    std::vector<QPointF> worst_;
    double xMax_ = 1, yMin_ = 0, yMax_ = 1;
    std::optional<HoverPoint> hovered_;
    int paints_ = 0;
    bool hairlines_ = true;
};

class ProfileWindow : public QWidget {
    Q_OBJECT
  public:
    // The profile of the current path (frequency and end coordinates from state.path).
    ProfileWindow(Screens& screens, const ProfileInputs& inputs);
    // Its boxes lose the focus while it goes: their last signals must not reach a window half
    // destroyed.
    ~ProfileWindow() override;

    // ---- controls ----
    QLineEdit* sourceBox() const { return source_; }
    QLineEdit* antennaFromBox() const { return antennaFrom_; }
    QLineEdit* antennaToBox() const { return antennaTo_; }
    QLineEdit* criteriaBox() const { return criteria_; }
    QComboBox* fixedEndBox() const { return fixedEnd_; }
    QLineEdit* diffractionKBox() const { return diffractionK_; }
    QComboBox* polarisationBox() const { return polarisation_; }
    QLineEdit* seaFractionBox() const { return seaFraction_; }
    QLineEdit* surfaceBox() const { return surface_; }
    QComboBox* groundBox() const { return ground_; }
    QLineEdit* groundConstantsBox() const { return groundConstants_; }
    QLineEdit* roughnessBox() const { return roughness_; }
    QLineEdit* sweepBox() const { return sweep_; }
    QTabWidget* tabs() const { return tabs_; }
    DrawingPanelView* levelPlot() const { return levelPlot_; }
    QPushButton* printCommand() const { return print_; }
    ProfilePlot* plot() const { return plot_; }

    // ---- what the window shows ----
    QStringList verdictLines() const;
    // The diffraction figures under the drawing, and the reflection lines of its tab.
    QStringList diffractionLines() const;
    QStringList reflectionLines() const;
    QString errorText() const { return errors_->text(); }
    QString hoverText() const { return hover_->text(); }
    const std::optional<terrain::ClearanceReport>& report() const { return report_; }
    const std::optional<terrain::Profile>& profile() const { return profile_; }
    const std::optional<terrain::DiffractionResult>& diffraction() const { return diffraction_; }
    const std::optional<terrain::ReflectionResult>& reflection() const { return reflection_; }

    ProfileInputs inputs() const;

    // Reads the profile again (after the path changed).
    void reload();

    // ---- output ----
    std::optional<QString> printToPdf(const QString& path);
    // Writes the drawing as SVG (a name ending ".svg") or PNG (any other name).
    std::optional<QString> exportDrawing(const QString& path);
    // Answers the file dialogs in tests (an empty name declines).
    void setFileChooser(std::function<QString(const QString& title, const QString& proposed)> c) {
        chooseFile_ = std::move(c);
    }

  signals:
    // The clearance report changed (a new profile, height or criterion).
    void reportChanged();
    // An input was edited; the owner remembers the inputs.
    void inputsEdited();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void build(const ProfileInputs& inputs);
    QLabel* addLabel(const char* name, const QString& text, QRect where);
    QLineEdit* addBox(const char* name, const std::string& text, QRect where);
    void buildSourceRow(const ProfileInputs& inputs);
    void buildHeightsRow(const ProfileInputs& inputs);
    void buildDiffractionRow();
    void buildResultArea();
    QWidget* buildReflectionTab();
    void buildCommands();
    void connectControls();
    void loadProfile();
    void failProfile(const Error& e);
    std::optional<terrain::Profile> readProfile(const QString& source);
    std::optional<terrain::Profile> readRasterProfile(const QString& source);
    void takeModel(terrain::Profile read, const std::vector<terrain::Criterion>& criteria);
    void evaluate();
    void evaluatePropagation(const terrain::Antennas& antennas);
    void print();
    void exportCommand();
    void browse();
    void showHover();
    QString chooseFile(const QString& title, const QString& proposed, bool save,
                       const QString& filter);

    Screens& screens_;
    QLineEdit* source_ = nullptr;
    QLineEdit* antennaFrom_ = nullptr;
    QLineEdit* antennaTo_ = nullptr;
    QLineEdit* criteria_ = nullptr;
    QComboBox* fixedEnd_ = nullptr;
    QLineEdit* diffractionK_ = nullptr;
    QComboBox* polarisation_ = nullptr;
    QLineEdit* seaFraction_ = nullptr;
    QLineEdit* surface_ = nullptr;
    QComboBox* ground_ = nullptr;
    QLineEdit* groundConstants_ = nullptr;
    QLineEdit* roughness_ = nullptr;
    QLineEdit* sweep_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    DrawingPanelView* levelPlot_ = nullptr;
    QLabel* reflectionText_ = nullptr;
    QPushButton* browse_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* export_ = nullptr;
    QLabel* summary_ = nullptr;
    QLabel* verdicts_ = nullptr;
    QLabel* errors_ = nullptr;
    QLabel* hover_ = nullptr;
    ProfilePlot* plot_ = nullptr;

    std::optional<terrain::Profile> profile_;
    std::optional<terrain::ClearanceModel> model_;
    std::optional<terrain::ClearanceReport> report_;
    std::optional<terrain::DiffractionResult> diffraction_;
    std::optional<terrain::ReflectionResult> reflection_;
    QString profileError_;
    QString heightError_;
    QString propagationError_;
    std::function<QString(const QString&, const QString&)> chooseFile_;
};

}  // namespace hopscale
