#include "platform/qt_face_drawing.h"

#include <QFontDatabase>
#include <QFontInfo>

namespace lb {

namespace {

QFont exactFont(const QString& family) {
    QFont f(family);
    // Qt would fill characters the face lacks from other fonts: a sample shows the face alone.
    f.setStyleStrategy(QFont::NoFontMerging);
    return f;
}

// Qt names a family that several foundries offer "Family [Foundry]": it is still that family.
QString withoutFoundry(const QString& family) {
    const qsizetype open = family.lastIndexOf(QLatin1String(" ["));
    return open > 0 && family.endsWith(QLatin1Char(']')) ? family.left(open) : family;
}

} // namespace

void QtFaceDrawing::addFamily(const QString& family) {
    familyOf_.insert(family.toCaseFolded(), family);
    const QString bare = withoutFoundry(family).toCaseFolded();
    if (!familyOf_.contains(bare)) familyOf_.insert(bare, family);
}

void QtFaceDrawing::readFamilies() {
    if (familiesRead_) return;
    familiesRead_ = true;
    for (const QString& family : QFontDatabase::families())
        addFamily(family);
}

bool QtFaceDrawing::resolve(const QString& key) {
    const QString family = familyOf_.value(key);
    if (family.isEmpty()) return false;
    // Qt answers a name it does not know with its default face; accept only the face itself.
    const QString drawn = QFontInfo(exactFont(family)).family().toCaseFolded();
    if (drawn != key && withoutFoundry(drawn) != key) return false;
    resolved_.insert(key, family);
    return true;
}

bool QtFaceDrawing::known(const QString& face) {
    const QString key = face.toCaseFolded();
    if (resolved_.contains(key)) return true;
    readFamilies();
    return resolve(key);
}

bool QtFaceDrawing::load(const QString& face, const QStringList& files) {
    const QString key = face.toCaseFolded();
    if (resolved_.contains(key)) return true;
    readFamilies();
    for (const QString& file : files) {
        if (loadedFiles_.contains(file)) continue;
        const int id = QFontDatabase::addApplicationFont(file);
        loadedFiles_.insert(file, id);
        if (id < 0) continue;
        for (const QString& family : QFontDatabase::applicationFontFamilies(id))
            addFamily(family);
    }
    return resolve(key);
}

QFont QtFaceDrawing::font(const QString& face, int pointSize, bool bold, bool italic,
                          bool underline) {
    QFont f = exactFont(resolved_.value(face.toCaseFolded(), face));
    f.setPointSize(pointSize);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

QFont QtFaceDrawing::printFont(const QString& face, int pointSize, bool bold, bool italic,
                               bool underline) {
    QFont f = font(face, pointSize, bold, italic, underline);
    if (bold || italic) f.setStyleStrategy(QFont::PreferDefault);
    return f;
}

} // namespace lb
