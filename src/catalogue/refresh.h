#pragma once

#include "core/main_context.h"

namespace lb {

// Rebuilds the catalogue from the installed fonts, reloads the All Fonts list (running
// AutoAssign per typeface when its switch is on) and removes assignments of fonts that are
// gone. One transaction: a refresh that fails or is cut off leaves the previous catalogue.
void Refresh_Fonts(MainContext& ctx);

// Whether a registry value names a TrueType font: its name ends in exactly "(TrueType)".
bool isTrueTypeValue(const QString& valueName);
// Whether the catalogue keeps a registry value: a font that scales, TrueType, OpenType or Type 1.
// Fonts of fixed sizes only are not catalogued, so no set or activation counts or hides them.
bool isCataloguedValue(const QString& valueName);

} // namespace lb
