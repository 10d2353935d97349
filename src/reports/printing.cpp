#include "reports/printing.h"

#include "core/schema.h"
#include "reports/font_reports.h"

#include <QCoreApplication>
#include <QDir>
#include <QPaintEngine>
#include <QPrintEngine>
#include <QPrinter>
#include <QTemporaryFile>
#include <cups/cups.h>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Printing)
};
} // namespace

namespace {

// The print options the print dialog chose (pages per sheet, duplex, ...), as name and value
// pairs; Qt's CUPS engine keeps them under this key.
const auto CupsOptionsKey = QPrintEngine::PrintEnginePropertyKey(0xfe00);

const std::vector<PrinterInfo>::const_iterator findPrinter(const std::vector<PrinterInfo>& list,
                                                           const QString& name) {
    return std::find_if(list.begin(), list.end(),
                        [&](const PrinterInfo& p) { return p.name == name; });
}

// Whether the print server knows the printer; the print server's reason when it does not.
QString unreachable(const QString& name) {
    const QByteArray n = name.toLocal8Bit();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, n.constData(), nullptr);
    if (dest) {
        cupsFreeDests(1, dest);
        return {};
    }
    return T::tr("The printer \"%1\" cannot be reached: %2. The print server may not "
                 "be running, or the printer has been removed.")
        .arg(name, QString::fromLocal8Bit(cupsLastErrorString()));
}

QString sendToPrinter(Report& report, QPrinter& printer) {
    const QString name = printer.printerName();
    QString error = unreachable(name);
    if (!error.isEmpty()) return error;

    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/letterbay-XXXXXX.pdf"));
    if (!file.open())
        return T::tr("The report could not be prepared for printing: no temporary file "
                     "could be written in %1.")
            .arg(QDir::tempPath());
    file.close();
    QPrinter pdf(QPrinter::HighResolution);
    pdf.setOutputFormat(QPrinter::PdfFormat);
    pdf.setOutputFileName(file.fileName());
    pdf.setPageLayout(printer.pageLayout());
    pdf.setDocName(printer.docName());
    const ReportRun run = report.print(pdf);
    if (!run.ok) return T::tr("The report could not be prepared for printing. %1").arg(run.error);

    cups_option_t* options = nullptr;
    int count = 0;
    const QStringList chosen = printer.printEngine()->property(CupsOptionsKey).toStringList();
    for (qsizetype i = 0; i + 1 < chosen.size(); i += 2)
        count = cupsAddOption(chosen[i].toUtf8().constData(), chosen[i + 1].toUtf8().constData(),
                              count, &options);
    if (printer.copyCount() > 1)
        count = cupsAddOption("copies", QByteArray::number(printer.copyCount()).constData(), count,
                              &options);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, name.toLocal8Bit().constData(),
                                   QFile::encodeName(file.fileName()).constData(),
                                   printer.docName().toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0)
        return T::tr("The printer \"%1\" did not accept the report: %2.")
            .arg(name, QString::fromLocal8Bit(cupsLastErrorString()));
    return {};
}

} // namespace

std::vector<PrinterInfo> setupPrinters(Printers& printers) {
    std::vector<PrinterInfo> list = printers.installed();
    std::erase_if(list, [](const PrinterInfo& p) { return p.name == RenderingSubsystem; });
    return list;
}

void choosePrinterAtStart(AppState& app, Printers& printers) {
    const std::vector<PrinterInfo> list = setupPrinters(printers);
    app.printerName = NoPrinter;
    app.printerDriver.clear();
    app.printerPort.clear();
    if (list.empty()) return;
    // Print systems often have printers and no default: the first one serves then.
    auto it = findPrinter(list, printers.defaultName());
    if (it == list.end()) it = list.begin();
    app.printerName = it->name;
    app.printerDriver = it->driver;
    app.printerPort = it->where;
}

QString printTooltip(const AppState& app) {
    return T::tr("Print (%1)")
        .arg(app.printerName == NoPrinter ? T::tr("No Printer") : app.printerName);
}

