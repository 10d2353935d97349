#pragma once

#include "core/main_context.h"

namespace lb {

// Enter in the set box: adds the trimmed name as a set unless one of that name exists.
void Add_Set(MainContext& ctx);
// A set chosen from the set box.
void Select_Set(MainContext& ctx);
// Edit > Rename Set: asks for the new name.
void Rename_Set(MainContext& ctx);
// Edit > Delete with the set box focused.
void Delete_Set(MainContext& ctx);
// The Copy Set dialog's OK: copies the current set's assignments into `target`, creating it
// when needed. False when the dialog must stay open (a refusal was shown).
bool Copy_Set(MainContext& ctx, const QString& target);

// The stored spelling of a set name, or empty text when there is no such set.
QString findSet(AppState& app, const QString& name);

// A name the database can hold as a set name: a double quote is refused with a message.
bool refuseQuote(AppState& app, const QString& name);

} // namespace lb
