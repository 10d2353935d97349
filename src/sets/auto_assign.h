#pragma once

#include "core/main_context.h"

namespace lb {

// Puts the font named by the current font name into every existing set that the knowledge
// base names for it, unless it is there already. Loads and unloads nothing.
// Returns the sets it added the font to.
QStringList Auto_Assign(AppState& app);

// Remembers that the user took a font out of a set, so AutoAssign leaves it out.
void Unassign_Hook(AppState& app, const QString& setName, const QString& fontName);

} // namespace lb
