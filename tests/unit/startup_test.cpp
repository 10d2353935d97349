#include "core/paths.h"
#include "core/schema.h"
#include "core/startup.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/temp_env.h"

#include <QDir>
#include <QFile>
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
    QString dbFile() const { return dataFolder() + QStringLiteral("/letterbay.mdb"); }
    QString appendFile() const { return dataFolder() + QStringLiteral("/append.mdb"); }
    QString now(const QString& sql) { return scalar(*app.db, sql); }
};

TEST_F(StartupTest, FirstRunCopiesTheShippedDatabaseAndConvertsNothing) {
    ASSERT_TRUE(startup.load());
    EXPECT_TRUE(QFile::exists(dbFile()));
    EXPECT_EQ(startup.dataVersion(), QStringLiteral("2.5"));
    EXPECT_FALSE(startup.Timer1_Timer({}));
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_GT(now(QStringLiteral("SELECT count(*) FROM [Auto Assign]")).toInt(), 1500);
    EXPECT_EQ(now(QStringLiteral("SELECT count(*) FROM [Sets]")), QStringLiteral("6"));
    EXPECT_EQ(now(QStringLiteral("SELECT [Activated Set] FROM [Sample Text]")),
              QStringLiteral("<null>"));
    EXPECT_LE(now(QStringLiteral("SELECT length([Sample Text]) FROM [Sample Text]")).toInt(), 60);
    EXPECT_EQ(Startup::versionLabel(), QStringLiteral("Version 2.5"));
}

TEST_F(StartupTest, VersionOneFileIsUpgradedAndConvertedInOneStart) {
    lbtest::makeDataFile(dbFile(), QStringLiteral("1"),
                         {{"Serif", "Georgia"}, {"Script", "Brush"}});
    lbtest::makeAppendFile(appendFile(),
                           {{"Serif", "Georgia"}, {"Symbol", "Wingdings"}, {"Script", "BRUSH"}});
    ASSERT_TRUE(startup.load());
    EXPECT_EQ(startup.dataVersion(), QStringLiteral("2.0"));
    EXPECT_EQ(now(QStringLiteral("SELECT [Font Size] FROM [Sample Text]")), QStringLiteral("12"));
    EXPECT_EQ(now(QStringLiteral("SELECT [Selected Set] FROM [Sample Text]")),
              QStringLiteral("<null>"));

    boxes.answers = {AnswerOK};
    bool repainted = false;
    EXPECT_TRUE(startup.Timer1_Timer([&] { repainted = true; }));
    EXPECT_TRUE(repainted);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Conversion of Letterbay Information"));
    EXPECT_EQ(boxes.shown[0].style, 64);
    EXPECT_EQ(
        boxes.shown[0].text,
        QStringLiteral(
            "You have installed Letterbay 98 on top of a previous version.  Your existing 2.0 data "
            "will "
            "now be converted to work with the latest version (2.5).  It will also add any new "
            "AutoAssign information created after your version was available.  The conversion will "
            "only be performed once.\n\nPress OK to start conversion."));
    EXPECT_EQ(startup.dataVersion(), QStringLiteral("2.5"));
    EXPECT_EQ(now(QStringLiteral("SELECT count(*) FROM [Auto Assign]")), QStringLiteral("3"));
    EXPECT_EQ(
        now(QStringLiteral("SELECT [Inactive] FROM [Auto Assign] WHERE [Font Name] = 'Wingdings'")),
        QStringLiteral("0"));
    // A pair already known keeps its row as it was.
    EXPECT_EQ(
        now(QStringLiteral("SELECT [Inactive] FROM [Auto Assign] WHERE [Font Name] = 'Georgia'")),
        QStringLiteral("<null>"));
    EXPECT_EQ(pointer.get(), MousePointer::Default);
}

