// The whole path with real fontconfig: catalogue, activation and what another program sees.
#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "platform/checked_file.h"
#include "platform/font_selection.h"
#include "sets/assignment.h"
#include "support/data_files.h"
#include "support/programs.h"
#include "support/real_fonts.h"

#include "corpus/corpus.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QThread>
#include <filesystem>
#include <sqlite3.h>
#include <unistd.h>

using namespace lb;
using lbtest::fcList, lbtest::sorted;

namespace {

struct DesktopEffect : lbtest::RealFontsTest {
    void SetUp() override {
        installStandardFonts();
        open();
        app.db->exec("INSERT INTO [Sets] VALUES ('Body'); INSERT INTO [Assigned Fonts] VALUES "
                     "('Body', 'fixture sans'), ('Body', 'Fixture Serif')");
    }
    void activate(const QString& set) { Activate_Sets(*ctx, set, !set.isEmpty()); }
    FaceState stateOf(const char* face) { return all.row(all.find(face)).state; }
    // What other programs see with Body active, and `more`.
    std::vector<std::string> body(const QSet<QString>& more = {}) {
        return sorted(QSet<QString>{sans[0], sans[1], sans[2], serif, mono} + more);
    }
};

TEST_F(DesktopEffect, AnotherProgramSeesOnlyTheSetAndTheDesktopFontsAcrossStarts) {
    activate("Body");
    EXPECT_EQ(fcList(), body());

    // A refresh while the set is active keeps the hidden fonts and their assignments.
    app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Other', 'Beta Test')");
    Refresh_Fonts(*ctx);
    EXPECT_EQ(view.fontCount, "Fonts: 5");
    EXPECT_EQ(stateOf("Alpha Test"), FaceState::Inactive);

    // AutoAssign into the active set shows the font at once.
    app.db->exec("INSERT INTO [Auto Assign] VALUES ('Body', 'Alpha Test', 0)");
    app.addAutoAssign = true;
    Refresh_Fonts(*ctx);
    EXPECT_EQ(stateOf("Alpha Test"), FaceState::Active);
    EXPECT_EQ(fcList(), body({alpha}));

    // Alpha is now in the previous set, Body: activating all must still leave nothing hidden.
    activate("");
    EXPECT_EQ(fcList(), body({alpha, beta}));
    EXPECT_EQ(view.messages.last(), " All sets activated successfully.  No fonts are inactive.");

    // With every set active, a stray state from elsewhere is cleared at the next start.
    FontconfigResources stray(fontconfig);
    stray.unload(alpha);
    ASSERT_TRUE(stray.broadcast("not ours"));
    restart(); // as after a log-out: the state comes back from its files
    EXPECT_TRUE(Reapply_ActiveSet(*ctx));
    EXPECT_EQ(fcList(), body({alpha, beta}));

    // With a set active, the next start in step writes nothing.
    activate("Body");
    const QString stamp = scalar("SELECT [Font State] FROM [Sample Text]");
    const QByteArray state = lb::readWholeFile(FontconfigResources::statePath());
    restart();
    EXPECT_FALSE(Reapply_ActiveSet(*ctx));
    EXPECT_EQ(scalar("SELECT [Font State] FROM [Sample Text]"), stamp);
    EXPECT_EQ(lb::readWholeFile(FontconfigResources::statePath()), state);

    // A font copied meanwhile into a hidden folder was chosen by no one: the next start shows it.
    const QString arrived = env.installFixture("ZetaTest-Regular.ttf");
    restart();
    EXPECT_FALSE(Reapply_ActiveSet(*ctx));
    EXPECT_EQ(fcList(), body({alpha, arrived}));
}

TEST_F(DesktopEffect, EveryScalableFormatIsCataloguedAndHiddenExactly) {
    env.installFixture("FixtureCff.otf");
    const QString duo = env.installFixture("FixtureDuo.otc");
    const QString type1 = env.installFixture("TypeOneTest.pfb", true);
    env.installFixture("TypeOneTest.afm", true);
    const QString bitmap = env.installFixture("FixtureBitmap.bdf");
    env.installFixture("FixtureSans-Condensed.ttf");
    Refresh_Fonts(*ctx);
    // Each face of a collection is a typeface of its own, a width variant too.
    EXPECT_EQ(view.fontCount, "Fonts: 10");
    // Fixed sizes only: not catalogued, so no set holds it and no activation hides it.
    EXPECT_EQ(all.find("Fixture Bitmap"), -1);

    app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Body', 'Type One Test'), "
                 "('Body', 'Duo Second')");
    activate("Body");
    EXPECT_EQ(fcList(), body({type1, bitmap, duo}));
    // One face of the collection is hidden while the other stays, from the same file.
    const QSet<QString> families = lbtest::fcListFamilies();
    EXPECT_TRUE(families.contains("Duo Second") && !families.contains("Duo First"));
    EXPECT_EQ(stateOf("Duo First"), FaceState::Inactive);
    EXPECT_EQ(stateOf("Duo Second"), FaceState::Active);
    // Where the desktop passes over fonts of fixed sizes, as Debian does by default, the bitmap
    // font was never shown: activating is no failure (an unexpected box fails the test).
    activate("");
    ASSERT_TRUE(QDir().mkpath(env.configHome() + "/fontconfig/conf.d"));
    lbtest::writeFile(
        env.configHome() + "/fontconfig/conf.d/70-no-bitmaps.conf",
        "<fontconfig><selectfont><rejectfont><pattern><patelt name=\"scalable\">"
        "<bool>false</bool></patelt></pattern></rejectfont></selectfont></fontconfig>");
    activate("Body");
    EXPECT_EQ(fcList(), body({type1, duo}));
}

