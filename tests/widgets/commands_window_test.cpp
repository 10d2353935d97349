#include "catalogue/font_properties.h"
#include "core/schema.h"
#include "support/shown_texts.h"
#include "support/window_fixture.h"
#include "ui/dialogs.h"
#include "ui/frm_about.h"
#include "ui/frm_font_preview.h"
#include "ui/frm_history.h"
#include "ui/frm_print_setup.h"
#include "ui/frm_properties.h"
#include "ui/help.h"

using namespace lb;

namespace {

// A desktop icon theme with an icon to activate every set, and none to activate one set.
struct CommandsWindow : lbtest::WindowFixture {
    QTemporaryDir themes;
    QStringList paths = QIcon::themeSearchPaths();
    QString theme = QIcon::themeName();

    void SetUp() override {
        const QString dir = themes.path() + "/lbtest/";
        QDir().mkpath(dir + "24");
        lbtest::writeFile(dir + "index.theme",
                          "[Icon Theme]\nName=lbtest\nDirectories=24\n[24]\nSize=24\nType=Fixed\n");
        QImage red(24, 24, QImage::Format_ARGB32);
        red.fill(Qt::red);
        ASSERT_TRUE(red.save(dir + "24/edit-select-all.png"));
        QIcon::setThemeSearchPaths({themes.path()});
        QIcon::setThemeName("lbtest");
        installFonts({"FixtureSans-Regular.ttf"});
        // A second file by its full path, capitals in its folder's name: shown as spelt.
        bold_ = env.installFixture("FixtureSans-Bold.ttf", false, "Extra/FixtureSans-Bold.TTF");
        addFont("Fixture Sans", "Fixture Sans Bold", bold_);
        addFont("Desk Sans", "Desk Sans Regular", "desk.ttf");
        addFont("Ghost Face", "Ghost Face Regular", "ghost.ttf");
        desktop.list = {"Desk Sans"};
        start();
        app.db->exec("DELETE FROM [Sets]; INSERT INTO [Sets] VALUES ('Work')");
        showWindow(900, 700, true);
    }
    void TearDown() override {
        if (QWidget* help = lbtest::shownWindow("frmHelp")) help->close();
        WindowFixture::TearDown();
        QIcon::setThemeSearchPaths(paths);
        QIcon::setThemeName(theme);
    }

