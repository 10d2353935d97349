#include "core/paths.h"
#include "core/schema.h"
#include "core/startup.h"
#include "platform/checked_file.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/temp_env.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

using namespace lb;
using lbtest::scalar;

namespace {

struct StartupTest : ::testing::Test {
    lbtest::TempEnv env;
    lbtest::ScriptedBoxes boxes;
    MemoryPointer pointer;
    AppState app{boxes, pointer};
    Startup startup{app};

    void SetUp() override { QDir().mkpath(dataFolder()); }
    QString dbFile() const { return dataFolder() + "/letterbay.mdb"; }
    QString appendFile() const { return dataFolder() + "/append.mdb"; }
    QString now(const QString& sql) { return scalar(*app.db, sql); }
    void copyShipped() {
        QFile::remove(dbFile());
        ASSERT_TRUE(QFile::copy(LB_SHARE_DIR "/letterbay.mdb", dbFile()));
        QFile::setPermissions(dbFile(), QFile::ReadOwner | QFile::WriteOwner);
    }

    // The shipped files as a package installs them: root's, and read-only for everyone.
    QString installed() const { return env.root() + "/usr/share/letterbay"; }
    void install(const std::vector<std::pair<QString, QString>>& newAuto) {
        ASSERT_TRUE(QDir().mkpath(installed()));
        ASSERT_TRUE(QFile::copy(LB_SHARE_DIR "/letterbay.mdb", installed() + "/letterbay.mdb"));
        lbtest::makeAppendFile(installed() + "/append.mdb", newAuto);
        ASSERT_EQ(QProcess::execute("chmod", {"-R", "a=rX", env.root() + "/usr"}), 0);
    }
};

TEST_F(StartupTest, FirstRunCopiesTheShippedDatabaseAndASecondCopyIsRefused) {
    ASSERT_TRUE(startup.load());
    EXPECT_FALSE(startup.Timer1_Timer({})) << "of this version: nothing to convert";
    EXPECT_GT(now("SELECT count(*) FROM [Auto Assign]").toInt(), 1500);
    EXPECT_EQ(now("SELECT count(*) FROM [Sets]"), "7");
    EXPECT_LE(now("SELECT length([Sample Text]) FROM [Sample Text]").toInt(), 60);

    // A second copy while this one runs: refused without opening the database.
    AppState second{boxes, pointer};
    boxes.answers = {AnswerOK};
    EXPECT_FALSE(Startup(second).load());
    expectBox(boxes, 0, "Letterbay 98",
              "Letterbay 98 is already running on this machine.  Click OK to exit.", 16);
    EXPECT_EQ(second.db, nullptr);
}

TEST_F(StartupTest, VersionOneFileIsUpgradedAndConvertedInOneStart) {
    lbtest::makeDataFile(dbFile(), "1", {{"Serif", "Georgia"}, {"Script", "Brush"}});
    lbtest::makeAppendFile(appendFile(),
                           {{"Serif", "Georgia"}, {"Symbol", "Wingdings"}, {"Script", "BRUSH"}});
    // Its indexes in the earlier text order: the start puts them in the present one.
    lbtest::addSetsInEarlierOrder(dbFile(), {"Zeta", "Écrit", "Alpha"});
    ASSERT_TRUE(startup.load()); // upgraded to 2.0, which the announcement names
    EXPECT_EQ(now("PRAGMA integrity_check"), "ok");
    EXPECT_EQ(now("SELECT [Font Size] || quote([Selected Set]) FROM [Sample Text]"), "12NULL");

    boxes.answers = {AnswerOK};
    bool repainted = false;
    EXPECT_TRUE(startup.Timer1_Timer([&] { repainted = true; }));
    EXPECT_TRUE(repainted);
    expectBox(boxes, 0, "Conversion of Letterbay Information",
              "You have installed Letterbay 98 on top of a previous version.  Your existing 2.0 "
              "data will now be converted to work with the latest version (2.5).  It will also "
              "add any new AutoAssign information created after your version was available.  The "
              "conversion will only be performed once.\n\nPress OK to start conversion.",
              64);
    EXPECT_EQ(startup.dataVersion(), "2.5");
    // The new pair added as active; a pair already known keeps its row as it was.
    EXPECT_EQ(now("SELECT group_concat([Font Name] || '=' || quote([Inactive])) FROM "
                  "(SELECT * FROM [Auto Assign] ORDER BY [Font Name])"),
              "Brush=NULL,Georgia=NULL,Wingdings=0");
}

TEST_F(StartupTest, AFailedVersionOneUpgradeIsSaidAndUndone) {
    // A field the upgrade adds is there already: the upgrade stops half way.
    lbtest::makeDataFile(dbFile(), "1", {{"Serif", "Georgia"}})
        ->exec("ALTER TABLE [Sample Text] ADD [Font Size] INTEGER");
    boxes.answers = {AnswerOK};
    ASSERT_TRUE(startup.load());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].style == 16 && boxes.shown[0].text.contains("could not be upgraded"))
        << boxes.shown[0].text.toStdString();
    EXPECT_FALSE(app.db->tableExists(tbl::Version) ||
                 app.db->columns(tbl::SampleText).contains(fld::SelectedSet));
}

