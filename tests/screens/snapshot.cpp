// Writes pictures of the input, results and data-sheet windows for the documentation:
//   screens_snapshot <output directory>
// Run it under a real display server (xvfb-run) so that the windows are drawn as users see
// them. The path shown is the 6 ft / 8 ft example with an amplifier, a preamplifier and end
// coordinates, so that every part of the drawings is on view.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app_state.h"
#include "background.h"
#include "disp.h"
#include "path_info.h"
#include "results.h"
#include "screens.h"

using namespace hopscale;

namespace {
bool save(QWidget& window, const QString& path) {
    QApplication::processEvents();
    const bool ok = window.grab().save(path);
    std::printf("%s %s (%dx%d)\n", ok ? "wrote" : "could not write", qPrintable(path),
                window.width(), window.height());
    return ok;
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: screens_snapshot <output directory>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    QTemporaryDir data;
    AppState state;
    state.dataDir = data.path().toStdString();
    state.guideSkipped = 1;
    Form::setBackgroundPicture(renderBackgroundPicture());
    Screens screens(state);
    screens.setQuietErrors(true);

    Path_Info& input = screens.pathInfo();
    const std::pair<QLineEdit*, const char*> typed[] = {
        {input.Text1, "6"},      {input.Text3, "8"},
        {input.Text15, "3"},     {input.Text4, "2"},
        {input.Text2, "1.5"},    {input.Text16, "150"},
        {input.Text8, "2.25"},   {input.Text18, "200"},
        {input.Text10, "6"},     {input.Text12, "20"},
        {input.Text26, "10"},    {input.Text5, "412530"},
        {input.Text6, "814150"}, {input.Text7, "413000"},
        {input.Text9, "813000"}, {input.Text11, "Ridge to Valley"}};
    for (const auto& [box, text] : typed) box->setText(QString::fromLatin1(text));
    input.Option3->setChecked(true);
    for (QWidget* w :
         std::initializer_list<QWidget*>{input.Line2, input.Line18, input.Text13, input.Text14})
        w->hide();
    screens.show(FormId::Path_Info);
    bool ok = save(input, out.filePath("path_input.png"));

    input.Command1->click();
    ok = save(screens.results(), out.filePath("results.png")) && ok;
    screens.results().Command3->click();
    ok = save(screens.dataSheet(), out.filePath("data_sheet.png")) && ok;
    return ok ? 0 : 1;
}
