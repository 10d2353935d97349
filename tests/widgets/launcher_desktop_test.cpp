// The tray launcher as a real process beside the main program, seen through a separate fc-list.
#include "core/paths.h"
#include "launcher/frm_launcher.h"
#include "launcher/launcher_start.h"
#include "support/gtk_desktop.h"
#include "support/programs.h"
#include "support/real_fonts.h"
#include "support/widget_helpers.h"
#include "ui/single_instance.h"

#include <fcntl.h>
#include <sys/stat.h>

using namespace lb;
using lbtest::ctl;

namespace {

// Waits until a separate fc-list lists `want`; what it lists last is returned either way.
std::vector<std::string> fcListBecomes(const std::vector<std::string>& want, int ms = 20000) {
    std::vector<std::string> now = lbtest::fcList();
    for (const QDeadlineTimer end(ms); now != want && !end.hasExpired(); now = lbtest::fcList())
        QTest::qWait(200);
    return now;
}

// The real `traywick`, offscreen, in the test's home.
struct Traywick {
    QProcess process;
    Traywick() {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(lbtest::programPath(QStringLiteral("traywick")), {});
        EXPECT_TRUE(process.waitForStarted(10000));
    }
    ~Traywick() {
        process.kill(); // nothing when it has ended
        process.waitForFinished(10000);
    }
    // Ends it as the session does at log-out (SIGTERM).
    int terminate() {
        process.terminate();
        if (!process.waitForFinished(10000)) return -2;
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString output() { return QString::fromUtf8(process.readAll()); }
};

struct LauncherDesktop : lbtest::RealFontsTest {
    void SetUp() override { installStandardFonts(); }
};

TEST_F(LauncherDesktop, AtLogOnALostSetIsAppliedAgainAndFontsThatArriveAreShown) {
    // Both programs take the desktop's fonts from this home's fontconfig: they stay with B's.
    ctl({{"refresh", "--yes"}, {"add-set", "B"}});
    ctl({{"assign", "B", "Fixture Sans", "Beta Test"}, {"activate", "B"}});
    const auto active = lbtest::fcList();
    // A new session on a desktop that lost the state (its files removed).
    QFile::remove(inactiveFontsConfPath());
    QFile::remove(FontconfigResources::statePath());
    ASSERT_EQ(lbtest::fcList().size(), 7u);

    // The real launcher: B's fonts and the desktop's as they were, the rest hidden again.
    Traywick traywick;
    ASSERT_EQ(fcListBecomes(active), active) << traywick.output().toStdString();

    // Fonts copied into a hidden folder, or a new one below it, are shown within seconds.
    auto shown = active;
    const auto arrives = [&](const QString& file) {
        shown.push_back(file.toStdString());
        std::ranges::sort(shown);
        EXPECT_EQ(fcListBecomes(shown), shown);
    };
    arrives(env.installFixture("DeltaTest-Regular.ttf"));
    arrives(env.installInSubfolder("FixtureScript-Regular.ttf", "new/deeper"));

    // Ended by the session: cleanly, its lock given up.
    EXPECT_EQ(traywick.terminate(), 0) << traywick.output().toStdString();
    EXPECT_EQ(SingleInstance(QStringLiteral("traywick")).claim(), SingleInstance::First);
}

TEST_F(LauncherDesktop, ASecondStartShowsTheFirstOnesWindowAndACrashedOneHoldsNothing) {
    ASSERT_TRUE(prepareDataFolder().isEmpty());
    lbtest::FakeResources fake;
    FontPlatform platform{fontconfig, fontconfig, desktop, fake};
    {
        LauncherStart first(app, platform);
        int ended = 0;
        first.prepareWindow = [&](FrmLauncher& w) {
            w.endProgram = [&] { ++ended; };
            w.trayAvailable = [] { return true; };
        };
        ASSERT_TRUE(first.begin());
        first.window()->Timer1_Timer(); // its five seconds passed at once
        first.window()->cmdOK_Click();
        ASSERT_FALSE(first.window()->isVisible());

        // A second start (a restored session) ends at once; the first one's window comes up.
        Traywick second;
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return second.process.state() == QProcess::NotRunning; }, 15000));
        EXPECT_EQ(second.process.exitCode(), 0) << second.output().toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return first.window()->isVisible(); }, 3000));
        EXPECT_EQ(ended, 0);
    }

    // A launcher killed outright leaves its lock file and socket: the next one starts anyway.
    Traywick crashed;
    SingleInstance probe(QStringLiteral("traywick"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(probe.socketName()); }, 15000))
        << crashed.output().toStdString();
    crashed.process.kill();
    crashed.process.waitForFinished(10000);
    EXPECT_TRUE(QFileInfo::exists(probe.lockPath()));
    EXPECT_EQ(probe.claim(), SingleInstance::First);
}

// A running GTK program shows each ctl activation within seconds, folder time undone or not.
TEST_F(LauncherDesktop, RunningGtkProgramsShowEachActivationOfAnotherProgram) {
    if (const QString lack = lbtest::GtkDesktop::missing(); !lack.isEmpty())
        GTEST_SKIP() << "needs " << lack.toStdString();
    ctl({{"refresh", "--yes"}, {"add-set", "A"}, {"assign", "A", "Alpha Test"}});
    ctl({{"add-set", "B"}, {"assign", "B", "Beta Test", "Fixture Sans"}});
    ASSERT_FALSE(QFileInfo::exists(rulesIncludePath()));

    lbtest::GtkDesktop desktop;
    ASSERT_TRUE(desktop.ready()) << desktop.output().toStdString();
    if (!desktop.watches(env.fontsFolder(), 10000))
        GTEST_SKIP() << "the settings daemon cannot watch the fonts folder: inotify is used up";
    Traywick traywick;
    SingleInstance probe(QStringLiteral("traywick"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(probe.socketName()); }, 15000))
        << traywick.output().toStdString();

    QString before = lbtest::GtkDesktop::familiesOfNewProgram();
    const QByteArray fontsFolder = QFile::encodeName(env.fontsFolder());
    bool first = true;
    for (const char* set : {"A", "B", "--all", "A"}) {
        const QDeadlineTimer seen(10000);
        struct stat fonts {};
        ASSERT_EQ(::stat(fontsFolder.constData(), &fonts), 0);
        ctl({{"activate", set}});
        if (std::exchange(first, false)) {
            const timespec times[2] = {fonts.st_atim, fonts.st_mtim};
            ASSERT_EQ(::utimensat(AT_FDCWD, fontsFolder.constData(), times, 0), 0);
        }
        const QString now = lbtest::GtkDesktop::familiesOfNewProgram();
        ASSERT_NE(now, before) << set;
        EXPECT_EQ(desktop.familiesBecome(now, int(seen.remainingTime())), now)
            << set << ": " << desktop.output().toStdString();
        before = now;
    }

    // The same set again changes nothing anyone sees, and nothing is announced.
    QTest::qWait(5000);
    const int announced = desktop.announcements();
    ctl({{"activate", "A"}});
    QTest::qWait(6000);
    EXPECT_EQ(desktop.familiesBecome(before, 0), before);
    EXPECT_EQ(desktop.announcements(), announced) << desktop.output().toStdString();
}

} // namespace
