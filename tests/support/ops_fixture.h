#pragma once

#include "core/main_context.h"
#include "core/startup.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/temp_env.h"

#include <gtest/gtest.h>
#include <optional>

namespace lbtest {

// An opened shipped database with the main window's data sources, fake font facilities and
// a recording view: operations run exactly as in the window, without one.
struct OpsFixture : ::testing::Test, Session {
    RecordingView view;
    lb::FontListModel allFonts, assignedFonts;
    lb::MainContext ctx{app, fonts, view, allFonts, assignedFonts};

    void SetUp() override;

    void exec(const QString& sql);
    QString scalar(const QString& sql);
    QStringList column(const QString& sql);
    void assign(const QString& set, const QString& font);
    void addSet(const QString& set);
    QStringList listNames() const;
    std::optional<lb::FaceState> stateOf(const QString& face) const;
    QString setting(const QString& field);
};

} // namespace lbtest
