#pragma once

#include <QString>
#include <vector>

class QWidget;

namespace lb {

// One help page and the context number that opens it.
struct HelpTopic {
    int context;
    const char* page;
};

// Every context number the program opens help at, with its page.
const std::vector<HelpTopic>& helpTopics();

inline constexpr int HelpContents = 0; // the contents-and-index page
inline constexpr int HelpProduct = 1003;

// The installed help pages: share/letterbay/help.
QString helpFolder();
// The page file of a context number; the contents page for HelpContents or an unknown number.
QString helpPage(int context);

// Opens the program's help window at the page of `context`.
void showHelp(int context);

// F1 in `dialog` opens help at `context`; with Shift held it does nothing. The dialog sees the
// key before its controls do.
void installHelpKey(QWidget* dialog, int context);

// Gives every control of `window` that has one its What's This text from the help folder.
void applyWhatsThis(QWidget* window);
QString whatsThisText(const QString& objectName);

} // namespace lb
