#include "gui_main.h"

#include <QApplication>
#include <QStringList>
#include <future>

#include "background.h"
#include "form.h"
#include "open_query.h"
#include "screens.h"

namespace hopscale {

void startProgram(Screens& screens, bool showMessages) {
    if (Form::backgroundPicture().isNull()) Form::setBackgroundPicture(renderBackgroundPicture());

    screens.setQuietErrors(true);
    screens.takeReportedErrors();
    // An install directory that cannot be used is named once, here; the forms then offer
    // nothing and load nothing without naming it again.
    if (const std::optional<Error>& unusable = screens.state().dataDirError)
        screens.reportError(QStringLiteral("The data directory cannot be used, so no line types "
                                           "are offered and the inputs cannot be saved. %1")
                                .arg(QString::fromStdString(unusable->message())));
    screens.show(FormId::Open_query);
    QStringList messages = screens.takeReportedErrors();
    messages.removeDuplicates();
    screens.setQuietErrors(!showMessages);
    for (const QString& message : messages)
        screens.reportError(message, screens.widget(FormId::Open_query));
}

int runGui(int argc, char** argv, const Result<std::filesystem::path>& dataDir) {
    AppState state;
    if (dataDir.ok())
        state.dataDir = *dataDir;
    else
        state.dataDirError = dataDir.error;
    return runGui(argc, argv, state);
}

int runGui(int argc, char** argv, AppState& state) {
    QApplication app(argc, argv);
    // The background picture is drawn on a second thread while the start screen is built
    // and loaded.
    std::future<QImage> background = std::async(std::launch::async, renderBackgroundImage);
    QApplication::setApplicationName(QStringLiteral("Hopscale"));
    // No display name: the window titles are exactly the forms' captions. The desktop file
    // name still ties the windows to the program.
    QApplication::setDesktopFileName(QStringLiteral("hopscale"));
    // The program ends through its commands and frame closes, never because the last
    // window was hidden for a moment between two screens.
    QApplication::setQuitOnLastWindowClosed(false);

    Screens screens(state);
    // Until the drawing is ready the forms lay out against a plain picture of its size; the
    // drawing replaces it before the first paint.
    QPixmap placeholder(kBackgroundWidth, kBackgroundHeight);
    placeholder.fill(QColor(90, 95, 100));
    Form::setBackgroundPicture(placeholder);
    QObject::connect(&screens, &Screens::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    startProgram(screens);
    Form::setBackgroundPicture(QPixmap::fromImage(background.get()));
    for (QWidget* window : QApplication::topLevelWidgets()) window->update();
    if (screens.ended()) return 0;
    return QApplication::exec();
}

}  // namespace hopscale
