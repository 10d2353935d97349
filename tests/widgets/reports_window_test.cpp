#include "corpus/corpus.h"
#include "reports/printing.h"
#include "support/documents.h"
#include "support/print_server.h"
#include "support/window_fixture.h"
#include "ui/frm_print_setup.h"

#include <QPrintPreviewWidget>
#include <QPrinter>

using namespace lb;

namespace {

// The main window over real fixture fonts, with printers set up by the test.
struct ReportsWindow : lbtest::WindowFixture {
    const QString thai = "กขฃคฅฆงจฉช"; // U+0E01 to U+0E0A: Thai Test's sample
    lbtest::FakePrinters printers;
    bool fakePrinters = true; // else the print system's, through Qt

    // Before the window loads: a test may add fonts or change the database first, or skip.
    virtual void prepare() {}

    void SetUp() override {
        ASSERT_TRUE(lbtest::havePdfTools()) << "poppler-utils is missing: ./build.sh installs it";
        installFonts({"AlphaTest-Regular.ttf", "FixtureMono-Regular.ttf", "FixtureSans-Regular.ttf",
                      "FixtureSans-Bold.ttf", "FixtureSerif-Regular.ttf", "SymbolTest.ttf",
                      "ThaiTest.ttf"});
        desktop.list = {"Fixture Mono"};
        // Catalogued, but its file is gone and Qt has never heard of it.
        addFont("Ghost Face", "Ghost Face Regular", "ghost-face.ttf");
        printers.list = {{"Office", "Laser 9000", "Room 12"}, {"Hall", "Inkjet 2", "Hall way"}};
        printers.defaultPrinter = "Office";
        start();
        app.db->exec("DELETE FROM [Sets]");
        prepare();
        if (IsSkipped()) return;
        if (fakePrinters) w->setPrinters(printers);
        showWindow(1000, 760);
    }

    // Presses a toolbar button as the user does.
    void press(const QString& key) {
        QWidget* button = w->findChild<QToolBar*>("barTool")->widgetForAction(w->tool(key));
        ASSERT_TRUE(button);
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // The print preview from the toolbar, closed at once: its title and page count.
    QString preview() {
        QString shown;
        w->onPrintDialog = [&](QDialog* d) {
            auto* pages = d->findChild<QPrintPreviewWidget*>();
            shown = d->windowTitle() + "|" + QString::number(pages ? pages->pageCount() : -1);
            d->reject();
        };
        press("Preview");
        return shown;
    }
    // Print Setup, a key in its printer box, `button`: the printers offered, ports before/after.
    QStringList printSetup(Qt::Key key, const char* button, QStringList* where = nullptr) {
        QStringList offered;
        w->onPrintDialog = [&](QDialog* d) {
            auto* setup = qobject_cast<FrmPrintSetup*>(d);
            ASSERT_TRUE(setup);
            QComboBox* box = setup->printerBox();
            for (int i = 0; i < box->count(); ++i)
                offered << box->itemText(i);
            if (where) *where << setup->portLabel()->text();
            box->setFocus();
            QTest::keyClick(box, key);
            if (where) *where << setup->portLabel()->text();
            QTest::mouseClick(setup->findChild<QPushButton*>(button), Qt::LeftButton);
        };
        w->command("mnuFilePrintSetup")->trigger();
        return offered;
    }
    // Print_Report without its dialog refused: one critical box that begins with `text`.
    void refused(const QString& text) {
        boxes.shown.clear();
        boxes.answers = {AnswerOK};
        EXPECT_FALSE(w->Print_Report(false));
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].title + "|" + QString::number(boxes.shown[0].style), "Print|16");
        EXPECT_TRUE(boxes.shown[0].text.startsWith(text)) << boxes.shown[0].text.toStdString();
        EXPECT_TRUE(w->isEnabled());
    }

