#include "preview/installation.h"

#include "activation/activation.h"
#include "activation/interrupted_work.h"
#include "catalogue/font_lists.h"
#include "core/fault.h"
#include "core/schema.h"
#include "platform/checked_file.h"
#include "platform/file_journal.h"
#include "platform/fontconfig_fonts.h"
#include "sets/auto_assign.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Installation)
};
} // namespace

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

QByteArray path8(const QString& path) {
    return QFile::encodeName(path);
}

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
    return m.askYes(
        MessageKind::YesNo, T::tr("Font Installation"),
        T::tr("A different font file named \"%1\" is already in your fonts folder.  Replace it "
              "with the one from \"%2\"?")
            .arg(name, sourceFolder));
}

QString contentHash(const QByteArray& bytes) {
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

QString hashOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash h(QCryptographicHash::Sha256);
    h.addData(&f);
    return QString::fromLatin1(h.result().toHex());
}

bool exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Puts `source` into `folder` under `name`: written to a hidden temporary name first and synced,
// read back, then renamed into place. Every step is in the journal before it is taken, so that a
// kill at any instant leaves the user's fonts recoverable; the file it replaces keeps a second
// name until the installation stands. A different file of the same name is replaced when the user
// says so, or without asking when `ask` is false.
PlaceResult placeFile(MainContext& ctx, const QString& sourceFolder, const QString& folder,
                      const QString& name, FileJournal& journal, bool ask = true) {
    const QString source = sourceFolder + name;
    const QString target = folder + name;
    const QFileInfo src(source), dst(target);
    // The same file (the fonts folder itself is previewed, or a link leads there): nothing to
    // delete or copy.
    const QString real = src.canonicalFilePath();
    if (!real.isEmpty() && real == dst.canonicalFilePath()) return {Placement::AlreadyThere, {}};
    // A pipe or a device would block the read for good.
    if (!src.isFile()) return {Placement::Failed, T::tr("it is not a regular file")};

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) return {Placement::Failed, in.errorString()};
    const QByteArray bytes = in.readAll();
    if (in.error() != QFileDevice::NoError || bytes.size() != in.size())
        return {Placement::Failed, T::tr("it could not be read to the end")};
    in.close();

    bool replace = false;
    if (dst.exists() || dst.isSymLink()) {
        if (dst.isDir())
            return {Placement::Failed, T::tr("a folder of that name is in your fonts "
                                             "folder")};
        if (dst.exists()) {
            if (!dst.isFile())
                return {Placement::Failed, T::tr("something that is not a font file has "
                                                 "that name in your fonts folder")};
            QFile current(target);
            if (current.open(QIODevice::ReadOnly) && current.readAll() == bytes)
                return {Placement::AlreadyThere, {}};
            if (ask && !askReplace(ctx, name, sourceFolder))
                return {Placement::Kept, T::tr("a different file of that name is in "
                                               "your fonts folder, and it was kept")};
        }
        // A link that leads nowhere is replaced without asking.
        replace = true;
    }

    const QString temp = freeName(folder, InstallTempPrefix);
    // Not synced: the "place" record below syncs it, and a temporary file a power cut leaves
    // unnamed is swept by the next installation.
    if (!journal.note(QStringLiteral("temp"), {temp})) return {Placement::Failed, journal.error()};
    QString backup;
    bool movedAway = false;
    CheckedWrite write{
        target, bytes, temp, 0666, [&](const QString&) -> QString {
            if (replace) {
                // A second name for what is there, so that it can come back; a
                // link is kept as a link.
                backup = freeName(folder, InstallBackupPrefix);
                if (!journal.record(QStringLiteral("backup"), {target, backup}))
                    return journal.error();
                if (::link(path8(target).constData(), path8(backup).constData()) != 0) {
                    if (::rename(path8(target).constData(), path8(backup).constData()) != 0)
                        return systemError();
                    movedAway = true;
                }
                faultPoint("install.backup");
            }
            if (!journal.record(QStringLiteral("place"), {target, temp, contentHash(bytes)}))
                return journal.error();
            return {};
        }};
    write.syncFolder = false; // once for every file, before the catalogue names them
    // Renaming replaces the name, never what a link pointed to.
    if (const QString why = writeFileChecked(write); !why.isEmpty()) {
        if (movedAway)
            ::rename(path8(backup).constData(), path8(target).constData());
        else if (!backup.isEmpty())
            QFile::remove(backup);
        return {Placement::Failed, why};
    }
    faultPoint("install.placed-one");
    return {Placement::Copied, {}};
}

