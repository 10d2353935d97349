#include "core/schema.h"
#include "support/window_fixture.h"
#include "ui/dialogs.h"
#include "ui/frm_font_check.h"

using namespace lb;
using lbtest::expectBox;
using lbtest::scalar;

namespace {

struct SetsWindow : lbtest::WindowFixture {
    std::vector<QPoint> popups;

    void SetUp() override {
        desktop.list = {"Desk Sans"};
        QStringList names = {"Alpha", "Beta", "Desk Sans", "Gamma", "Tiber", "Timon", "Zeta"};
        for (int i = 0; i < 40; ++i) // enough rows to scroll
            names << QStringLiteral("Zz Filler %1").arg(i, 2, 10, QLatin1Char('0'));
        for (const QString& f : names)
            addFont(f, f + " Regular", QString(f).toLower().replace(' ', '-') + ".ttf");
        addFont("Alpha", "Alpha Bold", "alpha-bold.ttf"); // two files of one typeface
        start();
        app.db->exec("DELETE FROM [Sets]");
        showWindow(900, 700);
        w->showPopup = [this](QPoint p) { popups.push_back(p); };
    }
    QString panel() { return MainWindowDriver::panel(2); }
    void click(int list, int row, Qt::MouseButton b = Qt::LeftButton,
               Qt::KeyboardModifiers m = {}) {
        lbtest::clickRow(grid(list), row, b, m);
    }
    QString selected() { return w->allFonts().selectedNames().join(','); }
    QString lastText() { return boxes.shown.back().text; }
    void unassign(int answer) {
        boxes.answers = {answer};
        button(2)->click();
    }
    void deleteSet(const QString& typed, int answer) {
        lbtest::typeInto(setBox()->lineEdit(), typed);
        boxes.answers = {answer};
        w->command("mnuEditDelete")->trigger();
    }
    void filter() { w->findChild<QCheckBox*>("chkFilter")->click(); }
    void renameTo(const QString& answer) {
        boxes.inputs = {answer};
        w->command("mnuEditRenameSet")->trigger();
    }
    QString setNames() { return scalar(*app.db, "SELECT group_concat([Set Name]) FROM [Sets]"); }
    const QString fits = QString(40, QLatin1Char('x')), tooLong = fits + QStringLiteral("y");
};

TEST_F(SetsWindow, MouseSelectionInTheRealList) {
    click(1, 3, Qt::LeftButton, Qt::ShiftModifier); // no anchor yet: a plain click
    EXPECT_EQ(selected(), "Gamma");
    click(1, 5);
    click(1, 2, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(), "Desk Sans,Gamma,Tiber,Timon");
    EXPECT_EQ(panel(), "4 fonts selected from All Fonts.");

    // Right click on a selected row keeps the selection and hides the single-font items.
    click(1, 4, Qt::RightButton);
    EXPECT_EQ(selected(), "Desk Sans,Gamma,Tiber,Timon");
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_FALSE(w->fontPopup()->findChild<QAction*>("mnuPopupFontSets")->isVisible());
    EXPECT_FALSE(w->fontPopup()->findChild<QAction*>("mnuPopupFontAssign")->isEnabled());
    // Alt is a plain left click, with no pop-up.
    click(1, 6, Qt::RightButton, Qt::AltModifier);
    EXPECT_EQ(selected(), "Zeta");
    EXPECT_EQ(popups.size(), 1u);
    click(1, 1, Qt::RightButton);
    EXPECT_EQ(selected(), "Beta");
    EXPECT_TRUE(w->fontPopup()->findChild<QAction*>("mnuPopupFontSets")->isVisible());

    // Type-to-find scrolls, selection untouched.
    w->resize(900, 260);
    QTest::qWait(20);
    QTest::keyClicks(w->findChild<QLineEdit*>("txtAll"), "ti");
    EXPECT_EQ(grid(1)->topRow(), 4);
    EXPECT_EQ(selected(), "Beta");
    EXPECT_EQ(w->captionTip("lblFonts") + "|" + w->captionTip("lblAssigned"), " 47 fonts |");
}

TEST_F(SetsWindow, AddingChoosingAndCopyingSetsByTheirTypedNames) {
    addSet("  Body ");
    EXPECT_EQ(panel(), "\"Body\" added successfully.");
    addSet("Bo"); // a prefix of a set: the box must not complete it
    EXPECT_EQ(setBox()->currentText(), "Bo");
    // Two more sets; the same set in other letters, and blanks: nothing, silently.
    for (const char* name : {"Alpha Set", "Écrit", "BODY", "   "})
        addSet(name);
    boxes.answers = {AnswerOK, AnswerOK};
    addSet("Say \"hi\"");
    addSet(tooLong);
    const QString tooLongText = "You cannot use more than 40 characters in your set name.  "
                                "Use a shorter name instead.";
    expectBox(boxes, 0, "Add Set", "You cannot use \" in your set name.  Use ' instead.", 16);
    expectBox(boxes, 1, "Add Set", tooLongText, 16);
    addSet(fits);
    EXPECT_EQ(setNames(), "Body,Bo,Alpha Set,Écrit," + fits);
    EXPECT_EQ(setItems(), (QStringList{"Alpha Set", "Bo", "Body", "Écrit", fits})); // É among E

    app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Body', 'Gamma'), ('Body', 'Beta'), "
                 "('Bo', 'Beta')");
    chooseSet("Body");
    EXPECT_EQ(panel(), "Displaying fonts assigned to \"Body\"");
    EXPECT_EQ(names(2), (QStringList{"Beta", "Gamma"}));