    QString bold_;
};

TEST_F(CommandsWindow, HandleButtonsFollowsTheSetBoxAndTheSelections) {
    // The buttons, [tools] and menu items that are on, Delete's last, and what its tooltip says.
    const auto on = [this] {
        QStringList names;
        for (int i = 0; i < 4; ++i)
            if (button(i)->isEnabled()) names << QString::number(i);
        for (const char* tool : {"Redisplay Set", "ActiveSelected"})
            if (w->tool(tool)->isEnabled()) names << "[" + QString(tool) + "]";
        for (const char* item :
             {"mnuEditRenameSet", "mnuEditCopySet", "mnuEditActiveSelected", "mnuViewSampleSet",
              "mnuEditAddSelected", "mnuEditRemoveSelected", "mnuEditDelete"})
            if (w->command(item)->isEnabled()) names << QString(item).mid(3);
        if (w->tool("Delete")->isEnabled()) names << "[Delete]";
        return names.join(' ') + " | " + w->tool("Delete")->toolTip();
    };
    const QString sets = "[Redisplay Set] [ActiveSelected] EditRenameSet EditCopySet "
                         "EditActiveSelected ViewSampleSet";
    EXPECT_EQ(on(), " | Delete");
    // A font selected, still no set: only Delete comes on, for the font.
    pick("Fixture Sans");
    EXPECT_EQ(on(), "EditDelete [Delete] | Delete Font");
    // A set and a font: assign, and the set commands; nothing selected in Assigned Fonts.
    chooseSet("Work");
    EXPECT_EQ(w->tool("Delete")->toolTip(), "Delete Set");
    pick("Fixture Sans");
    EXPECT_EQ(on(), "0 1 3 " + sets + " EditAddSelected EditDelete [Delete] | Delete Font");
    // A press in Assigned Fonts takes Delete away.
    QTest::mouseClick(button(0), Qt::LeftButton);
    pick("Fixture Sans", 2);
    const QString both = "0 1 2 3 " + sets + " EditAddSelected EditRemoveSelected";
    EXPECT_EQ(on(), both + " | Delete");
    // The set box with text in it, focused: Delete is for the set.
    setBox()->lineEdit()->setFocus();
    EXPECT_EQ(on(), both + " EditDelete [Delete] | Delete Set");
    // In a find box Delete would act on nothing: it is off.
    QTest::mouseClick(w->findChild<QLineEdit*>("txtAll"), Qt::LeftButton);
    EXPECT_EQ(on(), both + " | Delete");
    // Emptied set box: back to nothing.
    setBox()->lineEdit()->selectAll();
    QTest::keyClick(setBox()->lineEdit(), Qt::Key_Delete);
    w->handleButtons();
    EXPECT_EQ(on(), " | Delete");
}

TEST_F(CommandsWindow, KeysPickFontsRunCommandsAndOpenHelpAtThePageOfEveryContext) {
    auto* list = grid(1);
    list->setFocus();
    // Moving picks the font moved to and shows it; Shift extends the selection as a click does.
    QTest::keyClick(list, Qt::Key_Home);
    EXPECT_EQ(panel(2), "\"Desk Sans\" selected from All Fonts.");
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(w->allFonts().selectedNames(), QStringList{"Fixture Sans"});
    QTest::keyClick(list, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(w->allFonts().selectedNames(), (QStringList{"Fixture Sans", "Ghost Face"}));
    QTest::keyClick(list, Qt::Key_PageUp);
    EXPECT_EQ(w->allFonts().selectedNames(), QStringList{"Desk Sans"});
    int popups = 0;
    w->showPopup = [&](QPoint) { ++popups; };
    QTest::keyClick(list, Qt::Key_Menu);
    QTest::keyClick(list, Qt::Key_F10, Qt::ShiftModifier);
    EXPECT_EQ(popups, 2);

    // Another program changes the database: the first command chosen by keys runs and sees it.
    lb::Database::open(app.db->path(), ConnectSuffix)->exec("INSERT INTO [Sets] VALUES ('Away')");
    QTest::keyClick(w, Qt::Key_F, Qt::AltModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    QTest::keyClick(menu, Qt::Key_R);
    EXPECT_EQ(panel(2), "Fonts loaded successfully.");
    EXPECT_GE(setBox()->findText("Away"), 0);

    // F1 in the main window: a minimised help window comes back, at the program's page.
    showHelp(HelpContents);
    lbtest::shownHelp()->showMinimized();
    lbtest::activate(w);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F1);
    ASSERT_EQ(lbtest::shownHelpPage(), "letterbay.html");
    EXPECT_FALSE(lbtest::shownHelp()->isMinimized());

    // The contexts the windows open help at each have a page of their own.
    for (int context :
         {1003, 1008, 1046, 1061, 2019, 2028, 2029, 2035, 2048, 2060, 3000, 3001, 3002, 3007, 3008})
        EXPECT_NE(helpPage(context), helpPage(HelpContents)) << context;

    // Help > Contents: the contents; Back returns from a link.
    w->command("mnuHelpContents")->trigger();
    FrmHelp* h = lbtest::shownHelp();
    h->browser()->setSource(QUrl("samples.html"));
    QTest::mouseClick(h->findChild<QToolButton*>("cmdBack"), Qt::LeftButton);
    EXPECT_EQ(lbtest::shownHelpPage(), "index.html");
    // The search lists the pages that hold its words.
    auto* find = h->findChild<QLineEdit*>("txtSearch");
    QTest::keyClicks(find, "struck through");
    QTest::keyClick(find, Qt::Key_Return);
    auto* results = h->findChild<QListWidget*>("lstResults");
    EXPECT_TRUE(!results->findItems("All Fonts Color Legend", Qt::MatchExactly).isEmpty() &&
                results->findItems("Copy Set", Qt::MatchExactly).isEmpty());
    h->close();

    // F1 in a dialog opens its topic, even with the focus in a control; Shift+F1 does not.
    w->command("mnuViewHistory")->trigger();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w->history()));
    QWidget* ok = w->history()->findChild<QPushButton*>("cmdOK");
    ok->setFocus();
    QTest::keyClick(ok, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(lbtest::shownHelp(), nullptr);
    QTest::keyClick(ok, Qt::Key_F1);
    EXPECT_EQ(lbtest::shownHelpPage(), "history.html");
}

TEST_F(CommandsWindow, PropertiesListEveryFileAsTheFileSystemSpellsItAndWhenItChanged) {
    const QString regular = env.fontsFolder() + "FixtureSans-Regular.ttf";
    QFile file(regular);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2024, 3, 7), QTime(0, 0)),
                                 QFileDevice::FileModificationTime));
    pick("Fixture Sans");
    lbtest::inDialogOf<FrmProperties>(w->command("mnuViewProperties"), [&](FrmProperties* d) {
        QTableWidget* g = d->grid();
        EXPECT_EQ(lbtest::headers(g),
                  (QStringList{"Friendly Font Name", "Font File Name", "Modified"}));
        ASSERT_EQ(g->rowCount(), 2);
        EXPECT_EQ(g->item(0, 0)->text(), "Fixture Sans Regular (TrueType)");
        EXPECT_EQ(g->item(0, 1)->text(), regular); // a bare name lies in the fonts folder
        EXPECT_EQ(g->item(0, 2)->text(), "3/7/2024 12:00 AM");
        EXPECT_EQ(g->item(1, 1)->text(), bold_); // a full path, capitals kept
    });

    // A desktop font: its files are gone too.
    pick("Desk Sans");
    lbtest::inDialogOf<FrmProperties>(w->tool("Properties"), [&](FrmProperties* d) {
        EXPECT_EQ(d->windowTitle(), "Font Properties - Desk Sans (System Font)");
        ASSERT_EQ(d->grid()->rowCount(), 1);
        EXPECT_EQ(d->grid()->item(0, 2)->text(), "File not found");
    });

    // An inactivated font, from the pop-up menu.
    activateNewSet(*app.db, "Mine", {"Fixture Sans"});
    app.pickedFontName = "Ghost Face";
    lbtest::inDialogOf<FrmProperties>(w->command("mnuPopupFontProperties"), [&](FrmProperties* d) {
        EXPECT_EQ(d->windowTitle(), "Font Properties - Ghost Face (Inactivated)");
    });

    // The time a file was modified, on the twelve-hour clock and in another language's words.
    const QDate d(2031, 12, 5);
    for (const auto& [hour, text] : {std::pair(0, "12:05 AM"), {9, "9:05 AM"}, {12, "12:05 PM"}})
        EXPECT_EQ(modifiedText(QDateTime(d, QTime(hour, 5))), "12/5/2031 " + QString(text));
    EXPECT_EQ(modifiedText(QDateTime(d, QTime(23, 59)), "vorm.", "nachm."),
              "12/5/2031 11:59 nachm.");
}

