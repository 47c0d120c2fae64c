#include "link_window.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPrinter>
#include <QPrinterInfo>
#include <QVBoxLayout>

#include "design_file.h"
#include "design_inputs.h"
#include "design_report.h"
#include "path_info.h"
#include "path_run.h"
#include "profile_window.h"
#include "result_rows.h"
#include "results.h"

namespace hopscale {

using design::End;
using propagation::ConditionInput;

namespace {

const QString kMarkedStyle = QStringLiteral("QLineEdit { background: rgb(255, 210, 210); }");

QString q(const std::string& s) { return QString::fromStdString(s); }

std::string siteKey(End end, const std::string& key) {
    return "sites[" + std::to_string(design::index(end)) + "]." + key;
}
std::string conditionKey(ConditionInput input) {
    return std::string("conditions.") + propagation::conditionInputInfo(input).name;
}

// The rain sources in the order of the rain source box.
constexpr std::array<ConditionInput, 3> kRainInputs{
    ConditionInput::RainRate, ConditionInput::RainZone, ConditionInput::RainMap};
enum RainSourceIndex { kRainNone = 0 };

// A design value's default text (the value of a fresh design).
std::string defaultText(const std::string& key) {
    static const design::LinkDesign fresh;
    return design::keyText(fresh, key);
}

bool isCsv(const QString& file) { return file.trimmed().endsWith(".csv", Qt::CaseInsensitive); }

// The site inputs of the window: key, caption, unit, and which ends have it.
struct SiteRow {
    const char* key;
    const char* caption;
    const char* unit;
    bool from, to;
};
constexpr std::array<SiteRow, 9> kSiteRows{{
    {"name", "Site name", "", true, true},
    {"ground-elevation", "Ground elevation", "m", true, true},
    {"antenna-height", "Antenna height", "m", true, true},
    {"threshold", "Receiver threshold", "dBm", true, true},
    {"power", "Transmitter power (To to From)", "", false, true},
    {"amp-gain", "Amplifier gain (To to From)", "dB", false, true},
    {"preamp-gain", "Preamplifier gain (To to From)", "dB", true, false},
    {"radio", "Radio (equipment library)", "", true, true},
    {"antenna", "Antenna (equipment library)", "", true, true},
}};

// Every link condition: the link's, then the equipment and outage ones.
std::vector<propagation::ConditionInputInfo> everyConditionInput() {
    std::vector<propagation::ConditionInputInfo> out(propagation::allConditionInputs().begin(),
                                                     propagation::allConditionInputs().end());
    out.insert(out.end(), propagation::outageConditionInputs().begin(),
               propagation::outageConditionInputs().end());
    return out;
}

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

// Splits "a,b" into its two parts (the second empty when there is no comma).
std::pair<std::string, std::string> pairOf(const std::string& text) {
    const auto comma = text.find(',');
    if (comma == std::string::npos) return {text, {}};
    return {text.substr(0, comma), text.substr(comma + 1)};
}

}  // namespace

// ---- construction ----

LinkWindow::LinkWindow(Screens& screens, const QString& pathName)
    : QWidget(nullptr), screens_(screens) {
    setObjectName(QStringLiteral("LinkPerformance"));
    QFont face(QStringLiteral("Sans Serif"));
    face.setStyleHint(QFont::SansSerif);
    face.setPointSizeF(8.25);
    setFont(face);
    build();
    takeLinkJson();
    connect(&screens_, &Screens::designChanged, this,
            [this] { screens_.guarded(this, [this] { setHop(); }); });
    setHop(pathName);
}

LinkWindow::~LinkWindow() {
    // The children outlive this body; their last signals must not reach a window half gone.
    for (QObject* child : children()) child->blockSignals(true);
    // Nor may the profile window's last edits (its boxes lose the focus as it goes).
    if (profileWindow_) profileWindow_->disconnect(this);
    delete profileWindow_.data();
}

void LinkWindow::build() {
    auto* outer = new QHBoxLayout(this);
    auto* inputs = new QVBoxLayout;
    outer->addLayout(inputs, 0);

    auto* title = new QLabel(QStringLiteral("LINK PERFORMANCE"), this);
    title->setObjectName(QStringLiteral("title"));
    QFont bold = font();
    bold.setBold(true);
    bold.setPointSizeF(11);
    title->setFont(bold);
    inputs->addWidget(title);
    hop_ = new QLabel(this);
    hop_->setObjectName(QStringLiteral("hop"));
    hop_->setWordWrap(true);
    inputs->addWidget(hop_);

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    int row = 0;
    buildSites(grid, row);
    buildConditions(grid, row, false);
    buildProfileInputs(grid, row);
    inputs->addLayout(grid);

    // The equipment and outage inputs stand in a column of their own.
    auto* outageColumn = new QVBoxLayout;
    outer->addLayout(outageColumn, 0);
    auto* outageGrid = new QGridLayout;
    outageGrid->setVerticalSpacing(2);
    int outageRow = 0;
    buildConditions(outageGrid, outageRow, true);
    outageColumn->addLayout(outageGrid);
    outageColumn->addStretch(1);

    subtractDiffraction_ =
        new QCheckBox(QStringLiteral("subtract the diffraction loss from the fade margin"), this);
    subtractDiffraction_->setObjectName(QStringLiteral("subtractDiffraction"));
    connect(subtractDiffraction_, &QCheckBox::toggled, this, [this](bool on) {
        if (updating_) return;
        screens_.design().profile.subtractDiffraction = on;
        recompute();
        saveInputs();
    });
    inputs->addWidget(subtractDiffraction_);

    errors_ = new QLabel(this);
    errors_->setObjectName(QStringLiteral("inputErrors"));
    errors_->setWordWrap(true);
    errors_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    errors_->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0);"));
    inputs->addWidget(errors_);
    notes_ = new QLabel(this);
    notes_->setObjectName(QStringLiteral("notes"));
    notes_->setWordWrap(true);
    inputs->addWidget(notes_);
    buildCommands(inputs);
    inputs->addStretch(1);

