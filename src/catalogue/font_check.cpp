#include "catalogue/font_check.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <future>
#include <map>
#include <thread>

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
    // This thread reports progress between its own files, so a cancel is heard within one file.
    for (size_t i = next++; i < files.size() && !stop; i = next++) {
        problems[i] = inspector.damage(files[i]);
        ++done;
        if (progress && !progress(int(done), int(files.size()))) stop = true;
    }
    for (auto& w : workers)
        w.get();
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
    QSet<QByteArray> seen;
    for (const InstalledFace& f : faces)
        if (!seen.contains(f.path)) {
            seen.insert(f.path);
            files.push_back(f.path);
        }
    for (const QByteArray& f : unlisted)
        if (!seen.contains(f)) {
            seen.insert(f);
            files.push_back(f);
        }
    std::sort(files.begin(), files.end());

    const std::vector<QString> problems = damageOf(inspector, files, progress, out.cancelled);
    if (out.cancelled) return out;
    inspector.remember();
    QHash<QByteArray, QString> problemOf;
    for (size_t i = 0; i < files.size(); ++i)
        if (!problems[i].isEmpty()) problemOf.insert(files[i], problems[i]);
    QSet<QByteArray> unreadable(unlisted.begin(), unlisted.end());
    for (const InstalledFace& f : faces)
        if (!problemOf.contains(f.path) && !(validText(f.family) && validText(f.style)))
            problemOf.insert(f.path, QStringLiteral("Its name is not valid text."));
    for (const QByteArray& f : files) {
        QString problem = problemOf.value(f);
        if (problem.isEmpty() && unreadable.contains(f))
            problem = QStringLiteral("The font configuration cannot read it, so no program "
                                     "can use it.");
        if (!problem.isEmpty()) out.damaged.push_back({f, problem});
    }

    // Copies: a style of a family in more than one file. Named instances of a variable font are
    // its own styles, not copies; a link to a file is that file.
    std::map<std::pair<QString, QString>, std::vector<const InstalledFace*>> byStyle;
    for (const InstalledFace& f : faces)
        if ((f.index >> 16) == 0 && !f.family.isEmpty())
            // Exactly as spelled: "Case Test" and "CASE TEST" are two typefaces to the catalogue.
            byStyle[{f.family, f.style}].push_back(&f);
    for (const auto& [key, members] : byStyle) {
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
