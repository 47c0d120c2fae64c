// Pictures of the "Link Performance" and "Path Profile" windows for the documentation, over a
// worked example hop (not a benchmark). Run under xvfb-run so that the fonts are those of a
// desktop: hopscale_lwin_snapshot OUTPUT_DIR writes screen-link-performance.png and
// screen-path-profile.png there.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPixmap>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

#include "app_state.h"
#include "design_inputs.h"
#include "link_window.h"
#include "path_run.h"
#include "profile_window.h"
#include "screens.h"

using namespace hopscale;
using propagation::ConditionInput;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: hopscale_lwin_snapshot OUTPUT_DIR\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir dir;
    AppState state;
    state.dataDir = dir.path().toStdString();

    // 6 ft and 8 ft dishes, 11 GHz, 1 W, the 18.46 km path of the geodesic check values.
    PathInputs in;
    in[Field::Text1] = "6";
    in[Field::Text3] = "8";
    in[Field::Text2] = "1.5";
    in[Field::Text16] = "50";
    in[Field::Text8] = "1.5";
    in[Field::Text18] = "50";
    in[Field::Text5] = "412530";
    in[Field::Text6] = "814150";
    in[Field::Text7] = "413000";
    in[Field::Text9] = "813000";
    in[Field::Text10] = "11";
    in[Field::Text12] = "30";
    in[Field::Text26] = "30";
    in[Field::Text11] = "Cleveland north hop";
    if (!runPath(in, state.path).ok()) return 1;

    // A rolling profile with a wooded hill two thirds of the way along.
    const QString csv = dir.filePath("cleveland-north.csv");
    {
        QFile f(csv);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write("distance_km,elevation_m,obstruction_m,label\n");
        const int n = 400;
        const double km = 18.4626;
        for (int i = 0; i < n; ++i) {
            const double d = km * i / (n - 1);
            const double ground = 190 + 12 * std::sin(d / 1.7) + 5 * std::sin(d * 2.3) +
                                  22 * std::exp(-std::pow((d - 12.4) / 1.1, 2));
            const bool wood = d > 11.6 && d < 13.3;
            f.write(QByteArray::number(d, 'f', 4) + ',' + QByteArray::number(ground, 'f', 1) + ',' +
                    (wood ? "12" : "0") + ',' +
                    (wood && std::fabs(d - 12.4) < 0.03 ? "wooded hill" : "") + '\n');
        }
    }

    Screens screens(state);
    screens.setQuietErrors(true);
    design::takeInputScreen(screens.design(), in, state.dataDir);  // as CONTINUE leaves it
    LinkWindow& link = openLinkPerformance(screens, "Cleveland north hop");
    link.inputBox(ConditionInput::Threshold)->setText("-76");
    link.inputBox(ConditionInput::RainZone)->setText("K");
    link.inputBox(ConditionInput::Polarisation)->setText("v");
    ProfileWindow& profile = link.openProfile();
    profile.sourceBox()->setText(csv);
    profile.antennaFromBox()->setText("72");
    profile.antennaToBox()->setText("72");
    link.subtractDiffraction()->setChecked(true);
    app.processEvents();
    link.show();
    profile.show();
    for (int i = 0; i < 10; ++i) app.processEvents();
    bool ok = link.grab().save(out + "/screen-link-performance.png");
    ok = profile.grab().save(out + "/screen-path-profile.png") && ok;
    return ok ? 0 : 1;
}