    // Copy Set refuses, keeping its dialog up; a typed name is taken as typed, Enter is OK.
    lbtest::inDialogOf<FrmCopySet>(w->command("mnuEditCopySet"), [&](FrmCopySet* d) {
        EXPECT_EQ(d->findChild<QLabel*>("lblCopy")->text(), "Copy \"Body\" to the set below");
        EXPECT_EQ(d->target()->itemText(3), "Écrit");
        QLineEdit* target = d->target()->lineEdit();
        boxes.answers = {AnswerOK, AnswerOK};
        for (const QString& name : {QString(), QStringLiteral("BODY"), QStringLiteral("Bod")}) {
            EXPECT_TRUE(d->isVisible());
            lbtest::typeInto(target, name);
            QTest::keyClick(target, Qt::Key_Return);
        }
    });
    expectBox(boxes, 2, "Copy Set", "Copy To set is required.", 16);
    expectBox(boxes, 3, "Copy Set", "You cannot copy a set to itself.", 16);
    EXPECT_EQ(panel(), "\"Body\" copied to \"Bod\" successfully.");
    EXPECT_EQ(setBox()->currentText(), "Bod");
    EXPECT_EQ(w->assignedFonts().size(), 2);
    // Into a set that exists, named in other letters: filled.
    chooseSet("Body");
    lbtest::inDialogOf<FrmCopySet>(w->command("mnuEditCopySet"), [](FrmCopySet* d) {
        d->target()->setEditText("bo");
        d->findChild<QPushButton*>("cmdOK")->click();
    });
    EXPECT_EQ(panel(), "\"Body\" copied to \"Bo\" successfully.");
    EXPECT_EQ(pairs(), "Bo/Beta,Bo/Gamma,Bod/Beta,Bod/Gamma,Body/Beta,Body/Gamma");
}

