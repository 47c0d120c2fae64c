// A screen manager over a fresh data directory holding one calculated path, for the tests of
// the link performance and path profile windows.
#pragma once

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app_state.h"
#include "design_inputs.h"
#include "example_paths.h"
#include "path_run.h"
#include "screens.h"

namespace hopscale::testing {

// A flat 20 km profile at sea level with one 40 m knife edge at mid-path, "ridge".
inline const char* kKnifeEdgeCsv =
    "distance_km,elevation_m,label\n"
    "0,0,From\n"
    "5,0,\n"
    "10,40,ridge\n"
    "15,0,\n"
    "20,0,To\n";

struct LinkFixture {
    std::unique_ptr<QTemporaryDir> dir = std::make_unique<QTemporaryDir>();
    AppState state;
    std::unique_ptr<Screens> screens;

    LinkFixture() { start(); }

    // A new manager over the same data directory, as after a restart.
    void start() {
        screens.reset();
        state = AppState{};
        state.dataDir = dir->path().toStdString();
        const RunOutcome run = runPath(examples::kmWattsPath(), state.path);
        QVERIFY2(run.ok(), run.error ? run.error->message().c_str() : "");
        screens = std::make_unique<Screens>(state);
        screens->setQuietErrors(true);
        // The design's budget is the calculated path, as CONTINUE leaves it.
        design::takeInputScreen(screens->design(), examples::kmWattsPath(), state.dataDir);
    }

    QString file(const QString& name) const { return dir->filePath(name); }
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile f(file(name));
        if (!f.open(QIODevice::WriteOnly)) return {};
        f.write(bytes);
        return f.fileName();
    }
};

// The text of a PDF, or a null string when pdftotext is missing.
inline QString pdfText(const QString& pdf) {
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) return {};
    QProcess extract;
    extract.start(pdftotext, {pdf, "-"});
    extract.waitForFinished(20000);
    return QString::fromUtf8(extract.readAllStandardOutput());
}

}  // namespace hopscale::testing