    // The pane's report written to a PDF file as "Print to File" does: the error, if any.
    QString printTo(const QString& path) {
        const auto report = reportForPane(w->context(), w->drawing(), w->samples().state());
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        preparePrinter(printer, report->title());
        return printReport(*report, printer);
    }
    QString printToPdf(const QString& name) {
        const QString path = env.root() + "/" + name + ".pdf";
        EXPECT_EQ(printTo(path).toStdString(), "");
        return path;
    }
    // Each of `has` is embedded in the PDF, none of `hasNot`.
    static void expectEmbedded(const QString& pdf, QStringList has, QStringList hasNot = {}) {
        const QStringList fonts = lbtest::embeddedFonts(pdf);
        for (const QString& f : has + hasNot)
            EXPECT_EQ(fonts.contains(f), has.contains(f))
                << f.toStdString() << ": " << fonts.join(' ').toStdString();
    }
    // The characters a chart shows under its codes 051 to 075, without blanks (else its 1st line).
    static QString under051(const QStringList& chart) {
        const int row = int(chart.indexOf(QRegularExpression("051 ?052.*")));
        return chart.value(row + 1).remove(' ');
    }
    static void expectFooter(const QString& line) {
        EXPECT_EQ(line.section(' ', 0, 1) + " " + line.section(' ', -2), "Printed on Letterbay 98");
    }
    // The lines of a page that hold text, without the blanks of the layout at both ends.
    static QStringList lines(const QString& page) {
        QStringList out;
        for (const QString& l : page.split('\n'))
            if (!l.trimmed().isEmpty()) out << l.simplified();
        return out;
    }
};

