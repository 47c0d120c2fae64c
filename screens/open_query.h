// The start screen "Open Query": an optional frequency for the transmission-line guide, with
// End, GO (the default button: Enter presses it) and Skip.
#pragma once

#include "form.h"

namespace hopscale {

class Open_query : public Form {
    Q_OBJECT
  public:
    explicit Open_query(Screens& screens);

    // Load: offer the line types, load the saved inputs, empty the frequency, close the guide.
    void formLoad() override;

    // The frequency as typed, and emptying it.
    QString frequencyText() const;
    void clearFrequency();

    // Its commands run flow::endFromStartScreen (End), flow::go (GO) and flow::skip (Skip).

    QLabel *Label1 = nullptr, *Label4 = nullptr;
    QLineEdit* Text1 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr;

  protected:
    void frameClose() override;  // as End
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

}  // namespace hopscale
