#include "catalogue/system_fonts.h"

#include "core/schema.h"

#include <QSet>

namespace lb {

void Add_SystemFont(SystemFontList& list, const QString& faceName) {
    for (QString& slot : list) {
        if (slot == faceName) return;
        if (slot.isEmpty()) {
            slot = faceName;
            return;
        }
    }
}

void Load_SystemFonts(SystemFontList& list, DesktopFonts& desktop) {
    list[0] = QStringLiteral("Arial");
    list[1] = QStringLiteral("Marlett");
    for (const QString& family : desktop.families())
        Add_SystemFont(list, family);
}

bool isSystemFont(const SystemFontList& list, const QString& faceName) {
    for (const QString& slot : list) {
        if (slot.isEmpty()) return false;
        if (slot == faceName) return true;
    }
    return false;
}

void Get_FontsFolder(AppState& app, FontRegistry& registry) {
    app.fontsFolder = registry.fontsFolder();
}

QString Get_FaceName(AppState& app, FaceNameReader& faces, const QString& file) {
    const FaceNames names = faces.read(file);
    app.currentFontName = names.faceName;
    return names.resourceName;
}

std::vector<std::pair<QString, QString>>
Remove_FontFiles(MainContext& ctx, const QStringList& fileNames, FileJournal& journal) {
    const std::vector<std::pair<QString, QString>> failed =
        ctx.fonts.registry.setAsideFiles(fileNames, journal);
    QSet<QString> kept;
    for (const auto& f : failed)
        kept.insert(f.first);
    // A removed file need not stay listed as inactive: it is gone, or hidden by its removal.
    for (const QString& file : fileNames)
        if (!kept.contains(file)) ctx.fonts.resources.load(file);
    return failed;
}

} // namespace lb