TEST_F(SetsWindow, RenameFollowsTheSetEverywhereDeleteGuardsTheActiveSetAutoAssignItsSwitch) {
    for (const char* s : {"Body", "Titles", "Other"})
        addSet(s);
    app.db->exec("UPDATE [Sample Text] SET [Activated Set] = 'Body', [Previous Set] = 'Titles'");
    chooseSet("Body");
    lbtest::typeInto(setBox()->lineEdit(), "body"); // typed in other letters: still the set
    renameTo("Zulu");
    EXPECT_EQ(lastText(), "Rename \"Body\" below and press OK.");
    EXPECT_EQ(panel(), "\"Body\" renamed to \"Zulu\" successfully.");
    EXPECT_EQ(setBox()->currentText(), "Zulu");
    EXPECT_EQ(setBox()->itemText(2), "Zulu"); // its new alphabetical place
    chooseSet("Titles");
    renameTo("Aardvark");
    EXPECT_EQ(setting(fld::PreviousSet), "Aardvark");

    // Refused names and an empty answer (which asks nothing more) rename nothing.
    chooseSet("Other");
    boxes.answers = {AnswerOK, AnswerOK};
    renameTo("zulu");
    EXPECT_EQ(lastText(), "\"zulu\" already exists.");
    renameTo("A \"quoted\" name");
    expectBox(boxes, boxes.shown.size() - 1, "Rename Set",
              "You cannot use \" in your set name.  Use ' instead.", 16);
    renameTo("");
    EXPECT_EQ(setNames(), "Zulu,Aardvark,Other");

    QApplication::setActiveWindow(w);
    deleteSet("ZULU", AnswerOK);
    EXPECT_EQ(boxes.shown.back().title, "Delete Set");
    EXPECT_TRUE(lastText().contains("\"ZULU\" because it is the currently active set.  Activate"));
    deleteSet("Other", AnswerYes);
    EXPECT_EQ(lastText(),
              "Are you sure you want to delete the set \"Other\" and all its font assignments?");
    EXPECT_EQ(panel(), "\"Other\" deleted successfully.");
    EXPECT_EQ(setBox()->findText("Other"), -1);
    EXPECT_EQ(setNames(), "Zulu,Aardvark");

    // Auto-assign, and the switch that keeps what the user unassigned out of it.
    addSet("Serif");
    addSet("Display");
    app.db->exec("INSERT INTO [Auto Assign] VALUES ('Serif', 'gamma', 0), ('Display', 'Gamma', 0)");
    w->command("mnuEditAddAutoAssign")->trigger();
    w->command("mnuEditRemoveAutoAssign")->trigger();
    EXPECT_EQ(setting(fld::RemoveAutoAssign), "1");
    w->command("mnuFileRefresh")->trigger();
    EXPECT_EQ(pairs(), "Display/Gamma,Serif/gamma"); // the knowledge base's spelling

    chooseSet("Serif");
    click(2, 0);
    unassign(AnswerYes); // with the switch on, the knowledge base no longer puts it back
    w->command("mnuFileRefresh")->trigger();
    EXPECT_EQ(pairs(), "Display/Gamma");

    w->command("mnuEditRemoveAutoAssign")->trigger(); // off: inactive rows count again
    w->command("mnuFileRefresh")->trigger();
    EXPECT_EQ(pairs(), "Display/Gamma,Serif/gamma");
}