TEST_F(ReportsWindow, SizeSampleInFourStylesTheCharacterChartAndListsOfEachFaceInItself) {
    pick("Fixture Sans");
    const QString pdf = printToPdf("size");
    const QStringList pages = lbtest::pdfPages(pdf);
    ASSERT_EQ(pages.size(), 2);
    const QStringList first = lines(pages[0]);
    const QString sample = app.sampleText;
    EXPECT_EQ(first[0], "Sample Text Display: Fixture Sans");
    // Each style's name, then the text at 8, 12, 16 and 24 points, whole (24 goes on below).
    auto expectStyleRows = [&](const QStringList& page) {
        QStringList want;
        for (const char* style : {"Regular", "Bold", "Italics", "Bold Italics"})
            want << style << QStringList(4, sample);
        const int at = int(page.indexOf("Regular"));
        EXPECT_EQ(page.mid(at, page.size() - 1 - at).join(' '), want.join(' '))
            << page.join('\n').toStdString();
    };
    expectStyleRows(first);
    EXPECT_EQ(first.indexOf(sample + " " + sample), -1);

    // The chart on a page of its own: eleven rows of codes, 25 to a row, the last five.
    const QStringList second = lines(pages[1]);
    EXPECT_EQ(second[0], "Ascii Text Display: Fixture Sans");
    // Three-digit codes set close together: read without the blanks between them.
    QStringList codeRows = second.filter(QRegularExpression("^\\d{3}")).replaceInStrings(" ", "");
    ASSERT_EQ(codeRows.size(), 11) << pages[1].toStdString();
    EXPECT_EQ(codeRows[10].size(), 15) << "the last five";
    QString all;
    for (int code = 1; code <= 255; ++code)
        all += QString("%1").arg(code, 3, 10, QChar('0'));
    EXPECT_EQ(codeRows.join(""), all);
    // Under codes 051 to 075 the characters the font has (digits, ':', '?', capitals).
    EXPECT_EQ(under051(second), "3456789:?ABCDEFGHIJK");
    expectFooter(second.last());

    // A symbol font's characters 65 to 75 are its glyphs at U+F041 to U+F04B, drawn from it.
    pick("Symbol Test");
    const QString symbol = printToPdf("symbol");
    // Its samples whole too: nothing is cut, so no ellipsis is drawn in its symbols.
    expectStyleRows(lines(lbtest::pdfPages(symbol).value(0)));
    EXPECT_EQ(under051(lines(lbtest::pdfPages(symbol).value(1))).right(11), "ABCDEFGHIJK");
    expectEmbedded(symbol, {"SymbolTest-Regular"});

    // One file: Bold and Italics rows made bolder and slanted (24-point first lines compared).
    pick("Fixture Mono");
    const QImage page = lbtest::pdfPageImage(printToPdf("mono"), 1, 100);
    auto tallest = lbtest::inkBands(page);
    ASSERT_GE(tallest.size(), 9u);
    std::ranges::stable_sort(tallest, std::ranges::greater(), &std::pair<int, int>::second);
    tallest.resize(8);
    std::ranges::sort(tallest);
    std::vector<QImage> rows;
    for (size_t i = 0; i < tallest.size(); i += 2)
        rows.push_back(page.copy(0, tallest[i].first, page.width(), tallest[0].second));
    EXPECT_GT(lbtest::ink(rows[1]), lbtest::ink(rows[0]) * 11 / 10) << "bold";
    EXPECT_GT(lbtest::ink(rows[3]), lbtest::ink(rows[2]) * 11 / 10) << "bold italics";
    int moved = 0;
    for (int y = 0; y < rows[0].height(); ++y)
        for (int x = 0; x < rows[0].width(); ++x)
            moved += (qGray(rows[0].pixel(x, y)) < 128) != (qGray(rows[2].pixel(x, y)) < 128);
    EXPECT_GT(moved, lbtest::ink(rows[0]) / 3) << "italics";

    // A face without the sample's letters prints its own, 4 sizes in 4 styles.
    pick("Thai Test");
    const QString other = printToPdf("thai");
    EXPECT_EQ(lines(lbtest::pdfPages(other).value(0)).count(thai), 16);
    expectEmbedded(other, {"ThaiTest-Regular"});

    // The list reports: each face once, with its sample in that face.
    pick("Fixture Sans");
    press("Display All");
    const QString list = printToPdf("all");
    const QStringList listPages = lbtest::pdfPages(list);
    ASSERT_EQ(listPages.size(), 1);
    const QStringList text = lines(listPages[0]);
    ASSERT_GE(text.size(), 12) << listPages[0].toStdString();
    // Sorted, each face once; Mono's wide sample wraps whole; none for Ghost; Thai's own letters.
    QStringList got = text.mid(0, 11);
    got[3] += " " + got.takeAt(4);
    EXPECT_EQ(got, (QStringList{"All Fonts List", "Font Name Sample Text in FontSize 12",
                                "Alpha Test " + sample, "Fixture Mono " + sample,
                                "Fixture Sans " + sample, "Fixture Serif " + sample,
                                "Ghost Face The font's files cannot be read: no sample",
                                "Symbol Test " + sample, "Thai Test " + thai, "Total Fonts: 7"}));
    EXPECT_TRUE(text[11].contains(QString::number(QDate::currentDate().year()))) << "printed today";
    // The samples begin in their own column, under their heading: as much before each on its line.
    EXPECT_EQ(listPages[0].section(sample, 0, 0).section('\n', -1).size(),
              listPages[0].section("Sample Text in FontSize 12", 0, 0).section('\n', -1).size());

    // Each sample in its own face, embedded so the file prints anywhere; regular, as the pane.
    expectEmbedded(list,
                   {"AlphaTest-Regular", "FixtureMono-Regular", "FixtureSans-Regular",
                    "FixtureSerif-Regular", "SymbolTest-Regular", "ThaiTest-Regular"},
                   {"FixtureSans-Bold"});
    // Bold in the pane: the bold face of the typeface's own files, not a regular one made heavier.
    press("Bold");
    expectEmbedded(printToPdf("bold"), {"FixtureSans-Bold"}, {"FixtureSans-Regular"});
    press("Bold");

    // The set in the set box is the one printed; an empty one, its headers and no fonts.
    app.db->exec("INSERT INTO [Sets] VALUES ('Empty'), ('Work')");
    app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Work', 'Alpha Test')");
    w->fillSets();
    auto printSet = [&](const QString& set) {
        chooseSet(set);
        press("Redisplay Set");
        return lines(lbtest::pdfPages(printToPdf(set)).value(0)).mid(0, 4);
    };
    EXPECT_EQ(printSet("Work"), (QStringList{"Assigned Fonts List for Set: Work", text[1],
                                             "Alpha Test " + sample, "Total Fonts: 1"}));
    EXPECT_EQ(printSet("Empty").mid(0, 3),
              (QStringList{"Assigned Fonts List for Set: Empty", text[1], "Total Fonts: 0"}));

    // Work made active: the others are hidden but desktop Fixture Mono, and print no sample.
    chooseSet("Work");
    w->command("mnuEditActiveSelected")->trigger();
    press("Display All");
    const QString inactive = printToPdf("inactive");
    got = lines(lbtest::pdfPages(inactive).value(0)).mid(2, 5);
    got[1] += " " + got.takeAt(2);
    EXPECT_EQ(got, (QStringList{"Alpha Test " + sample, "Fixture Mono " + sample,
                                "Fixture Sans Inactive font: no sample",
                                "Fixture Serif Inactive font: no sample"}));
    expectEmbedded(inactive, {"AlphaTest-Regular"}, {"FixtureSerif-Regular"});
}

