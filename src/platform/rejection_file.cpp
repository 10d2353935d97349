#include "platform/rejection_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <algorithm>
#include <cstring>
#include <limits>

namespace lb {

namespace {

QString configHome() {
    QString xdg = QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"));
    if (xdg.isEmpty() || !QDir::isAbsolutePath(xdg))
        xdg = QDir::homePath() + QStringLiteral("/.config");
    return QDir::cleanPath(xdg);
}

// The folder part of an absolute path; "/" for a top-level entry, empty above the root.
QString parentOf(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || path == QStringLiteral("/")) return {};
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}

QString folderGlob(const QString& dir) {
    return dir.endsWith(QLatin1Char('/')) ? dir + QLatin1Char('*') : dir + QStringLiteral("/*");
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

QByteArray serialise(const FontSelection& s, const QString& comment) {
    QString out = QStringLiteral("<?xml version=\"1.0\"?>\n"
                                 "<!DOCTYPE fontconfig SYSTEM \"urn:fontconfig:fonts.dtd\">\n");
    if (!comment.isEmpty()) {
        QString c = comment;
        c.replace(QStringLiteral("--"), QStringLiteral("- -"));
        out += QStringLiteral("<!-- %1 -->\n").arg(c);
    }
    out += QStringLiteral("<fontconfig>\n  <selectfont>\n");
    if (!s.acceptGlobs.isEmpty() || !s.acceptFiles.isEmpty()) {
        out += QStringLiteral("    <acceptfont>\n");
        writeEntries(out, s.acceptGlobs, s.acceptFiles);
        out += QStringLiteral("    </acceptfont>\n");
    }
    if (!s.rejectGlobs.isEmpty() || !s.rejectFiles.isEmpty()) {
        out += QStringLiteral("    <rejectfont>\n");
        writeEntries(out, s.rejectGlobs, s.rejectFiles);
        out += QStringLiteral("    </rejectfont>\n");
    }
    out += QStringLiteral("  </selectfont>\n</fontconfig>\n");
    return out.toUtf8();
}

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

QString removedFontsConfPath() {
    return fontconfigUserConfD() + QStringLiteral("78-letterbay-removed.conf");
}

QString inactiveFontsConfPath() {
    return fontconfigUserConfD() + QStringLiteral("78-letterbay-inactive.conf");
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

bool writeFontSelection(const QString& path, const FontSelection& selection,
                        const QString& comment) {
    if (selection.isEmpty()) return !QFileInfo::exists(path) || QFile::remove(path);
    const QByteArray bytes = serialise(selection, comment);
    {
        QFile old(path);
        if (old.open(QIODevice::ReadOnly) && old.readAll() == bytes) return true;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
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

// ---------------------------------------------------------------------------------------------

FontconfigResources::FontconfigResources(FontRegistry& registry)
    : registry_(registry), path_(inactiveFontsConfPath()) {
    written_ = SelectionMatcher(readFontSelection(path_));
    for (const QString& p : written_.exactRejects())
        if (written_.rejects(p)) hidden_.insert(p);
    if (written_.hasWildcards())
        for (const QString& f : installedFiles())
            if (written_.rejects(f)) hidden_.insert(f);
}

QString FontconfigResources::absolute(const QString& file) const {
    if (file.isEmpty()) return {};
    if (QDir::isAbsolutePath(file)) return QDir::cleanPath(file);
    const QString folder = registry_.fontsFolder();
    return folder.isEmpty() ? QString() : QDir::cleanPath(folder + file);
}

std::vector<QString> FontconfigResources::installedFiles() {
    std::vector<QString> files;
    const QString folder = registry_.fontsFolder();
    for (const FontValue& v : registry_.enumerate()) {
        const QString abs = QDir::isAbsolutePath(v.data) ? v.data : folder + v.data;
        files.push_back(abs);
    }
    return files;
}

bool FontconfigResources::hiddenByFile(const QString& path) const {
    return written_.rejects(path) && !loaded_.contains(path);
}

bool FontconfigResources::isHidden(const QString& file) const {
    const QString abs = absolute(file);
    return !abs.isEmpty() && (hidden_.contains(abs) || hiddenByFile(abs));
}

int FontconfigResources::load(const QString& file) {
    const QString abs = absolute(file);
    if (abs.isEmpty() || !isHidden(abs)) return 0;
    hidden_.remove(abs);
    loaded_.insert(abs);
    // A file that is gone adds no font, though its entry is dropped all the same.
    return QFileInfo::exists(abs) ? 1 : 0;
}

int FontconfigResources::unload(const QString& file) {
    const QString abs = absolute(file);
    if (abs.isEmpty() || !QFileInfo::exists(abs)) return 0;
    const bool wasHidden = isHidden(abs);
    hidden_.insert(abs);
    loaded_.remove(abs);
    return wasHidden ? 0 : 1;
}

QStringList FontconfigResources::hiddenFiles() {
    QSet<QString> all = hidden_;
    if (written_.hasWildcards())
        for (const QString& f : installedFiles())
            if (hiddenByFile(f)) all.insert(f);
    QStringList list(all.begin(), all.end());
    list.sort();
    return list;
}

void FontconfigResources::broadcast() {
    std::vector<QString> installed;
    if (!hidden_.isEmpty() || written_.hasWildcards()) installed = installedFiles();
    QSet<QString> hidden;
    for (const QString& h : std::as_const(hidden_))
        if (QFileInfo::exists(h)) hidden.insert(h);
    // Files that arrived under a folder-wide reject since it was written are hidden by it.
    if (written_.hasWildcards())
        for (const QString& f : installed)
            if (hiddenByFile(f)) hidden.insert(f);
    const FontSelection selection = plan(hidden, installed);
    if (!writeFontSelection(path_, selection,
                            QStringLiteral("Inactive fonts, written by Letterbay. "
                                           "Letterbay rewrites this file: edits are lost."))) {
        qWarning("Letterbay: could not write %s", qUtf8Printable(path_));
        return; // the pending changes stay and are written at the next broadcast
    }
    written_ = SelectionMatcher(selection);
    hidden_ = hidden;
    loaded_.clear();
}

FontSelection FontconfigResources::plan(const QSet<QString>& hidden,
                                        const std::vector<QString>& installed) {
    FontSelection out;
    if (hidden.isEmpty()) return out;

    struct Folder {
        QStringList hidden; // hidden files directly inside
        QString parent;     // the nearest enclosing folder that holds hidden files too
        qint64 visibleUnder = 0;
        QSet<QString> visibleDirs; // folders below it on the way to visible files
        bool unsafeUnder = false;  // a visible file under it cannot be accepted by a glob
        bool allKnown = true;      // every hidden file inside is an installed font
        qint64 childCost = 0;
        bool wide = false;
        bool covered = false;
    };
    QHash<QString, Folder> folders;
    QSet<QString> installedSet;
    installedSet.reserve(qsizetype(installed.size()));
    for (const QString& f : installed)
        installedSet.insert(f);
    for (const QString& h : hidden) {
        Folder& folder = folders[parentOf(h)];
        folder.hidden.append(h);
        if (!installedSet.contains(h)) folder.allKnown = false;
    }
    for (auto it = folders.begin(); it != folders.end(); ++it)
        for (QString a = parentOf(it.key()); !a.isEmpty(); a = parentOf(a))
            if (folders.contains(a)) {
                it->parent = a;
                break;
            }
    for (const QString& f : installedSet) {
        if (hidden.contains(f)) continue;
        const bool safe = isLiteralGlob(f) && isXmlText(f);
        QStringList passed;
        for (QString a = parentOf(f); !a.isEmpty(); a = parentOf(a)) {
            if (auto it = folders.find(a); it != folders.end()) {
                ++it->visibleUnder;
                for (const QString& p : std::as_const(passed))
                    it->visibleDirs.insert(p);
                if (!safe) it->unsafeUnder = true;
            }
            passed.append(a);
        }
    }

    // Deepest folders first, so that each folder knows the best cost of the folders inside it.
    QStringList order = folders.keys();
    std::sort(order.begin(), order.end(), [](const QString& a, const QString& b) {
        return a.size() != b.size() ? a.size() > b.size() : a < b;
    });
    for (const QString& dir : std::as_const(order)) {
        Folder& f = folders[dir];
        const qint64 perFile = f.hidden.size() + f.childCost;
        // Only where the registry knows the folder: otherwise unknown fonts would vanish with it.
        const bool feasible = f.allKnown && !f.unsafeUnder && isLiteralGlob(dir) && isXmlText(dir);
        // fontconfig applies the globs to subfolders as well and skips a rejected one whole, so
        // the folders leading to visible fonts need accepts of their own.
        const qint64 wide = feasible ? 1 + f.visibleUnder + f.visibleDirs.size()
                                     : std::numeric_limits<qint64>::max();
        f.wide = wide < perFile;
        if (!f.parent.isEmpty()) folders[f.parent].childCost += std::min(wide, perFile);
    }

    std::reverse(order.begin(), order.end());
    QSet<QString> wideFolders;
    for (const QString& dir : std::as_const(order)) {
        Folder& f = folders[dir];
        if (!f.parent.isEmpty()) {
            const Folder& p = folders[f.parent];
            f.covered = p.covered || p.wide;
        }
        if (f.covered) continue;
        if (f.wide) {
            wideFolders.insert(dir);
            out.rejectGlobs.append(folderGlob(dir));
            continue;
        }
        for (const QString& h : std::as_const(f.hidden)) {
            if (!isXmlText(h))
                qWarning("Letterbay: cannot hide %s: its name cannot be written",
                         qUtf8Printable(h));
            else if (isLiteralGlob(h))
                out.rejectGlobs.append(h);
            else
                out.rejectFiles.append(h);
        }
    }
    if (!wideFolders.isEmpty()) {
        QSet<QString> accepts;
        for (const QString& f : installedSet) {
            if (hidden.contains(f)) continue;
            QStringList passed{f};
            for (QString a = parentOf(f); !a.isEmpty(); a = parentOf(a)) {
                if (wideFolders.contains(a)) {
                    for (const QString& p : std::as_const(passed))
                        accepts.insert(p);
                    break;
                }
                passed.append(a);
            }
        }
        out.acceptGlobs = QStringList(accepts.begin(), accepts.end());
    }
    out.acceptGlobs.sort();
    out.rejectGlobs.sort();
    out.rejectFiles.sort();
    return out;
}

} // namespace lb