    results_ = new QTreeWidget(this);
    results_->setObjectName(QStringLiteral("results"));
    results_->setColumnCount(3);
    results_->setHeaderLabels(
        {QStringLiteral("Result"), QStringLiteral("Value"), QStringLiteral("Notes")});
    results_->setRootIsDecorated(true);
    results_->setUniformRowHeights(true);
    results_->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    results_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    results_->setMinimumWidth(560);
    outer->addWidget(results_, 1);
    resize(1640, 860);
}

void LinkWindow::buildSites(QGridLayout* grid, int& row) {
    auto* from = new QLabel(QStringLiteral("From"), this);
    auto* to = new QLabel(QStringLiteral("To"), this);
    QFont bold = font();
    bold.setBold(true);
    from->setFont(bold);
    to->setFont(bold);
    grid->addWidget(new QLabel(QStringLiteral("Sites"), this), row, 0);
    grid->addWidget(from, row, 1);
    grid->addWidget(to, row, 2);
    ++row;
    for (const SiteRow& s : kSiteRows) {
        auto* caption = new QLabel(QString::fromLatin1(s.caption), this);
        caption->setObjectName(QStringLiteral("caption_") + QString::fromLatin1(s.key));
        grid->addWidget(caption, row, 0);
        for (End end : {End::From, End::To}) {
            if ((end == End::From && !s.from) || (end == End::To && !s.to)) continue;
            const std::string key = siteKey(end, s.key);
            auto* box = new QLineEdit(this);
            box->setObjectName(q(key));
            grid->addWidget(box, row, end == End::From ? 1 : 2);
            keyed_[key] = box;
            captions_[key] = caption;
            connect(box, &QLineEdit::textChanged, this,
                    [this, key](const QString& text) { edited(key, text); });
            connect(box, &QLineEdit::editingFinished, this, [this] { saveInputs(); });
        }
        if (std::string_view(s.key) == "power") {
            auto* unit = new QComboBox(this);
            unit->setObjectName(QStringLiteral("power-unit"));
            unit->addItems({QStringLiteral("dBm"), QStringLiteral("W")});
            choices_["power-unit"] = unit;
            connect(unit, &QComboBox::currentIndexChanged, this, [this](int i) {
                if (updating_) return;
                screens_.design().site(End::To).watts = i == 1;
                recompute();
            });
            grid->addWidget(unit, row, 3);
        } else {
            auto* unit = new QLabel(QString::fromLatin1(s.unit), this);
            unit->setObjectName(QStringLiteral("unit_") + QString::fromLatin1(s.key));
            grid->addWidget(unit, row, 3);
        }
        ++row;
    }
}

