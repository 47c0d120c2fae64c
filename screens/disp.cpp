#include "disp.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <deque>
#include <string>
#include <vector>

#include "conversions.h"
#include "flow.h"
#include "guide.h"
#include "path_info.h"

namespace hopscale {

namespace {

constexpr Rgb kYellow{255, 255, 0};

using D = disp;
using Row = ControlRow<disp>;

const Row kHeader[] = {
    {&D::Label22, {Kind::Label, "Label22", 3240, 240, 1170, 240, "Prepared for:", SheetFont}},
    {&D::Text19, {Kind::TextBox, "Text19", 4560, 240, 5055, 375, "", SheetFont | Bold | ReadOnly}},
    {&D::Label20, {Kind::Label, "Label20", 9840, 120, 1575, 255, "Label20"}},
    {&D::Label21, {Kind::Label, "Label21", 9840, 480, 1575, 255, "Label21"}},
    {&D::Label24,
     {Kind::Label, "Label24", 9960, 840, 1815, 735, "Transmit coax/waveguide type is:", SheetFont}},
    {&D::Label26,
     {Kind::Label, "Label26", 9960, 840, 1575, 1095,
      "Transmit and receive coax/waveguide is:", SheetFont | Hidden}},
    {&D::Text21, {Kind::TextBox, "Text21", 10320, 1560, 855, 285, "Text21", SheetFont | ReadOnly}},
    {&D::Label25,
     {Kind::Label, "Label25", 9960, 1920, 1575, 855, "Receive coax/waveguide type is:", SheetFont}},
    {&D::Text22, {Kind::TextBox, "Text22", 10440, 2760, 855, 405, "Text22", SheetFont | ReadOnly}},
};

const Row kFooter[] = {
    {&D::Label27,
     {Kind::Label, "Label27", 3240, 7920, 2775, 255, "Path coordinates used in calculations:"}},
    {&D::Text23, {Kind::TextBox, "Text23", 6000, 7920, 735, 285, "Text23", ReadOnly}},
    {&D::Text24, {Kind::TextBox, "Text24", 6960, 7920, 735, 285, "Text24", ReadOnly}},
    {&D::Text25, {Kind::TextBox, "Text25", 7920, 7920, 735, 285, "Text25", ReadOnly}},
    {&D::Text26, {Kind::TextBox, "Text26", 8880, 7920, 735, 285, "Text26", ReadOnly}},
    {&D::Command2,
     {Kind::Command, "Command2", 4200, 8520, 1095, 375, "PRINT"},
     flow::printDataSheet},
    {&D::Command1,
     {Kind::Command, "Command1", 6120, 8520, 1335, 375, "Return"},
     flow::returnToResults},
};

// How a row's value is written: N (singleToText), N of the value with its sign changed (the
// sheet shows losses as negative numbers), N or I but "Not Used" for a gain of 0.
enum class Format { N, Negated, NOrNotUsed, IOrNotUsed };

// One result row: caption with its dotted leader, value field, value and format.
struct SheetRow {
    int top;
    QLabel* disp::*label;
    const char* labelName;
    const char* caption;
    int periods;
    QLineEdit* disp::*field;
    const char* fieldName;
    float (*value)(const PathState&);
    Format format;
};
#define RESULT(member) [](const PathState& p) { return p.results.member; }
const SheetRow kRows[] = {
    {720, &D::Label1, "Label1", "Transmit Power DBm", 54, &D::Text1, "Text1", RESULT(txPowerDbm),
     Format::N},
    {1080, &D::Label2, "Label2", "Transmitter Coax Loss DBm", 41, &D::Text2, "Text2",
     RESULT(txLineLoss), Format::Negated},
    {1440, &D::Label28, "Label28", "Transmitter Amplifier Gain DBm", 34, &D::Text27, "Text27",
     [](const PathState& p) { return float(p.values.ampGain); }, Format::IOrNotUsed},
    {1800, &D::Label3, "Label3", "Input Power to Dish Watts", 46, &D::Text3, "Text3",
     RESULT(dishInputPowerWatts), Format::N},
    {2160, &D::Label4, "Label4", "Transmit Antenna Gain DBm", 40, &D::Text4, "Text4",
     RESULT(txAntennaGain), Format::N},
    {2520, &D::Label5, "Label5", "Beamwidth Loss DBm", 52, &D::Text5, "Text5",
     RESULT(beamwidthLoss), Format::Negated},
    {2880, &D::Label6, "Label6", "Transmit Half Power Beamwidth in Degrees", 10, &D::Text6, "Text6",
     RESULT(halfPowerBeamwidth), Format::N},
    {3240, &D::Label7, "Label7", "EIPR in Watts", 69, &D::Text7, "Text7", RESULT(eirpWatts),
     Format::N},
    {3600, &D::Label8, "Label8", "Free Space Loss DBm", 51, &D::Text8, "Text8",
     RESULT(freeSpaceLoss), Format::Negated},
    {3960, &D::Label9, "Label9", "Receive Antenna Gain DBm", 40, &D::Text9, "Text9",
     RESULT(rxAntennaGain), Format::N},
    {4320, &D::Label10, "Label10", "First Fresnel Zone Dip in Feet", 38, &D::Text10, "Text10",
     RESULT(firstFresnelZone), Format::N},
    {4680, &D::Label11, "Label11", "Second Fresnel Zone Dip in Feet", 31, &D::Text11, "Text11",
     RESULT(secondFresnelZone), Format::N},
    {5040, &D::Label12, "Label12", "Path Distance in Miles", 52, &D::Text12, "Text12",
     [](const PathState& p) {
         return p.values.fromLatitude != 0 ? p.results.coordinateDistance
                                           : p.results.pathLengthMiles;
     },
     Format::N},
    {5400, &D::Label13, "Label13", "Fixed Losses", 69, &D::Text13, "Text13", RESULT(fixedLoss),
     Format::Negated},
    {5760, &D::Label14, "Label14", "System Losses", 65, &D::Text14, "Text14", RESULT(systemLoss),
     Format::N},
    {6120, &D::Label15, "Label15", "Earth Curvature in Feet at Midpoint", 29, &D::Text15, "Text15",
     RESULT(earthBulge), Format::N},
    {6480, &D::Label16, "Label16", "Preamp Gain DBm", 59, &D::Text16, "Text16",
     [](const PathState& p) { return p.values.preampGain; }, Format::NOrNotUsed},
    {6840, &D::Label17, "Label17", "Receive Coax Loss DBm", 46, &D::Text17, "Text17",
     RESULT(rxLineLoss), Format::Negated},
    {7200, &D::Label18, "Label18", "Receiver Signal in DBm", 49, &D::Text18, "Text18",
     RESULT(receiveSignalLevel), Format::N},
    {7560, &D::Label19, "Label19", "Path Angle True", 64, &D::Text20, "Text20", RESULT(bearingTrue),
     Format::N},
};
#undef RESULT

QString formatted(float value, Format format) {
    if ((format == Format::NOrNotUsed || format == Format::IOrNotUsed) && value == 0)
        return QStringLiteral("Not Used");
    if (format == Format::IOrNotUsed)
        return QString::fromStdString(integerToText(std::int16_t(value)));
    // singleToText writes -0 as "0", so a zero loss never shows as "-0".
    return QString::fromStdString(singleToText(format == Format::Negated ? -value : value));
}

// The control rows of the result rows, built once from the table above: the caption with its
// leader, then the value field (Text18, the received level, narrower and yellow).
const std::vector<Row>& resultRowControls() {
    static std::deque<std::string> captions;
    static const std::vector<Row> rows = [] {
        std::vector<Row> built;
        for (const SheetRow& r : kRows) {
            captions.push_back(std::string(r.caption) + std::string(std::size_t(r.periods), '.'));
            const bool signal = r.field == &D::Text18;
            built.push_back({r.label,
                             {Kind::Label, r.labelName, 3240, r.top, 4335, 255, captions.back(),
                              SheetFont | SingleLine}});
            built.push_back({r.field,
                             {Kind::TextBox, r.fieldName, 7680, r.top, signal ? 975 : 2055, 285, "",
                              SheetFont | ReadOnly, signal ? kYellow : kNoColour}});
        }
        return built;
    }();
    return rows;
}

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

}  // namespace

disp::disp(Screens& screens)
    : Form(screens, FormId::disp, QStringLiteral("disp"), QStringLiteral("Form1")) {
    setFormColour(Qt::white);
    buildControls<disp>(*this, kHeader);
    buildControls<disp>(*this, resultRowControls());
    buildControls<disp>(*this, kFooter);
}

void disp::formLoad() {
    guarded([this] {
        const Guide& guide = screens().guide();  // a reference creates it in its design state
        if (guide.showsTransmitAttenuation() && !guide.separateReceiveLine())
            setValueText(Text21, QString::fromStdString(state().selectedTxLineType));
        createdAt_ = QDateTime::currentDateTime();
        const QLocale locale;
        Label20->setText(locale.toString(createdAt_.date(), QLocale::ShortFormat));
        Label21->setText(locale.toString(createdAt_.time(), timeWithSeconds(locale)));
        if (state().guideSkipped == 1) hideLineTypeBlock();
    });
}

void disp::fill() {
    const PathState& path = state().path;
    const bool coordinates = path.values.fromLatitude != 0;
    Text20->setVisible(coordinates);
    Label19->setVisible(coordinates);
    for (const SheetRow& r : kRows)
        setValueText(this->*r.field, formatted(r.value(path), r.format));
    setValueText(Text19, screens().pathInfo().pathName());
}

QString disp::pathName() const { return Text19->text(); }

void disp::showLineTypes(const QString& transmit, const QString& receive, bool separate) {
    setValueText(Text21, transmit);
    setValueText(Text22, receive);
    if (separate) {
        Label25->show();
        // A sheet that showed one line for both directions gets its two captions back.
        Label24->show();
        Text22->show();
        Label26->hide();
    } else {
        Text22->hide();
        Label26->show();
        Label24->hide();
        Label25->hide();
    }
}

void disp::hideLineTypes() {
    for (QWidget* w : std::initializer_list<QWidget*>{Label24, Text21, Label25, Text22}) w->hide();
}

void disp::hideLineTypeBlock() {
    for (QWidget* w : std::initializer_list<QWidget*>{Label24, Label25, Label26, Text21, Text22})
        w->hide();
}

void disp::showCoordinates(const CapturedValues& c) {
    setValueText(Text23, QString::fromStdString(c.fromLatitudeText));
    setValueText(Text24, QString::fromStdString(c.fromLongitudeText));
    setValueText(Text25, QString::fromStdString(c.toLatitudeText));
    setValueText(Text26, QString::fromStdString(c.toLongitudeText));
    // A coordinate that is not given (0) has no box on the sheet. A sheet from an earlier
    // calculation gets the boxes of given coordinates back, so that none is left out.
    Text23->setVisible(c.fromLatitudePacked != 0);
    Text24->setVisible(c.fromLongitudePacked != 0);
    Text25->setVisible(c.toLatitudePacked != 0);
    Text26->setVisible(c.toLongitudePacked != 0);
    Label27->setVisible(c.toLongitudePacked != 0);
}

void disp::frameClose() {
    guarded([this] { flow::returnToResults(screens()); });
}

}  // namespace hopscale
