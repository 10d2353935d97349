#include "core/paths.h"

#include "platform/checked_file.h"

#include "core/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Paths)
};
} // namespace

namespace {
QString env(const char* name) {
    return QString::fromLocal8Bit(qgetenv(name));
}
QString clean(QString p) {
    p = QDir::cleanPath(p);
    return p;
}
} // namespace

QString dataFolder() {
    const QString home = env("LETTERBAY_HOME");
    if (!home.isEmpty()) return clean(home);
    QString xdg = env("XDG_DATA_HOME");
    if (xdg.isEmpty() || !QDir::isAbsolutePath(xdg))
        xdg = QDir::homePath() + QStringLiteral("/.local/share");
    return clean(xdg + QStringLiteral("/letterbay"));
}

QString shippedFolder() {
    const QString share = env("LETTERBAY_SHARE");
    if (!share.isEmpty()) return clean(share);
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return clean(QFileInfo(exe).absolutePath() + QStringLiteral("/../share/letterbay"));
}

QString databasePath() {
    return dataFolder() + QLatin1Char('/') + DatabaseFileName;
}

QString appendPath() {
    const QString own = dataFolder() + QLatin1Char('/') + AppendFileName;
    if (QFileInfo::exists(own)) return own;
    return shippedFolder() + QLatin1Char('/') + AppendFileName;
}

QString prepareDataFolder() {
    const QString folder = dataFolder();
    if (!QDir().mkpath(folder)) return T::tr("The folder \"%1\" could not be created.").arg(folder);
    const QString target = databasePath();
    if (QFileInfo::exists(target)) return {};
    const QString source = shippedFolder() + QLatin1Char('/') + DatabaseFileName;
    QFile in(source);
    QByteArray bytes;
    if (in.open(QIODevice::ReadOnly)) bytes = in.readAll();
    if (bytes.isEmpty() || bytes.size() != in.size())
        return T::tr("The font database \"%1\" could not be copied to \"%2\".").arg(source, target);
    // Written whole under another name first, so an interrupted copy never looks like a
    // database; a program that started at the same moment and made it first wins.
    bool existed = false;
    const QString why = writeFileChecked(CheckedWrite{target, bytes, {}, 0600, {}, true}, &existed);
    if (!why.isEmpty() && !existed)
        return T::tr("The font database \"%1\" could not be created: %2").arg(target, why);
    return {};
}

} // namespace lb