TEST_F(SetsWindow, AssigningToATypedSetAndIntoTheActivatedSetAndTheListDrawingTheirStates) {
    addSet("Mono");
    addSet("Mine");
    app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Mono', 'Beta')");
    chooseSet("Mono");
    ASSERT_EQ(w->assignedFonts().size(), 1);
    addSet("mine"); // typed, not chosen: the set box names Mine, the list still shows Mono
    filter();
    EXPECT_EQ(panel(), "Unassigned Fonts loaded successfully.");
    pick("Tiber");
    click(1, w->allFonts().find("Timon"), Qt::LeftButton, Qt::ShiftModifier); // next to it
    button(0)->click();
    EXPECT_EQ(pairs(), "Mine/Tiber,Mine/Timon,Mono/Beta");
    EXPECT_EQ(w->allFonts().find("Tiber") + w->allFonts().find("Timon"), -2);
    EXPECT_EQ(names(2), (QStringList{"Tiber", "Timon"})); // the set they went to
    filter();

    // Nothing new: the panel keeps the progress text.
    pick("Tiber");
    button(0)->click();
    EXPECT_EQ(panel(), "Assigning fonts...");

    // Catalogued by another program since the list was filled: listed once the set is active.
    app.db->exec("INSERT INTO [Fonts] ([Face Name], [File Name]) VALUES ('Zz Late', 'late.ttf')");
    w->command("mnuEditActiveSelected")->trigger(); // Mine: Alpha is hidden
    EXPECT_EQ(stateOf("Zz Late"), FaceState::Inactive);
    chooseSet("Mine");
    click(1, 0);
    const int broadcasts = resources.broadcasts;
    button(0)->click();
    EXPECT_EQ(resources.broadcasts, broadcasts + 1);
    EXPECT_EQ(w->allFonts().row(0).state, FaceState::Active);
    // Into the set the list shows: the row is added in place.
    EXPECT_EQ(names(2), (QStringList{"Alpha", "Tiber", "Timon"}));

    // Drawn in a fixture font, large, so the test does not depend on the machine's fonts.
    const int id =
        QFontDatabase::addApplicationFont(lbtest::TempEnv::fixture("FixtureSans-Regular.ttf"));
    ASSERT_GE(id, 0);
    QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
    font.setPixelSize(28);
    grid(1)->setFont(font);
    grid(1)->scrollToTop();
    QTest::qWait(20);
    // Alpha is active now, Beta (in Mono only) hidden, Desk Sans the desktop's.
    const auto line = [&](int row) { return lbtest::lineAt(lbtest::cellImage(grid(1), row, 0)); };
    EXPECT_LT(line(0), 0) << "an active font is drawn plain";
    EXPECT_TRUE(line(1) > 0.2 && line(1) < 0.8)
        << "an inactive font is struck through: " << line(1);
    EXPECT_GE(line(2), 0.8) << "a system font is underlined";
    QFontDatabase::removeApplicationFont(id);
}