void LinkWindow::buildConditions(QGridLayout* grid, int& row, bool outage) {
    auto* heading = new QLabel(outage ? QStringLiteral("Equipment, cross-polar and diversity")
                                      : QStringLiteral("Conditions"),
                               this);
    QFont bold = font();
    bold.setBold(true);
    heading->setFont(bold);
    grid->addWidget(heading, row++, 0);
    const propagation::ConditionInputInfo* table = outage
                                                       ? propagation::outageConditionInputs().data()
                                                       : propagation::allConditionInputs().data();
    const std::size_t count =
        outage ? propagation::kOutageInputCount : propagation::kConditionInputCount;
    for (std::size_t t = 0; t < count; ++t) {
        const auto& info = table[t];
        if (!design::isDesignCondition(info.input)) continue;
        const std::string key = conditionKey(info.input);
        if (info.input == ConditionInput::RainRate) {
            auto* source = new QComboBox(this);
            source->setObjectName(QStringLiteral("rain-source"));
            source->addItems({QStringLiteral("none"), QStringLiteral("rate"),
                              QStringLiteral("zone"), QStringLiteral("map")});
            source->setToolTip(QStringLiteral("Which rain input counts; typing in one chooses it"));
            choices_["rain-source"] = source;
            connect(source, &QComboBox::currentIndexChanged, this, [this](int i) {
                if (updating_) return;
                rainEdited(i);
                saveInputs();
            });
            grid->addWidget(new QLabel(QStringLiteral("Rain source"), this), row, 0);
            grid->addWidget(source, row, 1, 1, 2);
            ++row;
        }
        auto* caption = new QLabel(QString::fromUtf8(info.caption), this);
        caption->setObjectName(QStringLiteral("caption_") + QString::fromLatin1(info.name));
        grid->addWidget(caption, row, 0);
        QLineEdit* box = nullptr;
        QStringList items;
        if (info.input == ConditionInput::Polarisation) {
            items = {QStringLiteral("v"), QStringLiteral("h"), QStringLiteral("c")};
        } else if (info.input == ConditionInput::Multipath) {
            items = {QStringLiteral("vigants"), QStringLiteral("p530")};
        } else if (info.input == ConditionInput::RainZone) {
            items << QString();
            for (char zone = 'A'; zone <= 'Q'; ++zone) {
                if (zone != 'I' && zone != 'O') items << QString(QLatin1Char(zone));
            }
        } else if (info.input == ConditionInput::Diversity) {
            items = {QStringLiteral("none"), QStringLiteral("space"), QStringLiteral("frequency")};
        } else if (info.input == ConditionInput::TxAntennas) {
            items = {QStringLiteral("1"), QStringLiteral("2")};
        } else if (info.input == ConditionInput::XpdAntenna) {
            items = {QString(), QStringLiteral("antennas")};
        }
        if (!items.isEmpty()) {
            // Offered choices; the box still takes a typed text (a polarisation tilt).
            auto* combo = new QComboBox(this);
            combo->setObjectName(QStringLiteral("combo_") + QString::fromLatin1(info.name));
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->addItems(items);
            box = combo->lineEdit();
            choices_[info.name] = combo;
            grid->addWidget(combo, row, 1, 1, 2);
        } else {
            box = new QLineEdit(this);
            grid->addWidget(box, row, 1, 1, 2);
        }
        box->setObjectName(QString::fromLatin1(info.name));
        box->setToolTip(QString::fromUtf8(info.help));
        keyed_[key] = box;
        captions_[key] = caption;
        connect(box, &QLineEdit::textChanged, this,
                [this, key](const QString& text) { edited(key, text); });
        connect(box, &QLineEdit::editingFinished, this, [this] { saveInputs(); });
        if (info.input == ConditionInput::RainMap || info.input == ConditionInput::LogKMap ||
            info.input == ConditionInput::DN75Map) {
            const std::string name = info.name;
            auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
            browse->setObjectName(QStringLiteral("browse_") + QString::fromLatin1(info.name));
            browse_[name] = browse;
            connect(browse, &QPushButton::clicked, this,
                    [this, name] { screens_.guarded(this, [this, name] { this->browse(name); }); });
            grid->addWidget(browse, row, 3);
        } else {
            auto* unit = new QLabel(QString::fromUtf8(info.unit), this);
            unit->setObjectName(QStringLiteral("unit_") + QString::fromLatin1(info.name));
            grid->addWidget(unit, row, 3);
        }
        if (info.input == ConditionInput::MeanTerrain) {
            meanTerrainNote_ = new QLabel(this);
            meanTerrainNote_->setObjectName(QStringLiteral("meanTerrainNote"));
            grid->addWidget(meanTerrainNote_, row, 4);
            meanTerrainNote_->hide();
        }
        ++row;
    }
}

void LinkWindow::buildProfileInputs(QGridLayout* grid, int& row) {
    auto* heading = new QLabel(QStringLiteral("Profile"), this);
    QFont bold = font();
    bold.setBold(true);
    heading->setFont(bold);
    grid->addWidget(heading, row++, 0);
    for (auto [key, caption] :
         {std::pair{"profile", "Profile file (CSV)"}, std::pair{"dem", "Elevation rasters"}}) {
        const std::string designKey = std::string("profile.") + key;
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        grid->addWidget(label, row, 0);
        auto* box = new QLineEdit(this);
        box->setObjectName(q(designKey));
        keyed_[designKey] = box;
        captions_[designKey] = label;
        grid->addWidget(box, row, 1, 1, 2);
        connect(box, &QLineEdit::textChanged, this,
                [this, designKey](const QString& text) { edited(designKey, text); });
        connect(box, &QLineEdit::editingFinished, this, [this] { saveInputs(); });
        auto* browse = new QPushButton(QStringLiteral("Browse..."), this);
        browse->setObjectName(QStringLiteral("browse_") + QString::fromLatin1(key));
        browse_[key] = browse;
        const std::string which = key;
        connect(browse, &QPushButton::clicked, this,
                [this, which] { screens_.guarded(this, [this, which] { this->browse(which); }); });
        grid->addWidget(browse, row, 3);
        ++row;
    }
    auto* label = new QLabel(QStringLiteral("Clearance criteria"), this);
    grid->addWidget(label, row, 0);
    auto* preset = new QComboBox(this);
    preset->setObjectName(QStringLiteral("criteria"));
    preset->addItems(
        {QStringLiteral("north-american"), QStringLiteral("sixty"), QStringLiteral("custom")});
    choices_["criteria"] = preset;
    grid->addWidget(preset, row, 1);
    auto* custom = new QLineEdit(this);
    custom->setObjectName(QStringLiteral("profile.criteria"));
    custom->setToolTip(QStringLiteral("k:fraction pairs such as 4/3:1,1:0.6"));
    keyed_["profile.criteria"] = custom;
    captions_["profile.criteria"] = label;
    grid->addWidget(custom, row, 2);
    connect(preset, &QComboBox::currentIndexChanged, this, [this] {
        if (updating_) return;
        criteriaEdited();
        saveInputs();
    });
    connect(custom, &QLineEdit::textChanged, this, [this] {
        if (!updating_) criteriaEdited();
    });
    connect(custom, &QLineEdit::editingFinished, this, [this] { saveInputs(); });
    ++row;
}