// Moves a file of the fonts folder out of the way under a journaled second name: it comes back
// when the installation is undone and goes when it stands.
QString setAsideReplaced(const QString& folder, const QString& target, FileJournal& journal) {
    const QString backup = freeName(folder, InstallBackupPrefix);
    if (!journal.record(QStringLiteral("backup"), {target, backup})) return journal.error();
    if (::rename(path8(target).constData(), path8(backup).constData()) != 0) return systemError();
    return {};
}

// Places a font file and, for a Type 1 font, the metrics files beside it, which follow the font's
// placement without a question of their own. Metrics the font replaced in the fonts folder had
// and the new one lacks are set aside. Should any of them fail, none of them stays: a font is
// never in place without its metrics, nor metrics without their font.
PlaceResult placeFont(MainContext& ctx, const QString& sourceFolder, const QString& folder,
                      const QString& name, FileJournal& journal, QStringList& undoProblems) {
    const bool hadOne = exists(folder + name);
    PlaceResult font = placeFile(ctx, sourceFolder, folder, name, journal);
    if (font.how == Placement::Failed || font.how == Placement::Kept) return font;
    QSet<QString> names{name};
    QString why;
    for (const QString& path : type1Companions(sourceFolder + name)) {
        const QString companion = QFileInfo(path).fileName();
        names.insert(companion);
        const PlaceResult p = placeFile(ctx, sourceFolder, folder, companion, journal, false);
        if (p.how == Placement::Failed) {
            why = companion + QStringLiteral(": ") + p.why;
            break;
        }
    }
    if (why.isEmpty() && hadOne && font.how == Placement::Copied) {
        // The font replaced keeps no metrics of its own beside the new one.
        for (const QString& old : type1Companions(folder + name)) {
            const QString companion = QFileInfo(old).fileName();
            if (names.contains(companion)) continue;
            names.insert(companion);
            why = setAsideReplaced(folder, old, journal);
            if (!why.isEmpty()) {
                why = companion + QStringLiteral(": ") + why;
                break;
            }
        }
    }
    if (why.isEmpty()) return font;
    undoPlacements(journal, names, undoProblems);
    return {Placement::Failed, why};
}

// Temporary files that no installation's journal names: left by a version that kept no journal,
// or by a power cut before their unsynced record reached the disk.
// A running installation names its files before making them, so listing them first and the
// journals second never takes one of its files.
void removeLeftovers(const QString& folder) {
    const QDir dir(folder);
    const QStringList names = dir.entryList({InstallTempPrefix + QLatin1Char('*')},
                                            QDir::Files | QDir::Hidden | QDir::System);
    if (names.isEmpty()) return;
    const QSet<QString> named = FileJournal::namedPaths(journalFolder());
    for (const QString& n : names)
        if (!named.contains(dir.filePath(n))) QFile::remove(dir.filePath(n));
}

