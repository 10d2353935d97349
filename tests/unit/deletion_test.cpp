// Deleting fonts: the question, the counts, what stays, and what other programs see afterwards.
#include "activation/deletion.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/schema.h"
#include "support/ops_fixture.h"
#include "support/real_fonts.h"
#include "support/unprivileged.h"

#include <QFile>
#include <sys/stat.h>

using namespace lb;

namespace {

struct Deleting : lbtest::OpsFixture {
    void SetUp() override {
        OpsFixture::SetUp();
        for (QString f : {"Alpha Test", "Beta Test", "Fixture Sans", "Gamma Test", "Case Test"})
            addFont(f, f + " Regular", QString(f).remove(u' ') + "-Regular.ttf");
        addFont("Fixture Sans", "Fixture Sans Bold", "/usr/share/fonts/FixtureSans-Bold.ttf");
        addFont("Desk Sans", "Desk Sans Regular", "desk.ttf");
        addFont("CASE TEST", "CASE TEST Regular", "CaseTestUpper-Regular.ttf");
        desktop.list = {"Desk Sans"};
        Get_FontsFolder(app, registry);
        Refresh_Fonts(ctx);
        exec("DELETE FROM [Sets]; INSERT INTO [Sets] VALUES ('Work'), ('Play'); INSERT INTO "
             "[Assigned Fonts] VALUES ('Work', 'Alpha Test'), ('Play', 'Alpha Test'), "
             "('Work', 'Fixture Sans'), ('Play', 'Beta Test')");
        app.datAssigned->refresh();
        app.datSets->refresh();
    }
    void remove(const QStringList& faces, int answer = AnswerYes) {
        lbtest::selectExactly(allFonts, faces);
        boxes.answers = {answer};
        Delete_Fonts(ctx);
    }
    QStringList files(const QString& face) {
        return column("SELECT [File Name] FROM [Fonts] WHERE [Face Name] = '" + face +
                      "' COLLATE BINARY ORDER BY 1");
    }
};

TEST_F(Deleting, TheQuestionNamesWhatGoesSystemFontsStayAndTheShownSetIsRefilled) {
    remove({"Alpha Test"}, AnswerNo);
    lbtest::expectBox(boxes, 0, "Confirm Delete",
                      "Are you sure you want to permanently remove \"Alpha Test\" from your PC?",
                      52);
    EXPECT_EQ(files("Alpha Test"), QStringList{"AlphaTest-Regular.ttf"});

    remove({"Alpha Test"});
    EXPECT_TRUE(files("Alpha Test").isEmpty());
    EXPECT_EQ(scalar("SELECT count(*) FROM [Assigned Fonts]"), "2") << "Alpha's go in every set";
    EXPECT_EQ(view.messages.last(), "\"Alpha Test\" deleted successfully.");

    // Every file of a face goes in one removal; the set shown, which lost a font, is refilled.
    assign("Work", "Beta Test");
    app.currentSetName = "Work";
    Fill_AssignedFonts(ctx);
    remove({"Fixture Sans"});
    EXPECT_EQ(assignedFonts.set + u':' + lbtest::listNames(assignedFonts).join(','),
              "Work:Beta Test");
    // A font outside the set shown: the list is cleared and not filled again.
    const int clears = view.clearAssignedCalls;
    remove({"Gamma Test"});
    EXPECT_FALSE(app.fontsChanged);
    EXPECT_EQ(view.clearAssignedCalls, clears + 1);

    // Three selected, one of them the desktop's: the count, no name. Rows apart go as well.
    remove({"Beta Test", "CASE TEST", "Desk Sans"});
    EXPECT_EQ(boxes.shown.back().text,
              "Are you sure you want to permanently remove these 3 fonts from your PC?");
    EXPECT_EQ(listNames(), (QStringList{"Case Test", "Desk Sans"}));
    // "Case Test" is another typeface than "CASE TEST": its file stays.
    EXPECT_EQ(files("Case Test"), QStringList{"CaseTest-Regular.ttf"});
}

// On real fontconfig: what another program sees afterwards, and what is deleted on disk.
struct DeletingFromDisk : lbtest::RealFontsTest {
    QString sansBold, outside, link;

