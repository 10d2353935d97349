#include "support/temp_env.h"

#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace lbtest {

TempEnv::TempEnv() {
    EXPECT_TRUE(ok());
    // An unprivileged re-run keeps the shipped files its parent gave it (see unprivileged.h).
    if (!isUnprivilegedChild()) set("LETTERBAY_SHARE", QStringLiteral(LB_SHARE_DIR));
}

QString TempEnv::fixture(const QString& name) {
    return QStringLiteral(LB_FIXTURES "/fonts/") + name;
}

QString TempEnv::installFixture(const QString& fixtureName, bool systemWide, const QString& as) {
    const QString folder = systemWide ? systemFonts() : fontsFolder();
    QDir().mkpath(folder);
    const QString target = folder + (as.isEmpty() ? fixtureName : as);
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(fixture(fixtureName), target)) << fixtureName.toStdString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    return target;
}

SmallDisk::SmallDisk(const QString& at, const char* size) : path(at) {
    QDir().mkpath(path);
    mounted = ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0,
                      (QByteArray("size=") + size).constData()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted) ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
}

void SmallDisk::fill() const {
    QFile filler(path + QStringLiteral("/filler"));
    EXPECT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                f.write(bytes) == bytes.size())
        << path.toStdString();
    return path;
}

} // namespace lbtest
