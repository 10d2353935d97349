#pragma once

#include <QString>

namespace lb {

// The per-user data folder: $LETTERBAY_HOME, else $XDG_DATA_HOME/letterbay, else
// ~/.local/share/letterbay. No trailing slash.
QString dataFolder();

// The installed, read-only data (shipped database, conversion file, help): $LETTERBAY_SHARE,
// else share/letterbay beside the folder of the running executable.
QString shippedFolder();

QString databasePath();
// The conversion source: the data folder's copy when the user has one, else the shipped one.
QString appendPath();

// Makes the data folder and copies the shipped database there when it has none.
// Returns an error text, empty on success.
QString prepareDataFolder();

} // namespace lb
