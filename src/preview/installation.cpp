#include "preview/installation.h"

#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "core/schema.h"
#include "sets/auto_assign.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace lb {

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray path8(const QString& path) {
    return QFile::encodeName(path);
}

// The files one installation put in place, so that they can be taken back: a new file is
// deleted, a replaced one gets its old content back.
class Journal {
public:
    struct Placed {
        QString target;
        QString backup; // a second name of the file it replaced; empty when it was new
    };
    void add(Placed p) { placed_.push_back(std::move(p)); }

    // Takes back the files of these names (all when empty); returns their names.
    QStringList undo(const QSet<QString>& names = {}) {
        QStringList taken;
        for (auto it = placed_.rbegin(); it != placed_.rend(); ++it) {
            const QString name = QFileInfo(it->target).fileName();
            if (!names.isEmpty() && !names.contains(name)) continue;
            if (it->backup.isEmpty())
                QFile::remove(it->target);
            else
                ::rename(path8(it->backup).constData(), path8(it->target).constData());
            it->target.clear();
            taken << name;
        }
        std::erase_if(placed_, [](const Placed& p) { return p.target.isEmpty(); });
        return taken;
    }
    // The installation stands: the replaced files' old content goes.
    void commit() {
        for (const Placed& p : placed_)
            if (!p.backup.isEmpty()) QFile::remove(p.backup);
        placed_.clear();
    }

private:
    std::vector<Placed> placed_;
};

enum class Placement { Copied, AlreadyThere, Kept, Failed };
struct PlaceResult {
    Placement how;
    QString why;
};

QString freeName(const QString& folder, const QString& prefix) {
    for (;;) {
        const QString name =
            folder + prefix + QString::number(QRandomGenerator::global()->generate64(), 36);
        if (!QFileInfo(name).exists() && !QFileInfo(name).isSymLink()) return name;
    }
}

bool askReplace(MainContext& ctx, const QString& name, const QString& sourceFolder) {
    Messenger& m = ctx.app.messages;
    m.title = QStringLiteral("Font Installation");
    m.text =
        QStringLiteral("A different font file named \"") + name +
        QStringLiteral("\" is already in your fonts folder.  Replace it with the one from \"") +
        sourceFolder + QStringLiteral("\"?");
    m.Msg_YesNo();
    return m.answeredYes();
}

// Puts `source` into `folder` under `name`: written to a hidden temporary name first, renamed
// into place, then read back.
PlaceResult placeFile(MainContext& ctx, const QString& sourceFolder, const QString& folder,
                      const QString& name, Journal& journal) {
    const QString source = sourceFolder + name;
    const QString target = folder + name;
    const QFileInfo src(source), dst(target);
    // The same file (the fonts folder itself is previewed, or a link leads there): nothing to
    // delete or copy.
    const QString real = src.canonicalFilePath();
    if (!real.isEmpty() && real == dst.canonicalFilePath()) return {Placement::AlreadyThere, {}};

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return {Placement::Failed, in.errorString()};
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError || bytes.size() != in.size())
        return {Placement::Failed, QStringLiteral("it could not be read to the end")};
    in.close();

    bool replace = false;
    if (dst.exists() || dst.isSymLink()) {
        if (dst.isDir())
            return {Placement::Failed, QStringLiteral("a folder of that name is in your fonts "
                                                      "folder")};
        if (dst.exists()) {
            QFile current(target);
            if (current.open(QIODevice::ReadOnly) && current.readAll() == bytes)
                return {Placement::AlreadyThere, {}};
            if (!askReplace(ctx, name, sourceFolder))
                return {Placement::Kept, QStringLiteral("a different file of that name is in "
                                                        "your fonts folder, and it was kept")};
        }
        // A link that leads nowhere is replaced without asking.
        replace = true;
    }

    QTemporaryFile temp(folder + InstallTempPrefix + QStringLiteral("XXXXXX"));
    if (!temp.open()) return {Placement::Failed, temp.errorString()};
    if (temp.write(bytes) != bytes.size() || !temp.flush())
        return {Placement::Failed, temp.errorString()};
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                        QFileDevice::ReadOther);

    QString backup;
    bool movedAway = false;
    if (replace) {
        // A second name for what is there, so that it can come back; a link is kept as a link.
        backup = freeName(folder, InstallBackupPrefix);
        if (::link(path8(target).constData(), path8(backup).constData()) != 0) {
            if (::rename(path8(target).constData(), path8(backup).constData()) != 0)
                return {Placement::Failed, systemError()};
            movedAway = true;
        }
    }
    // Renaming replaces the name, never what a link pointed to.
    if (::rename(path8(temp.fileName()).constData(), path8(target).constData()) != 0) {
        const QString why = systemError();
        if (movedAway)
            ::rename(path8(backup).constData(), path8(target).constData());
        else if (!backup.isEmpty())
            QFile::remove(backup);
        return {Placement::Failed, why};
    }
    temp.setAutoRemove(false);
    journal.add({target, backup});

    QFile check(target);
    if (!check.open(QIODevice::ReadOnly) || check.readAll() != bytes) {
        journal.undo({name});
        return {Placement::Failed, QStringLiteral("the copy in your fonts folder differs from the "
                                                  "original")};
    }
    return {Placement::Copied, {}};
}