QString printerWhere(Printers& printers, const QString& name) {
    const std::vector<PrinterInfo> list = printers.installed();
    const auto it = findPrinter(list, name);
    return it == list.end() ? QString() : it->where;
}

bool choosePrinter(AppState& app, Printers& printers, const QString& name) {
    const std::vector<PrinterInfo> list = printers.installed();
    const auto it = findPrinter(list, name);
    if (it == list.end()) return false;
    app.printerName = it->name;
    app.printerDriver = it->driver;
    app.printerPort = it->where;
    return true;
}

int printedMode(const PaneState& pane) {
    if (pane.shown == PaneState::OneFont) return ModeOneFont;
    return pane.helpTopic == TopicAllFonts ? ModeAllFonts : ModeAssignedFonts;
}

QString nothingToPrint(const PaneState& pane) {
    // Only what the pane shows is printed: a list since hidden, or an inactive font's message,
    // prints nothing; a set chosen meanwhile does not change what the pane shows.
    if (pane.shown != PaneState::Empty) return {};
    return T::tr("There is nothing to print. Select a font, or display the All Fonts "
                 "or Assigned Fonts list, and print again.");
}

std::unique_ptr<Report> reportForPane(MainContext& ctx, QtFaceDrawing& drawing,
                                      const PaneState& pane) {
    const int mode = printedMode(pane);
    ctx.app.sampleMode = mode;
    if (mode == ModeOneFont) {
        std::unique_ptr<Report> report = dsrFontSize(ctx, drawing);
        report->setTitle(T::tr("Font Size Sample"));
        return report;
    }
    Query_FontList(ctx.app, mode);
    std::unique_ptr<Report> report = dsrFontList(ctx, drawing);
    report->setTitle(fontListTitle(ctx.app, mode));
    return report;
}

void preparePrinter(QPrinter& printer, const QString& title) {
    printer.setPageMargins(QMarginsF(54, 54, 54, 54), QPageLayout::Point);
    printer.setDocName(title);
    printer.setCopyCount(1);
    printer.setFromTo(0, 0);
}

QString printReport(Report& report, QPrinter& printer) {
    const bool preview =
        printer.paintEngine() && printer.paintEngine()->type() == QPaintEngine::Picture;
    if (!preview && printer.outputFormat() == QPrinter::NativeFormat &&
        !printer.printerName().isEmpty())
        return sendToPrinter(report, printer);
    const ReportRun run = report.print(printer);
    if (run.ok) return {};
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return T::tr("The report could not be written to \"%1\". Check that the folder "
                     "exists and that you may write there.")
            .arg(printer.outputFileName());
    return run.error;
}

bool Print_Report(MainContext& ctx, QtFaceDrawing& drawing, const PaneState& pane, bool request,
                  const std::function<bool(QPrinter&)>& askPrinter) {
    AppState& app = ctx.app;
    auto fail = [&](const QString& text) {
        app.messages.ask(MessageKind::Critical, T::tr("Print"), text);
        return false;
    };
    if (app.printerName == NoPrinter) return fail(T::tr("There are no printers installed."));
    const QString refusal = nothingToPrint(pane);
    if (!refusal.isEmpty()) return fail(refusal);

    struct Enabled {
        OperationView& view;
        ~Enabled() { view.setWindowEnabled(true); }
    } enabled{ctx.view};
    ctx.view.setWindowEnabled(false);

    std::unique_ptr<Report> report = reportForPane(ctx, drawing, pane);
    const QString title = report->title();
    if (!request) {
        const QString error = unreachable(app.printerName);
        if (!error.isEmpty()) return fail(error);
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPrinterName(app.printerName);
    preparePrinter(printer, title);
    if (request && !askPrinter(printer)) return false;
    const QString error = printReport(*report, printer);
    if (!error.isEmpty()) return fail(error);
    return true;
}

} // namespace lb
