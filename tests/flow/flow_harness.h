// A running program over a temporary install directory holding a small catalogue:
//   LINEA  6..8 GHz   points (6, 1.0) (8, 1.2)       7 GHz gives 1.1
//   LINEB  5..9 GHz   points (5, 0.5) (9, 0.9)       7 GHz gives 0.7
//   NOFILE 6..8 GHz   no attenuation file
//   LINEC  10..12 GHz points (10, 2.0) (12, 3.0)
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app_state.h"
#include "data_file.h"
#include "disp.h"
#include "gui_main.h"
#include "guide.h"
#include "open_query.h"
#include "path_info.h"
#include "results.h"
#include "screens.h"

namespace hopscale::flowtest {

inline void writeBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string readBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void writeIndex(const std::filesystem::path& dir,
                       const std::vector<std::vector<std::string>>& records) {
    std::string bytes;
    for (const auto& record : records)
        for (const auto& text : record) appendCountedText(bytes, text);
    writeBytes(dir / "listing.dat", bytes);
}

inline void writeTable(const std::filesystem::path& dir, const std::string& name,
                       const std::vector<std::pair<std::string, std::string>>& points) {
    std::string bytes;
    appendCountedText(bytes, "");  // index 0, unused
    for (std::size_t i = 1; i <= 100; ++i)
        appendCountedText(bytes, i <= points.size() ? points[i - 1].first : std::string());
    appendCountedText(bytes, "");
    for (std::size_t i = 1; i <= 100; ++i)
        appendCountedText(bytes, i <= points.size() ? points[i - 1].second : std::string());
    writeBytes(dir / (name + ".dat"), bytes);
}

struct Program {
    QTemporaryDir dir;
    AppState state;
    std::unique_ptr<Screens> screens;

    std::filesystem::path dataDir() const { return dir.path().toStdString(); }
    std::filesystem::path savedFile() const { return dataDir() / "PATHCFG.DAT"; }

    explicit Program(bool withCatalogue = true) {
        state.dataDir = dataDir();
        if (withCatalogue) {
            writeIndex(dataDir(), {{"LINEA", "6", "8", ""},
                                   {"LINEB", "5", "9", ""},
                                   {"NOFILE", "6", "8", ""},
                                   {"LINEC", "10", "12", ""},
                                   {"", "", "", ""}});
            writeTable(dataDir(), "LINEA", {{"6", "1.0"}, {"8", "1.2"}});
            writeTable(dataDir(), "LINEB", {{"5", "0.5"}, {"9", "0.9"}});
            writeTable(dataDir(), "LINEC", {{"10", "2.0"}, {"12", "3.0"}});
        }
    }

    // Program start: the start screen created, loaded and shown; messages are collected.
    void start() {
        screens = std::make_unique<Screens>(state);
        screens->setQuietErrors(true);
        startProgram(*screens, /*showMessages=*/false);
        settle();
    }

    Open_query& start_() { return screens->openQuery(); }
    Guide& guide() { return screens->guide(); }
    Path_Info& input() { return screens->pathInfo(); }
    Results& results() { return screens->results(); }
    disp& sheet() { return screens->dataSheet(); }

    bool exists(FormId id) const { return screens->exists(id); }
    bool visible(FormId id) const {
        QWidget* w = screens->widget(id);
        return w && w->isVisible();
    }

    void go(const QString& frequency) {
        start_().Text1->setText(frequency);
        start_().Command2->click();
        settle();
    }
    void pick(QListWidget* list, int row) {
        QVERIFY(row < list->count());
        list->setCurrentRow(row);  // a selection move, as with the keyboard
    }
    void click(QPushButton* button) {
        button->click();
        settle();
    }

    // Runs the deferred deletions of closed forms.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
};

inline QStringList items(QListWidget* list) {
    QStringList names;
    for (int i = 0; i < list->count(); ++i) names << list->item(i)->text();
    return names;
}

}  // namespace hopscale::flowtest
