#include "sets/document_set.h"

#include "activation/activation.h"
#include "catalogue/document_fonts.h"
#include "catalogue/font_lists.h"
#include "core/nocase.h"
#include "core/settings.h"
#include "sets/assignment.h"
#include "sets/set_maintenance.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <exception>
#include <stdexcept>

namespace lb {

UsedFonts readUsedFonts(MainContext& ctx, const QStringList& documents) {
    UsedFonts used;
    std::vector<DocumentFonts> docs;
    for (const QString& file : documents) {
        DocumentFonts doc = readDocumentFonts(file);
        if (!doc.problem.isEmpty()) {
            used.problems << doc.problem;
            used.unread << file;
            continue;
        }
        if (!doc.note.isEmpty()) used.notes << doc.note;
        if (used.read++ == 0) used.firstRead = file;
        docs.push_back(std::move(doc));
    }
    if (docs.empty()) return used;
    // Stored file names are bare in the fonts folder, full paths elsewhere.
    const QString folder = ctx.fonts.registry.fontsFolder();
    QHash<QString, QString> faceOfPath;
    forEachFace(*ctx.app.db, [&](const QString& face, const QStringList& files) {
        for (const QString& f : files)
            faceOfPath.insert(QDir::isAbsolutePath(f) ? f : folder + f, face);
    });
    const FontNameIndex index = FontNameIndex::installed(faceOfPath);
    for (const DocumentFonts& doc : docs)
        for (const QString& name : doc.names) {
            QStringList faces = index.faces(name);
            if (faces.isEmpty()) {
                // The same missing family spelled differently is one family.
                bool known = false;
                for (const QString& m : std::as_const(used.missing))
                    known = known || compareNoCase(m, name) == 0;
                if (!known) used.missing << name;
                faces << name;
            } else {
                for (const QString& face : std::as_const(faces))
                    if (!used.faces.contains(face)) used.faces << face;
            }
            for (const QString& face : std::as_const(faces)) {
                QStringList& documentsOfFace = used.documentsOf[face.toCaseFolded()];
                if (!documentsOfFace.contains(doc.file)) documentsOfFace << doc.file;
            }
        }
    return used;
}

QString documentSetName(const UsedFonts& used) {
    QString name = QStringLiteral("For ") + QFileInfo(used.firstRead).fileName();
    if (used.read > 1) name += QStringLiteral(" and %1 more").arg(used.read - 1);
    return name;
}

QString Activate_DocumentFonts(MainContext& ctx, const QString& name, const QStringList& faces) {
    AppState& app = ctx.app;
    QSet<QString> want;
    for (const QString& face : faces)
        want.insert(face.toCaseFolded());
    QString stored;
    std::exception_ptr failure;
    try {
        FontTransaction t(ctx);
        app.datSets->refresh();
        stored = findSet(app, name);
        if (stored.isEmpty()) {
            Add_Set(ctx, name);
            app.datSets->refresh();
            stored = findSet(app, name);
            if (stored.isEmpty()) throw std::runtime_error("the set could not be added");
        }
        const QString active = activatedSet(app);
        for (const QString& f : setMembers(app, stored))
            if (!want.contains(f)) {
                // The stored spelling of the font, as the pair holds it.
                Statement st = app.db->prepare(QStringLiteral(
                    "SELECT [Font Name] FROM [Assigned Fonts] WHERE [Set Name] = ? AND "
                    "[Font Name] = ?"));
                st.bind(1, stored).bind(2, f);
                if (st.step()) Remove_Assignment(ctx, stored, st.text(0), active);
            }
        const QSet<QString> before = setMembers(app, stored);
        Fill_AllFonts(ctx);
        FontListModel& all = ctx.allFonts;
        int selected = 0;
        for (int row = 0; row < all.size(); ++row) {
            const QString folded = all.row(row).name.toCaseFolded();
            const bool joins = want.contains(folded) && !before.contains(folded);
            all.setSelected(row, joins);
            if (joins && selected++ == 0) all.anchor = row;
        }
        all.selectedCount = selected;
        if (selected > 0) {
            ctx.view.setSetBoxText(stored);
            Assign_Fonts(ctx, stored, false);
        }
        t.commit();
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        // Fonts already shown or hidden follow the database back.
        try {
            Reapply_ActiveSet(ctx);
        } catch (...) {
        }
        std::rethrow_exception(failure);
    }
    ctx.view.setMessage(QString());
    ctx.view.setSetBoxText(stored);
    Activate_Sets(ctx, stored, true);
    return stored;
}

} // namespace lb
