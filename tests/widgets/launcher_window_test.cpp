// The tray launcher's real window, offscreen, over fake font facilities: its start, the tray icon
// driven through the object that owns it, and its commands as a user gives them.
#include "activation/activation.h"
#include "core/paths.h"
#include "core/schema.h"
#include "core/settings.h"
#include "launcher/frm_launcher.h"
#include "launcher/launcher_start.h"
#include "launcher/single_instance.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "ui/frm_help.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

using namespace lb;

namespace {

// Fonts A (a1, a2), B, C, D and the desktop's own "Desk Sans"; set P = {A, B}, set S = {B, C}.
struct Launcher : ::testing::Test, lbtest::Session {
    std::unique_ptr<Database> db; // the data as another program sees it
    std::unique_ptr<LauncherStart> start;
    bool tray = true;
    int ended = 0;
    // At each broadcast: what the window showed while the fonts were being hidden.
    struct Moment {
        QString status;
        bool progressShown;
        int progressMaximum;
    };
    std::vector<Moment> moments;

    void SetUp() override {
        desktop.list = {"Desk Sans"};
        ASSERT_TRUE(prepareDataFolder().isEmpty());
        db = Database::open(databasePath(), ConnectSuffix);
        addCurrentFields(*db);
        db->exec("DELETE FROM [Sets]");
        db->exec("INSERT INTO [Fonts] VALUES ('A Font', 'a1.ttf', 'A Font Regular (TrueType)'), "
                 "('A Font', 'a2.ttf', 'A Font Bold (TrueType)'), "
                 "('B Font', 'b.ttf', 'B Font (TrueType)'), ('C Font', 'c.ttf', 'C Font "
                 "(TrueType)'), ('D Font', 'd.ttf', 'D Font (TrueType)'), "
                 "('Desk Sans', '/usr/share/fonts/desk.ttf', 'Desk Sans (TrueType)')");
        db->exec("INSERT INTO [Sets] VALUES ('P'), ('S')");
        db->exec("INSERT INTO [Assigned Fonts] VALUES ('P', 'A Font'), ('P', 'B Font'), "
                 "('S', 'B Font'), ('S', 'C Font')");
    }
    void TearDown() override {
        if (start && start->window() && !ended) start->window()->endProgram = [] {};
        start.reset();
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
    }

    // The database records `set` as active, and the desktop's state implements it (`inStep`) or
    // was lost.
    void recordActive(const QString& set, const QSet<QString>& hidden, bool inStep) {
        db->exec(QStringLiteral("UPDATE [Sample Text] SET [Activated Set] = '%1', [Previous Set] "
                                "= 'S', [Font State] = 'stamp-1'")
                     .arg(set));
        if (inStep) {
            resources.hidden = hidden;
            resources.stamp = QStringLiteral("stamp-1");
        }
    }

    bool begin() {
        start = std::make_unique<LauncherStart>(app, fonts);
        start->prepareWindow = [this](FrmLauncher& w) {
            w.endProgram = [this] { ++ended; };
            w.trayAvailable = [this] { return tray; };
            w.trayPollMs = 20;
        };
        return start->begin();
    }
    FrmLauncher* w() { return start->window(); }
    template <typename T> T* find(const char* name) {
        T* found = w()->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString status() { return find<QLabel>("lblStatus")->text(); }
    QColor statusColour() {
        return find<QLabel>("lblStatus")->palette().color(QPalette::WindowText);
    }
    QAction* item(const char* name) {
        return w()->popup()->findChild<QAction*>(QString::fromLatin1(name));
    }
    // The start-up timer's five seconds, passed at once.
    void timerFires() {
        ASSERT_TRUE(w()->timer()->isActive());
        w()->timer()->stop();
        w()->Timer1_Timer();
    }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    void pickSet(const QString& name) {
        auto* list = find<QListWidget>("lstSets");
        const QList<QListWidgetItem*> items = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1) << name.toStdString();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(items.first()).center());
    }
    QStringList listed() {
        QStringList names;
        auto* list = find<QListWidget>("lstSets");
        for (int i = 0; i < list->count(); ++i)
            names << list->item(i)->text();
        return names;
    }
    QString setting(const QString& field) {
        return lbtest::scalar(*db, QStringLiteral("SELECT [%1] FROM [Sample Text]").arg(field));
    }
    int pixels(int twips) { return twips * w()->logicalDpiX() / 1440; }
};

