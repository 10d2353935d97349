// The Font Preview window over real fontconfig, driven with the mouse and the keyboard.
#include "corpus/corpus.h"
#include "platform/qt_preview_fonts.h"
#include "support/window_fixture.h"
#include "ui/frm_font_preview.h"
#include "ui/frm_properties.h"
#include "ui/preview_grid.h"
#include "ui/sample_frame.h"
#include "ui/sample_grid.h"

using namespace lb;

namespace {

struct PreviewWindow : lbtest::RealWindowFixture {
    QString source, cwd;
    QPointer<FrmFontPreview> d;
    std::vector<QPoint> popups;

    void SetUp() override {
        env.installFixture("AlphaTest-Regular.ttf");
        env.installFixture("FixtureMono-Regular.ttf", true);
        source = folder("Downloads",
                        {"AlphaTest-Regular.ttf", "BetaTest-Regular.ttf", "GammaTest-Regular.ttf",
                         "DeltaTest-Regular.ttf", "FixtureSans-Regular.ttf", "FixtureSans-Bold.ttf",
                         "CaseTest-Regular.ttf", "CaseTestUpper-Regular.ttf", "NotAFont.ttf"});
        // The preview starts in the current folder.
        cwd = QDir::currentPath();
        QDir::setCurrent(env.home());
        showWindow(1000, 760);
    }
    void TearDown() override {
        // Deleted, not hidden: its font engines' fontconfig patterns would count as leaks.
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "frmHelp") delete top;
        RealWindowFixture::TearDown();
        QDir::setCurrent(cwd);
    }

    void open() {
        w->tool("PreviewFonts")->trigger();
        d = w->fontPreview();
        ASSERT_NE(d, nullptr);
        d->showPopup = [this](QPoint at) { popups.push_back(at); };
        ASSERT_TRUE(QTest::qWaitForWindowExposed(d.data()));
    }
    void openSource() {
        open();
        if (!HasFatalFailure()) openFolder(source);
    }
    template <typename T> T* child(const char* name) { return d->findChild<T*>(name); }
    // A folder of the home holding copies of those fixtures.
    QString folder(const QString& name, std::initializer_list<const char*> fixtures) {
        const QString dir = env.home() + "/" + name + "/";
        QDir().mkpath(dir);
        for (const char* f : fixtures)
            lbtest::copyFixture(f, dir);
        return dir;
    }
    // Double-clicks a folder of the tree, as the user opens it; waits for `rows` rows if given.
    void openFolder(const QString& path, int rows = -1) {
        auto* tree = child<QTreeView>("boxDir");
        auto* model = qobject_cast<QFileSystemModel*>(tree->model());
        QModelIndex at;
        QTRY_VERIFY_WITH_TIMEOUT((at = model->index(QDir::cleanPath(path))).isValid() &&
                                     !tree->visualRect(at).isEmpty(),
                                 10000);
        tree->scrollTo(at);
        const QPoint centre = tree->visualRect(at).center();
        // A click only highlights it; the double-click opens it.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, centre);
        ASSERT_TRUE(rows < 0 ||
                    QTest::qWaitFor([&] { return d->preview().size() == rows; }, 10000));
    }
    PreviewGrid* grid() { return d->grid(); }
    int row(const QString& face) {
        for (int i = 0; i < d->preview().size(); ++i)
            if (d->preview().row(i).face == face) return i;
        ADD_FAILURE() << "no row " << face.toStdString();
        return -1;
    }
    void press(const QString& f, Qt::MouseButton b = Qt::LeftButton, Qt::KeyboardModifiers m = {}) {
        lbtest::clickRow(grid(), row(f), b, m);
    }
    bool selected(const QString& face) { return d->preview().row(row(face)).selected; }
    QString panel(int n) {
        return child<QLabel>(QStringLiteral("barStatusPanel%1").arg(n).toLatin1())->text();
    }
    QPushButton* button(const char* name) { return child<QPushButton>(name); }
    QImage cellImage(int r, int c) { return lbtest::cellImage(grid(), r, c); }
    // Whether the selection colour (of an active or an inactive window) is drawn in the image.
    bool highlighted(const QImage& image) {
        const QColor a = grid()->palette().color(QPalette::Active, QPalette::Highlight);
        const QColor i = grid()->palette().color(QPalette::Inactive, QPalette::Highlight);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == a || image.pixelColor(x, y) == i) return true;
        return false;
    }
};

