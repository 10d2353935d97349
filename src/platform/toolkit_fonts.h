#pragma once

#include "platform/font_folders.h"

#include <QString>

namespace lb {

// Qt lists every font fontconfig shows it, at the first text it lays out, and keeps the list in
// memory: with tens of thousands of fonts in the home that costs most of a start-up and much of
// the memory. This process's Qt is shown the fonts outside the home and the files of the
// interface family (`interfaceFamily`, resolved as fontconfig resolves it); the home's other
// fonts are loaded from their files when they are drawn. Call before the first window.
//
// Returns the whole configuration, as every other program sees it, for the questions asked of
// every font (which fonts the desktop depends on); null when nothing was narrowed.
FontConfigPtr narrowToolkitFonts(const QString& interfaceFamily, const QString& home);

} // namespace lb
