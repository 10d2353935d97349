#pragma once

// One run of letterbayctl over the same database and hidden-font state as the windows: the
// operations' questions and messages go to the terminal, their status texts become progress on
// standard error when that is a terminal.

#include "core/app_state.h"
#include "core/main_context.h"
#include "platform/desktop_fonts.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "preview/font_preview.h"

#include <QString>
#include <QStringList>

namespace lb::ctl {

// Exit codes.
enum Exit { Done = 0, Refused = 1, UsageError = 2, Unusable = 3 };

// Writes to standard error, a line at a time.
void printError(const QString& text);

// Message boxes without a screen: refusals and notes go to standard error; a question is answered
// Yes only when the command line says so (--yes, or a command that is its own confirmation),
// otherwise No, and the question is shown with how to answer it.
class TerminalBoxes : public MessageBoxes {
public:
    int show(const QString& text, const QString& title, int style) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;

    bool answerYes = false;
    bool echo = true;     // false: refusals and notes are only recorded, the command tells them
    QString inputAnswer;  // what the next input box is given
    QStringList refusals; // critical messages shown
    QStringList declined; // questions answered No
    QStringList notes;    // information shown
};

// The status texts and progress of the operations. While standard error is a terminal they are
// shown there on one line that is redrawn a few times a second and cleared at the end.
class TerminalView : public OperationView {
public:
    TerminalView();
    ~TerminalView() override;

    void setMessage(const QString& text) override;
    void setFontCount(const QString& text) override { fontCount = text; }
    void showProgress(bool visible) override;
    void setProgressRange(int minimum, int maximum) override;
    void setProgressValue(int value) override;
    void setWindowEnabled(bool) override {}
    void yield() override {}
    // Nothing shows the lists: operations need not fill them for the screen.
    bool showsFontLists() const override { return false; }
    // Clears the progress line.
    void finish();

    QString message;   // the last status text
    QString fontCount; // the last font count text

private:
    void draw(bool force);
    bool terminal_ = false;
    bool drawn_ = false;
    int minimum_ = 0, maximum_ = 0, value_ = 0;
    qint64 drawnAt_ = 0;
};

// Font Preview's own messages and progress, on the same line as the operations'.
class TerminalPreviewView : public PreviewView {
public:
    explicit TerminalPreviewView(TerminalView& view) : view_(view) {}
    void setStatus(const QString& text) override { view_.setMessage(text); }
    void setBusy(bool) override {}
    void showProgress(bool visible) override { view_.showProgress(visible); }
    void setProgressRange(int maximum) override { view_.setProgressRange(0, maximum); }
    void setProgressValue(int value) override { view_.setProgressValue(value); }
    void yield() override {}

private:
    TerminalView& view_;
};

// Without a screen nothing is drawn: the preview keeps no font data for drawing.
class NoPreviewDrawing : public PreviewFonts {
public:
    int add(const QString&, int) override { return -1; }
    void removeAll() override {}
    int loadedCount() const override { return 0; }
};

class Session {
public:
    Session();

    // Opens the database of the data folder (made from the shipped one when the user has none)
    // without the windows' instance lock. Empty text when it can be used, else why not.
    QString open();
    // The desktop's own fonts, which are never hidden: needed by every font state.
    void loadSystemFonts();

    TerminalBoxes boxes;
    MemoryPointer pointer;
    AppState app;
    FontconfigFonts fontconfig;
    FontconfigDesktopFonts desktop;
    FontconfigResources resources;
    FontPlatform fonts;
    TerminalView view;
    FontListModel allFonts, assignedFonts;
    MainContext ctx;

private:
    bool systemFontsLoaded_ = false;
};

} // namespace lb::ctl
