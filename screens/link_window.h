// The "Link Performance" window: will the hop work. It holds the inputs beyond the budget
// (receiver threshold, rain, multipath, atmosphere, target) with their units and defaults,
// recomputes as the user types and shows the results grouped as a planner reads them: path,
// levels, rain, multipath and total, each with the model and version that gave it. A field
// that cannot be read is marked and named on the window, while the others keep their last good
// value. Its PRINT puts a page on paper (or, without a printer, into a PDF) that opens with
// every input of the hop and then gives the performance.
//
// The window works on the current path of the shared AppState (state.path after a successful
// CONTINUE) and is opened through openLinkPerformance. Its inputs, and those of the "Path
// Profile" window it opens, are remembered in link.json in the data directory.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

#include "link_conditions.h"
#include "link_inputs.h"
#include "link_performance.h"
#include "screens.h"

namespace hopscale {

class ProfileWindow;

inline constexpr const char* kLinkWindowCaption = "Link Performance";

class LinkWindow : public QWidget {
    Q_OBJECT
  public:
    // Builds every control at its default (or remembered) text and computes once.
    LinkWindow(Screens& screens, const QString& pathName);
    ~LinkWindow() override;

    // Takes the current path again (after another CONTINUE) and recomputes.
    void setHop(const QString& pathName);

    // ---- controls, by input ----
    QLineEdit* inputBox(propagation::ConditionInput input) const;
    QCheckBox* subtractDiffraction() const { return subtractDiffraction_; }
    QPushButton* printCommand() const { return print_; }
    QPushButton* profileCommand() const { return profile_; }

    // ---- what the window shows ----
    // The captions of the inputs marked as unreadable, in the table's order.
    QStringList markedInputs() const;
    // The message line naming the unreadable inputs (empty when every input reads).
    QString errorText() const { return errors_->text(); }
    // The result groups' texts: "path", "levels", "rain", "multipath", "total", "models".
    QString groupText(const char* group) const;
    // The performance on view; empty when it cannot be computed.
    const std::optional<propagation::LinkPerformance>& performance() const { return result_; }
    // The diffraction loss taken from the profile into the fade margin, dB (0 when none).
    double diffractionLossUsedDb() const { return diffractionUsedDb_; }

    // ---- the printed page ----
    // The lines of the page: every input of the hop first, then the performance.
    QStringList pageLines() const;
    // Writes the page into a PDF file; a message when that failed.
    std::optional<QString> printToPdf(const QString& path);
    // Without a printer PRINT asks for a PDF file name; tests answer here instead of a dialog
    // (an empty name declines).
    void setPdfFileChooser(std::function<QString(const QString& proposed)> chooser) {
        chooseFile_ = std::move(chooser);
    }

    // ---- the profile ----
    // Opens the "Path Profile" window (creating it on first use) and shows it.
    ProfileWindow& openProfile();
    ProfileWindow* profileWindow() const;  // nullptr before the first openProfile

    // The inputs of both windows as they would be remembered now.
    LinkInputs rememberedInputs() const;
    // Writes them to link.json; a failure is reported once per distinct message.
    void saveInputs();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    using MarkedInputs = std::array<bool, propagation::kConditionInputCount>;

    void build();
    void buildTitle();
    void buildInputRows();
    void buildInputCommands();
    void buildResultGroups();
    void recompute();
    Result<propagation::LinkConditions> readConditions(propagation::LinkConditionTexts& candidate,
                                                       MarkedInputs& marked,
                                                       QStringList& problems) const;
    void computePerformance(propagation::LinkConditions conditions, MarkedInputs& marked,
                            QStringList& problems);
    void markInputs(const MarkedInputs& marked);
    void showProblems(QStringList problems, bool conditionsRead);
    void showPerformance();
    void layoutGroups();
    void takeProfile();
    void print();

    Screens& screens_;
    QString pathName_;
    LinkInputs inputs_;  // as loaded; the window's own texts replace the conditions on save

    std::array<QLineEdit*, propagation::kConditionInputCount> boxes_{};
    std::array<QLabel*, propagation::kConditionInputCount> captions_{};
    MarkedInputs marked_{};
    propagation::LinkConditionTexts lastGood_;  // the last texts that read, field by field
    QCheckBox* subtractDiffraction_ = nullptr;
    QLabel* hop_ = nullptr;
    QLabel* errors_ = nullptr;
    QLabel* meanTerrainNote_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* profile_ = nullptr;
    std::array<QLabel*, 6> groups_{};

    std::optional<propagation::LinkPerformance> result_;
    std::optional<propagation::LinkBudgetFacts> facts_;
    double diffractionUsedDb_ = 0;
    std::optional<double> profileDiffractionDb_;  // Ad from the profile, when it applies
    bool updating_ = false;
    QString lastSaveProblem_;
    std::function<QString(const QString&)> chooseFile_;
    QPointer<ProfileWindow> profileWindow_;
};

// Opens the "Link Performance" window over the current path (state.path after a successful
// CONTINUE; `pathName` is the input screen's path name), creating it on first use and
// recomputing it with the path when it already exists; shows and raises it. The window lives
// until the screen manager ends or is destroyed.
LinkWindow& openLinkPerformance(Screens& screens, const QString& pathName);
// The window when it exists, else nullptr.
LinkWindow* linkPerformanceWindow(Screens& screens);

}  // namespace hopscale
