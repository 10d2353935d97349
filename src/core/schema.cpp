#include "core/schema.h"

#include <QCoreApplication>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Schema)
};
} // namespace

QString fontsOrder() {
    // Case variants of one name sort together, each spelling's rows next to each other.
    return quoteIdentifier(fld::FaceName) + QStringLiteral(" COLLATE ") +
           QLatin1String(Database::Collation) + QStringLiteral(", ") +
           quoteIdentifier(fld::FaceName) + QStringLiteral(" COLLATE BINARY");
}

std::unique_ptr<RecordSet> openTable(Database& db, const QString& table) {
    return std::make_unique<RecordSet>(db, table, table == tbl::Fonts ? fontsOrder() : QString());
}

namespace {
FieldDef text(const QString& name, int size = 0) {
    return FieldDef{name, FieldType::Text, size, true};
}
FieldDef path(const QString& name) {
    // File names keep the file system's spelling and compare exactly.
    return FieldDef{name, FieldType::Text, 0, false};
}
} // namespace

void createVersion1Schema(Database& db) {
    Database::Transaction t(db);
    db.createTable(tbl::Fonts, {text(fld::FaceName), path(fld::FileName), text(fld::FriendlyName)});
    db.createTable(tbl::Sets, {text(fld::SetName, 40)});
    db.createTable(tbl::AssignedFonts, {text(fld::SetName, 40), text(fld::FontName)});
    db.createTable(tbl::AutoAssign, {text(fld::SetName, 40), text(fld::FontName)});
    db.createTable(tbl::SampleText,
                   {text(fld::SampleText, 60), text(fld::SelectedFont), text(fld::ActivatedSet, 40),
                    text(fld::PreviousSet, 40), FieldDef{fld::AddAutoAssign, FieldType::YesNo},
                    FieldDef{fld::RemoveAutoAssign, FieldType::YesNo},
                    FieldDef{fld::Height, FieldType::Double},
                    FieldDef{fld::Width, FieldType::Double}});
    createIndexes(db);
    t.commit();
}

void createCurrentSchema(Database& db) {
    Database::Transaction t(db);
    createVersion1Schema(db);
    db.createTable(tbl::Version, {text(fld::Version, 5)});
    db.appendField(tbl::SampleText, text(fld::SelectedSet, 40));
    db.appendField(tbl::SampleText, FieldDef{fld::FontSize, FieldType::Long});
    db.appendField(tbl::AutoAssign, FieldDef{fld::Inactive, FieldType::YesNo});
    addCurrentFields(db);
    rebuildIndexesOfEarlierOrder(db); // nothing to rebuild: marks the file as in order
    t.commit();
}

namespace {

// What the file's user version counts: 1 once its indexes are in the present text order.
constexpr qint64 kAccentsAfterLetters = 1;

qint64 userVersion(Database& db) {
    Statement st = db.prepare(QStringLiteral("PRAGMA user_version"));
    return st.step() ? st.int64(0) : 0;
}

} // namespace

void rebuildIndexesOfEarlierOrder(Database& db) {
    if (userVersion(db) >= kAccentsAfterLetters) return;
    Database::Transaction t(db);
    // Asked again under the write lock: another program may have rebuilt them meanwhile.
    if (userVersion(db) < kAccentsAfterLetters) {
        db.exec(QStringLiteral("REINDEX ") + QLatin1String(Database::Collation));
        db.exec(QStringLiteral("PRAGMA user_version = ") + QString::number(kAccentsAfterLetters));
    }
    t.commit();
}

