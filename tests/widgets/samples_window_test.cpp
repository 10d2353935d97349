#include "core/schema.h"
#include "support/window_fixture.h"
#include "ui/frm_history.h"
#include "ui/sample_frame.h"
#include "ui/sample_grid.h"

using namespace lb;

namespace {

// The main window over fixture fonts installed after Qt read the desktop's fonts.
struct SamplesWindow : lbtest::WindowFixture {
    void SetUp() override {
        // Alpha Test also from another foundry: Qt then names that family "Alpha Test [OTHR]".
        lbtest::patchOs2(env.installFixture("AlphaTest-Regular.ttf", false, "AlphaTest-Other.ttf"),
                         58, "OTHR");
        addFont("Alpha Test", "Alpha Test Regular", "AlphaTest-Other.ttf");
        // Symbol Test has Gamma Test's glyphs, but only a symbol character map.
        installFonts({"FixtureSans-Regular.ttf", "FixtureSans-Bold.ttf", "FixtureSerif-Regular.ttf",
                      "AlphaTest-Regular.ttf", "FixtureMono-Regular.ttf", "SymbolTest.ttf",
                      "GammaTest-Regular.ttf", "ThaiTest.ttf"});
        // Catalogued, but its file is gone and Qt has never heard of it.
        addFont("Ghost Face", "Ghost Face Regular", "ghost-face.ttf");
        desktop.list = {"Fixture Mono"};
        start();
        app.db->exec("DELETE FROM [Sets]");
        showWindow(1000, 760, true);
    }

