#include "open_query.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "flow.h"

namespace hopscale {

namespace {

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kYellow{255, 255, 0};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGoFace{0, 192, 192};

using Row = ControlRow<Open_query>;
const Row kControls[] = {
    {&Open_query::Label4,
     {Kind::Label, "Label4", 2880, 1440, 6375, 375, "MICROWAVE PATH ESTIMATOR",
      Bold | Centred | TitleFont, kNoColour, kWhite}},
    {&Open_query::Label1,
     {Kind::Label, "Label1", 4320, 2040, 3375, 855,
      "If you would like the program to select the waveguide and attenuation based on "
      "frequency, enter freq. in GHz below, else leave blank and goto 'skip'.",
      Plain, kYellow, kBlack}},
    {&Open_query::Text1, {Kind::TextBox, "Text1", 5400, 3120, 1215, 285, ""}},
    {&Open_query::Command1,
     {Kind::Command, "Command1", 3600, 4560, 1335, 375, "End", Plain, kRed},
     flow::endFromStartScreen},
    {&Open_query::Command2,
     {Kind::Command, "Command2", 5280, 4560, 1335, 375, "GO", DefaultButton, kGoFace},
     flow::go},
    {&Open_query::Command3, {Kind::Command, "Command3", 6960, 4560, 1335, 375, "Skip"}, flow::skip},
};

}  // namespace

Open_query::Open_query(Screens& screens)
    : Form(screens, FormId::Open_query, QStringLiteral("Open_query"),
           QStringLiteral("Open Query")) {
    setFormColour(QColor(128, 255, 255));
    setUsesBackground(true);
    buildControls<Open_query>(*this, kControls);
    Label1->setAutoFillBackground(true);

    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text1);
    setTabOrder(Text1, Command3);
    // The frequency is what the user comes to type, and Enter then presses GO.
    Text1->setFocus();
}

void Open_query::formLoad() {
    guarded([this] { flow::startScreenLoad(screens()); });
}

QString Open_query::frequencyText() const { return Text1->text(); }
void Open_query::clearFrequency() { Text1->clear(); }

void Open_query::frameClose() {
    guarded([this] { flow::endFromStartScreen(screens()); });
}

void Open_query::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // A focused button takes Enter itself; elsewhere Enter presses the default, GO.
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        (focused ? focused : Command2)->click();
        event->accept();
        return;
    }
    Form::keyPressEvent(event);
}

void Open_query::showEvent(QShowEvent* event) {
    Form::showEvent(event);
    if (!Text1->hasFocus()) Text1->setFocus();
}

}  // namespace hopscale
