#include "screens.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

#include "disp.h"
#include "form.h"
#include "guide.h"
#include "open_query.h"
#include "path_info.h"
#include "results.h"

namespace hopscale {

Screens::Screens(AppState& state) : state_(state) {}

Screens::~Screens() {
    // The windows kept as children (the link window) go first, while the design they work
    // on is still here.
    const QObjectList kept = children();
    qDeleteAll(kept);
    // Forms are top-level widgets without a parent: they go with their manager.
    delete disp_.data();
    delete results_.data();
    delete pathInfo_.data();
    delete guide_.data();
    delete openQuery_.data();
}

template <class T>
T& Screens::slot(QPointer<T>& ptr) {
    if (ptr) return *ptr;
    T* form = new T(*this);
    ptr = form;  // registered before its load, so the load can refer to its own form
    form->formLoad();
    // A load may close its own form again (the flow allows it); the object itself lives
    // until the event loop deletes it, so the reference stays valid for the caller.
    return *form;
}

Open_query& Screens::openQuery() { return slot(openQuery_); }
Guide& Screens::guide() { return slot(guide_); }
Path_Info& Screens::pathInfo() { return slot(pathInfo_); }
Results& Screens::results() { return slot(results_); }
disp& Screens::dataSheet() { return slot(disp_); }

bool Screens::exists(FormId id) const { return widget(id) != nullptr; }

QWidget* Screens::widget(FormId id) const {
    switch (id) {
        case FormId::Open_query:
            return openQuery_.data();
        case FormId::Guide:
            return guide_.data();
        case FormId::Path_Info:
            return pathInfo_.data();
        case FormId::Results:
            return results_.data();
        case FormId::disp:
            return disp_.data();
    }
    return nullptr;
}

namespace {
// Creates the form when it does not exist (a reference creates) and returns it.
QWidget* reference(Screens& screens, FormId id) {
    switch (id) {
        case FormId::Open_query:
            return &screens.openQuery();
        case FormId::Guide:
            return &screens.guide();
        case FormId::Path_Info:
            return &screens.pathInfo();
        case FormId::Results:
            return &screens.results();
        case FormId::disp:
            return &screens.dataSheet();
    }
    return nullptr;
}
}  // namespace

void Screens::show(FormId id) {
    if (ended_) return;
    QWidget* form = reference(*this, id);
    if (ended_ || !form) return;  // the load may have ended the program
    form->showMaximized();
    form->raise();
    form->activateWindow();
}

void Screens::hide(FormId id) {
    if (ended_) return;
    if (QWidget* form = reference(*this, id)) form->hide();
}

void Screens::close(FormId id) {
    QWidget* form = nullptr;
    switch (id) {
        case FormId::Open_query:
            form = openQuery_.data();
            openQuery_ = nullptr;
            break;
        case FormId::Guide:
            form = guide_.data();
            guide_ = nullptr;
            break;
        case FormId::Path_Info:
            form = pathInfo_.data();
            pathInfo_ = nullptr;
            break;
        case FormId::Results:
            form = results_.data();
            results_ = nullptr;
            break;
        case FormId::disp:
            form = disp_.data();
            disp_ = nullptr;
            break;
    }
    if (!form) return;
    form->hide();
    // A handler of the form may still be running (Another closes its own screen and carries
    // on), so the object is deleted once control returns to the event loop.
    form->deleteLater();
}

void Screens::repaint(FormId id) {
    if (ended_) return;
    if (QWidget* form = reference(*this, id)) form->update();
}

void Screens::endProgram() {
    if (ended_) return;
    ended_ = true;
    for (FormId id :
         {FormId::disp, FormId::Results, FormId::Path_Info, FormId::Guide, FormId::Open_query})
        close(id);
    emit programEnded();
}

void Screens::reportError(const Error& error, QWidget* parent) {
    reportError(QString::fromStdString(error.message()), parent);
}

void Screens::reportError(const QString& message, QWidget* parent) {
    reported_.append(message);
    if (quietErrors_) return;
    QMessageBox::critical(parent ? parent : QApplication::activeWindow(),
                          QStringLiteral("Hopscale"), message);
}

SaveFailureChoice Screens::askAfterFailedSave(const Error& error) {
    const QString message = QStringLiteral("The inputs could not be saved. %1")
                                .arg(QString::fromStdString(error.message()));
    reported_.append(message);
    if (quietErrors_)
        return saveAnswers_.isEmpty() ? SaveFailureChoice::BackToResults : saveAnswers_.takeFirst();
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Hopscale"), message,
                    QMessageBox::NoButton, widget(FormId::Results));
    QPushButton* again = box.addButton(QStringLiteral("Try again"), QMessageBox::AcceptRole);
    QPushButton* end =
        box.addButton(QStringLiteral("End without saving"), QMessageBox::DestructiveRole);
    QPushButton* back =
        box.addButton(QStringLiteral("Back to the results"), QMessageBox::RejectRole);
    box.setDefaultButton(again);
    box.setEscapeButton(back);
    box.exec();
    if (box.clickedButton() == again) return SaveFailureChoice::TryAgain;
    if (box.clickedButton() == end) return SaveFailureChoice::EndWithoutSaving;
    return SaveFailureChoice::BackToResults;
}

void Screens::replaceDesign(design::LinkDesign replacement) {
    design_ = std::move(replacement);
    emit designChanged();
}

QStringList Screens::takeReportedErrors() {
    QStringList taken;
    taken.swap(reported_);
    return taken;
}

}  // namespace hopscale