struct LongReports : ReportsWindow {
    QStringList faces;
    // Installed before the start, as the user's fonts are: Qt then knows them all.
    void SetUp() override {
        const auto files = lbbench::makeCorpus(env.fontsFolder().toStdString(), 300);
        for (size_t i = 0; i < files.size(); ++i) {
            const QString face = QString("Bench Font %1").arg(int(i), 6, 10, QChar('0'));
            addFont(face, face + " Style", QFileInfo(QString::fromStdString(files[i])).fileName());
            faces << face;
        }
        // A name far wider than its column.
        addFont("Zz An Extraordinarily Long Typeface Name That Never Ends Regular",
                "Zz Long Regular", "long-gone.ttf");
        ReportsWindow::SetUp();
    }
};

TEST_F(LongReports, ManyFontsRunOverPagesEachWithItsHeaderAndFooter) {
    press("Display All");
    const QStringList pages = lbtest::pdfPages(printToPdf("long"));
    ASSERT_GE(pages.size(), 6);
    QStringList names;
    for (int p = 0; p < pages.size(); ++p) {
        const QStringList text = lines(pages[p]);
        // The title only on the first page; the column headings and the footer on every page.
        EXPECT_EQ(text[0] == "All Fonts List", p == 0) << p;
        EXPECT_TRUE(text.contains("Font Name Sample Text in FontSize 12")) << p;
        expectFooter(text.last());
        EXPECT_EQ(pages[p].contains("Total Fonts:"), p == pages.size() - 1) << p;
        for (const QString& l : text)
            if (l.startsWith("Bench Font ")) names << l.left(17);
    }
    // Every font once, in order, across page breaks, each with its whole (wrapped) sample.
    EXPECT_EQ(names, faces);
    const QString all = pages.join(' ').simplified();
    for (const QString& face : faces)
        EXPECT_TRUE(all.contains(face + " " + app.sampleText, Qt::CaseInsensitive))
            << face.toStdString();
    const QStringList last = lines(pages.last());
    EXPECT_TRUE(last.contains("Total Fonts: 308")) << pages.last().toStdString();
    // The long name goes on below inside its column, whole.
    const int at = int(last.indexOf(QRegularExpression("Zz An Extraordinarily Long The font's.*")));
    EXPECT_EQ(last.mid(at + 1, 2), (QStringList{"Typeface Name That Never Ends", "Regular"}));
}

TEST_F(ReportsWindow, PrintPreviewAndPrintSetupFromTheWindow) {
    // Nothing shown: Print and its pop-up item are off, and asking anyway is refused.
    EXPECT_FALSE(w->tool("Print")->isEnabled() || w->command("mnuPopupFontPrint")->isEnabled());
    refused("There is nothing to print.");

    // Office is only in this test's list: no print server runs to take the job, and that is said.
    pick("Fixture Sans");
    refused("The printer \"Office\" cannot be reached");

    // The preview shows the report Print would print.
    press("Display All");
    EXPECT_EQ(preview(), "Print Preview - All Fonts List|1");
    // The list shown before is gone: a font's message leaves nothing to print, not the list.
    pick("Ghost Face");
    ASSERT_EQ(app.sampleMode, ModeAllFonts);
    refused("There is nothing to print.");
    // A font on screen prints, whatever set is chosen in the set box meanwhile.
    pick("Fixture Sans");
    app.db->exec("INSERT INTO [Sets] VALUES ('Work')");
    w->fillSets();
    chooseSet("Work");
    ASSERT_EQ(app.sampleMode, ModeAssignedFonts);
    EXPECT_EQ(preview(), "Print Preview - Font Size Sample|2");

    // The print dialog writes a PDF file, its name typed; cancelled, nothing and no message.
    pick("Fixture Serif");
    const QString path = env.root() + "/from-dialog.pdf";
    w->onPrintDialog = [&](QDialog* d) {
        auto* box = d->findChild<QComboBox*>("printers");
        auto* name = d->findChild<QLineEdit*>("filename");
        ASSERT_TRUE(box && name);
        box->setCurrentIndex(box->findText("Print to File (PDF)"));
        lbtest::typeInto(name, path);
        d->accept();
    };
    EXPECT_TRUE(w->Print_Report(true));
    EXPECT_EQ(lines(lbtest::pdfPages(path).value(0)).value(0),
              "Sample Text Display: Fixture Serif");
    boxes.shown.clear();
    w->onPrintDialog = [&](QDialog* d) { d->reject(); };
    EXPECT_FALSE(w->Print_Report(true));
    EXPECT_TRUE(boxes.shown.empty());
    // A PDF file that cannot be written is named.
    const QString bad = env.root() + "/no-such-folder/size.pdf";
    EXPECT_EQ(printTo(bad).section('"', 0, 1), "The report could not be written to \"" + bad);

    // Print Setup offers all but the rendering device; by keyboard: its place; OK: chosen.
    printers.list.push_back({"Rendering Subsystem", "", ""});
    QStringList where;
    EXPECT_EQ(printSetup(Qt::Key_Down, "cmdOK", &where), QStringList({"Office", "Hall"}));
    EXPECT_EQ(where, QStringList({"Room 12", "Hall way"}));
    EXPECT_EQ(app.printerName + "/" + app.printerDriver, "Hall/Inkjet 2");
    EXPECT_EQ(w->tool("Print")->toolTip(), "Print (Hall)");
    printSetup(Qt::Key_Up, "cmdCancel"); // Cancel changes nothing.
    EXPECT_EQ(w->tool("Print")->toolTip(), "Print (Hall)");

    // With no default printer, the first one serves.
    printers.defaultPrinter.clear();
    choosePrinterAtStart(app, printers);
    EXPECT_EQ(app.printerName + "/" + app.printerPort, "Office/Room 12");
}

