#include "flow.h"

#include <QListWidget>
#include <optional>

#include "catalogue.h"
#include "conversions.h"
#include "data_dir.h"
#include "design_inputs.h"
#include "disp.h"
#include "guide.h"
#include "link_window.h"
#include "open_query.h"
#include "path_info.h"
#include "path_run.h"
#include "printing.h"
#include "results.h"
#include "saved_inputs.h"
#include "screens.h"

namespace hopscale::flow {

namespace {

const char* const kIndexReportedProperty = "hopscaleIndexReported";

// ---- saved inputs ----

struct SavedRead {
    PathInputs inputs;
    std::int16_t dbm = 1, watts = 0;
};

// The stored record over `base`; nothing when the file holds none or cannot be read (then
// reported, unless the data directory is known to be unusable and was named at start-up).
std::optional<SavedRead> readSaved(Screens& s, const PathInputs& base) {
    AppState& app = s.state();
    if (app.dataDirError) return std::nullopt;
    SavedRead read{base, app.path.captured.dbmSelected, app.path.captured.wattsSelected};
    const Result<bool> found =
        loadSavedInputs(app.dataDir / kSavedInputsFileName, read.inputs, read.dbm, read.watts);
    if (!found.ok()) s.reportError(*found.error);
    if (!found.ok() || !*found) return std::nullopt;
    return read;
}

void showSaved(Screens& s, Path_Info& input, const SavedRead& read) {
    s.state().path.captured.dbmSelected = read.dbm;
    s.state().path.captured.wattsSelected = read.watts;
    input.showSavedInputs(read.inputs, read.dbm, read.watts);
}

// The start screen's load: only a stored record makes the input screen exist. Creating it
// runs its load, which loads the same record into it; the fields are then written once more
// from the record, as the file is read twice.
void loadSavedInputsIntoInputScreen(Screens& s) {
    if (!readSaved(s, PathInputs())) return;
    Path_Info& input = s.pathInfo();
    if (s.ended()) return;
    if (const std::optional<SavedRead> again = readSaved(s, input.inputs()))
        showSaved(s, input, *again);
}

// Saves the inputs of the input screen; the error when the file could not be written.
std::optional<Error> saveCurrentInputs(Screens& s) {
    AppState& app = s.state();
    const CapturedValues& c = app.path.captured;
    return saveInputs(app.dataDir / kSavedInputsFileName, s.pathInfo().inputs(), c.pathLengthText,
                      c.dbmSelected, c.wattsSelected);
}

// Another and Data Form with Print carry on after a failed save; the message names it.
void saveReportingFailure(Screens& s) {
    if (const std::optional<Error> failed = saveCurrentInputs(s)) s.reportError(*failed);
}

// ---- the guide's Continue ----

// The input screen shows the path length as the user typed it: after a CONTINUE with KM
// checked the hidden screen holds the length in miles, which a second CONTINUE would
// convert again.
void restoreTypedPathLength(Screens& s) {
    if (!s.exists(FormId::Path_Info) || !s.exists(FormId::Results)) return;
    s.pathInfo().showPathLength(QString::fromStdString(s.state().path.captured.pathLengthText));
}

// What one side of Continue writes, when that is not a fresh lookup of the chosen line at
// the frequency of now; empty when it is.
QString sideNotice(const char* side, QListWidget* list, const LookedUp& held, float loss,
                   const QString& frequency) {
    const QString value = QString::fromStdString(singleToText(loss));
    const QString earlier = QStringLiteral("%1 (looked up for %2 at %3 GHz)")
                                .arg(value, QString::fromStdString(held.lineType),
                                     QString::fromStdString(held.frequency));
    if (!list->currentItem()) {
        return held.lineType.empty()
                   ? QStringLiteral("no %1 line chosen: the loss fields will get 0").arg(side)
                   : QStringLiteral("no %1 line chosen: the loss fields will get %2")
                         .arg(side, earlier);
    }
    if (list->currentItem()->text().toStdString() == held.lineType &&
        frequency.trimmed().toStdString() == held.frequency)
        return {};
    return QStringLiteral("the %1 loss is %2, not for %3 at %4 GHz")
        .arg(side, earlier, list->currentItem()->text(), frequency.trimmed());
}

QString continueNotice(Screens& s, Guide& guide, const QString& frequency) {
    const AppState& app = s.state();
    QStringList parts;
    if (QString tx =
            sideNotice("transmit", guide.List1, app.txLookedUp, app.txAttenuation, frequency);
        !tx.isEmpty())
        parts << tx;
    if (!guide.separateReceiveLine()) return parts.join(QStringLiteral("; "));
    if (QString rx =
            sideNotice("receive", guide.List2, app.rxLookedUp, app.rxAttenuation, frequency);
        !rx.isEmpty())
        parts << rx;
    return parts.join(QStringLiteral("; "));
}

}  // namespace

// ---- the offer of line types ----

void offerLineTypes(Screens& s, bool fromLoad, bool showGuide) {
    AppState& app = s.state();
    std::vector<std::string> names;
    if (!app.dataDirError) {
        const Result<std::vector<std::string>> offered = hopscale::offerLineTypes(
            app.dataDir / kIndexFileName,
            [&s] { return s.openQuery().frequencyText().toStdString(); }, app.catalogue);
        if (s.ended()) return;
        if (!offered.ok()) {
            const bool missingIndex = offered.error->kind == ErrorKind::FileNotFound;
            const bool alreadyReported = s.property(kIndexReportedProperty).toBool();
            if (!(fromLoad && missingIndex && alreadyReported)) s.reportError(*offered.error);
            if (missingIndex) s.setProperty(kIndexReportedProperty, true);
        }
        if (offered.ok()) names = *offered;
    }
    if (!showGuide) return;
    // When nothing could be offered the guide still opens, empty, so that its commands stay
    // at hand.
    s.guide().insertOffered(names);
    s.show(FormId::Guide);
}

// ---- the transitions, in the order of the flow table ----

void startScreenLoad(Screens& s) {
    // The offer reads the catalogue; the guide it would fill is closed at the end of this
    // load before the user could see it, so it is neither built nor shown here.
    offerLineTypes(s, /*fromLoad=*/true, /*showGuide=*/false);
    if (s.ended()) return;
    loadSavedInputsIntoInputScreen(s);
    if (s.ended()) return;
    s.openQuery().clearFrequency();
    s.close(FormId::Guide);
}

void endFromStartScreen(Screens& s) {
    s.close(FormId::Open_query);
    s.endProgram();
}

void go(Screens& s) {
    s.state().guideSkipped = 0;
    offerLineTypes(s, /*fromLoad=*/false, /*showGuide=*/true);
}

void skip(Screens& s) {
    Path_Info& input = s.pathInfo();
    if (s.ended()) return;
    input.hideLineTypeBoxes();
    s.state().guideSkipped = 1;
    s.show(FormId::Path_Info);
    s.close(FormId::Open_query);
}

void guideContinue(Screens& s) {
    AppState& app = s.state();
    Guide& guide = s.guide();
    Path_Info& input = s.pathInfo();
    if (s.ended()) return;
    const QString frequency = s.openQuery().frequencyText();
    if (s.ended()) return;
    guide.showNotice(continueNotice(s, guide, frequency));
    const bool separate = guide.separateReceiveLine();
    const QString tx = QString::fromStdString(app.selectedTxLineType);
    const QString rx = QString::fromStdString(app.selectedRxLineType);
    input.takeGuideChoice(frequency, app.txAttenuation,
                          separate ? app.rxAttenuation : app.txAttenuation, tx, separate ? rx : tx);
    disp& sheet = s.dataSheet();
    if (s.ended()) return;
    sheet.showLineTypes(tx, rx, separate);
    app.guideSkipped = 0;
    restoreTypedPathLength(s);
    s.show(FormId::Path_Info);
}

void guideCancel(Screens& s) {
    s.guide().showNotice({});
    Path_Info& input = s.pathInfo();
    if (s.ended()) return;
    disp& sheet = s.dataSheet();
    if (s.ended()) return;
    sheet.hideLineTypes();
    input.hideLineTypeBoxes();
    restoreTypedPathLength(s);
    s.show(FormId::Path_Info);
}

void endWithoutSaving(Screens& s) { s.endProgram(); }

void inputScreenLoad(Screens& s) {
    Path_Info& input = s.pathInfo();  // this load's own screen, already registered
    if (const std::optional<SavedRead> read = readSaved(s, input.inputs()))
        showSaved(s, input, *read);
    if (s.ended()) return;
    // One shared offer: a missing catalogue index already reported at start-up is not
    // reported again here, and a failed offer still leaves the guide open and empty.
    offerLineTypes(s, /*fromLoad=*/true, /*showGuide=*/true);
    if (s.ended()) return;
    input.clearTransmitLineName();
}

void continueToResults(Screens& s) {
    AppState& app = s.state();
    Path_Info& input = s.pathInfo();
    const PathInputs typed = input.inputs();
    const RunOutcome outcome = runPath(typed, app.path);
    if (!outcome.ok()) {
        // Nothing the user typed changes and no result is shown; the message names the
        // field, and the keyboard focus goes to it.
        s.reportError(*outcome.error, &input);
        if (outcome.error->field) input.focusField(*outcome.error->field);
        return;
    }
    s.dataSheet().showCoordinates(app.path.captured);
    input.showPathLength(QString::fromStdString(outcome.pathLengthField));
    if (app.guideSkipped == 1) s.dataSheet().hideLineTypeBlock();
    // A results screen that still exists (the guide can show this screen again) is written
    // afresh, so that no window keeps the results of an earlier calculation.
    if (s.exists(FormId::Results)) s.results().refill();
    s.show(FormId::Results);
    s.hide(FormId::Path_Info);
    // The design's From-to-To budget is the hop just calculated; open windows follow it.
    design::takeInputScreen(s.design(), typed, app.dataDir);
    s.designEdited();
}

void endWithSave(Screens& s) {
    while (const std::optional<Error> failed = saveCurrentInputs(s)) {
        const SaveFailureChoice choice = s.askAfterFailedSave(*failed);
        if (choice == SaveFailureChoice::BackToResults) return;
        if (choice == SaveFailureChoice::EndWithoutSaving) break;
    }
    s.endProgram();
}

void another(Screens& s) {
    saveReportingFailure(s);
    s.close(FormId::Guide);
    s.close(FormId::Open_query);
    s.close(FormId::Path_Info);
    s.close(FormId::Results);
    // The rest runs although the results screen is closed: the input screen comes back
    // filled from the file just saved, and the start screen is shown.
    s.repaint(FormId::Path_Info);
    s.close(FormId::disp);
    s.repaint(FormId::Guide);
    s.repaint(FormId::Open_query);
    s.show(FormId::Open_query);
}

void dataFormWithPrint(Screens& s) {
    saveReportingFailure(s);
    s.show(FormId::disp);
    s.hide(FormId::Path_Info);
}

void linkPerformance(Screens& s) { openLinkPerformance(s, s.pathInfo().pathName()); }

void returnToResults(Screens& s) {
    s.hide(FormId::disp);
    s.repaint(FormId::Results);
    s.show(FormId::Results);
}

void printDataSheet(Screens& s) {
    disp& sheet = s.dataSheet();
    const QString name = s.exists(FormId::Path_Info) ? s.pathInfo().pathName() : sheet.pathName();
    if (const std::optional<QString> failed = printWindow(sheet, name))
        s.reportError(*failed, &sheet);
}

void guideFrameClose(Screens& s) {
    s.guide().hide();
    // The program never lingers with only hidden windows.
    for (FormId id : {FormId::Open_query, FormId::Path_Info, FormId::Results, FormId::disp}) {
        QWidget* form = s.widget(id);
        if (form && form->isVisible()) return;
    }
    s.endProgram();
}

}  // namespace hopscale::flow