// What an interrupted installation left behind.
void removeLeftovers(const QString& folder) {
    const QDir dir(folder);
    const QStringList names = dir.entryList(
        {InstallTempPrefix + QLatin1Char('*'), InstallBackupPrefix + QLatin1Char('*')},
        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& n : names)
        QFile::remove(dir.filePath(n));
}

QString closingText(const InstallOutcome& out, int fontCount, const QString& problem,
                    const QString& lb) {
    QString text =
        out.installed == 0           ? QStringLiteral("No fonts were installed.")
        : out.installed == fontCount ? QStringLiteral("All fonts installed successfully.")
        : out.installed == 1
            ? QStringLiteral("1 font installed successfully.")
            : QString::number(out.installed) + QStringLiteral(" fonts installed successfully.");
    if (!problem.isEmpty()) text += lb + lb + problem;
    if (!out.failures.empty()) {
        text += lb + lb +
                (out.failures.size() == 1 ? QStringLiteral("1 file was not installed:")
                                          : QString::number(out.failures.size()) +
                                                QStringLiteral(" files were not installed:"));
        int shown = 0;
        for (const auto& [file, why] : out.failures) {
            if (++shown > 20) {
                text += lb + QStringLiteral("and %1 more").arg(out.failures.size() - 20);
                break;
            }
            text += lb + file + QStringLiteral(": ") + why;
        }
    }
    return text;
}

struct RowWork {
    int row = 0;
    QStringList inPlace; // file names in the fonts folder with the right content
    int installable = 0;
};

} // namespace

QString notInstallableReason(const PreviewEntry& e) {
    return e.readable ? QStringLiteral("it is not a TrueType font")
                      : QStringLiteral("it cannot be read as a font");
}

