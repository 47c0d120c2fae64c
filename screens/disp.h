// The data sheet "Form1": a printable summary of the current path, with PRINT and Return.
// Its load writes the date, the time and the line-type block; the results screen's load runs
// fill(); the input screen's CONTINUE and the guide write the coordinate and line-type rows.
#pragma once

#include <QDateTime>

#include "form.h"

namespace hopscale {

class disp : public Form {
    Q_OBJECT
public:
    explicit disp(Screens& screens);

    void formLoad() override;

    // Writes every result row, the path name and the bearing row from the path state.
    void fill();

    void Command1_Click();  // Return
    void Command2_Click();  // PRINT

    // The date and time texts the sheet was created with.
    QDateTime createdAt() const { return createdAt_; }

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9,
        *Label10, *Label11, *Label12, *Label13, *Label14, *Label15, *Label16, *Label17,
        *Label18, *Label19, *Label20, *Label21, *Label22, *Label24, *Label25, *Label26,
        *Label27, *Label28;
    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5, *Text6, *Text7, *Text8, *Text9,
        *Text10, *Text11, *Text12, *Text13, *Text14, *Text15, *Text16, *Text17, *Text18,
        *Text19, *Text20, *Text21, *Text22, *Text23, *Text24, *Text25, *Text26, *Text27;
    QPushButton *Command1, *Command2;

protected:
    void frameClose() override;  // as Return

private:
    QDateTime createdAt_;
};

}  // namespace hopscale
