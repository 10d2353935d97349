// letterbayctl beside a running main window over real fontconfig: the command line works while the
// window holds the database and its instance lock, neither undoes the other's activation, and the
// window shows what the command line changed when the user comes back to it.
#include "core/schema.h"
#include "core/startup.h"
#include "support/ctl_runner.h"
#include "support/data_files.h"
#include "support/real_fonts.h"
#include "support/widget_helpers.h"
#include "ui/font_grid.h"
#include "ui/frm_document_fonts.h"
#include "ui/frm_main.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using namespace lb;
using lbtest::fcList;
using namespace Qt::StringLiterals;

namespace {

struct CtlBesideWindow : lbtest::RealFontsTest {
    std::unique_ptr<FrmMain> w;

    void SetUp() override {
        installStandardFonts();
        // Both programs take the desktop's own font to be this one.
        ASSERT_TRUE(lbtest::preferForGenericFamilies(env, u"Fixture Mono"_s));
        Startup startup(app);
        ASSERT_TRUE(startup.load());
        w = std::make_unique<FrmMain>(app, *fonts);
        w->endProgram = [] {};
        boxes.answers = {AnswerNo}; // the first run's question: AutoAssign off
        w->Form_Load();
        w->resize(900, 700);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
    void TearDown() override {
        app.exiting = true;
        w.reset();
    }

    void ctl(const QStringList& args) {
        const lbtest::CtlRun r = lbtest::runCtl(args);
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    // The user works in another window for a while, then comes back to this one.
    void comeBack() {
        QWidget other;
        other.show();
        other.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    }
    FontGrid* grid(int i) { return w->findChild<FontGrid*>(QStringLiteral("grdFonts%1").arg(i)); }
    QComboBox* setBox() { return w->findChild<QComboBox*>(u"cmbSets"_s); }
    QString panel() { return w->findChild<QLabel*>(u"barStatusPanel2"_s)->text(); }
    QStringList setEntries() {
        QStringList names;
        for (int i = 0; i < setBox()->count(); ++i)
            names << setBox()->itemText(i);
        return names;
    }
    void clickFont(const QString& name) {
        const int row = w->allFonts().find(name);
        ASSERT_GE(row, 0) << name.toStdString();
        FontGrid* g = grid(1);
        g->scrollTo(g->model()->index(row, 0));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {},
                          g->visualRect(g->model()->index(row, 0)).center());
    }
    void typeSet(const QString& name) {
        QLineEdit* edit = setBox()->lineEdit();
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, name);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    void chooseSet(const QString& name) {
        const int i = setBox()->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        setBox()->setCurrentIndex(i);
        Q_EMIT setBox()->activated(i);
    }
    void assignButton() {
        QTest::mouseClick(w->findChild<QPushButton*>(u"cmdAdd0"_s), Qt::LeftButton);
    }
    FaceState stateOf(const QString& face) {
        return w->allFonts().row(w->allFonts().find(face)).state;
    }
    QString pairs() {
        return lbtest::scalar(*app.db,
                              "SELECT group_concat([Set Name] || '/' || [Font Name], ',') FROM "
                              "(SELECT * FROM [Assigned Fonts] ORDER BY 1, 2)");
    }
};

TEST_F(CtlBesideWindow, NeitherProgramUndoesTheOthersActivation) {
    ASSERT_TRUE(app.instanceLock && app.instanceLock->isLocked());
    ctl({u"add-set"_s, u"Body"_s});
    ctl({u"assign"_s, u"Body"_s, u"Fixture Sans"_s});
    ctl({u"add-set"_s, u"Other"_s});
    ctl({u"assign"_s, u"Other"_s, u"Beta Test"_s});
    ctl({u"activate"_s, u"Body"_s});
    EXPECT_EQ(fcList(), lbtest::sorted({sans[0], sans[1], sans[2], mono}));

    comeBack();
    EXPECT_EQ(panel(), "\"Body\" is the currently active set.");
    EXPECT_EQ(stateOf(u"Alpha Test"_s), FaceState::Inactive);
    EXPECT_EQ(stateOf(u"Fixture Sans"_s), FaceState::Active);
    // A font the window adds to the set the command line activated is shown at once.
    chooseSet(u"Body"_s);
    clickFont(u"Alpha Test"_s);
    assignButton();
    EXPECT_EQ(pairs(), "Body/Alpha Test,Body/Fixture Sans,Other/Beta Test");
    EXPECT_EQ(fcList(), lbtest::sorted({sans[0], sans[1], sans[2], alpha, mono}));

    // The reverse: the window activates, and the command line's changes follow its set.
    chooseSet(u"Other"_s);
    w->command(u"mnuEditActiveSelected"_s)->trigger();
    EXPECT_EQ(fcList(), lbtest::sorted({beta, mono}));
    ctl({u"assign"_s, u"Body"_s, u"Beta Test"_s});
    EXPECT_EQ(fcList(), lbtest::sorted({beta, mono}));
    ctl({u"unassign"_s, u"Other"_s, u"Beta Test"_s, u"--yes"_s});
    EXPECT_EQ(fcList(), lbtest::sorted({mono}));
    comeBack();
    EXPECT_EQ(panel(), "\"Other\" is the currently active set.");
    EXPECT_EQ(stateOf(u"Beta Test"_s), FaceState::Inactive);
    EXPECT_TRUE(w->assignedFonts().find(u"Beta Test"_s) < 0);
}

// Over many changes, whether the user comes back to the window or keeps working in it.
TEST_F(CtlBesideWindow, EveryActivationElsewhereShowsInTheWindow) {
    ctl({u"add-set"_s, u"A"_s});
    ctl({u"add-set"_s, u"B"_s});
    ctl({u"assign"_s, u"A"_s, u"Fixture Sans"_s});
    ctl({u"assign"_s, u"B"_s, u"Beta Test"_s});
    for (int i = 0; i < 8; ++i) {
        const QString set = i % 2 ? u"B"_s : u"A"_s;
        ctl({u"activate"_s, set});
        if (i % 3 == 0) comeBack();
        if (i % 4 == 1) clickFont(u"Alpha Test"_s);
        const QString shown = u"\""_s + set + u"\" is the currently active set."_s;
        EXPECT_TRUE(QTest::qWaitFor([&] { return panel() == shown; }, 10000))
            << i << ": " << panel().toStdString();
        EXPECT_EQ(stateOf(u"Beta Test"_s), set == u"B"_s ? FaceState::Active : FaceState::Inactive)
            << i;
    }
}

TEST_F(CtlBesideWindow, TheWindowReadsAgainOnlyWhatAnotherProgramChanged) {
    // Nothing changed elsewhere: coming back reads nothing.
    w->setMessage(u"left as it was"_s);
    comeBack();
    EXPECT_EQ(panel(), "left as it was");
    // The window's own change is no reason either.
    typeSet(u"Mine"_s);
    EXPECT_EQ(panel(), "\"Mine\" added successfully.");
    chooseSet(u"Mine"_s);
    w->setMessage(u"left as it was"_s);
    comeBack();
    EXPECT_EQ(panel(), "left as it was");

    // The set shown gets a font from the command line: its list follows.
    ctl({u"assign"_s, u"Mine"_s, u"Alpha Test"_s});
    comeBack();
    EXPECT_EQ(setBox()->currentText(), "Mine");
    EXPECT_GE(w->assignedFonts().find(u"Alpha Test"_s), 0);
    EXPECT_EQ(panel(), "All sets are active.  No fonts are inactive.");

    // Renamed elsewhere: the old name leaves the set box, the new one is there.
    ctl({u"rename-set"_s, u"Mine"_s, u"Yours"_s});
    comeBack();
    EXPECT_FALSE(setEntries().contains(u"Mine"_s));
    EXPECT_TRUE(setEntries().contains(u"Yours"_s));
    EXPECT_EQ(setBox()->currentText(), "");
    EXPECT_EQ(w->assignedFonts().size(), 0);

    // AutoAssign switched on elsewhere: the Edit menu shows it and the next refresh runs it.
    ctl({u"autoassign"_s, u"on"_s, u"--remove-on-unassign"_s, u"on"_s});
    comeBack();
    EXPECT_TRUE(w->command(u"mnuEditAddAutoAssign"_s)->isChecked());
    EXPECT_TRUE(w->command(u"mnuEditRemoveAutoAssign"_s)->isChecked());
    EXPECT_TRUE(app.addAutoAssign);
}

} // namespace

// Qt keeps fallback fonts it matched for a font engine (FcFontMatch in
// QFontEngineMultiFontConfig::getMatchPatternForFallback) past the engine: a leak inside Qt 6.4
// that the main window's layout meets when the document window's activation changes the fonts.
// Allocations of this test's process (ctest runs each test alone) are not counted as leaks.
struct DocumentWindow : CtlBesideWindow {
    void SetUp() override {
#ifdef __SANITIZE_ADDRESS__
        __lsan_disable();
#endif
        CtlBesideWindow::SetUp();
    }
};

TEST_F(DocumentWindow, FontsForADocumentShowsTheirStatesAndActivatesThemFromTheKeyboard) {
    const QString svg = env.home() + u"/logo.svg"_s;
    QFile f(svg);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        R"(<svg><text font-family="Alpha Test, 'Nowhere Sans'"/><text style="font-family: FixtureSans-Bold"/></svg>)");
    f.close();
    const QString broken = env.home() + u"/old.pdf"_s;
    QFile b(broken);
    ASSERT_TRUE(b.open(QIODevice::WriteOnly));
    b.write("%PDF-1.4\ncut short");
    b.close();
    ctl({u"add-set"_s, u"Other"_s});
    ctl({u"assign"_s, u"Other"_s, u"Beta Test"_s});
    ctl({u"activate"_s, u"Other"_s});
    comeBack();

