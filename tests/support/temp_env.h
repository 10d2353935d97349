#pragma once

#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>

namespace lbtest {

// A fresh home for one test: HOME, the XDG folders and LETTERBAY_HOME point into a new
// temporary folder, and fontconfig reads a configuration that knows only the fonts of that
// folder (the user's fonts folder and a "system" folder beside it). Restores the previous
// environment when it goes.
class TempEnv {
public:
    TempEnv();
    ~TempEnv();
    TempEnv(const TempEnv&) = delete;
    TempEnv& operator=(const TempEnv&) = delete;

    QString root() const { return dir_.path(); }
    QString home() const { return root() + QStringLiteral("/home"); }
    QString dataHome() const { return home() + QStringLiteral("/.local/share"); }
    QString configHome() const { return home() + QStringLiteral("/.config"); }
    QString cacheHome() const { return home() + QStringLiteral("/.cache"); }
    QString letterbayHome() const { return dataHome() + QStringLiteral("/letterbay"); }
    QString fontsFolder() const { return dataHome() + QStringLiteral("/fonts/"); }
    QString systemFonts() const { return root() + QStringLiteral("/system-fonts/"); }
    QString fontconfigFile() const { return root() + QStringLiteral("/fonts.conf"); }

    // Copies a fixture font into the user's fonts folder or the system folder.
    QString installFixture(const QString& fixture, bool systemWide = false, const QString& as = {});
    static QString fixture(const QString& name);

    void set(const char* name, const QString& value);

private:
    QTemporaryDir dir_;
    std::map<std::string, std::pair<bool, QByteArray>> saved_;
};

} // namespace lbtest