    void SetUp() override {
        if (lbtest::isUnprivilegedChild()) return;
        sans[0] = env.installFixture("FixtureSans-Regular.ttf");
        sansBold = env.installInSubfolder("FixtureSans-Bold.ttf", "Sans");
        alpha = env.installFixture("AlphaTest-Regular.ttf");
        serif = env.installFixture("FixtureSerif-Regular.ttf", true);
        mono = env.installFixture("FixtureMono-Regular.ttf", true);
        outside = lbtest::copyFixture("GammaTest-Regular.ttf", env.root(), "Gamma.ttf");
        link = env.fontsFolder() + "Gamma-link.ttf";
        QFile::link(outside, link);
    }
    // The catalogue, built by whoever runs the test (see unprivileged.h).
    void openCatalogue() {
        open();
        app.db->exec("INSERT INTO [Sets] VALUES ('Work')");
        app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Work', 'Alpha Test')");
    }
    void remove(const QStringList& faces, std::deque<int> answers) {
        select(faces);
        boxes.answers = std::move(answers);
        Delete_Fonts(*ctx);
    }
};

TEST_F(DeletingFromDisk, DeletesOnlyInsideTheFontsFolderAndNothingComesBack) {
    const QString duo = env.installFixture("FixtureDuo.otc");
    openCatalogue();
    // One face of a collection alone: its file holds the other too, so it stays, and says why.
    remove({"Duo First"}, {AnswerYes, AnswerOK});
    EXPECT_TRUE(QFileInfo::exists(duo));
    EXPECT_TRUE(boxes.shown.back().text.contains("also holds Duo Second"));
    // A catalogued file someone removed by hand meanwhile.
    ASSERT_TRUE(QFile::remove(alpha));
    const QStringList chosen{"Fixture Sans", "Fixture Serif", "Gamma Test", "Alpha Test",
                             "Fixture Mono", "Duo First",     "Duo Second"};
    {
        // Another program holds the database past the wait: the catalogue cannot change, so
        // nothing is deleted, and what was set aside comes back for every program.
        const auto other = Database::open(app.db->path(), ConnectSuffix);
        other->exec("BEGIN IMMEDIATE");
        app.db->setBusyTimeout(100);
        const std::vector<std::string> shown = lbtest::fcList();
        EXPECT_THROW(remove(chosen, {AnswerYes}), DbError);
        EXPECT_EQ(lbtest::fcList(), shown);
        other->exec("ROLLBACK");
    }
    remove(chosen, {AnswerYes});
    EXPECT_EQ(view.messages.last(), "6 of 7 fonts deleted successfully.  None of the selected "
                                    "system fonts were deleted.");
    EXPECT_TRUE(QFileInfo::exists(outside)) << "what the link pointed to stays";
    EXPECT_TRUE(QFileInfo::exists(serif)) << "a system-wide file is never deleted";
    EXPECT_EQ(lbtest::fcList(), lbtest::sorted({mono}));
    EXPECT_EQ(scalar("SELECT count(*) FROM [Assigned Fonts]"), "0");

    Refresh_Fonts(*ctx);
    EXPECT_EQ(view.fontCount, "Fonts: 1");
    // Nothing is left hidden as inactive: the removal alone keeps the system font away.
    EXPECT_TRUE(resources->hiddenFiles().isEmpty());
}

TEST_F(DeletingFromDisk, AFileInAReadOnlyFontsFolderStaysWithItsRowAndSet) {
    if (!lbtest::isUnprivilegedChild()) {
        ASSERT_EQ(::chmod(QFile::encodeName(env.fontsFolder()).constData(), 0505), 0);
        const lbtest::Unprivileged run = lbtest::continueUnprivileged(env);
        LB_CONTINUE_UNPRIVILEGED(run, EXPECT_TRUE(QFileInfo::exists(alpha)));
    }
    openCatalogue();
    remove({"Alpha Test", "Fixture Serif"}, {AnswerYes, AnswerOK});
    const QString file = env.fontsFolder() + "AlphaTest-Regular.ttf";
    EXPECT_EQ(catalogue("Alpha Test"),
              QStringList{"AlphaTest-Regular.ttf = Alpha Test Regular (TrueType)"});
    EXPECT_EQ(view.messages.last(), "1 of 2 fonts deleted successfully.  \"Alpha Test\" could not "
                                    "be removed from your PC.");
    EXPECT_EQ(view.fontCount, "Fonts: 4");
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].title + u'|' + QString::number(boxes.shown[1].style),
              "Delete Fonts|16");
    EXPECT_TRUE(boxes.shown[1].text.contains("Alpha Test (" + file + "): Permission denied"));
    // Its set stays, and a refresh finds the same catalogue: nothing comes back without its sets.
    Refresh_Fonts(*ctx);
    EXPECT_EQ(scalar("SELECT [Font Name] FROM [Assigned Fonts]"), "Alpha Test");
}

TEST_F(DeletingFromDisk, ChosenCopiesGoAndTheTypefaceKeepsItsSetsOnTheCopyThatStays) {
    const QString copy = env.installInSubfolder("AlphaTest-Regular.ttf", "downloads");
    const QString forEveryone = env.installFixture("AlphaTest-Regular.ttf", true, "AlphaAll.ttf");
    openCatalogue();
    const auto name = QFile::encodeName;
    boxes.answers = {AnswerYes};
    Delete_FontCopies(*ctx, {name(alpha), name(forEveryone), name(mono)});
    EXPECT_EQ(view.messages.last(), "2 of 3 fonts deleted successfully.  None of the selected "
                                    "system fonts were deleted.");
    EXPECT_EQ(lbtest::fcList(), lbtest::sorted({sans[0], sansBold, serif, mono, outside, copy}));
    EXPECT_GE(all.find("Alpha Test"), 0) << "it keeps its row, and so its sets";
    // With its last copy the typeface goes, sets and all.
    boxes.answers = {AnswerYes};
    Delete_FontCopies(*ctx, {name(copy)});
    EXPECT_EQ(all.find("Alpha Test"), -1);
    EXPECT_EQ(scalar("SELECT count(*) FROM [Assigned Fonts]"), "0");
}

} // namespace
