#include "core/settings.h"

#include "core/schema.h"

namespace lb {

namespace {
RecordSet& settingsRow(AppState& app) {
    if (!app.datSampleText) app.datSampleText = openTable(*app.db, tbl::SampleText);
    app.datSampleText->refresh();
    app.datSampleText->moveFirst();
    return *app.datSampleText;
}
} // namespace

QVariant readSetting(AppState& app, const QString& field) {
    // One row, one field: read straight, so that walks asking per font stay cheap.
    Statement st = app.db->prepare(QStringLiteral("SELECT ") + quoteIdentifier(field) +
                                   QStringLiteral(" FROM [Sample Text] ORDER BY rowid LIMIT 1"));
    if (!st.step()) throw DbError(ErrNoCurrentRecord, QStringLiteral("No current record."));
    return st.value(0);
}

void writeSettings(AppState& app, const std::vector<std::pair<QString, QVariant>>& values) {
    RecordSet& rs = settingsRow(app);
    rs.edit();
    for (const auto& [field, value] : values)
        rs.setField(field, value);
    rs.update();
}

QString activatedSet(AppState& app) {
    const QVariant v = readSetting(app, fld::ActivatedSet);
    return v.isNull() ? QString() : v.toString();
}

bool switchOn(const QVariant& value) {
    if (value.isNull() || !value.isValid()) return false;
    return value.toLongLong() != 0;
}

} // namespace lb
