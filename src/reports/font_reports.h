#pragma once

#include "core/main_context.h"
#include "reports/report.h"

#include <memory>

namespace lb {

class QtFaceDrawing;

// The width of the designs, in points: fits A4 and Letter inside margins of 54 points.
inline constexpr double ReportWidth = 480;
// The size every sample of the font list is printed in.
inline constexpr int ListSamplePoints = 12;
// The sizes of each style row of the size report.
inline constexpr std::array<int, 4> StyleRowPoints = {8, 12, 16, 24};
inline constexpr int ChartPoints = 14;
inline constexpr int ChartColumns = 25;

// Rebuilds the stored query "Font List" for the All Fonts (mode 1) or Assigned Fonts (mode 2)
// report; other modes leave it alone.
void Query_FontList(AppState& app, int mode);

// "All Fonts List" or "Assigned Fonts List for Set: " and the current set.
QString fontListTitle(const AppState& app, int mode);

// The font list over the stored query "Font List": each name with the sample text in that face
// at 12 points and the pane's bold, italic and underline.
std::unique_ptr<Report> dsrFontList(MainContext& ctx, QtFaceDrawing& drawing);

// The size sample of [Selected Font]: four styles in four sizes and the chart of codes 1 to 255.
std::unique_ptr<Report> dsrFontSize(MainContext& ctx, QtFaceDrawing& drawing);

// The character the chart shows for `code` (1 to 255). Codes 128 to 255 are read as Windows-1252;
// control codes and the codes that set leaves unassigned give no character. In a font with only a
// symbol map, code n is its character U+F000 + n.
QString chartCharacter(int code, bool symbolFont);

// Whether a face can be printed as itself, and why not. Nothing is ever drawn in its place.
enum class FacePrint { Printable, NotInstalled, Inactive, Unreadable };
FacePrint facePrint(MainContext& ctx, QtFaceDrawing& drawing, const QString& face);
// What a report prints instead of the samples of such a face; empty for a printable one.
QString noSampleText(FacePrint why);

} // namespace lb
