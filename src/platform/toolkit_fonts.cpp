#include "platform/toolkit_fonts.h"

#include "platform/desktop_fonts.h"
#include "platform/font_selection.h"

#include <QDir>
#include <QFile>
#include <fontconfig/fontconfig.h>

namespace lb {

namespace {

bool isUnder(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The files fontconfig lists for a family.
std::vector<QByteArray> familyFiles(FcConfig* config, const QString& family) {
    FcPattern* pattern = FcPatternCreate();
    FcObjectSet* objects = FcObjectSetBuild(FC_FILE, nullptr);
    const QByteArray name = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcFontSet* set = FcFontList(config, pattern, objects);
    std::vector<QByteArray> files = fontFiles(set);
    if (set) FcFontSetDestroy(set);
    FcObjectSetDestroy(objects);
    FcPatternDestroy(pattern);
    return files;
}

} // namespace

FontConfigPtr narrowToolkitFonts(const QString& interfaceFamily, const QString& home) {
    const QString homeFolder = QDir(home).canonicalPath();
    if (homeFolder.isEmpty() || homeFolder == QStringLiteral("/")) return {};
    FontConfigPtr whole(FcInitLoadConfigAndFonts());
    if (!whole) return {};

    // The home's font folders, each named once: a glob's '*' takes the folders below it too, and
    // every font is compared with every glob.
    QStringList folders;
    FcStrList* dirs = FcConfigGetFontDirs(whole.get());
    while (FcChar8* dir = dirs ? FcStrListNext(dirs) : nullptr) {
        const QString folder = QFile::decodeName(reinterpret_cast<const char*>(dir));
        const QString canonical = QDir(folder).canonicalPath();
        // A folder a glob cannot name stays in Qt's list.
        if (isUnder(canonical.isEmpty() ? folder : canonical, homeFolder) &&
            isLiteralGlob(folder) && isXmlText(folder))
            folders << folder;
    }
    if (dirs) FcStrListDone(dirs);
    folders.sort();
    FontSelection selection;
    for (const QString& folder : std::as_const(folders))
        if (selection.rejectGlobs.isEmpty() ||
            !isUnder(folder, selection.rejectGlobs.last().chopped(2)))
            selection.rejectGlobs << folder + QStringLiteral("/*");
    if (selection.rejectGlobs.isEmpty()) return {};
    // The interface's own text keeps its face, wherever it is installed.
    const QString drawn = FontconfigDesktopFonts::resolveFamily(whole.get(), interfaceFamily);
    if (!drawn.isEmpty())
        for (const QByteArray& path : familyFiles(whole.get(), drawn))
            if (const QString file = QFile::decodeName(path);
                isLiteralGlob(file) && isXmlText(file))
                selection.acceptGlobs << file;

    FcConfig* narrowed = FcInitLoadConfig();
    if (!narrowed) return {};
    const QByteArray rules = serialiseFontConfig(selection, {});
    if (!FcConfigParseAndLoadFromMemory(
            narrowed, reinterpret_cast<const FcChar8*>(rules.constData()), FcTrue) ||
        !FcConfigBuildFonts(narrowed) || !FcConfigSetCurrent(narrowed)) {
        FcConfigDestroy(narrowed);
        return {};
    }
    FcConfigDestroy(narrowed); // the current configuration holds its own reference
    return whole;
}

} // namespace lb
