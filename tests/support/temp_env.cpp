#include "support/temp_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace lbtest {

TempEnv::TempEnv() {
    EXPECT_TRUE(dir_.isValid());
    for (const QString& d : {home(), dataHome(), configHome(), cacheHome(), systemFonts()})
        QDir().mkpath(d);
    set("HOME", home());
    set("XDG_DATA_HOME", dataHome());
    set("XDG_CONFIG_HOME", configHome());
    set("XDG_CACHE_HOME", cacheHome());
    // fontconfig also reads $XDG_DATA_DIRS/fonts: keep the machine's own fonts out.
    QDir().mkpath(root() + QStringLiteral("/data-dirs"));
    set("XDG_DATA_DIRS", root() + QStringLiteral("/data-dirs"));
    set("LETTERBAY_HOME", letterbayHome());
    set("LETTERBAY_SHARE", QStringLiteral(LB_SHARE_DIR));
    set("FONTCONFIG_FILE", fontconfigFile());
    QFile conf(fontconfigFile());
    EXPECT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(
        QStringLiteral(
            "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n"
            "<fontconfig>\n"
            "  <dir>%1</dir>\n"
            "  <dir prefix=\"xdg\">fonts</dir>\n"
            "  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n"
            "  <include ignore_missing=\"yes\" prefix=\"xdg\">fontconfig/conf.d</include>\n"
            "</fontconfig>\n")
            .arg(systemFonts())
            .toUtf8());
}

TempEnv::~TempEnv() {
    for (const auto& [name, value] : saved_) {
        if (value.first)
            qputenv(name.c_str(), value.second);
        else
            qunsetenv(name.c_str());
    }
}

void TempEnv::set(const char* name, const QString& value) {
    if (!saved_.count(name)) saved_[name] = {qEnvironmentVariableIsSet(name), qgetenv(name)};
    qputenv(name, value.toLocal8Bit());
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