// Records what the window shows at each broadcast.
struct WatchedBroadcasts : lbtest::FakeResources {
    std::function<void()> atBroadcast;
    bool broadcast(const QString& stamp) override {
        if (atBroadcast) atBroadcast();
        return FakeResources::broadcast(stamp);
    }
};

TEST_F(Launcher, NoSetActiveStartsNarrowDisabledAndTouchesNoFont) {
    ASSERT_TRUE(begin());
    EXPECT_EQ(status(), "Letterbay's active set:  All\n\nAll fonts are available.");
    EXPECT_EQ(statusColour(), QApplication::palette().color(QPalette::WindowText));
    EXPECT_TRUE(resources.log.isEmpty());
    EXPECT_EQ(resources.broadcasts, 0);
    EXPECT_EQ(setting(fld::ActivatedSet), "<null>");

    // Until the timer: shown, narrow, the picture instead of the buttons, no input.
    EXPECT_TRUE(w()->isVisible());
    EXPECT_FALSE(w()->isEnabled());
    EXPECT_EQ(w()->width(), pixels(3180));
    EXPECT_EQ(w()->timer()->interval(), 5000);
    EXPECT_EQ(find<QLabel>("lblVersion")->text(), "Version 2.5");
    EXPECT_TRUE(find<QLabel>("imgSplash")->isVisible());
    EXPECT_FALSE(find<QWidget>("fraButtons")->isVisible());
    EXPECT_FALSE(find<QGroupBox>("fraSets")->isVisible());
    EXPECT_EQ(find<QGroupBox>("fraStatus")->title(), "Current Status");
    EXPECT_FALSE(w()->trayIcon()->isVisible());

    timerFires();
    EXPECT_TRUE(w()->isEnabled());
    EXPECT_TRUE(w()->trayIcon()->isVisible());
    EXPECT_EQ(w()->trayIcon()->toolTip(), "Letterbay Traywick");
    EXPECT_EQ(w()->trayIcon()->contextMenu(), w()->popup());
    EXPECT_FALSE(w()->trayIcon()->icon().isNull());
    EXPECT_EQ(w()->windowType(), Qt::Tool) << "in the tray, out of the task bar";
    EXPECT_FALSE(find<QLabel>("imgSplash")->isVisible());
    EXPECT_TRUE(find<QWidget>("fraButtons")->isVisible());
    EXPECT_FALSE(find<QLabel>("lblTray")->isVisible());
    EXPECT_TRUE(w()->isVisible());
}

TEST_F(Launcher, SetStillInForceIsNotAppliedAgainEvenWhenItHoldsEveryFont) {
    recordActive("P", {"c.ttf", "d.ttf"}, true);
    ASSERT_TRUE(begin());
    EXPECT_TRUE(resources.log.isEmpty());
    EXPECT_EQ(resources.broadcasts, 0);
    EXPECT_EQ(setting(fld::ActivatedSet), "P");
    EXPECT_EQ(setting(fld::PreviousSet), "S");
    EXPECT_EQ(status(), "Letterbay's active set:  P\n\nOnly its fonts are available.");
    EXPECT_EQ(statusColour(), QApplication::palette().color(QPalette::Highlight));
    EXPECT_EQ(item("mnuPopupActive")->text(), "Active &Set:  P");
    start.reset();

    // A set that holds every catalogued font, in force: nothing to hide, nothing touched.
    db->exec("INSERT INTO [Assigned Fonts] VALUES ('P', 'C Font'), ('P', 'D Font'), "
             "('P', 'Desk Sans')");
    recordActive("P", {}, true);
    ASSERT_TRUE(begin());
    EXPECT_TRUE(resources.log.isEmpty());
    EXPECT_EQ(resources.broadcasts, 0);
}

