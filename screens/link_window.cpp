#include "link_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cmath>

#include "conversions.h"
#include "form.h"
#include "printing.h"
#include "profile_window.h"

namespace hopscale {

using propagation::ConditionInput;
using propagation::kConditionInputCount;

namespace {

// ---- layout, in twips ----
constexpr int kInputTop = 720;
constexpr int kRowHeight = 330;
constexpr int kCaptionLeft = 120, kCaptionWidth = 2520;
constexpr int kBoxLeft = 2700, kBoxWidth = 1680, kBoxHeight = 285;
constexpr int kUnitLeft = 4440, kUnitWidth = 1020;
constexpr int kResultsLeft = 6000, kResultsWidth = 7200;
constexpr int kBelowInputs = kInputTop + static_cast<int>(kConditionInputCount) * kRowHeight;

// The result groups: object name, heading, top and height (twips).
struct GroupSpec {
    const char* name;
    const char* heading;
    int top, height;
};
constexpr std::array<GroupSpec, 6> kGroups{{
    {"path", "Path", 720, 1080},
    {"levels", "Levels", 1860, 1680},
    {"rain", "Rain", 3600, 1380},
    {"multipath", "Multipath", 5040, 900},
    {"total", "Total", 6000, 1140},
    {"models", "Models", 7200, 1500},
}};

const QString kMarkedStyle = QStringLiteral("QLineEdit { background: rgb(255, 210, 210); }");

QString q(const std::string& s) { return QString::fromStdString(s); }
QString fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }
// A small percentage with four significant digits ("1.013e-05" rather than "0.0000").
QString percent(double v) {
    if (v == 0) return QStringLiteral("0");
    return QString::number(v, std::fabs(v) < 1e-3 ? 'e' : 'g', std::fabs(v) < 1e-3 ? 3 : 4);
}
// The availability with enough decimals for its outage to show: 99.99999731 rather than 100.00000.
QString availabilityText(double availability, double outagePercent) {
    int decimals = 5;
    if (outagePercent > 0 && outagePercent < 1e-3) {
        decimals = std::min(12, static_cast<int>(std::ceil(-std::log10(outagePercent))) + 2);
    }
    return fixed(availability, decimals);
}
QString minutesText(double minutes) {
    return minutes < 10 ? QString::number(minutes, 'g', 3) : fixed(minutes, 1);
}
QString flagsText(const std::vector<std::string>& flags) {
    QStringList out;
    for (const std::string& f : flags) out << QStringLiteral("  note: ") + q(f);
    return out.join(QLatin1Char('\n'));
}
void appendFlags(QStringList& lines, const std::vector<std::string>& flags) {
    if (!flags.empty()) lines << flagsText(flags);
}

// The input an error names: by caption, or the rain map by its file.
std::optional<std::size_t> inputOf(const Error& e) {
    for (const auto& info : propagation::allConditionInputs()) {
        if (!e.input.empty() && e.input == info.caption)
            return static_cast<std::size_t>(info.input);
    }
    if (!e.file.empty()) return static_cast<std::size_t>(ConditionInput::RainMap);
    return std::nullopt;
}

// ---- the result groups' lines ----

QStringList pathLines(const propagation::LinkPerformance& p) {
    QStringList path;
    path << QStringLiteral("Path length %1 km (the budget's)").arg(fixed(p.pathKm, 3));
    if (p.geodesic) {
        const propagation::GeodesicResult& g = *p.geodesic;
        path
            << QStringLiteral("Geodesic length %1 km  [%2]")
                   .arg(fixed(g.km, 4), QString::fromLatin1(propagation::kGeodesicModelName))
            << QStringLiteral("Azimuth at the From end %1 degrees true")
                   .arg(fixed(g.azimuthFromDeg, 4))
            << QStringLiteral("Azimuth at the To end %1 degrees true").arg(fixed(g.azimuthToDeg, 4))
            << QStringLiteral("Flat method differs by %1 m").arg(fixed(g.flatDifferenceM, 1));
    } else {
        path << QStringLiteral("Geodesic and azimuths: need the end coordinates");
    }
    return path;
}

// `budgetRslDbm` is the received level of the budget; `diffractionUsedDb` the part of the
// extra loss that came from the profile.
QStringList levelLines(const propagation::LinkPerformance& p, double budgetRslDbm,
                       double diffractionUsedDb) {
    QStringList levels;
    levels << QStringLiteral("Received level of the budget %1 dBm").arg(fixed(budgetRslDbm, 2))
           << QStringLiteral("Gases %1 dB (%2 dB/km)  [%3]")
                  .arg(fixed(p.gasDb, 3), QString::number(p.gasDbPerKm, 'g', 6),
                       QString::fromLatin1(propagation::kGasModelName));
    if (diffractionUsedDb != 0) {
        levels << QStringLiteral("Diffraction loss from the profile %1 dB  [%2]")
                      .arg(fixed(diffractionUsedDb, 2),
                           QString::fromLatin1(terrain::kDiffractionModel));
    }
    if (const double typed = p.extraLossDb - diffractionUsedDb; typed != 0) {
        levels << QStringLiteral("Extra path loss %1 dB").arg(fixed(typed, 2));
    }
    levels << QStringLiteral("RSL %1 dBm").arg(fixed(p.rslDbm, 2))
           << QStringLiteral("Threshold %1 dBm").arg(fixed(p.thresholdDbm, 2))
           << QStringLiteral("Flat fade margin %1 dB").arg(fixed(p.flatFadeMarginDb, 2));
    return levels;
}

QStringList rainLines(const propagation::LinkPerformance& p) {
    QStringList rain;
    if (!p.rain) {
        rain << QStringLiteral("No rain source: type a rain rate, a zone or a map file");
        return rain;
    }
    const propagation::RainResult& r = *p.rain;
    rain << QStringLiteral("%1  [%2, %3]")
                .arg(q(r.source), QString::fromLatin1(propagation::kRainCoefficientModelName),
                     QString::fromLatin1(propagation::kRainPathModelName))
         << QStringLiteral("k %1, alpha %2, gamma %3 dB/km, r %4")
                .arg(QString::number(r.k, 'g', 6), QString::number(r.alpha, 'g', 6),
                     QString::number(r.dbPerKm, 'g', 6), QString::number(r.r, 'g', 4))
         << QStringLiteral("A0.01 %1 dB").arg(fixed(r.a001Db, 2))
         << (r.outagePercent ? QStringLiteral("Rain outage %1 %").arg(percent(*r.outagePercent))
                             : QStringLiteral("Rain outage not computed: the hop does not close"));
    appendFlags(rain, r.flags);
    return rain;
}

QStringList multipathLines(const propagation::LinkPerformance& p) {
    const propagation::MultipathResult& m = p.multipath;
    QStringList multipath;
    multipath << QStringLiteral("[%1]").arg(q(m.method));
    if (m.worstMonthPercent) {
        multipath << QStringLiteral("Worst month %1 %").arg(percent(*m.worstMonthPercent));
    }
    if (m.annualPercent)
        multipath << QStringLiteral("Average year %1 %").arg(percent(*m.annualPercent));
    appendFlags(multipath, m.flags);
    return multipath;
}

QStringList totalLines(const propagation::LinkPerformance& p) {
    QStringList total;
    total << QStringLiteral("Availability %1 %")
                 .arg(availabilityText(p.availabilityPercent, p.outagePercent))
          << QStringLiteral("Outage %1 %, %2 minutes a year")
                 .arg(percent(p.outagePercent), minutesText(p.outageMinutesPerYear));
    if (p.target.met) {
        total << QStringLiteral("Target %1 %: met (a fade margin of %2 dB would do)")
                     .arg(QString::number(p.target.percent, 'g', 8),
                          fixed(p.target.requiredMarginDb, 2));
    } else if (std::isfinite(p.target.requiredMarginDb)) {
        total << QStringLiteral("Target %1 %: not met; needs a fade margin of %2 dB (%3 dB more)")
                     .arg(QString::number(p.target.percent, 'g', 8),
                          fixed(p.target.requiredMarginDb, 2),
                          fixed(p.target.requiredMarginDb - p.flatFadeMarginDb, 2));
    } else {
        total << QStringLiteral("Target %1 %: not met by any fade margin")
                     .arg(QString::number(p.target.percent, 'g', 8));
    }
    appendFlags(total, p.flags);
    return total;
}

QStringList modelLines(const propagation::LinkPerformance& p, double diffractionUsedDb) {
    QStringList models;
    for (const std::string& model : p.models) models << q(model);
    if (diffractionUsedDb != 0) models << QString::fromLatin1(terrain::kDiffractionModel);
    return models;
}

// A page of text lines painted as text, so that a PDF of it stays searchable. A line starting
// with "# " is a heading.
class PageSheet : public QWidget {
  public:
    explicit PageSheet(QStringList lines) : lines_(std::move(lines)) {
        QFont face(QStringLiteral("Sans Serif"));
        face.setStyleHint(QFont::SansSerif);
        face.setPointSizeF(9);
        setFont(face);
        const QFontMetrics metrics(face);
        setAttribute(Qt::WA_DontShowOnScreen);
        resize(760, std::max(1000, 40 + static_cast<int>(lines_.size()) * (metrics.height() + 2)));
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(Qt::black);
        const int step = fontMetrics().height() + 2;
        int y = 30;
        for (const QString& line : lines_) {
            QFont face = font();
            QString text = line;
            if (line.startsWith(QLatin1String("# "))) {
                face.setBold(true);
                text = line.mid(2);
            }
            painter.setFont(face);
            painter.drawText(QPoint(30, y), text);
            y += step;
        }
    }

