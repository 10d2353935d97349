#include "catalogue/font_check.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <condition_variable>
#include <future>
#include <map>
#include <mutex>
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

// Judges files on as many threads as there are cores, each file read whole. The background
// threads start on the files as the survey finds them: the survey reads the folders on one core,
// and the others need not wait for it.
class Judging {
public:
    explicit Judging(FontInspector& inspector) : inspector_(inspector) {
        const unsigned threads = std::max(1u, std::min(std::thread::hardware_concurrency(), 8u));
        for (unsigned t = 1; t < threads; ++t)
            workers_.push_back(std::async(std::launch::async, [this] { work({}); }));
    }
    ~Judging() {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            stop_ = true;
        }
        more_.notify_all();
        for (auto& w : workers_)
            w.wait();
    }
    Judging(const Judging&) = delete;
    Judging& operator=(const Judging&) = delete;

    void add(const QByteArray& path) {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            queue_.push_back(path);
        }
        more_.notify_one();
    }
    // No more files come: this thread judges with the others until none is left, reporting
    // progress between its own files so that a cancel is heard within one file. False when
    // cancelled.
    bool finish(const CheckProgress& progress) {
        {
            const std::lock_guard<std::mutex> hold(lock_);
            closed_ = true;
        }
        more_.notify_all();
        work(progress);
        for (auto& w : workers_)
            w.get();
        workers_.clear();
        return !stop_;
    }
    // The files found damaged, each with its problem.
    const QHash<QByteArray, QString>& problems() const { return problems_; }

private:
    void work(const CheckProgress& progress) {
        for (;;) {
            QByteArray path;
            {
                std::unique_lock<std::mutex> hold(lock_);
                more_.wait(hold, [&] { return stop_ || closed_ || next_ < queue_.size(); });
                if (stop_ || next_ >= queue_.size()) return;
                path = queue_[next_++];
            }
            const QString problem = inspector_.damage(path);
            int done = 0, total = 0;
            {
                const std::lock_guard<std::mutex> hold(lock_);
                if (!problem.isEmpty()) problems_.insert(path, problem);
                done = int(++done_);
                total = int(queue_.size());
            }
            if (progress && !progress(done, total)) {
                {
                    const std::lock_guard<std::mutex> hold(lock_);
                    stop_ = true;
                }
                more_.notify_all();
                return;
            }
        }
    }

    FontInspector& inspector_;
    std::mutex lock_;
    std::condition_variable more_;
    std::vector<QByteArray> queue_;
    size_t next_ = 0, done_ = 0;
    bool closed_ = false, stop_ = false;
    QHash<QByteArray, QString> problems_;
    std::vector<std::future<void>> workers_;
};

} // namespace

QString displayPath(const QByteArray& path) {
    return QFile::decodeName(path);
}

FontCheck checkFonts(FontInspector& inspector, const CheckProgress& progress) {
    FontCheck out;
    std::vector<InstalledFace> faces;
    std::vector<QByteArray> unlisted;
    // Every file once, those fontconfig could not read included.
    std::vector<QByteArray> files;
    QSet<QByteArray> seen;
    Judging judging(inspector);
    inspector.surveyEach(faces, unlisted, [&](const QByteArray& path) {
        if (seen.contains(path)) return;
        seen.insert(path);
        files.push_back(path);
        judging.add(path);
    });
    out.cancelled = !judging.finish(progress);
    if (out.cancelled) return out;
    inspector.remember();
    std::sort(files.begin(), files.end());
    QHash<QByteArray, QString> problemOf = judging.problems();
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
