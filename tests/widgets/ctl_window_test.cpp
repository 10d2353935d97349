// letterbayctl and the tray launcher beside the main window: none undoes another's activation.
#include "core/schema.h"
#include "core/settings.h"
#include "support/ctl_runner.h"
#include "support/programs.h"
#include "support/window_fixture.h"
#include "ui/frm_document_fonts.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using namespace lb;
using lbtest::fcList;
using namespace Qt::StringLiterals;

namespace {

struct CtlBesideWindow : lbtest::RealWindowFixture {
    void SetUp() override {
        installStandardFonts();
        // Every program takes the desktop's own font to be this one.
        ASSERT_TRUE(lbtest::preferForGenericFamilies(env, u"Fixture Mono"_s));
        showWindow(900, 700, true);
    }

    void ctl(const QStringList& args) {
        const lbtest::CtlRun r = lbtest::runCtl(args);
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
    void tray(const QString& set) {
        const lbtest::Finished r =
            lbtest::runTraywickDriver({u"--desktop"_s, u"Fixture Mono"_s, u"activate"_s, set});
        ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
    }
    QString panel() { return panel(2); }
    using RealWindowFixture::panel;
};

// The window shows the last activation whether the user comes back, stays or closes a menu.
TEST_F(CtlBesideWindow, TheLastActivationWinsWhicheverProgramMadeIt) {
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
    assign(u"Alpha Test"_s, u"Body"_s);
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

    // The tray launcher activates while the window stays active: it follows on its own.
    tray(u"Body"_s);
    EXPECT_EQ(fcList(), lbtest::sorted({sans[0], sans[1], sans[2], alpha, beta, mono}));
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return panel() == "\"Body\" is the currently active set."; }, 10000))
        << panel().toStdString();
    EXPECT_EQ(stateOf(u"Beta Test"_s), FaceState::Active);
    // A font assigned to a set no longer active stays hidden.
    assign(u"Fixture Serif"_s, u"Other"_s);
    EXPECT_EQ(fcList(), lbtest::sorted({sans[0], sans[1], sans[2], alpha, beta, mono}));

    // Every set from the tray: the window shows it as soon as a menu closes.
    tray(QString());
    Q_EMIT w->menuBar()->findChildren<QMenu*>().first()->aboutToHide();
    EXPECT_EQ(stateOf(u"Fixture Serif"_s), FaceState::Active);
    assign(u"Fixture Serif"_s, u"Body"_s);
    EXPECT_EQ(fcList().size(), 7u) << "every font visible";
    EXPECT_EQ(activatedSet(app), "");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(CtlBesideWindow, TheWindowReadsAgainOnlyWhatAnotherProgramChanged) {
    // Nothing changed elsewhere: coming back reads nothing.
    w->setMessage(u"left as it was"_s);
    comeBack();
    EXPECT_EQ(panel(), "left as it was");
    // The window's own change is no reason either.
    addSet(u"Mine"_s);
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
    EXPECT_TRUE(!setItems().contains(u"Mine"_s) && setItems().contains(u"Yours"_s))
        << setItems().join(u',').toStdString();
    EXPECT_EQ(setBox()->currentText(), "");
    EXPECT_EQ(w->assignedFonts().size(), 0);

    // AutoAssign switched on elsewhere: the Edit menu shows it and the next refresh runs it.
    ctl({u"autoassign"_s, u"on"_s, u"--remove-on-unassign"_s, u"on"_s});
    comeBack();
    EXPECT_TRUE(w->command(u"mnuEditAddAutoAssign"_s)->isChecked() &&
                w->command(u"mnuEditRemoveAutoAssign"_s)->isChecked() && app.addAutoAssign);
}

} // namespace

// Qt 6.4 leaks a font engine's fallback fonts when the fonts change; ctest runs each test alone.
struct DocumentWindow : CtlBesideWindow {
    void SetUp() override {
#ifdef __SANITIZE_ADDRESS__
        __lsan_disable();
#endif
        CtlBesideWindow::SetUp();
    }
};

TEST_F(DocumentWindow, FontsForADocumentShowsTheirStatesAndActivatesThemFromTheKeyboard) {
    const QString svg = lbtest::writeFile(
        env.home() + u"/logo.svg"_s,
        R"(<svg><text font-family="Alpha Test, 'Nowhere Sans'"/><text style="font-family: FixtureSans-Bold"/></svg>)");
    const QString broken = lbtest::writeFile(env.home() + u"/old.pdf"_s, "%PDF-1.4\ncut short");
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

    lbtest::activate(d);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F1);
    EXPECT_EQ(lbtest::shownHelpPage(), "document-fonts.html");
    lbtest::shownHelp()->close();
    lbtest::activate(d);
    // A button's letter clicks it a moment later, as the button is seen to go down.
    QTest::keyClick(d, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return setBox()->currentText() == "For logo.svg"; }));
    EXPECT_EQ(fcList(), lbtest::sorted({sans[0], sans[1], sans[2], alpha, mono}));
    EXPECT_EQ(rows(), (QStringList{u"Alpha Test|active"_s, u"Fixture Sans|active"_s,
                                   u"Nowhere Sans|missing"_s}));

    // Assigned to the set in the set box instead.
    addSet(u"Body"_s);
    lbtest::activate(d);
    QTest::keyClick(d, Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pairs().startsWith("Body/"); }));
    EXPECT_EQ(pairs(), "Body/Alpha Test,Body/Fixture Sans,For logo.svg/Alpha Test,For "
                       "logo.svg/Fixture Sans,Other/Beta Test");
    d->close();
}
