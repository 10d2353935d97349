// letterbayctl and the tray launcher beside the main window: none undoes another's activation.
#include "core/settings.h"
#include "support/programs.h"
#include "support/window_fixture.h"
#include "ui/frm_document_fonts.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif

using namespace lb;
using lbtest::ctl;

namespace {

struct CtlBesideWindow : lbtest::RealWindowFixture {
    void SetUp() override {
        installStandardFonts();
        // Every program takes the desktop's own font to be this one.
        ASSERT_TRUE(lbtest::preferForGenericFamilies(env, "Fixture Mono"));
        showWindow(900, 700, true);
    }

    void tray(const QString& set) {
        const auto r = lbtest::runTraywickDriver({"--desktop", "Fixture Mono", "activate", set});
        ASSERT_EQ(r.exitCode, 0) << r.output.toStdString();
    }
};

TEST_F(CtlBesideWindow, ReadsAgainOnlyOthersChangesAndTheLastActivationWins) {
    // Coming back reads again only what changed elsewhere: the window's own change is no reason.
    addSet("Mine");
    chooseSet("Mine");
    w->setMessage("left as it was");
    comeBack();
    EXPECT_EQ(panel(2), "left as it was");

    // The set shown gets a font from the command line: its list follows.
    ctl({{"assign", "Mine", "Alpha Test"}});
    comeBack();
    EXPECT_EQ(setBox()->currentText(), "Mine");
    EXPECT_GE(w->assignedFonts().find("Alpha Test"), 0);
    EXPECT_EQ(panel(2), "All sets are active.  No fonts are inactive.");

    // Renamed elsewhere: the old name leaves the set box, the new one is there.
    ctl({{"rename-set", "Mine", "Yours"}});
    comeBack();
    EXPECT_EQ(setItems().filter(QRegularExpression("^(Mine|Yours)$")), QStringList{"Yours"});
    EXPECT_EQ(setBox()->currentText(), "");
    EXPECT_EQ(w->assignedFonts().size(), 0);

    ctl({{"add-set", "Other"}, {"assign", "Other", "Beta Test"}, {"add-set", "Body"}});
    ctl({{"assign", "Body", "Fixture Sans"}, {"activate", "Body"}});
    comeBack();
    EXPECT_EQ(panel(2), "\"Body\" is the currently active set.");
    EXPECT_EQ(stateOf("Alpha Test"), FaceState::Inactive);
    EXPECT_EQ(stateOf("Fixture Sans"), FaceState::Active);
    // A font the window adds to the set the command line activated is shown at once.
    assign("Alpha Test", "Body");
    EXPECT_EQ(stateOf("Alpha Test"), FaceState::Active);

    // The reverse: the window activates, and the command line's changes follow its set.
    chooseSet("Other");
    w->command("mnuEditActiveSelected")->trigger();
    ctl({{"assign", "Body", "Beta Test"}, {"unassign", "Other", "Beta Test", "--yes"}});
    comeBack();
    EXPECT_EQ(panel(2), "\"Other\" is the currently active set.");
    // Read again from the shared state: Beta left the active set, Body's fonts stay hidden.
    EXPECT_EQ(stateOf("Beta Test"), FaceState::Inactive);
    EXPECT_EQ(stateOf("Alpha Test"), FaceState::Inactive);

    // The tray launcher activates while the window stays active: it follows on its own.
    tray("Body");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return panel(2) == "\"Body\" is the currently active set."; }, 10000))
        << panel(2).toStdString();
    EXPECT_EQ(stateOf("Beta Test"), FaceState::Active);
    // A font assigned to a set no longer active stays hidden.
    assign("Fixture Serif", "Other");
    EXPECT_EQ(stateOf("Fixture Serif"), FaceState::Inactive);

    // Every set from the tray: the window shows it as soon as a menu closes.
    tray(QString());
    Q_EMIT w->menuBar()->findChildren<QMenu*>().first()->aboutToHide();
    EXPECT_EQ(stateOf("Fixture Serif"), FaceState::Active);
    assign("Fixture Serif", "Body");
    EXPECT_EQ(activatedSet(app), "");
    EXPECT_TRUE(boxes.shown.empty());

    // AutoAssign switched on elsewhere: the Edit menu shows it and the next refresh runs it.
    ctl({{"autoassign", "on", "--remove-on-unassign", "on"}});
    comeBack();
    EXPECT_TRUE(w->command("mnuEditAddAutoAssign")->isChecked() &&
                w->command("mnuEditRemoveAutoAssign")->isChecked() && app.addAutoAssign);
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
        env.home() + "/logo.svg",
        R"(<svg><text font-family="Alpha Test, 'Nowhere Sans'"/><text style="font-family: FixtureSans-Bold"/></svg>)");
    const QString broken = lbtest::writeFile(env.home() + "/old.pdf", "%PDF-1.4\ncut short");
    ctl({{"add-set", "Other"}, {"assign", "Other", "Beta Test"}, {"activate", "Other"}});
    comeBack();

    w->chooseDocuments = [&](QWidget*) { return QStringList{svg, broken}; };
    w->command("mnuFileDocumentFonts")->trigger();
    auto* d = qobject_cast<FrmDocumentFonts*>(lbtest::shownWindow("frmDocumentFonts"));
    ASSERT_NE(d, nullptr);
    auto* list = d->findChild<QTreeWidget*>("lstFonts");
    const auto rows = [&] {
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->text(0) + u'|' + list->topLevelItem(i)->text(1);
        return out.join(',');
    };
    EXPECT_EQ(rows(), "Alpha Test|inactive,Fixture Sans|inactive,Nowhere Sans|missing");
    EXPECT_TRUE(d->findChild<QLabel*>("lblProblems")->text().startsWith(broken + ": "));

    lbtest::activate(d);
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F1);
    EXPECT_EQ(lbtest::shownHelpPage(), "document-fonts.html");
    lbtest::shownHelp()->close();
    lbtest::activate(d);
    // A button's letter clicks it a moment later, as the button is seen to go down.
    QTest::keyClick(d, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return setBox()->currentText() == "For logo.svg"; }));
    EXPECT_EQ(rows(), "Alpha Test|active,Fixture Sans|active,Nowhere Sans|missing");

    // Assigned to the set in the set box instead.
    addSet("Body");
    lbtest::activate(d);
    QTest::keyClick(d, Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return pairs().startsWith("Body/"); }));
    EXPECT_EQ(pairs(), "Body/Alpha Test,Body/Fixture Sans,For logo.svg/Alpha Test,For "
                       "logo.svg/Fixture Sans,Other/Beta Test");
    d->close();
}
