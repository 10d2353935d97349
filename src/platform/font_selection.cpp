#include "platform/font_selection.h"

#include "core/paths.h"

#include "platform/checked_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>

namespace lb {

namespace {

QString configHome() {
    QString xdg = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (xdg.isEmpty() || !QDir::isAbsolutePath(xdg))
        xdg = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(xdg);
}

// fontconfig compares file patterns ignoring case and spaces.
QString patternKey(const QString& path) {
    QString key = path.toCaseFolded();
    key.remove(QLatin1Char(' '));
    return key;
}

bool hasWildcard(const QByteArray& glob) {
    return glob.contains('*') || glob.contains('?');
}

bool globMatch(const char* glob, const char* string) {
    char c;
    while ((c = *glob++)) {
        switch (c) {
        case '*': {
            if (!*glob) return true;
            // Like fontconfig: with no further '*' only the tail of the string can match.
            if (!std::strchr(glob, '*')) {
                const size_t l1 = std::strlen(string);
                const size_t l2 = std::strlen(glob);
                if (l1 < l2) return false;
                string += l1 - l2;
            }
            for (; *string; ++string)
                if (globMatch(glob, string)) return true;
            return false;
        }
        case '?':
            if (*string++ == '\0') return false;
            break;
        default:
            if (*string++ != c) return false;
            break;
        }
    }
    return *string == '\0';
}

QString escapeXml(const QString& text) {
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar ch : text) {
        switch (ch.unicode()) {
        case '&':
            out += QStringLiteral("&amp;");
            break;
        case '<':
            out += QStringLiteral("&lt;");
            break;
        case '>':
            out += QStringLiteral("&gt;");
            break;
        case '"':
            out += QStringLiteral("&quot;");
            break;
        // Character references keep the parser from normalising white space in file names.
        case '\t':
            out += QStringLiteral("&#9;");
            break;
        case '\n':
            out += QStringLiteral("&#10;");
            break;
        case '\r':
            out += QStringLiteral("&#13;");
            break;
        default:
            out += ch;
        }
    }
    return out;
}

void writeEntries(QString& out, const QStringList& globs, const QStringList& files) {
    for (const QString& g : globs)
        out += QStringLiteral("      <glob>%1</glob>\n").arg(escapeXml(g));
    for (const QString& f : files)
        out += QStringLiteral("      <pattern><patelt name=\"file\"><string>%1</string></patelt>"
                              "</pattern>\n")
                   .arg(escapeXml(f));
}

} // namespace

QByteArray serialiseFontConfig(const FontSelection& s, const QString& comment,
                               const QStringList& dirs) {
    QString out = QStringLiteral("<?xml version=\"1.0\"?>\n"
                                 "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n");
    if (!comment.isEmpty()) {
        QString c = comment;
        c.replace(QStringLiteral("--"), QStringLiteral("- -"));
        out += QStringLiteral("<!-- %1 -->\n").arg(c);
    }
    out += QStringLiteral("<fontconfig>\n");
    for (const QString& d : dirs)
        out += QStringLiteral("  <dir>%1</dir>\n").arg(escapeXml(d));
    out += QStringLiteral("  <selectfont>\n");
    if (!s.acceptGlobs.isEmpty() || !s.acceptFiles.isEmpty()) {
        out += QStringLiteral("    <acceptfont>\n");
        writeEntries(out, s.acceptGlobs, s.acceptFiles);
        out += QStringLiteral("    </acceptfont>\n");
    }
    if (!s.rejectGlobs.isEmpty() || !s.rejectFiles.isEmpty() || !s.rejectFaces.empty()) {
        out += QStringLiteral("    <rejectfont>\n");
        writeEntries(out, s.rejectGlobs, s.rejectFiles);
        // A pattern per face: fontconfig requires every value of a pattern element to match.
        for (const auto& [file, indices] : s.rejectFaces)
            for (const int index : indices)
                out += QStringLiteral("      <pattern><patelt name=\"file\"><string>%1</string>"
                                      "</patelt><patelt name=\"index\"><int>%2</int></patelt>"
                                      "</pattern>\n")
                           .arg(escapeXml(file))
                           .arg(index);
        out += QStringLiteral("    </rejectfont>\n");
    }
    out += QStringLiteral("  </selectfont>\n</fontconfig>\n");
    return out.toUtf8();
}

namespace {

// Reads one <acceptfont> or <rejectfont> element; the reader stands on its start tag.
void readSelector(QXmlStreamReader& xml, QStringList& globs, QStringList& files) {
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("glob")) {
            globs.append(xml.readElementText());
        } else if (xml.name() == QLatin1String("pattern")) {
            QString file;
            bool other = false;
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("patelt") &&
                    xml.attributes().value(QLatin1String("name")) == QLatin1String("file")) {
                    while (xml.readNextStartElement()) {
                        if (xml.name() == QLatin1String("string"))
                            file = xml.readElementText();
                        else
                            xml.skipCurrentElement();
                    }
                } else {
                    other = true;
                    xml.skipCurrentElement();
                }
            }
            // Patterns on other properties are not this program's: they select no file by name.
            if (!other && !file.isEmpty()) files.append(file);
        } else {
            xml.skipCurrentElement();
        }
    }
}

} // namespace

QString fontconfigUserConfD() {
    return configHome() + QStringLiteral("/fontconfig/conf.d/");
}

namespace {

QString rulesFolder() {
    return configHome() + QStringLiteral("/fontconfig/letterbay/");
}

} // namespace

QString removedFontsConfPath() {
    return rulesFolder() + QStringLiteral("removed.conf");
}

QString inactiveFontsConfPath() {
    return rulesFolder() + QStringLiteral("inactive.conf");
}

