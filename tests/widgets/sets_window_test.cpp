#include "core/schema.h"
#include "core/startup.h"
#include "support/data_files.h"
#include "support/window_fixture.h"
#include "ui/dialogs.h"
#include "ui/font_grid.h"
#include "ui/frm_main.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace lb;

namespace {

struct SetsWindow : lbtest::WindowFixture {
    std::vector<QPoint> popups;
    FrmMain* w = nullptr;

    void SetUp() override {
        desktop.list = {"Desk Sans"};
        QStringList names = {"Alpha", "Beta", "Desk Sans", "Gamma", "Tiber", "Timon", "Zeta"};
        for (int i = 0; i < 40; ++i) // enough rows to scroll
            names << QStringLiteral("Zz Filler %1").arg(i, 2, 10, QLatin1Char('0'));
        for (const QString& f : names)
            addFont(f, f + " Regular", QString(f).toLower().replace(' ', '-') + ".ttf");
        start();
        app.db->exec("DELETE FROM [Sets]");
        w = window.get();
        w->showPopup = [this](QPoint p) { popups.push_back(p); };
        boxes.answers = {AnswerNo};
        w->Form_Load();
        w->resize(900, 700);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    }
    FontGrid* grid(int i) { return w->findChild<FontGrid*>(QStringLiteral("grdFonts%1").arg(i)); }
    QComboBox* setBox() { return w->findChild<QComboBox*>("cmbSets"); }
    QString panel() { return w->findChild<QLabel*>("barStatusPanel2")->text(); }
    void click(int list, int row, Qt::MouseButton b = Qt::LeftButton,
               Qt::KeyboardModifiers m = {}) {
        FontGrid* g = grid(list);
        const QRect r = g->visualRect(g->model()->index(row, 0));
        QTest::mouseClick(g->viewport(), b, m, r.center());
    }
    std::vector<int> selected(int list) {
        FontListModel& m = list == 1 ? w->allFonts() : w->assignedFonts();
        std::vector<int> rows;
        for (int i = 0; i < m.size(); ++i)
            if (m.row(i).selected) rows.push_back(i);
        return rows;
    }
    void addSet(const QString& name) {
        setBox()->setFocus();
        setBox()->lineEdit()->setText(name);
        QTest::keyClick(setBox()->lineEdit(), Qt::Key_Return);
    }
    void chooseSet(const QString& name) {
        const int i = setBox()->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        setBox()->setCurrentIndex(i);
        Q_EMIT setBox()->activated(i);
    }
    QAction* action(const char* name) { return w->findChild<QAction*>(name); }
    QString pairs() {
        return lbtest::scalar(*app.db,
                              "SELECT group_concat([Set Name] || '/' || [Font Name], ',') FROM "
                              "(SELECT * FROM [Assigned Fonts] ORDER BY 1, 2)");
    }
    // Runs `act` inside the next modal dialog, then lets the test go on.
    template <typename T> void inDialog(std::function<void(T*)> act) {
        QTimer::singleShot(0, [act] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            act(dialog);
        });
    }
};