    w->chooseDocuments = [&](QWidget*) { return QStringList{svg, broken}; };
    w->command(u"mnuFileDocumentFonts"_s)->trigger();
    auto* d = qobject_cast<FrmDocumentFonts*>(lbtest::shownWindow(u"frmDocumentFonts"_s));
    ASSERT_NE(d, nullptr);
    auto* list = d->findChild<QTreeWidget*>(u"lstFonts"_s);
    const auto rows = [&] {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0) + u'|' + list->topLevelItem(i)->text(1);
        return out;
    };
    EXPECT_EQ(rows(), (QStringList{u"Alpha Test|inactive"_s, u"Fixture Sans|inactive"_s,
                                   u"Nowhere Sans|missing"_s}));
    EXPECT_TRUE(d->findChild<QLabel*>(u"lblProblems"_s)->text().startsWith(broken + u": "_s));

    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F1);
    EXPECT_EQ(lbtest::shownHelpPage(), "document-fonts.html");
    lbtest::shownHelp()->close();
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    // A button's letter clicks it a moment later, as the button is seen to go down.
    QTest::keyClick(d, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return setBox()->currentText() == "For logo.svg"; }));
    EXPECT_EQ(fcList(), lbtest::sorted({sans[0], sans[1], sans[2], alpha, mono}));
    EXPECT_EQ(rows(), (QStringList{u"Alpha Test|active"_s, u"Fixture Sans|active"_s,
                                   u"Nowhere Sans|missing"_s}));

    // Assigned to the set in the set box instead.
    typeSet(u"Body"_s);
    d->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    QTest::keyClick(d, Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pairs().startsWith("Body/"); }));
    EXPECT_EQ(pairs(), "Body/Alpha Test,Body/Fixture Sans,For logo.svg/Alpha Test,For "
                       "logo.svg/Fixture Sans,Other/Beta Test");
    d->close();
}
