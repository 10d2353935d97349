#include "catalogue/font_check.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <span>
#include <thread>
#include <tuple>

namespace lb {

namespace {

bool validText(const QString& name) {
    for (const QChar c : name)
        if (c == QChar::ReplacementCharacter || c.category() == QChar::Other_Control ||
            c.isNonCharacter())
            return false;
    return true;
}

// The damage of every file, on as many threads as there are cores: each file is read whole.
std::vector<QString> damageOf(FontInspector& inspector, const std::vector<QByteArray>& files,
                              const CheckProgress& progress, bool& cancelled) {
    std::vector<QString> problems(files.size());
    std::atomic<size_t> next{0}, done{0};
    std::atomic<bool> stop{false};
    const auto work = [&] {
        for (size_t i = next++; i < files.size() && !stop; i = next++) {
            problems[i] = inspector.damage(files[i]);
            ++done;
        }
    };
    const unsigned threads = std::max(1u, std::min(std::thread::hardware_concurrency(), 8u));
    std::vector<std::future<void>> workers;
    for (unsigned t = 1; t < threads; ++t)
        workers.push_back(std::async(std::launch::async, work));
    // This thread reports progress between its own files, twenty times a second: a window
    // repaints at each report, which cost more than checking a small font when it came every
    // file. The first file reports at once.
    using Clock = std::chrono::steady_clock;
    Clock::time_point reportedAt;
    const auto report = [&] {
        reportedAt = Clock::now();
        if (progress && !progress(int(done), int(files.size()))) stop = true;
    };
    for (size_t i = next++; i < files.size() && !stop; i = next++) {
        problems[i] = inspector.damage(files[i]);
        ++done;
        if (Clock::now() - reportedAt >= std::chrono::milliseconds(50)) report();
    }
    for (auto& w : workers)
        w.get();
    // A cancel asked for while the other threads finished is still heard.
    if (!stop) report();
    cancelled = stop;
    return problems;
}

} // namespace

QString displayPath(const QByteArray& path) {
    return QFile::decodeName(path);
}

FontCheck checkFonts(FontInspector& inspector, const CheckProgress& progress) {
    FontCheck out;
    std::vector<InstalledFace> faces;
    std::vector<QByteArray> unlisted;
    inspector.survey(faces, unlisted);

    // Every file once, in a stable order, those fontconfig could not read included.
    std::vector<QByteArray> files;
    files.reserve(faces.size() + unlisted.size());
    for (const InstalledFace& f : faces)
        files.push_back(f.path);
    files.insert(files.end(), unlisted.begin(), unlisted.end());
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());

    std::vector<QString> problems = damageOf(inspector, files, progress, out.cancelled);
    if (out.cancelled) return out;
    inspector.remember();
    // The files are sorted: a file's finding is found by a binary search, needed only for the few
    // files that add one.
    const auto problemOf = [&](const QByteArray& path) -> QString& {
        return problems[size_t(std::lower_bound(files.begin(), files.end(), path) - files.begin())];
    };
    for (const InstalledFace& f : faces)
        if (!(validText(f.family) && validText(f.style)))
            if (QString& problem = problemOf(f.path); problem.isEmpty())
                problem = QStringLiteral("Its name is not valid text.");
    for (const QByteArray& f : unlisted)
        if (QString& problem = problemOf(f); problem.isEmpty())
            problem = QStringLiteral("The font configuration cannot read it, so no program can "
                                     "use it.");
    for (size_t i = 0; i < files.size(); ++i)
        if (!problems[i].isEmpty()) out.damaged.push_back({files[i], problems[i]});

    // Copies: a style of a family in more than one file. Named instances of a variable font are
    // its own styles, not copies; a link to a file is that file.
    std::vector<const InstalledFace*> styled;
    styled.reserve(faces.size());
    for (const InstalledFace& f : faces)
        if ((f.index >> 16) == 0 && !f.family.isEmpty()) styled.push_back(&f);
    // Exactly as spelled: "Case Test" and "CASE TEST" are two typefaces to the catalogue.
    const auto styleOf = [](const InstalledFace* f) { return std::tie(f->family, f->style); };
    std::stable_sort(
        styled.begin(), styled.end(),
        [&](const InstalledFace* a, const InstalledFace* b) { return styleOf(a) < styleOf(b); });
    for (auto run = styled.begin(); run != styled.end();) {
        const auto end = std::find_if(
            run, styled.end(), [&](const InstalledFace* f) { return styleOf(f) != styleOf(*run); });
        // Taken where it lies: most runs hold one face and need nothing more.
        const std::span<const InstalledFace* const> members(run, end);
        run = end;
        if (members.size() < 2) continue; // the usual case, and it costs no look at the disk
        DuplicateGroup group;
        QSet<QString> canonical;
        std::vector<QString> realPaths;
        for (const InstalledFace* f : members) {
            const QFileInfo info(QFile::decodeName(f->path));
            QString real = info.canonicalFilePath();
            if (real.isEmpty()) real = info.filePath();
            if (canonical.contains(real)) continue;
            canonical.insert(real);
            realPaths.push_back(real);
            FontCopy c;
            c.path = f->path;
            c.format = f->format;
            c.version = f->version;
            c.size = info.size();
            c.modified = info.lastModified();
            group.copies.push_back(std::move(c));
        }
        if (group.copies.size() < 2) continue;
        group.family = members.front()->family;
        group.style = members.front()->style;
        const QString used = QFile::decodeName(inspector.inUse(group.family, group.style));
        for (size_t i = 0; i < group.copies.size(); ++i)
            group.copies[i].inUse = realPaths[i] == used;
        std::stable_sort(group.copies.begin(), group.copies.end(),
                         [](const FontCopy& a, const FontCopy& b) {
                             return a.inUse != b.inUse ? a.inUse : a.path < b.path;
                         });
        // Contents are compared only when the sizes agree: a digest reads the whole file.
        group.identical =
            std::all_of(group.copies.begin(), group.copies.end(),
                        [&](const FontCopy& c) { return c.size == group.copies.front().size; });
        if (group.identical) {
            const QByteArray first = inspector.digest(group.copies.front().path);
            group.identical = !first.isEmpty();
            for (size_t i = 1; group.identical && i < group.copies.size(); ++i)
                group.identical = inspector.digest(group.copies[i].path) == first;
        }
        out.duplicates.push_back(std::move(group));
    }
    return out;
}

} // namespace lb
