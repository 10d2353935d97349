// The tray launcher's real window, offscreen, over fake font facilities, driven as a user does.
#include "activation/activation.h"
#include "core/paths.h"
#include "core/schema.h"
#include "launcher/frm_launcher.h"
#include "launcher/launcher_start.h"
#include "platform/checked_file.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/programs.h"
#include "support/shown_texts.h"
#include "support/widget_helpers.h"
#include "ui/single_instance.h"

using namespace lb;

namespace {

// Fonts A (a1, a2), B, C, D and the desktop's own "Desk Sans"; set P = {A, B}, set S = {B, C}.
struct Launcher : ::testing::Test, lbtest::Session {
    std::unique_ptr<Database> db; // the data as another program sees it
    std::unique_ptr<LauncherStart> start;
    bool tray = true;
    int ended = 0;

    void SetUp() override {
        desktop.list = {"Desk Sans"};
        ASSERT_TRUE(prepareDataFolder().isEmpty());
        db = Database::open(databasePath(), ConnectSuffix);
        addCurrentFields(*db);
        db->exec("DELETE FROM [Sets]; INSERT INTO [Sets] VALUES ('P'), ('S');"
                 "INSERT INTO [Fonts] ([Face Name], [File Name]) VALUES ('A Font', 'a1.ttf'), "
                 "('A Font', 'a2.ttf'), ('B Font', 'b.ttf'), ('C Font', 'c.ttf'), "
                 "('D Font', 'd.ttf'), ('Desk Sans', '/usr/share/fonts/desk.ttf');"
                 "INSERT INTO [Assigned Fonts] VALUES ('P', 'A Font'), ('P', 'B Font'), "
                 "('S', 'B Font'), ('S', 'C Font')");
    }
    void TearDown() override {
        start.reset();
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
    }

    // P recorded active after S; the desktop's state implements it (`inStep`) or was lost.
    void recordActiveP(bool inStep) {
        db->exec("UPDATE [Sample Text] SET [Activated Set] = 'P', [Previous Set] = 'S', "
                 "[Font State] = 'stamp-1'");
        if (!inStep) return;
        resources.hidden = {"c.ttf", "d.ttf"};
        resources.stamp = "stamp-1";
    }

