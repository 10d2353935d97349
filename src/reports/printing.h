#pragma once

#include "core/main_context.h"
#include "platform/printers.h"
#include "reports/report.h"
#include "samples/sample_pane.h"

#include <functional>
#include <memory>

class QPrinter;

namespace lb {

class QtFaceDrawing;

inline const QString NoPrinter = QStringLiteral("No Printer");
// A device of the print system that is no printer; never offered.
inline const QString RenderingSubsystem = QStringLiteral("Rendering Subsystem");

// The printers Print Setup offers: every installed printer but "Rendering Subsystem".
std::vector<PrinterInfo> setupPrinters(Printers& printers);
// At start: the system's default printer; with printers but no default, the first of them;
// "No Printer" only when none is installed.
void choosePrinterAtStart(AppState& app, Printers& printers);
// "Print (", the printer name, ")".
QString printTooltip(const AppState& app);
// "Where:" of the first installed printer of that name; empty when there is none.
QString printerWhere(Printers& printers, const QString& name);
// The first installed printer of that name becomes the choice; false (and the choice stays)
// when there is none.
bool choosePrinter(AppState& app, Printers& printers, const QString& name);

// Why the pane has nothing to print (it is empty, or shows a message); empty when it has.
QString nothingToPrint(const PaneState& pane);

// The report of what the pane shows, titled: the size sample of the font shown, or the All Fonts
// or Assigned Fonts list (the stored query rebuilt first). It becomes the sample mode.
std::unique_ptr<Report> reportForPane(MainContext& ctx, QtFaceDrawing& drawing,
                                      const PaneState& pane);

// Page margins and document name for a report.
void preparePrinter(QPrinter& printer, const QString& title);

// Prints `report` on `printer` as it is set up: a print preview, a PDF file, or a printer of the
// print system. On a printer, the job goes to the print system only once the whole report is
// drawn, and the print system's answer is checked. Returns the error for the user, or empty text.
QString printReport(Report& report, QPrinter& printer);

// Print_Report: the report of the sample mode on the chosen printer. With `request` the print
// dialog comes first (`askPrinter`, which may also choose a PDF file; false when cancelled).
// The main window is disabled meanwhile and enabled again however printing ends. Returns true
// when the report was printed.
bool Print_Report(MainContext& ctx, QtFaceDrawing& drawing, const PaneState& pane, bool request,
                  const std::function<bool(QPrinter&)>& askPrinter);

} // namespace lb
