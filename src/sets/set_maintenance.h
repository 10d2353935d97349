#pragma once

#include "core/main_context.h"

namespace lb {

// The set operations take the set box's text as the window holds it (`set`, `typed`); the
// command line passes the set it names.

// Enter in the set box: adds the trimmed name as a set unless one of that name exists.
void Add_Set(MainContext& ctx, const QString& typed);
// A set chosen from the set box.
void Select_Set(MainContext& ctx, const QString& set);
// Edit > Rename Set: asks for the new name of `set`.
void Rename_Set(MainContext& ctx, const QString& set);
// Edit > Delete with the set box focused.
void Delete_Set(MainContext& ctx, const QString& set);
// The Copy Set dialog's OK: copies the current set's assignments into `target`, creating it
// when needed. False when the dialog must stay open (a refusal was shown).
bool Copy_Set(MainContext& ctx, const QString& target);

// The stored spelling of a set name, or empty text when there is no such set.
QString findSet(AppState& app, const QString& name);

// Why a set name cannot be stored (a control character, a double quote, more than the 40
// characters of the set name fields), in the words the window uses; empty text when it can. The
// window, the command line and import all ask this.
QString setNameProblem(const QString& name);

// Refuses, with a message under `title`, a set name `setNameProblem` finds fault with.
bool refuseSetName(AppState& app, const QString& title, const QString& name);
inline constexpr int SetNameSize = 40;

} // namespace lb
