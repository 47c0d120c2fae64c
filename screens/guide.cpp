#include "guide.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "catalogue.h"
#include "conversions.h"
#include "flow.h"
#include "open_query.h"

namespace hopscale {

namespace {

constexpr Rgb kYellow{255, 255, 0};
using Row = ControlRow<Guide>;
const Row kControls[] = {
    {&Guide::Label1,
     {Kind::Label, "Label1", 3000, 1320, 3255, 1095,
      "The program has selected  the waveguide and it's parameters  below.  If you do not "
      "wish to use this guide then click on 'CANCEL' which will send you to the main screen "
      "else click on \"CONTINUE'."}},
    {&Guide::Check1,
     {Kind::WrappingCheckBox, "Check1", 6720, 1440, 2055, 615,
      "I will use a different waveguide/coax for receiving."}},
    {&Guide::Label5, {Kind::Label, "Label5", 4440, 2400, 1095, 255, "Transmit", Bold}},
    {&Guide::Label6, {Kind::Label, "Label6", 6120, 2400, 1095, 255, "Receive", Bold}},
    {&Guide::Label2,
     {Kind::Label, "Label2", 2520, 2640, 1335, 615, "Click on Waveguide/coax type:"}},
    {&Guide::List1, {Kind::List, "List1", 4320, 2640, 1335, 1230, ""}},
    {&Guide::List2, {Kind::List, "List2", 6120, 2640, 1335, 1230, "", Hidden}},
    {&Guide::Text2, {Kind::TextBox, "Text2", 6120, 2640, 1335, 375, "Same as transmit."}},
    {&Guide::Label3,
     {Kind::Label, "Label3", 8280, 2640, 1815, 615,
      "Listed cable and waveguides are products of Andrew Corporation."}},
    {&Guide::Label7,
     {Kind::Label, "Label7", 8280, 3240, 1815, 375, "Please contact Andrew Corporation at:"}},
    {&Guide::Label8, {Kind::Label, "Label8", 8280, 3600, 1815, 495, "www.andrew.com"}},
    {&Guide::Label4,
     {Kind::Label, "Label4", 2520, 4320, 1695, 615,
      "Attenuation per 100 ft. in db at specified frequency."}},
    {&Guide::Text3, {Kind::TextBox, "Text3", 4320, 4320, 1335, 285, ""}},
    {&Guide::Text1, {Kind::TextBox, "Text1", 6120, 4320, 1335, 285, "", Hidden}},
    {&Guide::Command1,
     {Kind::Command, "Command1", 4800, 5520, 975, 375, "Continue"},
     flow::guideContinue},
    {&Guide::Command2,
     {Kind::Command, "Command2", 6480, 5520, 975, 375, "Cancel"},
     flow::guideCancel},
    {&Guide::Command3,
     {Kind::Command, "Command3", 8160, 5520, 975, 375, "END"},
     flow::endWithoutSaving},
    // Not of the design: the warning of Continue, on one line under the commands.
    {&Guide::notice,
     {Kind::Label, "notice", 2520, 6000, 7575, 255, "", Bold | Hidden | SingleLine, kNoColour,
      kYellow}},
};

}  // namespace

Guide::Guide(Screens& screens)
    : Form(screens, FormId::Guide, QStringLiteral("Guide"), QStringLiteral("Guide Select")) {
    setUsesBackground(true);
    // White captions, as on the other screens over the same dark picture.
    setCaptionColour(Qt::white);
    buildControls<Guide>(*this, kControls);
    // "Same as transmit." stands whole in its box.
    setValueText(Text2, Text2->text());

    // Inserting names must not run the list handlers; a click or a keyboard move does.
    connectList(List1, &Guide::List1_Click);
    connectList(List2, &Guide::List2_Click);
    connect(Check1, &QCheckBox::stateChanged, this, &Guide::Check1_Click);
}

void Guide::connectList(QListWidget* list, void (Guide::*handler)()) {
    // A change of the current row (mouse or keyboard) runs the handler; so does a click on
    // the entry that was already current, which changes no row.
    connect(list, &QListWidget::currentRowChanged, this, [this, handler](int row) {
        if (!inserting_ && row >= 0) (this->*handler)();
    });
    connect(list, &QListWidget::itemClicked, this, [this, list, handler](QListWidgetItem* item) {
        if (!inserting_ && item && list->row(item) == rowBeforePress_) (this->*handler)();
    });
    list->viewport()->installEventFilter(this);
}

bool Guide::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == List1->viewport()) rowBeforePress_ = List1->currentRow();
        if (watched == List2->viewport()) rowBeforePress_ = List2->currentRow();
    }
    return Form::eventFilter(watched, event);
}

void Guide::insertOffered(const std::vector<std::string>& names) {
    inserting_ = true;
    List1->clear();
    List2->clear();
    int position = 0;
    for (const std::string& name : names) {
        const QString text = QString::fromStdString(name);
        List1->insertItem(position, text);
        List2->insertItem(position, text);
        List1->item(position)->setToolTip(text);
        List2->item(position)->setToolTip(text);
        ++position;
    }
    // No entry is chosen until the user chooses one.
    List1->setCurrentRow(-1);
    List2->setCurrentRow(-1);
    inserting_ = false;
}

bool Guide::separateReceiveLine() const { return Check1->isChecked(); }
bool Guide::showsTransmitAttenuation() const { return !Text3->text().isEmpty(); }

void Guide::showNotice(const QString& text) {
    notice->setText(text);
    notice->setToolTip(text);
    notice->setVisible(!text.isEmpty());
}

void Guide::lookUp(bool transmit) {
    AppState& app = state();
    QListWidget* list = transmit ? List1 : List2;
    QListWidgetItem* item = list->currentItem();
    std::string& selected = transmit ? app.selectedTxLineType : app.selectedRxLineType;
    selected = item ? item->text().toStdString() : std::string();
    const std::string frequency = screens().openQuery().frequencyText().toStdString();
    const Result<float> found =
        transmit ? lookupTxAttenuation(app.dataDir, selected, frequency, app.txTable)
                 : lookupRxAttenuation(app.dataDir, selected, frequency, app.rxTable);
    if (!found.ok()) {
        // The earlier value stays, in the variable and on view.
        screens().reportError(*found.error, this);
        return;
    }
    (transmit ? app.txAttenuation : app.rxAttenuation) = *found;
    // Trimmed from a named copy: trimming the temporary in place read a garbage string in
    // the sanitizer build (g++ 12, Qt 6.4).
    const QString lookedUpAt = QString::fromStdString(frequency).trimmed();
    (transmit ? app.txLookedUp : app.rxLookedUp) = {selected, lookedUpAt.toStdString()};
    (transmit ? Text3 : Text1)->setText(QString::fromStdString(singleToText(*found)));
}

void Guide::List1_Click() {
    guarded([this] { lookUp(true); });
}
void Guide::List2_Click() {
    guarded([this] { lookUp(false); });
}

void Guide::Check1_Click() {
    guarded([this] {
        // Each step reads the box afresh.
        if (!Check1->isChecked()) List2->hide();
        if (Check1->isChecked()) List2->show();
        if (!Check1->isChecked()) Text1->hide();
        if (Check1->isChecked()) Text1->show();
        if (!Check1->isChecked()) Text2->show();
        if (Check1->isChecked()) Text2->hide();
    });
}

void Guide::frameClose() {
    guarded([this] { flow::guideFrameClose(screens()); });
}

}  // namespace hopscale
