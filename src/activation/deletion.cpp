#include "activation/deletion.h"

#include "activation/activation.h"
#include "activation/interrupted_work.h"
#include "catalogue/font_lists.h"
#include "catalogue/system_fonts.h"
#include "core/busy.h"
#include "core/fault.h"
#include "core/schema.h"
#include "samples/sample_pane.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>
#include <QSet>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Deletion)
};
} // namespace

QString deletedText(int selected, int deleted, const QStringList& failed, int system,
                    const QString& onlyName) {
    const QString systemText = T::tr("  None of the selected system fonts were deleted.");
    if (failed.isEmpty()) {
        if (deleted == 0) return T::tr("All selected fonts were system fonts, none were deleted.");
        if (selected == 1) return T::tr("\"%1\" deleted successfully.").arg(onlyName);
        if (deleted < selected)
            return T::tr("%1 of %2 fonts deleted successfully.").arg(deleted).arg(selected) +
                   systemText;
        return T::tr("%1 fonts deleted successfully.").arg(deleted);
    }
    QString text = deleted == 0
                       ? T::tr("No font was deleted.")
                       : T::tr("%1 of %2 fonts deleted successfully.").arg(deleted).arg(selected);
    text += failed.size() == 1
                ? T::tr("  \"%1\" could not be removed from your PC.").arg(failed.first())
                : T::tr("  %1 fonts could not be removed from your PC.").arg(failed.size());
    if (system > 0) text += systemText;
    return text;
}

namespace {

struct Candidate {
    QString face;
    QStringList files;
};

// The files of a face name exactly as spelled, each as fontRef() names its face: "ABC" and "abc"
// are two rows of the list, and deleting one must not take the other's files.
QStringList filesOf(Statement& st, const QString& face) {
    st.reset();
    st.bind(1, face);
    QStringList files;
    while (st.step())
        files << fontRef(st.text(0), int(st.int64(1)));
    return files;
}

// A file holding several faces is deleted only with every one of them: deleting one face must not
// take the others, chosen or not, from the user. Returns, for each file that also holds a face not
// chosen, why it stays.
QHash<QString, QString> sharedFiles(Database& db, const QStringList& chosen) {
    const QSet<QString> picked(chosen.begin(), chosen.end());
    QSet<QString> files;
    for (const QString& ref : chosen)
        files.insert(refFile(ref));
    QHash<QString, QString> shared;
    Statement st = db.prepare(QStringLiteral("SELECT [Face Name], [Face Index] FROM [Fonts] WHERE "
                                             "[File Name] = ? ORDER BY [Face Index]"));
    for (const QString& file : std::as_const(files)) {
        st.reset();
        st.bind(1, file);
        QStringList others;
        while (st.step())
            if (!picked.contains(fontRef(file, int(st.int64(1))))) others << st.text(0);
        others.removeDuplicates();
        if (!others.isEmpty())
            shared.insert(file, T::tr("its file also holds %1, which was not chosen.  "
                                      "Choose every font of the file to delete it.")
                                    .arg(others.join(QStringLiteral(", "))));
    }
    return shared;
}

void reportKept(MainContext& ctx, const std::vector<std::pair<QString, QString>>& kept) {
    Messenger& m = ctx.app.messages;
    const QString lb = ctx.app.lineBreak;
    QStringList lines;
    for (const auto& [what, why] : kept) {
        if (lines.size() == 20) {
            lines << T::tr("and %1 more").arg(kept.size() - 20);
            break;
        }
        lines << what + QStringLiteral(": ") + why;
    }
    m.ask(MessageKind::Critical, T::tr("Delete Fonts"),
          T::tr("These fonts could not be removed from your PC.  They keep their "
                "place in the catalogue and in your sets:") +
              lb + lb + lines.join(lb));
}

} // namespace

namespace {

// What a deletion removes: files of typefaces (a face empty for a file the catalogue does not
// hold). A whole typeface lists every file it has; a copy lists one file of it.
struct Deletion {
    std::vector<Candidate> candidates;
    bool copies = false; // files chosen one by one: a typeface goes only with its last file
    int selected = 0;
    int system = 0;
    QString onlyName;                                      // what the one selected is called
    std::vector<std::pair<QString, QString>> refusedFiles; // files no deletion can reach, and why
};

bool askToDelete(MainContext& ctx, const QStringList& names) {
    Messenger& m = ctx.app.messages;
    return m.askYes(
        MessageKind::YesNo, T::tr("Confirm Delete"),
        names.size() == 1
            ? T::tr("Are you sure you want to permanently remove \"%1\" from your PC?")
                  .arg(names.first())
            : T::tr("Are you sure you want to permanently remove these %1 fonts from your PC?")
                  .arg(names.size()));
}

bool exactFaceLeft(Statement& st, const QString& face) {
    st.reset();
    st.bind(1, face);
    return st.step();
}

void removeFonts(MainContext& ctx, Deletion& d);

} // namespace

