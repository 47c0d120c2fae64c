// The screen flow of the whole program: one function per transition, in the order of the
// flow table (program start, the start screen's load, End, GO, Skip, the guide's Continue,
// Cancel and END, the input screen's load, CONTINUE and END, the results screen's END,
// Another and Data Form with Print, the data sheet's Return and PRINT). Each says which
// screens it creates, shows, hides or closes and what it writes into them; the forms change
// one another only through these and their own intention-named methods. The forms run these
// inside their guarded handlers, so a failure is reported and the program carries on.
#pragma once

namespace hopscale {

class Screens;

namespace flow {

// Start screen load: offer the line types, load the saved inputs (the input screen is created
// hidden when a record is stored), clear the frequency, close the guide.
void startScreenLoad(Screens& screens);
// Start screen End: close it, end the program; nothing is saved.
void endFromStartScreen(Screens& screens);
// GO: guideSkipped := 0, offer the line types for the frequency and show the guide.
void go(Screens& screens);
// Skip: hide the input screen's line-type boxes, guideSkipped := 1, show the input screen,
// close the start screen.
void skip(Screens& screens);
// The guide's Continue: frequency, losses and names into the input screen and the data
// sheet, guideSkipped := 0, show the input screen. A notice on the guide says when a loss
// comes from no choice or from a lookup at another frequency.
void guideContinue(Screens& screens);
// The guide's Cancel: the line-type boxes and captions hidden, show the input screen.
void guideCancel(Screens& screens);
// END of the guide and of the input screen: end the program; nothing is saved.
void endWithoutSaving(Screens& screens);
// Input screen load: the saved inputs, the offer of line types, the transmit name emptied.
void inputScreenLoad(Screens& screens);
// CONTINUE: calculate; on success write the data sheet's coordinates, show the results
// (refilled when the screen still exists) and hide the input screen. A failure is reported,
// naming the field, and nothing changes.
void continueToResults(Screens& screens);
// The results screen's END: save, then end. When the save fails the user chooses: try
// again, end without saving, or go back to the results.
void endWithSave(Screens& screens);
// Another: save; close the guide, start, input and results screens; re-create the input
// screen from the file; close the data sheet; show the start screen.
void another(Screens& screens);
// Data Form with Print: save, show the data sheet, hide the input screen.
void dataFormWithPrint(Screens& screens);
// Link Performance: open the "Link Performance" window over the path just calculated.
void linkPerformance(Screens& screens);
// The data sheet's Return: hide it, show the results screen again as it was.
void returnToResults(Screens& screens);
// The data sheet's PRINT: print its window image; no change of screens.
void printDataSheet(Screens& screens);
// Closing the guide from its frame hides it; the program ends when nothing else is on view.
void guideFrameClose(Screens& screens);

// Reads the catalogue index and offers the line types that cover the start screen's
// frequency in the guide's lists; `showGuide` then shows it. `fromLoad` marks the offers of
// the forms' loads, which do not name again a failure already reported.
void offerLineTypes(Screens& screens, bool fromLoad, bool showGuide);

}  // namespace flow
}  // namespace hopscale
