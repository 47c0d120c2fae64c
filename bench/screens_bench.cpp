// Time from CONTINUE on the input screen to the results screen being shown and painted.
// Runs without a display unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdlib>

#include "app_state.h"
#include "path_info.h"
#include "results.h"
#include "screens.h"

using namespace hopscale;

namespace {

struct Session {
    QTemporaryDir dir;
    AppState state;
    Screens screens{state};
    Session() {
        state.dataDir = dir.path().toStdString();
        screens.setQuietErrors(true);
    }
    void settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
};

// The usual case: the results screen and the data sheet are created by this CONTINUE.
void BM_ContinueToNewResultsScreen(benchmark::State& bench) {
    Session s;
    for (auto _ : bench) {
        bench.PauseTiming();
        s.screens.close(FormId::Results);
        s.screens.close(FormId::disp);
        s.screens.show(FormId::Path_Info);
        s.settle();
        QPushButton* go = s.screens.pathInfo().Command1;
        bench.ResumeTiming();

        go->click();
        QApplication::processEvents();  // the results window is exposed and painted
    }
    if (!s.screens.exists(FormId::Results)) bench.SkipWithError("no results screen");
}
BENCHMARK(BM_ContinueToNewResultsScreen)->Unit(benchmark::kMillisecond);

// CONTINUE again while the results screen exists: both windows are written afresh.
void BM_ContinueRefillingResults(benchmark::State& bench) {
    Session s;
    s.screens.pathInfo().Command1->click();
    for (auto _ : bench) {
        bench.PauseTiming();
        s.screens.show(FormId::Path_Info);
        s.settle();
        QPushButton* go = s.screens.pathInfo().Command1;
        bench.ResumeTiming();

        go->click();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ContinueRefillingResults)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
