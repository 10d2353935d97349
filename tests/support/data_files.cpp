#include "support/data_files.h"

#include "core/schema.h"

#include <QFile>
#include <sqlite3.h>

using namespace lb;

namespace lbtest {

std::unique_ptr<Database> makeDataFile(const QString& path, const QString& version,
                                       const std::vector<std::pair<QString, QString>>& knowledge,
                                       bool withInactive) {
    QFile::remove(path);
    auto db = Database::open(path, ConnectSuffix, true);
    createVersion1Schema(*db);
    if (version != QLatin1String("1")) {
        db->createTable(tbl::Version, {FieldDef{fld::Version, FieldType::Text, 5, true}});
        db->appendField(tbl::SampleText, FieldDef{fld::SelectedSet, FieldType::Text, 40, true});
        db->appendField(tbl::SampleText, FieldDef{fld::FontSize, FieldType::Long});
        query(*db, "INSERT INTO [Version] VALUES (?)", {version});
        if (version != QLatin1String("2.0") || withInactive)
            db->appendField(tbl::AutoAssign, FieldDef{fld::Inactive, FieldType::YesNo});
    }
    db->exec("INSERT INTO [Sample Text] ([Sample Text], [Height], [Width]) "
             "VALUES ('Sample', 7200, 9600)");
    for (const auto& [set, font] : knowledge)
        query(*db, "INSERT INTO [Auto Assign] ([Set Name], [Font Name]) VALUES (?, ?)",
              {set, font});
    return db;
}

void makeAppendFile(const QString& path, const std::vector<std::pair<QString, QString>>& rows) {
    QFile::remove(path);
    auto db = Database::open(path, ConnectSuffix, true);
    createAppendSchema(*db);
    for (const auto& [set, font] : rows)
        query(*db, "INSERT INTO [New Auto] VALUES (?, ?)", {set, font});
}

QString scalar(Database& db, const QString& sql) {
    Statement st = db.prepare(sql);
    if (!st.step()) return QStringLiteral("<no row>");
    const QVariant v = st.value(0);
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

QStringList query(Database& db, const QString& sql, const QVariantList& values) {
    Statement st = db.prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        st.bind(i + 1, values[i]);
    QStringList column;
    while (st.step())
        column << st.text(0);
    return column;
}

QString setting(Database& db, const QString& field) {
    return scalar(db, QStringLiteral("SELECT [%1] FROM [Sample Text]").arg(field));
}

void addSetsInEarlierOrder(const QString& path, const QStringList& sets) {
    auto db = Database::open(path, lb::ConnectSuffix);
    const auto codePointOrder = [](void*, int n1, const void* p1, int n2, const void* p2) {
        return QString::compare(QString::fromUtf8(static_cast<const char*>(p1), n1).toCaseFolded(),
                                QString::fromUtf8(static_cast<const char*>(p2), n2).toCaseFolded());
    };
    sqlite3_create_collation_v2(db->handle(), Database::Collation, SQLITE_UTF8, nullptr,
                                codePointOrder, nullptr);
    for (const QString& set : sets)
        db->exec(QStringLiteral("INSERT INTO [Sets] ([Set Name]) VALUES ('%1')").arg(set));
    db->exec("REINDEX LBNOCASE");
    db->exec("PRAGMA user_version = 0");
}

} // namespace lbtest