TEST_F(SetsWindow, MouseSelectionInTheRealList) {
    ASSERT_EQ(w->allFonts().size(), 47);
    click(1, 3, Qt::LeftButton, Qt::ShiftModifier); // no anchor yet: a plain click
    EXPECT_EQ(selected(1), std::vector<int>{3});
    EXPECT_EQ(panel(), "\"Gamma\" selected from All Fonts.");
    click(1, 5);
    click(1, 2, Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(selected(1), (std::vector<int>{2, 3, 4, 5}));
    EXPECT_EQ(panel(), "4 fonts selected from All Fonts.");
    click(1, 3, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(selected(1), (std::vector<int>{2, 4, 5}));
    click(1, 0, Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(selected(1), (std::vector<int>{0, 2, 4, 5}));
    click(1, 0, Qt::LeftButton, Qt::ControlModifier);

    // Right click on a selected row keeps the selection and hides the single-font items.
    click(1, 4, Qt::RightButton);
    EXPECT_EQ(selected(1), (std::vector<int>{2, 4, 5}));
    ASSERT_EQ(popups.size(), 1u);
    EXPECT_FALSE(w->fontPopup()->findChild<QAction*>("mnuPopupFontSets")->isVisible());
    EXPECT_FALSE(w->fontPopup()->findChild<QAction*>("mnuPopupFontAssign")->isEnabled());
    // Alt is a plain left click, with no pop-up.
    click(1, 6, Qt::RightButton, Qt::AltModifier);
    EXPECT_EQ(selected(1), std::vector<int>{6});
    EXPECT_EQ(popups.size(), 1u);
    click(1, 1, Qt::RightButton);
    EXPECT_EQ(selected(1), std::vector<int>{1});
    EXPECT_TRUE(w->fontPopup()->findChild<QAction*>("mnuPopupFontSets")->isVisible());

    // Type-to-find scrolls, selection untouched.
    w->resize(900, 260);
    QTest::qWait(20);
    QTest::keyClicks(w->findChild<QLineEdit*>("txtAll"), "ti");
    EXPECT_EQ(grid(1)->topRow(), 4);
    EXPECT_EQ(selected(1), std::vector<int>{1});
    // Strike-through and underline come from the rows' states.
    EXPECT_EQ(w->allFonts().row(2).state, StateSystem);
    EXPECT_EQ(w->captionTip("lblFonts"), " 47 fonts ");
    EXPECT_EQ(w->captionTip("lblAssigned"), "");
}

TEST_F(SetsWindow, AddRenameCopyDeleteThroughTheWindow) {
    addSet("  Body ");
    EXPECT_EQ(panel(), "\"Body\" added successfully.");
    addSet("Alpha Set");
    EXPECT_EQ(setBox()->itemText(0), "Alpha Set");
    EXPECT_EQ(setBox()->itemText(1), "Body");

    chooseSet("Body");
    EXPECT_EQ(panel(), "Displaying fonts assigned to \"Body\"");
    click(1, 0);
    click(1, 1, Qt::LeftButton, Qt::ShiftModifier);
    w->findChild<QPushButton*>("cmdAdd0")->click();
    EXPECT_EQ(panel(), "2 fonts added to \"Body\" successfully.");
    EXPECT_EQ(w->assignedFonts().size(), 2);

    boxes.inputs = {"Zulu"};
    action("mnuEditRenameSet")->trigger();
    EXPECT_EQ(setBox()->currentText(), "Zulu");
    EXPECT_EQ(setBox()->itemText(1), "Zulu");
    EXPECT_EQ(pairs(), "Zulu/Alpha,Zulu/Beta");

    inDialog<FrmCopySet>([](FrmCopySet* d) {
        d->target()->setEditText("Copied");
        d->findChild<QPushButton*>("cmdOK")->click();
    });
    action("mnuEditCopySet")->trigger();
    EXPECT_EQ(panel(), "\"Zulu\" copied to \"Copied\" successfully.");
    EXPECT_EQ(setBox()->currentText(), "Copied");
    EXPECT_EQ(pairs(), "Copied/Alpha,Copied/Beta,Zulu/Alpha,Zulu/Beta");

    setBox()->setFocus();
    QApplication::setActiveWindow(w);
    setBox()->lineEdit()->setFocus();
    boxes.answers = {AnswerYes};
    action("mnuEditDelete")->trigger();
    EXPECT_EQ(panel(), "\"Copied\" deleted successfully.");
    EXPECT_EQ(setBox()->findText("Copied"), -1);
    EXPECT_EQ(pairs(), "Zulu/Alpha,Zulu/Beta");
}

TEST_F(SetsWindow, UnassignFromTheActivatedSetHidesAndRedisplays) {
    addSet("Active");
    chooseSet("Active");
    click(1, 0);
    click(1, 1, Qt::LeftButton, Qt::ControlModifier);
    w->findChild<QPushButton*>("cmdAdd0")->click();
    action("mnuEditActiveSelected")->trigger();
    EXPECT_EQ(panel(), "\"Active\" activated successfully.  Everything else is inactive.");
    EXPECT_TRUE(resources.hidden.contains("gamma.ttf"));
    EXPECT_EQ(w->allFonts().row(3).state, StateInactive);

    chooseSet("Active");
    click(2, 0);
    boxes.answers = {AnswerYes};
    w->findChild<QPushButton*>("cmdAdd2")->click();
    EXPECT_EQ(boxes.shown.back().text,
              "Are you sure you want to unassign \"Alpha\" from \"Active\"?");
    EXPECT_TRUE(resources.hidden.contains("alpha.ttf"));
    EXPECT_EQ(panel(), "\"Alpha\" unassigned from \"Active\" successfully.");
    EXPECT_EQ(w->allFonts().row(0).state, StateInactive);
    EXPECT_EQ(w->assignedFonts().size(), 1);
}

TEST_F(SetsWindow, FilteredAssignAndAssignedSetsDialog) {
    for (const char* s : {"One", "Two", "Three"})
        addSet(s);
    chooseSet("Two");
    w->findChild<QCheckBox*>("chkFilter")->click();
    EXPECT_EQ(panel(), "Unassigned Fonts loaded successfully.");
    click(1, 4);
    click(1, 5, Qt::LeftButton, Qt::ShiftModifier);
    boxes.answers = {AnswerYes};
    action("mnuEditAssignSets")->trigger();
    EXPECT_EQ(boxes.shown.back().text, "Are you sure you want to assign 2 fonts to all sets?");
    EXPECT_EQ(w->allFonts().find("Tiber"), -1);
    EXPECT_EQ(w->allFonts().find("Timon"), -1);
    EXPECT_EQ(w->allFonts().size(), 45);

    w->findChild<QCheckBox*>("chkFilter")->click();
    click(1, w->allFonts().find("Tiber"));
    inDialog<FrmSets>([this](FrmSets* d) {
        EXPECT_EQ(d->windowTitle(), "Assigned Sets - Tiber");
        ASSERT_EQ(d->sets().size(), 3);
        d->pressRow(0, ButtonLeft, ShiftNone);
        d->pressRow(2, ButtonLeft, ShiftCtrl);
        boxes.answers = {AnswerYes};
        d->findChild<QPushButton*>("cmdUnassign")->click();
        EXPECT_EQ(d->sets().size(), 1);
        d->findChild<QPushButton*>("cmdClose")->click();
    });
    action("mnuViewSets")->trigger();
    EXPECT_EQ(panel(), "\"Tiber\" unassigned from 2 fonts successfully.");
    EXPECT_EQ(pairs(), "One/Timon,Three/Tiber,Three/Timon,Two/Timon");
    // The set box shows "Two": its list lost the font at once.
    EXPECT_EQ(w->assignedFonts().find("Tiber"), -1);
    EXPECT_GE(w->assignedFonts().find("Timon"), 0);
}

} // namespace
