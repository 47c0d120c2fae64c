#include "path_info.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "conversions.h"
#include "flow.h"

namespace hopscale {

namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kUnitFace{0, 0, 192};
constexpr Rgb kContinueFace{255, 255, 192};
constexpr Rgb kRed{255, 0, 0};

// Captions and design texts of the input fields come from the engine's one table.
std::string_view caption(Field f) { return fieldInfo(f).caption; }
std::string_view initial(Field f) { return fieldInfo(f).defaultText; }

using P = Path_Info;
using Row = ControlRow<Path_Info>;
constexpr unsigned kCaption = Bold;
constexpr unsigned kCentredCaption = Bold | Centred;
constexpr unsigned kUnit = Plain;

// Lines first, so that the fields and captions stand over them.
const Row kControls[] = {
    {&P::Line1, {Kind::Line, "Line1", 2160, 1680, 4320, 1680, "", Plain, kNoColour, kWhite}},
    {&P::Line3, {Kind::Line, "Line3", 2160, 1680, 2040, 1680, "", Plain, kNoColour, kWhite}},
    {&P::Line15, {Kind::Line, "Line15", 2040, 2520, 2040, 1680, "", Plain, kNoColour, kWhite}},
    {&P::Line5, {Kind::Line, "Line5", 2040, 3240, 2040, 3600, "", Plain, kNoColour, kWhite}},
    {&P::Line6, {Kind::Line, "Line6", 2040, 4080, 2040, 4680, "", Plain, kNoColour, kWhite}},
    {&P::Line7, {Kind::Line, "Line7", 2040, 4920, 2040, 5040, "", Plain, kNoColour, kWhite}},
    {&P::Line2, {Kind::Line, "Line2", 1440, 3120, 1680, 3120, "", Plain, kNoColour, kWhite}},
    {&P::Line11, {Kind::Line, "Line11", 4920, 1560, 5160, 1440, ""}},
    {&P::Line12, {Kind::Line, "Line12", 4920, 1800, 5160, 1920, ""}},
    {&P::Line13, {Kind::Line, "Line13", 6480, 1560, 6240, 1440, ""}},
    {&P::Line14, {Kind::Line, "Line14", 6480, 1800, 6240, 1920, ""}},
    {&P::Line4, {Kind::Line, "Line4", 6960, 1680, 8520, 1680, "", Plain, kNoColour, kWhite}},
    {&P::Line16, {Kind::Line, "Line16", 8520, 1680, 8520, 2520, "", Plain, kNoColour, kWhite}},
    {&P::Line8, {Kind::Line, "Line8", 8520, 3000, 8520, 3240, "", Plain, kNoColour, kWhite}},
    {&P::Line17, {Kind::Line, "Line17", 8520, 3480, 8520, 3240, "", Plain, kNoColour, kWhite}},
    {&P::Line10, {Kind::Line, "Line10", 8520, 3840, 8520, 3480, "", Plain, kNoColour, kWhite}},
    {&P::Line9, {Kind::Line, "Line9", 8520, 3600, 8520, 3840, "", Plain, kNoColour, kWhite}},
    {&P::Line18, {Kind::Line, "Line18", 8880, 3120, 9360, 3120, "", Plain, kNoColour, kWhite}},

    {&P::Label4, {Kind::Label, "Label4", 1920, 1080, 1815, 375, caption(Field::Text15), kCaption}},
    {&P::Text15, {Kind::TextBox, "Text15", 2640, 1560, 615, 285, initial(Field::Text15), Centred}},
    {&P::Label1, {Kind::Label, "Label1", 3840, 1200, 1935, 255, caption(Field::Text1), kCaption}},
    {&P::Text1, {Kind::TextBox, "Text1", 4320, 1560, 615, 285, initial(Field::Text1), Centred}},
    {&P::Label2, {Kind::Label, "Label2", 6000, 1200, 1935, 255, caption(Field::Text3), kCaption}},
    {&P::Text3, {Kind::TextBox, "Text3", 6480, 1560, 615, 285, initial(Field::Text3), Centred}},
    {&P::Label16,
     {Kind::Label, "Label16", 8040, 1200, 1935, 495, caption(Field::Text4), kCentredCaption}},
    {&P::Text4, {Kind::TextBox, "Text4", 7680, 1560, 615, 285, initial(Field::Text4), Centred}},
    {&P::Label17,
     {Kind::Label, "Label17", 4320, 2040, 2775, 615,
      "If latitude and longitude are known, enter here, path length will be calculated else "
      "enter 0.",
      kCentredCaption}},
    {&P::Label18,
     {Kind::Label, "Label18", 3240, 2760, 1335, 255, caption(Field::Text5), kCentredCaption}},
    {&P::Text5, {Kind::TextBox, "Text5", 4680, 2760, 735, 255, initial(Field::Text5), Centred}},
    {&P::Text6, {Kind::TextBox, "Text6", 5760, 2760, 735, 270, initial(Field::Text6), Centred}},
    {&P::Label19, {Kind::Label, "Label19", 6600, 2760, 855, 255, "Longitude", kCaption}},
    {&P::Label20,
     {Kind::Label, "Label20", 3360, 3120, 1215, 255, caption(Field::Text7), kCentredCaption}},
    {&P::Text7, {Kind::TextBox, "Text7", 4680, 3120, 735, 270, initial(Field::Text7), Centred}},
    {&P::Text9, {Kind::TextBox, "Text9", 5760, 3120, 735, 270, initial(Field::Text9), Centred}},
    {&P::Label21, {Kind::Label, "Label21", 6600, 3120, 855, 255, "Longitude", kCaption}},
    {&P::Label5,
     {Kind::Label, "Label5", 960, 2520, 2415, 495, caption(Field::Text2), kCentredCaption}},
    {&P::Text13, {Kind::TextBox, "Text13", 600, 3000, 855, 270, ""}},
    {&P::Text2, {Kind::TextBox, "Text2", 1680, 3000, 735, 285, initial(Field::Text2), Centred}},
    {&P::Label12,
     {Kind::Label, "Label12", 7440, 2520, 2535, 375, caption(Field::Text8), kCentredCaption}},
    {&P::Text8, {Kind::TextBox, "Text8", 8160, 3000, 735, 285, initial(Field::Text8), Centred}},
    {&P::Text14, {Kind::TextBox, "Text14", 9360, 3000, 855, 285, ""}},
    {&P::Label6, {Kind::Label, "Label6", 1320, 3600, 1335, 255, caption(Field::Text16), kCaption}},
    {&P::Text16, {Kind::TextBox, "Text16", 1680, 3840, 735, 285, initial(Field::Text16), Centred}},
    {&P::Label7,
     {Kind::Label, "Label7", 4680, 3600, 1815, 255, caption(Field::Text24), kCentredCaption}},
    {&P::Text24, {Kind::TextBox, "Text24", 5280, 3840, 615, 285, initial(Field::Text24), Centred}},
    {&P::Check1,
     {Kind::CheckBox, "Check1", 6480, 3600, 735, 240, "Miles", Checked, kUnitFace, kWhite}},
    {&P::Check2, {Kind::CheckBox, "Check2", 6480, 3840, 735, 240, "KM", kUnit, kUnitFace, kWhite}},
    {&P::Label13,
     {Kind::Label, "Label13", 7800, 3600, 1455, 255, caption(Field::Text18), kCentredCaption}},
    {&P::Text18, {Kind::TextBox, "Text18", 8160, 3840, 735, 285, initial(Field::Text18), Centred}},
    {&P::Label8, {Kind::Label, "Label8", 4680, 4200, 2055, 255, caption(Field::Text10), kCaption}},
    {&P::Text10, {Kind::TextBox, "Text10", 5280, 4440, 615, 285, initial(Field::Text10), Centred}},
    {&P::Label14,
     {Kind::Label, "Label14", 1200, 4680, 1815, 255, caption(Field::Text26), kCentredCaption}},
    {&P::Text26, {Kind::TextBox, "Text26", 1680, 5040, 735, 285, initial(Field::Text26), Centred}},
    {&P::Option2,
     {Kind::OptionButton, "Option2", 2640, 4920, 1095, 255, "DBM", Checked, kUnitFace, kWhite}},
    {&P::Option3,
     {Kind::OptionButton, "Option3", 2640, 5160, 1095, 255, "WATTS", kUnit, kUnitFace, kWhite}},
    {&P::Label9,
     {Kind::Label, "Label9", 4440, 4800, 2415, 255, caption(Field::Text12), kCentredCaption}},
    {&P::Text12, {Kind::TextBox, "Text12", 5280, 5040, 615, 285, initial(Field::Text12), Centred}},
    {&P::Label10,
     {Kind::Label, "Label10", 4680, 5400, 1815, 495, caption(Field::Text22), kCentredCaption}},
    {&P::Text22, {Kind::TextBox, "Text22", 5280, 5880, 615, 285, initial(Field::Text22), Centred}},
    {&P::Command1,
     {Kind::Command, "Command1", 7920, 4800, 1215, 495, "CONTINUE", Plain, kContinueFace},
     flow::continueToResults},
    {&P::Command2,
     {Kind::Command, "Command2", 7920, 5400, 1215, 495, "END", Bold, kRed},
     flow::endWithoutSaving},
    {&P::Label11, {Kind::Label, "Label11", 2280, 6480, 855, 255, caption(Field::Text11)}},
    {&P::Text11, {Kind::TextBox, "Text11", 3240, 6480, 5295, 315, initial(Field::Text11), Centred}},
};

// The loss fields get one blank before a value that is not negative, and no "0" before
// the decimal point of a magnitude below 1.
QString lossFieldText(float attenuationDbPer100Ft) {
    return QString::fromStdString(signedSingleToText(attenuationDbPer100Ft));
}

}  // namespace

