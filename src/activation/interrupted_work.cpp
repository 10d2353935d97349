#include "activation/interrupted_work.h"

#include "core/paths.h"
#include "platform/file_journal.h"
#include "preview/installation.h"

#include <QCoreApplication>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(InterruptedWork)
};
} // namespace

namespace {

// Kept in a table of its own: the journal's id is written in the same transaction as the work.
const QString Table = QStringLiteral("[Committed Work]");

} // namespace

QString journalFolder() {
    return dataFolder() + QStringLiteral("/journals");
}

void markJournalCommitted(Database& db, const QString& id) {
    db.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS ") + Table +
            QStringLiteral(" ([Journal] TEXT COLLATE BINARY PRIMARY KEY)"));
    Statement st = db.prepare(QStringLiteral("INSERT OR IGNORE INTO ") + Table +
                              QStringLiteral(" VALUES (?)"));
    st.bind(1, id);
    st.step();
}

bool journalCommitted(Database& db, const QString& id) {
    if (!db.tableExists(QStringLiteral("Committed Work"))) return false;
    Statement st = db.prepare(QStringLiteral("SELECT 1 FROM ") + Table +
                              QStringLiteral(" WHERE [Journal] = ?"));
    st.bind(1, id);
    return st.step();
}

void forgetJournal(Database& db, const QString& id) {
    if (!db.tableExists(QStringLiteral("Committed Work"))) return;
    Statement st =
        db.prepare(QStringLiteral("DELETE FROM ") + Table + QStringLiteral(" WHERE [Journal] = ?"));
    st.bind(1, id);
    st.step();
}

QStringList Recover_InterruptedWork(MainContext& ctx) {
    QStringList problems;
    FontRegistry& registry = ctx.fonts.registry;
    for (const std::unique_ptr<FileJournal>& journal : FileJournal::abandoned(journalFolder())) {
        Database& db = *ctx.app.db;
        const bool stands = journalCommitted(db, journal->id());
        QStringList left;
        if (journal->kind() == QLatin1String("install")) {
            if (stands) {
                left = finishPlacements(*journal);
            } else {
                const QStringList taken = undoPlacements(*journal, {}, left);
                // Caches follow the files back.
                if (!taken.isEmpty()) registry.registerFiles(taken);
            }
        } else if (journal->kind() == QLatin1String("delete")) {
            left = stands ? registry.finishRemoval(*journal) : registry.undoRemoval(*journal);
        }
        if (!left.isEmpty()) {
            problems << left;
            continue;
        }
        if (stands) forgetJournal(db, journal->id());
        journal->close();
    }
    if (!problems.isEmpty()) {
        Messenger& m = ctx.app.messages;
        m.ask(MessageKind::Critical, QStringLiteral("Letterbay"),
              T::tr("An installation or deletion that was cut off earlier could not be "
                    "completely finished or undone; it is tried again at the next "
                    "start.  Your fonts are kept under hidden names until then:") +
                  ctx.app.lineBreak + ctx.app.lineBreak + problems.join(ctx.app.lineBreak));
    }
    return problems;
}

} // namespace lb