    bool begin(FontPlatform* platform = nullptr) {
        start = std::make_unique<LauncherStart>(app, platform ? *platform : fonts);
        start->prepareWindow = [this](FrmLauncher& w) {
            w.endProgram = [this] { ++ended; };
            w.trayAvailable = [this] { return tray; };
            w.trayPollMs = 20;
        };
        return start->begin();
    }
    FrmLauncher* w() { return start->window(); }
    template <typename T> T* find(const char* name) {
        T* found = w()->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QString status() { return find<QLabel>("lblStatus")->text(); }
    QColor statusInk() { return find<QLabel>("lblStatus")->palette().color(QPalette::WindowText); }
    QAction* item(const char* name) { return w()->popup()->findChild<QAction*>(name); }
    // Started, and the start-up timer's five seconds passed at once.
    void ready() {
        ASSERT_TRUE(begin());
        ASSERT_TRUE(w()->timer()->isActive());
        w()->Timer1_Timer(); // which stops it
    }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    void pickSet(const QString& name) {
        lbtest::clickItem(find<QListWidget>("lstSets"), int(listed().indexOf(name)));
    }
    // Which of the window (on or off), its picture, its buttons, the tray note and icon show.
    QString shown() {
        QStringList parts;
        if (w()->isVisible()) parts << (w()->isEnabled() ? "window" : "disabled window");
        for (const char* name : {"imgSplash", "fraButtons", "lblTray"})
            if (find<QWidget>(name)->isVisible()) parts << name;
        if (w()->trayIcon()->isVisible()) parts << "icon";
        return parts.join(' ');
    }
    bool enabled(const char* button) { return find<QPushButton>(button)->isEnabled(); }
    QString activeItem() { return item("mnuPopupActive")->text(); }
    QStringList listed() {
        QStringList names;
        for (auto* i : find<QListWidget>("lstSets")->findItems("*", Qt::MatchWildcard))
            names << i->text();
        return names;
    }
    QString setting(const QString& field) { return lbtest::setting(*db, field); }
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

TEST_F(Launcher, StartTouchesNoFontUnlessTheSetWasLostAndWithoutATrayTheWindowStays) {
    // No set active: shown narrow and disabled with its picture, until the timer brings the icon.
    lbtest::addSetsInEarlierOrder(databasePath(), {"Écrit"}); // indexed in an earlier text order
    ASSERT_TRUE(begin());
    EXPECT_EQ(lbtest::scalar(*db, "PRAGMA integrity_check"), "ok"); // put in the present order
    EXPECT_EQ(status(), "Letterbay's active set:  All\n\nAll fonts are available.");
    EXPECT_EQ(statusInk(), QApplication::palette().color(QPalette::WindowText));
    EXPECT_TRUE(resources.log.isEmpty());
    EXPECT_EQ(shown(), "disabled window imgSplash");
    EXPECT_GE(w()->width(), pixels(3180)); // narrow, but never narrower than its caption
    EXPECT_LT(w()->width(), pixels(5475));
    w()->Timer1_Timer();
    EXPECT_EQ(shown(), "window fraButtons icon");
    EXPECT_EQ(w()->trayIcon()->toolTip(), "Letterbay Traywick");
    EXPECT_EQ(w()->trayIcon()->contextMenu(), w()->popup());
    EXPECT_EQ(w()->windowType(), Qt::Tool) << "in the tray, out of the task bar";

    // A new session, every font back: P applied again, its progress shown in the window.
    WatchedBroadcasts watched;
    FontPlatform platform{registry, faces, desktop, watched};
    QStringList seen;
    watched.atBroadcast = [&] {
        auto* bar = find<QProgressBar>("barProgress");
        seen << status() << QString::number(bar->isVisible() ? bar->maximum() : -1)
             << QString::number(w()->isEnabled());
    };
    recordActiveP(false);
    ASSERT_TRUE(begin(&platform));
    EXPECT_EQ(seen, (QStringList{"Activating P...", "6", "0"}));
    // Nothing was hidden before: no previous set.
    EXPECT_EQ(setting(fld::ActivatedSet) + "/" + setting(fld::PreviousSet), "P/<null>");
    EXPECT_EQ(status(), "Letterbay's active set:  P\n\nOnly its fonts are available.");
    EXPECT_EQ(statusInk(), QApplication::palette().color(QPalette::Highlight));
    EXPECT_FALSE(w()->isEnabled()) << "still no input before the timer";
    start.reset();

    // Without a tray the window stays until one appears.
    tray = false;
    ready();
    EXPECT_EQ(shown(), "window fraButtons lblTray");
    EXPECT_NE(w()->windowType(), Qt::Tool) << "the task bar is the way back to it";
    // The caption fits a title bar the window's width, and the status is not drawn over.
    QFont bold = w()->font();
    bold.setBold(true);
    EXPECT_GT(w()->width(), QFontMetrics(bold).horizontalAdvance(w()->windowTitle()) + 80);
    EXPECT_GE(find<QLabel>("lblTray")->y(), find<QLabel>("lblStatus")->geometry().bottom());
    // OK minimizes rather than hides; the close button asks, as Exit does.
    click("cmdOK");
    EXPECT_TRUE(w()->isVisible() && w()->isMinimized());
    w()->showNormal();
    boxes.answers = {AnswerNo};
    w()->close();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(w()->isVisible());

    // A tray appears: the icon goes in, and the window may hide.
    tray = true;
    EXPECT_TRUE(QTest::qWaitFor([this] { return shown() == "window fraButtons icon"; }, 2000));
    EXPECT_EQ(w()->windowType(), Qt::Tool);
    click("cmdOK");
    EXPECT_FALSE(w()->isVisible());
    // It goes away again: the window comes back rather than leaving nothing on screen.
    tray = false;
    EXPECT_TRUE(QTest::qWaitFor([this] { return shown() == "window fraButtons lblTray"; }, 2000));
}

TEST_F(Launcher, SwitchingSetsFromTheList) {
    recordActiveP(true);
    ready();
    click("cmdDisplay");
    EXPECT_GE(w()->width(), pixels(5475));
    for (const char* name : {"cmdActivate", "cmdAll", "cmdRun", "cmdHelp"}) {
        auto* b = find<QPushButton>(name);
        EXPECT_LE(b->mapTo(w(), QPoint(b->width(), 0)).x(), w()->width()) << name << " is cut";
    }
    EXPECT_EQ(find<QPushButton>("cmdDisplay")->text(), "<< Hi&de Sets");
    // The active set is shown picked: activating it again is not offered, all sets are.
    EXPECT_EQ(find<QListWidget>("lstSets")->currentItem()->text(), "P");
    EXPECT_TRUE(!enabled("cmdActivate") && enabled("cmdAll"));
    // Every text it shows, its menu's included, is given to translators.
    QStringList shown = lbtest::shownTexts(w()) + lbtest::shownTexts(w()->popup());
    shown.removeAll(LauncherTitle);
    EXPECT_EQ(lbtest::notInTemplate(shown), QStringList{});

    pickSet("S");
    click("cmdActivate");
    EXPECT_EQ(status(), "Letterbay's active set:  S\n\nOnly its fonts are available.");
    EXPECT_LT(w()->width(), pixels(5475)) << "done: narrow, showing the status";
    EXPECT_EQ(find<QPushButton>("cmdDisplay")->text(), "&Display Sets >>");

    click("cmdDisplay");
    click("cmdAll");
    EXPECT_EQ(activeItem(), "Active &Set:  All");

    // All sets are not offered while all are active.
    click("cmdDisplay");
    EXPECT_FALSE(enabled("cmdAll"));
    pickSet("S");
    click("cmdActivate");
    click("cmdDisplay");

    // Fonts that cannot be hidden: said, and the database keeps its set.
    pickSet("P");
    resources.failWith = "No space left on device";
    boxes.answers = {AnswerOK};
    click("cmdActivate");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, fontStateFailureText("No space left on device", "\n"));
    EXPECT_EQ(status(), "Letterbay's active set:  S\n\nOnly its fonts are available.");
    EXPECT_TRUE(w()->isEnabled());

    // A name with an ampersand makes no mnemonic; no sets, an empty list.
    db->exec("UPDATE [Sample Text] SET [Activated Set] = 'Arts & Crafts'; DELETE FROM [Sets]");
    Q_EMIT w()->popup()->aboutToShow();
    EXPECT_EQ(activeItem(), "Active &Set:  Arts && Crafts");
    click("cmdDisplay");
    click("cmdDisplay");
    EXPECT_TRUE(listed().isEmpty());
}

TEST_F(Launcher, TrayClicksMenuWhatAnotherProgramDidRunLetterbayHelpBoxesAndExit) {
    ready();
    // A double-click, or the single click of newer trays: the window as it was left.
    click("cmdOK");
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(w()->isVisible());
    EXPECT_EQ(w()->displayHelpTopic(), 3007);
    item("mnuPopupSets")->trigger();
    EXPECT_EQ(w()->displayHelpTopic(), 3008);
    click("cmdOK");
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::MiddleClick);
    EXPECT_FALSE(w()->isVisible());

