#include "disp.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include "conversions.h"
#include "guide.h"
#include "path_info.h"
#include "printing.h"

namespace hopscale {

namespace {
constexpr double kSheetPoints = 9.75;  // result rows, "Prepared for:", line-type block

QString text(float value) { return QString::fromStdString(singleToText(value)); }

// A loss is shown as a negative number; a zero loss as "0" (singleToText writes -0 as 0).
QString negated(float value) { return text(-value); }

// The user's short time format, with seconds added where it has none.
QString timeWithSeconds(const QLocale& locale) {
    QString format = locale.timeFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1Char('s'))) {
        const qsizetype minutes = format.indexOf(QStringLiteral("mm"));
        if (minutes >= 0)
            format.insert(minutes + 2, QStringLiteral(":ss"));
        else
            format = locale.timeFormat(QLocale::LongFormat);
    }
    return format;
}

struct Row {
    int top;
    const char* label;
    const char* caption;
    int periods;
    const char* field;
};

// The result rows: caption, dotted leader, value field.
const Row kRows[] = {
    {720, "Label1", "Transmit Power DBm", 54, "Text1"},
    {1080, "Label2", "Transmitter Coax Loss DBm", 41, "Text2"},
    {1440, "Label28", "Transmitter Amplifier Gain DBm", 34, "Text27"},
    {1800, "Label3", "Input Power to Dish Watts", 46, "Text3"},
    {2160, "Label4", "Transmit Antenna Gain DBm", 40, "Text4"},
    {2520, "Label5", "Beamwidth Loss DBm", 52, "Text5"},
    {2880, "Label6", "Transmit Half Power Beamwidth in Degrees", 10, "Text6"},
    {3240, "Label7", "EIPR in Watts", 69, "Text7"},
    {3600, "Label8", "Free Space Loss DBm", 51, "Text8"},
    {3960, "Label9", "Receive Antenna Gain DBm", 40, "Text9"},
    {4320, "Label10", "First Fresnel Zone Dip in Feet", 38, "Text10"},
    {4680, "Label11", "Second Fresnel Zone Dip in Feet", 31, "Text11"},
    {5040, "Label12", "Path Distance in Miles", 52, "Text12"},
    {5400, "Label13", "Fixed Losses", 69, "Text13"},
    {5760, "Label14", "System Losses", 65, "Text14"},
    {6120, "Label15", "Earth Curvature in Feet at Midpoint", 29, "Text15"},
    {6480, "Label16", "Preamp Gain DBm", 59, "Text16"},
    {6840, "Label17", "Receive Coax Loss DBm", 46, "Text17"},
    {7200, "Label18", "Receiver Signal in DBm", 49, "Text18"},
    {7560, "Label19", "Path Angle True", 64, "Text20"},
};
}  // namespace

disp::disp(Screens& screens)
    : Form(screens, FormId::disp, QStringLiteral("disp"), QStringLiteral("Form1")) {
    setFormColour(Qt::white);

    Label22 = addLabel("Label22", 3240, 240, 1170, 240, "Prepared for:");
    Text19 = addTextBox("Text19", 4560, 240, 5055, 375, "");
    Label20 = addLabel("Label20", 9840, 120, 1575, 255, "Label20");
    Label21 = addLabel("Label21", 9840, 480, 1575, 255, "Label21");
    Label24 = addLabel("Label24", 9960, 840, 1815, 735, "Transmit coax/waveguide type is:");
    Label26 = addLabel("Label26", 9960, 840, 1575, 1095,
                       "Transmit and receive coax/waveguide is:");
    Text21 = addTextBox("Text21", 10320, 1560, 855, 285, "Text21");
    Label25 = addLabel("Label25", 9960, 1920, 1575, 855, "Receive coax/waveguide type is:");
    Text22 = addTextBox("Text22", 10440, 2760, 855, 405, "Text22");
    Label26->hide();

    for (const Row& row : kRows) {
        auto* caption = addLabel(row.label, 3240, row.top, 4335, 255,
                                 QString::fromLatin1(row.caption) +
                                     QString(row.periods, QLatin1Char('.')));
        caption->setWordWrap(false);
        setPointSize(caption, kSheetPoints);
        const bool signal = QLatin1String(row.field) == QLatin1String("Text18");
        auto* value = addTextBox(row.field, 7680, row.top, signal ? 975 : 2055, 285, "");
        setPointSize(value, kSheetPoints);
        if (signal) value->setProperty("yellow", true);  // the form's sheet colours it
    }
    const auto label = [this](const char* name) { return findChild<QLabel*>(name); };
    const auto box = [this](const char* name) { return findChild<QLineEdit*>(name); };
    Label1 = label("Label1"); Label2 = label("Label2"); Label3 = label("Label3");
    Label4 = label("Label4"); Label5 = label("Label5"); Label6 = label("Label6");
    Label7 = label("Label7"); Label8 = label("Label8"); Label9 = label("Label9");
    Label10 = label("Label10"); Label11 = label("Label11"); Label12 = label("Label12");
    Label13 = label("Label13"); Label14 = label("Label14"); Label15 = label("Label15");
    Label16 = label("Label16"); Label17 = label("Label17"); Label18 = label("Label18");
    Label19 = label("Label19"); Label28 = label("Label28");
    Text1 = box("Text1"); Text2 = box("Text2"); Text3 = box("Text3"); Text4 = box("Text4");
    Text5 = box("Text5"); Text6 = box("Text6"); Text7 = box("Text7"); Text8 = box("Text8");
    Text9 = box("Text9"); Text10 = box("Text10"); Text11 = box("Text11");
    Text12 = box("Text12"); Text13 = box("Text13"); Text14 = box("Text14");
    Text15 = box("Text15"); Text16 = box("Text16"); Text17 = box("Text17");
    Text18 = box("Text18"); Text20 = box("Text20"); Text27 = box("Text27");

    Label27 = addLabel("Label27", 3240, 7920, 2775, 255, "Path coordinates used in calculations:");
    Text23 = addTextBox("Text23", 6000, 7920, 735, 285, "Text23");
    Text24 = addTextBox("Text24", 6960, 7920, 735, 285, "Text24");
    Text25 = addTextBox("Text25", 7920, 7920, 735, 285, "Text25");
    Text26 = addTextBox("Text26", 8880, 7920, 735, 285, "Text26");
    Command2 = addCommand("Command2", 4200, 8520, 1095, 375, "PRINT");
    Command1 = addCommand("Command1", 6120, 8520, 1335, 375, "Return");

    for (QWidget* w : std::initializer_list<QWidget*>{Label22, Text19, Label24, Label26, Text21,
                                                      Label25, Text22})
        setPointSize(w, kSheetPoints);
    setBold(Text19);
    for (QLineEdit* field : findChildren<QLineEdit*>()) field->setReadOnly(true);

    connect(Command1, &QPushButton::clicked, this, &disp::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &disp::Command2_Click);

    fitToLayout();
}