  private:
    QStringList lines_;
};

// Keeps the one link window of a screen manager and ends it with the program.
class LinkWindows : public QObject {
  public:
    explicit LinkWindows(Screens& screens) : QObject(&screens) {
        setObjectName(QStringLiteral("linkWindows"));
        connect(&screens, &Screens::programEnded, this, [this] { discard(true); });
    }
    // The manager is being destroyed: its state may no longer be used, so nothing is saved
    // here (every edit has been saved as it was made).
    ~LinkWindows() override { discard(false); }
    void discard(bool save) {
        if (window) {
            if (save) window->saveInputs();
            delete window.data();
        }
    }
    QPointer<LinkWindow> window;
};

LinkWindows& windowsOf(Screens& screens) {
    auto* holder =
        screens.findChild<LinkWindows*>(QStringLiteral("linkWindows"), Qt::FindDirectChildrenOnly);
    if (!holder) holder = new LinkWindows(screens);
    return *holder;
}

}  // namespace

// ---- construction ----

LinkWindow::LinkWindow(Screens& screens, const QString& pathName)
    : QWidget(nullptr), screens_(screens), pathName_(pathName) {
    setObjectName(QStringLiteral("LinkPerformance"));
    setWindowTitle(QString::fromLatin1(kLinkWindowCaption));
    QFont face(QStringLiteral("Sans Serif"));
    face.setStyleHint(QFont::SansSerif);
    face.setPointSizeF(8.25);
    setFont(face);

    LoadedLinkInputs loaded;
    if (!screens_.state().dataDir.empty()) loaded = loadLinkInputs(screens_.state().dataDir);
    inputs_ = loaded.inputs;
    build();
    if (loaded.problem) screens_.reportError(*loaded.problem, this);
    setHop(pathName);
}

