#include "catalogue/font_properties.h"

#include "activation/activation.h"
#include "core/schema.h"
#include "samples/sample_pane.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(FontProperties)
};
} // namespace

QString propertiesCaption(MainContext& ctx) {
    ctx.app.currentFontName = ctx.app.pickedFontName;
    if (ctx.app.sourceFormName == SourcePreview &&
        faceFiles(ctx.app, ctx.app.currentFontName).isEmpty())
        return T::tr("Font Properties - %1 (Not Installed)").arg(ctx.app.currentFontName);
    const FaceState state = IsIt_Inactive(ctx);
    return (state == FaceState::Inactive ? T::tr("Font Properties - %1 (Inactivated)")
            : state == FaceState::System ? T::tr("Font Properties - %1 (System Font)")
                                         : T::tr("Font Properties - %1 (Active)"))
        .arg(ctx.app.currentFontName);
}

QString modifiedText(const QDateTime& time, const QString& am, const QString& pm) {
    const QDate d = time.date();
    const QTime t = time.time();
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    return QStringLiteral("%1/%2/%3 %4:%5 %6")
        .arg(d.month())
        .arg(d.day())
        .arg(d.year(), 4, 10, QLatin1Char('0'))
        .arg(hour12)
        .arg(t.minute(), 2, 10, QLatin1Char('0'))
        .arg(t.hour() < 12 ? am : pm);
}

namespace {

PropertyRow Add_PropertyRow(const QString& friendlyName, const QString& path) {
    PropertyRow row{friendlyName, path, {}, false};
    const QFileInfo info(path);
    if (!info.exists()) {
        row.missing = true;
        row.modified = MissingFileText;
        return row;
    }
    const QLocale locale = QLocale::system();
    const QString am = locale.amText().isEmpty() ? QStringLiteral("AM") : locale.amText();
    const QString pm = locale.pmText().isEmpty() ? QStringLiteral("PM") : locale.pmText();
    row.modified = modifiedText(info.lastModified(), am, pm);
    return row;
}

} // namespace

std::vector<PropertyRow> Fill_Properties(MainContext& ctx, const QString& folder,
                                         const std::vector<PreviewFile>& files) {
    AppState& app = ctx.app;
    std::vector<PropertyRow> rows;
    if (app.sourceFormName == SourcePreview) {
        for (const PreviewFile& f : files)
            rows.push_back(Add_PropertyRow(f.friendlyName.isEmpty()
                                               ? f.resourceName + QStringLiteral(" (TrueType)")
                                               : f.friendlyName,
                                           folder + f.fileName));
        return rows;
    }
    // Its own statement, so the main window's record set keeps its cursor.
    Statement st = app.db->prepare(QStringLiteral(
        "SELECT [Friendly Name], [File Name] FROM [Fonts] WHERE [Face Name] = ? ORDER BY rowid"));
    st.bind(1, app.currentFontName);
    while (st.step())
        rows.push_back(Add_PropertyRow(st.text(0), fontFilePath(app, st.text(1))));
    return rows;
}

} // namespace lb
