#include "ui/main_commands.h"

#include "ui/frm_main.h"

#include <QAction>
#include <QMenuBar>
#include <QPushButton>
#include <QToolBar>

namespace lb {

using M = FrmMain;

const std::vector<Menu>& menuBarTable() {
    static const std::vector<Menu> menus = {
        {"mnuMenuFile",
         "&File",
         {
             {"mnuFileFontPreview", "&Font Preview...", nullptr, &M::mnuFileFontPreview_Click},
             {"mnuFileRefresh", "&Refresh Fonts", nullptr, &M::mnuFileRefresh_Click},
             {"mnuFileDocumentFonts", "Fonts for a &Document...", nullptr,
              &M::mnuFileDocumentFonts_Click},
             {"mnuFilePrintBreak", "-", nullptr, nullptr},
             {"mnuFilePrintSetup", "Print &Setup...", nullptr, &M::mnuFilePrintSetup_Click},
             {"mnuFilePrint", "&Print...", "Ctrl+P", &M::mnuFilePrint_Click},
             {"mnuFileBreakExit", "-", nullptr, nullptr},
             {"mnuFileExit", "E&xit", nullptr, &M::mnuFileExit_Click},
         }},
        {"mnuMenuEdit",
         "&Edit",
         {
             {"mnuEditAddAutoAssign", "AutoAssign on &Install/Refresh", nullptr,
              &M::mnuEditAddAutoAssign_Click, true},
             {"mnuEditRemoveAutoAssign", "Re&move AutoAssign on Unassign", nullptr,
              &M::mnuEditRemoveAutoAssign_Click, true},
             {"mnuEditAssignBreak", "-", nullptr, nullptr},
             {"mnuEditAddSelected", "&Assign Selected Fonts to Set", nullptr,
              &M::mnuEditAddSelected_Click},
             {"mnuEditAddAll", "Assi&gn All Fonts to Set", nullptr, &M::mnuEditAddAll_Click},
             {"mnuEditRemoveSelected", "&Unassign Selected Fonts from Set", nullptr,
              &M::mnuEditRemoveSelected_Click},
             {"mnuEditRemoveAll", "U&nassign All Fonts from Set", nullptr,
              &M::mnuEditRemoveAll_Click},
             {"mnuEditAllSetsBreak", "-", nullptr, nullptr},
             {"mnuEditAssignSets", "Assign Selected Fonts t&o All Sets", nullptr,
              &M::mnuEditAssignSets_Click},
             {"mnuEditUnassignSets", "Unassign Selected Fonts &from All Sets", nullptr,
              &M::mnuEditUnassignSets_Click},
             {"mnuEditDeleteBreak", "-", nullptr, nullptr},
             {"mnuEditDelete", "&Delete", nullptr, &M::mnuEditDelete_Click},
             {"mnuEditCopySet", "&Copy Set...", nullptr, &M::mnuEditCopySet_Click},
             {"mnuEditRenameSet", "&Rename Set...", nullptr, &M::mnuEditRenameSet_Click},
             {"mnuEditSampleBreak", "-", nullptr, nullptr},
             {"mnuEditSample", "Sample &Text", nullptr, &M::mnuEditSample_Click},
             {"mnuEditActiveBreak", "-", nullptr, nullptr},
             {"mnuEditActiveAll", "Activate All &Sets", nullptr, &M::mnuEditActiveAll_Click},
             {"mnuEditActiveSelected", "Acti&vate Selected Set Only", nullptr,
              &M::mnuEditActiveSelected_Click},
         }},
        {"mnuMenuView",
         "&View",
         {
             {"mnuViewHistory", "&History...", nullptr, &M::mnuViewHistory_Click},
             {"mnuViewLegend", "&Legend...", nullptr, &M::mnuViewLegend_Click},
             {"mnuViewSampleSetBreak", "-", nullptr, nullptr},
             {"mnuViewSampleSet", "Display A&ssigned Fonts", nullptr, &M::mnuViewSampleSet_Click},
             {"mnuViewDisplayAllFonts", "&Display All Fonts", nullptr,
              &M::mnuViewDisplayAllFonts_Click},
             {"mnuViewSetsBreak", "-", nullptr, nullptr},
             {"mnuViewSets", "&Assigned Sets...", nullptr, &M::mnuViewSets_Click},
             {"mnuViewCheck", "Duplicate and Dama&ged Fonts...", nullptr, &M::mnuViewCheck_Click},
             {"mnuViewPropertiesBreak", "-", nullptr, nullptr},
             {"mnuViewProperties", "P&roperties", nullptr, &M::mnuViewProperties_Click},
         }},
        {"mnuMenuHelp",
         "&Help",
         {
             {"mnuHelpProduct", "Letterbay &Help", "F1", &M::mnuHelpProduct_Click},
             {"mnuHelpContentsBreak", "-", nullptr, nullptr},
             {"mnuHelpContents", "&Contents and Index", nullptr, &M::mnuHelpContents_Click},
             {"mnuHelpWhatsThis", "What's &This?", "Shift+F1", &M::mnuHelpWhatsThis_Click},
             {"mnuHelpSupport", "&Obtaining Technical Support", nullptr, &M::mnuHelpSupport_Click},
             {"mnuHelpAboutBreak", "-", nullptr, nullptr},
             {"mnuHelpAbout", "&About Letterbay...", nullptr, &M::mnuHelpAbout_Click},
         }},
    };
    return menus;
}

const std::vector<Menu>& popupTable() {
    static const std::vector<Menu> menus = {
        {"mnuPopupFont",
         "Font",
         {
             {"mnuPopupFontPrint", "&Print", nullptr, &M::mnuPopupFontPrint_Click},
             {"mnuPopupFontAssignBreak", "-", nullptr, nullptr},
             {"mnuPopupFontAssign", "&Assign to Set", nullptr, &M::mnuEditAddSelected_Click},
             {"mnuPopupFontUnassign", "&Unassign from Set", nullptr,
              &M::mnuEditRemoveSelected_Click},
             {"mnuPopupFontAllBreak", "-", nullptr, nullptr},
             {"mnuPopupFontAssignSets", "Assign t&o All Sets", nullptr,
              &M::mnuEditAssignSets_Click},
             {"mnuPopupFontUnassignSets", "Unassign &from All Sets", nullptr,
              &M::mnuEditUnassignSets_Click},
             {"mnuPopupFontDeleteBreak", "-", nullptr, nullptr},
             {"mnuPopupFontDelete", "&Delete", nullptr, &M::mnuPopupFontDelete_Click},
             {"mnuPopupFontSetsBreak", "-", nullptr, nullptr},
             {"mnuPopupFontHistory", "&History...", nullptr, &M::mnuViewHistory_Click},
             {"mnuPopupFontLegend", "&Legend...", nullptr, &M::mnuViewLegend_Click},
             {"mnuPopupFontAssignedBreak", "-", nullptr, nullptr},
             {"mnuPopupFontSets", "Assigned &Sets...", nullptr, &M::mnuViewSets_Click},
             {"mnuPopupFontPropertiesBreak", "-", nullptr, nullptr},
             {"mnuPopupFontProperties", "P&roperties", nullptr, &M::mnuViewProperties_Click},
         }},
        {"mnuPopupPreview",
         "Preview",
         {
             {"mnuPopupPreviewProperties", "P&roperties", nullptr,
              &M::mnuPopupPreviewProperties_Click},
         }},
    };
    return menus;
}

const std::vector<ToolButton>& toolbarTable() {
    static const std::vector<ToolButton> buttons = {
        {"PreviewFonts", "Font Preview", "preferences-desktop-font", &M::mnuFileFontPreview_Click,
         false, true},
        {"Print", "Print", "document-print", &M::mnuPopupFontPrint_Click},
        {"Preview", "Print Preview", "document-print-preview", &M::Print_Preview, false, true},
        {"Delete", "Delete", "edit-delete", &M::mnuEditDelete_Click, false, true},
        {"Bold", "Bold", "format-text-bold", &M::Toggle_Bold, true},
        {"Italics", "Italics", "format-text-italic", &M::Toggle_Italics, true},
        {"Underline", "Underline", "format-text-underline", &M::Toggle_Underline, true, true},
        {"Display All", "Display All Fonts", "format-justify-fill",
         &M::mnuViewDisplayAllFonts_Click},
        {"Redisplay Set", "Display Assigned Fonts", "format-justify-left",
         &M::mnuViewSampleSet_Click},
        {"Sample Text", "Sample Text", "insert-text", &M::mnuEditSample_Click, false, true},
        // Every set's fonts on; only the chosen set's fonts on.
        {"ActiveAll", "Activate All Sets", "edit-select-all", &M::mnuEditActiveAll_Click},
        {"ActiveSelected", "Activate Selected Set", "object-select",
         &M::mnuEditActiveSelected_Click, false, true},
        {"Properties", "Properties", "document-properties", &M::mnuViewProperties_Click, false,
         true},
        {"Exit", "Exit", "application-exit", &M::mnuFileExit_Click, false, true},
        {"Context Help", "Context Help", "help-faq", &M::mnuHelpWhatsThis_Click},
        {"Help", "Help", "help-browser", &M::mnuHelpProduct_Click},
    };
    return buttons;
}

const std::vector<AssignButton>& assignButtonTable() {
    static const std::vector<AssignButton> buttons = {
        {"&Assign -->", &M::mnuEditAddSelected_Click},
        {"Assi&gn All -->>", &M::mnuEditAddAll_Click},
        {"<-- &Unassign", &M::mnuEditRemoveSelected_Click},
        {"<<-- Unassig&n All", &M::mnuEditRemoveAll_Click},
    };
    return buttons;
}

namespace {

QAction* addItem(FrmMain& window, QMenu* menu, const MenuItem& item) {
    const QString name = QString::fromLatin1(item.name);
    QAction* a = nullptr;
    if (QLatin1String(item.caption) == QLatin1String("-")) {
        a = menu->addSeparator();
    } else {
        a = menu->addAction(QString::fromUtf8(item.caption));
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
        addMenu(window, window.menuBar()->addMenu(QString::fromUtf8(entry.caption)), entry, out);

    // Holds the context menus; never shown in the menu bar.
    out.popup = window.menuBar()->addMenu(QStringLiteral("PopupMenu"));
    out.popup->setObjectName(QStringLiteral("mnuPopup"));
    for (const Menu& entry : popupTable())
        addMenu(window, out.popup->addMenu(QString::fromUtf8(entry.caption)), entry, out);

    out.toolbar = window.addToolBar(QStringLiteral("Toolbar"));
    out.toolbar->setObjectName(QStringLiteral("barTool"));
    out.toolbar->setMovable(false);
    out.toolbar->setIconSize(QSize(24, 24));
    for (const ToolButton& entry : toolbarTable()) {
        const QString key = QString::fromLatin1(entry.key);
        const QString tip = QString::fromLatin1(entry.tooltip);
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
        auto* b = new QPushButton(QString::fromUtf8(entry.caption), buttonParent);
        b->setObjectName(QStringLiteral("cmdAdd%1").arg(index++));
        QObject::connect(b, &QPushButton::clicked, &window,
                         [&window, h = entry.handler] { (window.*h)(); });
        out.assign.push_back(b);
    }
    return out;
}

} // namespace lb