LinkWindow::~LinkWindow() {
    // The children outlive this body; their last signals must not reach a window half gone.
    for (QObject* child : children()) child->blockSignals(true);
    delete profileWindow_.data();
}

void LinkWindow::build() {
    buildTitle();
    buildInputRows();
    buildInputCommands();
    buildResultGroups();
    setMinimumSize(twipsToPixels(kResultsLeft + kResultsWidth + 120),
                   twipsToPixels(std::max(kBelowInputs + 1900, 8800)));
    resize(minimumSize());
}

// The window's title and the line naming the hop.
void LinkWindow::buildTitle() {
    auto* title = new QLabel(QStringLiteral("LINK PERFORMANCE"), this);
    title->setObjectName(QStringLiteral("title"));
    title->setGeometry(twipsRect(120, 60, 4000, 330));
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(11);
    title->setFont(bold);

    hop_ = new QLabel(this);
    hop_->setObjectName(QStringLiteral("hop"));
    hop_->setGeometry(twipsRect(120, 390, 12120, 285));
}

// One row per input: caption, box at its remembered text (else its default) and unit.
void LinkWindow::buildInputRows() {
    for (const auto& info : propagation::allConditionInputs()) {
        const auto i = static_cast<std::size_t>(info.input);
        const int top = kInputTop + static_cast<int>(i) * kRowHeight;
        auto* caption = new QLabel(QString::fromUtf8(info.caption), this);
        caption->setObjectName(QStringLiteral("caption_") + QString::fromLatin1(info.name));
        caption->setGeometry(twipsRect(kCaptionLeft, top, kCaptionWidth, kBoxHeight));
        auto* box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(info.name));
        box->setGeometry(twipsRect(kBoxLeft, top, kBoxWidth, kBoxHeight));
        box->setToolTip(QString::fromUtf8(info.help));
        const auto remembered = inputs_.conditions.find(info.name);
        box->setText(remembered != inputs_.conditions.end() ? q(remembered->second)
                                                            : QString::fromUtf8(info.defaultText));
        auto* unit = new QLabel(QString::fromUtf8(info.unit), this);
        unit->setObjectName(QStringLiteral("unit_") + QString::fromLatin1(info.name));
        unit->setGeometry(twipsRect(kUnitLeft, top, kUnitWidth, kBoxHeight));
        boxes_[i] = box;
        captions_[i] = caption;
        lastGood_[info.input] = info.defaultText;
        connect(box, &QLineEdit::textChanged, this, [this] { recompute(); });
        connect(box, &QLineEdit::editingFinished, this, [this] { saveInputs(); });
    }
    meanTerrainNote_ = new QLabel(QStringLiteral("from the profile"), this);
    meanTerrainNote_->setObjectName(QStringLiteral("meanTerrainNote"));
    const int top = kInputTop + static_cast<int>(ConditionInput::MeanTerrain) * kRowHeight;
    meanTerrainNote_->setGeometry(twipsRect(kUnitLeft + 300, top, 1440, kBoxHeight));
    meanTerrainNote_->hide();
}