void disp::formLoad() {
    AppState& app = state();
    Guide& guide = screens().guide();  // a reference creates it in its design state
    if (!guide.Text3->text().isEmpty() && !guide.Check1->isChecked())
        setFieldText(Text21, QString::fromStdString(app.selectedTxLineType));

    createdAt_ = QDateTime::currentDateTime();
    const QLocale locale;
    Label20->setText(locale.toString(createdAt_.date(), QLocale::ShortFormat));
    Label21->setText(locale.toString(createdAt_.time(), timeWithSeconds(locale)));

    if (app.guideSkipped == 1) {
        for (QWidget* w : std::initializer_list<QWidget*>{Label24, Label25, Label26, Text21,
                                                          Text22})
            w->hide();
    }
}

void disp::fill() {
    const PathState& path = state().path;
    const PathResults& r = path.results;
    const PathValues& v = path.values;
    const bool coordinates = v.fromLatitude != 0;

    Text20->setVisible(coordinates);
    Label19->setVisible(coordinates);

    setFieldText(Text1, text(r.txPowerDbm));
    setFieldText(Text2, negated(r.txLineLoss));
    setFieldText(Text3, text(r.dishInputPowerWatts));
    setFieldText(Text4, text(r.txAntennaGain));
    setFieldText(Text5, negated(r.beamwidthLoss));
    setFieldText(Text6, text(r.halfPowerBeamwidth));
    setFieldText(Text7, text(r.eirpWatts));
    setFieldText(Text8, negated(r.freeSpaceLoss));
    setFieldText(Text9, text(r.rxAntennaGain));
    setFieldText(Text10, text(r.firstFresnelZone));
    setFieldText(Text11, text(r.secondFresnelZone));
    setFieldText(Text12, text(coordinates ? r.coordinateDistance : r.pathLengthMiles));
    setFieldText(Text13, negated(r.fixedLoss));
    setFieldText(Text14, text(r.systemLoss));
    setFieldText(Text15, text(r.earthBulge));
    setFieldText(Text16, text(v.preampGain));
    if (v.preampGain == 0) setFieldText(Text16, QStringLiteral("Not Used"));
    setFieldText(Text17, negated(r.rxLineLoss));
    setFieldText(Text18, text(r.receiveSignalLevel));

    setFieldText(Text19, screens().pathInfo().Text11->text());
    setFieldText(Text20, text(r.bearingTrue));
    setFieldText(Text27, QString::fromStdString(integerToText(v.ampGain)));
    if (v.ampGain == 0) setFieldText(Text27, QStringLiteral("Not Used"));
}

void disp::Command1_Click() {
    screens().hide(FormId::disp);
    screens().repaint(FormId::Results);
    screens().show(FormId::Results);
}

void disp::Command2_Click() {
    const QString name = screens().exists(FormId::Path_Info)
                             ? screens().pathInfo().Text11->text()
                             : Text19->text();
    if (const std::optional<QString> failed = printWindow(*this, name))
        screens().reportError(*failed, this);
}

void disp::frameClose() { Command1_Click(); }

}  // namespace hopscale
