// The path input screen "Path Input": the fields of one path laid out as a drawing of the
// link, the Miles/KM and DBM/WATTS pairs, CONTINUE (capture, calculate, show the results) and
// END. Other screens change it only through the methods below.
#pragma once

#include <array>

#include "form.h"
#include "path_record.h"

namespace hopscale {

class Path_Info : public Form {
    Q_OBJECT
  public:
    explicit Path_Info(Screens& screens);

    // Load: the saved inputs, then the line types offered in the guide, then Text13 emptied.
    void formLoad() override;

    // The inputs as they stand in the fields now (texts, Miles/KM, DBM/WATTS).
    PathInputs inputs() const;
    // Puts texts and unit choices into the fields; setting the boxes runs their handlers.
    void setInputs(const PathInputs& inputs);
    // A saved record: every field, Miles/KM, and DBM or WATTS selected where its flag is 1.
    void showSavedInputs(const PathInputs& saved, std::int16_t dbm, std::int16_t watts);

    // What the guide's Continue carries in: the frequency, both losses and both names.
    void takeGuideChoice(const QString& frequency, float txLoss, float rxLoss,
                         const QString& txName, const QString& rxName);
    // The line-type name boxes and the short lines joining them (Skip, Cancel).
    void hideLineTypeBoxes();
    // The path length as the calculation left it, or as typed.
    void showPathLength(const QString& text);
    // The field an error names gets the keyboard focus, its text selected.
    void focusField(Field f);
    QString amplifierGainText() const { return Text15->text(); }
    QString pathName() const { return Text11->text(); }

    // The transmit line-type name emptied (the load).
    void clearTransmitLineName();

    // Handlers; CONTINUE runs flow::continueToResults and END flow::endWithoutSaving.
    void Check1_Click();   // Miles
    void Check2_Click();   // KM
    void Option2_Click();  // DBM
    void Option3_Click();  // WATTS

    // The field of the input screen behind an engine field.
    QLineEdit* field(Field f) const { return fields_[static_cast<std::size_t>(f)]; }

    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label4 = nullptr, *Label5 = nullptr,
           *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr, *Label9 = nullptr,
           *Label10 = nullptr, *Label11 = nullptr, *Label12 = nullptr, *Label13 = nullptr,
           *Label14 = nullptr, *Label16 = nullptr, *Label17 = nullptr, *Label18 = nullptr,
           *Label19 = nullptr, *Label20 = nullptr, *Label21 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr,
              *Text5 = nullptr, *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr,
              *Text9 = nullptr, *Text10 = nullptr, *Text11 = nullptr, *Text12 = nullptr,
              *Text13 = nullptr, *Text14 = nullptr, *Text15 = nullptr, *Text16 = nullptr,
              *Text18 = nullptr, *Text22 = nullptr, *Text24 = nullptr, *Text26 = nullptr;
    QCheckBox *Check1 = nullptr, *Check2 = nullptr;
    QRadioButton *Option2 = nullptr, *Option3 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr;
    FormLine *Line1 = nullptr, *Line2 = nullptr, *Line3 = nullptr, *Line4 = nullptr,
             *Line5 = nullptr, *Line6 = nullptr, *Line7 = nullptr, *Line8 = nullptr,
             *Line9 = nullptr, *Line10 = nullptr, *Line11 = nullptr, *Line12 = nullptr,
             *Line13 = nullptr, *Line14 = nullptr, *Line15 = nullptr, *Line16 = nullptr,
             *Line17 = nullptr, *Line18 = nullptr;

  protected:
    void frameClose() override;  // as END

  private:
    void setTabChain();

    std::array<QLineEdit*, kFieldCount> fields_{};
};

}  // namespace hopscale