// Under the inputs: the diffraction check box, the error lines, PRINT and Path Profile.
void LinkWindow::buildInputCommands() {
    subtractDiffraction_ =
        new QCheckBox(QStringLiteral("subtract the diffraction loss from the fade margin"), this);
    subtractDiffraction_->setObjectName(QStringLiteral("subtractDiffraction"));
    subtractDiffraction_->setGeometry(twipsRect(kCaptionLeft, kBelowInputs + 60, 5400, 285));
    subtractDiffraction_->setChecked(inputs_.subtractDiffraction);
    connect(subtractDiffraction_, &QCheckBox::toggled, this, [this] {
        recompute();
        saveInputs();
    });

    errors_ = new QLabel(this);
    errors_->setObjectName(QStringLiteral("inputErrors"));
    errors_->setGeometry(twipsRect(kCaptionLeft, kBelowInputs + 420, 5400, 900));
    errors_->setWordWrap(true);
    errors_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    errors_->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));

    print_ = new QPushButton(QStringLiteral("PRINT"), this);
    print_->setObjectName(QStringLiteral("printCommand"));
    print_->setGeometry(twipsRect(kCaptionLeft, kBelowInputs + 1380, 1095, 375));
    connect(print_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { print(); }); });
    profile_ = new QPushButton(QStringLiteral("Path Profile"), this);
    profile_->setObjectName(QStringLiteral("profileCommand"));
    profile_->setGeometry(twipsRect(kCaptionLeft + 1335, kBelowInputs + 1380, 1335, 375));
    connect(profile_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { openProfile(); }); });
}

