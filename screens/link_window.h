// The "Link Performance" window: the whole link of the screen manager's design. It shows the
// two sites (name, ground elevation, antenna height, receiver threshold, and the To end's
// transmitter and the From end's preamplifier, which the input screen does not hold), the
// conditions beyond the budget with their units and defaults, the profile files, and the
// results of both directions as the design layer's result rows. It recomputes as the user
// types; an input that cannot be read is found by the error's key, marked and named, while the
// others keep their last good value. Open, Save and Save As read and write design files
// (*.hop); PRINT puts the design report on paper (or, without a printer, into a PDF).
//
// The design is the one holder of every value: the input screen's CONTINUE fills its budget,
// this window its sites, conditions and profile, and the "Path Profile" window the antenna
// heights and profile it shares with this one. The conditions are remembered in link.json in
// the data directory as well, read into the design once.
#pragma once

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "link_conditions.h"
#include "link_inputs.h"
#include "link_performance.h"
#include "link_study.h"
#include "screens.h"

namespace hopscale {

class ProfileWindow;

inline constexpr const char* kLinkWindowCaption = "Link Performance";

class LinkWindow : public QWidget {
    Q_OBJECT
  public:
    // Builds every control from the design (link.json read into it on the first opening) and
    // computes once.
    LinkWindow(Screens& screens, const QString& pathName);
    ~LinkWindow() override;

    // Shows the design again (after another CONTINUE or an opened design) and recomputes.
    void setHop(const QString& pathName = {});

    // ---- controls ----
    // The text box of a condition (a combo box's own text for the editable ones). The
    // threshold is the To end's, the receiver of the From-to-To direction; ground elevations
    // and antenna heights are per site (siteBox) and have none here.
    QLineEdit* inputBox(propagation::ConditionInput input) const;
    // A site's box by its design key: "name", "ground-elevation", "antenna-height",
    // "threshold", and "power", "amp-gain" (To) and "preamp-gain" (From).
    QLineEdit* siteBox(design::End end, const std::string& key) const;
    // The combo boxes: "polarisation", "rain-source", "rain-zone", "multipath", "criteria",
    // "power-unit" (the To end's transmitter power in dBm or W).
    QComboBox* choiceBox(const std::string& name) const;
    // The profile's boxes: "profile" (a CSV file), "dem" (rasters, ";" between them) and
    // "criteria" (custom clearance criteria).
    QLineEdit* profileBox(const std::string& key) const;
    // The browse button beside a file box: "rain-map", "profile", "dem".
    QPushButton* browseCommand(const std::string& key) const;
    QCheckBox* subtractDiffraction() const { return subtractDiffraction_; }
    QPushButton* printCommand() const { return print_; }
    QPushButton* profileCommand() const { return profile_; }
    QPushButton* openCommand() const { return open_; }
    QPushButton* saveCommand() const { return save_; }
    QPushButton* saveAsCommand() const { return saveAs_; }

    // ---- what the window shows ----
    // The design keys of the inputs marked as unreadable ("conditions.rain-zone",
    // "sites[1].threshold"), in the window's order.
    QStringList markedInputs() const;
    // The message lines naming the unreadable inputs and what is missing (empty when none).
    QString errorText() const { return errors_->text(); }
    // What the computation lacks without anything being wrong (a threshold not given).
    QString noteText() const { return notes_->text(); }
    // The line naming the hop.
    QString hopText() const { return hop_->text(); }
    // The value shown for a result row by its key ("ab.rslDbm"); null when no such row shows.
    QString resultText(const QString& key) const;
    // Every result row on view, "group: caption: value".
    QStringList resultLines() const;
    // The study on view; empty when nothing can be computed.
    const std::optional<design::LinkStudy>& study() const { return study_; }
    // The From-to-To performance on view; empty when it cannot be computed.
    const std::optional<propagation::LinkPerformance>& performance() const { return result_; }
    // The diffraction loss taken from the profile into the fade margin, dB (0 when none).
    double diffractionLossUsedDb() const;

