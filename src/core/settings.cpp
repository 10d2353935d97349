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
    return settingsRow(app).field(field);
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
