#include "activation/activation.h"
#include "catalogue/refresh.h"
#include "core/schema.h"
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
        exec("INSERT INTO [Sets] VALUES ('P'), ('S'); INSERT INTO [Assigned Fonts] VALUES "
             "('P', 'A Font'), ('P', 'B Font'), ('S', 'b font'), ('S', 'C Font')");
    }
    void activate(const QString& set) { Activate_Sets(ctx, set, !set.isEmpty()); }
    // Activated and previous set, as the settings record them.
    QString sets() { return setting(fld::ActivatedSet) + " after " + setting(fld::PreviousSet); }
};

TEST_F(Activation, SetThenAnotherSetThenAllAndRefusalsChangeNothing) {
    // Typed in another letter case: the set is found, and stored as it is spelled.
    activate("p");
    EXPECT_EQ(resources.hidden, (QSet<QString>{"c.ttf", "d.ttf"}));
    EXPECT_EQ(sets(), "P after <null>");
    EXPECT_EQ(std::tuple(stateOf("A Font"), stateOf("C Font"), stateOf("Desk Sans")),
              std::tuple(FaceState::Active, FaceState::Inactive, FaceState::System));
    // A start in step touches nothing (a lost set applied again: startup_window_test).
    EXPECT_FALSE(Reapply_ActiveSet(ctx));
    EXPECT_EQ(view.messages.last(), "\"P\" is the currently active set.");
    EXPECT_EQ(resources.broadcasts, 1);

    // No set chosen, or a name never added as a set: refused, and nothing changes.
    for (const QString& name : {QString(), QString("No Such Set")}) {
        boxes.answers = {AnswerOK};
        Activate_Sets(ctx, name, true);
        lbtest::expectBox(boxes, boxes.shown.size() - 1, "Activate Selected Set",
                          "You must first select a set.", 16);
    }
    // Fonts that cannot be hidden, or shown at a start, are said; the database stays as it was.
    const QString stamp = setting(fld::FontState);
    resources.failWith = "No space left on device";
    EXPECT_THROW(Reapply_ActiveSet(ctx), FontStateError);
    EXPECT_THROW(Activate_Sets(ctx, "S", true), FontStateError);
    EXPECT_EQ(sets(), "P after <null>");
    EXPECT_EQ(setting(fld::FontState), stamp);
    resources.failWith.clear();

    // Another program wrote B's row again, last in the catalogue: each row keeps its own state.
    exec("CREATE TEMP TABLE moved AS SELECT * FROM [Fonts] WHERE [File Name] = 'b.ttf'; DELETE "
         "FROM [Fonts] WHERE [File Name] = 'b.ttf'; INSERT INTO [Fonts] SELECT * FROM moved");

    // S after P: what P hid and S holds comes back, what S leaves out goes, file by file.
    activate("s");
    EXPECT_EQ(resources.hidden, (QSet<QString>{"a1.ttf", "a2.ttf", "d.ttf"}));
    EXPECT_EQ(sets(), "S after P");
    EXPECT_EQ(listNames(), (QStringList{"A Font", "B Font", "C Font", "D Font", "Desk Sans"}));
    EXPECT_EQ(std::tuple(stateOf("A Font"), stateOf("B Font"), stateOf("C Font")),
              std::tuple(FaceState::Inactive, FaceState::Active, FaceState::Active));
    EXPECT_NE(setting(fld::FontState), stamp);
    EXPECT_EQ(resources.broadcasts, 2);

    activate("");
    EXPECT_TRUE(resources.hidden.isEmpty());
    EXPECT_EQ(sets(), "<null> after S");
    EXPECT_EQ(stateOf("A Font"), FaceState::Active);

    // An empty catalogue hides nothing but still records the set.
    exec("DELETE FROM [Fonts]");
    const int broadcasts = resources.broadcasts;
    activate("P");
    EXPECT_EQ(view.messages.last(), "\"P\" activated successfully.  Everything else is inactive.");
    EXPECT_EQ(resources.broadcasts, broadcasts + 1);
}

} // namespace
