#pragma once

#include "platform/printers.h"

namespace lb {

// The printers CUPS offers, through Qt Print Support.
class QtPrinters : public Printers {
public:
    std::vector<PrinterInfo> installed() override;
    QString defaultName() override;
};

} // namespace lb
