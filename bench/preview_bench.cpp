// Font Preview, installation and deletion on real font files, each against what the system's
// own tools take for the same work:
//   - a folder of 2,000 font files until the preview grid is drawn, against fc-scan of it;
//   - installing 500 fonts into a home of 20,000, against cp of the files plus one fc-cache of
//     the fonts folder, in turns;
//   - deleting 1,000 of 20,000 catalogued fonts, against a catalogue refresh just before, in
//     turns.
//
//   preview_bench [preview files] [installed files] [catalogue] [deleted]
//                 default 2000 500 20000 1000

#include "bench_support.h"
#include "corpus/corpus.h"
#include "support/preview_fakes.h"

#include "activation/deletion.h"
#include "catalogue/font_list.h"
#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/main_context.h"
#include "platform/desktop_fonts.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "platform/qt_preview_fonts.h"
#include "preview/font_preview.h"
#include "preview/installation.h"
#include "ui/preview_grid.h"

#include <QApplication>
#include <QThread>
#include <cstdio>

using namespace lbbench;

namespace {

// The real font facilities with the time spent removing files taken apart.
class TimedFonts : public lb::FontconfigFonts {
public:
    double removeMs = 0;
    std::vector<std::pair<QString, QString>> setAsideFiles(const QStringList& files,
                                                           lb::FileJournal& journal) override {
        std::vector<std::pair<QString, QString>> out;
        removeMs += timeMs([&] { out = FontconfigFonts::setAsideFiles(files, journal); });
        return out;
    }
    QStringList finishRemoval(const lb::FileJournal& journal) override {
        QStringList out;
        removeMs += timeMs([&] { out = FontconfigFonts::finishRemoval(journal); });
        return out;
    }
};

// One run of the program over the temporary home.
struct Program {
    ScriptedAnswers boxes;
    lb::MemoryPointer pointer;
    lb::AppState app{boxes, pointer};
    TimedFonts fontconfig;
    lb::FontconfigDesktopFonts desktop;
    lb::FontconfigResources resources{fontconfig};
    lb::FontPlatform fonts{fontconfig, fontconfig, desktop, resources};
    QuietView view;
    lb::FontListModel all, assigned;
    lb::MainContext ctx{app, fonts, view, all, assigned};
    bool ok = false;