void LinkWindow::buildCommands(QBoxLayout* column) {
    auto* files = new QHBoxLayout;
    auto command = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    open_ = command("openCommand", QStringLiteral("Open..."));
    save_ = command("saveCommand", QStringLiteral("Save"));
    saveAs_ = command("saveAsCommand", QStringLiteral("Save As..."));
    print_ = command("printCommand", QStringLiteral("PRINT"));
    profile_ = command("profileCommand", QStringLiteral("Path Profile"));
    for (QPushButton* b : {open_, save_, saveAs_, print_, profile_}) files->addWidget(b);
    column->addLayout(files);
    connect(open_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { openCommandClicked(); }); });
    connect(save_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { saveCommandClicked(false); }); });
    connect(saveAs_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { saveCommandClicked(true); }); });
    connect(print_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { print(); }); });
    connect(profile_, &QPushButton::clicked, this,
            [this] { screens_.guarded(this, [this] { openProfile(); }); });
}

// ---- link.json, read into the design once ----

void LinkWindow::takeLinkJson() {
    if (screens_.linkInputsTaken()) return;
    screens_.markLinkInputsTaken();
    const AppState& state = screens_.state();
    if (state.dataDir.empty()) return;
    const LoadedLinkInputs loaded = loadLinkInputs(state.dataDir);
    if (loaded.problem) screens_.reportError(*loaded.problem, this);
    if (loaded.problem) return;  // the defaults stand
    const LinkInputs& in = loaded.inputs;
    design::LinkDesign& d = screens_.design();
    bool heightsGiven = false;
    for (const auto& [name, text] : in.conditions) {
        const auto input = propagation::conditionInputByName(name);
        if (!input) continue;
        if (design::isDesignCondition(*input)) {
            d.conditions[*input] = text;
        } else if (*input == ConditionInput::Threshold) {
            d.site(End::To).threshold = text;
        } else if (*input == ConditionInput::GroundElevations) {
            std::tie(d.sites[0].groundElevation, d.sites[1].groundElevation) = pairOf(text);
        } else if (*input == ConditionInput::AntennaHeights) {
            std::tie(d.sites[0].antennaHeight, d.sites[1].antennaHeight) = pairOf(text);
            heightsGiven = true;
        }
    }
    d.profile.subtractDiffraction = in.subtractDiffraction;
    const QString source = q(in.profile.source).trimmed();
    if (isCsv(source)) {
        d.profile.profile = source.toStdString();
    } else if (!source.isEmpty()) {
        design::setProfileKey(d.profile, "dem", source.toStdString());
    }
    d.profile.criteria = in.profile.criteria == "north-american" ? "" : in.profile.criteria;
    if (!heightsGiven) {
        d.sites[0].antennaHeight = in.profile.antennaFromM;
        d.sites[1].antennaHeight = in.profile.antennaToM;
    }
}

LinkInputs LinkWindow::rememberedInputs() const {
    const design::LinkDesign& d = screens_.design();
    LinkInputs out;
    for (const auto& info : everyConditionInput()) {
        if (!design::isDesignCondition(info.input)) continue;
        const std::string& text = d.conditions[info.input];
        if (text != info.defaultText) out.conditions[info.name] = text;
    }
    if (!d.sites[1].threshold.empty()) out.conditions["threshold"] = d.sites[1].threshold;
    if (!d.sites[0].groundElevation.empty() || !d.sites[1].groundElevation.empty()) {
        out.conditions["ground-elevations"] =
            d.sites[0].groundElevation + "," + d.sites[1].groundElevation;
    }
    if (!d.sites[0].antennaHeight.empty() || !d.sites[1].antennaHeight.empty()) {
        out.conditions["antenna-heights"] =
            d.sites[0].antennaHeight + "," + d.sites[1].antennaHeight;
        out.profile.antennaFromM = d.sites[0].antennaHeight;
        out.profile.antennaToM = d.sites[1].antennaHeight;
    }
    out.subtractDiffraction = d.profile.subtractDiffraction;
    out.profile.source = !d.profile.profile.empty() ? design::resolvePath(d, d.profile.profile)
                                                    : design::profileKeyText(d.profile, "dem");
    if (!d.profile.criteria.empty()) out.profile.criteria = d.profile.criteria;
    return out;
}

