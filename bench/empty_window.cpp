// The yardstick for the program's start-up: an empty Qt Widgets window and nothing else.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Empty Window"));
    window.resize(828, 677);
    window.show();
    return QApplication::exec();
}
