#include "platform/qt_printers.h"

#include <QPrinterInfo>

namespace lb {

namespace {

PrinterInfo infoOf(const QPrinterInfo& p) {
    // Driverless queues often have no location: their description still tells them apart.
    const QString where = p.location().isEmpty() ? p.description() : p.location();
    return {p.printerName(), p.makeAndModel(), where};
}

} // namespace

std::vector<PrinterInfo> QtPrinters::installed() {
    std::vector<PrinterInfo> out;
    for (const QPrinterInfo& p : QPrinterInfo::availablePrinters())
        out.push_back(infoOf(p));
    return out;
}

QString QtPrinters::defaultName() {
    return QPrinterInfo::defaultPrinterName();
}

} // namespace lb