void LinkWindow::saveInputs() {
    const AppState& state = screens_.state();
    if (state.dataDir.empty()) return;
    if (std::optional<Error> failed = saveLinkInputs(state.dataDir, rememberedInputs())) {
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
    // Closing from the frame hides the window; the design stays with the screen manager.
    saveInputs();
    if (profileWindow_) profileWindow_->hide();
    event->accept();
}

// ---- showing the design ----

void LinkWindow::setHop(const QString& pathName) {
    // The input screen's path name is the design's name.
    if (!pathName.isEmpty()) screens_.design().name = pathName.toStdString();
    showDesign();
    if (profileWindow_) {
        // The path may have moved: the profile is read again for it.
        const bool was = updating_;
        updating_ = true;
        profileWindow_->reload();
        updating_ = was;
    }
    recompute();
}

void LinkWindow::updateTitle() {
    const QString file = screens_.designFile();
    setWindowTitle(file.isEmpty()
                       ? QString::fromLatin1(kLinkWindowCaption)
                       : QStringLiteral("%1 - %2").arg(QString::fromLatin1(kLinkWindowCaption),
                                                       QFileInfo(file).fileName()));
}

void LinkWindow::showDesign() {
    const design::LinkDesign& d = screens_.design();
    const bool was = updating_;
    updating_ = true;
    auto show = [](QLineEdit* box, const QString& text) {
        if (box->text() != text) box->setText(text);
    };
    for (const auto& [key, box] : keyed_) {
        if (key == "profile.criteria") continue;
        bool rain = false;
        for (ConditionInput r : kRainInputs) rain |= key == conditionKey(r);
        const QString text = q(design::keyText(d, key));
        // A rain input not in use keeps what was typed in it, to come back to.
        if (rain && text.isEmpty()) continue;
        show(box, text);
    }
    int source = kRainNone;
    for (std::size_t i = 0; i < kRainInputs.size() && source == kRainNone; ++i) {
        if (!d.conditions[kRainInputs[i]].empty()) source = static_cast<int>(i) + 1;
    }
    choices_["rain-source"]->setCurrentIndex(source);
    const std::string& criteria = d.profile.criteria;
    const int preset = criteria.empty() || criteria == "north-american" ? 0
                       : criteria == "sixty"                            ? 1
                                                                        : 2;
    choices_["criteria"]->setCurrentIndex(preset);
    if (preset == 2) show(keyed_["profile.criteria"], q(criteria));
    keyed_["profile.criteria"]->setEnabled(preset == 2);
    choices_["power-unit"]->setCurrentIndex(d.site(End::To).watts ? 1 : 0);
    subtractDiffraction_->setChecked(d.profile.subtractDiffraction);
    hop_->setText(QStringLiteral("Path \"%1\": %2 to %3, %4 GHz")
                      .arg(q(d.name), q(d.sites[0].name), q(d.sites[1].name), q(d.path.freq)));
    updateTitle();
    updating_ = was;
    pushToProfileWindow();
}

// ---- edits ----

void LinkWindow::edited(const std::string& key, const QString& text) {
    if (updating_) return;
    for (std::size_t i = 0; i < kRainInputs.size(); ++i) {
        if (key != conditionKey(kRainInputs[i])) continue;
        // Typing in a rain input makes it the source; the others keep their texts aside.
        const int source =
            text.trimmed().isEmpty() ? choices_["rain-source"]->currentIndex() : int(i) + 1;
        const bool was = updating_;
        updating_ = true;
        choices_["rain-source"]->setCurrentIndex(source);
        updating_ = was;
        rainEdited(source);
        return;
    }
    design::setKeyText(screens_.design(), key, text.toStdString());
    if (key.find("antenna-height") != std::string::npos || key.rfind("profile.", 0) == 0) {
        pushToProfileWindow();
    }
    if (key == "sites[0].name" || key == "sites[1].name") showDesign();
    recompute();
}

void LinkWindow::rainEdited(int source) {
    design::LinkDesign& d = screens_.design();
    for (std::size_t i = 0; i < kRainInputs.size(); ++i) {
        d.conditions[kRainInputs[i]] =
            source == static_cast<int>(i) + 1
                ? keyed_[conditionKey(kRainInputs[i])]->text().toStdString()
                : std::string();
    }
    recompute();
}

void LinkWindow::criteriaEdited() {
    const int preset = choices_["criteria"]->currentIndex();
    QLineEdit* custom = keyed_["profile.criteria"];
    custom->setEnabled(preset == 2);
    std::string& criteria = screens_.design().profile.criteria;
    criteria = preset == 0   ? std::string()
               : preset == 1 ? std::string("sixty")
                             : custom->text().toStdString();
    pushToProfileWindow();
    recompute();
}

// ---- recomputation ----

std::vector<QWidget*> LinkWindow::boxesOf(const std::string& key) const {
    std::vector<QWidget*> out;
    auto add = [&](const std::string& k) {
        if (auto it = keyed_.find(k); it != keyed_.end()) out.push_back(it->second);
    };
    if (key == "sites.ground-elevation" || key == "sites.antenna-height") {
        add("sites[0]." + key.substr(6));
        add("sites[1]." + key.substr(6));
    } else {
        add(key);
    }
    return out;
}

// Each input that cannot be read is found by the key its error names, marked, and falls back
// to its last good text (or its default), so that one bad input does not stop the others
// from counting. An error that names no input of this window stops the computation.
void LinkWindow::recompute() {
    if (updating_) return;
    design::LinkDesign candidate = screens_.design();
    design::Environment environment;
    if (!screens_.state().dataDirError) environment.dataDir = screens_.state().dataDir;
    std::map<std::string, bool> marked;
    QStringList problems;
    Result<design::LinkStudy> study = design::evaluate(candidate, environment);
    for (std::size_t tries = 0; !study && tries < keyed_.size(); ++tries) {
        const Error& e = *study.error;
        std::vector<std::string> keys;
        for (const auto& [k, box] : keyed_) {
            for (QWidget* w : boxesOf(e.key)) {
                if (w == box) keys.push_back(k);
            }
        }
        // A site's input is named with its end, as both ends have one of that caption.
        QString message = q(e.message());
        if (!keys.empty() && captions_.count(keys.front())) {
            const std::string& k = keys.front();
            const QString end = k.rfind("sites[0]", 0) == 0   ? QStringLiteral("From site, ")
                                : k.rfind("sites[1]", 0) == 0 ? QStringLiteral("To site, ")
                                                              : QString();
            if (!end.isEmpty() || e.input.empty()) {
                message = end + captions_.at(k)->text() + QStringLiteral(": ") + message;
            }
        }
        problems << message;
        bool changed = false;
        for (const std::string& k : keys) {
            if (marked[k]) continue;
            marked[k] = true;
            const std::string current = design::keyText(candidate, k);
            const auto good = lastGood_.find(k);
            const std::string fallback = good != lastGood_.end() ? good->second : defaultText(k);
            if (current != fallback) {
                design::setKeyText(candidate, k, fallback);
                changed = true;
            } else if (current != defaultText(k)) {
                design::setKeyText(candidate, k, defaultText(k));
                changed = true;
            }
        }
        if (!changed) break;
        study = design::evaluate(candidate, environment);
    }

    result_.reset();
    study_.reset();
    if (study) {
        study_ = std::move(*study.value);
        studied_ = candidate;
        result_ = study_->directions[0].performance;
        for (const auto& [k, box] : keyed_) lastGood_[k] = design::keyText(candidate, k);
    }
    markKeys(marked);
    showNotes(problems, static_cast<bool>(study_));
    showResults(candidate);
}

void LinkWindow::markKeys(const std::map<std::string, bool>& marked) {
    marked_ = marked;
    for (const auto& [k, box] : keyed_) {
        const auto it = marked_.find(k);
        const bool on = it != marked_.end() && it->second;
        box->setStyleSheet(on ? kMarkedStyle : QString());
        box->setProperty("unreadable", on);
    }
}

// The problems, closed by what the window does about them, and what is missing.
void LinkWindow::showNotes(QStringList problems, bool computed) {
    if (!problems.isEmpty() && computed) {
        problems << QStringLiteral("The other inputs keep their last good values.");
    } else if (!problems.isEmpty()) {
        problems << QStringLiteral("Nothing can be computed until this is corrected.");
    }
    errors_->setText(problems.join(QLatin1Char('\n')));
    const design::LinkDesign& d = screens_.design();
    QStringList notes;
    if (computed) {
        for (End end : {End::To, End::From}) {
            if (!d.site(end).threshold.empty()) continue;
            notes << QStringLiteral(
                         "Receiver threshold at %1 not given: %2 to %1 has its budget only.")
                         .arg(q(d.site(end).name), q(d.site(design::other(end)).name));
        }
    }
    notes_->setText(notes.join(QLatin1Char('\n')));
}

void LinkWindow::showResults(const design::LinkDesign& shown) {
    results_->clear();
    meanTerrainNote_->hide();
    if (!study_) return;
    const std::vector<design::ResultRow> rows = design::resultRows(shown, *study_);
    QTreeWidgetItem* group = nullptr;
    for (const design::ResultRow& row : rows) {
        if (!group || group->text(0) != q(row.group)) {
            group = new QTreeWidgetItem(results_, {q(row.group)});
            QFont bold = font();
            bold.setBold(true);
            group->setFont(0, bold);
            group->setFirstColumnSpanned(true);
            group->setExpanded(true);
        }
        QString caption = q(row.caption);
        if (!row.unit.empty()) caption += QStringLiteral(" (%1)").arg(q(row.unit));
        QStringList notes;
        for (const std::string& f : row.flags) notes << q(f);
        auto* item = new QTreeWidgetItem(
            group, {caption, q(design::rowText(row)), notes.join(QStringLiteral("; "))});
        item->setData(0, Qt::UserRole, q(row.key));
        if (row.key == "profile.meanTerrainM" &&
            screens_.design().conditions[ConditionInput::MeanTerrain].empty()) {
            meanTerrainNote_->setText(
                QStringLiteral("from the profile: %1 m").arg(q(design::rowText(row))));
            meanTerrainNote_->show();
        }
    }
    results_->expandAll();
}

QLineEdit* LinkWindow::inputBox(ConditionInput input) const {
    if (input == ConditionInput::Threshold) return siteBox(End::To, "threshold");
    const auto it = keyed_.find(conditionKey(input));
    return it != keyed_.end() ? it->second : nullptr;
}

QLineEdit* LinkWindow::siteBox(End end, const std::string& key) const {
    const auto it = keyed_.find(siteKey(end, key));
    return it != keyed_.end() ? it->second : nullptr;
}

QComboBox* LinkWindow::choiceBox(const std::string& name) const {
    const auto it = choices_.find(name);
    return it != choices_.end() ? it->second : nullptr;
}

QLineEdit* LinkWindow::profileBox(const std::string& key) const {
    const auto it = keyed_.find("profile." + key);
    return it != keyed_.end() ? it->second : nullptr;
}

QPushButton* LinkWindow::browseCommand(const std::string& key) const {
    const auto it = browse_.find(key);
    return it != browse_.end() ? it->second : nullptr;
}

QStringList LinkWindow::markedInputs() const {
    QStringList out;
    // The window's order: the sites (From, To), the conditions, the profile.
    std::vector<std::string> order;
    for (const SiteRow& s : kSiteRows) {
        order.push_back(siteKey(End::From, s.key));
        order.push_back(siteKey(End::To, s.key));
    }
    for (const auto& info : everyConditionInput()) order.push_back(conditionKey(info.input));
    for (const char* k : {"profile.profile", "profile.dem", "profile.criteria"}) order.push_back(k);
    for (const std::string& k : order) {
        const auto it = marked_.find(k);
        if (it != marked_.end() && it->second) out << q(k);
    }
    return out;
}

QString LinkWindow::resultText(const QString& key) const {
    for (int g = 0; g < results_->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = results_->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            if (group->child(i)->data(0, Qt::UserRole).toString() == key) {
                return group->child(i)->text(1);
            }
        }
    }
    return {};
}