QString closingText(const InstallOutcome& out, int fontCount, const QString& problem,
                    const QString& lb) {
    QString text = out.installed() == 0           ? T::tr("No fonts were installed.")
                   : out.installed() == fontCount ? T::tr("All fonts installed successfully.")
                   : out.installed() == 1
                       ? T::tr("1 font installed successfully.")
                       : T::tr("%1 fonts installed successfully.").arg(out.installed());
    if (!problem.isEmpty()) text += lb + lb + problem;
    if (!out.failures.empty()) {
        text += lb + lb +
                (out.failures.size() == 1
                     ? T::tr("1 file was not installed:")
                     : T::tr("%1 files were not installed:").arg(out.failures.size()));

        int shown = 0;
        for (const auto& [file, why] : out.failures) {
            if (++shown > 20) {
                text += lb + T::tr("and %1 more").arg(out.failures.size() - 20);
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

QStringList undoPlacements(const FileJournal& journal, const QSet<QString>& names,
                           QStringList& problems) {
    auto wanted = [&](const QString& target) {
        return names.isEmpty() || names.contains(QFileInfo(target).fileName());
    };
    auto fail = [&](const QString& what) {
        problems << what + QStringLiteral(": ") + systemError();
    };
    QHash<QString, QString> backups; // target -> its backup
    for (const QStringList& f : journal.fieldsOf(QStringLiteral("backup")))
        if (f.size() == 2) backups.insert(f[0], f[1]);
    QStringList taken;
    QSet<QString> placedTargets;
    const std::vector<QStringList> places = journal.fieldsOf(QStringLiteral("place"));
    for (auto it = places.rbegin(); it != places.rend(); ++it) {
        if (it->size() != 3 || !wanted((*it)[0])) continue;
        const QString& target = (*it)[0];
        const QString& temp = (*it)[1];
        placedTargets.insert(target);
        if (exists(temp)) {
            // Never renamed into place: what the target holds is not ours.
            if (!QFile::remove(temp)) fail(temp);
        } else if (!backups.contains(target) && hashOf(target) == (*it)[2]) {
            // A new file: it goes, but only when it is still the one this installation wrote.
            if (!QFile::remove(target)) fail(target);
        }
        taken << QFileInfo(target).fileName();
    }
    // The files replaced get their old content back under their own name.
    for (auto it = backups.cbegin(); it != backups.cend(); ++it) {
        const QString& target = it.key();
        const QString& backup = it.value();
        if (!wanted(target) || !exists(backup)) continue;
        const bool renamedIn = placedTargets.contains(target);
        if (exists(target) && !renamedIn) {
            // The backup was a second name of the file that never left.
            if (!QFile::remove(backup)) fail(backup);
        } else if (::rename(path8(backup).constData(), path8(target).constData()) != 0) {
            fail(target);
            continue;
        } else if (exists(backup) && !QFile::remove(backup)) {
            // Renaming one name of a file over another of the same file changes nothing.
            fail(backup);
        }
        if (!renamedIn) taken << QFileInfo(target).fileName();
    }
    for (const QStringList& f : journal.fieldsOf(QStringLiteral("temp")))
        if (!f.isEmpty() && exists(f[0]) && !QFile::remove(f[0])) fail(f[0]);
    return taken;
}

QStringList finishPlacements(const FileJournal& journal) {
    QStringList problems;
    for (const QStringList& f : journal.fieldsOf(QStringLiteral("backup")))
        if (f.size() == 2 && exists(f[1]) && !QFile::remove(f[1]))
            problems << f[1] + QStringLiteral(": ") + systemError();
    for (const QStringList& f : journal.fieldsOf(QStringLiteral("temp")))
        if (!f.isEmpty() && exists(f[0]) && !QFile::remove(f[0]))
            problems << f[0] + QStringLiteral(": ") + systemError();
    return problems;
}

QString notInstallableReason(const PreviewEntry& e) {
    if (!e.textName) return T::tr("its name is not valid text; rename it to install it");
    return e.readable ? T::tr("it is not a font that scales")
                      : T::tr("it cannot be read as a font");
}

namespace {

// One installation, step by step: files placed, checked with fontconfig, catalogued in one
// transaction (the files taken back when that fails), then the main window updated.
class Installation {
public:
    Installation(MainContext& ctx, FontPreview& preview, PreviewView& view)
        : ctx_(ctx), app_(ctx.app), preview_(preview), view_(view), registry_(ctx.fonts.registry),
          folder_(registry_.fontsFolder()) {}

    InstallOutcome run() {
        app_.assignedStale = false;
        view_.setStatus(T::tr("Installing fonts..."));
        view_.yield();
        const int files = chooseRows();
        {
            PreviewBusy busy(view_, files + 1);
            begin();
            const QStringList placed = placeFiles(busy);
            // The renames last before the catalogue names the files: once for them all.
            if (!placed.isEmpty()) syncFolder(folder_);
            keepListedOnly(placed);
            catalogue();
            settle();
            busy.step();
        }
        updateMainWindow();
        out_.message = closingText(out_, preview_.size(), problem_, app_.lineBreak);
        preview_.setInstalledOnce();
        app_.messages.ask(out_.failures.empty() && problem_.isEmpty() ? MessageKind::Info
                                                                      : MessageKind::Critical,
                          T::tr("Font Installation"), out_.message);
        view_.setStatus(installPrompt());
        return out_;
    }

private:
    // The selected rows; returns how many files they have.
    int chooseRows() {
        int files = 0;
        for (int i = 0; i < preview_.size(); ++i)
            if (preview_.row(i).selected) {
                work_.push_back(RowWork{i, {}, 0});
                files += int(preview_.row(i).files.size());
            }
        return files;
    }

    // The fonts folder is usable and the journal written before the first file changes: the
    // next start of any program finishes or undoes what a kill cuts off. Otherwise nothing is
    // done and problem_ says why.
    void begin() {
        if (work_.empty()) return;
        problem_ = registry_.installProblem();
        if (problem_.isEmpty() && !QDir().mkpath(folder_))
            problem_ = T::tr("Your fonts folder %1 cannot be created.").arg(folder_);
        if (!problem_.isEmpty()) {
            work_.clear();
            return;
        }
        QString why;
        journal_ = FileJournal::begin(journalFolder(), QStringLiteral("install"), why);
        if (!journal_) {
            problem_ = T::tr("No record of the installation could be kept, so nothing "
                             "was installed: ") +
                       why;
            work_.clear();
            return;
        }
        removeLeftovers(folder_);
    }

    QStringList undo(const QSet<QString>& names) {
        return undoPlacements(*journal_, names, undoProblems_);
    }

    // The files first: the catalogue names only what is in place. A collection is placed once,
    // however many of its faces are chosen.
    QStringList placeFiles(PreviewBusy& busy) {
        QStringList placed;
        QHash<QString, bool> tried; // file name -> in place
        for (RowWork& w : work_) {
            for (const PreviewEntry& e : preview_.row(w.row).files) {
                busy.step();
                if (!e.installable) {
                    out_.failures.push_back({e.fileName, notInstallableReason(e)});
                    continue;
                }
                ++w.installable;
                if (const auto done = tried.constFind(e.fileName); done != tried.constEnd()) {
                    if (*done) w.inPlace << e.fileName;
                    continue;
                }
                const PlaceResult p = placeFont(ctx_, preview_.folder(), folder_, e.fileName,
                                                *journal_, undoProblems_);
                const bool inPlace = p.how != Placement::Failed && p.how != Placement::Kept;
                tried.insert(e.fileName, inPlace);
                if (!inPlace) {
                    out_.failures.push_back({e.fileName, p.why});
                    continue;
                }
                w.inPlace << e.fileName;
                placed << e.fileName;
            }
        }
        return placed;
    }

    // Installed means that fontconfig lists it, for the next refresh and every program.
    void keepListedOnly(const QStringList& placed) {
        if (placed.isEmpty()) return;
        const QStringList missing = registry_.registerFiles(placed);
        if (missing.isEmpty()) return;
        const QSet<QString> gone(missing.begin(), missing.end());
        for (RowWork& w : work_)
            for (const QString& f : std::as_const(w.inPlace))
                if (gone.contains(f))
                    out_.failures.push_back({f, T::tr("fontconfig does not list it as a font")});
        for (RowWork& w : work_)
            w.inPlace.removeIf([&](const QString& f) { return gone.contains(f); });
        const QStringList taken = undo(gone);
        if (!taken.isEmpty()) registry_.registerFiles(taken);
    }

    void catalogue() {
        try {
            FontTransaction t(ctx_);
            catalogueRows();
            faultPoint("install.placed");
            if (journal_) markJournalCommitted(*app_.db, journal_->id());
            t.commit();
        } catch (...) {
            // Nothing of it stays: the files go back as they were, and the caches with them.
            if (journal_) {
                const QStringList taken = undo({});
                if (!taken.isEmpty()) registry_.registerFiles(taken);
                if (undoProblems_.isEmpty()) journal_->close();
                // What could not be taken back now is tried again at the next start.
                for (const QString& p : std::as_const(undoProblems_))
                    qWarning("Letterbay: %s", qUtf8Printable(p));
            }
            throw;
        }
    }

    // The rows of the fonts in place, inside the caller's transaction.
    void catalogueRows() {
        FontResources& resources = ctx_.fonts.resources;
        app_.datAssigned->refresh();
        app_.datSets->refresh();
        app_.datAuto->refresh();
        Database& db = *app_.db;
        Statement exact = db.prepare(
            QStringLiteral("SELECT 1 FROM [Fonts] WHERE [Face Name] = ?1 AND [Face Name] = "
                           "?1 COLLATE BINARY LIMIT 1"));
        Statement byFile = db.prepare(
            QStringLiteral("SELECT [Face Name], [Friendly Name] FROM [Fonts] WHERE [File Name] = "
                           "? AND [Face Index] = 0"));
        Statement insert =
            db.prepare(QStringLiteral("INSERT INTO [Fonts] ([Face Name], [Friendly Name], "
                                      "[File Name]) VALUES (?, ?, ?)"));
        Statement insertFace = db.prepare(
            QStringLiteral("INSERT OR REPLACE INTO [Fonts] ([Face Name], [Friendly Name], "
                           "[File Name], [Face Index]) VALUES (?, ?, ?, ?)"));
        Statement update = db.prepare(
            QStringLiteral("UPDATE [Fonts] SET [Face Name] = ?, [Friendly Name] = ? WHERE [File "
                           "Name] = ? AND [Face Index] = 0"));
        Statement filesOf = db.prepare(
            QStringLiteral("SELECT [File Name], [Face Index] FROM [Fonts] WHERE [Face Name] = "
                           "?1 AND [Face Name] = ?1 COLLATE BINARY"));
        QSet<QString> catalogued; // a collection's file, by any of its rows
        for (const RowWork& w : work_) {
            if (w.inPlace.isEmpty()) continue;
            const PreviewRow& row = preview_.row(w.row);
            exact.reset();
            exact.bind(1, row.face);
            // New also when another face of its collection brought it in just now.
            const bool known = exact.step() && !newFaces_.contains(row.face);
            for (const PreviewEntry& e : row.files) {
                if (!w.inPlace.contains(e.fileName) || catalogued.contains(e.fileName)) continue;
                catalogued.insert(e.fileName);
                const FurtherFace first =
                    e.fileFaces.empty() ? FurtherFace{0, e.face, e.valueName} : e.fileFaces.front();
                // The file's other faces are new typefaces too when the catalogue lacks them.
                const auto noteNew = [&](const QString& face) {
                    exact.reset();
                    exact.bind(1, face);
                    if (face != row.face && !exact.step() && !newFaces_.contains(face))
                        newFaces_ << face;
                };
                noteNew(first.faceName);
                byFile.reset();
                byFile.bind(1, e.fileName);
                if (byFile.step()) {
                    // Installed again, perhaps with other content: the row names what is in the
                    // file now.
                    if (byFile.text(0) != first.faceName) faceReplaced_ = true;
                    if (byFile.text(0) != first.faceName || byFile.text(1) != first.valueName) {
                        update.reset();
                        update.bind(1, first.faceName).bind(2, first.valueName).bind(3, e.fileName);
                        update.step();
                    }
                } else {
                    insert.reset();
                    insert.bind(1, first.faceName).bind(2, first.valueName).bind(3, e.fileName);
                    insert.step();
                }
                // A collection's faces are fonts of their own, as a refresh finds them.
                for (const FurtherFace& f : e.fileFaces) {
                    if (f.faceName != row.face) touched_.insert(f.faceName);
                    resources.load(fontRef(e.fileName, f.index));
                    if (f.index == 0) continue;
                    noteNew(f.faceName);
                    insertFace.reset();
                    insertFace.bind(1, f.faceName)
                        .bind(2, f.valueName)
                        .bind(3, e.fileName)
                        .bind(4, qint64(f.index));
                    insertFace.step();
                }
            }
            // Installed fonts are available to every program, also while a set is active: the
            // whole typeface, whatever a set hid of it before.
            filesOf.reset();
            filesOf.bind(1, row.face);
            while (filesOf.step())
                resources.load(fontRef(filesOf.text(0), int(filesOf.int64(1))));
            touched_.insert(row.face);
            if (!known) {
                if (!newFaces_.contains(row.face)) newFaces_ << row.face;
                if (app_.addAutoAssign) {
                    app_.currentFontName = row.face;
                    Auto_Assign(app_);
                }
            }
            if (w.inPlace.size() == w.installable) {
                out_.installedFaces << row.face;
            }
        }
    }

    // The installation stands: the replaced files' old content goes.
    void settle() {
        if (journal_) {
            faultPoint("install.committed");
            const QStringList left = finishPlacements(*journal_);
            if (left.isEmpty()) {
                forgetJournal(*app_.db, journal_->id());
                journal_->close();
            }
            undoProblems_ << left;
        }
        if (!undoProblems_.isEmpty()) {
            if (!problem_.isEmpty()) problem_ += app_.lineBreak;
            problem_ += T::tr("Files the installation kept aside could not all be removed; "
                              "the next start tries again: ") +
                        undoProblems_.join(QStringLiteral("; "));
        }
        app_.datFonts->refresh();
        app_.datAssigned->refresh();
    }

    void updateMainWindow() {
        out_.added = int(newFaces_.size());
        if (faceReplaced_) {
            // A file installed again under another typeface: a face may have lost its last file.
            Fill_AllFonts(ctx_);
        } else if (!touched_.isEmpty()) {
            updateTouchedRows();
            ctx_.fontCount += out_.added;
        }
        ctx_.view.setFontCount(fontCountText(ctx_.fontCount));
        preview_.markInstalled();
        preview_.cmdDeselect_Click();
        if (app_.assignedStale) Fill_AssignedFonts(ctx_);
        ctx_.view.handleButtons();
    }

    // The All Fonts rows of the faces installed: their state, and new faces in their place.
    void updateTouchedRows() {
        const QSet<QString> assigned =
            ctx_.unassignedOnly ? fontNamesIn(app_, tbl::AssignedFonts) : QSet<QString>();
        Statement filesOf = app_.db->prepare(
            QStringLiteral("SELECT [File Name], [Face Index] FROM [Fonts] WHERE [Face Name] = ?1 "
                           "AND [Face Name] = ?1 COLLATE BINARY"));
        for (const QString& face : std::as_const(touched_)) {
            QStringList faceFiles;
            filesOf.reset();
            filesOf.bind(1, face);
            while (filesOf.step())
                faceFiles << fontRef(filesOf.text(0), int(filesOf.int64(1)));
            const FaceState state = faceState(ctx_, face, faceFiles);
            const int row = ctx_.allFonts.find(face);
            if (row >= 0) {
                if (ctx_.allFonts.row(row).state != state) ctx_.allFonts.setState(row, state);
            } else if (newFaces_.contains(face) &&
                       (!ctx_.unassignedOnly || !assigned.contains(face.toCaseFolded()))) {
                insertFace(ctx_.allFonts, face, state);
            }
        }
    }

    MainContext& ctx_;
    AppState& app_;
    FontPreview& preview_;
    PreviewView& view_;
    FontRegistry& registry_;
    const QString folder_;
    InstallOutcome out_;
    std::vector<RowWork> work_;
    std::unique_ptr<FileJournal> journal_;
    QStringList undoProblems_;
    QString problem_;
    QStringList newFaces_;
    bool faceReplaced_ = false;
    QSet<QString> touched_;
};

} // namespace

InstallOutcome Install_Fonts(MainContext& ctx, FontPreview& preview, PreviewView& view) {
    return Installation(ctx, preview, view).run();
}

} // namespace lb