    SampleGrid* grid() { return w->sampleFrame()->grid(); }
    template <typename T> T* child(const char* name) { return w->findChild<T*>(name); }
    QString cell(int r, int c) { return grid()->model()->index(r, c).data().toString(); }
    QStringList column(int c) {
        QStringList out;
        for (int r = 0; r < grid()->model()->rowCount(); ++r)
            out << cell(r, c);
        return out;
    }
    QImage cellImage(int r, int c) { return lbtest::cellImage(grid(), r, c); }
    int ink(int r, int c) { return lbtest::ink(cellImage(r, c)); }
};

TEST_F(SamplesWindow, OneFontInEightSizesInItsOwnFaceAndItsStyles) {
    pick("Fixture Sans");
    // A screen reader reads the sizes and the column's heading.
    EXPECT_EQ(lbtest::cellName(grid(), 7, 0), "96");
    auto* table = QAccessible::queryAccessibleInterface(grid())->tableInterface();
    EXPECT_EQ(table ? table->columnDescription(0) : QString(), "Font Size");
    // 30 twips per point: a 24-point row is 720 twips high.
    EXPECT_EQ(grid()->rowHeight(3), grid()->pixels(720));
    EXPECT_FALSE(child<QComboBox>("cmbFontSize")->isEnabled());
    // Print's two commands; the others a font enables are used below and in the reports' tests.
    EXPECT_TRUE(w->tool("Print")->isEnabled() && w->command("mnuFilePrint")->isEnabled());

    // Each family drawn in its own face (Alpha Test's of two foundries too): no two alike.
    QImage before;
    for (const char* face : {"Fixture Sans", "Fixture Serif", "Alpha Test"}) {
        pick(face);
        EXPECT_GT(ink(1, 1), 50) << face;
        EXPECT_NE(cellImage(1, 1), before) << face;
        before = cellImage(1, 1);
    }

    // The scroll bar shows the sizes from its value on.
    auto* scroll = child<QScrollBar>("scrDisplay");
    ASSERT_TRUE(scroll->isVisible());
    EXPECT_EQ(std::pair(scroll->minimum(), scroll->maximum()), std::pair(1, 8));
    scroll->setFocus();
    QTest::keyClick(scroll, Qt::Key_Down);
    QTest::keyClick(scroll, Qt::Key_Down);
    EXPECT_EQ(std::pair(scroll->value(), grid()->indexAt(QPoint(5, 5)).row()), std::pair(3, 2));

    pick("Fixture Sans");
    const QImage plain = cellImage(2, 1);
    QAction* bold = w->tool("Bold");
    bold->trigger();
    EXPECT_TRUE(bold->isChecked() && app.bold);
    // The bold file of the face, kept for another font.
    pick("Fixture Serif");
    pick("Fixture Sans");
    EXPECT_NE(cellImage(2, 1), plain);
    // Twice restores every row and the raised button.
    bold->trigger();
    EXPECT_FALSE(bold->isChecked());
    EXPECT_EQ(cellImage(2, 1), plain);

    w->tool("Italics")->trigger();
    w->tool("Underline")->trigger();
    EXPECT_TRUE(app.italic && app.underline);
    // Refilling All Fonts empties the pane: every style off and its button disabled.
    child<QCheckBox>("chkFilter")->click();
    EXPECT_FALSE(grid()->isVisible());
    for (const char* key : {"Bold", "Italics", "Underline"})
        EXPECT_FALSE(w->tool(key)->isChecked() || w->tool(key)->isEnabled()) << key;
}

TEST_F(SamplesWindow, ListModesCountRowsResizeInPlaceAndNeverDrawAHiddenFontAsAnother) {
    w->command("mnuViewDisplayAllFonts")->trigger();
    EXPECT_EQ(w->windowTitle(), "Letterbay 98 - All Fonts");
    EXPECT_EQ(panel(2), "Displaying sample text using fonts from All Fonts list");
    EXPECT_EQ(column(0), (QStringList{"Alpha Test", "Fixture Mono", "Fixture Sans", "Fixture Serif",
                                      "Gamma Test", "Ghost Face", "Symbol Test", "Thai Test"}));
    EXPECT_EQ(lbtest::headers(grid()),
              (QStringList{"8 Font Names", "Sample Text using the All Fonts list in FontSize"}));
    EXPECT_TRUE(w->isEnabled() && !child<QProgressBar>("barProgress")->isVisible() &&
                !child<QScrollBar>("scrDisplay")->isVisible());
    EXPECT_EQ(pointer.get(), MousePointer::Default);
    // A symbol font draws Gamma Test's glyphs through its symbol map; Thai Test its own letters.
    const int gamma = 4, symbol = 6, thaiRow = 7;
    EXPECT_EQ(column(1).mid(symbol), (QStringList{app.sampleText, "กขฃคฅฆงจฉช"}));
    EXPECT_NEAR(double(ink(symbol, 1)) / ink(gamma, 1), 1.0, 0.05);
    EXPECT_GT(ink(thaiRow, 1), 20);

    // A user's size re-sizes every row in place and is kept.
    auto* box = child<QComboBox>("cmbFontSize");
    EXPECT_EQ(box->currentText(), setting(fld::FontSize));
    const int size = box->currentText().toInt() + 2;
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    EXPECT_EQ(setting(fld::FontSize), QString::number(size));
    EXPECT_EQ(grid()->rowHeight(4), grid()->pixels(size * 30));
    EXPECT_EQ(grid()->model()->index(4, 1).data(SamplePane::PointSizeRole).toInt(), size);
    EXPECT_EQ(grid()->model()->rowCount(), 8);

    // Assigned Fonts: an empty set shows the header alone.
    addSet("Empty");
    w->tool("Redisplay Set")->trigger();
    EXPECT_EQ(w->windowTitle(), "Letterbay 98 - Assigned Fonts");
    EXPECT_EQ(lbtest::headers(grid()),
              (QStringList{"No Font Names", "Sample Text using Assigned Fonts list in FontSize"}));

    pick("Alpha Test");
    button(0)->click();
    w->command("mnuViewSampleSet")->trigger();
    EXPECT_EQ(lbtest::headers(grid()).value(0) + "|" + cell(0, 0), "1 Font Name|Alpha Test");

    // "Work" = {Fixture Sans, Ghost Face} made active: the others hidden but desktop Fixture Mono.
    activateNewSet(*app.db, "Work", {"Fixture Sans", "Ghost Face"});
    auto* message = child<QLineEdit>("txtDisplay");
    pick("Fixture Sans"); // so that only the inactive pick can write Alpha Test below
    pick("Alpha Test");
    EXPECT_EQ(setting(fld::SelectedFont), "Alpha Test"); // written before the message is shown
    ASSERT_TRUE(message->isVisible());
    EXPECT_EQ(message->text(), "Cannot display sample text for an inactivated font.");
    EXPECT_EQ(w->windowTitle(), "Letterbay 98");
    EXPECT_FALSE(grid()->isVisible() || w->tool("Bold")->isEnabled() ||
                 w->command("mnuViewProperties")->isEnabled());

    pick("Ghost Face");
    EXPECT_EQ(message->text(),
              "Cannot display sample text: the files of this font cannot be read.");
    EXPECT_TRUE(w->command("mnuViewProperties")->isEnabled()); // to tell what is wrong with it

    pick("Fixture Sans");
    EXPECT_TRUE(!message->isVisible() && grid()->isVisible());

    // In a list, a hidden font's name struck through, its sample empty; a lost font's too.
    w->command("mnuViewDisplayAllFonts")->trigger();
    const int alpha = 0, ghost = 5;
    ASSERT_EQ(cell(alpha, 0) + "|" + cell(ghost, 0), "Alpha Test|Ghost Face");
    // Drawn as the font lists draw them: struck through, plain, underlined for the desktop's.
    const auto line = [&](int row) { return lbtest::lineAt(cellImage(row, 0)); };
    EXPECT_TRUE(line(alpha) > 0.2 && line(alpha) < 0.8) << line(alpha);
    EXPECT_LT(line(2), 0);
    EXPECT_GE(line(1), 0.8) << "Fixture Mono, the desktop's";
    EXPECT_EQ(cell(alpha, 1) + cell(ghost, 1), "");
    EXPECT_GT(ink(2, 1), 20);

    // The set's own list: members drawn, no member hidden.
    chooseSet("Work");
    w->command("mnuViewSampleSet")->trigger();
    EXPECT_EQ(lbtest::headers(grid()).value(0), "2 Font Names");
    EXPECT_GT(ink(0, 1), 20);
}

TEST_F(SamplesWindow, SampleTextEditorRefusesEmptyTextAndHistoryShowsPicksAgain) {
    const QString original = app.sampleText;
    pick("Fixture Sans");
    auto* editor = child<QLineEdit>("txtSample");
    auto* update = child<QPushButton>("cmdSample");
    // A double-click on the samples opens it with the whole text selected.
    QTest::mouseDClick(grid()->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    ASSERT_TRUE(editor->isVisible());
    EXPECT_EQ(panel(2), "Sample Text:");
    EXPECT_EQ(editor->selectedText(), original);

    // Blanks only: refused, nothing stored, the editor stays with the focus.
    QTest::keyClicks(editor, "   ");
    boxes.answers = {AnswerOK};
    QTest::mouseClick(update, Qt::LeftButton);
    lbtest::expectBox(boxes, 0, "Letterbay 98", "Sample Text is required.", StyleCritical);
    EXPECT_TRUE(editor->isVisible() && editor->text().isEmpty());
    EXPECT_EQ(setting(fld::SampleText), original);

    // The same text again: nothing written.
    QTest::keyClicks(editor, "  " + original + " ");
    QTest::mouseClick(update, Qt::LeftButton);
    EXPECT_EQ(panel(2), "Sample text was not changed.");
    EXPECT_FALSE(editor->isVisible());

    // Sixty characters at most; Enter stores like the button; every row shows it.
    w->command("mnuEditSample")->trigger();
    ASSERT_TRUE(editor->isVisible());
    QTest::keyClicks(editor, QString(70, QLatin1Char('A')));
    EXPECT_EQ(editor->text().size(), 60);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(panel(2), "Sample text changed successfully.");
    EXPECT_EQ(setting(fld::SampleText), QString(60, QLatin1Char('A')));
    EXPECT_EQ(cell(7, 1), QString(60, QLatin1Char('A')));

    // History, newest first: Fixture Sans picked above, and again now, is one entry.
    pick("Fixture Sans");
    pick("Fixture Serif");
    pick("Fixture Sans");
    FrmHistory* history = w->history();
    EXPECT_EQ(history->names().join(','), "Fixture Sans,Fixture Serif,Fixture Sans");
    w->command("mnuViewHistory")->trigger();
    auto* list = history->findChild<QListWidget*>("lstHistory");
    lbtest::clickItem(list, 1);
    EXPECT_EQ(w->windowTitle(), "Letterbay 98 - Fixture Serif");
    EXPECT_EQ(list->count(), 3); // a click in History adds nothing

    // A name the catalogue lost since: a message, and out of the list.
    app.db->exec("DELETE FROM [Fonts] WHERE [Face Name] = 'Fixture Serif'");
    lbtest::clickItem(list, 1);
    EXPECT_EQ(child<QLineEdit>("txtDisplay")->text(),
              "Cannot display sample text for a font that is no longer installed.");
    EXPECT_EQ(history->names().join(','), "Fixture Sans,Fixture Sans");

    // OK closes it and forgets the list.
    QTest::mouseClick(history->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(history->isVisible());
    pick("Alpha Test");
    EXPECT_EQ(history->names().join(','), "Alpha Test");
}

} // namespace
