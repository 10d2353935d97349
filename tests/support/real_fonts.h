#pragma once

#include "core/main_context.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/temp_env.h"

#include <gtest/gtest.h>
#include <memory>

namespace lbtest {

// The main program's operations over real fontconfig in a fresh home, without a window, seen as
// every program sees them (a separate fc-list). The desktop's own font is fixed: Fixture Mono.
struct RealFontsTest : ::testing::Test {
    TempEnv env;
    ScriptedBoxes boxes;
    lb::MemoryPointer pointer;
    lb::AppState app{boxes, pointer};
    lb::FontconfigFonts fontconfig;
    FakeDesktop desktop;
    std::unique_ptr<lb::FontconfigResources> resources;
    std::unique_ptr<lb::FontPlatform> fonts;
    RecordingView view;
    lb::FontListModel all, assigned;
    std::unique_ptr<lb::MainContext> ctx;
    // Installed by installStandardFonts().
    QString sans[3], alpha, beta, serif, mono;

    RealFontsTest();
    // A fresh program run over the same files: the hidden-font state comes back from its files.
    void restart();
    // Fixture Sans (3 files), Alpha Test and Beta Test in the user's fonts folder; Fixture Serif
    // and the desktop's Fixture Mono installed system-wide.
    void installStandardFonts();
    // The catalogue as the program opens it, refreshed, with no sets.
    void open();
    void select(const QStringList& faces) { selectExactly(all, faces); }
    // "file = friendly name" of every catalogued file of a typeface, sorted.
    QStringList catalogue(const QString& face) {
        return query(*app.db,
                     QStringLiteral("SELECT [File Name] || ' = ' || [Friendly Name] FROM [Fonts] "
                                    "WHERE [Face Name] = ? ORDER BY 1"),
                     {face});
    }
    QString scalar(const QString& sql) { return lbtest::scalar(*app.db, sql); }
};

} // namespace lbtest
