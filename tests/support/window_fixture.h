#pragma once

#include "core/startup.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/real_fonts.h"
#include "support/temp_env.h"
#include "support/widget_helpers.h"
#include "ui/font_grid.h"
#include "ui/frm_main.h"

#include <fontconfig/fontconfig.h>
#include <initializer_list>
#include <memory>

namespace lbtest {

// The main window as the user drives it, for both window fixtures below.
struct MainWindowDriver {
    std::unique_ptr<lb::FrmMain> window;
    lb::FrmMain* w = nullptr; // the window, once made

    // Start-up, then the main window (not yet loaded).
    void start(lb::AppState& app, lb::FontPlatform& fonts, std::function<void()> ended) {
        // Qt's font list outlives a test; removing an application font makes Qt read it again,
        // now from this home's fontconfig.
        FcInitReinitialize();
        QFontDatabase::removeApplicationFont(QFontDatabase::addApplicationFont(
            TempEnv::fixture(QStringLiteral("AlphaTest-Regular.ttf"))));
        lb::Startup startup(app);
        ASSERT_TRUE(startup.load());
        window = std::make_unique<lb::FrmMain>(app, fonts);
        w = window.get();
        w->endProgram = std::move(ended);
    }
    // Shows the window loaded at that size (the first run's question answered No).
    void showLoaded(ScriptedBoxes& boxes, int width, int height, bool active) {
        ASSERT_NE(w = window.get(), nullptr);
        w->showPopup = [](QPoint) {};
        boxes.answers = {lb::AnswerNo};
        w->Form_Load();
        w->resize(width, height);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        boxes.shown.clear(); // the first run's question
        if (active) comeBack();
    }
    // The user works in another window for a while, then comes back to this one.
    void comeBack() { comeBackTo(w); }
    lb::FontGrid* grid(int list) {
        return w->findChild<lb::FontGrid*>(QString("grdFonts%1").arg(list));
    }
    // Assign, Assign to All, Unassign, Unassign from All.
    QPushButton* button(int i) { return w->findChild<QPushButton*>(QString("cmdAdd%1").arg(i)); }
    QComboBox* setBox() { return w->findChild<QComboBox*>(QStringLiteral("cmbSets")); }
    QStringList setItems() {
        QStringList names;
        for (int i = 0; i < setBox()->count(); ++i)
            names << setBox()->itemText(i);
        return names;
    }
    // Types a set's name into the set box and presses Enter.
    void addSet(const QString& name) {
        typeInto(setBox()->lineEdit(), name);
        QTest::keyClick(setBox()->lineEdit(), Qt::Key_Return);
    }
    void chooseSet(const QString& name) {
        const int i = setBox()->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        setBox()->setCurrentIndex(i);
        Q_EMIT setBox()->activated(i);
    }
    // Adds a set holding these fonts, shows it and activates it from the Edit menu.
    void activateNewSet(lb::Database& db, const QString& name, const QStringList& fonts) {
        addSet(name);
        for (const QString& f : fonts)
            query(db, QStringLiteral("INSERT INTO [Assigned Fonts] VALUES (?, ?)"), {name, f});
        chooseSet(name);
        w->command("mnuEditActiveSelected")->trigger();
    }
    // All Fonts (1) or Assigned Fonts (2).
    lb::FontListModel& model(int list) { return list == 1 ? w->allFonts() : w->assignedFonts(); }
    // Clicks a typeface in a list.
    void pick(const QString& face, int list = 1) {
        const int row = model(list).find(face);
        ASSERT_GE(row, 0) << face.toStdString();
        clickRow(grid(list), row);
    }
    // Picks a font in All Fonts and presses the button that assigns it to that set.
    void assign(const QString& face, const QString& set) {
        chooseSet(set);
        pick(face);
        ASSERT_TRUE(button(0)->isEnabled());
        QTest::mouseClick(button(0), Qt::LeftButton);
    }
    QStringList names(int list) { return listNames(model(list)); }
    auto stateOf(const QString& face) { return lbtest::stateOf(w->allFonts(), face); }
    QString panel(int n) {
        return w->findChild<QLabel*>(QString("barStatusPanel%1").arg(n))->text();
    }
    QString setting(const QString& field) { return lbtest::setting(*w->context().app.db, field); }
    // Every set/font pair, sorted.
    QString pairs() {
        return scalar(*w->context().app.db,
                      "SELECT group_concat([Set Name] || '/' || [Font Name], ',') FROM "
                      "(SELECT * FROM [Assigned Fonts] ORDER BY 1, 2)");
    }
    void closeWindow(lb::AppState& app) {
        app.exiting = true; // closing the window must not ask
        window.reset();
        w = nullptr;
    }
};

// The main window in a fresh home over fake fonts; questions answered by script, ends counted.
struct WindowFixture : ::testing::Test, Session, MainWindowDriver {
    int ended = 0;

    // Fixture fonts in the user's fonts folder, each face catalogued as the manifest names it.
    void installFonts(std::initializer_list<const char*> files) {
        registry.folder = env.fontsFolder();
        for (const char* f : files) {
            const QString file = QString::fromLatin1(f);
            env.installFixture(file);
            for (const ManifestFace& face : manifestFaces(file))
                addFont(face.family, face.fullName, file);
        }
    }
    void start() {
        MainWindowDriver::start(app, fonts, [this] { ++ended; });
    }
    void showWindow(int width, int height, bool active = false) {
        showLoaded(boxes, width, height, active);
    }
    void TearDown() override { closeWindow(app); }
};

// The main window over real fontconfig in a fresh home, its work seen through fc-list.
struct RealWindowFixture : RealFontsTest, MainWindowDriver {
    // Start-up, then the window loaded and shown.
    void showWindow(int width, int height, bool active = false) {
        start(app, *fonts, [] {});
        showLoaded(boxes, width, height, active);
    }
    void TearDown() override { closeWindow(app); }
};

} // namespace lbtest
