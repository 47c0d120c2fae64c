// The Path Profile window's redraw after an antenna height changes: the text typed, the
// clearance judged for three criteria with the height search, the curves rebuilt and the
// drawing painted (the plot's own paint into an image of its size, as on screen). Goal: under
// 16 ms, one frame. A 100 km profile of 3,000 points, hilly, with trees on some of it.
// Runs without a display unless QT_QPA_PLATFORM says otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>

#include "app_state.h"
#include "profile_window.h"
#include "screens.h"

using namespace hopscale;

namespace {

QByteArray hillyProfileCsv(int points, double pathKm) {
    QByteArray csv = "distance_km,elevation_m,obstruction_m\n";
    for (int i = 0; i < points; ++i) {
        const double d = pathKm * i / (points - 1);
        const double ground = 200 + 80 * std::sin(d / 7.0) + 35 * std::sin(d / 1.3) +
                              60 * std::exp(-std::pow((d - 55) / 4, 2));
        const double trees = (i % 7 < 3) ? 12 : 0;
        csv += QByteArray::number(d, 'f', 6) + ',' + QByteArray::number(ground, 'f', 2) + ',' +
               QByteArray::number(trees) + '\n';
    }
    return csv;
}

struct Session {
    QTemporaryDir dir;
    AppState state;
    Screens screens{state};
    std::unique_ptr<ProfileWindow> window;
    Session() {
        state.dataDir = dir.path().toStdString();
        state.path.values.frequencyGHz = 11;
        screens.setQuietErrors(true);
        const QString file = dir.filePath("hills.csv");
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly)) std::abort();
        f.write(hillyProfileCsv(3000, 100));
        f.close();
        ProfileInputs in;
        in.source = file.toStdString();
        in.antennaFromM = "40";
        in.antennaToM = "40";
        window = std::make_unique<ProfileWindow>(screens, in);
        if (!window->report() || window->report()->distanceKm.size() != 3000) std::abort();
    }
};

void BM_ProfileRedrawAfterHeightChange(benchmark::State& bench) {
    Session s;
    ProfilePlot& plot = *s.window->plot();
    QImage image(plot.size(), QImage::Format_RGB32);
    int height = 40;
    for (auto _ : bench) {
        height = height == 40 ? 41 : 40;
        s.window->antennaFromBox()->setText(QString::number(height));  // judged and rebuilt
        plot.render(&image);  // the plot's own paint, as on screen
        benchmark::DoNotOptimize(image.constBits());
    }
    bench.SetLabel("3000 points, 3 criteria, height search, paint");
}
BENCHMARK(BM_ProfileRedrawAfterHeightChange)->Unit(benchmark::kMillisecond);

// The window on view: the same change repainted through Qt's own paint of the shown window.
void BM_ProfileShownRepaintAfterHeightChange(benchmark::State& bench) {
    Session s;
    s.window->show();
    QApplication::processEvents();
    int height = 40;
    for (auto _ : bench) {
        height = height == 40 ? 41 : 40;
        s.window->antennaFromBox()->setText(QString::number(height));
        s.window->plot()->repaint();
    }
}
BENCHMARK(BM_ProfileShownRepaintAfterHeightChange)->Unit(benchmark::kMillisecond);

// The same change with the diffraction loss and a reflection over a surface at 150 m (the
// valleys of the hills reach it): the profile with its rays repainted, and the level against
// the receive height (the Reflection tab) painted as well.
void BM_ProfileRedrawWithDiffractionAndReflection(benchmark::State& bench) {
    Session s;
    s.window->surfaceBox()->setText("150");
    if (!s.window->diffraction() || !s.window->reflection()) std::abort();
    ProfilePlot& plot = *s.window->plot();
    DrawingPanelView& level = *s.window->levelPlot();
    level.resize(plot.size().width(), plot.size().height() / 2);
    QImage image(plot.size(), QImage::Format_RGB32);
    QImage levelImage(level.size(), QImage::Format_RGB32);
    int height = 40;
    for (auto _ : bench) {
        height = height == 40 ? 41 : 40;
        s.window->antennaFromBox()->setText(QString::number(height));
        plot.render(&image);
        level.render(&levelImage);
        benchmark::DoNotOptimize(image.constBits());
        benchmark::DoNotOptimize(levelImage.constBits());
    }
    bench.SetLabel("3000 points, delta-Bullington, reflection at 3 k with a sweep, two paints");
}
BENCHMARK(BM_ProfileRedrawWithDiffractionAndReflection)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
