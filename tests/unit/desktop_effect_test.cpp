// The whole path with real fontconfig: catalogue, activation and what another program sees.
#include "activation/activation.h"
#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "platform/font_selection.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/font_env.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace lb;

namespace {

struct DesktopEffect : ::testing::Test {
    lbtest::FontEnv env;
    lbtest::ScriptedBoxes boxes;
    MemoryPointer pointer;
    AppState app{boxes, pointer};
    FontconfigFonts fontconfig;
    lbtest::FakeDesktop
        desktop; // the desktop's own font, fixed so the test does not depend on the machine
    std::unique_ptr<FontconfigResources> resources;
    std::unique_ptr<FontPlatform> fonts;
    lbtest::RecordingView view;
    FontListModel all, assigned;
    std::unique_ptr<MainContext> ctx;
    QString sans[3], alpha, beta, serif, system;

    void SetUp() override {
        sans[0] = env.installFixture("FixtureSans-Regular.ttf");
        sans[1] = env.installFixture("FixtureSans-Bold.ttf");
        sans[2] = env.installFixture("FixtureSans-Italic.ttf");
        alpha = env.installFixture("AlphaTest-Regular.ttf");
        beta = env.installFixture("BetaTest-Regular.ttf");
        serif = env.installFixture("FixtureSerif-Regular.ttf", true);
        system = env.installFixture("FixtureMono-Regular.ttf", true);
        desktop.list = {"Fixture Mono"};
        Startup startup(app);
        ASSERT_TRUE(startup.load());
        app.openMainDataSources();
        start();
        Refresh_Fonts(*ctx);
        app.db->exec("INSERT INTO [Sets] VALUES ('Body')");
        app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Body', 'fixture sans'), ('Body', "
                     "'Fixture Serif')");
    }
    // A fresh program run over the same files.
    void start() {
        resources = std::make_unique<FontconfigResources>(fontconfig);
        fonts = std::make_unique<FontPlatform>(
            FontPlatform{fontconfig, fontconfig, desktop, *resources});
        ctx = std::make_unique<MainContext>(MainContext{app, *fonts, view, all, assigned});
    }
    void activate(const QString& set) {
        view.setBox = set;
        Activate_Sets(*ctx, !set.isEmpty());
    }
    static std::vector<std::string> files(std::initializer_list<QString> paths) {
        return lbtest::sorted(QSet<QString>(paths));
    }
};

TEST_F(DesktopEffect, AnotherProgramSeesOnlyTheSetAndTheDesktopFonts) {
    EXPECT_EQ(view.fontCount, "TrueType Fonts: 5");
    activate("Body");
    EXPECT_EQ(lbtest::fcList(), files({sans[0], sans[1], sans[2], serif, system}));
    EXPECT_TRUE(QFile::exists(inactiveFontsConfPath()));

    // A refresh while the set is active keeps the hidden fonts and their assignments.
    app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Other', 'Alpha Test')");
    Refresh_Fonts(*ctx);
    EXPECT_EQ(view.fontCount, "TrueType Fonts: 5");
    EXPECT_EQ(lbtest::scalar(*app.db, "SELECT count(*) FROM [Assigned Fonts]"), "3");
    EXPECT_EQ(all.row(all.find("Alpha Test")).state, StateInactive);
    EXPECT_EQ(all.row(all.find("Fixture Mono")).state, StateSystem);

    activate("");
    EXPECT_EQ(lbtest::fcList(), files({sans[0], sans[1], sans[2], alpha, beta, serif, system}));
    EXPECT_FALSE(QFile::exists(inactiveFontsConfPath()));
}

TEST_F(DesktopEffect, NextStartReappliesOnlyWhenTheHiddenStateWasLost) {
    activate("Body");
    start(); // as after a log-out: the state comes back from the rejection file
    app.setActivated = true;
    view.setBox = "Body";
    EXPECT_FALSE(Reapply_ActiveSet(*ctx));

    QFile::remove(inactiveFontsConfPath());
    start();
    EXPECT_EQ(lbtest::fcList().size(), 7u);
    app.setActivated = true;
    EXPECT_TRUE(Reapply_ActiveSet(*ctx));
    EXPECT_EQ(lbtest::fcList(), files({sans[0], sans[1], sans[2], serif, system}));
    EXPECT_EQ(activatedSet(app), "Body");
}

TEST_F(DesktopEffect, RemovingFontsDeletesOnlyInsideTheFontsFolder) {
    auto removeFace = [&](const QString& face) {
        RecordSet& rows = *app.datFonts;
        rows.refresh();
        const Criteria byFace(fld::FaceName, face);
        for (bool found = rows.findFirst(byFace); found; found = rows.findNext(byFace))
            Remove_FontFile(*ctx, rows.text(fld::FileName));
        publishFontChanges(*ctx);
    };
    removeFace("Alpha Test");
    removeFace("Fixture Serif"); // installed system-wide
    EXPECT_FALSE(QFile::exists(alpha));
    EXPECT_TRUE(QFile::exists(serif));
    EXPECT_EQ(lbtest::fcList(), files({sans[0], sans[1], sans[2], beta, system}));
    Refresh_Fonts(*ctx);
    EXPECT_EQ(view.fontCount, "TrueType Fonts: 3");
    // Nothing is left hidden as inactive: the removal alone keeps the system font away.
    EXPECT_TRUE(resources->hiddenFiles().isEmpty());
}

} // namespace
