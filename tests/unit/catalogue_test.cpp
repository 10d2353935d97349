#include "catalogue/refresh.h"
#include "catalogue/selection.h"
#include "catalogue/system_fonts.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "support/ops_fixture.h"

using namespace lb;

namespace {

struct Catalogue : lbtest::OpsFixture {};

TEST_F(Catalogue, OneListRowPerTypefaceAndEveryScalableFormat) {
    // An earlier version's one row for a collection becomes a row per face; its assignment stays.
    exec("DROP TABLE [Fonts]; CREATE TABLE [Fonts] ([Face Name] TEXT COLLATE LBNOCASE, "
         "[File Name] TEXT, [Friendly Name] TEXT COLLATE LBNOCASE); CREATE UNIQUE INDEX "
         "[Fonts File] ON [Fonts] ([File Name]); INSERT INTO [Fonts] VALUES ('Duo First', "
         "'FixtureDuo.otc', 'Duo First Regular & Duo Second Regular (OpenType)')");
    assign("Body", "Duo First");
    addCurrentFields(*app.db);
    app.datFonts->refresh();
    registry.values.push_back({"Duo First Regular (OpenType)", "FixtureDuo.otc", 0, "Duo First"});
    registry.values.push_back({"Duo Second Regular (OpenType)", "FixtureDuo.otc", 1, "Duo Second"});
    addFont("Fixture Sans", "Fixture Sans Regular", "FixtureSans-Regular.ttf");
    addFont("Fixture Sans", "Fixture Sans Bold", "FixtureSans-Bold.ttf");
    addFont("Fixture Sans", "Fixture Sans Italic", "/usr/share/fonts/FixtureSans-Italic.ttf");
    registry.values.push_back({"Type One Test Regular (Type 1)", "TypeOneTest.pfb", 0, {}});
    faces.names.insert("TypeOneTest.pfb", {"Type One Test Regular", "Type One Test", true, {}});
    Refresh_Fonts(ctx);
    EXPECT_EQ(scalar("SELECT count(*) FROM [Fonts]"), "6");
    EXPECT_EQ(column("SELECT [Friendly Name] FROM [Fonts] WHERE [Face Name] <> 'Fixture Sans' "
                     "ORDER BY 1"),
              (QStringList{"Duo First Regular (OpenType)", "Duo Second Regular (OpenType)",
                           "Type One Test Regular (Type 1)"}));
    EXPECT_EQ(listNames().join(','), "Duo First,Duo Second,Fixture Sans,Type One Test");
    EXPECT_EQ(view.fontCount, "Fonts: 4");
    EXPECT_EQ(scalar("SELECT [Font Name] FROM [Assigned Fonts]"), "Duo First");
    EXPECT_EQ(std::pair(view.fillSetsCalls, view.clearAssignedCalls), std::pair(1, 1));

    // A second refresh clears the old rows first; the reading phase is shown with a busy bar.
    view.messages.clear();
    QStringList reading; // the message, whether it was drawn, and the bar's maximum
    registry.onEnumerate = [&] {
        reading << view.messages.last() << QString::number(view.yields > view.yieldsBeforeMessage)
                << QString::number(view.maximum);
    };
    Refresh_Fonts(ctx);
    EXPECT_EQ(view.messages.first(), "Clearing out existing fonts...");
    EXPECT_EQ(reading, (QStringList{"Retrieving your fonts...", "1", "0"})) << "no count yet";
    EXPECT_EQ(scalar("SELECT count(*) FROM [Fonts]"), "6");
}

TEST_F(Catalogue, AssignmentsOfVanishedFontsGoOthersStayAndAFailedRefreshChangesNothing) {
    addFont("Alpha Test", "Alpha Test Regular", "a.ttf");
    addSet("Mine");
    assign("Mine", "Alpha Test");
    assign("Mine", "Gone Font");
    assign("Serif", "ALPHA TEST");
    Refresh_Fonts(ctx);
    EXPECT_EQ(column("SELECT [Set Name] || '/' || [Font Name] FROM [Assigned Fonts] ORDER BY 1"),
              (QStringList{"Mine/Alpha Test", "Serif/ALPHA TEST"}));

    // Two new fonts instead of Alpha, and reading breaks off once the first one is written.
    registry.values.clear();
    addFont("Beta Test", "Beta Test Regular", "b.ttf");
    addFont("Gamma Test", "Gamma Test Regular", "c.ttf");
    int reads = 0;
    faces.onRead = [&] {
        if (++reads == 2) throw std::runtime_error("reading cut off");
    };
    EXPECT_ANY_THROW(Refresh_Fonts(ctx));
    EXPECT_EQ(column("SELECT [Face Name] FROM [Fonts]"), QStringList{"Alpha Test"});
    EXPECT_TRUE(view.enabled);
    EXPECT_EQ(pointer.get(), MousePointer::Default);
}

// What each answer switches on is the main window's tests' business (FirstRun...).
TEST_F(Catalogue, FirstRunAsksAboutAutoAssignWhichFillsExistingSetsOnlyAndUnassignedOnly) {
    int shown = 0;
    boxes.onShow = [&] { EXPECT_EQ(shown, 1) << "the window is up before the question"; };
    app.removeAutoAssign = true;
    boxes.answers = {AnswerYes};
    EXPECT_TRUE(Begin_FirstRun(app, [&] { ++shown; }));
    EXPECT_FALSE(app.removeAutoAssign || switchOn(readSetting(app, fld::RemoveAutoAssign)));
    exec("INSERT INTO [Fonts] ([Face Name], [File Name]) VALUES ('Alpha Test', 'a.ttf')");
    EXPECT_FALSE(Begin_FirstRun(app, [&] { ++shown; })); // a second question would fail the test

    // The knowledge base's spelling differs in case; the assignment takes the knowledge base's.
    addFont("georgia", "Georgia Regular", "g.ttf");
    addFont("Alpha Test", "Alpha Test Regular", "a.ttf");
    addFont("Beta Test", "Beta Test Regular", "b.ttf");
    assign("Serif", "Beta Test");
    exec("INSERT INTO [Auto Assign] VALUES ('Nowhere', 'Alpha Test', 0)");
    app.addAutoAssign = true;
    ctx.unassignedOnly = true;
    Refresh_Fonts(ctx);
    EXPECT_EQ(column("SELECT [Set Name] || '/' || [Font Name] FROM [Assigned Fonts] ORDER BY 1"),
              (QStringList{"Serif/Beta Test", "Serif/Georgia"}));
    // Just assigned by AutoAssign, so not listed as unassigned; every typeface is counted.
    EXPECT_EQ(listNames(), QStringList{"Alpha Test"});
    EXPECT_EQ(view.fontCount, "Fonts: 3");
    // Once the set exists, the next refresh fills it.
    addSet("Nowhere");
    Refresh_Fonts(ctx);
    EXPECT_EQ(scalar("SELECT count(*) FROM [Assigned Fonts] WHERE [Set Name] = 'Nowhere'"), "1");
}

TEST(SystemFonts, SlotsKeepOrderAndRefuseRepeats) {
    lbtest::FakeDesktop desktop;
    desktop.list = {"DejaVu Sans", "Arial", "DejaVu Sans", "", "DejaVu Serif"};
    SystemFontList list;
    Load_SystemFonts(list, desktop);
    Load_SystemFonts(list, desktop);
    EXPECT_EQ(QStringList(list.begin(), list.end()),
              (QStringList{"Arial", "Marlett", "DejaVu Sans", "DejaVu Serif", "", "", "", ""}));
    EXPECT_TRUE(isSystemFont(list, "DejaVu Serif"));
    EXPECT_FALSE(isSystemFont(list, "arial"));
    EXPECT_FALSE(isSystemFont(list, ""));
    for (int i = 0; i < 10; ++i)
        Add_SystemFont(list, QStringLiteral("F%1").arg(i));
    EXPECT_EQ(list[7], "F3") << "the full list takes no more";
    EXPECT_FALSE(isSystemFont(list, "F4"));
}

TEST(Selection, TypeToFindAndTips) {
    FontListModel list;
    list.beginFill();
    for (const char* n :
         {"Alpha", "Beta", "Delta", "Édition", "Epsilon", "Gamma", "Tiber", "Timon", "Zeta"})
        list.append(QString::fromUtf8(n), FaceState::Active);
    list.endFill();
    // "ep" past an accented name sorted among the E's.
    for (const auto& [typed, row] :
         {std::pair{"", 0}, {"tim", 7}, {"ep", 4}, {"éd", 3}, {"zz", -1}})
        EXPECT_EQ(findRow(list, QString::fromUtf8(typed)), row) << typed;
    EXPECT_EQ(countTip(0), " No fonts ");
    EXPECT_EQ(countTip(1), " 1 font ");
    EXPECT_EQ(setsTip(3, ""), " 3 sets, all are active ");
    EXPECT_EQ(setsTip(1, "Serif"), " 1 set \"Serif\" is the activated set ");
}

} // namespace
