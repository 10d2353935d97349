#pragma once

#include <QString>
#include <vector>

namespace lb {

// One installed printer as the print system lists it.
struct PrinterInfo {
    QString name;   // the device name print jobs are sent to
    QString driver; // make and model
    QString where;  // where it is: its location, or else its description
};

// The printers of the desktop's print system.
class Printers {
public:
    virtual ~Printers() = default;
    // Every installed printer, in the print system's order.
    virtual std::vector<PrinterInfo> installed() = 0;
    // The name of the system's default printer; empty when none is set.
    virtual QString defaultName() = 0;
};

} // namespace lb
