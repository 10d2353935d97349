#include "platform/desktop_fonts.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <fontconfig/fontconfig.h>
#include <sys/stat.h>

namespace lb {

namespace {

// How long the desktop's settings tool may take before it is given up on.
constexpr int SettingsTimeoutMs = 2000;

// Style, weight, stretch, variant and gravity words of a desktop font description.
bool isStyleWord(const QString& word) {
    static const QSet<QString> words = [] {
        QSet<QString> s;
        for (const char* w : {"normal",      "roman",           "oblique",
                              "italic",      "small-caps",      "all-small-caps",
                              "petite-caps", "all-petite-caps", "unicase",
                              "title-caps",  "ultra-condensed", "extra-condensed",
                              "condensed",   "semi-condensed",  "semi-expanded",
                              "expanded",    "extra-expanded",  "ultra-expanded",
                              "thin",        "ultra-light",     "extra-light",
                              "light",       "semi-light",      "demi-light",
                              "book",        "regular",         "medium",
                              "semi-bold",   "demi-bold",       "bold",
                              "ultra-bold",  "extra-bold",      "heavy",
                              "black",       "ultra-black",     "extra-black",
                              "ultra-heavy", "not-rotated",     "south",
                              "upside-down", "north",           "rotated-left",
                              "east",        "rotated-right",   "west"})
            s.insert(QString::fromLatin1(w));
        return s;
    }();
    return words.contains(word.toLower());
}

// The text of a printed settings string: 'text' or "text", with backslash escapes.
QString unquote(const QString& value) {
    const QString v = value.trimmed();
    if (v.size() < 2 || (v.front() != QLatin1Char('\'') && v.front() != QLatin1Char('"')) ||
        v.back() != v.front())
        return {};
    QString out;
    for (qsizetype i = 1; i < v.size() - 1; ++i) {
        QChar c = v[i];
        if (c == QLatin1Char('\\') && i + 1 < v.size() - 1) {
            c = v[++i];
            if (c == QLatin1Char('n'))
                c = QLatin1Char('\n');
            else if (c == QLatin1Char('t'))
                c = QLatin1Char('\t');
        }
        out += c;
    }
    return out;
}

// What the desktop's settings are read from, and the state of each file: the settings tool's
// environment, the dconf databases (the user's, rewritten whole on every change, and the
// system's), the key file of the key-file back end, and the compiled schemas with their
// defaults. Equal stamps mean the tool would answer as before; a few stat calls.
QByteArray settingsStamp(const QString& tool) {
    QByteArray stamp = tool.toUtf8();
    for (const char* name : {"GSETTINGS_BACKEND", "GSETTINGS_SCHEMA_DIR", "DCONF_PROFILE",
                             "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "HOME"})
        stamp += '\n' + qgetenv(name);
    const auto add = [&stamp](const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        struct stat st {};
        stamp += '\n' + name;
        if (::stat(name.constData(), &st) == 0)
            stamp += ' ' + QByteArray::number(qulonglong(st.st_dev)) + ' ' +
                     QByteArray::number(qulonglong(st.st_ino)) + ' ' +
                     QByteArray::number(qlonglong(st.st_size)) + ' ' +
                     QByteArray::number(qlonglong(st.st_mtim.tv_sec)) + '.' +
                     QByteArray::number(qlonglong(st.st_mtim.tv_nsec));
    };
    const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    add(config + QStringLiteral("/dconf/user"));
    add(config + QStringLiteral("/glib-2.0/settings/keyfile"));
    add(QStringLiteral("/etc/dconf/profile"));
    add(QStringLiteral("/etc/dconf/db"));
    const QDir systemDb(QStringLiteral("/etc/dconf/db"));
    for (const QString& db : systemDb.entryList(QDir::Files, QDir::Name))
        add(systemDb.filePath(db));
    QStringList schemas = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (QString& dir : schemas)
        dir += QStringLiteral("/glib-2.0/schemas");
    if (qEnvironmentVariableIsSet("GSETTINGS_SCHEMA_DIR"))
        schemas += qEnvironmentVariable("GSETTINGS_SCHEMA_DIR").split(QLatin1Char(':'));
    for (const QString& dir : schemas)
        add(dir + QStringLiteral("/gschemas.compiled"));
    return stamp;
}

} // namespace

FontconfigDesktopFonts::FontconfigDesktopFonts(FcConfig* config, QString gsettings)
    : config_(config), gsettings_(std::move(gsettings)) {}

QStringList FontconfigDesktopFonts::descriptionFamilies(const QString& description) {
    static const QRegularExpression space(QStringLiteral("\\s+"));
    static const QRegularExpression size(QStringLiteral("^[0-9]+(\\.[0-9]*)?(px)?$"));
    QStringList words = description.split(space, Qt::SkipEmptyParts);
    while (!words.isEmpty() && words.back().startsWith(QLatin1Char('@')))
        words.removeLast(); // font variations
    if (!words.isEmpty() && size.match(words.back()).hasMatch()) words.removeLast();
    while (!words.isEmpty() && isStyleWord(words.back()))
        words.removeLast();
    QStringList families;
    for (const QString& f : words.join(QLatin1Char(' ')).split(QLatin1Char(','))) {
        const QString family = f.trimmed();
        if (!family.isEmpty()) families.append(family);
    }
    return families;
}

QString FontconfigDesktopFonts::resolveFamily(FcConfig* config_, const QString& family) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return {};
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcConfigSubstitute(config_, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(config_, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return {};
    QString resolved;
    FcChar8* value = nullptr;
    FcChar8* lang = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
        if (i == 0) resolved = QString::fromUtf8(reinterpret_cast<const char*>(value));
        if (FcPatternGetString(match, FC_FAMILYLANG, i, &lang) == FcResultMatch &&
            qstrcmp(reinterpret_cast<const char*>(lang), "en") == 0) {
            resolved = QString::fromUtf8(reinterpret_cast<const char*>(value));
            break;
        }
    }
    FcPatternDestroy(match);
    return resolved;
}

QStringList FontconfigDesktopFonts::desktopDescriptions() {
    if (gsettings_.isEmpty()) return {};
    const QString program = QStandardPaths::findExecutable(gsettings_);
    if (program.isEmpty()) return {};
    QByteArray stamp = settingsStamp(program);
    if (stamp != settingsStamp_) {
        descriptions_ = askSettingsTool();
        settingsStamp_ = std::move(stamp);
    }
    return descriptions_;
}

QStringList FontconfigDesktopFonts::askSettingsTool() const {
    const QString program = QStandardPaths::findExecutable(gsettings_);
    // One run for all three keys: starting the tool costs more than reading the schema.
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(program, {QStringLiteral("list-recursively"),
                            QStringLiteral("org.gnome.desktop.interface")});
    if (!process.waitForFinished(SettingsTimeoutMs)) {
        process.kill();
        process.waitForFinished(SettingsTimeoutMs);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) return {};
    QHash<QString, QString> values;
    const QString out = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString& line : out.split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() >= 3)
            values.insert(parts[1], unquote(parts.mid(2).join(QLatin1Char(' '))));
    }
    QStringList descriptions;
    for (const char* key : {"font-name", "document-font-name", "monospace-font-name"}) {
        const QString d = values.value(QString::fromLatin1(key));
        if (!d.isEmpty()) descriptions.append(d);
    }
    return descriptions;
}

QStringList FontconfigDesktopFonts::families() {
    QStringList out;
    const auto add = [&out](const QString& family) {
        if (!family.isEmpty() && !out.contains(family, Qt::CaseInsensitive)) out.append(family);
    };
    for (const char* generic : {"sans-serif", "serif", "monospace"})
        add(resolve(QString::fromLatin1(generic)));
    for (const QString& description : desktopDescriptions()) {
        // The first family of a list is the one the desktop draws with.
        const QStringList named = descriptionFamilies(description);
        if (!named.isEmpty()) add(resolve(named.first()));
    }
    return out;
}

} // namespace lb