TEST_F(Launcher, LostSetIsAppliedAgainShowingItsProgress) {
    WatchedBroadcasts watched;
    FontPlatform platform{registry, faces, desktop, watched};
    start = std::make_unique<LauncherStart>(app, platform);
    start->prepareWindow = [this](FrmLauncher& w) { w.endProgram = [this] { ++ended; }; };
    watched.atBroadcast = [this] {
        moments.push_back({status(), find<QProgressBar>("barProgress")->isVisible(),
                           find<QProgressBar>("barProgress")->maximum()});
        EXPECT_FALSE(w()->isEnabled());
        EXPECT_EQ(statusColour(), QApplication::palette().color(QPalette::Highlight));
    };
    recordActive("P", {}, false); // a new session: every font is back
    ASSERT_TRUE(start->begin());

    EXPECT_EQ(watched.hidden, (QSet<QString>{"c.ttf", "d.ttf"}));
    EXPECT_EQ(watched.broadcasts, 1);
    ASSERT_EQ(moments.size(), 1u);
    EXPECT_EQ(moments[0].status, "Activating P...");
    EXPECT_TRUE(moments[0].progressShown);
    EXPECT_EQ(moments[0].progressMaximum, 6);
    EXPECT_EQ(setting(fld::ActivatedSet), "P");
    EXPECT_EQ(setting(fld::PreviousSet), "<null>") << "nothing was hidden before";
    EXPECT_NE(setting(fld::FontState), "stamp-1");
    EXPECT_EQ(status(), "Letterbay's active set:  P\n\nOnly its fonts are available.");
    EXPECT_FALSE(find<QProgressBar>("barProgress")->isVisible());
    // Still the start: no input until the timer fires.
    EXPECT_FALSE(w()->isEnabled());
    EXPECT_EQ(w()->width(), pixels(3180));
}