    // The main program activates S and adds a set: shown on a click (the menu: SwitchingSets).
    db->exec("UPDATE [Sample Text] SET [Activated Set] = 'S'; INSERT INTO [Sets] VALUES ('Q')");
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(find<QGroupBox>("fraSets")->isVisible()) << "the set panel was showing";
    EXPECT_EQ(listed(), (QStringList{"P", "S", "Q"}));
    pickSet("S");
    EXPECT_FALSE(enabled("cmdActivate"));
    // ... or when the user comes back to the window from another one.
    lbtest::comeBackTo(w(), [&] { db->exec("UPDATE [Sample Text] SET [Activated Set] = NULL"); });
    EXPECT_EQ(status(), "Letterbay's active set:  All\n\nAll fonts are available.");
    item("mnuPopupActive")->trigger();
    EXPECT_FALSE(find<QGroupBox>("fraSets")->isVisible());

    // While an activation runs, the tray's clicks and the menu's commands wait.
    item("mnuPopupSets")->trigger();
    pickSet("S");
    bool checked = false;
    QObject::connect(find<QProgressBar>("barProgress"), &QProgressBar::valueChanged, [&](int v) {
        if (v != 1 || std::exchange(checked, true)) return;
        EXPECT_FALSE(item("mnuPopupClose")->isEnabled());
        w()->mnuPopupClose_Click();
        Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    });
    click("cmdActivate");
    EXPECT_TRUE(checked);
    EXPECT_EQ(ended, 0);
    EXPECT_TRUE(item("mnuPopupClose")->isEnabled());

