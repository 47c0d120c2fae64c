// Screen management: each form exists at most once, is created on first use (every control at
// its design value, then its load handler), keeps its state while hidden, and is discarded by
// close; its next use creates it afresh. Showing is modeless and brings the form to the front.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <exception>

#include "app_state.h"
#include "errors.h"
#include "link_design.h"

class QWidget;

namespace hopscale {

class Open_query;
class Guide;
class Path_Info;
class Results;
class disp;

enum class FormId { Open_query, Guide, Path_Info, Results, disp };

// What the user chose when saving the inputs failed at the end of the program.
enum class SaveFailureChoice { TryAgain, EndWithoutSaving, BackToResults };

class Screens : public QObject {
    Q_OBJECT
  public:
    explicit Screens(AppState& state);
    ~Screens() override;

    AppState& state() { return state_; }

    // Accessors: create the form on first use (design values, then its load) and return it.
    // A form is registered as existing before its load runs, so a load that refers to its
    // own form sees it.
    Open_query& openQuery();
    Guide& guide();
    Path_Info& pathInfo();
    Results& results();
    disp& dataSheet();

    bool exists(FormId id) const;
    QWidget* widget(FormId id) const;  // nullptr when the form does not exist

    void show(FormId id);     // creates when needed, shows modeless, raises and activates
    void hide(FormId id);     // creates when needed (a reference creates), then hides
    void close(FormId id);    // discards the form and its state; no-op when it does not exist
    void repaint(FormId id);  // creates when needed, then repaints

    // Ends the program: every form closes at once, without further handlers.
    void endProgram();
    bool ended() const { return ended_; }

    // Shows a modal message naming the error (and its field or file) over `parent`, or over
    // the active window. In tests, messages are collected instead of shown (setQuietErrors).
    void reportError(const Error& error, QWidget* parent = nullptr);
    void reportError(const QString& message, QWidget* parent = nullptr);
    void setQuietErrors(bool quiet) { quietErrors_ = quiet; }

    // Says that the inputs could not be saved and asks what to do: try again, end without
    // saving, or go back to the results. The message is collected like the others; while
    // errors are quiet the answers given by answerFailedSaves are taken in turn, and going
    // back when none is left.
    SaveFailureChoice askAfterFailedSave(const Error& error);
    void answerFailedSaves(QList<SaveFailureChoice> answers) { saveAnswers_ = std::move(answers); }

    // Runs one handler step; anything it throws is reported over `parent` and the program
    // carries on.
    template <class F>
    void guarded(QWidget* parent, F&& step) {
        try {
            step();
        } catch (const std::exception& e) {
            reportError(QStringLiteral("Unexpected error: %1").arg(QString::fromUtf8(e.what())),
                        parent);
        }
    }
    QStringList takeReportedErrors();

    // ---- the link design ----
    // The one design of the running program: CONTINUE fills its From-to-To budget from the
    // input screen, the link window its sites and conditions, and an opened design file the
    // whole of it. Whoever changes it says so with designEdited, and every open window then
    // shows it.
    design::LinkDesign& design() { return design_; }
    // The design file it was opened from or saved to; empty when none.
    const QString& designFile() const { return designFile_; }
    void setDesignFile(const QString& file) { designFile_ = file; }
    // Replaces the design (an opened file) and says so.
    void replaceDesign(design::LinkDesign replacement);
    void designEdited() { emit designChanged(); }
    // Whether link.json has been read into the design (it is read once).
    bool linkInputsTaken() const { return linkInputsTaken_; }
    void markLinkInputsTaken() { linkInputsTaken_ = true; }

  signals:
    void programEnded();
    void designChanged();

  private:
    template <class T>
    T& slot(QPointer<T>& ptr);

    AppState& state_;
    QPointer<Open_query> openQuery_;
    QPointer<Guide> guide_;
    QPointer<Path_Info> pathInfo_;
    QPointer<Results> results_;
    QPointer<disp> disp_;
    bool ended_ = false;
    bool quietErrors_ = false;
    QStringList reported_;
    QList<SaveFailureChoice> saveAnswers_;
    design::LinkDesign design_;
    QString designFile_;
    bool linkInputsTaken_ = false;
};

}  // namespace hopscale