void Delete_Fonts(MainContext& ctx) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    FontListModel& list = ctx.allFonts;
    app.fontsChanged = false;

    // The question names what the command deletes: the All Fonts selection, whatever was
    // picked last in History or elsewhere.
    const QStringList selected = list.selectedNames();
    if (selected.isEmpty()) {
        view.handleButtons();
        return;
    }
    if (!askToDelete(ctx, selected)) {
        view.handleButtons();
        return;
    }

    Deletion d;
    d.selected = int(selected.size());
    d.onlyName = selected.first();
    {
        Statement st = app.db->prepare(QStringLiteral(
            "SELECT [File Name], [Face Index] FROM [Fonts] WHERE [Face Name] = ?1 AND "
            "[Face Name] = ?1 COLLATE BINARY ORDER BY rowid"));
        for (int i = 0; i < list.size(); ++i) {
            const FontListModel::Row& r = list.row(i);
            if (!r.selected) continue;
            // The desktop's own fonts are never removed.
            if (r.state == FaceState::System || isSystemFont(app.systemFonts, r.name)) {
                ++d.system;
                continue;
            }
            d.candidates.push_back(Candidate{r.name, filesOf(st, r.name)});
        }
    }
    removeFonts(ctx, d);
}

namespace {

void removeFonts(MainContext& ctx, Deletion& d) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    Messenger& m = app.messages;
    FontListModel& list = ctx.allFonts;
    view.hideSamples();
    view.clearAssignedFonts();
    view.setMessage(T::tr("Deleting fonts..."));
    view.yield();
    Busy busy(ctx, 0);
    std::vector<Candidate>& candidates = d.candidates;
    QSet<QString> refused;
    for (const auto& [file, why] : d.refusedFiles)
        refused.insert(file);
    QStringList allFiles;
    for (const Candidate& c : candidates)
        for (const QString& f : c.files)
            if (!refused.contains(refFile(f))) allFiles << f;

    // The files are set aside first, every step in a journal, and deleted only once the catalogue
    // has committed their removal: a failure at any instant, or a kill, leaves disk, catalogue and
    // sets in step (the next start finishes or undoes what a kill cut off).
    QString journalProblem;
    const std::unique_ptr<FileJournal> journal =
        FileJournal::begin(journalFolder(), QStringLiteral("delete"), journalProblem);
    if (!journal) {
        busy.done();
        view.setMessage(QString());
        m.ask(MessageKind::Critical, T::tr("Delete Fonts"),
              T::tr("No font was deleted: no record of the deletion could be kept.") +
                  app.lineBreak + app.lineBreak + journalProblem);
        view.handleButtons();
        return;
    }
    QHash<QString, QString> whyKept = sharedFiles(*app.db, allFiles);
    QStringList removable;
    QSet<QString> seen;
    for (const QString& ref : std::as_const(allFiles)) {
        const QString file = refFile(ref);
        if (!whyKept.contains(file) && !seen.contains(file)) {
            seen.insert(file);
            removable << file;
        }
    }
    // Every file at once: the font folders are rescanned once, not once per file.
    const std::vector<std::pair<QString, QString>> failedFiles =
        Remove_FontFiles(ctx, removable, *journal);
    for (const auto& [file, why] : failedFiles)
        whyKept.insert(file, why);
    for (const auto& [file, why] : d.refusedFiles)
        whyKept.insert(file, why);
    // The other faces of a removed collection are no longer hidden either: they are gone.
    for (const QString& ref : std::as_const(allFiles))
        if (refFace(ref) > 0 && !whyKept.contains(refFile(ref))) ctx.fonts.resources.load(ref);