void addCurrentFields(Database& db) {
    // A row is one face: the faces of a collection are fonts of their own, each named by its file
    // and its number in it. Rows written before stand for their file's first face.
    if (db.tableExists(tbl::Fonts) &&
        !db.columns(tbl::Fonts).contains(fld::FaceIndex, Qt::CaseInsensitive)) {
        Database::Transaction t(db);
        db.exec(QStringLiteral(
            "ALTER TABLE [Fonts] ADD COLUMN [Face Index] INTEGER NOT NULL DEFAULT 0"));
        db.exec(QStringLiteral("DROP INDEX IF EXISTS [Fonts File]"));
        db.exec(QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS [Fonts Face File] ON [Fonts] "
                               "([File Name], [Face Index])"));
        t.commit();
    }
    if (!db.tableExists(tbl::SampleText)) return;
    if (!db.columns(tbl::SampleText).contains(fld::FontState, Qt::CaseInsensitive))
        db.appendField(tbl::SampleText, FieldDef{fld::FontState, FieldType::Text, 0, false});
}

void createIndexes(Database& db) {
    const char* statements[] = {
        "CREATE INDEX IF NOT EXISTS [Fonts Face] ON [Fonts] ([Face Name])",
        "CREATE UNIQUE INDEX IF NOT EXISTS [Sets Name] ON [Sets] ([Set Name])",
        "CREATE UNIQUE INDEX IF NOT EXISTS [Assigned Pair] ON [Assigned Fonts] ([Set Name], [Font "
        "Name])",
        "CREATE INDEX IF NOT EXISTS [Assigned Font] ON [Assigned Fonts] ([Font Name])",
        "CREATE UNIQUE INDEX IF NOT EXISTS [Auto Pair] ON [Auto Assign] ([Set Name], [Font Name])",
        "CREATE INDEX IF NOT EXISTS [Auto Font] ON [Auto Assign] ([Font Name])",
    };
    for (const char* sql : statements)
        db.exec(QString::fromLatin1(sql));
}

QString dataFileProblem(Database& db, bool wholeFile) {
    // Damaged pages first: every later question would fail on them anyway.
    if (wholeFile) {
        try {
            Statement check = db.prepare(QStringLiteral("PRAGMA quick_check(1)"));
            if (!check.step() || check.text(0) != QLatin1String("ok"))
                return T::tr("the file is damaged.");
        } catch (const DbError&) {
            return T::tr("the file is damaged.");
        }
    }
    try {
        // A data version 1 file has no [Version] and none of the fields its upgrade adds.
        const bool version1 = !db.tableExists(tbl::Version);
        const std::vector<std::pair<QString, QStringList>> needed = {
            {tbl::Fonts, {fld::FaceName, fld::FileName, fld::FriendlyName}},
            {tbl::Sets, {fld::SetName}},
            {tbl::AssignedFonts, {fld::SetName, fld::FontName}},
            {tbl::AutoAssign, {fld::SetName, fld::FontName}},
            {tbl::SampleText,
             {fld::SampleText, fld::SelectedFont, fld::ActivatedSet, fld::PreviousSet,
              fld::AddAutoAssign, fld::RemoveAutoAssign, fld::Height, fld::Width}},
            {tbl::Version, {fld::Version}},
        };
        for (const auto& [table, fields] : needed) {
            if (table == tbl::Version && version1) continue;
            if (!db.tableExists(table)) return T::tr("the table [%1] is missing.").arg(table);
            QStringList want = fields;
            if (table == tbl::SampleText && !version1) want << fld::SelectedSet << fld::FontSize;
            const QStringList have = db.columns(table);
            for (const QString& field : std::as_const(want))
                if (!have.contains(field, Qt::CaseInsensitive))
                    return T::tr("the field [%1] of the table [%2] is missing.").arg(field, table);
        }
        for (const QString& table : {tbl::SampleText, tbl::Version}) {
            if (table == tbl::Version && version1) continue;
            Statement rows =
                db.prepare(QStringLiteral("SELECT count(*) FROM ") + quoteIdentifier(table));
            if (!rows.step() || rows.int64(0) == 0)
                return T::tr("the table [%1] has no row.").arg(table);
        }
    } catch (const DbError& e) {
        return T::tr("the file cannot be read (%1).").arg(e.message());
    }
    return {};
}

void createAppendSchema(Database& db) {
    db.createTable(tbl::NewAuto, {text(fld::SetName, 40), text(fld::FontName)});
}

} // namespace lb
