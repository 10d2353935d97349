#include "core/database.h"
#include "core/recordset.h"
#include "core/schema.h"
#include "platform/checked_file.h"
#include "support/data_files.h"
#include "support/temp_env.h"

#include <atomic>
#include <gtest/gtest.h>
#include <random>
#include <thread>

using namespace lb;
using namespace Qt::StringLiterals;

namespace {

struct Db : ::testing::Test {
    lbtest::TempEnv env;
    QString path = env.root() + "/t.mdb";
    std::unique_ptr<Database> db;
    void SetUp() override {
        db = Database::open(path, ConnectSuffix, true);
        createCurrentSchema(*db);
    }
    void addFont(const QString& face, const QString& file) {
        Statement st = db->prepare("INSERT INTO [Fonts] ([Face Name], [File Name]) VALUES (?, ?)");
        st.bind(1, face).bind(2, file).step();
    }
    int errorOf(const std::function<void()>& f) {
        try {
            f();
        } catch (const DbError& e) {
            return e.number();
        }
        return 0;
    }
};

TEST_F(Db, FileIsEncryptedAndOpensOnlyWithTheKey) {
    db.reset();
    const QByteArray bytes = readWholeFile(path);
    EXPECT_FALSE(bytes.startsWith("SQLite format 3") || bytes.contains("Assigned Fonts"));

    EXPECT_EQ(errorOf([&] { Database::open(path, QString()); }), ErrNotADatabase);
    EXPECT_EQ(errorOf([&] { Database::open(path, ";PWD=wrong"); }), ErrNotADatabase);
    const QString plain = env.root() + "/plain.mdb";
    Database::open(plain, QString(), true)->exec("CREATE TABLE x (a)");
    EXPECT_EQ(errorOf([&] { Database::open(plain, ConnectSuffix); }), ErrNotADatabase);
    EXPECT_EQ(errorOf([&] { Database::open(env.root() + "/missing.mdb", ConnectSuffix); }),
              ErrCannotOpen);
    EXPECT_EQ(Database::passwordFromConnect(";PWD=517_kayaker"), "517_kayaker");
}

TEST_F(Db, CursorOrderFindAndBookmarks) {
    auto fonts = openTable(*db, tbl::Fonts);
    fonts->refresh();
    EXPECT_TRUE(fonts->bof() && fonts->eof());
    EXPECT_EQ(errorOf([&] { fonts->field(fld::FaceName); }), ErrNoCurrentRecord);

    const QStringList rows{"beta",   "b1.ttf",          "Édition Ünïcode", "e1.ttf", "Alpha",
                           "a1.ttf", "édition üNÏcode", "e2.ttf",          "BETA",   "b2.ttf",
                           "beta",   "b3.ttf",          "Quote \"Test\"",  "q.ttf"};
    for (int i = 0; i < rows.size(); i += 2)
        addFont(rows[i], rows[i + 1]);
    fonts->refresh();
    // By face name ignoring case, accented letters among their own; identical spellings together.
    QStringList order;
    fonts->forEach([&](RecordSet& r) { order << r.text(fld::FileName); });
    EXPECT_EQ(order.join(' '), "a1.ttf b2.ttf b1.ttf b3.ttf e1.ttf e2.ttf q.ttf");

    const Criteria c(fld::FaceName, u"édition üNÏcode"_s);
    QStringList found;
    for (bool more = fonts->findFirst(c); more && found.size() < 3; more = fonts->findNext(c))
        found << fonts->text(fld::FileName);
    EXPECT_EQ(found, (QStringList{"e1.ttf", "e2.ttf"}));
    EXPECT_TRUE(fonts->noMatch());
    // Values are bound, never pasted: quotes are just characters.
    EXPECT_TRUE(fonts->findFirst(Criteria(fld::FaceName, u"Quote \"Test\""_s)));
    EXPECT_FALSE(fonts->findFirst(Criteria(fld::FaceName, u"x\" OR \"1\"=\"1"_s)));

    // After AddNew the new row is reached through LastModified.
    fonts->addNew();
    fonts->setField(fld::FaceName, u"Zeta"_s);
    fonts->setField(fld::FileName, u"z.ttf"_s);
    fonts->update();
    fonts->setBookmark(fonts->lastModified());
    EXPECT_EQ(fonts->text(fld::FaceName), "Zeta");
    EXPECT_EQ(fonts->recordCount(), 8);

    // Deleting the current row leaves the cursor there until it moves on.
    ASSERT_TRUE(fonts->findFirst(c));
    fonts->remove();
    EXPECT_EQ(errorOf([&] { fonts->field(fld::FaceName); }), ErrNoCurrentRecord);
    fonts->moveNext();
    EXPECT_EQ(fonts->text(fld::FileName), "e2.ttf");
    EXPECT_TRUE(fonts->findFirst(c));
    EXPECT_EQ(fonts->text(fld::FileName), "e2.ttf");
    fonts->moveLast();
    fonts->moveNext();
    EXPECT_TRUE(fonts->eof());
    EXPECT_EQ(fonts->recordCount(), 7);

    // A write the set did not make, and no one told it of, still shows in its next search.
    const Criteria renamed(fld::FaceName, u"Zeta Two"_s);
    EXPECT_FALSE(fonts->findFirst(renamed));
    db->prepare("UPDATE Fonts SET [Face Name] = 'Zeta Two' WHERE [File Name] = 'z.ttf'").step();
    ASSERT_TRUE(fonts->findFirst(renamed));
    EXPECT_EQ(fonts->text(fld::FileName), "z.ttf");
}

// The indexes need one order: random names of mixed letters sort alike pairwise and in SQLite.
TEST(TextOrder, IsOneOrderForEveryPairAndForTheCollation) {
    const QString pool = u"aAeEéÉèe\u0301ńNñÑsSßzZαάΑβйиЯ明ゴ -"_s;
    std::mt19937 random(7);
    QStringList names;
    for (int n = 0; n < 300; ++n) {
        QString name;
        for (int k = 1 + int(random() % 5); k > 0; --k)
            name += pool[qsizetype(random() % pool.size())];
        names << name;
    }
    sortNames(names);
    const auto sign = [](int c) { return (c > 0) - (c < 0); };
    for (qsizetype i = 0; i < names.size(); ++i)
        for (qsizetype j = i; j < names.size(); ++j) {
            const QByteArray a = names[i].toUtf8(), b = names[j].toUtf8();
            const int c = compareNoCase(names[i], names[j]);
            ASSERT_LE(c, 0) << names[i].toStdString() << " / " << names[j].toStdString();
            ASSERT_EQ(sign(compareNoCase(names[j], names[i])), -sign(c));
            ASSERT_EQ(sign(collateNoCase(nullptr, int(a.size()), a.constData(), int(b.size()),
                                         b.constData())),
                      sign(c));
        }
}

TEST_F(Db, UniqueKeysMissingTablesAndCutOffTransactions) {
    db->exec("INSERT INTO [Sets] VALUES ('Serif')");
    auto sets = openTable(*db, tbl::Sets);
    sets->refresh();
    sets->addNew();
    sets->setField(fld::SetName, u"SERIF"_s);
    EXPECT_EQ(errorOf([&] { sets->update(); }), ErrDuplicateKey);
    sets->cancelUpdate();
    EXPECT_EQ(sets->recordCount(), 1);

    // Font names in a set are unique whatever their letter case, beyond ASCII too.
    const QString assign = u"INSERT INTO [Assigned Fonts] VALUES ('Serif', '%1')"_s;
    db->exec(assign.arg(u"Édition"_s));
    EXPECT_EQ(errorOf([&] { db->exec(assign.arg(u"édition"_s)); }), ErrDuplicateKey);
    addFont("A", "same.ttf");
    EXPECT_EQ(errorOf([&] { addFont("B", "same.ttf"); }), ErrDuplicateKey);
    // File names compare exactly: another spelling is another file.
    EXPECT_NO_THROW(addFont("B", "SAME.ttf"));

    EXPECT_EQ(errorOf([&] { RecordSet(*db, "Nothing").refresh(); }), ErrNoSuchObject);
    EXPECT_EQ(errorOf([&] { db->deleteQuery(tbl::FontList); }), ErrNoSuchObject);

    // A transaction cut off after a nested one committed leaves the file as before.
    {
        Database::Transaction outer(*db);
        db->exec("DELETE FROM [Fonts]");
        Database::Transaction inner(*db);
        addFont("New", "new.ttf");
        inner.commit();
    } // the outer one ends uncommitted
    EXPECT_EQ(lbtest::scalar(*db, "SELECT group_concat([File Name], ' ') FROM "
                                  "(SELECT [File Name] FROM [Fonts] ORDER BY rowid)"),
              "same.ttf SAME.ttf");
}

// Two programs writing at once: the second waits its turn, and a wait too long is named.
TEST_F(Db, WritersWaitTheirTurnAndALongWaitIsNamed) {
    db->useWriteAheadLog();
    const QString count = "SELECT count(*) FROM [Sets]";
    std::atomic<bool> firstRead = false;
    std::string failure;
    std::thread other([&] {
        try {
            auto mine = Database::open(path, ConnectSuffix);
            while (!firstRead)
                std::this_thread::yield();
            Database::Transaction t(*mine);
            mine->exec("INSERT INTO [Sets] VALUES ('Other')");
            t.commit();
        } catch (const DbError& e) {
            failure = e.message().toStdString();
        }
    });
    {
        // Reads, lets the other program try its change, then writes what it read.
        Database::Transaction t(*db);
        const QString before = lbtest::scalar(*db, count);
        firstRead = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        db->exec(u"INSERT INTO [Sets] VALUES ('N%1')"_s.arg(before));
        t.commit();
    }
    other.join();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(lbtest::scalar(*db, count), "2");

    auto holder = Database::open(path, ConnectSuffix);
    Database::Transaction held(*holder);
    db->setBusyTimeout(2000);
    try {
        Database::Transaction t(*db);
        ADD_FAILURE() << "began while another program held the file";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), databaseBusyText(2));
    }
}

} // namespace