// A bold heading and a selectable body per result group.
void LinkWindow::buildResultGroups() {
    for (std::size_t g = 0; g < kGroups.size(); ++g) {
        const GroupSpec& group = kGroups[g];
        auto* heading = new QLabel(QString::fromLatin1(group.heading), this);
        heading->setObjectName(QStringLiteral("heading_") + QString::fromLatin1(group.name));
        QFont headingFont = font();
        headingFont.setBold(true);
        heading->setFont(headingFont);
        heading->setGeometry(twipsRect(kResultsLeft, group.top, kResultsWidth, 240));
        auto* body = new QLabel(this);
        body->setObjectName(QString::fromLatin1(group.name));
        body->setGeometry(twipsRect(kResultsLeft + 120, group.top + 240, kResultsWidth - 120,
                                    group.height - 240));
        body->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        body->setWordWrap(true);
        body->setTextInteractionFlags(Qt::TextSelectableByMouse);
        groups_[g] = body;
    }
}

// ---- the hop ----

void LinkWindow::setHop(const QString& pathName) {
    pathName_ = pathName;
    facts_.reset();
    const PathState& path = screens_.state().path;
    hop_->setText(QStringLiteral("Path \"%1\", %2 GHz, %3 miles, received level %4 dBm")
                      .arg(pathName_, q(singleToText(path.values.frequencyGHz)),
                           q(singleToText(path.results.pathLengthMiles)),
                           q(singleToText(path.results.receiveSignalLevel))));
    if (profileWindow_) profileWindow_->reload();
    recompute();
}

QLineEdit* LinkWindow::inputBox(ConditionInput input) const {
    return boxes_[static_cast<std::size_t>(input)];
}

QStringList LinkWindow::markedInputs() const {
    QStringList out;
    for (const auto& info : propagation::allConditionInputs()) {
        if (marked_[static_cast<std::size_t>(info.input)]) out << QString::fromUtf8(info.caption);
    }
    return out;
}

QString LinkWindow::groupText(const char* group) const {
    for (std::size_t g = 0; g < kGroups.size(); ++g) {
        if (qstrcmp(kGroups[g].name, group) == 0) return groups_[g]->text();
    }
    return {};
}

// ---- recomputation ----

void LinkWindow::recompute() {
    if (updating_) return;
    propagation::LinkConditionTexts candidate;
    for (std::size_t i = 0; i < kConditionInputCount; ++i) {
        candidate.texts[i] = boxes_[i]->text().toStdString();
    }
    MarkedInputs marked{};
    QStringList problems;
    Result<propagation::LinkConditions> read = readConditions(candidate, marked, problems);

    result_.reset();
    diffractionUsedDb_ = 0;
    if (read) {
        lastGood_ = candidate;
        computePerformance(*read.value, marked, problems);
    }
    markInputs(marked);
    showProblems(problems, static_cast<bool>(read));
    showPerformance();
}

// Each input that cannot be read is named and falls back to its last good text (or its
// default), so that one bad field does not stop the others from counting.
Result<propagation::LinkConditions> LinkWindow::readConditions(
    propagation::LinkConditionTexts& candidate, MarkedInputs& marked, QStringList& problems) const {
    Result<propagation::LinkConditions> read = propagation::readLinkConditions(candidate);
    for (std::size_t tries = 0; !read && tries <= kConditionInputCount; ++tries) {
        const Error& e = *read.error;
        std::optional<std::size_t> which = inputOf(e);
        if (!which) {
            // An error between inputs ("only one of a rain rate, a zone or a map"): it is the
            // input changed since the last good reading that brought it on.
            for (std::size_t i = 0; i < kConditionInputCount && !which; ++i) {
                if (!marked[i] && candidate.texts[i] != lastGood_.texts[i]) which = i;
            }
        }
        if (!which || marked[*which]) {
            problems << q(e.message());
            break;
        }
        marked[*which] = true;
        problems << q(e.message());
        const auto& info = propagation::allConditionInputs()[*which];
        if (candidate.texts[*which] != lastGood_.texts[*which]) {
            candidate.texts[*which] = lastGood_.texts[*which];
        } else if (candidate.texts[*which] != info.defaultText) {
            candidate.texts[*which] = info.defaultText;
        } else {
            break;  // nothing to fall back on (the threshold has no default)
        }
        read = propagation::readLinkConditions(candidate);
    }
    return read;
}