TEST_F(Launcher, SwitchingSetsFromTheListAndBack) {
    recordActive("P", {"c.ttf", "d.ttf"}, true);
    ASSERT_TRUE(begin());
    timerFires();
    click("cmdDisplay");
    EXPECT_GE(w()->width(), pixels(5475));
    // However wide the buttons' captions, none is cut.
    for (const char* name : {"cmdActivate", "cmdAll", "cmdRun", "cmdHelp"}) {
        auto* b = find<QPushButton>(name);
        EXPECT_GE(b->width(), b->minimumSizeHint().width()) << name;
        EXPECT_LE(b->mapTo(w(), QPoint(b->width(), 0)).x(), w()->width()) << name;
    }
    EXPECT_TRUE(find<QGroupBox>("fraSets")->isVisible());
    EXPECT_EQ(find<QGroupBox>("fraSets")->title(), "Available Sets");
    EXPECT_EQ(find<QPushButton>("cmdDisplay")->text(), "<< Hi&de Sets");
    EXPECT_EQ(w()->displayHelpTopic(), 3008);
    EXPECT_EQ(listed(), (QStringList{"P", "S"}));
    // The active set is shown picked; activating it again is not offered, all sets are.
    EXPECT_EQ(find<QListWidget>("lstSets")->currentItem()->text(), "P");
    EXPECT_FALSE(find<QPushButton>("cmdActivate")->isEnabled());
    EXPECT_TRUE(find<QPushButton>("cmdAll")->isEnabled());

    pickSet("S");
    ASSERT_TRUE(find<QPushButton>("cmdActivate")->isEnabled());
    click("cmdActivate");
    // A to B: P's own fonts hidden, S's shown, those of neither stay hidden, the desktop's stay.
    EXPECT_EQ(resources.hidden, (QSet<QString>{"a1.ttf", "a2.ttf", "d.ttf"}));
    EXPECT_EQ(setting(fld::ActivatedSet), "S");
    EXPECT_EQ(setting(fld::PreviousSet), "P");
    EXPECT_EQ(status(), "Letterbay's active set:  S\n\nOnly its fonts are available.");
    EXPECT_EQ(item("mnuPopupActive")->text(), "Active &Set:  S");
    // Done: narrow again, showing the status.
    EXPECT_EQ(w()->width(), pixels(3180));
    EXPECT_EQ(find<QPushButton>("cmdDisplay")->text(), "&Display Sets >>");
    EXPECT_TRUE(w()->isVisible());
    EXPECT_TRUE(w()->isEnabled());

    click("cmdDisplay");
    click("cmdAll");
    EXPECT_TRUE(resources.hidden.isEmpty());
    EXPECT_EQ(setting(fld::ActivatedSet), "<null>");
    EXPECT_EQ(setting(fld::PreviousSet), "S");
    EXPECT_EQ(status(), "Letterbay's active set:  All\n\nAll fonts are available.");
    EXPECT_EQ(item("mnuPopupActive")->text(), "Active &Set:  All");

    // All again while all are active is not offered, and does nothing if it comes all the same;
    // nor does the active set again.
    click("cmdDisplay");
    EXPECT_FALSE(find<QPushButton>("cmdAll")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("cmdActivate")->isEnabled());
    const int broadcasts = resources.broadcasts;
    w()->cmdAll_Click();
    EXPECT_EQ(resources.broadcasts, broadcasts);
    pickSet("S");
    click("cmdActivate");
    EXPECT_EQ(resources.broadcasts, broadcasts + 1);
    click("cmdDisplay");
    EXPECT_EQ(find<QListWidget>("lstSets")->currentItem()->text(), "S");
    EXPECT_FALSE(find<QPushButton>("cmdActivate")->isEnabled());
    w()->cmdActivate_Click();
    EXPECT_EQ(resources.broadcasts, broadcasts + 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(Launcher, ANameWithAnAmpersandIsNoMnemonicAndAnEmptyListStaysEmpty) {
    db->exec("INSERT INTO [Sets] VALUES ('Arts & Crafts')");
    db->exec("INSERT INTO [Assigned Fonts] VALUES ('Arts & Crafts', 'D Font')");
    recordActive("Arts & Crafts", {}, false);
    ASSERT_TRUE(begin());
    EXPECT_EQ(item("mnuPopupActive")->text(), "Active &Set:  Arts && Crafts");
    EXPECT_EQ(status(), "Letterbay's active set:  Arts & Crafts\n\nOnly its fonts are available.");
    start.reset();

    db->exec("UPDATE [Sample Text] SET [Activated Set] = NULL");
    db->exec("DELETE FROM [Sets]");
    resources.hidden.clear();
    ASSERT_TRUE(begin());
    timerFires();
    click("cmdDisplay");
    EXPECT_TRUE(listed().isEmpty());
    EXPECT_FALSE(find<QPushButton>("cmdActivate")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("cmdAll")->isEnabled());
}

TEST_F(Launcher, ShowsWhatAnotherProgramActivatedWhenOpened) {
    ASSERT_TRUE(begin());
    timerFires();
    click("cmdDisplay");
    click("cmdOK");
    EXPECT_FALSE(w()->isVisible());

    // The main program activates S and adds a set meanwhile.
    db->exec("UPDATE [Sample Text] SET [Activated Set] = 'S'");
    db->exec("INSERT INTO [Sets] VALUES ('Q')");
    Q_EMIT w()->popup()->aboutToShow();
    EXPECT_EQ(item("mnuPopupActive")->text(), "Active &Set:  S");
    EXPECT_EQ(status(), "Letterbay's active set:  S\n\nOnly its fonts are available.");

    // The tray's click shows the sets as they are now, and what activating is offered for.
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(w()->isVisible());
    EXPECT_EQ(listed(), (QStringList{"P", "S", "Q"}));
    EXPECT_TRUE(find<QPushButton>("cmdAll")->isEnabled());
    pickSet("S");
    EXPECT_FALSE(find<QPushButton>("cmdActivate")->isEnabled());

    // Back to all sets, seen when the user comes back to the window from another one.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    db->exec("UPDATE [Sample Text] SET [Activated Set] = NULL");
    w()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w()));
    EXPECT_EQ(status(), "Letterbay's active set:  All\n\nAll fonts are available.");
}

