#include "results.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "conversions.h"
#include "disp.h"
#include "path_info.h"
#include "saved_inputs.h"

namespace hopscale {

namespace {
const QColor kWhite(255, 255, 255);
const QColor kPaleYellow(255, 255, 192);

QString text(float value) { return QString::fromStdString(singleToText(value)); }
}  // namespace

Results::Results(Screens& screens)
    : Form(screens, FormId::Results, QStringLiteral("Results"), QStringLiteral("Results")) {
    setUsesBackground(true);
    setCaptionColour(kWhite);

    Line1 = addLine("Line1", 2160, 4560, 2160, 4080, kWhite);
    Line13 = addLine("Line13", 2160, 4200, 2160, 3840, kWhite);
    Line2 = addLine("Line2", 2160, 3840, 2160, 3240, kWhite);
    Line8 = addLine("Line8", 2160, 2880, 2160, 3480, kWhite);
    Line3 = addLine("Line3", 2160, 2880, 2160, 2520, kWhite);
    Line15 = addLine("Line15", 2160, 2280, 2160, 2640, kWhite);
    Line14 = addLine("Line14", 2160, 2280, 2160, 2160, kWhite);
    Line5 = addLine("Line5", 2160, 2160, 2880, 2160, kWhite);
    Line17 = addLine("Line17", 2640, 1920, 3000, 2160, kWhite);
    Line18 = addLine("Line18", 2640, 2400, 2640, 1920, kWhite);
    Line19 = addLine("Line19", 2640, 2400, 3000, 2160, kWhite);
    Line16 = addLine("Line16", 3120, 2160, 2760, 2160, kWhite);
    Line4 = addLine("Line4", 4560, 2160, 3120, 2160, kWhite);
    Line20 = addLine("Line20", 3960, 2280, 3960, 2400, kWhite);
    Line21 = addLine("Line21", 4680, 2160, 4920, 2160, kWhite);
    Line22 = addLine("Line22", 5640, 2160, 5760, 2160, kWhite);
    Line6 = addLine("Line6", 5520, 2040, 5760, 1920, kWhite);
    Line26 = addLine("Line26", 5760, 1920, 6000, 1800, kWhite);
    Line7 = addLine("Line7", 5760, 2400, 5520, 2280, kWhite);
    Line27 = addLine("Line27", 6000, 2520, 5760, 2400, kWhite);
    Line23 = addLine("Line23", 6000, 2160, 6120, 2160, kWhite);
    Line24 = addLine("Line24", 7800, 2160, 7920, 2160, kWhite);
    Line28 = addLine("Line28", 8160, 1920, 7920, 1800, kWhite);
    Line10 = addLine("Line10", 8400, 2040, 8160, 1920, kWhite);
    Line29 = addLine("Line29", 8160, 2400, 7920, 2520, kWhite);
    Line9 = addLine("Line9", 8400, 2280, 8160, 2400, kWhite);
    Line25 = addLine("Line25", 8160, 2160, 8280, 2160, kWhite);
    Line11 = addLine("Line11", 9000, 2160, 9600, 2160, kWhite);
    Line12 = addLine("Line12", 9600, 2160, 9600, 4680, kWhite);

    Label11 = addLabel("Label11", 4440, 0, 4935, 375, "RESULTS");

    Text20 = addTextBox("Text20", 8400, 2880, 615, 285, "");
    Label21 = addLabel("Label21", 8400, 3240, 615, 375, "Angle True");
    Text1 = addTextBox("Text1", 6120, 4080, 615, 285, "");
    Label2 = addLabel("Label2", 6120, 4440, 735, 975, "Earth curvature bulge in feet at midpoint");
    Text2 = addTextBox("Text2", 5040, 4080, 615, 285, "");
    Label6 = addLabel("Label6", 4920, 4440, 735, 375, "Fixed loss DBm");
    Text3 = addTextBox("Text3", 8400, 2040, 615, 285, "");
    Label7 = addLabel("Label7", 8400, 1440, 735, 615, "Receiver  antenna gain DBm");
    Text4 = addTextBox("Text4", 4920, 2040, 615, 285, "");
    Label16 = addLabel("Label16", 4680, 1440, 1095, 615, "Transmit Antenna Gain DBm");
    Text5 = addTextBox("Text5", 6600, 480, 615, 285, "");
    Label4 = addLabel("Label4", 6240, 840, 1335, 615, "Transmit Half Power Beamwidth in Degrees");
    Text6 = addTextBox("Text6", 5160, 480, 615, 285, "");
    Label9 = addLabel("Label9", 5160, 840, 855, 375, "Beamwidth loss DBm");
    Text7 = addTextBox("Text7", 8040, 480, 615, 285, "");
    Label8 = addLabel("Label8", 7920, 840, 855, 375, "Free space loss DBM");
    Text8 = addTextBox("Text8", 1800, 3480, 735, 285, "");
    Label13 = addLabel("Label13", 960, 3480, 855, 615, "Transmitter coax loss DBm");
    Text9 = addTextBox("Text9", 9240, 3480, 735, 285, "");
    Label3 = addLabel("Label3", 9960, 3360, 735, 615, "Receiver coax loss DBm");
    Text10 = addTextBox("Text10", 1800, 4560, 735, 285, "");
    Label1 = addLabel("Label1", 1800, 4920, 855, 495, "Transmitter power DBm");
    Text11 = addTextBox("Text11", 7200, 4080, 615, 285, "");
    Label12 = addLabel("Label12", 7200, 4440, 615, 615, "System loss DBm");
    Text12 = addTextBox("Text12", 9240, 4560, 735, 285, "");
    Label10 = addLabel("Label10", 9240, 4920, 855, 615, "Receiver signal level DBm");
    Text13 = addTextBox("Text13", 3240, 2040, 1455, 285, "");
    Label14 = addLabel("Label14", 3480, 1560, 1215, 375, "Input power to dish in watts");
    Text14 = addTextBox("Text14", 6240, 2040, 1455, 285, "");
    Label5 = addLabel("Label5", 6480, 2400, 975, 255, "EIRP Watts");
    Text15 = addTextBox("Text15", 4920, 2880, 1095, 285, "");
    Label17 = addLabel("Label17", 4920, 3240, 1095, 615, "First Fresnel Zone Dip in feet");
    Text16 = addTextBox("Text16", 6240, 2880, 1095, 285, "");
    Label18 = addLabel("Label18", 6240, 3240, 1095, 615, "Second Fresnel Zone Dip in feet");
    Text18 = addTextBox("Text18", 9240, 2400, 735, 285, "");
    Label19 = addLabel("Label19", 9720, 2160, 1095, 495, "Preamp gain DBm");
    Text22 = addTextBox("Text22", 1800, 2280, 735, 285, "");
    Label15 = addLabel("Label15", 1200, 1680, 975, 615, "Power level into amplifier DBm");
    Text23 = addTextBox("Text23", 3240, 2400, 1455, 285, "");
    Label22 = addLabel("Label22", 3480, 2760, 975, 255, "Input in DBm");
    Text24 = addTextBox("Text24", 2640, 1560, 375, 285, "");
    Label23 = addLabel("Label23", 2640, 1080, 855, 495, "Amp. gain DBm");
    Text19 = addTextBox("Text19", 7560, 2880, 615, 285, "");
    Label20 = addLabel("Label20", 7560, 3240, 735, 495, "Distance Miles");

    // The warning stands above the EIRP value, in the free space between the two dishes.
    eirpWarning = addLabel("eirpWarning", 6120, 1470, 1680, 555, "");
    setTextColour(eirpWarning, QColor(255, 255, 0));
    setBold(eirpWarning);
    eirpWarning->hide();

    Command3 = addCommand("Command3", 4800, 5880, 975, 495, "Data Form with Print",
                          QColor(0, 255, 0));
    Command2 = addCommand("Command2", 6000, 5880, 975, 495, "Another", kPaleYellow);
    Command1 = addCommand("Command1", 7200, 5880, 975, 495, "END", QColor(255, 0, 0));

    setTextColour(Label11, kPaleYellow);
    setBold(Label11);
    setPointSize(Label11, 13.5);
    for (QLineEdit* box : findChildren<QLineEdit*>()) box->setReadOnly(true);
    connect(Command1, &QPushButton::clicked, this, &Results::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Results::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Results::Command3_Click);

    fitToLayout();
}

void Results::formLoad() { writeFields(); }

void Results::refill() { writeFields(); }

void Results::writeFields() {
    const PathState& path = state().path;
    const PathResults& r = path.results;
    const PathValues& v = path.values;

    setFieldText(Text20, text(r.bearingTrue));
    setFieldText(Text1, text(r.earthBulge));
    setFieldText(Text2, text(r.fixedLoss));
    setFieldText(Text3, text(r.rxAntennaGain));
    setFieldText(Text4, text(r.txAntennaGain));
    setFieldText(Text5, text(r.halfPowerBeamwidth));
    setFieldText(Text6, text(r.beamwidthLoss));
    setFieldText(Text7, text(r.freeSpaceLoss));
    setFieldText(Text8, text(r.txLineLoss));
    setFieldText(Text9, text(r.rxLineLoss));
    setFieldText(Text10, text(r.txPowerDbm));
    setFieldText(Text11, text(r.systemLoss));
    setFieldText(Text12, text(r.receiveSignalLevel));
    setFieldText(Text13, text(r.dishInputPowerWatts));
    setFieldText(Text14, text(r.eirpWatts));
    setFieldText(Text15, text(r.firstFresnelZone));
    setFieldText(Text16, text(r.secondFresnelZone));
    setFieldText(Text18, text(v.preampGain));
    setFieldText(Text22, text(r.amplifierInputPower));
    setFieldText(Text23, text(r.dishInputPowerDbm));
    setFieldText(Text24, QString::fromStdString(integerToText(v.ampGain)));

    // What does not apply is hidden. On a fresh screen everything is visible, so this only
    // hides; a refill after a new calculation also shows what applies again.
    const Result<double> beamwidth = textToDouble(Text5->text().toStdString());
    const bool wideBeam = beamwidth.ok() && *beamwidth >= 360;
    Text5->setVisible(!wideBeam);
    Label4->setVisible(!wideBeam);

    // The typed gain decides, not the whole number: 0.4 keeps the amplifier drawn.
    const Result<double> typedGain =
        textToDouble(screens().pathInfo().Text15->text().toStdString());
    const bool noAmplifier = typedGain.ok() && *typedGain == 0;
    for (QWidget* w : std::initializer_list<QWidget*>{Text22, Line17, Line18, Line19, Label15,
                                                      Label23, Text24})
        w->setVisible(!noAmplifier);

    const bool coordinates = v.fromLatitude != 0;
    Text20->setVisible(coordinates);
    Label21->setVisible(coordinates);

    const bool preamp = v.preampGain != 0;
    Text18->setVisible(preamp);
    Label19->setVisible(preamp);

    setFieldText(Text19, text(coordinates ? r.coordinateDistance : r.pathLengthMiles));

    eirpWarning->setText(QString::fromStdString(path.eirpWarning));
    eirpWarning->setVisible(!path.eirpWarning.empty());

    screens().dataSheet().fill();
}

void Results::save() {
    const CapturedValues& c = state().path.captured;
    const PathInputs inputs = screens().pathInfo().inputs();
    if (const std::optional<Error> failed =
            saveInputs(state().dataDir / "PATHCFG.DAT", inputs, c.pathLengthText,
                       c.dbmSelected, c.wattsSelected)) {
        screens().reportError(*failed, this);
    }
}

void Results::Command1_Click() {
    save();
    screens().endProgram();
}

void Results::Command2_Click() {
    save();
    Screens& s = screens();
    s.close(FormId::Guide);
    s.close(FormId::Open_query);
    s.close(FormId::Path_Info);
    s.close(FormId::Results);
    // The rest runs although this screen is closed: the input screen comes back filled from
    // the file just saved, and the start screen is shown.
    s.repaint(FormId::Path_Info);
    s.close(FormId::disp);
    s.repaint(FormId::Guide);
    s.repaint(FormId::Open_query);
    s.show(FormId::Open_query);
}

void Results::Command3_Click() {
    save();
    screens().show(FormId::disp);
    screens().hide(FormId::Path_Info);
}

void Results::frameClose() { Command1_Click(); }

}  // namespace hopscale
