// The sample pane at 20,000 typefaces against the same pane over 100: "Display All Fonts" until
// the first screen of rows is drawn, a size change and a style toggle, and one font in its eight
// sizes (also a large CJK font when the machine has one). Offscreen, real Qt drawing, real font
// files for the rows that come on screen.
//
//   samples_bench [typefaces]      default 20000

#include "bench_support.h"
#include "corpus/corpus.h"
#include "support/memory_resources.h"

#include "catalogue/font_list.h"
#include "core/main_context.h"
#include "core/schema.h"
#include "platform/fonts.h"
#include "platform/qt_face_drawing.h"
#include "samples/sample_pane.h"
#include "ui/sample_grid.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QThread>
#include <cstdio>

using namespace lbbench;

namespace {

class NoFonts : public lb::FontRegistry, public lb::FaceNameReader, public lb::DesktopFonts {
public:
    std::vector<lb::FontValue> enumerate() override { return {}; }
    QString fontsFolder() override { return {}; }
    bool registerFile(const QString&) override { return true; }
    std::vector<std::pair<QString, QString>> removeFiles(const QStringList&) override { return {}; }
    lb::FaceNames read(const QString& f) override { return {f, f, false, {}}; }
    QStringList families() override { return {}; }
};

long residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

QString face(int i) {
    return QStringLiteral("Bench Font %1").arg(i, 6, 10, QLatin1Char('0'));
}

// A pane and its grid on screen, over a list of `rows` typefaces.
struct Pane {
    lb::FontListModel allFonts, assignedFonts;
    lb::MainContext ctx;
    lb::QtFaceDrawing& drawing;
    lb::SamplePane pane;
    lb::SampleGrid grid;

    Pane(lb::AppState& app, lb::FontPlatform& fonts, lb::OperationView& view, lb::QtFaceDrawing& d,
         int rows, int first = 0)
        : ctx{app, fonts, view, allFonts, assignedFonts}, drawing(d), pane(ctx, d), grid(pane, d) {
        allFonts.beginFill();
        for (int i = first; i < first + rows; ++i)
            allFonts.append(face(i), lb::FaceState::Active);
        allFonts.endFill();
        grid.resize(900, 520);
        grid.show();
    }
    // Until the rows on screen are drawn.
    void draw() { grid.viewport()->repaint(); }
};

double medianOf(int runs, const std::function<void()>& f) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(timeMs(f));
    return median(times);
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    pointAtShippedData(argv[0]);
    TempHome home; // before Qt reads any font
    QApplication qapp(argc, argv);
    int n = 20000;
    if (qapp.arguments().size() > 1) n = std::max(200, qapp.arguments().at(1).toInt());
    const int small = 100;

    printHeader("samples_bench", QGuiApplication::platformName());
    std::printf("Times are wall clock; xN is the time as a multiple of the same step over a "
                "%d-font list.\n",
                small);
    if (!home.ok()) return 2;

    ScriptedAnswers boxes;
    lb::MemoryPointer pointer;
    lb::AppState app(boxes, pointer);
    if (!openApp(app)) {
        std::printf("the database did not open\n");
        return 2;
    }
    app.fontsFolder = home.fontsFolder();
    // Qt reads the desktop's fonts now, before any of the fonts below exists: they are drawn as
    // fonts installed after start-up are, from their own files.
    QFontDatabase::families();
    // A real file for every row: the big list's typefaces, then the small list's own, so that
    // neither finds the other's fonts already loaded.
    lbbench::makeCorpus(home.fontsFolder().toStdString(), n + small);
    {
        lb::Database::Transaction t(*app.db);
        lb::Statement insert = app.db->prepare(QStringLiteral(
            "INSERT INTO [Fonts] ([Face Name], [Friendly Name], [File Name]) VALUES (?, ?, ?)"));
        for (int i = 0; i < n + small; ++i) {
            insert.reset();
            insert.bind(1, face(i))
                .bind(2, face(i) + QStringLiteral(" Style (TrueType)"))
                .bind(3, QStringLiteral("BenchFont-%1.ttf").arg(i));
            insert.step();
        }
        t.commit();
    }
    const QString cjkSource =
        QStringLiteral("/usr/share/fonts/truetype/droid/DroidSansFallbackFull.ttf");
    const bool cjk = QFile::copy(cjkSource, home.fontsFolder() + QStringLiteral("cjk.ttf"));
    if (cjk)
        app.db->exec("INSERT INTO [Fonts] ([Face Name], [File Name], [Friendly Name]) VALUES "
                     "('Droid Sans Fallback', 'cjk.ttf', "
                     "'Droid Sans Fallback (TrueType)')");
    app.db->exec("UPDATE [Sample Text] SET [Font Size] = 12");
    app.sampleText = QStringLiteral("The quick brown fox jumps over the lazy dog 0123456789");

