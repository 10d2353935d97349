// The All Fonts report of 2,000 typefaces written to PDF, against drawing the same 2,000 samples
// on screen-sized images (the baseline): time, file size and the memory printing takes.
// Offscreen, real Qt drawing, each typeface a real font file loaded from disk.
//
//   reports_bench [typefaces]      default 2000

#include "bench_support.h"
#include "corpus/corpus.h"
#include "support/memory_resources.h"

#include "catalogue/font_list.h"
#include "core/main_context.h"
#include "platform/fonts.h"
#include "platform/qt_face_drawing.h"
#include "reports/font_reports.h"
#include "reports/printing.h"
#include "samples/sample_pane.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPrinter>
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

QString face(int i) {
    return QStringLiteral("Bench Font %1").arg(i, 6, 10, QLatin1Char('0'));
}

long statusKb(const char* key) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qsizetype(qstrlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

// Lets the peak resident size start again from the present one.
void resetPeak() {
    QFile f(QStringLiteral("/proc/self/clear_refs"));
    if (f.open(QIODevice::WriteOnly)) f.write("5");
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    pointAtShippedData(argv[0]);
    TempHome home; // before Qt reads any font
    QGuiApplication qapp(argc, argv);
    int n = 2000;
    if (qapp.arguments().size() > 1) n = std::max(100, qapp.arguments().at(1).toInt());

    printHeader("reports_bench", QGuiApplication::platformName());
    std::printf("Times are wall clock; xN is the time as a multiple of drawing the same %d "
                "samples on screen-sized images.\n",
                n);
    if (!home.ok()) return 2;

    ScriptedAnswers boxes;
    lb::MemoryPointer pointer;
    lb::AppState app(boxes, pointer);
    if (!openApp(app)) {
        std::printf("the database did not open\n");
        return 2;
    }
    app.fontsFolder = home.fontsFolder();
    QFontDatabase::families(); // Qt has read the desktop's fonts: these come from their files
    lbbench::makeCorpus(home.fontsFolder().toStdString(), n);
    {
        lb::Database::Transaction t(*app.db);
        lb::Statement insert = app.db->prepare(QStringLiteral(
            "INSERT INTO [Fonts] ([Face Name], [Friendly Name], [File Name]) VALUES (?, ?, ?)"));
        for (int i = 0; i < n; ++i) {
            insert.reset();
            insert.bind(1, face(i))
                .bind(2, face(i) + QStringLiteral(" Style (TrueType)"))
                .bind(3, QStringLiteral("BenchFont-%1.ttf").arg(i));
            insert.step();
        }
        t.commit();
    }
    app.sampleText = QStringLiteral("The quick brown fox jumps over the lazy dog 0123456789");
    app.db->exec(
        QStringLiteral("UPDATE [Sample Text] SET [Sample Text] = '%1'").arg(app.sampleText));

    NoFonts none;
    lbtest::FakeResources resources;
    lb::FontPlatform fonts{none, none, none, resources};
    QuietView view;
    lb::FontListModel allFonts, assignedFonts;
    lb::MainContext ctx{app, fonts, view, allFonts, assignedFonts};
    lb::QtFaceDrawing drawing;
    const QString pdfPath = home.root() + QStringLiteral("/all-fonts.pdf");

    int pages = 0, rows = 0;
    bool ownFaces = true;
    auto report = [&] {
        lb::Query_FontList(app, lb::ModeAllFonts);
        std::unique_ptr<lb::Report> r = lb::dsrFontList(ctx, drawing);
        // For comparison: every line in the design's own face.
        if (!ownFaces) r->detail.format = nullptr;
        r->setTitle(lb::fontListTitle(app, lb::ModeAllFonts));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        lb::preparePrinter(printer, r->title());
        const lb::ReportRun run = r->print(printer);
        pages = run.pages;
        rows = run.rows;
        if (!run.ok) std::printf("  ! the report failed: %s\n", qPrintable(run.error));
    };
    // The same samples, each in its face at 12 points, a screen of rows to an image, as the
    // sample pane draws them; every face is made drawable the same way.
    auto screens = [&] {
        QImage image(1920, 1080, QImage::Format_ARGB32_Premultiplied);
        QPainter painter;
        int y = 1080;
        for (int i = 0; i < n; ++i) {
            const QString name = face(i);
            if (y + 30 > 1080) {
                if (painter.isActive()) painter.end();
                image.fill(Qt::white);
                painter.begin(&image);
                y = 0;
            }
            if (!drawing.known(name) && !drawing.load(name, lb::faceFiles(app, name))) continue;
            painter.setFont(QFont(QStringLiteral("Arial"), 10));
            painter.drawText(QRect(0, y, 260, 30), Qt::AlignVCenter, name);
            painter.setFont(drawing.font(name, 12, false, false, false));
            painter.drawText(QRect(270, y, 1650, 30), Qt::AlignVCenter, app.sampleText);
            y += 30;
        }
        if (painter.isActive()) painter.end();
    };

    resetPeak();
    const long rssBefore = statusKb("VmRSS:");
    const double cold = timeMs(report);
    const long peakCold = statusKb("VmHWM:");
    std::printf("\nAll Fonts report of %d typefaces: %d rows on %d pages, %.1f MB of PDF\n\n", n,
                rows, pages, QFileInfo(pdfPath).size() / 1048576.0);
    const double screenWarm = median({timeMs(screens), timeMs(screens), timeMs(screens)});
    line(QStringLiteral("BASELINE %1 samples on screen-sized images").arg(n), screenWarm, -1,
         QStringLiteral("[1920x1080, 36 rows each; fonts loaded; median of 3]"));
    line(QStringLiteral("report to PDF, first time"), cold, screenWarm,
         QStringLiteral("[includes loading %1 font files]").arg(drawing.loadedFiles()));
    resetPeak();
    const long rssWarm = statusKb("VmRSS:");
    const double warm = median({timeMs(report), timeMs(report), timeMs(report)});
    const long peakWarm = statusKb("VmHWM:");
    line(QStringLiteral("report to PDF"), warm, screenWarm, QStringLiteral("[median of 3]"));

    const int reportPages = pages;
    resetPeak();
    ownFaces = false;
    const long rssOneFace = statusKb("VmRSS:");
    const double oneFace = timeMs(report);
    const long peakOneFace = statusKb("VmHWM:");
    line(QStringLiteral("the same pages, every sample in one face"), oneFace, screenWarm,
         QStringLiteral("[%1 MB of PDF]").arg(QFileInfo(pdfPath).size() / 1048576.0, 0, 'f', 1));

    note(QStringLiteral("memory: resident %1 MB before the first report; its peak +%2 MB "
                        "(fonts loaded on the way); a later report's peak +%3 MB over %4 pages; "
                        "with every sample in one face +%5 MB: "
                        "the rest is the %6 embedded faces the PDF writer keeps to the end")
             .arg(rssBefore / 1024.0, 0, 'f', 1)
             .arg((peakCold - rssBefore) / 1024.0, 0, 'f', 1)
             .arg((peakWarm - rssWarm) / 1024.0, 0, 'f', 1)
             .arg(reportPages)
             .arg((peakOneFace - rssOneFace) / 1024.0, 0, 'f', 1)
             .arg(n));
    std::printf("\nload average at end: %s\n", qPrintable(loadAverage()));
    return boxes.unexpected == 0 ? 0 : 1;
}
