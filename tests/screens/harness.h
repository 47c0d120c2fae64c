// A running set of windows over a fresh, empty data directory, for the form tests.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app_state.h"
#include "disp.h"
#include "path_info.h"
#include "results.h"
#include "screens.h"

namespace hopscale::testing {

struct Harness {
    QTemporaryDir dir;
    AppState state;
    std::unique_ptr<Screens> screens;

    Harness() {
        state.dataDir = dir.path().toStdString();
        screens = std::make_unique<Screens>(state);
        screens->setQuietErrors(true);
    }

    Path_Info& input() { return screens->pathInfo(); }
    Results& results() { return screens->results(); }
    disp& sheet() { return screens->dataSheet(); }

    // Field texts by control name, then CONTINUE.
    void enter(std::initializer_list<std::pair<const char*, const char*>> texts) {
        for (const auto& [name, text] : texts) {
            auto* box = input().findChild<QLineEdit*>(name);
            QVERIFY2(box, name);
            box->setText(QString::fromUtf8(text));
        }
    }
    void pressContinue() {
        Path_Info& form = input();
        screens->takeReportedErrors();  // the missing catalogue of the load is not the point
        form.Command1->click();
    }
    // Runs the deferred deletions of closed forms.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

// The text of a named text box of `form`.
inline QString textOf(QWidget& form, const char* name) {
    auto* box = form.findChild<QLineEdit*>(name);
    return box ? box->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

// Whether the named child of `form` is shown (not hidden) on its form.
inline bool shownOn(QWidget& form, const char* name) {
    auto* child = form.findChild<QWidget*>(name);
    return child && !child->isHidden();
}

}  // namespace hopscale::testing
