#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "core/schema.h"
#include "core/settings.h"
#include "sets/assigned_sets.h"
#include "sets/assignment.h"
#include "sets/set_maintenance.h"
#include "support/ops_fixture.h"

using namespace lb;

namespace {

struct Sets : lbtest::OpsFixture {
    void SetUp() override {
        OpsFixture::SetUp();
        exec("DELETE FROM [Sets]");
        desktop.list = {"Desk Sans"};
        for (const char* f : {"Alpha", "Beta", "Gamma", "Delta", "Desk Sans"})
            addFont(f, QString(f) + " Regular", QString(f).toLower() + ".ttf");
        addFont("Alpha", "Alpha Bold", "alpha-bold.ttf");
        Refresh_Fonts(ctx);
        view.messages.clear();
    }
    void typeSet(const QString& text) {
        view.setBox = text;
        Add_Set(ctx);
    }
    void choose(const QString& set) {
        view.setBox = set;
        Select_Set(ctx);
    }
    void selectAll(FontListModel& list, std::initializer_list<const char*> names) {
        for (int i = 0; i < list.size(); ++i)
            list.setSelected(i, false);
        list.selectedCount = 0;
        for (const char* n : names) {
            list.setSelected(list.find(n), true);
            ++list.selectedCount;
        }
    }
    QStringList pairs() {
        return column("SELECT [Set Name] || '/' || [Font Name] FROM [Assigned Fonts] ORDER BY 1");
    }
    void activate(const QString& set) {
        view.setBox = set;
        app.setActivated = true;
        Activate_Sets(ctx);
        resources.log.clear();
    }
};

TEST_F(Sets, AddSelectAndRefuse) {
    typeSet("  Headings  ");
    EXPECT_EQ(view.setBox, "Headings");
    EXPECT_EQ(view.messages.last(), "\"Headings\" added successfully.");
    EXPECT_EQ(column("SELECT [Set Name] FROM [Sets]"), QStringList{"Headings"});
    EXPECT_EQ(view.setEntries, QStringList{"Headings"});

    view.messages.clear();
    typeSet("HEADINGS");
    EXPECT_TRUE(view.messages.isEmpty());
    EXPECT_EQ(scalar("SELECT count(*) FROM [Sets]"), "1");
    EXPECT_TRUE(boxes.shown.empty());

    boxes.answers = {AnswerOK};
    typeSet("Say \"hi\"");
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Add Set");
    EXPECT_EQ(boxes.shown[0].text, "You cannot use \" in your set name.  Use ' instead.");
    EXPECT_EQ(scalar("SELECT count(*) FROM [Sets]"), "1");

    typeSet("   ");
    EXPECT_EQ(scalar("SELECT count(*) FROM [Sets]"), "1");

    assign("Headings", "Gamma");
    assign("Headings", "Beta");
    choose("Headings");
    EXPECT_EQ(setting(fld::SelectedSet), "Headings");
    EXPECT_EQ(view.deleteTip, "Delete Set");
    EXPECT_EQ(assignedFonts.size(), 2);
    EXPECT_EQ(assignedFonts.row(0).name, "Beta");
    EXPECT_EQ(view.messages.last(), "Displaying fonts assigned to \"Headings\"");
}

TEST_F(Sets, RenameFollowsEverywhere) {
    typeSet("Body");
    typeSet("Titles");
    typeSet("Other");
    assign("Body", "Alpha");
    writeSettings(app, {{fld::ActivatedSet, "Body"}, {fld::PreviousSet, "Titles"}});

    view.setBox = "body"; // typed in another case: still found
    boxes.inputs = {"Zebra"};
    Rename_Set(ctx);
    EXPECT_EQ(boxes.shown.back().text, "Rename \"Body\" below and press OK.");
    EXPECT_EQ(boxes.shown.back().title, "Rename Set");
    EXPECT_EQ(setting(fld::ActivatedSet), "Zebra");
    EXPECT_EQ(setting(fld::PreviousSet), "Titles");
    EXPECT_EQ(pairs(), QStringList{"Zebra/Alpha"});
    EXPECT_EQ(view.setEntries, (QStringList{"Other", "Titles", "Zebra"}));
    EXPECT_EQ(view.messages.last(), "\"Body\" renamed to \"Zebra\" successfully.");
    EXPECT_EQ(app.currentSetName, "Zebra");

    view.setBox = "Titles";
    boxes.inputs = {"Aardvark"};
    Rename_Set(ctx);
    EXPECT_EQ(setting(fld::PreviousSet), "Aardvark");
    EXPECT_EQ(view.setEntries.first(), "Aardvark");

    view.setBox = "Other";
    boxes.inputs = {"zebra"};
    boxes.answers = {AnswerOK};
    Rename_Set(ctx);
    EXPECT_EQ(boxes.shown.back().text, "\"zebra\" already exists.");
    boxes.inputs = {"A \"quoted\" name"};
    boxes.answers = {AnswerOK};
    Rename_Set(ctx);
    EXPECT_EQ(boxes.shown.back().text, "You cannot use \" in your set name.  Use ' instead.");
    boxes.inputs = {""};
    Rename_Set(ctx);
    EXPECT_EQ(column("SELECT [Set Name] FROM [Sets] ORDER BY 1"),
              (QStringList{"Aardvark", "Other", "Zebra"}));
}

TEST_F(Sets, DeleteAsksAndGuardsTheActivatedSet) {
    typeSet("Keep");
    typeSet("Drop");
    assign("Drop", "Alpha");
    assign("Keep", "Alpha");
    writeSetting(app, fld::ActivatedSet, "Keep");

    view.setBox = "KEEP";
    boxes.answers = {AnswerOK};
    Delete_Set(ctx);
    EXPECT_EQ(boxes.shown.back().title, "Delete Set");
    EXPECT_EQ(boxes.shown.back().text,
              "You cannot delete \"KEEP\" because it is the currently active set.  Activate "
              "another set or all sets before attempting to delete this set again.");
    EXPECT_EQ(scalar("SELECT count(*) FROM [Sets]"), "2");

    view.setBox = "Drop";
    boxes.answers = {AnswerNo};
    Delete_Set(ctx);
    EXPECT_EQ(boxes.shown.back().text,
              "Are you sure you want to delete the set \"Drop\" and all its font assignments?");
    EXPECT_EQ(scalar("SELECT count(*) FROM [Sets]"), "2");

    boxes.answers = {AnswerYes};
    Delete_Set(ctx);
    EXPECT_EQ(view.messages.last(), "\"Drop\" deleted successfully.");
    EXPECT_EQ(pairs(), QStringList{"Keep/Alpha"});
    EXPECT_EQ(view.setEntries, QStringList{"Keep"});
    EXPECT_TRUE(view.setBox.isEmpty());

    const size_t asked = boxes.shown.size();
    view.setBox = "Nothing";
    Delete_Set(ctx);
    EXPECT_EQ(boxes.shown.size(), asked);
}

TEST_F(Sets, CopyCreatesOrFillsTheTarget) {
    typeSet("Source");
    typeSet("Existing");
    assign("Source", "Alpha");
    assign("Source", "Beta");
    assign("Existing", "Beta");
    app.currentSetName = "Source";

    boxes.answers = {AnswerOK, AnswerOK};
    EXPECT_FALSE(Copy_Set(ctx, ""));
    EXPECT_EQ(boxes.shown.back().text, "Copy To set is required.");
    EXPECT_FALSE(Copy_Set(ctx, "SOURCE"));
    EXPECT_EQ(boxes.shown.back().text, "You cannot copy a set to itself.");

    EXPECT_TRUE(Copy_Set(ctx, "existing"));
    EXPECT_EQ(pairs(),
              (QStringList{"Existing/Alpha", "Existing/Beta", "Source/Alpha", "Source/Beta"}));
    EXPECT_EQ(view.messages.last(), "\"Source\" copied to \"Existing\" successfully.");
    EXPECT_EQ(view.setEntries.size(), 2);

    app.currentSetName = "Source";
    EXPECT_TRUE(Copy_Set(ctx, "Fresh"));
    EXPECT_EQ(view.setBox, "Fresh");
    EXPECT_EQ(app.currentSetName, "Fresh");
    EXPECT_EQ(assignedFonts.size(), 2);
    EXPECT_TRUE(view.setEntries.contains("Fresh"));

    typeSet("Empty");
    app.currentSetName = "Empty";
    EXPECT_TRUE(Copy_Set(ctx, "Also Empty"));
    EXPECT_EQ(view.messages.last(), "\"Empty\" copied to \"Also Empty\" successfully.");
    EXPECT_FALSE(
        scalar("SELECT [Set Name] FROM [Sets] WHERE [Set Name] = 'Also Empty'").startsWith("<"));
}

TEST_F(Sets, AssignWithFilterTakesConsecutiveRows) {
    typeSet("Mine");
    choose("Mine");
    ctx.unassignedOnly = true;
    Fill_AllFonts(ctx);
    selectAll(allFonts, {"Alpha", "Beta"}); // next to each other
    Assign_Fonts(ctx, false);
    EXPECT_EQ(pairs(), (QStringList{"Mine/Alpha", "Mine/Beta"}));
    EXPECT_EQ(listNames(), (QStringList{"Delta", "Desk Sans", "Gamma"}));
    EXPECT_EQ(view.messages.last(), "2 fonts added to \"Mine\" successfully.");
    EXPECT_EQ(assignedFonts.size(), 2);

    // Nothing new: the panel keeps the progress text.
    ctx.unassignedOnly = false;
    Fill_AllFonts(ctx);
    selectAll(allFonts, {"Alpha"});
    Assign_Fonts(ctx, false);
    EXPECT_EQ(view.messages.last(), "Assigning fonts...");
    EXPECT_TRUE(view.enabled);
}

TEST_F(Sets, AssignAndUnassignFollowTheActivatedSet) {
    typeSet("Active");
    assign("Active", "Gamma");
    activate("Active");
    EXPECT_TRUE(resources.hidden.contains("alpha.ttf"));
    EXPECT_EQ(stateOf("Alpha"), StateInactive);

    choose("Active");
    selectAll(allFonts, {"Alpha"});
    const int broadcasts = resources.broadcasts;
    Assign_Fonts(ctx, false);
    EXPECT_FALSE(resources.hidden.contains("alpha.ttf"));
    EXPECT_FALSE(resources.hidden.contains("alpha-bold.ttf"));
    EXPECT_EQ(resources.broadcasts, broadcasts + 1);
    EXPECT_EQ(stateOf("Alpha"), StateActive);
    EXPECT_EQ(view.messages.last(), "\"Alpha\" added to \"Active\" successfully.");

    // Unassigning unloads every file and redisplays the list; the desktop's font stays.
    assign("Active", "Desk Sans");
    choose("Active");
    selectAll(assignedFonts, {"Alpha", "Desk Sans"});
    boxes.answers = {AnswerYes};
    Unassign_Fonts(ctx, false);
    EXPECT_EQ(boxes.shown.back().text,
              "Are you sure you want to unassign 2 fonts from \"Active\"?");
    EXPECT_TRUE(resources.hidden.contains("alpha.ttf"));
    EXPECT_TRUE(resources.hidden.contains("alpha-bold.ttf"));
    EXPECT_FALSE(resources.hidden.contains("desk sans.ttf"));
    EXPECT_TRUE(view.messages.contains("Redisplaying All Fonts due to unassigning from set."));
    EXPECT_EQ(view.messages.last(), "2 fonts unassigned from \"Active\" successfully.");
    EXPECT_EQ(stateOf("Alpha"), StateInactive);
    EXPECT_EQ(stateOf("Desk Sans"), StateSystem);
    EXPECT_EQ(assignedFonts.size(), 1);
}

TEST_F(Sets, RemoveSwitchKeepsAutoAssignFromPuttingFontsBack) {
    exec("INSERT INTO [Sets] VALUES ('Serif'), ('Display')");
    exec("INSERT INTO [Auto Assign] VALUES ('Serif', 'gamma', 0), ('Display', 'Gamma', 0)");
    app.addAutoAssign = true;
    app.removeAutoAssign = true;
    Refresh_Fonts(ctx);
    EXPECT_EQ(pairs(), (QStringList{"Display/Gamma", "Serif/gamma"}));

    choose("Serif");
    selectAll(assignedFonts, {"gamma"});
    boxes.answers = {AnswerYes};
    Unassign_Fonts(ctx, false);
    EXPECT_EQ(scalar("SELECT [Inactive] FROM [Auto Assign] WHERE [Set Name] = 'Serif' AND [Font "
                     "Name] = 'Gamma'"),
              "1");
    Refresh_Fonts(ctx);
    EXPECT_EQ(pairs(), QStringList{"Display/Gamma"});

    // With the switch off, inactive rows count again.
    app.removeAutoAssign = false;
    Refresh_Fonts(ctx);
    EXPECT_EQ(pairs(), (QStringList{"Display/Gamma", "Serif/gamma"}));
}

TEST_F(Sets, AllSetsOperations) {
    boxes.answers = {AnswerOK};
    selectAll(allFonts, {"Beta"});
    Assign_AllSets(ctx);
    EXPECT_EQ(boxes.shown.back().text, "There are no sets available.");
    EXPECT_EQ(boxes.shown.back().title, "Assign to All Sets");

    for (const char* s : {"One", "Two", "Three"})
        typeSet(s);
    assign("Two", "Beta");
    choose("One");
    app.pickedFontName = "Beta";
    boxes.answers = {AnswerYes};
    Assign_AllSets(ctx);
    EXPECT_EQ(boxes.shown.back().text, "Are you sure you want to assign \"Beta\" to all sets?");
    EXPECT_EQ(pairs(), (QStringList{"One/Beta", "Three/Beta", "Two/Beta"}));
    EXPECT_EQ(view.messages.last(), "\"Beta\" assigned to all sets successfully.");
    EXPECT_EQ(assignedFonts.find("Beta"), 0);

    boxes.answers = {AnswerYes};
    Unassign_AllSets(ctx);
    EXPECT_TRUE(pairs().isEmpty());
    EXPECT_EQ(assignedFonts.size(), 0);
    EXPECT_EQ(view.messages.last(), "\"Beta\" unassigned from all sets successfully.");
}

} // namespace