    // ---- the printed page ----
    // The lines of the design report as printed.
    QStringList pageLines() const;
    // Writes the report into a PDF file; a message when that failed, or when an input cannot
    // be read (the page would show another value than the window).
    std::optional<QString> printToPdf(const QString& path);
    // Without a printer PRINT asks for a PDF file name; tests answer here instead of a dialog
    // (an empty name declines).
    void setPdfFileChooser(std::function<QString(const QString& proposed)> chooser) {
        chooseFile_ = std::move(chooser);
    }

    // ---- design files ----
    // Reads a design file into the screen manager's design, the input screen and this
    // window; false (and reported) when it cannot be read.
    bool openDesign(const QString& file);
    // Writes the design to `file` and takes it as the window's file; false (and reported)
    // when it cannot be written.
    bool saveDesign(const QString& file);
    // Open, Save As (and Save without a file yet) ask for a file name; tests answer here
    // (`save` says which) instead of a dialog; an empty name declines.
    void setDesignFileChooser(std::function<QString(bool save, const QString& proposed)> c) {
        chooseDesignFile_ = std::move(c);
    }
    // Browse asks for the file of a box ("rain-map", "profile", "dem"); tests answer here.
    void setBrowseChooser(std::function<QString(const QString& key)> c) {
        chooseBrowse_ = std::move(c);
    }

    // ---- the profile ----
    // Opens the "Path Profile" window (creating it on first use) and shows it.
    ProfileWindow& openProfile();
    ProfileWindow* profileWindow() const;  // nullptr before the first openProfile

    // The inputs as they would be remembered in link.json now.
    LinkInputs rememberedInputs() const;
    // Writes them to link.json; a failure is reported once per distinct message.
    void saveInputs();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    struct Box;  // a text box with its key
    void build();
    void buildSites(QGridLayout* grid, int& row);
    void buildConditions(QGridLayout* grid, int& row, bool outage);
    void buildProfileInputs(QGridLayout* grid, int& row);
    void buildCommands(QBoxLayout* column);
    void takeLinkJson();
    void showDesign();
    void edited(const std::string& key, const QString& text);
    void rainEdited(int source);
    void writeRain();
    void criteriaEdited();
    void recompute();
    void showResults(const design::LinkDesign& shown);
    void showNotes(QStringList problems, bool computed);
    void markKeys(const std::map<std::string, bool>& marked);
    std::vector<QWidget*> boxesOf(const std::string& key) const;
    void pushToProfileWindow();
    void takeFromProfileWindow();
    void updateTitle();
    void print();
    std::optional<QString> printProblem() const;
    void openCommandClicked();
    void saveCommandClicked(bool askName);
    void browse(const std::string& key);
    QString chooseDesignFile(bool save, const QString& proposed);

    Screens& screens_;

    std::map<std::string, QLineEdit*> keyed_;  // every text box by its design key
    std::map<std::string, QComboBox*> choices_;
    std::map<std::string, QPushButton*> browse_;
    std::map<std::string, QLabel*> captions_;
    std::map<std::string, bool> marked_;
    std::map<std::string, std::string> lastGood_;  // the last texts that read, by key
    QCheckBox* subtractDiffraction_ = nullptr;
    QLabel* hop_ = nullptr;
    QLabel* errors_ = nullptr;
    QLabel* notes_ = nullptr;
    QLabel* meanTerrainNote_ = nullptr;
    QTreeWidget* results_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* profile_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* saveAs_ = nullptr;

    std::optional<design::LinkStudy> study_;
    design::LinkDesign studied_;  // the design the study is of (last good values in)
    std::optional<propagation::LinkPerformance> result_;
    bool updating_ = false;
    QString lastSaveProblem_;
    std::function<QString(const QString&)> chooseFile_;
    std::function<QString(bool, const QString&)> chooseDesignFile_;
    std::function<QString(const QString&)> chooseBrowse_;
    QPointer<ProfileWindow> profileWindow_;
};

// Opens the "Link Performance" window over the screen manager's design, creating it on first
// use and showing the design again when it already exists; shows and raises it. The window
// lives until the screen manager ends or is destroyed.
LinkWindow& openLinkPerformance(Screens& screens, const QString& pathName = {});
// The window when it exists, else nullptr.
LinkWindow* linkPerformanceWindow(Screens& screens);

}  // namespace hopscale
