#pragma once

#include "core/app_state.h"

namespace lb {

// The settings record: every access moves to its one row; every change is saved at once.
QVariant readSetting(AppState& app, const QString& field);
void writeSettings(AppState& app, const std::vector<std::pair<QString, QVariant>>& values);
inline void writeSetting(AppState& app, const QString& field, const QVariant& value) {
    writeSettings(app, {{field, value}});
}

// Null and empty text both mean "no set".
QString activatedSet(AppState& app);

// A switch counts as on only when it holds true; false and Null leave it off.
bool switchOn(const QVariant& value);

} // namespace lb