Path_Info::Path_Info(Screens& screens)
    : Form(screens, FormId::Path_Info, QStringLiteral("Path_Info"), QStringLiteral("Path Input")) {
    setUsesBackground(true);
    setCaptionColour(Qt::white);
    buildControls<Path_Info>(*this, kControls);
    for (const FieldInfo& f : allFields())
        fields_[static_cast<std::size_t>(f.field)] =
            findChild<QLineEdit*>(QString::fromUtf8(f.control.data(), qsizetype(f.control.size())));

    // Changing a box's state, by a click or from code, runs its handler.
    connect(Check1, &QCheckBox::stateChanged, this, &Path_Info::Check1_Click);
    connect(Check2, &QCheckBox::stateChanged, this, &Path_Info::Check2_Click);
    connect(Option2, &QRadioButton::toggled, this, &Path_Info::Option2_Click);
    connect(Option3, &QRadioButton::toggled, this, &Path_Info::Option3_Click);
    // The longest line-type names of the guide's offer (ten characters) show whole.
    for (QLineEdit* name : {Text13, Text14}) makeRoomFor(name, QStringLiteral("FOAM-12MM0"));
    setTabChain();
    Text1->setFocus();  // focus starts in the transmit dish
}

void Path_Info::setTabChain() {
    QWidget* const order[] = {Text1,    Command1, Text3,  Text8,  Text10, Text12,  Text16,
                              Text18,   Text22,   Text24, Text2,  Text26, Option2, Option3,
                              Command2, Text4,    Text5,  Text6,  Text7,  Text9,   Text11,
                              Check1,   Check2,   Text14, Text15, Text13};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
}