TEST_F(SetsWindow, AllSetsCommandsTheAssignedSetsDialogAndUnassignFromTheActivatedSet) {
    click(1, 1);
    boxes.answers = {AnswerOK};
    w->command("mnuEditAssignSets")->trigger();
    expectBox(boxes, 0, "Assign to All Sets", "There are no sets available.", 16);

    for (const char* s : {"One", "Two", "Three"})
        addSet(s);
    chooseSet("Two");
    filter();
    app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Two', 'Tiber')");
    click(1, 4);
    click(1, 5, Qt::LeftButton, Qt::ShiftModifier);
    boxes.answers = {AnswerYes};
    w->command("mnuEditAssignSets")->trigger();
    EXPECT_EQ(lastText(), "Are you sure you want to assign 2 fonts to all sets?");
    EXPECT_EQ(panel(), "2 fonts assigned to all sets successfully.");
    EXPECT_EQ(w->allFonts().find("Tiber") + w->allFonts().find("Timon"), -2);

    filter();
    pick("Tiber");
    lbtest::inDialogOf<FrmSets>(w->command("mnuViewSets"), [this](FrmSets* d) {
        EXPECT_EQ(d->windowTitle(), "Assigned Sets - Tiber");
        ASSERT_EQ(d->sets().size(), 3);
        FontGrid* g = d->findChild<FontGrid*>("grdSets");
        // The question names the set selected: Three, as One was clicked last, deselecting it.
        lbtest::clickRow(g, 0);
        lbtest::clickRow(g, 1, Qt::LeftButton, Qt::ControlModifier);
        lbtest::clickRow(g, 0, Qt::LeftButton, Qt::ControlModifier);
        boxes.answers = {AnswerNo};
        d->findChild<QPushButton*>("cmdUnassign")->click();
        EXPECT_EQ(lastText(), "Are you sure you want to unassign \"Tiber\" from \"Three\"?");
        lbtest::clickRow(g, 0);
        lbtest::clickRow(g, 2, Qt::LeftButton, Qt::ControlModifier);
        boxes.answers = {AnswerYes};
        d->findChild<QPushButton*>("cmdUnassign")->click();
        EXPECT_EQ(lastText(), "Are you sure you want to unassign \"Tiber\" from 2 sets?");
        EXPECT_EQ(d->sets().size(), 1);
        d->findChild<QPushButton*>("cmdClose")->click();
    });
    EXPECT_EQ(panel(), "\"Tiber\" unassigned from 2 sets successfully.");
    EXPECT_EQ(pairs(), "One/Timon,Three/Tiber,Three/Timon,Two/Timon");
    // The set box shows "Two": its list lost the font at once.
    EXPECT_EQ(w->assignedFonts().find("Tiber"), -1);

    pick("Timon");
    boxes.answers = {AnswerYes};
    w->command("mnuEditUnassignSets")->trigger();
    EXPECT_EQ(panel(), "\"Timon\" unassigned from all sets successfully.");
    EXPECT_EQ(w->assignedFonts().size(), 0);

    activateNewSet(*app.db, "Active", {"Alpha", "Beta", "Desk Sans", "Gamma"});
    chooseSet("Active");
    click(2, 1, Qt::LeftButton, Qt::ControlModifier); // the first press, with Ctrl
    unassign(AnswerNo);
    EXPECT_EQ(lastText(), "Are you sure you want to unassign \"Beta\" from \"Active\"?");
    // Two selected, then the last one clicked deselected again: Alpha alone is selected.
    click(2, 0);
    click(2, 3, Qt::LeftButton, Qt::ControlModifier);
    click(2, 3, Qt::LeftButton, Qt::ControlModifier);
    unassign(AnswerYes);
    EXPECT_EQ(lastText(), "Are you sure you want to unassign \"Alpha\" from \"Active\"?");
    EXPECT_EQ(panel(), "\"Alpha\" unassigned from \"Active\" successfully.");
    EXPECT_EQ(w->allFonts().row(0).state, FaceState::Inactive);
    EXPECT_EQ(w->assignedFonts().size(), 3);

    // The desktop's own font stays available when it leaves the set.
    click(2, 1);
    unassign(AnswerYes);
    EXPECT_FALSE(resources.hidden.contains("desk-sans.ttf"));
    EXPECT_EQ(w->allFonts().row(2).state, FaceState::System);
    EXPECT_EQ(pairs(), "Active/Beta,Active/Gamma,Three/Tiber");
}

// The fake registry's fonts (copies identical), a face named in non-text, two unreadable files.
struct FakeInspector : lb::FontInspector {
    lbtest::Session& session;
    explicit FakeInspector(lbtest::Session& s) : session(s) {}
    void survey(std::vector<InstalledFace>& faces, std::vector<QByteArray>& unlisted) override {
        for (const FontValue& v : session.registry.values) {
            const QString path = v.data.startsWith('/') ? v.data : "/fonts/" + v.data;
            const QString family = session.faces.names.value(v.data).faceName;
            const QString style = v.name.mid(family.size() + 1).section(" (", 0, 0);
            faces.push_back({path.toUtf8(), 0, family, style, "1.000", "TrueType"});
        }
        faces.push_back({"/fonts/odd.ttf", 0, QStringLiteral("Odd\u0001"), "Regular", {}, {}});
        unlisted.insert(unlisted.end(), {"/fonts/broken.ttf", "/fonts/unread.ttf"});
    }
    QString damage(const QByteArray& path) override {
        return path == "/fonts/broken.ttf" ? "It is not a font programs can open." : QString();
    }
    QByteArray digest(const QByteArray&) override { return "same"; }
    QByteArray inUse(const QString&, const QString&) override { return "/fonts/tiber.ttf"; }
};