// No printer installed, though the print system still names a default one.
struct NoPrinters : ReportsWindow {
    void prepare() override { printers.list.clear(); }
};

TEST_F(NoPrinters, PrintingAndPrintSetupSayThereIsNoPrinter) {
    EXPECT_EQ(w->tool("Print")->toolTip(), "Print (No Printer)");
    pick("Fixture Sans");
    boxes.answers = {AnswerOK, AnswerOK};
    w->command("mnuPopupFontPrint")->trigger();
    w->command("mnuFilePrintSetup")->trigger();
    lbtest::expectBox(boxes, 0, "Print", "There are no printers installed.", 16);
    lbtest::expectBox(boxes, 1, "Print",
                      "Letterbay 98 cannot change printers. No printers are installed.", 16);
    // The preview still shows the report, on a PDF printer then.
    EXPECT_EQ(preview(), "Print Preview - Font Size Sample|2");
}

struct PrintQueue : ReportsWindow {
    lbtest::PrintServer server;
    void prepare() override {
        fakePrinters = false;
        QString why;
        if (!server.start(why))
            GTEST_SKIP() << "No private print server here: " << why.toStdString();
        if (!server.addPdfQueue("LetterbayPDF", "Test Room", why) ||
            !server.addPdfQueue("SecondPDF", "Other Room", why))
            ADD_FAILURE() << why.toStdString();
    }
};

TEST_F(PrintQueue, BothReportsPrintOnACupsPdfQueue) {
    // No default printer on this server: the first queue serves.
    EXPECT_EQ(w->tool("Print")->toolTip(), "Print (LetterbayPDF)");
    EXPECT_EQ(app.printerPort, "Test Room");
    EXPECT_EQ(printSetup(Qt::Key_Down, "cmdOK"), QStringList({"LetterbayPDF", "SecondPDF"}));
    EXPECT_EQ(w->tool("Print")->toolTip(), "Print (SecondPDF)");

    // The All Fonts list from the toolbar, at once.
    press("Display All");
    press("Print");
    EXPECT_TRUE(boxes.shown.empty()) << boxes.shown.back().text.toStdString();
    const QString list = server.waitForPdf(1);
    ASSERT_FALSE(list.isEmpty()) << server.log().toStdString();
    EXPECT_EQ(lines(lbtest::pdfPages(list).value(0)).value(0), "All Fonts List");

    // A size sample from the font list's pop-up menu.
    pick("Fixture Sans");
    w->command("mnuPopupFontPrint")->trigger();
    const QString size = server.waitForPdf(2);
    ASSERT_FALSE(size.isEmpty()) << server.log().toStdString();
    EXPECT_EQ(lbtest::pdfPages(size).size(), 2);

    // A queue that refuses jobs, then the print server gone: said, nothing is printed.
    ASSERT_TRUE(server.command("cupsreject", {"SecondPDF"}));
    refused("The printer \"SecondPDF\" did not accept the report");
    server.stop();
    refused("The printer \"SecondPDF\" cannot be reached");
    EXPECT_EQ(server.pdfs().size(), 2);
}

} // namespace
