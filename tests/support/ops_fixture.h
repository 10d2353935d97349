#pragma once

#include "core/main_context.h"
#include "core/startup.h"
#include "support/data_files.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

namespace lbtest {

// An opened shipped database with the main window's data sources, fake font facilities and
// a recording view: operations run exactly as in the window, without one.
struct OpsFixture : ::testing::Test, Session {
    RecordingView view;
    lb::FontListModel allFonts, assignedFonts;
    lb::MainContext ctx{app, fonts, view, allFonts, assignedFonts};

    void SetUp() override {
        lb::Startup startup(app);
        ASSERT_TRUE(startup.load());
        app.openMainDataSources();
    }

    void exec(const QString& sql) { app.db->exec(sql); }
    QString scalar(const QString& sql) { return lbtest::scalar(*app.db, sql); }
    QStringList column(const QString& sql) { return query(*app.db, sql); }
    void assign(const QString& set, const QString& font) {
        query(*app.db, "INSERT INTO [Assigned Fonts] VALUES (?, ?)", {set, font});
    }
    void addSet(const QString& set) { query(*app.db, "INSERT INTO [Sets] VALUES (?)", {set}); }
    QStringList listNames() const { return lbtest::listNames(allFonts); }
    auto stateOf(const QString& face) const { return lbtest::stateOf(allFonts, face); }
    QString setting(const QString& field) { return lbtest::setting(*app.db, field); }
};

} // namespace lbtest
