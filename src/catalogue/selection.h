#pragma once

#include "catalogue/font_list.h"

namespace lb {

// Mouse buttons and shift states as the lists receive them.
enum ListButton { ButtonLeft = 1, ButtonRight = 2, ButtonMiddle = 4 };
enum ListShift { ShiftNone = 0, ShiftShift = 1, ShiftCtrl = 2, ShiftAlt = 4 };

// State shared by both lists: the last Shift click and the last press.
struct PressMemory {
    int endRow = -1;
    int lastButton = 0;
    int lastShift = 0;
};

struct PressResult {
    bool handled = false;   // the list had rows
    bool picked = false;    // the clicked font became the picked font (sample, history, delete)
    bool showPopup = false; // open the font pop-up menu
    QString status;         // the message panel text
};

// A mouse press on `row` (0-based) of a list. Plain click selects the row alone and sets the
// anchor; Ctrl toggles the row; Shift selects from the anchor to the row; Alt acts as a plain
// left click; a right click on a selected row keeps the selection for the pop-up menu.
PressResult pressRow(FontListModel& list, int row, int button, int shift, PressMemory& memory,
                     QString& pickedFontName, const QString& listCaption);

// The message panel text for a list's selection.
QString selectionText(const FontListModel& list, const QString& pickedFontName,
                      const QString& listCaption);

// Type-to-find: the first row whose name, lower-cased, begins with or sorts after the typed
// text; 0 for empty text; -1 when no row qualifies.
int findRow(const FontListModel& list, const QString& typed);

// Caption tool tips.
QString countTip(int rows); // " 12 fonts "
QString setsTip(int sets, const QString& activatedSet);

} // namespace lb