InstallOutcome Install_Fonts(MainContext& ctx, FontPreview& preview, PreviewView& view) {
    AppState& app = ctx.app;
    Messenger& m = app.messages;
    FontRegistry& registry = ctx.fonts.registry;
    FontResources& resources = ctx.fonts.resources;
    InstallOutcome out;
    m.title = QStringLiteral("Font Installation");
    app.assignedStale = false;
    view.setStatus(QStringLiteral("Installing fonts..."));
    view.yield();

    std::vector<RowWork> work;
    int files = 0;
    for (int i = 0; i < preview.size(); ++i)
        if (preview.row(i).selected) {
            work.push_back(RowWork{i, {}, 0});
            files += int(preview.row(i).files.size());
        }
    const QString folder = registry.fontsFolder();
    QString problem;
    QStringList newFaces;
    bool faceReplaced = false;
    QSet<QString> touched;
    {
        PreviewBusy busy(view, files + 1);
        if (!work.empty()) {
            problem = registry.installProblem();
            if (problem.isEmpty() && !QDir().mkpath(folder))
                problem = QStringLiteral("Your fonts folder %1 cannot be created.").arg(folder);
            if (!problem.isEmpty()) work.clear();
        }
        if (!work.empty()) removeLeftovers(folder);

        // The files first: the catalogue names only what is in place.
        Journal journal;
        QStringList placed;
        for (RowWork& w : work) {
            for (const PreviewEntry& e : preview.row(w.row).files) {
                busy.step();
                if (!e.installable) {
                    out.failures.push_back({e.fileName, notInstallableReason(e)});
                    continue;
                }
                ++w.installable;
                const PlaceResult p = placeFile(ctx, preview.folder(), folder, e.fileName, journal);
                if (p.how == Placement::Failed || p.how == Placement::Kept) {
                    out.failures.push_back({e.fileName, p.why});
                    continue;
                }
                w.inPlace << e.fileName;
                placed << e.fileName;
            }
        }

        // Installed means that fontconfig lists it, for the next refresh and every program.
        if (!placed.isEmpty()) {
            const QStringList missing = registry.registerFiles(placed);
            if (!missing.isEmpty()) {
                const QSet<QString> gone(missing.begin(), missing.end());
                for (RowWork& w : work)
                    for (const QString& f : std::as_const(w.inPlace))
                        if (gone.contains(f))
                            out.failures.push_back(
                                {f, QStringLiteral("fontconfig does not list it as a font")});
                for (RowWork& w : work)
                    w.inPlace.removeIf([&](const QString& f) { return gone.contains(f); });
                const QStringList taken = journal.undo(gone);
                if (!taken.isEmpty()) registry.registerFiles(taken);
            }
        }

        try {
            FontTransaction t(ctx);
            app.datAssigned->refresh();
            app.datSets->refresh();
            app.datAuto->refresh();
            Database& db = *app.db;
            Statement exact = db.prepare(
                QStringLiteral("SELECT 1 FROM [Fonts] WHERE [Face Name] = ?1 AND [Face Name] = "
                               "?1 COLLATE BINARY LIMIT 1"));
            Statement byFile = db.prepare(QStringLiteral(
                "SELECT [Face Name], [Friendly Name] FROM [Fonts] WHERE [File Name] = ?"));
            Statement insert =
                db.prepare(QStringLiteral("INSERT INTO [Fonts] ([Face Name], [Friendly Name], "
                                          "[File Name]) VALUES (?, ?, ?)"));
            Statement update = db.prepare(QStringLiteral(
                "UPDATE [Fonts] SET [Face Name] = ?, [Friendly Name] = ? WHERE [File Name] = ?"));
            Statement filesOf = db.prepare(
                QStringLiteral("SELECT [File Name] FROM [Fonts] WHERE [Face Name] = ?1 AND "
                               "[Face Name] = ?1 COLLATE BINARY"));
            for (const RowWork& w : work) {
                if (w.inPlace.isEmpty()) continue;
                const PreviewRow& row = preview.row(w.row);
                exact.reset();
                exact.bind(1, row.face);
                const bool known = exact.step();
                for (const PreviewEntry& e : row.files) {
                    if (!w.inPlace.contains(e.fileName)) continue;
                    byFile.reset();
                    byFile.bind(1, e.fileName);
                    if (byFile.step()) {
                        // Installed again, perhaps with other content: the row names what is
                        // in the file now.
                        if (byFile.text(0) != row.face) faceReplaced = true;
                        if (byFile.text(0) != row.face || byFile.text(1) != e.valueName) {
                            update.reset();
                            update.bind(1, row.face).bind(2, e.valueName).bind(3, e.fileName);
                            update.step();
                        }
                    } else {
                        insert.reset();
                        insert.bind(1, row.face).bind(2, e.valueName).bind(3, e.fileName);
                        insert.step();
                    }
                }
                // Installed fonts are available to every program, also while a set is active:
                // the whole typeface, whatever a set hid of it before.
                filesOf.reset();
                filesOf.bind(1, row.face);
                while (filesOf.step())
                    app.lastResult = resources.load(filesOf.text(0));
                touched.insert(row.face);
                if (!known) {
                    newFaces << row.face;
                    if (app.addAutoAssign) {
                        app.currentFontName = row.face;
                        Auto_Assign(app);
                    }
                }
                if (w.inPlace.size() == w.installable) ++out.installed;
            }
            db.noteChange();
            t.commit();
        } catch (...) {
            // Nothing of it stays: the files go back as they were, and the caches with them.
            const QStringList taken = journal.undo();
            if (!taken.isEmpty()) registry.registerFiles(taken);
            throw;
        }
        journal.commit();
        app.db->noteChange();
        app.datFonts->refresh();
        app.datAssigned->refresh();
        busy.step();
    }

    // The main window follows.
    out.added = int(newFaces.size());
    if (faceReplaced) {
        // A file installed again under another typeface: a face may have lost its last file.
        Fill_AllFonts(ctx);
    } else if (!touched.isEmpty()) {
        const QSet<QString> assigned =
            ctx.unassignedOnly ? fontNamesIn(app, tbl::AssignedFonts) : QSet<QString>();
        Statement filesOf = app.db->prepare(
            QStringLiteral("SELECT [File Name] FROM [Fonts] WHERE [Face Name] = ?1 AND "
                           "[Face Name] = ?1 COLLATE BINARY"));
        for (const QString& face : std::as_const(touched)) {
            QStringList faceFiles;
            filesOf.reset();
            filesOf.bind(1, face);
            while (filesOf.step())
                faceFiles << filesOf.text(0);
            const int state = faceState(ctx, face, faceFiles);
            const int row = ctx.allFonts.find(face);
            if (row >= 0) {
                if (ctx.allFonts.row(row).state != state) ctx.allFonts.setState(row, state);
            } else if (newFaces.contains(face) &&
                       (!ctx.unassignedOnly || !assigned.contains(face.toCaseFolded()))) {
                insertFace(ctx.allFonts, face, state);
            }
        }
        ctx.fontCount += out.added;
    }
    ctx.view.setFontCount(fontCountText(ctx.fontCount));
    preview.markInstalled();
    preview.cmdDeselect_Click();
    if (app.assignedStale) Fill_AssignedFonts(ctx);
    ctx.view.handleButtons();

    out.message = closingText(out, preview.size(), problem, app.lineBreak);
    preview.setInstalledOnce();
    m.title = QStringLiteral("Font Installation");
    m.text = out.message;
    if (out.failures.empty() && problem.isEmpty())
        m.Msg_Info();
    else
        m.Msg_Critical();
    view.setStatus(InstallPrompt);
    return out;
}

} // namespace lb