TEST_F(DesktopEffect, AStateThatCannotBeWrittenUndoesTheWholeChange) {
    activate("Body");
    const auto before = fcList();
    const QString stamp = scalar("SELECT [Font State] FROM [Sample Text]");
    // The state is written, then the database refuses the commit: the desktop goes back too.
    sqlite3_commit_hook(
        app.db->handle(), [](void*) { return 1; }, nullptr);
    EXPECT_THROW(Activate_Sets(*ctx, "", false), DbError);
    sqlite3_commit_hook(app.db->handle(), nullptr, nullptr);
    EXPECT_EQ(activatedSet(app), "Body");
    EXPECT_EQ(fcList(), before);
    EXPECT_TRUE(FontconfigResources(fontconfig).inStep(stamp));

    // Its configuration gone, its name taken: the repair fails, and lists mark no visible font.
    ASSERT_TRUE(QFile::remove(inactiveFontsConfPath()));
    ASSERT_TRUE(QDir().mkpath(inactiveFontsConfPath()));
    restart();
    EXPECT_THROW(Reapply_ActiveSet(*ctx), FontStateError);
    Fill_AllFonts(*ctx);
    EXPECT_EQ(stateOf("Alpha Test"), FaceState::Active);
    EXPECT_EQ(fcList(), body({alpha, beta}));
    ASSERT_TRUE(QDir(inactiveFontsConfPath()).removeRecursively());
    EXPECT_TRUE(Reapply_ActiveSet(*ctx));
    ASSERT_EQ(fcList(), before);

    // The state's name taken by a folder: an assignment to the active set is undone with it.
    ASSERT_TRUE(QFile::remove(FontconfigResources::statePath()));
    ASSERT_TRUE(QDir().mkpath(FontconfigResources::statePath()));
    select({"Beta Test"});
    EXPECT_THROW(Assign_Fonts(*ctx, "Body", false), FontStateError);
    EXPECT_EQ(scalar("SELECT count(*) FROM [Assigned Fonts] WHERE [Font Name] = 'Beta Test'"), "0");
    EXPECT_EQ(fcList(), before);
}

