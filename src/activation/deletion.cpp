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

// The files of a face name exactly as spelled: "ABC" and "abc" are two rows of the list, and
// deleting one must not take the other's files.
QStringList filesOf(Statement& st, const QString& face) {
    st.reset();
    st.bind(1, face);
    QStringList files;
    while (st.step())
        files << st.text(0);
    return files;
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
    m.title = T::tr("Delete Fonts");
    m.text = T::tr("These fonts could not be removed from your PC.  They keep their "
                   "place in the catalogue and in your sets:") +
             lb + lb + lines.join(lb);
    m.Msg_Critical();
}

} // namespace

void Delete_Fonts(MainContext& ctx) {
    AppState& app = ctx.app;
    OperationView& view = ctx.view;
    Messenger& m = app.messages;
    FontListModel& list = ctx.allFonts;
    app.fontsChanged = false;

    // The question names what the command deletes: the All Fonts selection, whatever was
    // picked last in History or elsewhere.
    const QStringList selected = list.selectedNames();
    if (selected.isEmpty()) {
        view.handleButtons();
        return;
    }
    m.title = T::tr("Confirm Delete");
    m.text = selected.size() == 1
                 ? T::tr("Are you sure you want to permanently remove \"%1\" from your PC?")
                       .arg(selected.first())
                 : T::tr("Are you sure you want to permanently remove these %1 fonts from your "
                         "PC?")
                       .arg(selected.size());
    m.Msg_YesNo();
    if (!m.answeredYes()) {
        view.handleButtons();
        return;
    }

    view.hideSamples();
    view.clearAssignedFonts();
    view.setMessage(T::tr("Deleting fonts..."));
    view.yield();
    Busy busy(ctx, 0);

    std::vector<Candidate> candidates;
    int system = 0;
    QStringList allFiles;
    {
        Statement st = app.db->prepare(QStringLiteral(
            "SELECT [File Name] FROM [Fonts] WHERE [Face Name] = ?1 AND [Face Name] = ?1 "
            "COLLATE BINARY ORDER BY rowid"));
        for (int i = 0; i < list.size(); ++i) {
            const FontListModel::Row& r = list.row(i);
            if (!r.selected) continue;
            // The desktop's own fonts are never removed.
            if (r.state == StateSystem || isSystemFont(app.systemFonts, r.name)) {
                ++system;
                continue;
            }
            Candidate c{r.name, filesOf(st, r.name)};
            allFiles << c.files;
            candidates.push_back(std::move(c));
        }
    }

    // The files are set aside first, every step in a journal, and deleted only once the catalogue
    // has committed their removal: a failure at any instant, or a kill, leaves disk, catalogue and
    // sets in step (the next start finishes or undoes what a kill cut off).
    QString journalProblem;
    const std::unique_ptr<FileJournal> journal =
        FileJournal::begin(journalFolder(), QStringLiteral("delete"), journalProblem);
    if (!journal) {
        busy.done();
        view.setMessage(QString());
        m.title = T::tr("Delete Fonts");
        m.text = T::tr("No font was deleted: no record of the deletion could be kept.") +
                 app.lineBreak + app.lineBreak + journalProblem;
        m.Msg_Critical();
        view.handleButtons();
        return;
    }
    // Every file at once: the font folders are rescanned once, not once per file.
    const std::vector<std::pair<QString, QString>> failedFiles =
        Remove_FontFiles(ctx, allFiles, *journal);
    QHash<QString, QString> whyKept;
    for (const auto& [file, why] : failedFiles)
        whyKept.insert(file, why);

    busy.range(int(candidates.size()));
    QSet<QString> deletedFaces;
    QStringList keptFaces;
    std::vector<std::pair<QString, QString>> kept;
    try {
        faultPoint("delete.set-aside");
        FontTransaction t(ctx);
        Statement dropFile =
            app.db->prepare(QStringLiteral("DELETE FROM [Fonts] WHERE [File Name] = ?"));
        Statement anyLeft =
            app.db->prepare(QStringLiteral("SELECT 1 FROM [Fonts] WHERE [Face Name] = ? LIMIT 1"));
        Statement setsOf = app.db->prepare(
            QStringLiteral("SELECT [Set Name] FROM [Assigned Fonts] WHERE [Font Name] = ?"));
        Statement dropAssigned =
            app.db->prepare(QStringLiteral("DELETE FROM [Assigned Fonts] WHERE [Font Name] = ?"));
        for (const Candidate& c : candidates) {
            bool whole = true;
            for (const QString& file : c.files) {
                if (const auto it = whyKept.constFind(file); it != whyKept.constEnd()) {
                    // The file stays on disk: its row stays, or the next refresh would bring
                    // the font back without its sets.
                    whole = false;
                    kept.push_back({c.face + QStringLiteral(" (") + fontFilePath(app, file) +
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
                keptFaces << c.face;
                continue;
            }
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
    app.db->noteChange();
    app.datFonts->refresh();
    app.datAssigned->refresh();

    for (int i = 0; i < list.size();) {
        if (deletedFaces.contains(list.row(i).name))
            list.removeAt(i);
        else
            ++i;
    }
    if (app.fontsChanged) Fill_AssignedFonts(ctx);
    busy.done();

    const int deleted = int(deletedFaces.size());
    view.setMessage(
        deletedText(int(selected.size()), deleted, keptFaces, system, selected.first()));
    ctx.fontCount -= deleted;
    view.setFontCount(fontCountText(ctx.fontCount));
    view.handleButtons();
    if (!kept.empty()) reportKept(ctx, kept);
}

} // namespace lb
