#include "results.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "conversions.h"
#include "disp.h"
#include "flow.h"
#include "path_info.h"

namespace hopscale {

namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kPaleYellow{255, 255, 192};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kRed{255, 0, 0};

// The caption of a result comes from the engine's result table.
std::string_view caption(ResultId id) {
    return allResults()[static_cast<std::size_t>(id)].resultsCaption;
}

using R = Results;
using I = ResultId;
using Row = ControlRow<Results>;
constexpr ControlSpec line(const char* name, int x1, int y1, int x2, int y2) {
    return {Kind::Line, name, x1, y1, x2, y2, "", Plain, kNoColour, kWhite};
}
constexpr ControlSpec value(const char* name, int left, int top, int width) {
    return {Kind::TextBox, name, left, top, width, 285, "", ReadOnly};
}

const Row kControls[] = {
    {&R::Label11,
     {Kind::Label, "Label11", 4440, 0, 4935, 375, "RESULTS", Bold | TitleFont, kNoColour,
      kPaleYellow}},
    {&R::Text20, value("Text20", 8400, 2880, 615)},
    {&R::Label21, {Kind::Label, "Label21", 8400, 3240, 615, 375, caption(I::bearingTrue)}},
    {&R::Text1, value("Text1", 6120, 4080, 615)},
    {&R::Label2, {Kind::Label, "Label2", 6120, 4440, 735, 975, caption(I::earthBulge)}},
    {&R::Text2, value("Text2", 5040, 4080, 615)},
    {&R::Label6, {Kind::Label, "Label6", 4920, 4440, 735, 375, caption(I::fixedLoss)}},
    {&R::Text3, value("Text3", 8400, 2040, 615)},
    {&R::Label7, {Kind::Label, "Label7", 8400, 1440, 735, 615, caption(I::rxAntennaGain)}},
    {&R::Text4, value("Text4", 4920, 2040, 615)},
    {&R::Label16, {Kind::Label, "Label16", 4680, 1440, 1095, 615, caption(I::txAntennaGain)}},
    {&R::Text5, value("Text5", 6600, 480, 615)},
    {&R::Label4, {Kind::Label, "Label4", 6240, 840, 1335, 615, caption(I::halfPowerBeamwidth)}},
    {&R::Text6, value("Text6", 5160, 480, 615)},
    {&R::Label9, {Kind::Label, "Label9", 5160, 840, 855, 375, caption(I::beamwidthLoss)}},
    {&R::Text7, value("Text7", 8040, 480, 615)},
    {&R::Label8, {Kind::Label, "Label8", 7920, 840, 855, 375, caption(I::freeSpaceLoss)}},
    {&R::Text8, value("Text8", 1800, 3480, 735)},
    {&R::Label13, {Kind::Label, "Label13", 960, 3480, 855, 615, caption(I::txLineLoss)}},
    {&R::Text9, value("Text9", 9240, 3480, 735)},
    {&R::Label3, {Kind::Label, "Label3", 9960, 3360, 735, 615, caption(I::rxLineLoss)}},
    {&R::Text10, value("Text10", 1800, 4560, 735)},
    {&R::Label1, {Kind::Label, "Label1", 1800, 4920, 855, 495, caption(I::txPowerDbm)}},
    {&R::Text11, value("Text11", 7200, 4080, 615)},
    {&R::Label12, {Kind::Label, "Label12", 7200, 4440, 615, 615, caption(I::systemLoss)}},
    {&R::Text12, value("Text12", 9240, 4560, 735)},
    {&R::Label10, {Kind::Label, "Label10", 9240, 4920, 855, 615, caption(I::receiveSignalLevel)}},
    {&R::Text13, value("Text13", 3240, 2040, 1455)},
    {&R::Label14, {Kind::Label, "Label14", 3480, 1560, 1215, 375, caption(I::dishInputPowerWatts)}},
    {&R::Text14, value("Text14", 6240, 2040, 1455)},
    {&R::Label5, {Kind::Label, "Label5", 6480, 2400, 975, 255, caption(I::eirpWatts)}},
    {&R::Text15, value("Text15", 4920, 2880, 1095)},
    {&R::Label17, {Kind::Label, "Label17", 4920, 3240, 1095, 615, caption(I::firstFresnelZone)}},
    {&R::Text16, value("Text16", 6240, 2880, 1095)},
    {&R::Label18, {Kind::Label, "Label18", 6240, 3240, 1095, 615, caption(I::secondFresnelZone)}},
    {&R::Text18, value("Text18", 9240, 2400, 735)},
    {&R::Label19, {Kind::Label, "Label19", 9720, 2160, 1095, 495, "Preamp gain DBm"}},
    {&R::Text22, value("Text22", 1800, 2280, 735)},
    {&R::Label15, {Kind::Label, "Label15", 1200, 1680, 975, 615, caption(I::amplifierInputPower)}},
    {&R::Text23, value("Text23", 3240, 2400, 1455)},
    {&R::Label22, {Kind::Label, "Label22", 3480, 2760, 975, 255, caption(I::dishInputPowerDbm)}},
    {&R::Text24, value("Text24", 2640, 1560, 375)},
    {&R::Label23, {Kind::Label, "Label23", 2640, 1080, 855, 495, "Amp. gain DBm"}},
    {&R::Text19, value("Text19", 7560, 2880, 615)},
    {&R::Label20, {Kind::Label, "Label20", 7560, 3240, 735, 495, caption(I::pathLengthMiles)}},
    // Not of the design: the warning stands above the EIRP value, between the two dishes.
    {&R::eirpWarning,
     {Kind::Label, "eirpWarning", 6120, 1470, 1680, 555, kEirpWarningText, Bold | Hidden, kNoColour,
      kYellow}},
    {&R::Command3,
     {Kind::Command, "Command3", 4800, 5880, 975, 495, "Data Form with Print", Plain, kGreen},
     flow::dataFormWithPrint},
    {&R::Command2,
     {Kind::Command, "Command2", 6000, 5880, 975, 495, "Another", Plain, kPaleYellow},
     flow::another},
    {&R::Command1,
     {Kind::Command, "Command1", 7200, 5880, 975, 495, "END", Plain, kRed},
     flow::endWithSave},
    {{},
     {Kind::Command, "Command4", 8400, 5880, 975, 495, "Link Performance", Plain, kPaleYellow},
     flow::linkPerformance},
};

// The lines of the drawing, built before the fields so that the fields stand over them.
const Row kLines[] = {
    {&R::Line1, line("Line1", 2160, 4560, 2160, 4080)},
    {&R::Line13, line("Line13", 2160, 4200, 2160, 3840)},
    {&R::Line2, line("Line2", 2160, 3840, 2160, 3240)},
    {&R::Line8, line("Line8", 2160, 2880, 2160, 3480)},
    {&R::Line3, line("Line3", 2160, 2880, 2160, 2520)},
    {&R::Line15, line("Line15", 2160, 2280, 2160, 2640)},
    {&R::Line14, line("Line14", 2160, 2280, 2160, 2160)},
    {&R::Line5, line("Line5", 2160, 2160, 2880, 2160)},
    {&R::Line17, line("Line17", 2640, 1920, 3000, 2160)},
    {&R::Line18, line("Line18", 2640, 2400, 2640, 1920)},
    {&R::Line19, line("Line19", 2640, 2400, 3000, 2160)},
    {&R::Line16, line("Line16", 3120, 2160, 2760, 2160)},
    {&R::Line4, line("Line4", 4560, 2160, 3120, 2160)},
    {&R::Line20, line("Line20", 3960, 2280, 3960, 2400)},
    {&R::Line21, line("Line21", 4680, 2160, 4920, 2160)},
    {&R::Line22, line("Line22", 5640, 2160, 5760, 2160)},
    {&R::Line6, line("Line6", 5520, 2040, 5760, 1920)},
    {&R::Line26, line("Line26", 5760, 1920, 6000, 1800)},
    {&R::Line7, line("Line7", 5760, 2400, 5520, 2280)},
    {&R::Line27, line("Line27", 6000, 2520, 5760, 2400)},
    {&R::Line23, line("Line23", 6000, 2160, 6120, 2160)},
    {&R::Line24, line("Line24", 7800, 2160, 7920, 2160)},
    {&R::Line28, line("Line28", 8160, 1920, 7920, 1800)},
    {&R::Line10, line("Line10", 8400, 2040, 8160, 1920)},
    {&R::Line29, line("Line29", 8160, 2400, 7920, 2520)},
    {&R::Line9, line("Line9", 8400, 2280, 8160, 2400)},
    {&R::Line25, line("Line25", 8160, 2160, 8280, 2160)},
    {&R::Line11, line("Line11", 9000, 2160, 9600, 2160)},
    {&R::Line12, line("Line12", 9600, 2160, 9600, 4680)},
};

// The value boxes in the order the load writes them, each with its value and format.
struct ValueRow {
    QLineEdit* Results::*box;
    float (*value)(const PathState&);
    bool integer;  // format I (integerToText); else N (singleToText)
};
#define RESULT(member) [](const PathState& p) { return p.results.member; }
const ValueRow kValues[] = {
    {&R::Text20, RESULT(bearingTrue), false},
    {&R::Text1, RESULT(earthBulge), false},
    {&R::Text2, RESULT(fixedLoss), false},
    {&R::Text3, RESULT(rxAntennaGain), false},
    {&R::Text4, RESULT(txAntennaGain), false},
    {&R::Text5, RESULT(halfPowerBeamwidth), false},
    {&R::Text6, RESULT(beamwidthLoss), false},
    {&R::Text7, RESULT(freeSpaceLoss), false},
    {&R::Text8, RESULT(txLineLoss), false},
    {&R::Text9, RESULT(rxLineLoss), false},
    {&R::Text10, RESULT(txPowerDbm), false},
    {&R::Text11, RESULT(systemLoss), false},
    {&R::Text12, RESULT(receiveSignalLevel), false},
    {&R::Text13, RESULT(dishInputPowerWatts), false},
    {&R::Text14, RESULT(eirpWatts), false},
    {&R::Text15, RESULT(firstFresnelZone), false},
    {&R::Text16, RESULT(secondFresnelZone), false},
    {&R::Text18, [](const PathState& p) { return p.values.preampGain; }, false},
    {&R::Text22, RESULT(amplifierInputPower), false},
    {&R::Text23, RESULT(dishInputPowerDbm), false},
    {&R::Text24, [](const PathState& p) { return float(p.values.ampGain); }, true},
};
#undef RESULT

// The widest texts the two formats write: seven digits with sign and exponent, and the
// most negative 16-bit whole number.
const QString kWidestNumber = QStringLiteral("-8.888888E+28");
const QString kWidestWhole = QStringLiteral("-32768");

QString formatted(float value, bool integer) {
    return QString::fromStdString(integer ? integerToText(std::int16_t(value))
                                          : singleToText(value));
}

}  // namespace

