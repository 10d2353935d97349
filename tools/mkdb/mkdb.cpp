// Builds the shipped database and the conversion file from the text sources in data/.
#include "core/database.h"
#include "core/schema.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <cstdio>

using namespace lb;

namespace {

struct Pair {
    QString set, font;
};

std::vector<Pair> readPairs(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        throw DbError(ErrCannotOpen, QStringLiteral("cannot read %1").arg(path));
    std::vector<Pair> pairs;
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    bool header = true;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (header) {
            header = false;
            continue;
        }
        if (line.trimmed().isEmpty()) continue;
        const QStringList cols = line.split(QLatin1Char('\t'));
        if (cols.size() != 2 || cols[0].contains(QLatin1Char('"')) ||
            cols[1].contains(QLatin1Char('"')))
            throw DbError(ErrOther, QStringLiteral("bad line in %1: %2").arg(path, line));
        pairs.push_back({cols[0].trimmed(), cols[1].trimmed()});
    }
    return pairs;
}

void insertPairs(Database& db, const QString& table, const std::vector<Pair>& pairs,
                 bool withInactive) {
    Statement st = db.prepare(
        QStringLiteral("INSERT INTO %1 ([Set Name], [Font Name]%2) VALUES (?, ?%3)")
            .arg(quoteIdentifier(table), withInactive ? QStringLiteral(", [Inactive]") : QString(),
                 withInactive ? QStringLiteral(", 0") : QString()));
    for (const Pair& p : pairs) {
        st.reset();
        st.bind(1, p.set).bind(2, p.font);
        st.step();
    }
}

// Replaces `target` only once the new file is complete.
std::unique_ptr<Database> fresh(const QString& target) {
    QFile::remove(target);
    return Database::open(target, ConnectSuffix, true);
}

void makeShipped(const QString& out, const QString& kbPath) {
    const std::vector<Pair> kb = readPairs(kbPath);
    const QString partial = out + QStringLiteral(".part");
    {
        auto db = fresh(partial);
        createCurrentSchema(*db);
        Database::Transaction t(*db);
        insertPairs(*db, tbl::AutoAssign, kb, true);
        QStringList sets;
        for (const Pair& p : kb)
            if (!sets.contains(p.set, Qt::CaseInsensitive)) sets << p.set;
        sets.sort(Qt::CaseInsensitive);
        Statement st = db->prepare(QStringLiteral("INSERT INTO [Sets] ([Set Name]) VALUES (?)"));
        for (const QString& s : sets) {
            st.reset();
            st.bind(1, s);
            st.step();
        }
        // A window of 960 x 690 pixels at 96 DPI fits a 1024 x 768 screen.
        Statement settings =
            db->prepare(QStringLiteral("INSERT INTO [Sample Text] ([Sample Text], [Selected Font], "
                                       "[Activated Set], [Previous Set], "
                                       "[Add AutoAssign], [Remove AutoAssign], [Height], [Width], "
                                       "[Selected Set], [Font Size]) "
                                       "VALUES (?, ?, NULL, NULL, 0, 0, ?, ?, NULL, 12)"));
        settings.bind(1, QStringLiteral("The quick brown fox jumps over the lazy dog 0123456789"))
            .bind(2, QString())
            .bind(3, 10350.0)
            .bind(4, 14400.0);
        settings.step();
        Statement version =
            db->prepare(QStringLiteral("INSERT INTO [Version] ([Version]) VALUES (?)"));
        version.bind(1, ProgramVersion);
        version.step();
        t.commit();
    }
    QFile::remove(out);
    if (!QFile::rename(partial, out))
        throw DbError(ErrCannotOpen, QStringLiteral("cannot write %1").arg(out));
}

void makeAppend(const QString& out, const QString& newAutoPath) {
    const std::vector<Pair> rows = readPairs(newAutoPath);
    const QString partial = out + QStringLiteral(".part");
    {
        auto db = fresh(partial);
        createAppendSchema(*db);
        Database::Transaction t(*db);
        insertPairs(*db, tbl::NewAuto, rows, false);
        t.commit();
    }
    QFile::remove(out);
    if (!QFile::rename(partial, out))
        throw DbError(ErrCannotOpen, QStringLiteral("cannot write %1").arg(out));
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 5) {
        std::fprintf(stderr, "usage: lbmkdb KB.tsv NEW_AUTO.tsv OUT.mdb APPEND_OUT.mdb\n");
        return 2;
    }
    try {
        makeShipped(args[3], args[1]);
        makeAppend(args[4], args[2]);
    } catch (const DbError& e) {
        std::fprintf(stderr, "lbmkdb: %s\n", e.what());
        return 1;
    }
    return 0;
}
