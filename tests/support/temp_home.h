#pragma once

// A fresh home for one test or benchmark run (no test framework, so both can use it): HOME, the
// XDG folders and LETTERBAY_HOME point into a new temporary folder, whose fonts (the user's and a
// "system" folder) are the only ones fontconfig knows. Child processes inherit it, so fc-list sees
// what the program sees. The previous environment comes back when it goes.
//
// A test process started with LBTEST_ADOPT_ROOT set (see unprivileged.h) takes over the home
// prepared there by its parent instead of making a new one, and leaves it for the parent to remove.

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace lbtest {

class TempHome {
public:
    // With `systemConfig`, fontconfig reads the machine's own configuration, its caches written
    // into the home: what users have. Otherwise it knows only the home's fonts.
    explicit TempHome(bool systemConfig = false)
        : adopted_(qEnvironmentVariable("LBTEST_ADOPT_ROOT")) {
        if (adopted_.isEmpty()) dir_ = std::make_unique<QTemporaryDir>();
        ok_ = !root().isEmpty() && (!dir_ || dir_->isValid());
        for (const QString& d :
             {home(), dataHome(), configHome(), cacheHome(), systemFonts(), dataDirs()})
            ok_ = QDir().mkpath(d) && ok_;
        set("HOME", home());
        set("XDG_DATA_HOME", dataHome());
        set("XDG_CONFIG_HOME", configHome());
        set("XDG_CACHE_HOME", cacheHome());
        // fontconfig also reads $XDG_DATA_DIRS/fonts: the machine's stay out, but for its own
        // configuration, whose schemas (the desktop's font settings) live there too.
        if (!systemConfig) set("XDG_DATA_DIRS", dataDirs());
        set("LETTERBAY_HOME", letterbayHome());
        set("FONTCONFIG_FILE", fontconfigFile());
        // The home's cache folder comes first: the first writable one takes the caches, and for
        // root that would otherwise be the system's.
        const QString dirs =
            systemConfig ? QStringLiteral("  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n"
                                          "  <dir>%1</dir>\n"
                                          "  <include>/etc/fonts/fonts.conf</include>\n")
                         : QStringLiteral("  <dir>%1</dir>\n  <dir prefix=\"xdg\">fonts</dir>\n"
                                          "  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n"
                                          "  <include ignore_missing=\"yes\" "
                                          "prefix=\"xdg\">fontconfig/conf.d</include>\n");
        QFile conf(fontconfigFile());
        ok_ = conf.open(QIODevice::WriteOnly) &&
              conf.write("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM "
                         "\"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n" +
                         dirs.arg(systemFonts()).toUtf8() + "</fontconfig>\n") > 0 &&
              ok_;
    }
    ~TempHome() {
        for (const auto& [name, value] : saved_)
            value ? qputenv(name.c_str(), *value) : qunsetenv(name.c_str());
    }
    Q_DISABLE_COPY(TempHome)

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
        saved_.try_emplace(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name))
                                                                 : std::nullopt);
        qputenv(name, value.toLocal8Bit());
    }

private:
    QString adopted_;
    std::unique_ptr<QTemporaryDir> dir_;
    bool ok_ = true;
    std::map<std::string, std::optional<QByteArray>> saved_; // unset: nullopt
};

} // namespace lbtest
