// The path input screen "Path Input": the fields of one path laid out as a drawing of the
// link, the Miles/KM and DBM/WATTS pairs, CONTINUE (capture, calculate, show the results) and
// END. Other screens write its controls directly through the public pointers below.
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

    // Handlers.
    void Command1_Click();  // CONTINUE
    void Command2_Click();  // END
    void Check1_Click();    // Miles
    void Check2_Click();    // KM
    void Option2_Click();   // DBM
    void Option3_Click();   // WATTS

    // The field of the input screen behind an engine field.
    QLineEdit* field(Field f) const { return fields_[static_cast<std::size_t>(f)]; }

    QLabel *Label1, *Label2, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9, *Label10,
        *Label11, *Label12, *Label13, *Label14, *Label16, *Label17, *Label18, *Label19,
        *Label20, *Label21;
    QLineEdit *Text1, *Text2, *Text3, *Text4, *Text5, *Text6, *Text7, *Text8, *Text9,
        *Text10, *Text11, *Text12, *Text13, *Text14, *Text15, *Text16, *Text18, *Text22,
        *Text24, *Text26;
    QCheckBox *Check1, *Check2;
    QRadioButton *Option2, *Option3;
    QPushButton *Command1, *Command2;
    FormLine *Line1, *Line2, *Line3, *Line4, *Line5, *Line6, *Line7, *Line8, *Line9, *Line10,
        *Line11, *Line12, *Line13, *Line14, *Line15, *Line16, *Line17, *Line18;

protected:
    void frameClose() override;  // as END

private:
    void loadFromSavedFile();
    void offerGuideLineTypes();
    void writeDataSheetCoordinates();

    std::array<QLineEdit*, kFieldCount> fields_{};
};

}  // namespace hopscale