// The performance of the hop under `conditions`, with the profile's diffraction loss added
// when asked for; an input the models reject is marked.
void LinkWindow::computePerformance(propagation::LinkConditions conditions, MarkedInputs& marked,
                                    QStringList& problems) {
    if (subtractDiffraction_->isChecked() && profileDiffractionDb_) {
        diffractionUsedDb_ = *profileDiffractionDb_;
        conditions.extraLossDb += diffractionUsedDb_;
    }
    if (!facts_) {
        Result<propagation::LinkBudgetFacts> facts =
            propagation::budgetFacts(screens_.state().path);
        if (facts)
            facts_ = *facts.value;
        else
            problems << q(facts.error->message());
    }
    if (!facts_) return;
    Result<propagation::LinkPerformance> computed =
        propagation::computeLinkPerformance(*facts_, conditions);
    if (computed) {
        result_ = *computed.value;
    } else {
        if (const auto which = inputOf(*computed.error)) marked[*which] = true;
        problems << q(computed.error->message());
    }
}

void LinkWindow::markInputs(const MarkedInputs& marked) {
    marked_ = marked;
    for (std::size_t i = 0; i < kConditionInputCount; ++i) {
        boxes_[i]->setStyleSheet(marked_[i] ? kMarkedStyle : QString());
        boxes_[i]->setProperty("unreadable", marked_[i]);
    }
}

// The problems, closed by what the window does about them.
void LinkWindow::showProblems(QStringList problems, bool conditionsRead) {
    if (!problems.isEmpty() && conditionsRead) {
        problems << QStringLiteral("The other inputs keep their last good values.");
    } else if (!problems.isEmpty()) {
        problems << QStringLiteral("Nothing can be computed until this is corrected.");
    }
    errors_->setText(problems.join(QLatin1Char('\n')));
}

void LinkWindow::showPerformance() {
    if (!result_) {
        for (QLabel* g : groups_) g->setText(QStringLiteral("-"));
        layoutGroups();
        return;
    }
    const propagation::LinkPerformance& p = *result_;
    const std::array<QStringList, 6> texts{
        pathLines(p),
        levelLines(p, facts_ ? facts_->receiveSignalLevelDbm : 0, diffractionUsedDb_),
        rainLines(p),
        multipathLines(p),
        totalLines(p),
        modelLines(p, diffractionUsedDb_),
    };
    for (std::size_t g = 0; g < groups_.size(); ++g)
        groups_[g]->setText(texts[g].join(QLatin1Char('\n')));
    layoutGroups();
}

void LinkWindow::layoutGroups() {
    // The groups stand one under the other, each as tall as its text, so that no line is cut.
    int y = twipsToPixels(kInputTop);
    const int gap = twipsToPixels(120);
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        QLabel* heading =
            findChild<QLabel*>(QStringLiteral("heading_") + QString::fromLatin1(kGroups[g].name));
        heading->move(heading->x(), y);
        y += heading->height();
        QLabel* body = groups_[g];
        const int height =
            std::max(body->heightForWidth(body->width()), body->fontMetrics().height());
        body->setGeometry(body->x(), y, body->width(), height);
        y += height + gap;
    }
    const int needed = std::max(y, twipsToPixels(kBelowInputs + 1900));
    if (minimumHeight() < needed) {
        setMinimumHeight(needed);
        if (height() < needed) resize(width(), needed);
    }
}

// ---- the profile ----

