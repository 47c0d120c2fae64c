// The results screen "Results": every computed value of the current path as a signal-flow
// drawing, with END, Another and Data Form with Print. Its load writes the fields, hides what
// does not apply and fills the data sheet's result rows.
#pragma once

#include "form.h"

namespace hopscale {

class Results : public Form {
    Q_OBJECT
public:
    explicit Results(Screens& screens);

    // Load: writes every field from the path state, applies the hiding rules and fills the
    // data sheet.
    void formLoad() override;

    // Writes the fields again from the path state (a repeated CONTINUE while this screen
    // exists); the hiding rules apply on top of what is already hidden.
    void refill();

    void Command1_Click();  // END: save, end the program
    void Command2_Click();  // Another: save, close the screens, start afresh
    void Command3_Click();  // Data Form with Print: save, show the data sheet

    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5, *Text6, *Text7, *Text8, *Text9,
        *Text10, *Text11, *Text12, *Text13, *Text14, *Text15, *Text16, *Text18, *Text19,
        *Text20, *Text22, *Text23, *Text24;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9,
        *Label10, *Label11, *Label12, *Label13, *Label14, *Label15, *Label16, *Label17,
        *Label18, *Label19, *Label20, *Label21, *Label22, *Label23;
    // The warning beside the EIRP value when the EIRP seems high; hidden otherwise.
    QLabel* eirpWarning;
    FormLine *Line1, *Line2, *Line3, *Line4, *Line5, *Line6, *Line7, *Line8, *Line9, *Line10,
        *Line11, *Line12, *Line13, *Line14, *Line15, *Line16, *Line17, *Line18, *Line19,
        *Line20, *Line21, *Line22, *Line23, *Line24, *Line25, *Line26, *Line27, *Line28,
        *Line29;
    QPushButton *Command1, *Command2, *Command3;

protected:
    void frameClose() override;  // as END

private:
    // Saves the inputs; a failure is reported, naming the field, and the command carries on.
    void save();
    void writeFields();
};

}  // namespace hopscale
