#pragma once

#include <QString>

namespace lb {

// What a long operation shows of itself in the main window: the message and count panels of
// the status bar, the progress bar, the blocked window, and the pieces of the window it
// refills when it ends. The window implements it; operations run without a display through
// a recording implementation.
class OperationView {
public:
    virtual ~OperationView() = default;
    virtual void setMessage(const QString& text) = 0;   // status panel 2
    virtual void setFontCount(const QString& text) = 0; // status panel 3
    virtual void showProgress(bool visible) = 0;
    virtual void setProgressRange(int minimum, int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    virtual int progressValue() const = 0;
    virtual int progressMaximum() const = 0;
    virtual void setWindowEnabled(bool enabled) = 0;
    virtual void yield() = 0; // repaint only; the window is disabled meanwhile

    // Pieces of the window that operations refresh.
    virtual void hideSamples() {}
    virtual void fillSets() {}
    virtual void clearAssignedFonts() {}
    virtual void fillAssignedFonts() {}
    virtual void handleButtons() {}
    virtual QString setBoxText() const { return {}; }
    virtual void setSetBoxText(const QString&) {}
    virtual void focusSetBox() {}
};

} // namespace lb
