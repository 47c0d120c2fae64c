#include "path_info.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "catalogue.h"
#include "disp.h"
#include "guide.h"
#include "open_query.h"
#include "path_run.h"
#include "results.h"
#include "saved_inputs.h"

namespace hopscale {

namespace {
const QColor kWhite(255, 255, 255);
const QColor kUnitFace(0, 0, 192);
const QColor kContinueFace(255, 255, 192);
const QColor kEndFace(255, 0, 0);
}  // namespace

Path_Info::Path_Info(Screens& screens)
    : Form(screens, FormId::Path_Info, QStringLiteral("Path_Info"), QStringLiteral("Path Input")) {
    setUsesBackground(true);
    setCaptionColour(kWhite);

    // Lines first, so that the fields and captions stand over them.
    Line1 = addLine("Line1", 2160, 1680, 4320, 1680, kWhite);
    Line3 = addLine("Line3", 2160, 1680, 2040, 1680, kWhite);
    Line15 = addLine("Line15", 2040, 2520, 2040, 1680, kWhite);
    Line5 = addLine("Line5", 2040, 3240, 2040, 3600, kWhite);
    Line6 = addLine("Line6", 2040, 4080, 2040, 4680, kWhite);
    Line7 = addLine("Line7", 2040, 4920, 2040, 5040, kWhite);
    Line2 = addLine("Line2", 1440, 3120, 1680, 3120, kWhite);
    Line11 = addLine("Line11", 4920, 1560, 5160, 1440);
    Line12 = addLine("Line12", 4920, 1800, 5160, 1920);
    Line13 = addLine("Line13", 6480, 1560, 6240, 1440);
    Line14 = addLine("Line14", 6480, 1800, 6240, 1920);
    Line4 = addLine("Line4", 6960, 1680, 8520, 1680, kWhite);
    Line16 = addLine("Line16", 8520, 1680, 8520, 2520, kWhite);
    Line8 = addLine("Line8", 8520, 3000, 8520, 3240, kWhite);
    Line17 = addLine("Line17", 8520, 3480, 8520, 3240, kWhite);
    Line10 = addLine("Line10", 8520, 3840, 8520, 3480, kWhite);
    Line9 = addLine("Line9", 8520, 3600, 8520, 3840, kWhite);
    Line18 = addLine("Line18", 8880, 3120, 9360, 3120, kWhite);

    Label4 = addLabel("Label4", 1920, 1080, 1815, 375, "Enter amplifier gain in dbm if used.");
    Text15 = addTextBox("Text15", 2640, 1560, 615, 285, "0");
    Label1 = addLabel("Label1", 3840, 1200, 1935, 255, "Enter tx dish diameter");
    Text1 = addTextBox("Text1", 4320, 1560, 615, 285, "2");
    Label2 = addLabel("Label2", 6000, 1200, 1935, 255, "Enter rx dish diameter");
    Text3 = addTextBox("Text3", 6480, 1560, 615, 285, "2");
    Label16 = addLabel("Label16", 8040, 1200, 1935, 495, "Preamp gain (if used) DBm");
    Text4 = addTextBox("Text4", 7680, 1560, 615, 285, "0");
    Label17 = addLabel("Label17", 4320, 2040, 2775, 615,
                       "If latitude and longitude are known, enter here, path length will be "
                       "calculated else enter 0.");
    Label18 = addLabel("Label18", 3240, 2760, 1335, 255, "From Latitude");
    Text5 = addTextBox("Text5", 4680, 2760, 735, 255, "0");
    Text6 = addTextBox("Text6", 5760, 2760, 735, 270, "0");
    Label19 = addLabel("Label19", 6600, 2760, 855, 255, "Longitude");
    Label20 = addLabel("Label20", 3360, 3120, 1215, 255, "To Latitude");
    Text7 = addTextBox("Text7", 4680, 3120, 735, 270, "0");
    Text9 = addTextBox("Text9", 5760, 3120, 735, 270, "0");
    Label21 = addLabel("Label21", 6600, 3120, 855, 255, "Longitude");
    Label5 = addLabel("Label5", 960, 2520, 2415, 495,
                      "Enter tx waveguide or coax loss in db per 100 ft.");
    Text13 = addTextBox("Text13", 600, 3000, 855, 270, "");
    Text2 = addTextBox("Text2", 1680, 3000, 735, 285, "1");
    Label12 = addLabel("Label12", 7440, 2520, 2535, 375,
                       "Enter rx waveguide or coax loss in db per 100 ft.");
    Text8 = addTextBox("Text8", 8160, 3000, 735, 285, "1");
    Text14 = addTextBox("Text14", 9360, 3000, 855, 285, "");
    Label6 = addLabel("Label6", 1320, 3600, 1335, 255, "Tx cable length");
    Text16 = addTextBox("Text16", 1680, 3840, 735, 285, "100");
    Label7 = addLabel("Label7", 4680, 3600, 1815, 255, "Total Path Length in");
    Text24 = addTextBox("Text24", 5280, 3840, 615, 285, "10");
    Check1 = addCheckBox("Check1", 6480, 3600, 735, 240, "Miles");
    Check2 = addCheckBox("Check2", 6480, 3840, 735, 240, "KM");
    Label13 = addLabel("Label13", 7800, 3600, 1455, 255, "Rx cable length");
    Text18 = addTextBox("Text18", 8160, 3840, 735, 285, "100");
    Label8 = addLabel("Label8", 4680, 4200, 2055, 255, "Enter Frequency in GHz");
    Text10 = addTextBox("Text10", 5280, 4440, 615, 285, "10");
    Label14 = addLabel("Label14", 1200, 4680, 1815, 255, "Transmitter Power");
    Text26 = addTextBox("Text26", 1680, 5040, 735, 285, "10");
    Option2 = addOptionButton("Option2", 2640, 4920, 1095, 255, "DBM");
    Option3 = addOptionButton("Option3", 2640, 5160, 1095, 255, "WATTS");
    Label9 = addLabel("Label9", 4440, 4800, 2415, 255, "Enter desired fade margin");
    Text12 = addTextBox("Text12", 5280, 5040, 615, 285, "0");
    Label10 = addLabel("Label10", 4680, 5400, 1815, 495, "Normal Earth Factor 1.33");
    Text22 = addTextBox("Text22", 5280, 5880, 615, 285, "1.33");
    Command1 = addCommand("Command1", 7920, 4800, 1215, 495, "CONTINUE", kContinueFace);
    Command2 = addCommand("Command2", 7920, 5400, 1215, 495, "END", kEndFace);
    Label11 = addLabel("Label11", 2280, 6480, 855, 255, "Path Name");
    Text11 = addTextBox("Text11", 3240, 6480, 5295, 315, "Example");

    // Appearance: white captions, bold but for the path name's; some centred.
    for (QLabel* label : {Label1, Label2, Label4, Label5, Label6, Label7, Label8, Label9,
                          Label10, Label11, Label12, Label13, Label14, Label16, Label17,
                          Label18, Label19, Label20, Label21}) {
        setBold(label, label != Label11);
    }
    for (QLabel* label : {Label5, Label7, Label9, Label10, Label12, Label13, Label14, Label16,
                          Label17, Label18, Label20})
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    for (QLineEdit* box : {Text1, Text2, Text3, Text4, Text5, Text6, Text7, Text8, Text9,
                           Text10, Text11, Text12, Text15, Text16, Text18, Text22, Text24,
                           Text26})
        box->setAlignment(Qt::AlignCenter);
    for (QWidget* unit : std::initializer_list<QWidget*>{Check1, Check2, Option2, Option3})
        setFaceColour(unit, kUnitFace, kWhite);
    setBold(Command2);

    // Design states, before the handlers are connected: Miles checked, DBM selected.
    Check1->setChecked(true);
    Check2->setChecked(false);
    Option2->setChecked(true);

    fields_ = {Text1, Text3, Text15, Text4, Text2, Text8, Text16, Text18, Text5,
               Text6, Text7, Text9, Text24, Text10, Text12, Text22, Text26, Text11};

    // Changing a box's state, by a click or from code, runs its handler.
    connect(Check1, &QCheckBox::stateChanged, this, &Path_Info::Check1_Click);
    connect(Check2, &QCheckBox::stateChanged, this, &Path_Info::Check2_Click);
    connect(Option2, &QRadioButton::toggled, this, &Path_Info::Option2_Click);
    connect(Option3, &QRadioButton::toggled, this, &Path_Info::Option3_Click);
    connect(Command1, &QPushButton::clicked, this, &Path_Info::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Path_Info::Command2_Click);

    QWidget* const order[] = {Text1,  Command1, Text3,  Text8,   Text10,  Text12, Text16,
                              Text18, Text22,   Text24, Text2,   Text26,  Option2, Option3,
                              Command2, Text4,  Text5,  Text6,   Text7,   Text9,  Text11,
                              Check1, Check2,   Text14, Text15,  Text13};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    Text1->setFocus();

    fitToLayout();
}

void Path_Info::formLoad() {
    loadFromSavedFile();
    if (screens().ended()) return;
    offerGuideLineTypes();
    if (screens().ended()) return;
    Text13->clear();
}

void Path_Info::loadFromSavedFile() {
    PathInputs loaded = inputs();
    CapturedValues& captured = state().path.captured;
    std::int16_t dbm = captured.dbmSelected;
    std::int16_t watts = captured.wattsSelected;
    const Result<bool> read =
        hopscale::loadSavedInputs(state().dataDir / "PATHCFG.DAT", loaded, dbm, watts);
    if (!read.ok()) {
        screens().reportError(*read.error, this);
        return;
    }
    if (!*read) return;  // no saved path: the defaults stay
    for (std::size_t i = 0; i < kFieldCount; ++i)
        fields_[i]->setText(QString::fromStdString(loaded.texts[i]));
    // Setting the boxes runs their handlers, which keep each pair exclusive.
    Check1->setChecked(!loaded.km);
    Check2->setChecked(loaded.km);
    captured.dbmSelected = dbm;
    captured.wattsSelected = watts;
    if (dbm == 1) Option2->setChecked(true);
    if (watts == 1) Option3->setChecked(true);
}

void Path_Info::offerGuideLineTypes() {
    // One shared offer: a missing catalogue index already reported at start-up is not
    // reported again here, and a failed offer still leaves the guide open and empty.
    offerLineTypesInGuide(screens(), true, this);
}

PathInputs Path_Info::inputs() const {
    PathInputs in;
    for (std::size_t i = 0; i < kFieldCount; ++i) in.texts[i] = fields_[i]->text().toStdString();
    in.km = Check2->isChecked();
    in.watts = Option3->isChecked();
    return in;
}

void Path_Info::setInputs(const PathInputs& in) {
    for (std::size_t i = 0; i < kFieldCount; ++i)
        fields_[i]->setText(QString::fromStdString(in.texts[i]));
    if (in.km) Check2->setChecked(true); else Check1->setChecked(true);
    if (in.watts) Option3->setChecked(true); else Option2->setChecked(true);
}

namespace {
// Two boxes of which exactly one is checked: runs whenever `self` changes, by a click or from
// code. A click on the checked box unchecks it, and the other one is checked instead.
void keepOneOf(QAbstractButton* self, QAbstractButton* other) {
    if (self->isChecked()) other->setChecked(false);
    if (!self->isChecked()) other->setChecked(true);
}
}  // namespace

void Path_Info::Check1_Click() { keepOneOf(Check1, Check2); }
void Path_Info::Check2_Click() { keepOneOf(Check2, Check1); }
void Path_Info::Option2_Click() { keepOneOf(Option2, Option3); }
void Path_Info::Option3_Click() { keepOneOf(Option3, Option2); }

void Path_Info::Command1_Click() {
    AppState& app = state();
    const RunOutcome outcome = runPath(inputs(), app.path);
    if (!outcome.ok()) {
        // Nothing the user typed changes and no result is shown; the message names the
        // field, and the keyboard focus goes to it.
        screens().reportError(*outcome.error, this);
        if (outcome.error->field) {
            QLineEdit* offending = field(*outcome.error->field);
            offending->setFocus();
            offending->selectAll();
        }
        return;
    }

    writeDataSheetCoordinates();
    Text24->setText(QString::fromStdString(outcome.pathLengthField));

    if (app.guideSkipped == 1) {
        disp& sheet = screens().dataSheet();
        for (QWidget* w : std::initializer_list<QWidget*>{sheet.Label24, sheet.Label25,
                                                          sheet.Label26, sheet.Text21,
                                                          sheet.Text22})
            w->hide();
    }

    // A results screen that still exists (the guide can show this screen again) is written
    // afresh, so that no window keeps the results of an earlier calculation.
    if (screens().exists(FormId::Results)) screens().results().refill();
    screens().show(FormId::Results);
    screens().hide(FormId::Path_Info);
}

void Path_Info::writeDataSheetCoordinates() {
    const PathState& path = state().path;
    disp& sheet = screens().dataSheet();
    const CapturedValues& c = path.captured;
    sheet.Text23->setText(QString::fromStdString(c.fromLatitudeText));
    sheet.Text24->setText(QString::fromStdString(c.fromLongitudeText));
    sheet.Text25->setText(QString::fromStdString(c.toLatitudeText));
    sheet.Text26->setText(QString::fromStdString(c.toLongitudeText));
    // A coordinate that is not given (0) has no box on the sheet. A sheet from an earlier
    // calculation gets the boxes of given coordinates back, so that none is left out.
    sheet.Text23->setVisible(c.fromLatitudePacked != 0);
    sheet.Text24->setVisible(c.fromLongitudePacked != 0);
    sheet.Text25->setVisible(c.toLatitudePacked != 0);
    sheet.Text26->setVisible(c.toLongitudePacked != 0);
    sheet.Label27->setVisible(c.toLongitudePacked != 0);
}

void Path_Info::Command2_Click() { screens().endProgram(); }

void Path_Info::frameClose() { Command2_Click(); }

}  // namespace hopscale
