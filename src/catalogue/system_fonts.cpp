#include "catalogue/system_fonts.h"

#include "core/schema.h"

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

void Remove_FontFile(MainContext& ctx, const QString& fileName) {
    ctx.app.lastResult = ctx.fonts.resources.unload(fileName);
    const bool deleted = ctx.fonts.registry.deleteFile(fileName);
    QString valueName;
    try {
        valueName = ctx.app.datFonts->text(fld::FriendlyName);
    } catch (const DbError&) {
        return; // no current row: nothing names the value
    }
    Delete_FontValue(ctx, valueName);
    // A font that stays on disk is now hidden by its removal; it need not stay listed as
    // inactive as well.
    if (!deleted) ctx.fonts.resources.load(fileName);
}

void Delete_FontValue(MainContext& ctx, const QString& valueName) {
    ctx.fonts.registry.deleteValue(valueName);
}

} // namespace lb
