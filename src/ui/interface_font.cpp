#include "ui/interface_font.h"

#include "platform/desktop_fonts.h"

#include <QApplication>
#include <QFontDatabase>

namespace lb {

void useConcreteInterfaceFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    const QString family = FontconfigDesktopFonts::resolveFamily(nullptr, font.family());
    if (family.isEmpty()) return;
    font.setFamilies({family});
    QApplication::setFont(font);
}

} // namespace lb
