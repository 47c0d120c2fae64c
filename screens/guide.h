// The transmission-line guide "Guide Select": two lists of the line types that cover the
// start screen's frequency, the attenuation of the chosen types, and Continue / Cancel / END,
// which carry the choice into the input screen and the data sheet.
#pragma once

#include <string>
#include <vector>

#include "form.h"

namespace hopscale {

class Guide : public Form {
    Q_OBJECT
  public:
    explicit Guide(Screens& screens);

    // Replaces the contents of both lists with `names`, in order, without running the list
    // handlers.
    void insertOffered(const std::vector<std::string>& names);

    // Whether the receive line is chosen apart from the transmit line (Check1).
    bool separateReceiveLine() const;
    // Whether a transmit attenuation is on view (Text3 not empty).
    bool showsTransmitAttenuation() const;
    // The one-line notice under the commands; empty hides it.
    void showNotice(const QString& text);

    // Handlers.
    void List1_Click();   // transmit line chosen: look up its attenuation
    void List2_Click();   // receive line chosen
    void Check1_Click();  // separate receive line on or off
    // Its commands run flow::guideContinue, flow::guideCancel and flow::endWithoutSaving.

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr;
    QLabel* notice = nullptr;  // the warning Continue gives before it writes
    QCheckBox* Check1 = nullptr;
    QListWidget *List1 = nullptr, *List2 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr;

  protected:
    void frameClose() override;  // hides
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void connectList(QListWidget* list, void (Guide::*handler)());
    void lookUp(bool transmit);

    bool inserting_ = false;
    int rowBeforePress_ = -1;
};

}  // namespace hopscale