TEST_F(Launcher, TrayClicksMenuAndTheBusyFlag) {
    ASSERT_TRUE(begin());
    timerFires();
    QMenu* menu = w()->trayIcon()->contextMenu();
    QStringList items;
    for (QAction* a : menu->actions())
        items << (a->isSeparator() ? "-" + a->objectName() : a->objectName() + "=" + a->text());
    EXPECT_EQ(items,
              (QStringList{"mnuPopupActive=Active &Set:  All", "mnuPopupSets=&Display Sets",
                           "-mnuPopupLetterbaySlash", "mnuPopupLetterbay=Run &Letterbay",
                           "-mnuPopupCloseSlash", "mnuPopupClose=E&xit", "-mnuPopupSupportSlash",
                           "mnuPopupSupport=&Technical Support", "mnuPopupAbout=&About..."}));

    click("cmdOK");
    ASSERT_FALSE(w()->isVisible());
    // A double-click, or the single click of newer trays: the window as it was left, narrow.
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(w()->isVisible());
    EXPECT_EQ(w()->width(), pixels(3180));
    EXPECT_EQ(w()->displayHelpTopic(), 3007);
    item("mnuPopupSets")->trigger();
    EXPECT_EQ(w()->width(), w()->wideWidth());
    EXPECT_EQ(w()->displayHelpTopic(), 3008);
    click("cmdOK");
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(w()->isVisible());
    EXPECT_TRUE(find<QGroupBox>("fraSets")->isVisible()) << "the set panel was showing";
    item("mnuPopupActive")->trigger();
    EXPECT_FALSE(find<QGroupBox>("fraSets")->isVisible());
    EXPECT_EQ(find<QPushButton>("cmdDisplay")->text(), "&Display Sets >>");
    // Other reports of the tray are no click.
    click("cmdOK");
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::MiddleClick);
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::Context);
    EXPECT_FALSE(w()->isVisible());

    // While an activation runs, the tray's clicks and the menu's commands wait.
    db->exec("UPDATE [Sample Text] SET [Activated Set] = 'P'");
    item("mnuPopupSets")->trigger();
    pickSet("S");
    bool checked = false;
    QObject::connect(find<QProgressBar>("barProgress"), &QProgressBar::valueChanged,
                     [&](int value) {
                         if (value != 1 || checked) return;
                         checked = true;
                         EXPECT_FALSE(item("mnuPopupClose")->isEnabled());
                         item("mnuPopupClose")->trigger();
                         w()->mnuPopupClose_Click();
                         Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
                         EXPECT_EQ(ended, 0);
                     });
    click("cmdActivate");
    EXPECT_TRUE(checked);
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(setting(fld::ActivatedSet), "S");
    EXPECT_TRUE(item("mnuPopupClose")->isEnabled());
}

TEST_F(Launcher, ExitAsksOnlyFromTheWindowAndEndsEverything) {
    ASSERT_TRUE(begin());
    timerFires();
    const QString question = "Are you sure you want to exit Letterbay Traywick?  Exiting removes "
                             "Letterbay Traywick from the system tray.";
    boxes.answers = {AnswerNo};
    click("cmdClose");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, question);
    EXPECT_EQ(boxes.shown[0].title, "Confirm Exit");
    EXPECT_EQ(boxes.shown[0].style, StyleYesNo | StyleQuestion);
    EXPECT_EQ(ended, 0);
    EXPECT_FALSE(w()->isVisible()) << "No hides the window";
    EXPECT_TRUE(w()->trayIcon()->isVisible());

    // The window's own close button, with a tray: only hidden.
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    w()->close();
    EXPECT_FALSE(w()->isVisible());
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(boxes.shown.size(), 1u);

    boxes.answers = {AnswerYes};
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    click("cmdClose");
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(w()->trayIcon()->isVisible());
    EXPECT_EQ(app.db, nullptr) << "the database is closed";
}

TEST_F(Launcher, TrayMenuExitEndsWithoutAsking) {
    ASSERT_TRUE(begin());
    timerFires();
    item("mnuPopupClose")->trigger();
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_FALSE(w()->trayIcon()->isVisible());
    EXPECT_EQ(app.db, nullptr);
}

