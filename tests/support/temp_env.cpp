#include "support/temp_env.h"

#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

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

} // namespace lbtest