TEST_F(StartupTest, RepeatedConversionKeepsExistingPairsAndTheirInactiveMark) {
    // A conversion cut off earlier: the field exists and one pair is marked inactive.
    lbtest::makeDataFile(dbFile(), "2.0", {{"Serif", "Georgia"}}, true)
        ->exec("UPDATE [Auto Assign] SET [Inactive] = 1");
    lbtest::makeAppendFile(appendFile(), {{"SERIF", "georgia"}, {"Symbol", "Webdings"}});
    ASSERT_TRUE(startup.load());
    boxes.answers = {AnswerOK};
    EXPECT_TRUE(startup.Timer1_Timer({}));
    EXPECT_EQ(startup.dataVersion(), "2.5");
    EXPECT_EQ(now("SELECT [Inactive] FROM [Auto Assign] WHERE [Font Name] = 'Georgia'"), "1");
}

TEST_F(StartupTest, OtherVersionIsAnnouncedAndNothingConverted) {
    lbtest::makeDataFile(dbFile(), "2.1", {{"Serif", "Georgia"}});
    lbtest::makeAppendFile(appendFile(), {{"Symbol", "Webdings"}});
    ASSERT_TRUE(startup.load());
    boxes.answers = {AnswerOK};
    EXPECT_TRUE(startup.Timer1_Timer({}));
    // Its version kept, so the next start announces it again.
    EXPECT_EQ(startup.dataVersion() + "|" + now("SELECT count(*) FROM [Auto Assign]"), "2.1|1");
    EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(StartupTest, MissingConversionFileChangesNothingAndRunsAgainNextTime) {
    lbtest::makeDataFile(dbFile(), "2.0", {{"Serif", "Georgia"}});
    env.set("LETTERBAY_SHARE", env.root() + "/empty-share");
    ASSERT_TRUE(startup.load());
    boxes.answers = {AnswerOK, AnswerOK};
    EXPECT_TRUE(startup.Timer1_Timer({}));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_TRUE(boxes.shown[1].style == 16 && boxes.shown[1].text.contains("append.mdb"));
    EXPECT_EQ(startup.dataVersion(), "2.0");
    EXPECT_FALSE(app.db->columns(tbl::AutoAssign).contains(fld::Inactive));
}

TEST_F(StartupTest, NormalUserConvertsOnceWithReadOnlyFilesAndIsRefusedWithoutALock) {
    if (!lbtest::isUnprivilegedChild()) install({{"Symbol", "Wingdings"}, {"Serif", "Georgia"}});
    env.set("LETTERBAY_SHARE", installed());
    const lbtest::Unprivileged run = lbtest::continueUnprivileged(env, {installed()});
    LB_CONTINUE_UNPRIVILEGED(run);

    ASSERT_FALSE(QFileInfo(installed() + "/append.mdb").isWritable());
    // The first run copies the installed database: the user's copy takes changes.
    ASSERT_TRUE(startup.load());
    EXPECT_NO_THROW(app.db->exec("INSERT INTO [Sets] VALUES ('Mine')"));
    app.closeAll();

    // An older database is converted with the read-only conversion file, once and for all.
    lbtest::makeDataFile(dbFile(), "2.0", {{"Serif", "Georgia"}}); // in its place
    AppState second{boxes, pointer};
    Startup converting{second};
    ASSERT_TRUE(converting.load());
    boxes.answers = {AnswerOK};
    EXPECT_TRUE(converting.Timer1_Timer({}));
    ASSERT_EQ(boxes.shown.size(), 1u) << boxes.shown.back().text.toStdString();
    EXPECT_EQ(boxes.shown[0].style, 64); // the announcement, and no error after it
    EXPECT_EQ(converting.dataVersion(), "2.5");
    EXPECT_EQ(scalar(*second.db, "SELECT group_concat([Font Name]) FROM [Auto Assign]"),
              "Georgia,Wingdings");
    second.closeAll();

    // A data folder the user may read but not write to: no lock file can be made there.
    QFile::setPermissions(dataFolder(), QFile::ReadOwner | QFile::ExeOwner);
    AppState third{boxes, pointer};
    boxes.answers = {AnswerOK};
    EXPECT_FALSE(Startup(third).load());
    QFile::setPermissions(dataFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    expectBox(boxes, 1, "Letterbay 98",
              "Letterbay 98 cannot tell whether it is already running on this machine: its lock "
              "file " +
                  Startup::lockPath() + " cannot be created.  Click OK to exit.",
              16);
    EXPECT_EQ(third.db, nullptr);
}

TEST_F(StartupTest, DamagedDatabasesAndAFullDiskAreNamedAndLeftAsTheyWere) {
    // Refused with the reason, keeping neither the database nor the lock; the file is untouched.
    const auto refused = [&](const QString& says) {
        const QByteArray before = readWholeFile(dbFile());
        AppState fresh{boxes, pointer};
        boxes.shown.clear();
        boxes.answers = {AnswerOK};
        EXPECT_FALSE(Startup(fresh).load());
        ASSERT_EQ(boxes.shown.size(), 1u);
        const QString& text = boxes.shown[0].text;
        EXPECT_TRUE(boxes.shown[0].style == 16 &&
                    text.startsWith("The font database " + dbFile() + " cannot be used: ") &&
                    text.contains(says) &&
                    text.endsWith("\n\nNothing has been changed.  Click OK to exit."))
            << text.toStdString();
        EXPECT_TRUE(!fresh.db && !fresh.instanceLock) << "the next start may try again";
        EXPECT_EQ(readWholeFile(dbFile()), before);
    };
    // Each damage by what the refusal says of it: statements run on the file, else bytes written.
    const std::pair<const char*, const char*> damage[] = {
        {"has no row", "DELETE FROM [Sample Text]"},
        {"is missing", "DROP TABLE [Assigned Fonts]; CREATE TABLE [Assigned Fonts] ([Set Name])"},
        {"is missing", "DROP TABLE [Sets]"},
        {"has no row", "DELETE FROM [Version]"},
        {"damaged", nullptr},
        {"", nullptr}};
    for (const auto& [says, sql] : damage) {
        SCOPED_TRACE(says);
        copyShipped();
        QByteArray bytes = readWholeFile(dbFile());
        if (sql) // a field, a table or a row gone
            Database::open(dbFile(), ConnectSuffix)->exec(sql);
        else if (*says) // a page half way through overwritten
            lbtest::writeFile(dbFile(), bytes.replace(bytes.size() / 4096 / 2 * 4096 + 512, 64,
                                                      QByteArray(64, '\x5a')));
        else // the whole file
            lbtest::writeFile(dbFile(), QByteArray(4096, 'x'));
        refused(QLatin1String(says));
    }

    // The data folder on a small file system, filled once the file is there.
    const lbtest::SmallDisk small(env.root() + "/small", "1m");
    if (!small.mounted) GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    env.set("LETTERBAY_HOME", small.path);
    copyShipped();
    // As after any earlier start: the file keeps its log beside it.
    Database::open(dbFile(), ConnectSuffix)->useWriteAheadLog();
    // One page left free, so the instance lock can still be taken.
    lbtest::writeFile(small.path + "/spare", QByteArray(4096, 's'));
    small.fill();
    ASSERT_TRUE(QFile::remove(small.path + "/spare"));
    refused("the disk holding it is full.  Make room on that disk and try again.");
}

TEST(WelcomeText, ThousandsAreGroupedAndZeroIsLeftEmpty) {
    EXPECT_EQ(formatThousands(12345600) + "|" + formatThousands(0), "12,345,600|");
}

} // namespace