ProfileWindow& LinkWindow::openProfile() {
    if (!profileWindow_) {
        profileWindow_ = new ProfileWindow(screens_, inputs_.profile);
        connect(profileWindow_, &ProfileWindow::reportChanged, this, [this] { takeProfile(); });
        connect(profileWindow_, &ProfileWindow::inputsEdited, this, [this] { saveInputs(); });
        takeProfile();
    }
    profileWindow_->show();
    profileWindow_->raise();
    profileWindow_->activateWindow();
    return *profileWindow_;
}

ProfileWindow* LinkWindow::profileWindow() const { return profileWindow_.data(); }

void LinkWindow::takeProfile() {
    profileDiffractionDb_.reset();
    if (!profileWindow_ || !profileWindow_->report()) {
        meanTerrainNote_->hide();
        recompute();
        return;
    }
    const terrain::ClearanceReport& report = *profileWindow_->report();
    if (report.diffractionLossApplies) profileDiffractionDb_ = report.diffractionLossDb;
    // The profile's mean terrain height feeds the P.530-18 multipath.
    QLineEdit* mean = inputBox(ConditionInput::MeanTerrain);
    const QString text = fixed(report.meanTerrainM, 1);
    meanTerrainNote_->show();
    if (mean->text() != text) {
        mean->setText(text);  // recomputes
    } else {
        recompute();
    }
}

// ---- remembering ----

LinkInputs LinkWindow::rememberedInputs() const {
    LinkInputs out = inputs_;
    out.conditions.clear();
    for (const auto& info : propagation::allConditionInputs()) {
        const std::string text = inputBox(info.input)->text().toStdString();
        if (text != info.defaultText) out.conditions[info.name] = text;
    }
    out.subtractDiffraction = subtractDiffraction_->isChecked();
    if (profileWindow_) out.profile = profileWindow_->inputs();
    return out;
}

void LinkWindow::saveInputs() {
    const AppState& state = screens_.state();
    if (state.dataDir.empty()) return;
    inputs_ = rememberedInputs();
    if (std::optional<Error> failed = saveLinkInputs(state.dataDir, inputs_)) {
        const QString message = q(failed->message());
        if (message != lastSaveProblem_) {
            lastSaveProblem_ = message;
            screens_.reportError(*failed, this);
        }
    } else {
        lastSaveProblem_.clear();
    }
}

void LinkWindow::closeEvent(QCloseEvent* event) {
    // Closing from the frame hides the window; it keeps its inputs until the program ends.
    saveInputs();
    if (profileWindow_) profileWindow_->hide();
    event->accept();
}

// ---- the printed page ----