TEST_F(StartupTest, RepeatedConversionKeepsExistingPairsAndTheirInactiveMark) {
    // A conversion cut off earlier: the field exists and one pair is marked inactive.
    auto db = lbtest::makeDataFile(dbFile(), QStringLiteral("2.0"), {{"Serif", "Georgia"}}, true);
    db->exec(QStringLiteral("UPDATE [Auto Assign] SET [Inactive] = 1"));
    db.reset();
    lbtest::makeAppendFile(appendFile(), {{"SERIF", "georgia"}, {"Symbol", "Webdings"}});
    ASSERT_TRUE(startup.load());
    boxes.answers = {AnswerOK};
    EXPECT_TRUE(startup.Timer1_Timer({}));
    EXPECT_EQ(startup.dataVersion(), QStringLiteral("2.5"));
    EXPECT_EQ(
        now(QStringLiteral("SELECT [Inactive] FROM [Auto Assign] WHERE [Font Name] = 'Georgia'")),
        QStringLiteral("1"));
    EXPECT_EQ(now(QStringLiteral("SELECT count(*) FROM [Auto Assign]")), QStringLiteral("2"));
}

TEST_F(StartupTest, OtherVersionIsAnnouncedEveryStartAndNothingConverted) {
    lbtest::makeDataFile(dbFile(), QStringLiteral("2.1"), {{"Serif", "Georgia"}});
    lbtest::makeAppendFile(appendFile(), {{"Symbol", "Webdings"}});
    for (int start = 0; start < 2; ++start) {
        AppState fresh{boxes, pointer};
        Startup s{fresh};
        ASSERT_TRUE(s.load());
        boxes.answers = {AnswerOK};
        EXPECT_TRUE(s.Timer1_Timer({}));
        EXPECT_EQ(s.dataVersion(), QStringLiteral("2.1"));
        EXPECT_EQ(scalar(*fresh.db, QStringLiteral("SELECT count(*) FROM [Auto Assign]")),
                  QStringLiteral("1"));
    }
    EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(StartupTest, MissingConversionFileChangesNothingAndRunsAgainNextTime) {
    lbtest::makeDataFile(dbFile(), QStringLiteral("2.0"), {{"Serif", "Georgia"}});
    env.set("LETTERBAY_SHARE", env.root() + QStringLiteral("/empty-share"));
    ASSERT_TRUE(startup.load());
    boxes.answers = {AnswerOK, AnswerOK};
    EXPECT_TRUE(startup.Timer1_Timer({}));
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].style, 16);
    EXPECT_TRUE(boxes.shown[1].text.contains(QStringLiteral("append.mdb")));
    EXPECT_EQ(startup.dataVersion(), QStringLiteral("2.0"));
    EXPECT_FALSE(app.db->columns(tbl::AutoAssign).contains(fld::Inactive));
}

TEST_F(StartupTest, SecondInstanceIsRefusedWithoutOpeningTheDatabase) {
    QLockFile first(Startup::lockPath());
    ASSERT_TRUE(first.tryLock(0));
    boxes.answers = {AnswerOK};
    EXPECT_FALSE(startup.load());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Letterbay 98"));
    EXPECT_EQ(
        boxes.shown[0].text,
        QStringLiteral("Letterbay 98 is already running on this machine.  Click OK to exit."));
    EXPECT_EQ(boxes.shown[0].style, 16);
    EXPECT_EQ(app.db, nullptr);
}

TEST_F(StartupTest, UnusableDatabaseIsNamedAndLeftUntouched) {
    QFile bad(dbFile());
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(4096, 'x'));
    bad.close();
    boxes.answers = {AnswerOK};
    EXPECT_FALSE(startup.load());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].style, 16);
    EXPECT_TRUE(boxes.shown[0].text.contains(dbFile()));
    ASSERT_TRUE(bad.open(QIODevice::ReadOnly));
    EXPECT_EQ(bad.readAll(), QByteArray(4096, 'x'));
    // The refused copy does not keep the lock: the next start may try again.
    EXPECT_EQ(app.instanceLock, nullptr);
}

TEST(WelcomeText, RoundsTheKnowledgeBaseDownToHundreds) {
    EXPECT_TRUE(welcomeText(4567, QStringLiteral("\n"))
                    .contains(QStringLiteral("database of over 4,500 font names")));
    EXPECT_EQ(formatThousands(12345600), QStringLiteral("12,345,600"));
    EXPECT_EQ(formatThousands(0), QString());
}

} // namespace
