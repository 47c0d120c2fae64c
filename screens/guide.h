// The transmission-line guide "Guide Select": two lists of the line types that cover the
// start screen's frequency, the attenuation of the chosen types, and Continue / Cancel / END,
// which carry the choice into the input screen and the data sheet.
#pragma once

#include <string>
#include <vector>

#include "form.h"

class QListWidget;

namespace hopscale {

class Guide : public Form {
    Q_OBJECT
public:
    explicit Guide(Screens& screens);

    // Replaces the contents of both lists with `names`, in order, without running the list
    // handlers.
    void insertOffered(const std::vector<std::string>& names);

    // Handlers.
    void List1_Click();     // transmit line chosen: look up its attenuation
    void List2_Click();     // receive line chosen
    void Check1_Click();    // separate receive line on or off
    void Command1_Click();  // Continue
    void Command2_Click();  // Cancel
    void Command3_Click();  // END

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8;
    QCheckBox* Check1;
    QListWidget *List1, *List2;
    QLineEdit *Text1, *Text2, *Text3;
    QPushButton *Command1, *Command2, *Command3;

protected:
    void frameClose() override;  // hides
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectList(QListWidget* list, void (Guide::*handler)());

    bool inserting_ = false;
    int rowBeforePress_ = -1;
};

// Reads the catalogue index, offers the line types that cover the start screen's frequency
// in the guide's lists and shows the guide. A failure is reported and nothing is offered;
// `fromLoad` marks the runs made by the forms' loads, which report a missing index only once
// in the process (start-up already names it), while GO always reports it. With `showGuide`
// false the guide is filled but not shown, with `fillGuide` false it is not even referred to
// (for a caller that closes it again before the user could see it).
void offerLineTypesInGuide(Screens& screens, bool fromLoad, QWidget* parent = nullptr,
                           bool showGuide = true, bool fillGuide = true);

// The text Continue writes into the input screen's loss fields.
QString lossFieldText(float attenuationDbPer100Ft);

}  // namespace hopscale
