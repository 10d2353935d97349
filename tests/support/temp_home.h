#pragma once

// A fresh home for one test or benchmark run, without any test framework, so that both can
// use it: HOME, the XDG folders and LETTERBAY_HOME point into a new temporary folder, and
// fontconfig reads a configuration that knows only the fonts of that folder (the user's fonts
// folder and a "system" folder beside it). Child processes inherit it, so fc-list sees what the
// program sees. The previous environment comes back when it goes.
//
// A test process started with LBTEST_ADOPT_ROOT set (see unprivileged.h) takes over the home
// prepared there by its parent instead of making a new one, and leaves it for the parent to remove.

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <string>

namespace lbtest {

class TempHome {
public:
    // With `systemConfig`, fontconfig reads the machine's own configuration (/etc/fonts and its
    // conf.d, the system's fonts included), writing its caches into the home: what users have.
    // Otherwise a configuration that knows only the fonts of the home, so tests do not depend on
    // the machine.
    explicit TempHome(bool systemConfig = false) {
        const QString adopt = qEnvironmentVariable("LBTEST_ADOPT_ROOT");
        if (adopt.isEmpty())
            dir_ = std::make_unique<QTemporaryDir>();
        else
            adopted_ = adopt;
        ok_ = !root().isEmpty() && (!dir_ || dir_->isValid());
        for (const QString& d :
             {home(), dataHome(), configHome(), cacheHome(), systemFonts(), dataDirs()})
            ok_ = QDir().mkpath(d) && ok_;
        set("HOME", home());
        set("XDG_DATA_HOME", dataHome());
        set("XDG_CONFIG_HOME", configHome());
        set("XDG_CACHE_HOME", cacheHome());
        // fontconfig also reads $XDG_DATA_DIRS/fonts: keep the machine's own fonts out, unless
        // the machine's configuration is wanted, whose schemas (the desktop's font settings)
        // live there too.
        if (!systemConfig) set("XDG_DATA_DIRS", dataDirs());
        set("LETTERBAY_HOME", letterbayHome());
        set("FONTCONFIG_FILE", fontconfigFile());
        QFile conf(fontconfigFile());
        ok_ = conf.open(QIODevice::WriteOnly) && ok_;
        const QString header =
            QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM "
                           "\"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n");
        // The home's cache folder first: the first writable one takes the caches, and for root
        // that would otherwise be the system's.
        if (systemConfig)
            conf.write((header + QStringLiteral("  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n"
                                                "  <dir>%1</dir>\n"
                                                "  <include>/etc/fonts/fonts.conf</include>\n"
                                                "</fontconfig>\n")
                                     .arg(systemFonts()))
                           .toUtf8());
        else
            conf.write((header + QStringLiteral("  <dir>%1</dir>\n"
                                                "  <dir prefix=\"xdg\">fonts</dir>\n"
                                                "  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n"
                                                "  <include ignore_missing=\"yes\" "
                                                "prefix=\"xdg\">fontconfig/conf.d</include>\n"
                                                "</fontconfig>\n")
                                     .arg(systemFonts()))
                           .toUtf8());
    }
    ~TempHome() {
        for (const auto& [name, value] : saved_) {
            if (value.first)
                qputenv(name.c_str(), value.second);
            else
                qunsetenv(name.c_str());
        }
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    bool ok() const { return ok_; }
    QString root() const { return dir_ ? dir_->path() : adopted_; }
    QString home() const { return root() + QStringLiteral("/home"); }
    QString dataHome() const { return home() + QStringLiteral("/.local/share"); }
    QString configHome() const { return home() + QStringLiteral("/.config"); }
    QString cacheHome() const { return home() + QStringLiteral("/.cache"); }
    QString letterbayHome() const { return dataHome() + QStringLiteral("/letterbay"); }
    QString fontsFolder() const { return dataHome() + QStringLiteral("/fonts/"); }
    QString systemFonts() const { return root() + QStringLiteral("/system-fonts/"); }
    QString dataDirs() const { return root() + QStringLiteral("/data-dirs"); }
    QString fontconfigFile() const { return root() + QStringLiteral("/fonts.conf"); }

    void set(const char* name, const QString& value) {
        if (!saved_.count(name)) saved_[name] = {qEnvironmentVariableIsSet(name), qgetenv(name)};
        qputenv(name, value.toLocal8Bit());
    }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    QString adopted_;
    bool ok_ = true;
    std::map<std::string, std::pair<bool, QByteArray>> saved_;
};

} // namespace lbtest
