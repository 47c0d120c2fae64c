#include "gui_main.h"

#include <QApplication>
#include <QIcon>
#include <QStringList>

#include "background.h"
#include "form.h"
#include "open_query.h"
#include "screens.h"

namespace hopscale {

void startProgram(Screens& screens, bool showMessages) {
    if (Form::backgroundPicture().isNull()) Form::setBackgroundPicture(renderBackgroundPicture());

    screens.setQuietErrors(true);
    screens.takeReportedErrors();
    screens.show(FormId::Open_query);
    QStringList messages = screens.takeReportedErrors();
    messages.removeDuplicates();
    screens.setQuietErrors(!showMessages);
    for (const QString& message : messages)
        screens.reportError(message, screens.widget(FormId::Open_query));
}

int runGui(int argc, char** argv, AppState& state) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hopscale"));
    QApplication::setApplicationDisplayName(QStringLiteral("Hopscale"));
    QApplication::setDesktopFileName(QStringLiteral("hopscale"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("hopscale")));
    // The program ends through its commands and frame closes, never because the last
    // window was hidden for a moment between two screens.
    QApplication::setQuitOnLastWindowClosed(false);

    Screens screens(state);
    QObject::connect(&screens, &Screens::programEnded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    startProgram(screens);
    if (screens.ended()) return 0;
    return QApplication::exec();
}

}  // namespace hopscale
