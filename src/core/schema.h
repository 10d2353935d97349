#pragma once

#include "core/recordset.h"

#include <QString>
#include <memory>

namespace lb {

inline const QString AppTitle = QStringLiteral("Letterbay 98");
inline const QString ProgramVersion = QStringLiteral("2.5");
inline const QString ConnectSuffix = QStringLiteral(";PWD=517_kayaker");
inline const QString DatabaseFileName = QStringLiteral("letterbay.mdb");
inline const QString AppendFileName = QStringLiteral("append.mdb");

namespace tbl {
inline const QString Fonts = QStringLiteral("Fonts");
inline const QString Sets = QStringLiteral("Sets");
inline const QString AssignedFonts = QStringLiteral("Assigned Fonts");
inline const QString AutoAssign = QStringLiteral("Auto Assign");
inline const QString SampleText = QStringLiteral("Sample Text");
inline const QString Version = QStringLiteral("Version");
inline const QString NewAuto = QStringLiteral("New Auto");
inline const QString FontList = QStringLiteral("Font List");
} // namespace tbl

namespace fld {
inline const QString FaceName = QStringLiteral("Face Name");
inline const QString FileName = QStringLiteral("File Name");
inline const QString FriendlyName = QStringLiteral("Friendly Name");
inline const QString FaceIndex = QStringLiteral("Face Index");
inline const QString SetName = QStringLiteral("Set Name");
inline const QString FontName = QStringLiteral("Font Name");
inline const QString Inactive = QStringLiteral("Inactive");
inline const QString SampleText = QStringLiteral("Sample Text");
inline const QString SelectedSet = QStringLiteral("Selected Set");
inline const QString SelectedFont = QStringLiteral("Selected Font");
inline const QString FontSize = QStringLiteral("Font Size");
inline const QString ActivatedSet = QStringLiteral("Activated Set");
inline const QString PreviousSet = QStringLiteral("Previous Set");
inline const QString AddAutoAssign = QStringLiteral("Add AutoAssign");
inline const QString RemoveAutoAssign = QStringLiteral("Remove AutoAssign");
inline const QString Height = QStringLiteral("Height");
inline const QString Width = QStringLiteral("Width");
inline const QString Version = QStringLiteral("Version");
// The stamp of the last change of hidden fonts the database records; the desktop's shared state
// records the stamp it implements, so that a state left behind by an interrupted change is found.
inline const QString FontState = QStringLiteral("Font State");
} // namespace fld

// The ORDER BY terms of the catalogue's stored order.
QString fontsOrder();

// Opens a record set over a whole table in that table's stored order ([Fonts] by face
// name, all rows of one face name together; the others in the order rows were added).
std::unique_ptr<RecordSet> openTable(Database& db, const QString& table);

// Layout of a data version 1 file: no [Version] table, no `Selected Set` / `Font Size`
// and no `Inactive` field. Kept so that the upgrade path can be exercised for real.
void createVersion1Schema(Database& db);

// The current layout (data version 2.5) with the unique keys and lookup indexes.
void createCurrentSchema(Database& db);

// Files written while accented names sorted after Z keep their indexes in that order, where a
// search in the present order misses rows: rebuilds them, once per file. Run before anything else
// writes to the file, so that no change goes into an index of the old order.
void rebuildIndexesOfEarlierOrder(Database& db);

// Adds the fields this version keeps beyond those of data version 2.5 (the hidden-font stamp);
// safe to run on a file that has them.
void addCurrentFields(Database& db);

// Unique keys and indexes; safe to run on a file that already has them.
void createIndexes(Database& db);

// What makes an opened file unusable as a font database, in words for the user: a table or
// field the program reads is missing, the settings record has no row, or the file is damaged.
// Empty text when the file can be used. Reads only: a refused file is left as it was.
// `wholeFile` also reads every page for damage, which costs a read of the whole file.
QString dataFileProblem(Database& db, bool wholeFile = true);

// Builds the conversion file that carries [New Auto].
void createAppendSchema(Database& db);

} // namespace lb