TEST_F(DesktopEffect, FoldersGoneOrEmptiedAreAskedAboutOnceBeforeTheirFontsGo) {
    // A disk linked in, its fonts in two folders, and another disk mounted on a folder.
    const QString usb = env.root() + "/usb";
    const QString disk = env.fontsFolder() + "disk";
    env.installInSubfolder("GammaTest-Regular.ttf", "disk");
    lbtest::copyFixture("LinguaTest.ttf", usb + "/a", "Lingua.ttf");
    lbtest::copyFixture("ZetaTest-Regular.ttf", usb + "/b", "Zeta.ttf");
    ASSERT_TRUE(QFile::link(usb, env.fontsFolder() + "usb"));
    Refresh_Fonts(*ctx);
    app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Body', 'Lingua Test'), "
                 "('Body', 'Zeta Test'), ('Body', 'Gamma Test'), ('Body', 'Beta Test')");
    const QString onDisks = "SELECT count(*) FROM [Assigned Fonts] WHERE [Font Name] IN "
                            "('Lingua Test', 'Zeta Test', 'Gamma Test')";
    ASSERT_EQ(scalar("SELECT count(*) FROM [Fonts]"), "10");

    // Both unplugged (a dangling link, an empty mount point): one question, and Enter keeps all.
    ASSERT_TRUE(QDir().rename(usb, usb + "-unplugged"));
    ASSERT_TRUE(QDir().rename(disk, env.root() + "/disk-unplugged") && QDir().mkpath(disk));
    boxes.answers = {AnswerNo};
    Refresh_Fonts(*ctx);
    lbtest::expectBox(boxes, 0, "Refresh Fonts",
                      QString("These folders held 3 fonts of yours and are now gone or empty.  A "
                              "disk may not be connected:\n\n%1  (1 font)\n%2usb  (2 fonts)\n\n"
                              "Remove these fonts and their set assignments from Letterbay?  (No "
                              "keeps them until the disk is back.)")
                          .arg(disk, env.fontsFolder()),
                      StyleYesNo | StyleExclamation | StyleDefaultSecond);
    EXPECT_EQ(scalar("SELECT count(*) FROM [Fonts]"), "10");
    EXPECT_EQ(scalar(onDisks), "3");

    // Back again: the fonts are found where they were, still in their sets.
    ASSERT_TRUE(QDir().rename(usb + "-unplugged", usb));
    ASSERT_TRUE(QDir().rmdir(disk) && QDir().rename(env.root() + "/disk-unplugged", disk));
    Refresh_Fonts(*ctx); // nothing vanished: a question would find no answer scripted
    EXPECT_EQ(scalar(onDisks), "3");

    // Gone for good this time; one more font went on its own, and is removed without asking.
    ASSERT_TRUE(QDir().rename(usb, usb + "-unplugged"));
    ASSERT_TRUE(QFile::remove(beta));
    boxes.answers = {AnswerYes};
    Refresh_Fonts(*ctx);
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(scalar("SELECT count(*) FROM [Fonts] WHERE [Face Name] = 'Zeta Test'"), "0");
    EXPECT_EQ(scalar(onDisks), "1") << "Gamma's disk is back";
    EXPECT_EQ(scalar("SELECT count(*) FROM [Assigned Fonts]"), "3") << "Body's own two are left";
}

TEST_F(DesktopEffect, FileNamesThatAreNotTextAreLeftOutSaidAndNeverHidden) {
    const QByteArray odd = QFile::encodeName(env.fontsFolder()) + "Odd\xff\xfe.ttf";
    // Qt cannot name it, nor the link to it, to remove them with the temporary home.
    const auto remove = qScopeGuard([&] {
        ::unlink(odd.constData());
        std::filesystem::remove_all(FontconfigResources::defaultFarmRoot().toStdString());
    });
    std::filesystem::copy_file(env.fixture("ZetaTest-Regular.ttf").toStdString(),
                               odd.toStdString());
    boxes.answers = {AnswerOK};
    Refresh_Fonts(*ctx);
    lbtest::expectBox(boxes, 0, "Refresh Fonts",
                      "These font files were left out because their names are not valid text.  "
                      "Rename them to use them in Letterbay:\n\n" +
                          QFile::decodeName(odd),
                      64);
    EXPECT_EQ(scalar("SELECT count(*) FROM [Fonts] WHERE [Face Name] = 'Zeta Test'"), "0");
    // Its folder's other fonts hidden: the file is no one's to hide and stays visible.
    activate("Body");
    EXPECT_EQ(fcList(), body({QFile::decodeName(odd)}));

    // A folder no configuration file can name: its font cannot be hidden, and that is said.
    const QString lingua =
        lbtest::copyFixture("LinguaTest.ttf", QFileInfo(serif).path() + "/ctl\x01", "L.ttf");
    ::unlink(odd.constData());
    activate("");
    Refresh_Fonts(*ctx);
    boxes.answers = {AnswerOK};
    activate("Body");
    lbtest::expectBox(boxes, 1, "Activate Selected Set",
                      "\"Body\" is active, but other programs do not see these fonts as they "
                      "should:\n\n" +
                          lingua + " is not hidden",
                      16);
    EXPECT_EQ(view.messages.last(),
              "\"Body\" is active, but other programs do not see every font as they should.");
}

