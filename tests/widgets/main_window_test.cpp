#include "core/schema.h"
#include "support/window_fixture.h"

using namespace lb;
using lbtest::scalar;

namespace {

struct MainWindowTest : lbtest::WindowFixture {
    void startWithGeorgia() {
        addFont("Georgia", "Georgia", "g.ttf");
        start();
    }
    double twipsPerPixel() { return 1440.0 / w->logicalDpiX(); }
    // The Edit menu's two AutoAssign switches, "1" for checked.
    QString switches() {
        return QString::number(w->command("mnuEditAddAutoAssign")->isChecked()) +
               QString::number(w->command("mnuEditRemoveAutoAssign")->isChecked());
    }
};

TEST_F(MainWindowTest, FirstRunWelcomesAsksAndBuildsTheCatalogue) {
    addFont("Fixture Sans", "Fixture Sans Regular", "a.ttf");
    addFont("Fixture Sans", "Fixture Sans Bold", "b.ttf");
    startWithGeorgia();
    // A knowledge base of 1,234 rows, Georgia's among them: the welcome counts whole hundreds.
    app.db->exec("DELETE FROM [Auto Assign] WHERE [Font Name] <> 'Georgia'; WITH RECURSIVE n(i) "
                 "AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i < 1234) "
                 "INSERT INTO [Auto Assign] SELECT 'Serif', 'Filler ' || i, 0 FROM n");
    boxes.answers = {AnswerYes};
    w->Form_Load();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title + "|" + QString::number(boxes.shown[0].style),
              "Initial Retrieval of Fonts|36");
    EXPECT_TRUE(boxes.shown[0].text.contains("database of over 1,200 font names"));
    EXPECT_EQ(switches() + setting(fld::AddAutoAssign) + setting(fld::RemoveAutoAssign), "1010");
    EXPECT_EQ(panel(2) + "|" + panel(3),
              "Fonts loaded, AutoAssign completed successfully.|Fonts: 2");
    EXPECT_EQ(pairs(), "Serif/Georgia"); // the shipped knowledge base's set, which ships too
    EXPECT_TRUE(w->isVisible() && w->isEnabled() && pointer.get() == MousePointer::Default);
}

TEST_F(MainWindowTest, StoredSettingsAreApplied) {
    QDir().mkpath(env.letterbayHome());
    lbtest::makeDataFile(env.letterbayHome() + "/letterbay.mdb", "2.5")
        ->exec("INSERT INTO [Fonts] ([Face Name], [File Name], [Friendly Name]) VALUES "
               "('Georgia', 'g.ttf', 'Georgia (TrueType)'); UPDATE [Sample Text] SET "
               "[Activated Set] = '', [Add AutoAssign] = NULL, [Remove AutoAssign] = 1, "
               "[Height] = 9000, [Width] = 12000");
    start();
    w->Form_Load(); // no question: a font is catalogued
    EXPECT_FALSE(app.setActivated);
    EXPECT_EQ(switches(), "01");
    const double tpp = twipsPerPixel();
    EXPECT_NEAR(w->width() * tpp, 12000, tpp);
    EXPECT_NEAR(w->height() * tpp, 9000, tpp);
    EXPECT_EQ(w->windowTitle(), "Letterbay 98");
    EXPECT_EQ(std::pair(w->allFonts().size(), setBox()->count()), std::pair(1, 0));
    // The menu switch is saved the moment it is toggled.
    w->command("mnuEditAddAutoAssign")->trigger();
    EXPECT_EQ(setting(fld::AddAutoAssign), "1");
}

TEST_F(MainWindowTest, ListsThatCannotBeReadAtLoadAreSaid) {
    startWithGeorgia();
    app.db->exec("INSERT INTO [Fonts] ([Face Name], [File Name], [Friendly Name]) VALUES "
                 "('Georgia', 'g.ttf', 'Georgia (TrueType)'); DROP TABLE [Sets]");
    boxes.answers = {AnswerOK};
    w->Form_Load();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(boxes.shown[0].style == 16 &&
                boxes.shown[0].text.startsWith("The font lists could not be read"))
        << boxes.shown[0].text.toStdString();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(scalar(*app.db, "SELECT count(*) FROM [Fonts]"), "1");
}

TEST_F(MainWindowTest, FirstRunAnsweredNoThenExitAsksOnceAndSavesTheSizeOnlyWhenConfirmed) {
    startWithGeorgia();
    boxes.answers = {AnswerNo};
    w->Form_Load();
    // No to the first run's question: the switch is off, so the refresh assigns nothing.
    EXPECT_EQ(switches().left(1) + setting(fld::AddAutoAssign), "00");
    EXPECT_EQ(panel(2), "Fonts loaded successfully.");

    const QString height = setting(fld::Height);
    w->resize(820, 640);

    boxes.answers = {AnswerNo};
    w->close(); // the close box
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(setting(fld::Height), height);
    EXPECT_EQ(boxes.shown.back().title + ": " + boxes.shown.back().text,
              "Confirm Exit: Are you sure you want to exit Letterbay 98?");

    boxes.answers = {AnswerNo};
    w->command("mnuFileExit")->trigger();
    EXPECT_TRUE(w->isVisible() && ended == 0);

    const QString path = app.databasePath;
    boxes.answers = {AnswerYes}; // asked once: the close that follows finds no answer ready
    w->command("mnuFileExit")->trigger();
    EXPECT_TRUE(!w->isVisible() && ended == 1 && !app.db);
    auto db = Database::open(path, ConnectSuffix);
    const double tpp = twipsPerPixel();
    EXPECT_NEAR(scalar(*db, "SELECT [Height] FROM [Sample Text]").toDouble(), 640 * tpp, 1);
    EXPECT_NEAR(scalar(*db, "SELECT [Width] FROM [Sample Text]").toDouble(), 820 * tpp, 1);
}

} // namespace