Results::Results(Screens& screens)
    : Form(screens, FormId::Results, QStringLiteral("Results"), QStringLiteral("Results")) {
    setUsesBackground(true);
    setCaptionColour(Qt::white);
    buildControls<Results>(*this, kLines);
    buildControls<Results>(*this, kControls);
    for (const ValueRow& row : kValues)
        makeRoomFor(this->*row.box, row.integer ? kWidestWhole : kWidestNumber);
    makeRoomFor(Text19, kWidestNumber);
}

void Results::formLoad() {
    guarded([this] { writeFields(); });
}

void Results::refill() { writeFields(); }

void Results::writeFields() {
    const PathState& path = state().path;
    for (const ValueRow& row : kValues)
        setValueText(this->*row.box, formatted(row.value(path), row.integer));
    applyHidingRules();
    const bool coordinates = path.values.fromLatitude != 0;
    setValueText(Text19, formatted(coordinates ? path.results.coordinateDistance
                                               : path.results.pathLengthMiles,
                                   false));
    eirpWarning->setVisible(!path.eirpWarning.empty());
    screens().dataSheet().fill();
}

void Results::applyHidingRules() {
    const PathState& path = state().path;
    // On a fresh screen everything is visible, so this only hides; a refill after a new
    // calculation also shows again what applies now.
    // The written text decides: a beamwidth whose seven digits read "360" is hidden.
    const Result<double> beamwidth = textToDouble(Text5->text().toStdString());
    const bool wideBeam = beamwidth.ok() && *beamwidth >= 360;
    Text5->setVisible(!wideBeam);
    Label4->setVisible(!wideBeam);
    // The typed gain decides, not the whole number: 0.4 keeps the amplifier drawn.
    const Result<double> typedGain =
        textToDouble(screens().pathInfo().amplifierGainText().toStdString());
    const bool noAmplifier = typedGain.ok() && *typedGain == 0;
    for (QWidget* w :
         std::initializer_list<QWidget*>{Text22, Line17, Line18, Line19, Label15, Label23, Text24})
        w->setVisible(!noAmplifier);
    const bool coordinates = path.values.fromLatitude != 0;
    Text20->setVisible(coordinates);
    Label21->setVisible(coordinates);
    const bool preamp = path.values.preampGain != 0;
    Text18->setVisible(preamp);
    Label19->setVisible(preamp);
}

void Results::frameClose() {
    guarded([this] { flow::endWithSave(screens()); });
}

}  // namespace hopscale