TEST_F(Launcher, WithoutATrayTheWindowStaysUntilOneAppears) {
    tray = false;
    ASSERT_TRUE(begin());
    timerFires();
    EXPECT_TRUE(w()->isVisible());
    EXPECT_FALSE(w()->trayIcon()->isVisible());
    EXPECT_TRUE(find<QLabel>("lblTray")->isVisible());
    EXPECT_FALSE(find<QLabel>("lblTray")->text().isEmpty());
    EXPECT_NE(w()->windowType(), Qt::Tool) << "the task bar is the way back to it";

    // OK and a No to the exit question keep it within reach.
    click("cmdOK");
    EXPECT_TRUE(w()->isVisible());
    EXPECT_TRUE(w()->isMinimized());
    // Its close button asks, as Exit does.
    w()->showNormal();
    boxes.answers = {AnswerNo};
    w()->close();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(w()->isVisible());
    EXPECT_EQ(ended, 0);

    // A tray appears: the icon goes in, the window may be hidden from then on.
    tray = true;
    EXPECT_TRUE(QTest::qWaitFor([this] { return w()->trayIcon()->isVisible(); }, 2000));
    EXPECT_FALSE(find<QLabel>("lblTray")->isVisible());
    EXPECT_EQ(w()->windowType(), Qt::Tool);
    click("cmdOK");
    EXPECT_FALSE(w()->isVisible());

    // And goes away again: the window comes back rather than leaving nothing on screen.
    tray = false;
    EXPECT_TRUE(QTest::qWaitFor([this] { return w()->isVisible(); }, 2000));
    EXPECT_TRUE(find<QLabel>("lblTray")->isVisible());
    EXPECT_FALSE(w()->trayIcon()->isVisible());
}

TEST_F(Launcher, RunLetterbayStartsItFromTheProgramsFolder) {
    ASSERT_TRUE(begin());
    timerFires();
    // A program of that name in the launcher's folder, which leaves a mark.
    const QString folder = env.root() + "/bin";
    const QString mark = env.root() + "/started";
    QDir().mkpath(folder);
    QFile script(folder + "/letterbay");
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\necho \"$0\" > '%1'\n").arg(mark).toUtf8());
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    w()->programFolder = folder;

    click("cmdDisplay");
    click("cmdRun");
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(mark); }, 5000));
    EXPECT_FALSE(w()->isVisible());
    QFile started(mark);
    ASSERT_TRUE(started.open(QIODevice::ReadOnly));
    EXPECT_EQ(started.readAll().trimmed(), (folder + "/letterbay").toUtf8());
    EXPECT_TRUE(boxes.shown.empty());

    // Nothing there: said, not passed over.
    w()->programFolder = env.root() + "/nowhere";
    boxes.answers = {AnswerOK};
    item("mnuPopupLetterbay")->trigger();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, StyleCritical);
    EXPECT_EQ(boxes.shown[0].title, "Letterbay Traywick");
    EXPECT_TRUE(boxes.shown[0].text.contains(env.root() + "/nowhere/letterbay"));
}

TEST_F(Launcher, HelpAboutAndTechnicalSupport) {
    ASSERT_TRUE(begin());
    timerFires();
    auto page = [] {
        FrmHelp* help = FrmHelp::instance();
        return help->isVisible() ? help->browser()->source().fileName() : QString();
    };
    FrmHelp::instance()->hide();
    QTest::keyClick(find<QPushButton>("cmdDisplay"), Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_EQ(page(), "") << "Shift+F1 is not help";
    QTest::keyClick(find<QPushButton>("cmdDisplay"), Qt::Key_F1);
    EXPECT_EQ(page(), "traywick.html");
    FrmHelp::instance()->hide();
    click("cmdDisplay");
    click("cmdHelp");
    EXPECT_EQ(page(), "traywick.html");
    EXPECT_FALSE(find<QPushButton>("cmdDisplay")->whatsThis().isEmpty());
    FrmHelp::instance()->hide();

    item("mnuPopupAbout")->trigger();
    QWidget* about = nullptr;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == "frmAbout" && top->isVisible()) about = top;
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About Letterbay Traywick");
    EXPECT_FALSE(about->isModal());
    EXPECT_EQ(about->findChild<QLabel*>("lblVersion")->text(), "Version 2.5.0");
    about->close();

    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        wasModal = box->objectName() == "frmTechSupport";
        QTest::mouseClick(box->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    });
    item("mnuPopupSupport")->trigger();
    EXPECT_TRUE(wasModal);
}

TEST_F(Launcher, FontsThatCannotBeHiddenAreSaidAndTheDatabaseKeepsItsSet) {
    recordActive("P", {"c.ttf", "d.ttf"}, true);
    ASSERT_TRUE(begin());
    timerFires();
    click("cmdDisplay");
    pickSet("S");
    resources.failWith = "No space left on device";
    boxes.answers = {AnswerOK};
    click("cmdActivate");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, StyleCritical);
    EXPECT_EQ(boxes.shown[0].text, fontStateFailureText("No space left on device", "\n"));
    EXPECT_EQ(setting(fld::ActivatedSet), "P");
    EXPECT_EQ(resources.hidden, (QSet<QString>{"c.ttf", "d.ttf"}));
    EXPECT_EQ(status(), "Letterbay's active set:  P\n\nOnly its fonts are available.");
    EXPECT_TRUE(w()->isEnabled());
    EXPECT_FALSE(find<QProgressBar>("barProgress")->isVisible());
}