QString rulesIncludePath() {
    return fontconfigUserConfD() + QStringLiteral("78-letterbay.conf");
}

QString installedRulesPath() {
    return shippedFolder() + QStringLiteral("/fontconfig.conf");
}

QString includeRules() {
    // Files of a version that kept the rules in conf.d itself move beside the others: there,
    // they would outlive the program.
    const std::pair<const char*, QString> moved[] = {
        {"78-letterbay-removed.conf", removedFontsConfPath()},
        {"78-letterbay-inactive.conf", inactiveFontsConfPath()}};
    for (const auto& [old, now] : moved) {
        const QString from = fontconfigUserConfD() + QLatin1String(old);
        if (!QFileInfo::exists(from)) continue;
        if (!QFileInfo::exists(now) && QDir().mkpath(rulesFolder())) QFile::rename(from, now);
        if (QFileInfo::exists(now)) QFile::remove(from);
    }
    const QByteArray bytes =
        QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM "
                       "\"urn:fontconfig:fonts.dtd\">\n<fontconfig>\n"
                       "  <!-- Letterbay's hidden and removed fonts, read through a file of the "
                       "installation: gone with it. -->\n"
                       "  <include ignore_missing=\"yes\">%1</include>\n</fontconfig>\n")
            .arg(installedRulesPath().toHtmlEscaped())
            .toUtf8();
    const QString path = rulesIncludePath();
    if (readWholeFile(path) == bytes) return {};
    return replaceFileChecked(path, bytes);
}

QByteArray fontRulesKey() {
    QByteArray key;
    for (const QString& path : {inactiveFontsConfPath(), removedFontsConfPath()}) {
        QByteArray bytes = readWholeFile(path);
        // The comments carry the serial number of each write, not what the rules select.
        for (qsizetype at; (at = bytes.indexOf("<!--")) >= 0;) {
            const qsizetype end = bytes.indexOf("-->", at);
            bytes.remove(at, end < 0 ? bytes.size() - at : end + 3 - at);
        }
        key += QByteArray::number(bytes.size()) + ':' + bytes;
    }
    return key;
}

void announceFontChange() {
    // Only the time: a file of the same content is not written again.
    const QByteArray path = QFile::encodeName(rulesIncludePath());
    ::utimensat(AT_FDCWD, path.constData(), nullptr, 0);
}

FontSelection readFontSelection(const QString& path) {
    FontSelection s;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return s;
    QXmlStreamReader xml(&file);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("fontconfig")) return s;
    while (xml.readNextStartElement()) {
        if (xml.name() != QLatin1String("selectfont")) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("acceptfont"))
                readSelector(xml, s.acceptGlobs, s.acceptFiles);
            else if (xml.name() == QLatin1String("rejectfont"))
                readSelector(xml, s.rejectGlobs, s.rejectFiles);
            else
                xml.skipCurrentElement();
        }
    }
    // fontconfig ignores a file it cannot parse, so a broken file selects nothing.
    if (xml.hasError()) return {};
    return s;
}

QString writeFontSelection(const QString& path, const FontSelection& selection,
                           const QString& comment) {
    if (selection.isEmpty()) return removeFileChecked(path);
    if (const QString problem = includeRules(); !problem.isEmpty()) return problem;
    const QByteArray bytes = serialiseFontConfig(selection, comment);
    // Unchanged content is not written again, so programs do not reload their configuration.
    if (QFileInfo::exists(path) && readWholeFile(path) == bytes) return {};
    return replaceFileChecked(path, bytes);
}

bool fontconfigGlobMatch(const QByteArray& glob, const QByteArray& path) {
    return globMatch(glob.constData(), path.constData());
}

bool isLiteralGlob(const QString& path) {
    return !path.contains(QLatin1Char('*')) && !path.contains(QLatin1Char('?'));
}

bool isXmlText(const QString& path) {
    for (const char32_t c : path.toUcs4()) {
        const bool ok = c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
                        (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
        if (!ok) return false;
    }
    return true;
}

SelectionMatcher::SelectionMatcher(const FontSelection& s) {
    for (const QString& g : s.acceptGlobs) {
        const QByteArray b = QFile::encodeName(g);
        if (hasWildcard(b))
            wildAccept_.append(b);
        else
            exactAccept_.insert(b);
    }
    for (const QString& g : s.rejectGlobs) {
        const QByteArray b = QFile::encodeName(g);
        if (hasWildcard(b)) {
            wildReject_.append(b);
        } else {
            exactReject_.insert(b);
            exactRejectList_.append(g);
        }
    }
    for (const QString& f : s.acceptFiles)
        acceptFiles_.insert(patternKey(f));
    for (const QString& f : s.rejectFiles) {
        rejectFiles_.insert(patternKey(f));
        exactRejectList_.append(f);
    }
}

bool SelectionMatcher::matches(const QSet<QByteArray>& exact, const QList<QByteArray>& wild,
                               const QByteArray& path) {
    if (exact.contains(path)) return true;
    for (const QByteArray& g : wild)
        if (fontconfigGlobMatch(g, path)) return true;
    return false;
}

bool SelectionMatcher::rejects(const QString& path) const {
    const QByteArray bytes = QFile::encodeName(path);
    // fontconfig first filters by file name (accepting globs win over rejecting ones), then by
    // pattern (likewise); a font dropped by either step is gone.
    if (!matches(exactAccept_, wildAccept_, bytes) && matches(exactReject_, wildReject_, bytes))
        return true;
    if (rejectFiles_.isEmpty()) return false;
    const QString key = patternKey(path);
    return rejectFiles_.contains(key) && !acceptFiles_.contains(key);
}

} // namespace lb
