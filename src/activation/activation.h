#pragma once

#include "core/main_context.h"

#include <QSet>

namespace lb {

// The state of the font named by the current font name: 0 active, 1 inactive (not in the
// activated set), 2 system font (never inactive).
int IsIt_Inactive(MainContext& ctx);

// Activates the set in the set box (set activated flag true) or every set (flag false).
void Activate_Sets(MainContext& ctx);

// At start-up with a set activated: probes one non-member font and activates the set again
// when the hidden state was lost (for example when the rejection file disappeared).
// Returns true when the set was applied again.
bool Reapply_ActiveSet(MainContext& ctx);

// Membership rules used by assignment and unassignment: every file of a face name.
void loadFace(MainContext& ctx, const QString& faceName);
void unloadFace(MainContext& ctx, const QString& faceName);

// Face names (case-folded) assigned to a set.
QSet<QString> setMembers(AppState& app, const QString& setName);

// The activated set's members, read once for a walk over many fonts.
struct ActiveMembers {
    bool setActivated = false;
    QSet<QString> members; // case-folded
};
ActiveMembers activeMembers(AppState& app);
// IsIt_Inactive for `face` against members read beforehand.
int fontState(const AppState& app, const ActiveMembers& active, const QString& face);

} // namespace lb