// ---- What the launcher refuses to start on ----

struct LauncherRefuses : Launcher {
    void SetUp() override { desktop.list = {"Desk Sans"}; }
    QByteArray bytes(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void expectRefusal(const QString& start) {
        EXPECT_EQ(this->start->exitCode(), 1);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].style, StyleCritical);
        EXPECT_EQ(boxes.shown[0].title, "Letterbay Traywick");
        EXPECT_TRUE(boxes.shown[0].text.startsWith(start)) << boxes.shown[0].text.toStdString();
        EXPECT_EQ(this->start->window(), nullptr);
        EXPECT_EQ(resources.broadcasts, 0);
    }
};

TEST_F(LauncherRefuses, NoDataFolderIsSaidAndNothingIsMade) {
    boxes.answers = {AnswerOK};
    EXPECT_FALSE(begin());
    expectRefusal("There is no font database at " + databasePath());
    EXPECT_FALSE(QFileInfo::exists(dataFolder())) << "nothing written";
}

TEST_F(LauncherRefuses, OldDamagedOrForeignDatabasesAreLeftAsTheyWere) {
    QDir().mkpath(dataFolder());
    lbtest::makeDataFile(databasePath(), "1");
    const QByteArray old = bytes(databasePath());
    boxes.answers = {AnswerOK};
    EXPECT_FALSE(begin());
    expectRefusal("You have installed over an older version of Letterbay.  You need to run "
                  "Letterbay once to convert your data before running Traywick.");
    EXPECT_EQ(boxes.shown[0].text, "You have installed over an older version of Letterbay.  You "
                                   "need to run Letterbay once to convert your data before "
                                   "running Traywick.");
    EXPECT_EQ(bytes(databasePath()), old);
    // Its lock is given up: the next start gets as far again.
    boxes.shown.clear();
    boxes.answers = {AnswerOK};
    EXPECT_FALSE(begin());
    expectRefusal("You have installed");

    QFile::remove(databasePath());
    QFile garbage(databasePath());
    ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    boxes.shown.clear();
    boxes.answers = {AnswerOK};
    EXPECT_FALSE(begin());
    expectRefusal("The font database " + databasePath() + " cannot be used: ");
    EXPECT_EQ(bytes(databasePath()), QByteArray(8192, 'x'));
}

TEST_F(LauncherRefuses, ADatabaseHeldByAnotherProgramIsSaidWithoutHanging) {
    ASSERT_TRUE(prepareDataFolder().isEmpty());
    auto holder = Database::open(databasePath(), ConnectSuffix);
    holder->exec("BEGIN EXCLUSIVE");
    holder->exec("UPDATE [Sample Text] SET [Activated Set] = 'Held'");
    boxes.answers = {AnswerOK};
    QElapsedTimer t;
    t.start();
    EXPECT_FALSE(begin());
    EXPECT_LT(t.elapsed(), 30000);
    expectRefusal("The font database " + databasePath() +
                  " cannot be used: Another program keeps the file locked");
    holder->exec("ROLLBACK");
}

TEST_F(LauncherRefuses, ASecondCopyInThisProcessIsToldToTheFirst) {
    ASSERT_TRUE(prepareDataFolder().isEmpty());
    SingleInstance first(QStringLiteral("traywick"));
    ASSERT_EQ(first.claim(), SingleInstance::First);
    int asked = 0;
    QObject::connect(&first, &SingleInstance::showRequested, [&] { ++asked; });
    // The second copy runs as a program of its own would: it does not wait for the first's loop.
    SingleInstance second(QStringLiteral("traywick"));
    EXPECT_EQ(second.claim(), SingleInstance::Signalled);
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked == 1; }, 3000));
    first.release();
    EXPECT_EQ(second.claim(), SingleInstance::First);
}

} // namespace
