#include "open_query.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <exception>

#include "data_dir.h"
#include "guide.h"
#include "path_info.h"
#include "saved_inputs.h"

namespace hopscale {

namespace {

const QColor kFormColour(128, 255, 255);
const QColor kInstructionBackground(255, 255, 0);
const QColor kEndFace(255, 0, 0);
const QColor kGoFace(0, 192, 192);

}  // namespace

Open_query::Open_query(Screens& screens)
    : Form(screens, FormId::Open_query, QStringLiteral("Open_query"), QStringLiteral("Open Query")) {
    setFormColour(kFormColour);
    setUsesBackground(true);

    Label4 = addLabel("Label4", 2880, 1440, 6375, 375, "MICROWAVE PATH ESTIMATOR");
    Label4->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    setTextColour(Label4, Qt::white);
    setBold(Label4);
    setPointSize(Label4, 13.5);

    Label1 = addLabel("Label1", 4320, 2040, 3375, 855,
                      "If you would like the program to select the waveguide and attenuation "
                      "based on frequency, enter freq. in GHz below, else leave blank and goto "
                      "'skip'.");
    {
        QPalette palette = Label1->palette();
        palette.setColor(QPalette::Window, kInstructionBackground);
        palette.setColor(QPalette::WindowText, Qt::black);
        Label1->setPalette(palette);
        Label1->setAutoFillBackground(true);
    }

    Text1 = addTextBox("Text1", 5400, 3120, 1215, 285, "");
    Command1 = addCommand("Command1", 3600, 4560, 1335, 375, "End", kEndFace);
    Command2 = addCommand("Command2", 5280, 4560, 1335, 375, "GO", kGoFace);
    Command3 = addCommand("Command3", 6960, 4560, 1335, 375, "Skip");
    Command2->setDefault(true);  // drawn as the default; Enter is handled by keyPressEvent

    connect(Command1, &QPushButton::clicked, this, &Open_query::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Open_query::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Open_query::Command3_Click);

    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Text1);
    setTabOrder(Text1, Command3);
    // The frequency is what the user comes to type, and Enter then presses GO.
    Text1->setFocus();

    fitToLayout();
}

void Open_query::formLoad() {
    screens().guarded(this, [this] {
        Screens& s = screens();
        // The offer reads the catalogue; the guide it would fill is closed at the end of this
        // load before the user could see it, so it is neither built nor shown here.
        offerLineTypesQuietly(s, this);
        if (s.ended()) return;
        loadSavedInputsIntoInputScreen(s, this);
        if (s.ended()) return;
        Text1->clear();
        s.close(FormId::Guide);
    });
}

void offerLineTypesQuietly(Screens& screens, QWidget* parent) {
    offerLineTypesInGuide(screens, /*fromLoad=*/true, parent, /*showGuide=*/false,
                          /*fillGuide=*/false);
}

void loadSavedInputsIntoInputScreen(Screens& screens, QWidget* parent) {
    AppState& app = screens.state();
    // Read first: only a stored record makes the input screen exist.
    PathInputs stored;
    std::int16_t dbm = app.path.captured.dbmSelected;
    std::int16_t watts = app.path.captured.wattsSelected;
    const Result<bool> read =
        loadSavedInputs(app.dataDir / kSavedInputsFileName, stored, dbm, watts);
    if (!read.ok()) {
        screens.reportError(*read.error, parent);
        return;
    }
    if (!*read) return;
    // Creating the input screen runs its load, which loads the same record into it; the
    // fields are then written once more from the record, as the file is read twice.
    Path_Info& input = screens.pathInfo();
    if (screens.ended()) return;
    PathInputs current = input.inputs();
    std::int16_t dbm2 = app.path.captured.dbmSelected;
    std::int16_t watts2 = app.path.captured.wattsSelected;
    const Result<bool> again =
        loadSavedInputs(app.dataDir / kSavedInputsFileName, current, dbm2, watts2);
    if (!again.ok()) {
        screens.reportError(*again.error, parent);
        return;
    }
    if (!*again) return;
    for (std::size_t i = 0; i < kFieldCount; ++i)
        input.field(static_cast<Field>(i))->setText(QString::fromStdString(current.texts[i]));
    input.Check1->setChecked(!current.km);
    input.Check2->setChecked(current.km);
    app.path.captured.dbmSelected = dbm2;
    app.path.captured.wattsSelected = watts2;
    if (dbm2 == 1) input.Option2->setChecked(true);
    if (watts2 == 1) input.Option3->setChecked(true);
}

void Open_query::Command1_Click() {
    screens().close(FormId::Open_query);
    screens().endProgram();
}

void Open_query::Command2_Click() {
    screens().guarded(this, [this] {
        state().guideSkipped = 0;
        offerLineTypesInGuide(screens(), /*fromLoad=*/false, this);
    });
}

void Open_query::Command3_Click() {
    screens().guarded(this, [this] {
        Screens& s = screens();
        Path_Info& input = s.pathInfo();
        if (s.ended()) return;
        input.Line2->hide();
        input.Line18->hide();
        input.Text13->hide();
        input.Text14->hide();
        state().guideSkipped = 1;
        s.show(FormId::Path_Info);
        s.close(FormId::Open_query);
    });
}

void Open_query::frameClose() { Command1_Click(); }

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
