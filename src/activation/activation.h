#pragma once

#include "core/main_context.h"

#include <QSet>
#include <QStringList>
#include <functional>
#include <stdexcept>

namespace lb {

// The state of the font named by the current font name: System for a system font (never hidden),
// Inactive when every file of it is hidden from the desktop's programs, else Active. What the
// program shows as inactive is exactly what other programs cannot use.
FaceState IsIt_Inactive(MainContext& ctx);

// The same for a face named here; its files are looked up.
FaceState stateOfFace(MainContext& ctx, const QString& face);

// The state of a face whose files are known.
FaceState faceState(MainContext& ctx, const QString& face, const QStringList& files);
// The same from what is known of the face: the desktop's own, whether it has files, whether one of
// them is visible.
FaceState faceStateOf(bool system, bool hasFiles, bool oneVisible);

// Activates `set`, the set box's text (`only`), or every set. A set box naming no set is refused
// with a message and changes nothing.
void Activate_Sets(MainContext& ctx, const QString& set, bool only);

// At start-up: when the desktop's hidden fonts are not the state the database records (a lost or
// interrupted state, a file removed by hand), applies the database's state again; then makes fonts
// that arrived in hidden folders visible. Returns true when the state was applied again.
bool Reapply_ActiveSet(MainContext& ctx);

// True when the desktop's hidden fonts implement what the database records.
bool fontStateInStep(MainContext& ctx);

// Membership rules used by assignment and unassignment: every file of a face name.
void loadFace(MainContext& ctx, const QString& faceName);
void unloadFace(MainContext& ctx, const QString& faceName);

// Writes the loads and unloads made since the last broadcast to the desktop's shared state,
// recording a new stamp in the database. Call it inside the transaction of the change it belongs
// to, before the commit: when the state cannot be written it throws FontStateError, the
// transaction is undone, and the database does not claim what did not happen.
void publishFontChanges(MainContext& ctx);

// A database transaction together with the fonts its change loads and unloads: commit() writes
// both (publishFontChanges, then the commit); anything that ends it before undoes both.
class FontTransaction {
public:
    explicit FontTransaction(MainContext& ctx) : ctx_(ctx), transaction_(*ctx.app.db) {}
    ~FontTransaction();
    FontTransaction(const FontTransaction&) = delete;
    FontTransaction& operator=(const FontTransaction&) = delete;
    void commit();

private:
    MainContext& ctx_;
    Database::Transaction transaction_;
    bool committed_ = false;
};

class FontStateError : public std::runtime_error {
public:
    explicit FontStateError(const QString& why);
    QString why() const { return QString::fromUtf8(what()); }
};

// The message for a font state that could not be written.
QString fontStateFailureText(const QString& why, const QString& lineBreak);

// The message for an operation that failed with `e`: what failed, in a sentence, and what is kept
// (the operation's transaction has been undone), with the engine's own words last.
QString operationFailureText(const std::exception& e, const QString& lineBreak);

// Face names (case-folded) assigned to a set.
QSet<QString> setMembers(AppState& app, const QString& setName);

// Walks the catalogue a face at a time, in the catalogue's order (rows of one face name lie
// together): `f(face, files)`, each file as fontRef() names its face. Returns the number of rows
// walked.
int forEachFace(Database& db, const std::function<void(const QString&, const QStringList&)>& f);

} // namespace lb
