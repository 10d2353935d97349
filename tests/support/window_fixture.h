#pragma once

#include <optional>

#include "core/startup.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/font_env.h"
#include "support/real_fonts.h"
#include "support/temp_env.h"
#include "support/widget_helpers.h"
#include "ui/font_grid.h"
#include "ui/frm_main.h"

#include <fontconfig/fontconfig.h>
#include <initializer_list>
#include <memory>

namespace lbtest {

// Qt's font list outlives a test: read it again from this home's fontconfig.
inline void forgetEarlierFonts() {
    FcInitReinitialize();
    // Removing an application font makes Qt read its font list again.
    QFontDatabase::removeApplicationFont(QFontDatabase::addApplicationFont(
        TempEnv::fixture(QStringLiteral("AlphaTest-Regular.ttf"))));
}

// The main window as the user drives it, for both window fixtures below.
struct MainWindowDriver {
    std::unique_ptr<lb::FrmMain> window;
    lb::FrmMain* w = nullptr; // the window, once made

    // Shows the window loaded at that size (the first run's question answered No).
    void showLoaded(ScriptedBoxes& boxes, int width, int height, bool active) {
        w = window.get();
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
        return w->findChild<lb::FontGrid*>(QStringLiteral("grdFonts%1").arg(list));
    }
    // Assign, Assign to All, Unassign, Unassign from All.
    QPushButton* button(int i) {
        return w->findChild<QPushButton*>(QStringLiteral("cmdAdd%1").arg(i));
    }
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
            db.exec(
                QStringLiteral("INSERT INTO [Assigned Fonts] VALUES ('%1', '%2')").arg(name, f));
        chooseSet(name);
        w->command("mnuEditActiveSelected")->trigger();
    }
    // Clicks a typeface in All Fonts (1) or Assigned Fonts (2).
    void pick(const QString& face, int list = 1) {
        lb::FontListModel& model = list == 1 ? w->allFonts() : w->assignedFonts();
        const int row = model.find(face);
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
    // The typefaces All Fonts (1) or Assigned Fonts (2) lists.
    QStringList names(int list) {
        lb::FontListModel& model = list == 1 ? w->allFonts() : w->assignedFonts();
        QStringList out;
        for (int i = 0; i < model.size(); ++i)
            out << model.row(i).name;
        return out;
    }
    // The state of a typeface in All Fonts; none when it is not listed.
    std::optional<lb::FaceState> stateOf(const QString& face) {
        const int row = w->allFonts().find(face);
        if (row < 0) return std::nullopt;
        return w->allFonts().row(row).state;
    }
    QString panel(int n) {
        return w->findChild<QLabel*>(QStringLiteral("barStatusPanel%1").arg(n))->text();
    }
    QString setting(const QString& field) {
        return scalar(*w->context().app.db, "SELECT [" + field + "] FROM [Sample Text]");
    }
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
    // Start-up, then the main window (not yet loaded).
    void start() {
        forgetEarlierFonts();
        lb::Startup startup(app);
        ASSERT_TRUE(startup.load());
        window = std::make_unique<lb::FrmMain>(app, fonts);
        w = window.get();
        w->endProgram = [this] { ++ended; };
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
        forgetEarlierFonts();
        lb::Startup startup(app);
        ASSERT_TRUE(startup.load());
        window = std::make_unique<lb::FrmMain>(app, *fonts);
        window->endProgram = [] {};
        showLoaded(boxes, width, height, active);
    }
    void TearDown() override { closeWindow(app); }
};

} // namespace lbtest
