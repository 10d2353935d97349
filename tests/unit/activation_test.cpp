#include "activation/activation.h"
#include "catalogue/refresh.h"
#include "core/schema.h"
#include "core/settings.h"
#include "support/ops_fixture.h"

using namespace lb;

namespace {

// Fonts A (a1, a2), B, C, D and the system font "Desk Sans"; set P = {A, B}, set S = {B, C}.
struct Activation : lbtest::OpsFixture {
    void SetUp() override {
        OpsFixture::SetUp();
        desktop.list = {"Desk Sans"};
        addFont("A Font", "A Font Regular", "a1.ttf");
        addFont("A Font", "A Font Bold", "a2.ttf");
        addFont("B Font", "B Font", "b.ttf");
        addFont("C Font", "C Font", "c.ttf");
        addFont("D Font", "D Font", "d.ttf");
        addFont("Desk Sans", "Desk Sans", "/usr/share/fonts/desk.ttf");
        Refresh_Fonts(ctx);
        exec("INSERT INTO [Sets] VALUES ('P'), ('S')");
        exec("INSERT INTO [Assigned Fonts] VALUES ('P', 'A Font'), ('P', 'B Font'), "
             "('S', 'b font'), ('S', 'C Font')");
    }
    void activate(const QString& set) {
        resources.log.clear();
        Activate_Sets(ctx, set, !set.isEmpty());
    }
    // Activated and previous set, as the settings record them.
    QString sets() { return setting(fld::ActivatedSet) + " after " + setting(fld::PreviousSet); }
};

TEST_F(Activation, SetThenAnotherSetThenAll) {
    activate("P");
    EXPECT_EQ(resources.hidden, (QSet<QString>{"c.ttf", "d.ttf"}));
    EXPECT_EQ(sets(), "P after <null>");
    EXPECT_EQ(resources.broadcasts, 1);
    EXPECT_EQ(stateOf("A Font"), FaceState::Active);
    EXPECT_EQ(stateOf("C Font"), FaceState::Inactive);
    EXPECT_EQ(stateOf("Desk Sans"), FaceState::System);

    // Fonts that cannot be hidden leave the database as it was; the next try goes through.
    const QString stamp = setting(fld::FontState);
    resources.failWith = "No space left on device";
    EXPECT_THROW(Activate_Sets(ctx, "S", true), FontStateError);
    EXPECT_EQ(sets(), "P after <null>");
    EXPECT_EQ(setting(fld::FontState), stamp);
    resources.failWith.clear();

    // Another program wrote B's row again, last in the catalogue: each row keeps its own state.
    exec("CREATE TEMP TABLE moved AS SELECT * FROM [Fonts] WHERE [File Name] = 'b.ttf'");
    exec("DELETE FROM [Fonts] WHERE [File Name] = 'b.ttf'");
    exec("INSERT INTO [Fonts] SELECT * FROM moved");

    // S after P: what P hid and S holds comes back, what S leaves out goes, file by file.
    activate("S");
    EXPECT_EQ(resources.hidden, (QSet<QString>{"a1.ttf", "a2.ttf", "d.ttf"}));
    EXPECT_EQ(sets(), "S after P");
    EXPECT_EQ(listNames(), (QStringList{"A Font", "B Font", "C Font", "D Font", "Desk Sans"}));
    for (const auto& [face, state] : {std::pair{"A Font", FaceState::Inactive},
                                      {"B Font", FaceState::Active},
                                      {"C Font", FaceState::Active},
                                      {"D Font", FaceState::Inactive}})
        EXPECT_EQ(stateOf(face), state) << face;
    EXPECT_NE(setting(fld::FontState), stamp);
    EXPECT_EQ(resources.broadcasts, 2);

    activate("");
    EXPECT_TRUE(resources.hidden.isEmpty());
    EXPECT_EQ(sets(), "<null> after S");
    EXPECT_EQ(stateOf("A Font"), FaceState::Active);
}

TEST_F(Activation, StartUpTouchesNothingInStepAndAppliesTheSetAgainWhenLost) {
    activate("P");
    EXPECT_FALSE(Reapply_ActiveSet(ctx));
    EXPECT_EQ(resources.broadcasts, 1);
    EXPECT_EQ(view.messages.last(), "\"P\" is the currently active set.");

    // The desktop lost the state (its files were removed): everything outside P is hidden again.
    resources.hidden.clear();
    resources.stamp.clear();
    EXPECT_TRUE(Reapply_ActiveSet(ctx));
    EXPECT_EQ(resources.hidden, (QSet<QString>{"c.ttf", "d.ttf"}));
    EXPECT_EQ(stateOf("C Font"), FaceState::Inactive);

    // Fonts that arrived in hidden folders could not be shown: said, not dropped.
    resources.failWith = "Read-only file system";
    EXPECT_THROW(Reapply_ActiveSet(ctx), FontStateError);
}

TEST_F(Activation, TypedNamesBecomeTheSetsOwnSpellingAndRefusalsChangeNothing) {
    // Typed in another letter case: the set is found, and stored as it is spelled.
    activate("p");
    activate("s");
    EXPECT_EQ(sets(), "S after P");

    // No set chosen, or a name never added as a set: refused, and nothing changes.
    activate("");
    const bool flag = app.setActivated;
    for (const QString& name : {QString(), QString("No Such Set")}) {
        boxes.answers = {AnswerOK};
        Activate_Sets(ctx, name, true);
        lbtest::expectBox(boxes, boxes.shown.size() - 1, "Activate Selected Set",
                          "You must first select a set.", 16);
    }
    EXPECT_TRUE(resources.hidden.isEmpty() && !resources.hasPending());
    EXPECT_EQ(app.setActivated, flag);
    EXPECT_EQ(setting(fld::ActivatedSet), "<null>");

    // An empty catalogue hides nothing but still records the set.
    exec("DELETE FROM [Fonts]");
    const int broadcasts = resources.broadcasts;
    activate("P");
    EXPECT_TRUE(resources.log.isEmpty());
    EXPECT_EQ(setting(fld::ActivatedSet), "P");
    EXPECT_EQ(view.messages.last(), "\"P\" activated successfully.  Everything else is inactive.");
    EXPECT_EQ(resources.broadcasts, broadcasts + 1);
}

} // namespace
