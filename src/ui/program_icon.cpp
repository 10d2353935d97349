#include "ui/program_icon.h"

namespace lb {

QIcon programIcon() {
    QIcon bundled;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        bundled.addFile(QStringLiteral(":/apps/letterbay-%1.png").arg(size), QSize(size, size));
    return QIcon::fromTheme(QStringLiteral("letterbay"), bundled);
}

} // namespace lb
