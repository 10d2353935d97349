#include "platform/fonts.h"

namespace lb {

QString fontRef(const QString& file, int face) {
    if (face <= 0) return file;
    return file + QChar(u'\0') + QString::number(face);
}

QString refFile(const QString& ref) {
    const qsizetype nul = ref.indexOf(QChar(u'\0'));
    return nul < 0 ? ref : ref.left(nul);
}

int refFace(const QString& ref) {
    const qsizetype nul = ref.indexOf(QChar(u'\0'));
    return nul < 0 ? 0 : ref.mid(nul + 1).toInt();
}

} // namespace lb
