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
    // exists): what applies now is shown, what does not is hidden.
    void refill();

    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr,
              *Text5 = nullptr, *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr,
              *Text9 = nullptr, *Text10 = nullptr, *Text11 = nullptr, *Text12 = nullptr,
              *Text13 = nullptr, *Text14 = nullptr, *Text15 = nullptr, *Text16 = nullptr,
              *Text18 = nullptr, *Text19 = nullptr, *Text20 = nullptr, *Text22 = nullptr,
              *Text23 = nullptr, *Text24 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
           *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr,
           *Label13 = nullptr, *Label14 = nullptr, *Label15 = nullptr, *Label16 = nullptr,
           *Label17 = nullptr, *Label18 = nullptr, *Label19 = nullptr, *Label20 = nullptr,
           *Label21 = nullptr, *Label22 = nullptr, *Label23 = nullptr;
    // The warning beside the EIRP value when the EIRP seems high; hidden otherwise.
    QLabel* eirpWarning = nullptr;
    FormLine *Line1 = nullptr, *Line2 = nullptr, *Line3 = nullptr, *Line4 = nullptr,
             *Line5 = nullptr, *Line6 = nullptr, *Line7 = nullptr, *Line8 = nullptr,
             *Line9 = nullptr, *Line10 = nullptr, *Line11 = nullptr, *Line12 = nullptr,
             *Line13 = nullptr, *Line14 = nullptr, *Line15 = nullptr, *Line16 = nullptr,
             *Line17 = nullptr, *Line18 = nullptr, *Line19 = nullptr, *Line20 = nullptr,
             *Line21 = nullptr, *Line22 = nullptr, *Line23 = nullptr, *Line24 = nullptr,
             *Line25 = nullptr, *Line26 = nullptr, *Line27 = nullptr, *Line28 = nullptr,
             *Line29 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr;

  protected:
    void frameClose() override;  // as END

  private:
    void writeFields();
    void applyHidingRules();
};

}  // namespace hopscale