    Program() {
        ok = openApp(app);
        if (ok) lb::Get_FontsFolder(app, fontconfig);
    }
};

void benchPreview(int n) {
    TempHome home;
    const QString folder = home.root() + QStringLiteral("/preview/");
    QDir().mkpath(folder);
    double written = timeMs([&] { lbbench::makeCorpus(folder.toStdString(), n); });
    std::printf("\nPreview of a folder of %d font files\n", n);
    line(QStringLiteral("corpus written"), written);

    std::vector<double> scans;
    for (int i = 0; i < 3; ++i) {
        const ProcessResult r = runProcess(QStringLiteral("fc-scan"),
                                           {QStringLiteral("--format=%{file}\\n"), folder}, 300000);
        if (!r.ran || r.exitCode != 0) {
            note(QStringLiteral("fc-scan could not run: ") + r.why + QString::fromLocal8Bit(r.err));
            return;
        }
        scans.push_back(r.ms);
    }
    const double baseline = median(scans);
    line(QStringLiteral("BASELINE fc-scan (median of 3)"), baseline);

    Program program;
    if (!program.ok) return note(QStringLiteral("the database could not be opened"));
    lb::QtPreviewFonts fonts;
    lbtest::RecordingPreviewView view;
    lb::FontPreview preview(program.ctx, fonts, view);
    lb::PreviewGrid grid(preview, fonts);
    grid.resize(900, 600);
    grid.show();
    std::vector<double> runs;
    for (int i = 0; i < 3; ++i) {
        runs.push_back(timeMs([&] {
            preview.boxDir_Change(folder);
            grid.repaint();
        }));
        if (preview.size() != n) note(QStringLiteral("! %1 rows shown").arg(preview.size()));
        preview.Unload_PreviewFonts();
    }
    line(QStringLiteral("names read, rows built, grid drawn (med. 3)"), median(runs), baseline,
         QStringLiteral("[%1 threads]").arg(QThread::idealThreadCount()));
}

// Installing into a home that already holds `existing` catalogued fonts, in rounds: `cp` of a
// batch plus one `fc-cache` of the fonts folder, then Install_Fonts of another batch of the same
// size. Every batch is new, so the folder grows alike for both.
void benchInstall(int n, int existing) {
    TempHome home;
    const QString target = lb::FontconfigFonts().fontsFolder();
    std::printf("\nInstalling %d fonts into a fonts folder of %d catalogued fonts\n", n, existing);
    lbbench::makeCorpus(target.toStdString(), existing);
    runProcess(QStringLiteral("fc-cache"), {target}, 600000);
    Program program;
    if (!program.ok) return note(QStringLiteral("the database could not be opened"));
    lb::Refresh_Fonts(program.ctx);
    lb::QtPreviewFonts fonts;
    lbtest::RecordingPreviewView view;
    Pairs install;
    int installed = 0, failed = 0;
    for (int r = 0, next = existing; r < 3; ++r) {
        const QString source = home.root() + QStringLiteral("/source-%1/").arg(r);
        QStringList cpArgs;
        for (const std::string& f : lbbench::makeCorpus(source.toStdString(), n, 1, next))
            cpArgs << QString::fromStdString(f);
        cpArgs << target;
        const ProcessResult cp = runProcess(QStringLiteral("cp"), cpArgs, 300000);
        const ProcessResult cache = runProcess(QStringLiteral("fc-cache"), {target}, 600000);
        if (!cp.ran || !cache.ran || cp.exitCode != 0 || cache.exitCode != 0)
            return note(QStringLiteral("cp or fc-cache could not run"));

        const QString batch = home.root() + QStringLiteral("/install-%1/").arg(r);
        lbbench::makeCorpus(batch.toStdString(), n, 1, next + n);
        next += 2 * n;
        lb::FontPreview preview(program.ctx, fonts, view);
        preview.boxDir_Change(batch);
        preview.cmdSelect_Click();
        program.boxes.answers = {lb::AnswerOK};
        lb::InstallOutcome out;
        install.add(timeMs([&] { out = lb::Install_Fonts(program.ctx, preview, view); }),
                    cp.ms + cache.ms);
        installed += out.installed();
        failed += int(out.failures.size());
    }
    note(QStringLiteral("BASELINE cp + fc-cache of the folder: %1 (median)")
             .arg(duration(median(install.baseline))));
    pairedLine(
        QStringLiteral("Install_Fonts"), install,
        QStringLiteral("(target x1.5) [%1 installed, %2 failed]").arg(installed).arg(failed));
}

void benchDelete(int catalogue, int n) {
    TempHome home;
    const QString folder = lb::FontconfigFonts().fontsFolder();
    QDir().mkpath(folder);
    std::printf("\nDeleting %d of %d catalogued fonts (one file each, in the fonts folder)\n", n,
                catalogue);
    line(QStringLiteral("corpus written"),
         timeMs([&] { lbbench::makeCorpus(folder.toStdString(), catalogue); }));
    line(QStringLiteral("fc-cache (writes the warm cache)"),
         runProcess(QStringLiteral("fc-cache"), {folder}, 600000).ms);

    Program program;
    if (!program.ok) return note(QStringLiteral("the database could not be opened"));
    lb::Refresh_Fonts(program.ctx);
    // In rounds: a refresh, then a deletion of fonts spread over the whole list. Each round starts
    // after the last one's background rescan, so a refresh never competes with it.
    lb::FontListModel& all = program.all;
    Pairs removal, deletion, settled;
    int deleted = 0;
    for (int r = 0; r < rounds(); ++r) {
        const double refresh = timeMs([&] { lb::Refresh_Fonts(program.ctx); });
        const int step = std::max(1, all.size() / n);
        for (int i = r % step, k = 0; i < all.size() && k < n; i += step, ++k) {
            all.setSelected(i, true);
            ++all.selectedCount;
        }
        program.boxes.answers = {lb::AnswerYes};
        program.fontconfig.removeMs = 0;
        const int before = all.size();
        const double ms = timeMs([&] { lb::Delete_Fonts(program.ctx); });
        deleted += before - all.size();
        deletion.add(ms, refresh);
        removal.add(program.fontconfig.removeMs, refresh);
        // Not waited for: the folder's cache is written again in the background meanwhile.
        settled.add(ms + timeMs([&] { program.fontconfig.settle(); }), refresh);
    }
    note(QStringLiteral("BASELINE Refresh_Fonts, full catalogue: %1 (median)")
             .arg(duration(median(deletion.baseline))));
    pairedLine(QStringLiteral("Delete_Fonts"), deletion,
               QStringLiteral("(target x1) [%1 deleted]").arg(deleted));
    pairedLine(QStringLiteral("  of which removing the files"), removal);
    pairedLine(QStringLiteral("  then its folder's cache ready after"), settled,
               QStringLiteral("(rescanned in the background)"));
}

} // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    pointAtShippedData(argv[0]);
    const int previewFiles = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int installFiles = argc > 2 ? std::atoi(argv[2]) : 500;
    const int catalogue = argc > 3 ? std::atoi(argv[3]) : 20000;
    const int deleted = argc > 4 ? std::atoi(argv[4]) : 1000;
    printHeader("preview_bench");
    std::printf("Times are wall clock; xN is the time as a multiple of the baseline above it.\n");
    benchPreview(previewFiles);
    benchInstall(installFiles, catalogue);
    benchDelete(catalogue, deleted);
    std::printf("\nload average at end: %s\n", qPrintable(loadAverage()));
    return 0;
}
