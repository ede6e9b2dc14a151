#pragma once
// The names a screen reader speaks for the window's controls, in one place. A control whose text says
// what it is (a check box, a push button with a word on it) keeps its text; the others (fields, lists,
// pickers, sliders, buttons marked "+" or "1") get a name of their own here, never their group box's
// title. The same place sets the order in which Tab walks the Display page.

class QWidget;

namespace nimbrel::app {

class TForm3Dview;
class TFormStation;
class TFormUpdateKepler;

void NameWindowControls(TForm3Dview& window);
void NameStationControls(TFormStation& page);
void NameUpdateKeplerControls(TFormUpdateKepler& dialog);
// The Passes dialog's table, found by its object name.
void NamePassesControls(QWidget& dialog);

}  // namespace nimbrel::app