    busy.range(int(candidates.size()));
    QSet<QString> deletedFaces;
    int deleted = 0;
    QStringList keptFaces;
    std::vector<std::pair<QString, QString>> kept;
    try {
        faultPoint("delete.set-aside");
        FontTransaction t(ctx);
        Statement dropFile =
            app.db->prepare(QStringLiteral("DELETE FROM [Fonts] WHERE [File Name] = ?"));
        Statement anyLeft =
            app.db->prepare(QStringLiteral("SELECT 1 FROM [Fonts] WHERE [Face Name] = ? LIMIT 1"));
        Statement exactLeft = app.db->prepare(
            QStringLiteral("SELECT 1 FROM [Fonts] WHERE [Face Name] = ?1 AND [Face Name] = ?1 "
                           "COLLATE BINARY LIMIT 1"));
        Statement setsOf = app.db->prepare(
            QStringLiteral("SELECT [Set Name] FROM [Assigned Fonts] WHERE [Font Name] = ?"));
        Statement dropAssigned =
            app.db->prepare(QStringLiteral("DELETE FROM [Assigned Fonts] WHERE [Font Name] = ?"));
        for (const Candidate& c : candidates) {
            bool whole = true;
            for (const QString& ref : c.files) {
                const QString file = refFile(ref);
                if (const auto it = whyKept.constFind(file); it != whyKept.constEnd()) {
                    // The file stays on disk: its row stays, or the next refresh would bring
                    // the font back without its sets.
                    whole = false;
                    kept.push_back({c.face.isEmpty()
                                        ? fontFilePath(app, file)
                                        : c.face + QStringLiteral(" (") + fontFilePath(app, file) +
                                              QStringLiteral(")"),
                                    *it});
                    continue;
                }
                dropFile.reset();
                dropFile.bind(1, file);
                dropFile.step();
            }
            busy.step();
            if (!whole) {
                keptFaces << (d.copies ? fontFilePath(app, refFile(c.files.value(0))) : c.face);
                continue;
            }
            ++deleted;
            // A copy's typeface stays, with its sets, while another of its files does.
            if (c.face.isEmpty() || (d.copies && exactFaceLeft(exactLeft, c.face))) continue;
            deletedFaces.insert(c.face);
            // Assignments name a font without regard to case: they stay while another spelling
            // of the name is still catalogued.
            anyLeft.reset();
            anyLeft.bind(1, c.face);
            if (anyLeft.step()) continue;
            setsOf.reset();
            setsOf.bind(1, c.face);
            while (setsOf.step())
                if (!app.currentSetName.isEmpty() &&
                    compareNoCase(setsOf.text(0), app.currentSetName) == 0)
                    app.fontsChanged = true;
            dropAssigned.reset();
            dropAssigned.bind(1, c.face);
            dropAssigned.step();
        }
        markJournalCommitted(*app.db, journal->id());
        t.commit();
    } catch (...) {
        // Nothing was deleted: the files come back as they were.
        const QStringList left = ctx.fonts.registry.undoRemoval(*journal);
        for (const QString& problem : left)
            qWarning("Letterbay: %s", qUtf8Printable(problem));
        if (left.isEmpty()) journal->close();
        app.datFonts->refresh();
        app.datAssigned->refresh();
        view.setMessage(QString());
        view.handleButtons();
        throw;
    }
    faultPoint("delete.committed");
    const QStringList left = ctx.fonts.registry.finishRemoval(*journal);
    if (left.isEmpty()) {
        forgetJournal(*app.db, journal->id());
        journal->close();
    } else {
        // Hidden names that fontconfig passes over; the next start tries again.
        for (const QString& problem : left)
            qWarning("Letterbay: %s", qUtf8Printable(problem));
    }
    app.datFonts->refresh();
    app.datAssigned->refresh();

    list.removeIf([&](const FontListModel::Row& r) { return deletedFaces.contains(r.name); });
    if (app.fontsChanged) Fill_AssignedFonts(ctx);
    busy.done();

    view.setMessage(deletedText(d.selected, deleted, keptFaces, d.system, d.onlyName));
    ctx.fontCount -= int(deletedFaces.size());
    view.setFontCount(fontCountText(ctx.fontCount));
    view.handleButtons();
    if (!kept.empty()) reportKept(ctx, kept);
}

} // namespace

bool Delete_FontCopies(MainContext& ctx, const std::vector<QByteArray>& paths) {
    AppState& app = ctx.app;
    QStringList names;
    for (const QByteArray& p : paths)
        names << QFile::decodeName(p);
    if (names.isEmpty() || !askToDelete(ctx, names)) {
        ctx.view.handleButtons();
        return false;
    }
    app.fontsChanged = false;
    Deletion d;
    d.copies = true;
    d.selected = int(names.size());
    d.onlyName = names.first();
    // Catalogued files are stored as a bare name inside the fonts folder, else as their path.
    Statement facesOf = app.db->prepare(QStringLiteral(
        "SELECT [Face Name], [Face Index] FROM [Fonts] WHERE [File Name] = ? ORDER BY 2"));
    const QString folder = app.fontsFolder;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& path = names[i];
        const bool direct = !folder.isEmpty() && path.startsWith(folder) &&
                            !path.mid(folder.size()).contains(QLatin1Char('/'));
        const QString stored = direct ? path.mid(folder.size()) : path;
        // A chosen file goes whole: every face it holds is chosen with it.
        facesOf.reset();
        facesOf.bind(1, stored);
        QString face;
        QStringList refs;
        while (facesOf.step()) {
            if (face.isEmpty()) face = facesOf.text(0);
            refs << fontRef(stored, int(facesOf.int64(1)));
        }
        if (refs.isEmpty()) refs << stored;
        if (!face.isEmpty() && isSystemFont(app.systemFonts, face)) {
            ++d.system;
            continue;
        }
        // A name that is not valid text cannot be handed on exactly: deleting what it decodes
        // to would remove nothing and call it done.
        if (QFile::encodeName(path) != paths[size_t(i)])
            d.refusedFiles.push_back(
                {stored,
                 T::tr("its name is not valid text; rename or delete it in a file manager")});
        d.candidates.push_back(Candidate{face, refs});
    }
    if (d.candidates.empty()) {
        ctx.view.setMessage(deletedText(d.selected, 0, {}, d.system, d.onlyName));
        ctx.view.handleButtons();
        return true;
    }
    removeFonts(ctx, d);
    return true;
}

} // namespace lb
