#include "ui/main_commands.h"

#include "ui/frm_main.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>

namespace lb {

using M = FrmMain;

const std::vector<Menu>& menuBarTable() {
    static const std::vector<Menu> menus = {
        {"mnuMenuFile",
         QT_TRANSLATE_NOOP("MainCommands", "&File"),
         {
             {"mnuFileFontPreview", QT_TRANSLATE_NOOP("MainCommands", "&Font Preview..."), nullptr,
              &M::mnuFileFontPreview_Click},
             {"mnuFileRefresh", QT_TRANSLATE_NOOP("MainCommands", "&Refresh Fonts"), nullptr,
              &M::mnuFileRefresh_Click},
             {"mnuFileDocumentFonts", QT_TRANSLATE_NOOP("MainCommands", "Fonts for a &Document..."),
              nullptr, &M::mnuFileDocumentFonts_Click},
             {"mnuFilePrintBreak", "-", nullptr, nullptr},
             {"mnuFilePrintSetup", QT_TRANSLATE_NOOP("MainCommands", "Print &Setup..."), nullptr,
              &M::mnuFilePrintSetup_Click},
             {"mnuFilePrint", QT_TRANSLATE_NOOP("MainCommands", "&Print..."), "Ctrl+P",
              &M::mnuFilePrint_Click},
             {"mnuFileBreakExit", "-", nullptr, nullptr},
             {"mnuFileExit", QT_TRANSLATE_NOOP("MainCommands", "E&xit"), nullptr,
              &M::mnuFileExit_Click},
         }},
        {"mnuMenuEdit",
         QT_TRANSLATE_NOOP("MainCommands", "&Edit"),
         {
             {"mnuEditAddAutoAssign",
              QT_TRANSLATE_NOOP("MainCommands", "AutoAssign on &Install/Refresh"), nullptr,
              &M::mnuEditAddAutoAssign_Click, true},
             {"mnuEditRemoveAutoAssign",
              QT_TRANSLATE_NOOP("MainCommands", "Re&move AutoAssign on Unassign"), nullptr,
              &M::mnuEditRemoveAutoAssign_Click, true},
             {"mnuEditAssignBreak", "-", nullptr, nullptr},
             {"mnuEditAddSelected",
              QT_TRANSLATE_NOOP("MainCommands", "&Assign Selected Fonts to Set"), nullptr,
              &M::mnuEditAddSelected_Click},
             {"mnuEditAddAll", QT_TRANSLATE_NOOP("MainCommands", "Assi&gn All Fonts to Set"),
              nullptr, &M::mnuEditAddAll_Click},
             {"mnuEditRemoveSelected",
              QT_TRANSLATE_NOOP("MainCommands", "&Unassign Selected Fonts from Set"), nullptr,
              &M::mnuEditRemoveSelected_Click},
             {"mnuEditRemoveAll", QT_TRANSLATE_NOOP("MainCommands", "U&nassign All Fonts from Set"),
              nullptr, &M::mnuEditRemoveAll_Click},
             {"mnuEditAllSetsBreak", "-", nullptr, nullptr},
             {"mnuEditAssignSets",
              QT_TRANSLATE_NOOP("MainCommands", "Assign Selected Fonts t&o All Sets"), nullptr,
              &M::mnuEditAssignSets_Click},
             {"mnuEditUnassignSets",
              QT_TRANSLATE_NOOP("MainCommands", "Unassign Selected Fonts &from All Sets"), nullptr,
              &M::mnuEditUnassignSets_Click},
             {"mnuEditDeleteBreak", "-", nullptr, nullptr},
             {"mnuEditDelete", QT_TRANSLATE_NOOP("MainCommands", "&Delete"), nullptr,
              &M::mnuEditDelete_Click},
             {"mnuEditCopySet", QT_TRANSLATE_NOOP("MainCommands", "&Copy Set..."), nullptr,
              &M::mnuEditCopySet_Click},
             {"mnuEditRenameSet", QT_TRANSLATE_NOOP("MainCommands", "&Rename Set..."), nullptr,
              &M::mnuEditRenameSet_Click},
             {"mnuEditSampleBreak", "-", nullptr, nullptr},
             {"mnuEditSample", QT_TRANSLATE_NOOP("MainCommands", "Sample &Text"), nullptr,
              &M::mnuEditSample_Click},
             {"mnuEditActiveBreak", "-", nullptr, nullptr},
             {"mnuEditActiveAll", QT_TRANSLATE_NOOP("MainCommands", "Activate All &Sets"), nullptr,
              &M::mnuEditActiveAll_Click},
             {"mnuEditActiveSelected",
              QT_TRANSLATE_NOOP("MainCommands", "Acti&vate Selected Set Only"), nullptr,
              &M::mnuEditActiveSelected_Click},
         }},
        {"mnuMenuView",
         QT_TRANSLATE_NOOP("MainCommands", "&View"),
         {
             {"mnuViewHistory", QT_TRANSLATE_NOOP("MainCommands", "&History..."), nullptr,
              &M::mnuViewHistory_Click},
             {"mnuViewLegend", QT_TRANSLATE_NOOP("MainCommands", "&Legend..."), nullptr,
              &M::mnuViewLegend_Click},
             {"mnuViewSampleSetBreak", "-", nullptr, nullptr},
             {"mnuViewSampleSet", QT_TRANSLATE_NOOP("MainCommands", "Display A&ssigned Fonts"),
              nullptr, &M::mnuViewSampleSet_Click},
             {"mnuViewDisplayAllFonts", QT_TRANSLATE_NOOP("MainCommands", "&Display All Fonts"),
              nullptr, &M::mnuViewDisplayAllFonts_Click},
             {"mnuViewSetsBreak", "-", nullptr, nullptr},
             {"mnuViewSets", QT_TRANSLATE_NOOP("MainCommands", "&Assigned Sets..."), nullptr,
              &M::mnuViewSets_Click},
             {"mnuViewCheck", QT_TRANSLATE_NOOP("MainCommands", "Duplicate and Dama&ged Fonts..."),
              nullptr, &M::mnuViewCheck_Click},
             {"mnuViewPropertiesBreak", "-", nullptr, nullptr},
             {"mnuViewProperties", QT_TRANSLATE_NOOP("MainCommands", "P&roperties"), nullptr,
              &M::mnuViewProperties_Click},
         }},
        {"mnuMenuHelp",
         QT_TRANSLATE_NOOP("MainCommands", "&Help"),
         {
             {"mnuHelpProduct", QT_TRANSLATE_NOOP("MainCommands", "Letterbay &Help"), "F1",
              &M::mnuHelpProduct_Click},
             {"mnuHelpContentsBreak", "-", nullptr, nullptr},
             {"mnuHelpContents", QT_TRANSLATE_NOOP("MainCommands", "&Contents and Index"), nullptr,
              &M::mnuHelpContents_Click},
             {"mnuHelpWhatsThis", QT_TRANSLATE_NOOP("MainCommands", "What's &This?"), "Shift+F1",
              &M::mnuHelpWhatsThis_Click},
             {"mnuHelpSupport", QT_TRANSLATE_NOOP("MainCommands", "&Obtaining Technical Support"),
              nullptr, &M::mnuHelpSupport_Click},
             {"mnuHelpAboutBreak", "-", nullptr, nullptr},
             {"mnuHelpAbout", QT_TRANSLATE_NOOP("MainCommands", "&About Letterbay..."), nullptr,
              &M::mnuHelpAbout_Click},
         }},
    };
    return menus;
}

const std::vector<Menu>& popupTable() {
    static const std::vector<Menu> menus = {
        {"mnuPopupFont",
         QT_TRANSLATE_NOOP("MainCommands", "Font"),
         {
             {"mnuPopupFontPrint", QT_TRANSLATE_NOOP("MainCommands", "&Print"), nullptr,
              &M::mnuPopupFontPrint_Click},
             {"mnuPopupFontAssignBreak", "-", nullptr, nullptr},
             {"mnuPopupFontAssign", QT_TRANSLATE_NOOP("MainCommands", "&Assign to Set"), nullptr,
              &M::mnuEditAddSelected_Click},
             {"mnuPopupFontUnassign", QT_TRANSLATE_NOOP("MainCommands", "&Unassign from Set"),
              nullptr, &M::mnuEditRemoveSelected_Click},
             {"mnuPopupFontAllBreak", "-", nullptr, nullptr},
             {"mnuPopupFontAssignSets", QT_TRANSLATE_NOOP("MainCommands", "Assign t&o All Sets"),
              nullptr, &M::mnuEditAssignSets_Click},
             {"mnuPopupFontUnassignSets",
              QT_TRANSLATE_NOOP("MainCommands", "Unassign &from All Sets"), nullptr,
              &M::mnuEditUnassignSets_Click},
             {"mnuPopupFontDeleteBreak", "-", nullptr, nullptr},
             {"mnuPopupFontDelete", QT_TRANSLATE_NOOP("MainCommands", "&Delete"), nullptr,
              &M::mnuPopupFontDelete_Click},
             {"mnuPopupFontSetsBreak", "-", nullptr, nullptr},
             {"mnuPopupFontHistory", QT_TRANSLATE_NOOP("MainCommands", "&History..."), nullptr,
              &M::mnuViewHistory_Click},
             {"mnuPopupFontLegend", QT_TRANSLATE_NOOP("MainCommands", "&Legend..."), nullptr,
              &M::mnuViewLegend_Click},
             {"mnuPopupFontAssignedBreak", "-", nullptr, nullptr},
             {"mnuPopupFontSets", QT_TRANSLATE_NOOP("MainCommands", "Assigned &Sets..."), nullptr,
              &M::mnuViewSets_Click},
             {"mnuPopupFontPropertiesBreak", "-", nullptr, nullptr},
             {"mnuPopupFontProperties", QT_TRANSLATE_NOOP("MainCommands", "P&roperties"), nullptr,
              &M::mnuViewProperties_Click},
         }},
        {"mnuPopupPreview",
         QT_TRANSLATE_NOOP("MainCommands", "Preview"),
         {
             {"mnuPopupPreviewProperties", QT_TRANSLATE_NOOP("MainCommands", "P&roperties"),
              nullptr, &M::mnuPopupPreviewProperties_Click},
         }},
    };
    return menus;
}

const std::vector<ToolButton>& toolbarTable() {
    static const std::vector<ToolButton> buttons = {
        {"PreviewFonts", QT_TRANSLATE_NOOP("MainCommands", "Font Preview"),
         "preferences-desktop-font", &M::mnuFileFontPreview_Click, false, true},
        {"Print", QT_TRANSLATE_NOOP("MainCommands", "Print"), "document-print",
         &M::mnuPopupFontPrint_Click},
        {"Preview", QT_TRANSLATE_NOOP("MainCommands", "Print Preview"), "document-print-preview",
         &M::Print_Preview, false, true},
        {"Delete", QT_TRANSLATE_NOOP("MainCommands", "Delete"), "edit-delete",
         &M::mnuEditDelete_Click, false, true},
        {"Bold", QT_TRANSLATE_NOOP("MainCommands", "Bold"), "format-text-bold", &M::Toggle_Bold,
         true},
        {"Italics", QT_TRANSLATE_NOOP("MainCommands", "Italics"), "format-text-italic",
         &M::Toggle_Italics, true},
        {"Underline", QT_TRANSLATE_NOOP("MainCommands", "Underline"), "format-text-underline",
         &M::Toggle_Underline, true, true},
        {"Display All", QT_TRANSLATE_NOOP("MainCommands", "Display All Fonts"),
         "format-justify-fill", &M::mnuViewDisplayAllFonts_Click},
        {"Redisplay Set", QT_TRANSLATE_NOOP("MainCommands", "Display Assigned Fonts"),
         "format-justify-left", &M::mnuViewSampleSet_Click},
        {"Sample Text", QT_TRANSLATE_NOOP("MainCommands", "Sample Text"), "insert-text",
         &M::mnuEditSample_Click, false, true},
        // Every set's fonts on; only the chosen set's fonts on.
        {"ActiveAll", QT_TRANSLATE_NOOP("MainCommands", "Activate All Sets"), "edit-select-all",
         &M::mnuEditActiveAll_Click},
        {"ActiveSelected", QT_TRANSLATE_NOOP("MainCommands", "Activate Selected Set"),
         "object-select", &M::mnuEditActiveSelected_Click, false, true},
        {"Properties", QT_TRANSLATE_NOOP("MainCommands", "Properties"), "document-properties",
         &M::mnuViewProperties_Click, false, true},
        {"Exit", QT_TRANSLATE_NOOP("MainCommands", "Exit"), "application-exit",
         &M::mnuFileExit_Click, false, true},
        {"Context Help", QT_TRANSLATE_NOOP("MainCommands", "Context Help"), "help-faq",
         &M::mnuHelpWhatsThis_Click},
        {"Help", QT_TRANSLATE_NOOP("MainCommands", "Help"), "help-browser",
         &M::mnuHelpProduct_Click},
    };
    return buttons;
}

const std::vector<AssignButton>& assignButtonTable() {
    static const std::vector<AssignButton> buttons = {
        {QT_TRANSLATE_NOOP("MainCommands", "&Assign -->"), &M::mnuEditAddSelected_Click},
        {QT_TRANSLATE_NOOP("MainCommands", "Assi&gn All -->>"), &M::mnuEditAddAll_Click},
        {QT_TRANSLATE_NOOP("MainCommands", "<-- &Unassign"), &M::mnuEditRemoveSelected_Click},
        {QT_TRANSLATE_NOOP("MainCommands", "<<-- Unassig&n All"), &M::mnuEditRemoveAll_Click},
    };
    return buttons;
}

namespace {

// A caption or tooltip of the tables, in the user's language.
QString shown(const char* text) {
    return QCoreApplication::translate("MainCommands", text);
}

QAction* addItem(FrmMain& window, QMenu* menu, const MenuItem& item) {
    const QString name = QString::fromLatin1(item.name);
    QAction* a = nullptr;
    if (QLatin1String(item.caption) == QLatin1String("-")) {
        a = menu->addSeparator();
    } else {
        a = menu->addAction(shown(item.caption));
        if (item.handler)
            QObject::connect(a, &QAction::triggered, &window,
                             [&window, h = item.handler] { (window.*h)(); });
        if (item.shortcut) {
            a->setShortcut(QKeySequence(QString::fromLatin1(item.shortcut)));
            a->setShortcutContext(Qt::WindowShortcut);
        }
        a->setCheckable(item.checkable);
    }
    a->setObjectName(name);
    return a;
}

void addMenu(FrmMain& window, QMenu* menu, const Menu& entry, Commands& out) {
    menu->setObjectName(QString::fromLatin1(entry.name));
    for (const MenuItem& item : entry.items)
        out.items.insert(QString::fromLatin1(item.name), addItem(window, menu, item));
}

QIcon toolIcon(const char* name) {
    const QString n = QString::fromLatin1(name);
    return QIcon::fromTheme(n, QIcon(QStringLiteral(":/icons/") + n + QStringLiteral(".png")));
}

} // namespace

Commands buildCommands(FrmMain& window, QWidget* buttonParent) {
    Commands out;
    for (const Menu& entry : menuBarTable())
        addMenu(window, window.menuBar()->addMenu(shown(entry.caption)), entry, out);

    // Holds the context menus; never shown in the menu bar.
    out.popup = window.menuBar()->addMenu(QCoreApplication::translate("MainCommands", "PopupMenu"));
    out.popup->setObjectName(QStringLiteral("mnuPopup"));
    for (const Menu& entry : popupTable())
        addMenu(window, out.popup->addMenu(shown(entry.caption)), entry, out);

    out.toolbar = window.addToolBar(QCoreApplication::translate("MainCommands", "Toolbar"));
    out.toolbar->setObjectName(QStringLiteral("barTool"));
    out.toolbar->setMovable(false);
    out.toolbar->setIconSize(QSize(24, 24));
    for (const ToolButton& entry : toolbarTable()) {
        const QString key = QString::fromLatin1(entry.key);
        const QString tip = shown(entry.tooltip);
        QAction* a = out.toolbar->addAction(toolIcon(entry.icon), tip);
        a->setObjectName(QStringLiteral("barTool_") + QString(key).remove(QLatin1Char(' ')));
        a->setData(key);
        a->setToolTip(tip);
        a->setCheckable(entry.checkable);
        if (entry.handler)
            QObject::connect(a, &QAction::triggered, &window,
                             [&window, h = entry.handler] { (window.*h)(); });
        out.tools.insert(key, a);
        if (entry.separatorAfter) out.toolbar->addSeparator();
    }

    int index = 0;
    for (const AssignButton& entry : assignButtonTable()) {
        auto* b = new QPushButton(shown(entry.caption), buttonParent);

        b->setObjectName(QStringLiteral("cmdAdd%1").arg(index++));
        QObject::connect(b, &QPushButton::clicked, &window,
                         [&window, h = entry.handler] { (window.*h)(); });
        out.assign.push_back(b);
    }
    return out;
}

} // namespace lb