TEST_F(CommandsWindow, MenusToolbarIconsAndStatusBarAreReadableAndEveryTextTranslatable) {
    // The top-level menus as the menu bar shows them; the pop-up holder never shows.
    QStringList menus;
    for (QAction* a : w->menuBar()->actions())
        if (a->isVisible()) menus << a->text();
    EXPECT_EQ(menus.join('|'), "&File|&Edit|&View|&Help");
    EXPECT_EQ(w->command("mnuFilePrint")->shortcut(), QKeySequence("Ctrl+P"));

    // Sixteen toolbar buttons, each with its icon and its own What's This, not the toolbar's.
    auto* bar = w->findChild<QToolBar*>("barTool");
    ASSERT_NE(bar, nullptr);
    QSet<QString> whatsThis;
    for (QAction* a : bar->actions()) {
        if (a->isSeparator()) continue;
        EXPECT_FALSE(a->icon().isNull()) << a->toolTip().toStdString();
        whatsThis.insert(bar->widgetForAction(a)->whatsThis());
    }
    EXPECT_EQ(whatsThis.size(), 16);
    EXPECT_FALSE(whatsThis.contains(bar->whatsThis()) || whatsThis.contains(QString()));
    // The theme's icon to activate every set; it has none for one set: the program's own.
    auto image = [&](const QImage& i) { return i.convertToFormat(QImage::Format_ARGB32); };
    auto shown = [&](const char* key) { return image(w->tool(key)->icon().pixmap(24).toImage()); };
    EXPECT_EQ(shown("ActiveAll").pixelColor(12, 12), QColor(Qt::red));
    EXPECT_EQ(shown("ActiveSelected"), image(QImage(":/icons/object-select.png")));
    // Lists and boxes are read by their captions, the status bar by its text; windows are windows.
    pick("Fixture Sans");
    QStringList names;
    for (const char* object : {"grdFonts1", "grdFonts2", "cmbSets", "txtAll", "txtAssigned",
                               "barStatusPanel2", "barStatusPanel3"})
        names << lbtest::accessibleName(w->findChild<QWidget*>(object));
    EXPECT_EQ(names.join('|'),
              "All Fonts|Assigned Fonts|Sets|Find in All Fonts|Find in Assigned Fonts|"
              "\"Fixture Sans\" selected from All Fonts.|Fonts: 3");
    showHelp(HelpContents);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(lbtest::shownHelp())->role(),
              QAccessible::Window);

    // Every text the windows show is given to translators.
    chooseSet("Work");
    pick("Fixture Sans");
    lbtest::FakePrinters printers;
    printers.list = {{"Office", "PDF", "Room 2"}};
    app.printerName = "Office";
    FrmFontPreview preview(*w);
    const auto textsOf = [](QWidget&& dialog) { return lbtest::shownTexts(&dialog); };
    QStringList texts = lbtest::shownTexts(w) + lbtest::shownTexts(lbtest::shownHelp()) +
                        lbtest::shownTexts(&preview);
    texts << textsOf(FrmCopySet(w->context(), w))
          << textsOf(FrmSets(w->context(), w->setBoxText(), w)) << textsOf(FrmMainLegend(w))
          << textsOf(FrmPreviewLegend(w)) << textsOf(FrmAbout(w)) << textsOf(FrmTechSupport(w))
          << textsOf(FrmProperties(w->context(), w)) << textsOf(FrmPrintSetup(app, printers, w));
    // Data, not the program's texts: fonts, set, program, printer, folder, caption made of them.
    for (const char* data : {"Fixture Sans", "Work", "Letterbay 98", "Office", "Room 2",
                             "Letterbay 98 - Fixture Sans"})
        texts.removeAll(QString::fromUtf8(data));
    texts.removeAll(preview.findChild<QLabel*>("lblPath")->text());
    EXPECT_EQ(lbtest::notInTemplate(texts), QStringList{});

    // About and Technical Support: modeless, Escape and OK close them.
    for (const auto& [item, name, title, key] :
         {std::tuple("mnuHelpAbout", "frmAbout", "About Letterbay 98", Qt::Key_Escape),
          std::tuple("mnuHelpSupport", "frmTechSupport", "Technical Support", Qt::Key_Return)}) {
        w->command(item)->trigger();
        QWidget* box = lbtest::shownWindow(name);
        ASSERT_NE(box, nullptr) << name;
        EXPECT_EQ(box->windowTitle(), title);
        QTest::keyClick(box->findChild<QPushButton*>("cmdOK"), key);
        EXPECT_FALSE(box->isVisible()) << name;
    }

    // What's This: the mode, each control's text; the sample grid's follows what it shows.
    w->tool("Context Help")->trigger();
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
    EXPECT_TRUE(w->findChild<QWidget*>("grdFonts1")->whatsThis().startsWith("All Fonts"));
    QWidget* samples = w->findChild<QWidget*>("grdSample");
    const QString oneFont = samples->whatsThis();
    EXPECT_FALSE(oneFont.isEmpty());
    w->command("mnuViewDisplayAllFonts")->trigger();
    EXPECT_NE(samples->whatsThis(), oneFont);
    EXPECT_EQ(w->findChild<QComboBox*>("cmbFontSize")->whatsThis(), samples->whatsThis());
}

} // namespace