QStringList LinkWindow::resultLines() const {
    QStringList out;
    for (int g = 0; g < results_->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = results_->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            out << QStringLiteral("%1: %2: %3")
                       .arg(group->text(0), group->child(i)->text(0), group->child(i)->text(1));
        }
    }
    return out;
}

double LinkWindow::diffractionLossUsedDb() const {
    return study_ ? study_->diffractionSubtractedDb : 0.0;
}

// ---- the profile window, sharing the heights and the profile ----

ProfileWindow& LinkWindow::openProfile() {
    if (!profileWindow_) {
        const design::LinkDesign& d = screens_.design();
        ProfileInputs in;
        in.source = rememberedInputs().profile.source;
        if (!d.sites[0].antennaHeight.empty()) in.antennaFromM = d.sites[0].antennaHeight;
        if (!d.sites[1].antennaHeight.empty()) in.antennaToM = d.sites[1].antennaHeight;
        in.criteria = d.profile.criteria.empty() ? "north-american" : d.profile.criteria;
        profileWindow_ = new ProfileWindow(screens_, in);
        const int fixedEnd = d.profile.fixedEnd == "from" ? 1 : d.profile.fixedEnd == "to" ? 2 : 0;
        profileWindow_->fixedEndBox()->setCurrentIndex(fixedEnd);
        connect(profileWindow_, &ProfileWindow::reportChanged, this,
                [this] { takeFromProfileWindow(); });
        connect(profileWindow_, &ProfileWindow::inputsEdited, this, [this] {
            takeFromProfileWindow();
            saveInputs();
        });
        takeFromProfileWindow();
    }
    profileWindow_->show();
    profileWindow_->raise();
    profileWindow_->activateWindow();
    return *profileWindow_;
}

