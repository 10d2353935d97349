#include "platform/fonts.h"

#include <algorithm>
#include <iterator>

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

bool isFontFileName(const QString& name) {
    static const QLatin1String suffixes[] = {
        QLatin1String(".ttf"), QLatin1String(".ttc"), QLatin1String(".otf"), QLatin1String(".otc"),
        QLatin1String(".pfb"), QLatin1String(".pfa"), QLatin1String(".t1")};
    return std::any_of(std::begin(suffixes), std::end(suffixes),
                       [&](QLatin1String s) { return name.endsWith(s, Qt::CaseInsensitive); });
}

} // namespace lb
