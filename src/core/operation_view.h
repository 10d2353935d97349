#pragma once

#include <QString>

namespace lb {

// What a long operation shows of itself in the main window: the message and count panels of
// the status bar, the progress bar, the blocked window, and the pieces of the window it
// refills when it ends. Operations only tell it things: what they work on is passed to them.
// The window implements it; operations run without a display through a recording
// implementation.
class OperationView {
public:
    virtual ~OperationView() = default;
    virtual void setMessage(const QString& text) = 0;   // status panel 2
    virtual void setFontCount(const QString& text) = 0; // status panel 3
    virtual void showProgress(bool visible) = 0;
    virtual void setProgressRange(int minimum, int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    virtual void setWindowEnabled(bool enabled) = 0;
    virtual void yield() = 0; // repaint only; the window is disabled meanwhile

    // Pieces of the window that operations refresh.
    virtual void hideSamples() {}
    virtual void fillSets() {}
    virtual void clearAssignedFonts() {}
    virtual void fillAssignedFonts() {}
    virtual void handleButtons() {}
    virtual void setSetBoxText(const QString&) {}
    virtual void focusSetBox() {}

    // The set box's list, kept sorted without regard to letter case.
    virtual void addSetEntry(const QString&) {}
    // Removes the selected entry, or else the first whose text matches `name`.
    virtual void removeSetEntry(const QString&) {}

    // The Delete command and its tool tip ("Delete Set", "Delete Font").
    virtual void enableDelete(const QString&) {}
    virtual void disableDelete() {}

    // The All Fonts list's scroll position, kept over a refill: noted before, put back after.
    virtual void keepAllFontsPosition() {}
    virtual void restoreAllFontsPosition() {}

    // Empties the find box of list 1 (All Fonts) or 2 (Assigned Fonts).
    virtual void clearFindBox(int) {}

    // The sample pane shows the picked font.
    virtual void displayFont() {}

    // An activation of `set` (empty: every set) begins, and has been applied and recorded. A view
    // that describes activations in its own words takes them from here rather than from the
    // message texts.
    virtual void activationStarted(const QString&) {}
    virtual void activationApplied(const QString&) {}
    // False for a view without the font lists: operations then leave them unfilled.
    virtual bool showsFontLists() const { return true; }
};

} // namespace lb