    // A program of that name in the launcher's folder, which leaves a mark.
    const QString program = env.root() + "/letterbay", mark = env.root() + "/started";
    lbtest::writeFile(program, "#!/bin/sh\ntouch '" + mark.toUtf8() + "'\n");
    QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
    w()->programFolder = env.root();
    click("cmdDisplay");
    ASSERT_TRUE(find<QGroupBox>("fraSets")->isVisible()); // the Run button's panel
    click("cmdRun");
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(mark); }, 5000));
    EXPECT_FALSE(w()->isVisible());
    // Nothing there: said, not passed over.
    w()->programFolder = env.root() + "/nowhere";
    boxes.answers = {AnswerOK};
    item("mnuPopupLetterbay")->trigger();
    lbtest::expectBox(boxes, 0, LauncherTitle,
                      "Letterbay could not be started: " + w()->programFolder +
                          "/letterbay cannot be run.",
                      StyleCritical);
    // With the main window open it comes forward; no second copy is started.
    SingleInstance open(QStringLiteral("letterbay"));
    open.listen();
    QSignalSpy asked(&open, &SingleInstance::showRequested);
    item("mnuPopupLetterbay")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return asked.count() == 1; }, 5000));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w())->role(), QAccessible::Window);

    // F1 and Help open the launcher's page.
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    QTest::keyClick(find<QPushButton>("cmdDisplay"), Qt::Key_F1);
    EXPECT_EQ(lbtest::shownHelpPage(), "traywick.html");
    FrmHelp::instance()->hide();
    click("cmdHelp");
    EXPECT_EQ(lbtest::shownHelpPage(), "traywick.html");

    // About is not modal, Technical Support is.
    item("mnuPopupAbout")->trigger();
    QWidget* about = lbtest::shownWindow("frmAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "About Letterbay Traywick");
    EXPECT_FALSE(about->isModal());
    about->close();
    lbtest::inDialogOf<QWidget>(item("mnuPopupSupport"), [](QWidget* box) {
        EXPECT_EQ(box->objectName(), "frmTechSupport");
        QTest::mouseClick(box->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    });

    // The window's Exit asks; No hides it. Its close button, with a tray, only hides it.
    boxes.answers = {AnswerNo};
    click("cmdClose");
    lbtest::expectBox(boxes, 1, "Confirm Exit",
                      "Are you sure you want to exit Letterbay Traywick?  Exiting removes "
                      "Letterbay Traywick from the system tray.",
                      StyleYesNo | StyleQuestion);
    EXPECT_FALSE(w()->isVisible());
    Q_EMIT w()->trayIcon()->activated(QSystemTrayIcon::DoubleClick);
    w()->close();
    EXPECT_FALSE(w()->isVisible());
    EXPECT_EQ(ended, 0);
    // The tray menu's Exit ends without asking: the icon gone, the database closed.
    item("mnuPopupClose")->trigger();
    EXPECT_EQ(ended, 1);
    EXPECT_FALSE(w()->trayIcon()->isVisible());
    EXPECT_EQ(app.db, nullptr);
}

TEST_F(Launcher, RefusesWhatItCannotUseAndLeavesItAsItWas) {
    // Started, refused with a message beginning so; no window.
    auto refused = [&](const QString& start) {
        boxes.answers = {AnswerOK};
        EXPECT_TRUE(!begin() && this->start->exitCode() == 1 && !this->start->window());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_TRUE(boxes.shown[0].style == StyleCritical && boxes.shown[0].title == LauncherTitle);
        EXPECT_TRUE(boxes.shown[0].text.startsWith(start)) << boxes.shown[0].text.toStdString();
        boxes.shown.clear();
    };
    // Held by another program: said after a while, no hang.
    db->exec("BEGIN EXCLUSIVE");
    refused("The font database " + databasePath() +
            " cannot be used: Another program keeps the file locked");
    db->exec("ROLLBACK");
    db.reset();

    // Data that only the main program converts.
    QFile::remove(databasePath());
    lbtest::makeDataFile(databasePath(), "1");
    const QByteArray old = readWholeFile(databasePath());
    refused("You have installed over an older version of Letterbay.  You need to run Letterbay "
            "once to convert your data before running Traywick.");
    EXPECT_EQ(readWholeFile(databasePath()), old);

    // No data folder: said, and nothing is made.
    QDir(dataFolder()).removeRecursively();
    refused("There is no font database at " + databasePath());
    EXPECT_FALSE(QFileInfo::exists(dataFolder()));
}

} // namespace

TEST_F(Launcher, ShowsTheTranslationOfTheDesktopsLanguage) {
    // A German translation of one caption, made from the template the build wrote.
    const QString share = env.root() + "/share";
    QDir().mkpath(share + "/translations");
    for (const QString& e : QDir(LB_SHARE_DIR).entryList(QDir::AllEntries | QDir::NoDotAndDotDot))
        QFile::link(QString(LB_SHARE_DIR "/") + e, share + "/" + e);
    QString text = QString::fromUtf8(readWholeFile(LB_TRANSLATION_TEMPLATE));
    const QRegularExpression caption(
        "(<source>Activate &amp;Set</source>\\s*)<translation type=\"unfinished\"></translation>");
    text.replace(caption, "\\1<translation>Satz &amp;aktivieren</translation>");
    const QString ts = lbtest::writeFile(env.root() + "/letterbay_de.ts", text.toUtf8());
    const QString qm = share + "/translations/letterbay_de.qm";
    ASSERT_EQ(QProcess::execute(LB_LRELEASE, {"-silent", ts, "-qm", qm}), 0);
    env.set("LETTERBAY_SHARE", share);
    env.set("LANGUAGE", "de");
    env.set("LANG", "de_DE.UTF-8");
    const lbtest::Finished german = lbtest::runTraywickDriver({"show"});
    EXPECT_EQ(german.exitCode, 0) << german.output.toStdString();
    EXPECT_TRUE(german.output.contains("Satz &aktivieren\n")) << german.output.toStdString();
    // Texts it has no translation of stay English.
    EXPECT_TRUE(german.output.contains("Activate &All Sets\n"));
}