    NoFonts none;
    lbtest::FakeResources resources;
    lb::FontPlatform fonts{none, none, none, resources};
    QuietView view;
    lb::QtFaceDrawing drawing;
    Pane little(app, fonts, view, drawing, small, n);
    const long before = residentKb();
    Pane big(app, fonts, view, drawing, n);
    QCoreApplication::processEvents();

    // The first time, the fonts of the rows on screen are loaded from their files.
    const double coldSmall = timeMs([&] {
        little.pane.Display_List(lb::ModeAllFonts);
        little.draw();
    });
    const long beforeList = residentKb();
    const double coldBig = timeMs([&] {
        big.pane.Display_List(lb::ModeAllFonts);
        big.draw();
    });
    const long afterList = residentKb();
    std::printf("\n%d typefaces against %d; a screen shows %d rows of 12 points\n\n", n, small,
                big.grid.rowAt(big.grid.viewport()->height() - 1) + 1);
    line(QStringLiteral("BASELINE Display All Fonts, 100, first time"), coldSmall, -1,
         QStringLiteral("[fonts of the screen loaded from their files]"));
    line(QStringLiteral("Display All Fonts, first time"), coldBig, coldSmall);

    const double listSmall = medianOf(5, [&] {
        little.pane.Display_List(lb::ModeAllFonts);
        little.draw();
    });
    const double listBig = medianOf(5, [&] {
        big.pane.Display_List(lb::ModeAllFonts);
        big.draw();
    });
    line(QStringLiteral("BASELINE Display All Fonts, 100 rows"), listSmall, -1,
         QStringLiteral("[until the first screen is drawn, median of 5]"));
    line(QStringLiteral("Display All Fonts"), listBig, listSmall);

    int size = 12;
    auto resize = [&](Pane& p) {
        size = size == 12 ? 14 : 12;
        p.pane.cmbFontSize_Click(size, true);
        p.draw();
    };
    const double sizeSmall = medianOf(6, [&] { resize(little); });
    const double sizeBig = medianOf(6, [&] { resize(big); });
    line(QStringLiteral("BASELINE font size 12 <-> 14, 100 rows"), sizeSmall, -1,
         QStringLiteral("[redrawn, median of 6]"));
    line(QStringLiteral("font size 12 <-> 14"), sizeBig, sizeSmall);

    const double boldSmall = medianOf(6, [&] {
        little.pane.Toggle_Bold();
        little.draw();
    });
    const double boldBig = medianOf(6, [&] {
        big.pane.Toggle_Bold();
        big.draw();
    });
    line(QStringLiteral("BASELINE Bold on/off, 100 rows"), boldSmall, -1,
         QStringLiteral("[redrawn, median of 6]"));
    line(QStringLiteral("Bold on/off"), boldBig, boldSmall);

    note(QStringLiteral("resident memory: +%1 kB for a %2-row All Fonts list and an empty grid, "
                        "+%3 kB for showing it in the pane (%4 bytes a row); %5 font files "
                        "loaded, %6 widgets in the grid's viewport")
             .arg(beforeList - before)
             .arg(n)
             .arg(afterList - beforeList)
             .arg((afterList - beforeList) * 1024 / n)
             .arg(drawing.loadedFiles())
             .arg(big.grid.viewport()->findChildren<QWidget*>().size()));

    std::printf("\nOne font in its eight sizes (one screen of the pane redrawn)\n\n");
    auto showFont = [&](const QString& name) {
        app.pickedFontName = name;
        big.pane.Display_Font();
        big.draw();
    };
    const double oneCold = timeMs([&] { showFont(face(150)); });
    const double one = medianOf(5, [&] { showFont(face(150)); });
    line(QStringLiteral("BASELINE Display_Font, small font"), one, -1,
         QStringLiteral("[median of 5; first time %1]").arg(duration(oneCold)));
    if (cjk) {
        const double cjkCold = timeMs([&] { showFont(QStringLiteral("Droid Sans Fallback")); });
        const double cjkWarm =
            medianOf(5, [&] { showFont(QStringLiteral("Droid Sans Fallback")); });
        line(QStringLiteral("Display_Font, Droid Sans Fallback first time"), cjkCold, one,
             QStringLiteral("[%1 MB file loaded]")
                 .arg(QFileInfo(cjkSource).size() / 1048576.0, 0, 'f', 1));
        line(QStringLiteral("Display_Font, Droid Sans Fallback"), cjkWarm, one,
             QStringLiteral("[median of 5]"));
    } else {
        note(QStringLiteral("no large CJK font on this machine (%1): skipped").arg(cjkSource));
    }
    std::printf("\nload average at end: %s\n", qPrintable(loadAverage()));
    return 0;
}