ProfileWindow* LinkWindow::profileWindow() const { return profileWindow_.data(); }

// The heights and profile of the design into the profile window's boxes.
void LinkWindow::pushToProfileWindow() {
    if (!profileWindow_) return;
    const design::LinkDesign& d = screens_.design();
    const bool was = updating_;
    updating_ = true;
    auto put = [](QLineEdit* box, const std::string& text) {
        if (box->text().toStdString() != text) box->setText(QString::fromStdString(text));
    };
    put(profileWindow_->sourceBox(), rememberedInputs().profile.source);
    put(profileWindow_->antennaFromBox(), d.sites[0].antennaHeight);
    put(profileWindow_->antennaToBox(), d.sites[1].antennaHeight);
    put(profileWindow_->criteriaBox(),
        d.profile.criteria.empty() ? "north-american" : d.profile.criteria);
    const int fixedEnd = d.profile.fixedEnd == "from" ? 1 : d.profile.fixedEnd == "to" ? 2 : 0;
    if (profileWindow_->fixedEndBox()->currentIndex() != fixedEnd) {
        profileWindow_->fixedEndBox()->setCurrentIndex(fixedEnd);
    }
    updating_ = was;
}

// What was typed in the profile window into the design, and the design shown again.
void LinkWindow::takeFromProfileWindow() {
    if (updating_ || !profileWindow_) return;
    design::LinkDesign& d = screens_.design();
    const ProfileInputs in = profileWindow_->inputs();
    d.sites[0].antennaHeight = in.antennaFromM;
    d.sites[1].antennaHeight = in.antennaToM;
    const QString source = q(in.source).trimmed();
    if (source.toStdString() != rememberedInputs().profile.source) {
        d.profile.profile.clear();
        d.profile.dem.clear();
        if (isCsv(source)) {
            d.profile.profile = source.toStdString();
        } else {
            design::setProfileKey(d.profile, "dem", source.toStdString());
        }
    }
    d.profile.criteria = in.criteria == "north-american" ? "" : in.criteria;
    const int fixedEnd = profileWindow_->fixedEndBox()->currentIndex();
    d.profile.fixedEnd = fixedEnd == 1 ? "from" : fixedEnd == 2 ? "to" : "";
    showDesign();
    recompute();
}

// ---- design files ----

QString LinkWindow::chooseDesignFile(bool save, const QString& proposed) {
    if (chooseDesignFile_) return chooseDesignFile_(save, proposed);
    const QString filter = QStringLiteral("Link designs (*.hop);;All files (*)");
    return save ? QFileDialog::getSaveFileName(this, QStringLiteral("Save the link design"),
                                               proposed, filter)
                : QFileDialog::getOpenFileName(this, QStringLiteral("Open a link design"), proposed,
                                               filter);
}

bool LinkWindow::openDesign(const QString& file) {
    Result<design::LinkDesign> read = design::readDesignFile(file.toStdString());
    if (!read) {
        screens_.reportError(*read.error, this);
        return false;
    }
    const design::LinkDesign& d = *read.value;
    AppState& state = screens_.state();
    // The input screen's fields as CONTINUE reads them, and its budget calculated, so the
    // windows that work on the calculated path (results, profile) show this hop.
    const std::filesystem::path dataDir = state.dataDir;
    const PathInputs fields = design::inputScreenFields(d, dataDir);
    Path_Info& input = screens_.pathInfo();
    input.setInputs(fields);
    input.Text13->setText(q(d.sites[0].lineType));
    input.Text14->setText(q(d.sites[1].lineType));
    if (runPath(fields, state.path).ok() && screens_.exists(FormId::Results)) {
        screens_.results().refill();
    }
    screens_.setDesignFile(file);
    lastGood_.clear();
    screens_.replaceDesign(d);  // every open window shows it
    saveInputs();
    return true;
}

