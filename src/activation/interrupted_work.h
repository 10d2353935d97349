#pragma once

// Installing and deleting change files and the catalogue together. Each keeps a journal on disk
// (platform/file_journal.h) and, inside the database transaction that makes its change, marks the
// journal as committed: so after a kill the database alone tells whether the work stands (finish
// it) or not (undo it), whichever instant the kill came at.

#include "core/main_context.h"

#include <QStringList>

namespace lb {

// The folder of journals, in the data folder.
QString journalFolder();

// Inside the transaction of the journal's work: the work stands when that transaction commits.
void markJournalCommitted(Database& db, const QString& id);
bool journalCommitted(Database& db, const QString& id);
// After the work is finished on disk.
void forgetJournal(Database& db, const QString& id);

// At the start of every program: finishes the work of journals whose program was cut off and
// whose transaction committed, and undoes the rest, so that disk, catalogue and sets agree again.
// What could not be put right is shown in a message and returned (the journal stays for the next
// start); empty when all is well.
QStringList Recover_InterruptedWork(MainContext& ctx);

} // namespace lb