// A few thousand fonts, activations killed at random points, then a program starts again.
struct KilledActivations : lbtest::RealFontsTest {
    void SetUp() override {
        lbbench::makeCorpus(QFile::encodeName(env.fontsFolder()).toStdString(), 2000);
        desktop.list = {"Bench Font 000007"};
        open();
        app.db->exec("INSERT INTO [Sets] VALUES ('A'), ('B'); INSERT INTO [Assigned Fonts] SELECT "
                     "'A', [Face Name] FROM [Fonts] WHERE rowid % 7 = 0 UNION ALL SELECT 'B', "
                     "[Face Name] FROM [Fonts] WHERE rowid % 5 = 0");
        app.closeAll();
    }
    // What another program must see for what the database records.
    std::vector<std::string> expected() {
        const QStringList files = lbtest::query(
            *Database::open(env.letterbayHome() + "/letterbay.mdb", ConnectSuffix),
            "SELECT ? || [File Name] FROM [Fonts], [Sample Text] WHERE [Activated Set] IS NULL OR "
            "[Face Name] = ? OR [Face Name] IN (SELECT [Font Name] FROM [Assigned Fonts] "
            "WHERE [Set Name] = [Activated Set])",
            {env.fontsFolder(), desktop.list.first()});
        return sorted(QSet<QString>(files.begin(), files.end()));
    }
    int tool(const QStringList& command) {
        return lbtest::runStateTool(QStringList{"--desktop", desktop.list.first()} + command)
            .exitCode;
    }
};

TEST_F(KilledActivations, TheNextStartOfEitherProgramShowsWhatTheDatabaseSays) {
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(tool({"activate", "A"}), 0);
    const qint64 took = std::max<qint64>(clock.elapsed(), 50);
    ASSERT_EQ(fcList(), expected());

    QRandomGenerator random(20261206);
    const std::pair<QString, QString> moves[] = {{"A", "B"}, {"A", ""}, {"", "A"}, {"B", "A"}};
    for (int round = 0; round < 16; ++round) {
        const auto& [from, to] = moves[round % 4];
        ASSERT_EQ(tool({"activate", from}), 0);
        QProcess killed;
        lbtest::startStateTool(killed, {"--desktop", desktop.list.first(), "activate", to});
        QThread::msleep(ulong(random.bounded(int(took * 12 / 10))));
        killed.kill(); // SIGKILL: no clean-up of any kind
        killed.waitForFinished();
        if (round % 2 == 0) { // the tray launcher starts
            ASSERT_EQ(tool({"start"}), 0);
        } else { // the main program starts
            restart();
            Startup startup(app);
            ASSERT_TRUE(startup.load());
            app.openMainDataSources();
            Load_SystemFonts(app.systemFonts, desktop);
            Reapply_ActiveSet(*ctx);
            app.closeAll();
        }
        ASSERT_EQ(fcList(), expected())
            << "round " << round << ", " << from.toStdString() << " to " << to.toStdString();
    }

    // Killed after the commit (B recorded, A's files), then before it (B's files, A recorded).
    const auto pretend = [&](const QString& set, const QString& previous, const QString& stamp) {
        lbtest::query(*Database::open(env.letterbayHome() + "/letterbay.mdb", ConnectSuffix),
                      "UPDATE [Sample Text] SET [Activated Set] = ?, [Previous Set] = ?, "
                      "[Font State] = ?",
                      {set, previous, stamp});
    };
    ASSERT_EQ(tool({"activate", "A"}), 0);
    pretend("B", "A", "committed-but-not-written");
    ASSERT_EQ(tool({"start"}), 0);
    EXPECT_EQ(fcList(), expected());
    ASSERT_EQ(tool({"activate", "A"}), 0);
    const QByteArray before = readWholeFile(FontconfigResources::statePath());
    ASSERT_EQ(tool({"activate", "B"}), 0);
    pretend("A", "B", FontconfigResources::parseState(before).stamp);
    ASSERT_EQ(tool({"start"}), 0);
    EXPECT_EQ(fcList(), expected());
}

} // namespace