TEST_F(PreviewWindow, OpensBesideTheMinimisedMainWindowAndInstalls) {
    open();
    EXPECT_EQ(d->parentWidget(), nullptr) << "it stays up while the main window is minimised";
    EXPECT_FALSE(d->isModal());
    EXPECT_TRUE(w->isMinimized());
    const QString home = env.home() + "/";
    EXPECT_EQ(d->windowTitle(), "Font Preview - " + home);
    EXPECT_EQ(child<QComboBox>("boxDrive")->currentText(), "Home");
    EXPECT_EQ(panel(2) + "|" + panel(3),
              "Select drive/folder to retrieve fonts.|Fonts to be Installed: 0");
    EXPECT_FALSE(grid()->isVisible());
    for (const char* b : {"cmdSelect", "cmdDeselect", "cmdInstall", "cmdLegend"})
        EXPECT_FALSE(button(b)->isEnabled()) << b;
    EXPECT_EQ(button("cmdCancel")->text(), "Cancel");
    // Every control tells a screen reader what it is.
    for (QWidget* c : d->findChildren<QWidget*>()) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(c);
        if (c->isVisible() && c->focusPolicy() && a && a->role() != QAccessible::ScrollBar) {
            EXPECT_FALSE(a->text(QAccessible::Name).isEmpty()) << c->objectName().toStdString();
        }
    }

    // The menu item raises the window that is open rather than opening another.
    w->command("mnuFileFontPreview")->trigger();
    EXPECT_EQ(w->fontPreview(), d.data());

    // A drive that went away (its folder is not there) is named and the dialog steps back.
    const QString stick = env.root() + "/stick/";
    d->listDrives = [&] {
        return std::vector<Drive>{{"Home", env.home() + "/", false}, {"My Stick", stick, false}};
    };
    d->fillDrives();
    auto* drives = child<QComboBox>("boxDrive");
    boxes.answers = {AnswerOK};
    drives->setFocus();
    QTest::keyClick(drives, Qt::Key_Down);
    lbtest::expectBox(boxes, 0, "Drive problem",
                      "Drive My Stick is not available.  If this is a network drive, make sure "
                      "the other PC is available.",
                      StyleCritical);
    EXPECT_EQ(drives->currentText(), "Home");
    EXPECT_EQ(child<QLabel>("lblPath")->text(), home);

    QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY(d.isNull());
    EXPECT_FALSE(w->isMinimized());

    // Install, then find it everywhere, then delete it again.
    openSource();
    press("Fixture Sans"); // two files, one row
    boxes.answers = {AnswerOK};
    QTest::mouseClick(button("cmdInstall"), Qt::LeftButton);
    lbtest::expectBox(boxes, 1, "Font Installation", "1 font installed successfully.",
                      StyleInformation);
    EXPECT_EQ(button("cmdCancel")->text(), "Close");
    EXPECT_TRUE(d->preview().row(row("Fixture Sans")).installed);
    EXPECT_EQ(panel(3), "Fonts to be Installed: 0");
    EXPECT_TRUE(d->isEnabled());

    // A double-click on a row installs it.
    press("Beta Test");
    boxes.answers = {AnswerOK};
    lbtest::clickRow(grid(), row("Beta Test"), Qt::LeftButton, {}, true);
    EXPECT_GE(w->allFonts().find("Beta Test"), 0);

    QTest::mouseClick(button("cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY(d.isNull());

    // In the main window, from the Edit menu and from the pop-up.
    pick("Fixture Sans");
    comeBack();
    MainWindowDriver::grid(1)->setFocus();
    boxes.answers = {AnswerYes};
    w->command("mnuEditDelete")->trigger();
    // A file left behind would keep the row and show a further box.
    EXPECT_EQ(w->allFonts().find("Fixture Sans"), -1);

    pick("Beta Test");
    boxes.answers = {AnswerYes};
    w->command("mnuPopupFontDelete")->trigger();
    EXPECT_EQ(w->allFonts().find("Beta Test"), -1);
}

TEST_F(PreviewWindow, SelectionPopUpPropertiesLegendHelpAndEachFontDrawnInItsOwnFace) {
    openSource();
    ASSERT_TRUE(grid()->isVisible());
    EXPECT_EQ(d->windowTitle(), "Font Preview - " + source);
    EXPECT_EQ(lbtest::headers(grid()),
              (QStringList{"8 Font Names", "Sample Text using folder list in Font Size"}));
    EXPECT_EQ(panel(2), "Select font(s) to be installed, press Install.");

    // Shift without an earlier plain press is a plain press.
    press("Gamma Test", Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_TRUE(selected("Gamma Test"));
    EXPECT_EQ(panel(3), "Fonts to be Installed: 1");
    EXPECT_TRUE(button("cmdInstall")->isEnabled());
    // Ctrl adds and takes away; at 0 Install goes off.
    press("Delta Test", Qt::LeftButton, Qt::ControlModifier);
    press("Delta Test", Qt::LeftButton, Qt::ControlModifier);
    press("Gamma Test", Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(panel(3), "Fonts to be Installed: 0");
    EXPECT_FALSE(button("cmdInstall")->isEnabled());
    // A range from the last plain press; Alt is a plain left press.
    press("Beta Test", Qt::LeftButton, Qt::AltModifier);
    press("Delta Test", Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(d->preview().selectedCount(), 4) << "Beta, CASE TEST, Case Test, Delta";
    EXPECT_TRUE(selected("CASE TEST") && selected("Case Test") && !selected("Alpha Test"));
    // The name cell of a selected row is drawn in the selection colours.
    EXPECT_TRUE(highlighted(cellImage(row("Beta Test"), 0)) &&
                !highlighted(cellImage(row("Alpha Test"), 0)));

    // The right button on a selected row keeps the selection; no pop-up for several.
    press("Beta Test", Qt::RightButton);
    EXPECT_EQ(d->preview().selectedCount(), 4);
    EXPECT_TRUE(popups.empty());
    // On an unselected row without a key: that row alone, named in the status, and its pop-up.
    press("Fixture Sans", Qt::RightButton);
    EXPECT_EQ(panel(2), "\"Fixture Sans\" selected");
    EXPECT_EQ(popups.size(), 1u);
    // Ctrl with the right button changes nothing.
    press("Gamma Test", Qt::RightButton, Qt::ControlModifier);
    EXPECT_FALSE(selected("Gamma Test"));

    // A file that cannot be read is never selected.
    press("NotAFont.ttf");
    EXPECT_FALSE(selected("NotAFont.ttf"));
    EXPECT_EQ(panel(2), "\"NotAFont.ttf\" cannot be read as a font, so it cannot be installed.");
    EXPECT_EQ(grid()->model()->index(row("NotAFont.ttf"), 1).data().toString(),
              "This file cannot be read as a font.");

    // The font size is shared with the main window.
    auto* size = child<QComboBox>("cmbFontSize");
    const int before = size->currentText().toInt();
    EXPECT_EQ(grid()->rowHeight(0), grid()->pixels(before * 30));
    size->setFocus();
    QTest::keyClick(size, Qt::Key_Down);
    QTest::keyClick(size, Qt::Key_Down);
    EXPECT_EQ(setting("Font Size"), QString::number(before + 2));
    EXPECT_EQ(grid()->rowHeight(3), grid()->pixels((before + 2) * 30));
    EXPECT_EQ(w->sampleFrame()->fontSizeBox()->currentText(), QString::number(before + 2));

    for (const auto& [name, count] : {std::pair("cmdSelect", 7), {"cmdDeselect", 0}}) {
        QTest::mouseClick(button(name), Qt::LeftButton);
        EXPECT_EQ(panel(3), "Fonts to be Installed: " + QString::number(count)) << name;
    }

    QAction* properties = w->command("mnuPopupPreviewProperties");
    press("Fixture Sans", Qt::RightButton);
    lbtest::inDialogOf<FrmProperties>(properties, [&](FrmProperties* p) {
        EXPECT_EQ(p->windowTitle(), "Font Properties - Fixture Sans (Not Installed)");
        ASSERT_EQ(p->grid()->rowCount(), 2);
        EXPECT_EQ(p->grid()->item(0, 0)->text(), "Fixture Sans Bold (TrueType)");
        EXPECT_EQ(p->grid()->item(0, 1)->text(), source + "FixtureSans-Bold.ttf");
    });
    EXPECT_NE(app.pickedFontName, "Fixture Sans"); // the main window's pick is not the preview's

    press("Alpha Test", Qt::RightButton);
    lbtest::inDialogOf<FrmProperties>(properties, [](FrmProperties* p) {
        EXPECT_EQ(p->windowTitle(), "Font Properties - Alpha Test (Active)");
    });

    // Help, the legend's F1, the preview's F1: each changes the page the help window shows.
    QTest::mouseClick(button("cmdHelp"), Qt::LeftButton);
    EXPECT_EQ(lbtest::shownHelpPage(), "font-preview.html");
    QTest::mouseClick(button("cmdLegend"), Qt::LeftButton);
    QWidget* legend = lbtest::shownWindow("frmPreviewLegend");
    ASSERT_NE(legend, nullptr);
    EXPECT_EQ(legend->windowTitle(), "Font Preview Legend");
    legend->activateWindow();
    QTest::keyClick(legend, Qt::Key_F1);
    EXPECT_EQ(lbtest::shownHelpPage(), "preview-legend.html");
    legend->close();
    QTest::keyClick(d.data(), Qt::Key_F1);
    EXPECT_EQ(lbtest::shownHelpPage(), "font-preview.html");

    // Another folder starts with nothing selected.
    press("Beta Test");
    openFolder(folder("Other", {"ZetaTest-Regular.ttf"}));
    EXPECT_EQ(d->preview().size(), 1);
    EXPECT_EQ(panel(3), "Fonts to be Installed: 0");
    // A folder without fonts: the grid hidden, the previews let go.
    openFolder(folder("Nothing", {}));
    EXPECT_FALSE(grid()->isVisible());
    EXPECT_EQ(d->fonts().loadedCount(), 0);
    EXPECT_EQ(panel(2), "Select drive/folder to retrieve fonts.");

    // Each font is drawn in its own face, from memory.
    openFolder(source);
    const int beta = row("Beta Test");
    const QImage betaImage = cellImage(beta, 1);
    EXPECT_GT(lbtest::ink(betaImage), 50);
    EXPECT_NE(betaImage, cellImage(row("Gamma Test"), 1));
    // Case variants are two faces, each drawn as itself.
    EXPECT_NE(cellImage(row("Case Test"), 1), cellImage(row("CASE TEST"), 1));
    // The rows on screen are a screen reader's too.
    EXPECT_EQ(lbtest::cellName(grid(), beta, 0), "Beta Test");
    EXPECT_EQ(lbtest::cellName(grid(), beta, 1), app.sampleText);

    // The file cut short while it is shown: the face was read into memory and still draws.
    ASSERT_TRUE(QFile::resize(source + "BetaTest-Regular.ttf", 100));
    EXPECT_EQ(cellImage(beta, 1), betaImage);
    // Previews are this program's own: other programs see nothing new.
    EXPECT_EQ(lbtest::fcList().size(), 2u);
    // A typeface's regular file is drawn, beside a light one claiming regular; widths apart.
    const QImage sans = cellImage(row("Fixture Sans"), 1);
    const QString light = folder("Light", {"FixtureSans-ExtraLight.ttf", "FixtureSans-Regular.ttf",
                                           "FixtureSans-Bold.ttf", "FixtureSans-Condensed.ttf"});
    lbtest::patchOs2(light + "FixtureSans-ExtraLight.ttf", 4, QByteArray("\x01\x90", 2)); // 400
    ASSERT_NO_FATAL_FAILURE(openFolder(light, 2));
    EXPECT_EQ(cellImage(row("Fixture Sans"), 1), sans);
    EXPECT_NE(cellImage(row("Fixture Sans Condensed"), 1), sans);
    // OpenType, each face of its collection and Type 1 too; the Type 1 font's metrics are no row.
    ASSERT_NO_FATAL_FAILURE(openFolder(folder("Formats", {"FixtureCff.otf", "FixtureDuo.otc",
                                                          "TypeOneTest.pfb", "TypeOneTest.afm"}),
                                       4));
    for (const char* face : {"Fixture Cff", "Duo First", "Duo Second", "Type One Test"}) {
        const QImage drawn = cellImage(row(face), 1);
        EXPECT_GT(lbtest::ink(drawn), 50) << face;
        EXPECT_NE(drawn, sans) << face;
    }
    EXPECT_NE(cellImage(row("Duo First"), 1), cellImage(row("Duo Second"), 1));

    // Many fonts: only drawn rows' files, at most a bound, are in memory; redrawn the same.
    const QString many = env.home() + "/Many/";
    const int n = 3 * QtPreviewFonts::HeldFiles;
    lbbench::makeCorpus(many.toStdString(), n);
    ASSERT_NO_FATAL_FAILURE(openFolder(many, n));
    grid()->viewport()->repaint();
    const int onScreen = grid()->rowAt(grid()->viewport()->height() - 1) - grid()->rowAt(0) + 1;
    ASSERT_GT(onScreen, 5);
    EXPECT_LE(d->fonts().loadedCount(), onScreen);
    const QImage top = cellImage(0, 1);
    EXPECT_GT(lbtest::ink(top), 50);
    for (int r = 0; r < n; r += onScreen) {
        grid()->scrollTo(grid()->model()->index(r, 0), QAbstractItemView::PositionAtTop);
        grid()->viewport()->repaint();
        EXPECT_LE(d->fonts().loadedCount(), QtPreviewFonts::HeldFiles) << r;
    }
    EXPECT_GT(lbtest::ink(cellImage(n - 1, 1)), 50);
    grid()->scrollToTop();
    EXPECT_EQ(cellImage(0, 1), top);

    // Closing takes out the preview's fonts only: the main window draws its own copy.
    env.installFixture("CaseTestUpper-Regular.ttf");
    w->Refresh_Fonts();
    pick("CASE TEST");
    SampleGrid* pane = w->sampleFrame()->grid();
    const QImage drawn = lbtest::cellImage(pane, 1, 1);
    ASSERT_GT(lbtest::ink(drawn), 20);
    QTest::keyClick(d.data(), Qt::Key_Escape);
    QTRY_VERIFY(d.isNull());
    EXPECT_EQ(lbtest::cellImage(pane, 1, 1), drawn);
}

} // namespace