QStringList LinkWindow::pageLines() const {
    const PathState& path = screens_.state().path;
    const PathValues& v = path.values;
    const PathResults& r = path.results;
    const CapturedValues& c = path.captured;
    auto n = [](float value) { return q(singleToText(value)); };

    QStringList lines;
    lines << QStringLiteral("# Link performance of \"%1\"").arg(pathName_) << QString()
          << QStringLiteral("# The hop") << QStringLiteral("Path name: %1").arg(pathName_)
          << QStringLiteral("Frequency: %1 GHz").arg(n(v.frequencyGHz))
          << QStringLiteral("Transmit dish diameter: %1 ft").arg(n(v.txDishDiameter))
          << QStringLiteral("Receive dish diameter: %1 ft").arg(n(v.rxDishDiameter))
          << QStringLiteral("Transmit line: %1 dB per 100 ft, %2 ft long, loss %3 dB")
                 .arg(n(v.txLineLossPer100Ft), n(v.txLineLength), n(r.txLineLoss))
          << QStringLiteral("Receive line: %1 dB per 100 ft, %2 ft long, loss %3 dB")
                 .arg(n(path.results.rxLineLossPerFt * 100.0f), n(v.rxLineLength), n(r.rxLineLoss))
          << QStringLiteral("Transmitter power: %1 dBm").arg(n(r.txPowerDbm))
          << QStringLiteral("Amplifier gain: %1 dB, preamplifier gain: %2 dB")
                 .arg(QString::number(v.ampGain), n(v.preampGain))
          << QStringLiteral("Earth factor k: %1, fade margin asked: %2 dB")
                 .arg(n(v.earthFactor), n(v.fadeMargin));
    if (c.fromLatitudePacked != 0) {
        lines << QStringLiteral("Coordinates: from %1 %2, to %3 %4 (latitude, longitude west)")
                     .arg(q(c.fromLatitudeText), q(c.fromLongitudeText), q(c.toLatitudeText),
                          q(c.toLongitudeText))
              << QStringLiteral("Path length from the coordinates: %1 miles")
                     .arg(n(r.coordinateDistance));
    } else {
        lines << QStringLiteral("Path length: %1 miles (typed \"%2\")")
                     .arg(n(r.pathLengthMiles), q(c.pathLengthText));
    }
    lines << QStringLiteral("Received signal level of the budget: %1 dBm")
                 .arg(n(r.receiveSignalLevel))
          << QString() << QStringLiteral("# Conditions");
    for (const auto& info : propagation::allConditionInputs()) {
        const std::size_t i = static_cast<std::size_t>(info.input);
        QString text = boxes_[i]->text();
        if (text.trimmed().isEmpty()) text = QStringLiteral("(none)");
        lines << QStringLiteral("%1: %2 %3%4")
                     .arg(QString::fromUtf8(info.caption), text, QString::fromUtf8(info.unit),
                          marked_[i] ? QStringLiteral("  (cannot be read)") : QString());
    }
    lines << QStringLiteral("Subtract the diffraction loss from the fade margin: %1")
                 .arg(subtractDiffraction_->isChecked() ? QStringLiteral("yes")
                                                        : QStringLiteral("no"));
    if (!errors_->text().isEmpty()) {
        for (const QString& line : errors_->text().split(QLatin1Char('\n'))) lines << line;
    }
    for (std::size_t g = 0; g < kGroups.size(); ++g) {
        lines << QString() << QStringLiteral("# ") + QString::fromLatin1(kGroups[g].heading);
        for (const QString& line : groups_[g]->text().split(QLatin1Char('\n'))) lines << line;
    }
    return lines;
}

std::optional<QString> LinkWindow::printToPdf(const QString& path) {
    PageSheet page(pageLines());
    return printWindowToPdf(page, path);
}

void LinkWindow::print() {
    saveInputs();
    PageSheet page(pageLines());
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    std::optional<QString> failed;
    if (!printer.isNull()) {
        QPrinter device(printer, QPrinter::HighResolution);
        failed = renderWindowPage(page, device);
    } else {
        QString proposed = pathName_.trimmed();
        if (proposed.isEmpty()) proposed = QStringLiteral("link performance");
        proposed.replace(QLatin1Char('/'), QLatin1Char('_'));
        proposed = QDir::home().filePath(proposed + QStringLiteral(" link performance.pdf"));
        const QString file =
            chooseFile_ ? chooseFile_(proposed)
                        : QFileDialog::getSaveFileName(
                              this, QStringLiteral("No printer: save the link performance as PDF"),
                              proposed, QStringLiteral("PDF files (*.pdf)"));
        if (file.isEmpty()) return;
        failed = printWindowToPdf(page, file);
    }
    if (failed) screens_.reportError(*failed, this);
}

// ---- the entry ----

LinkWindow& openLinkPerformance(Screens& screens, const QString& pathName) {
    LinkWindows& windows = windowsOf(screens);
    if (!windows.window) {
        windows.window = new LinkWindow(screens, pathName);
    } else {
        windows.window->setHop(pathName);
    }
    LinkWindow& window = *windows.window;
    window.show();
    window.raise();
    window.activateWindow();
    return window;
}

LinkWindow* linkPerformanceWindow(Screens& screens) {
    auto* holder =
        screens.findChild<LinkWindows*>(QStringLiteral("linkWindows"), Qt::FindDirectChildrenOnly);
    return holder ? holder->window.data() : nullptr;
}

}  // namespace hopscale
