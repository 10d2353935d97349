#pragma once

#include "core/startup.h"
#include "support/fakes.h"
#include "support/temp_env.h"
#include "ui/frm_main.h"

#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace lbtest {

// The real main window in a fresh home over fake font facilities; every question is answered
// by script and ending the program only counts.
struct WindowFixture : ::testing::Test, Session {
    std::unique_ptr<lb::FrmMain> window;
    int ended = 0;

    // Start-up, then the main window (not yet loaded).
    void start() {
        lb::Startup startup(app);
        ASSERT_TRUE(startup.load());
        window = std::make_unique<lb::FrmMain>(app, fonts);
        window->endProgram = [this] { ++ended; };
    }
    // Loads the window (the first run's question answered No) and shows it at that size.
    void showWindow(int width, int height, bool active = false) {
        window->showPopup = [](QPoint) {};
        boxes.answers = {lb::AnswerNo};
        window->Form_Load();
        window->resize(width, height);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        if (!active) return;
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    void TearDown() override {
        app.exiting = true; // closing the window must not ask
        window.reset();
    }
};

} // namespace lbtest
