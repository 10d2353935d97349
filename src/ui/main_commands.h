#pragma once

#include <QHash>
#include <QString>
#include <vector>

class QAction;
class QMenu;
class QPushButton;
class QToolBar;
class QWidget;

namespace lb {

class FrmMain;
using Handler = void (FrmMain::*)();

// The main window's commands, each in one row: what it is called, what the user sees and
// presses, and the procedure of FrmMain that runs it. Menus, pop-ups, toolbar and the
// assignment buttons are all built from these tables; nothing else wires a command.

// A menu item; a caption of "-" is a separator.
struct MenuItem {
    const char* name;
    const char* caption;
    const char* shortcut; // nullptr for none
    Handler handler;
    bool checkable = false;
};

struct Menu {
    const char* name;
    const char* caption;
    std::vector<MenuItem> items;
};

// A toolbar button, dispatched on its key. The icon comes from the desktop's icon theme, else
// from the bundled icon of the same name. A null handler does nothing.
struct ToolButton {
    const char* key;
    const char* tooltip;
    const char* icon;
    Handler handler;
    bool checkable = false;
    bool separatorAfter = false;
};

// The four assignment buttons `cmdAdd`, index 0 to 3.
struct AssignButton {
    const char* caption;
    Handler handler;
};

const std::vector<Menu>& menuBarTable();
// The pop-up menus, under the hidden top-level item `mnuPopup`.
const std::vector<Menu>& popupTable();
const std::vector<ToolButton>& toolbarTable();
const std::vector<AssignButton>& assignButtonTable();

// What the tables built.
struct Commands {
    QHash<QString, QAction*> items; // menu items by name
    QHash<QString, QAction*> tools; // toolbar buttons by key
    QMenu* popup = nullptr;         // `mnuPopup`
    QToolBar* toolbar = nullptr;    // `barTool`
    std::vector<QPushButton*> assign;
};

// Builds the menu bar, the pop-up menus, the toolbar and the assignment buttons (parented to
// `buttonParent`) of `window`.
Commands buildCommands(FrmMain& window, QWidget* buttonParent);

} // namespace lb