TEST_F(SetsWindow, CopiesAreDeletedOnlyWhenChecked) {
    const QString far =
        "/fonts/<i>copies</i> kept from a collection downloaded long ago, not sorted";
    addFont("Tiber", "Tiber Regular", far + "/tiber.ttf");
    w->Refresh_Fonts();
    w->makeInspector = [this] { return std::make_unique<FakeInspector>(*this); };
    lbtest::inDialogOf<FrmFontCheck>(w->command("mnuViewCheck"), [this, &far](FrmFontCheck* d) {
        // The first check is cancelled while it runs: it finds nothing, and is done again.
        QTimer::singleShot(0, d, [d] {
            if (auto* p = d->findChild<QProgressDialog*>("frmCheckProgress")) p->cancel();
        });
        auto* status = d->findChild<QLabel*>("lblStatus");
        ASSERT_TRUE(QTest::qWaitFor([&] { return status->text() == "The check was cancelled."; }));
        EXPECT_EQ(d->tree()->topLevelItemCount(), 0);
        d->findChild<QPushButton*>("cmdCheck")->click();
        ASSERT_TRUE(d->checked());
        QTreeWidget* t = d->tree();
        ASSERT_EQ(t->topLevelItemCount(), 2);
        QTreeWidgetItem* group = t->topLevelItem(0);
        EXPECT_EQ(group->text(0) + "|" + group->child(0)->text(1) + "|" + group->child(0)->text(6),
                  "Tiber Regular: 2 identical copies|/fonts|This copy");
        // Which copy programs use is in sight without scrolling past the long folder.
        EXPECT_LE(t->header()->sectionViewportPosition(6) + t->header()->sectionSize(6),
                  t->viewport()->width());
        // The folder's tip shows its name as spelled, not as markup (which would drop the tags).
        const QPoint cell =
            t->visualRect(t->model()->index(1, 1, t->model()->index(0, 0))).center();
        QHelpEvent hover(QEvent::ToolTip, cell, t->viewport()->mapToGlobal(cell));
        QApplication::sendEvent(t->viewport(), &hover);
        QWidget* tip = lbtest::shownWindow("qtooltip_label");
        ASSERT_NE(tip, nullptr);
        EXPECT_GE(tip->sizeHint().width(), tip->fontMetrics().horizontalAdvance(far));
        QStringList problems;
        for (int i = 0; i < t->topLevelItem(1)->childCount(); ++i)
            problems << t->topLevelItem(1)->child(i)->child(0)->text(0);
        EXPECT_EQ(problems,
                  QStringList({"It is not a font programs can open.", "Its name is not valid text.",
                               "The font configuration cannot read it, so no program "
                               "can use it."}));
        auto* del = d->findChild<QPushButton*>("cmdDelete");
        EXPECT_FALSE(del->isEnabled()) << "nothing is chosen for the user";

        // From the keyboard: down to the copy programs use, Space checks it.
        t->setFocus();
        QTest::keyClick(t, Qt::Key_Down);
        QTest::keyClick(t, Qt::Key_Space);
        ASSERT_TRUE(del->isEnabled());
        boxes.answers = {AnswerNo};
        del->click();
        EXPECT_EQ(lastText(),
                  "Are you sure you want to permanently remove \"/fonts/tiber.ttf\" from your PC?");
        ASSERT_EQ(t->topLevelItemCount(), 2);
        EXPECT_EQ(t->topLevelItem(0)->child(0)->checkState(0), Qt::Checked); // No kept the choice
        boxes.answers = {AnswerYes};
        del->click();
        // Checked again: the copy that stays is no duplicate any more.
        ASSERT_TRUE(d->checked());
        ASSERT_EQ(t->topLevelItemCount(), 1);
        EXPECT_EQ(t->topLevelItem(0)->text(0), "Damaged fonts: 3");
        QTest::keyClick(t, Qt::Key_F1);
        EXPECT_EQ(lbtest::shownHelpPage(), "font-check.html");
        lbtest::shownHelp()->close();
    });
}

} // namespace