bool LinkWindow::saveDesign(const QString& file) {
    design::LinkDesign d = screens_.design();
    // Relative file names are relative to the design's own folder: written elsewhere, they
    // are written as the full names they stand for.
    const std::filesystem::path folder =
        std::filesystem::absolute(file.toStdString()).parent_path();
    if (!d.baseDir.empty() && std::filesystem::absolute(d.baseDir) != folder) {
        if (!d.profile.profile.empty())
            d.profile.profile = design::resolvePath(d, d.profile.profile);
        for (std::string& dem : d.profile.dem) dem = design::resolvePath(d, dem);
    }
    d.baseDir = folder;
    if (std::optional<Error> failed = design::writeDesignFile(file.toStdString(), d)) {
        screens_.reportError(*failed, this);
        return false;
    }
    screens_.design().profile = d.profile;
    screens_.design().baseDir = d.baseDir;
    screens_.setDesignFile(file);
    showDesign();
    return true;
}

void LinkWindow::openCommandClicked() {
    const QString current = screens_.designFile();
    const QString file =
        chooseDesignFile(false, current.isEmpty() ? QDir::homePath() : QFileInfo(current).path());
    if (!file.isEmpty()) openDesign(file);
}

void LinkWindow::saveCommandClicked(bool askName) {
    QString file = screens_.designFile();
    if (askName || file.isEmpty()) {
        QString proposed = file;
        if (proposed.isEmpty()) {
            QString name = q(screens_.design().name).trimmed();
            if (name.isEmpty()) name = QStringLiteral("link");
            name.replace(QLatin1Char('/'), QLatin1Char('_'));
            proposed = QDir::home().filePath(name + QString::fromLatin1(design::kDesignExtension));
        }
        file = chooseDesignFile(true, proposed);
        if (file.isEmpty()) return;
        if (QFileInfo(file).suffix().isEmpty())
            file += QString::fromLatin1(design::kDesignExtension);
    }
    saveDesign(file);
}

void LinkWindow::browse(const std::string& key) {
    QString chosen;
    if (chooseBrowse_) {
        chosen = chooseBrowse_(q(key));
    } else if (key == "dem") {
        chosen = QFileDialog::getOpenFileNames(
                     this, QStringLiteral("Choose the elevation rasters"), QDir::homePath(),
                     QStringLiteral("Elevation rasters (*.hgt *.tif *.tiff *.dem *.vrt *.img "
                                    "*.asc *.dt0 *.dt1 *.dt2 *.bil *.flt);;All files (*)"))
                     .join(QLatin1Char(';'));
    } else {
        const QString filter = key == "profile" ? QStringLiteral("Profiles (*.csv);;All files (*)")
                               : key == "rain-map"
                                   ? QStringLiteral("Rain maps (*.txt *.TXT);;All files (*)")
                                   : QStringLiteral("ITU-R maps (*.csv);;All files (*)");
        chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Choose the file"),
                                              QDir::homePath(), filter);
    }
    if (chosen.isEmpty()) return;
    const auto condition = propagation::conditionInputByName(key);
    QLineEdit* box = condition ? inputBox(*condition) : profileBox(key);
    box->setText(chosen);
    saveInputs();
}

// ---- the printed report ----

QStringList LinkWindow::pageLines() const {
    if (!study_) {
        return {QStringLiteral("# Link design report: %1").arg(q(screens_.design().name)),
                errors_->text()};
    }
    return reportLines(designReport(studied_, *study_));
}

// A page handed over must show what was typed: with an input that cannot be read (and is
// computed with its last good value) nothing is printed.
std::optional<QString> LinkWindow::printProblem() const {
    if (!study_) return QStringLiteral("There is nothing to print: %1").arg(errors_->text());
    if (!markedInputs().isEmpty()) {
        return QStringLiteral("Correct the marked inputs before printing: %1").arg(errors_->text());
    }
    return std::nullopt;
}

std::optional<QString> LinkWindow::printToPdf(const QString& path) {
    if (std::optional<QString> problem = printProblem()) return problem;
    if (std::optional<Error> failed =
            writeDesignReportPdf(path.toStdString(), designReport(studied_, *study_))) {
        return q(failed->message());
    }
    return std::nullopt;
}

void LinkWindow::print() {
    saveInputs();
    if (std::optional<QString> problem = printProblem()) {
        screens_.reportError(*problem, this);
        return;
    }
    const QPrinterInfo printer = QPrinterInfo::defaultPrinter();
    std::optional<QString> failed;
    if (!printer.isNull()) {
        QPrinter device(printer, QPrinter::HighResolution);
        failed = paintDesignReport(designReport(studied_, *study_), device);
    } else {
        QString proposed = q(screens_.design().name).trimmed();
        if (proposed.isEmpty()) proposed = QStringLiteral("link performance");
        proposed.replace(QLatin1Char('/'), QLatin1Char('_'));
        proposed = QDir::home().filePath(proposed + QStringLiteral(" link performance.pdf"));
        const QString file =
            chooseFile_ ? chooseFile_(proposed)
                        : QFileDialog::getSaveFileName(
                              this, QStringLiteral("No printer: save the link performance as PDF"),
                              proposed, QStringLiteral("PDF files (*.pdf)"));
        if (file.isEmpty()) return;
        failed = printToPdf(file);
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
