#include "guide.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

#include <exception>

#include "catalogue.h"
#include "conversions.h"
#include "data_dir.h"
#include "disp.h"
#include "open_query.h"
#include "path_info.h"
#include "results.h"

namespace hopscale {

namespace {

const char* const kIndexReportedProperty = "hopscaleIndexReported";

// A check box whose caption wraps onto several lines inside the box's own rectangle, as the
// guide's narrow, tall check box needs.
class WrappingCheckBox : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        const QRect indicator = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, this);
        QStyleOptionButton box = option;
        box.rect = QRect(indicator.left(), (height() - indicator.height()) / 2, indicator.width(),
                         indicator.height());
        style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, &painter, this);
        const int textLeft = indicator.right() + 5;
        painter.setPen(palette().color(QPalette::WindowText));
        painter.drawText(QRect(textLeft, 0, width() - textLeft, height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, text());
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = rect();
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }
    bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

}  // namespace

QString lossFieldText(float attenuationDbPer100Ft) {
    return QString::fromStdString(signedSingleToText(attenuationDbPer100Ft));
}

Guide::Guide(Screens& screens)
    : Form(screens, FormId::Guide, QStringLiteral("Guide"), QStringLiteral("Guide Select")) {
    setUsesBackground(true);

    Label1 = addLabel("Label1", 3000, 1320, 3255, 1095,
                      "The program has selected  the waveguide and it's parameters  below.  If "
                      "you do not wish to use this guide then click on 'CANCEL' which will send "
                      "you to the main screen else click on \"CONTINUE'.");
    Check1 = new WrappingCheckBox("I will use a different waveguide/coax for receiving.", this);
    Check1->setObjectName("Check1");
    Check1->setGeometry(twipsRect(6720, 1440, 2055, 615));
    Label5 = addLabel("Label5", 4440, 2400, 1095, 255, "Transmit");
    Label6 = addLabel("Label6", 6120, 2400, 1095, 255, "Receive");
    Label2 = addLabel("Label2", 2520, 2640, 1335, 615, "Click on Waveguide/coax type:");

    List1 = new QListWidget(this);
    List1->setObjectName("List1");
    List1->setGeometry(twipsRect(4320, 2640, 1335, 1230));
    List2 = new QListWidget(this);
    List2->setObjectName("List2");
    List2->setGeometry(twipsRect(6120, 2640, 1335, 1230));
    List2->hide();

    Text2 = addTextBox("Text2", 6120, 2640, 1335, 375, "Same as transmit.");
    Label3 = addLabel("Label3", 8280, 2640, 1815, 615,
                      "Listed cable and waveguides are products of Andrew Corporation.");
    Label7 = addLabel("Label7", 8280, 3240, 1815, 375, "Please contact Andrew Corporation at:");
    Label8 = addLabel("Label8", 8280, 3600, 1815, 495, "www.andrew.com");
    Label4 = addLabel("Label4", 2520, 4320, 1695, 615,
                      "Attenuation per 100 ft. in db at specified frequency.");
    Text3 = addTextBox("Text3", 4320, 4320, 1335, 285, "");
    Text1 = addTextBox("Text1", 6120, 4320, 1335, 285, "");
    Text1->hide();
    Command1 = addCommand("Command1", 4800, 5520, 975, 375, "Continue");
    Command2 = addCommand("Command2", 6480, 5520, 975, 375, "Cancel");
    Command3 = addCommand("Command3", 8160, 5520, 975, 375, "END");

    // The captions stand on the light grey picture in the default black; only the list
    // headings are bold, as the other captions fill their boxes.
    setBold(Label5);
    setBold(Label6);
    // The longer captions need a slightly smaller face to fit their boxes with this font.
    for (QLabel* label : {Label1, Label7, Label4}) setPointSize(label, 7.5);
    setPointSize(Label3, 7);
    // Long names are cut at the list's edge rather than scrolled; the tip shows them whole.
    for (QListWidget* list : {List1, List2})
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // Inserting names must not run the list handlers; a click or a keyboard move does.
    connectList(List1, &Guide::List1_Click);
    connectList(List2, &Guide::List2_Click);
    connect(Check1, &QCheckBox::stateChanged, this, &Guide::Check1_Click);
    connect(Command1, &QPushButton::clicked, this, &Guide::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Guide::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Guide::Command3_Click);

    fitToLayout();
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

void Guide::List1_Click() {
    screens().guarded(this, [this] {
        AppState& app = state();
        QListWidgetItem* item = List1->currentItem();
        app.selectedTxLineType = item ? item->text().toStdString() : std::string();
        const std::string frequency = screens().openQuery().Text1->text().toStdString();
        const Result<float> found =
            lookupTxAttenuation(app.dataDir, app.selectedTxLineType, frequency, app.txTable);
        if (!found.ok()) {
            // The earlier value stays, in the variable and on view.
            screens().reportError(*found.error, this);
            return;
        }
        app.txAttenuation = *found;
        Text3->setText(QString::fromStdString(singleToText(app.txAttenuation)));
    });
}

void Guide::List2_Click() {
    screens().guarded(this, [this] {
        AppState& app = state();
        QListWidgetItem* item = List2->currentItem();
        app.selectedRxLineType = item ? item->text().toStdString() : std::string();
        const std::string frequency = screens().openQuery().Text1->text().toStdString();
        const Result<float> found =
            lookupRxAttenuation(app.dataDir, app.selectedRxLineType, frequency, app.rxTable);
        if (!found.ok()) {
            screens().reportError(*found.error, this);
            return;
        }
        app.rxAttenuation = *found;
        Text1->setText(QString::fromStdString(singleToText(app.rxAttenuation)));
    });
}

void Guide::Check1_Click() {
    // Each step reads the box afresh.
    if (!Check1->isChecked()) List2->hide();
    if (Check1->isChecked()) List2->show();
    if (!Check1->isChecked()) Text1->hide();
    if (Check1->isChecked()) Text1->show();
    if (!Check1->isChecked()) Text2->show();
    if (Check1->isChecked()) Text2->hide();
}

namespace {

// The input screen shows the path length as the user typed it: after a CONTINUE with KM
// checked the hidden screen holds the length in miles, which a second CONTINUE would
// convert again.
void restoreTypedPathLength(Screens& screens) {
    if (!screens.exists(FormId::Path_Info) || !screens.exists(FormId::Results)) return;
    Path_Info& input = screens.pathInfo();
    input.Text24->setText(QString::fromStdString(screens.state().path.captured.pathLengthText));
}

}  // namespace

void Guide::Command1_Click() {
    screens().guarded(this, [this] {
        Screens& s = screens();
        AppState& app = state();
        Path_Info& input = s.pathInfo();
        if (s.ended()) return;
        input.Text10->setText(s.openQuery().Text1->text());
        if (s.ended()) return;
        input.Text2->setText(lossFieldText(app.txAttenuation));
        input.Text8->setText(
            lossFieldText(Check1->isChecked() ? app.rxAttenuation : app.txAttenuation));
        input.Text13->setText(QString::fromStdString(app.selectedTxLineType));
        input.Text14->setText(QString::fromStdString(
            Check1->isChecked() ? app.selectedRxLineType : app.selectedTxLineType));

        disp& sheet = s.dataSheet();
        if (s.ended()) return;
        sheet.Text21->setText(QString::fromStdString(app.selectedTxLineType));
        sheet.Text22->setText(QString::fromStdString(app.selectedRxLineType));
        if (Check1->isChecked()) {
            sheet.Label25->show();
            // A sheet that showed one line for both directions gets its two captions back.
            sheet.Label24->show();
            sheet.Text22->show();
            sheet.Label26->hide();
        }
        if (!Check1->isChecked()) {
            sheet.Text22->hide();
            sheet.Label26->show();
            sheet.Label24->hide();
            sheet.Label25->hide();
        }
        app.guideSkipped = 0;
        restoreTypedPathLength(s);
        s.show(FormId::Path_Info);
    });
}

void Guide::Command2_Click() {
    screens().guarded(this, [this] {
        Screens& s = screens();
        s.pathInfo().Text13->hide();
        if (s.ended()) return;
        disp& sheet = s.dataSheet();
        if (s.ended()) return;
        sheet.Label24->hide();
        sheet.Text21->hide();
        sheet.Label25->hide();
        sheet.Text22->hide();
        Path_Info& input = s.pathInfo();
        input.Text14->hide();
        input.Line2->hide();
        input.Line18->hide();
        restoreTypedPathLength(s);
        s.show(FormId::Path_Info);
    });
}

void Guide::Command3_Click() { screens().endProgram(); }

void Guide::frameClose() {
    hide();
    // The program never lingers with only hidden windows.
    for (FormId id : {FormId::Open_query, FormId::Path_Info, FormId::Results, FormId::disp}) {
        QWidget* form = screens().widget(id);
        if (form && form->isVisible()) return;
    }
    screens().endProgram();
}

void offerLineTypesInGuide(Screens& screens, bool fromLoad, QWidget* parent, bool showGuide,
                           bool fillGuide) {
    AppState& app = screens.state();
    const Result<std::vector<std::string>> offered = offerLineTypes(
        app.dataDir / kIndexFileName,
        [&screens] { return screens.openQuery().Text1->text().toStdString(); }, app.catalogue);
    if (screens.ended()) return;
    if (!offered.ok()) {
        const bool missingIndex = offered.error->kind == ErrorKind::FileNotFound;
        const bool alreadyReported = screens.property(kIndexReportedProperty).toBool();
        if (!(fromLoad && missingIndex && alreadyReported)) screens.reportError(*offered.error, parent);
        if (missingIndex) screens.setProperty(kIndexReportedProperty, true);
    }
    if (!fillGuide) return;
    // When nothing could be offered the guide still opens, empty, so that its commands stay
    // at hand.
    screens.guide().insertOffered(offered.ok() ? *offered : std::vector<std::string>());
    if (showGuide) screens.show(FormId::Guide);
}

}  // namespace hopscale
