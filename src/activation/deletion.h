#pragma once

#include "core/main_context.h"

namespace lb {

// Removes the fonts selected in the All Fonts list from the PC for good, after asking: their
// files, their catalogue rows and their assignments. System fonts are never removed. A font whose
// files cannot all be removed keeps its catalogue rows and its assignments, is not counted as
// deleted, and is named when the operation ends.
void Delete_Fonts(MainContext& ctx);

// Removes chosen files of installed fonts (copies of a typeface, damaged files), by their paths,
// after asking, under the rules of Delete_Fonts: files of the desktop's own fonts are never
// removed, and one installed for every user is hidden from this user rather than deleted. A
// typeface keeps its catalogue row and its sets while another of its files stays; with its last
// file it goes as Delete_Fonts removes it. False when nothing was done (the answer was No).
bool Delete_FontCopies(MainContext& ctx, const std::vector<QByteArray>& paths);

// The message panel text after a deletion: `selected` fonts were selected, `deleted` removed,
// `failed` could not be removed (the name of the one when it is one), `system` were system fonts.
QString deletedText(int selected, int deleted, const QStringList& failed, int system,
                    const QString& onlyName);

} // namespace lb
