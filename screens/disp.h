// The data sheet "Form1": a printable summary of the current path, with PRINT and Return.
// Its load writes the date, the time and the line-type block; the results screen's load runs
// fill(); the input screen's CONTINUE and the guide write the coordinate and line-type rows
// through the methods below.
#pragma once

#include <QDateTime>

#include "form.h"
#include "path_record.h"

namespace hopscale {

class disp : public Form {
    Q_OBJECT
  public:
    explicit disp(Screens& screens);

    void formLoad() override;

    // Writes every result row, the path name and the bearing row from the path state.
    void fill();

    // The guide's Continue: both names, and either one caption over one name (one line for
    // both ends) or a caption over each name (separate lines).
    void showLineTypes(const QString& transmit, const QString& receive, bool separate);
    // The guide's Cancel: no line type, no caption over one (the one-line caption as it was).
    void hideLineTypes();
    // The line types were not chosen with the guide (Skip): the whole block goes.
    void hideLineTypeBlock();
    // CONTINUE: the coordinates used, each given one shown, the row's caption with the last.
    void showCoordinates(const CapturedValues& captured);

    // The path name as the sheet shows it.
    QString pathName() const;

    // The date and time texts the sheet was created with.
    QDateTime createdAt() const { return createdAt_; }

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
           *Label9 = nullptr, *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr,
           *Label13 = nullptr, *Label14 = nullptr, *Label15 = nullptr, *Label16 = nullptr,
           *Label17 = nullptr, *Label18 = nullptr, *Label19 = nullptr, *Label20 = nullptr,
           *Label21 = nullptr, *Label22 = nullptr, *Label24 = nullptr, *Label25 = nullptr,
           *Label26 = nullptr, *Label27 = nullptr, *Label28 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr,
              *Text5 = nullptr, *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr,
              *Text9 = nullptr, *Text10 = nullptr, *Text11 = nullptr, *Text12 = nullptr,
              *Text13 = nullptr, *Text14 = nullptr, *Text15 = nullptr, *Text16 = nullptr,
              *Text17 = nullptr, *Text18 = nullptr, *Text19 = nullptr, *Text20 = nullptr,
              *Text21 = nullptr, *Text22 = nullptr, *Text23 = nullptr, *Text24 = nullptr,
              *Text25 = nullptr, *Text26 = nullptr, *Text27 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;

  protected:
    void frameClose() override;  // as Return

  private:
    QDateTime createdAt_;
};

}  // namespace hopscale
