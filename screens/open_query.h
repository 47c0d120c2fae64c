// The start screen "Open Query": an optional frequency for the transmission-line guide, with
// End, GO (the default button: Enter presses it) and Skip.
#pragma once

#include "form.h"

namespace hopscale {

class Open_query : public Form {
    Q_OBJECT
public:
    explicit Open_query(Screens& screens);

    // Load: offer the line types (which shows the guide), load the saved inputs, empty the
    // frequency and close the guide again.
    void formLoad() override;

    void Command1_Click();  // End
    void Command2_Click();  // GO
    void Command3_Click();  // Skip

    QLabel *Label1, *Label4;
    QLineEdit* Text1;
    QPushButton *Command1, *Command2, *Command3;

protected:
    void frameClose() override;  // as End
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// Reads the catalogue and makes the offer for the start screen's frequency, reporting a
// failure, without building or showing the guide.
void offerLineTypesQuietly(Screens& screens, QWidget* parent);

// Loads the saved inputs into the input screen when the file holds a record (creating that
// screen, hidden, whose own load runs then). Failures are reported.
void loadSavedInputsIntoInputScreen(Screens& screens, QWidget* parent);

}  // namespace hopscale