void Path_Info::formLoad() {
    guarded([this] { flow::inputScreenLoad(screens()); });
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
    if (in.km)
        Check2->setChecked(true);
    else
        Check1->setChecked(true);
    if (in.watts)
        Option3->setChecked(true);
    else
        Option2->setChecked(true);
}

void Path_Info::showSavedInputs(const PathInputs& saved, std::int16_t dbm, std::int16_t watts) {
    for (std::size_t i = 0; i < kFieldCount; ++i)
        fields_[i]->setText(QString::fromStdString(saved.texts[i]));
    // Setting the boxes runs their handlers, which keep each pair exclusive.
    Check1->setChecked(!saved.km);
    Check2->setChecked(saved.km);
    if (dbm == 1) Option2->setChecked(true);
    if (watts == 1) Option3->setChecked(true);
}

void Path_Info::takeGuideChoice(const QString& frequency, float txLoss, float rxLoss,
                                const QString& txName, const QString& rxName) {
    Text10->setText(frequency);
    Text2->setText(lossFieldText(txLoss));
    Text8->setText(lossFieldText(rxLoss));
    setValueText(Text13, txName);
    setValueText(Text14, rxName);
}

void Path_Info::hideLineTypeBoxes() {
    for (QWidget* w : std::initializer_list<QWidget*>{Text13, Text14, Line2, Line18}) w->hide();
}

void Path_Info::showPathLength(const QString& text) { Text24->setText(text); }

void Path_Info::focusField(Field f) {
    QLineEdit* offending = field(f);
    offending->setFocus();
    offending->selectAll();
}

namespace {
// Two boxes of which exactly one is checked: runs whenever `self` changes, by a click or from
// code. A click on the checked box unchecks it, and the other one is checked instead.
void keepOneOf(QAbstractButton* self, QAbstractButton* other) {
    if (self->isChecked()) other->setChecked(false);
    if (!self->isChecked()) other->setChecked(true);
}
}  // namespace

void Path_Info::Check1_Click() {
    guarded([this] { keepOneOf(Check1, Check2); });
}
void Path_Info::Check2_Click() {
    guarded([this] { keepOneOf(Check2, Check1); });
}
void Path_Info::Option2_Click() {
    guarded([this] { keepOneOf(Option2, Option3); });
}
void Path_Info::Option3_Click() {
    guarded([this] { keepOneOf(Option3, Option2); });
}

void Path_Info::clearTransmitLineName() { Text13->clear(); }

void Path_Info::frameClose() {
    guarded([this] { flow::endWithoutSaving(screens()); });
}

}  // namespace hopscale
