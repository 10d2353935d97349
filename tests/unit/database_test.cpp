#include "core/database.h"
#include "core/recordset.h"
#include "core/schema.h"
#include "support/temp_env.h"

#include <QFile>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace lb;

namespace {

struct Db : ::testing::Test {
    lbtest::TempEnv env;
    QString path = env.root() + QStringLiteral("/t.mdb");
    std::unique_ptr<Database> db;
    void SetUp() override {
        db = Database::open(path, ConnectSuffix, true);
        createCurrentSchema(*db);
    }
    void addFont(const QString& face, const QString& file) {
        auto fonts = openTable(*db, tbl::Fonts);
        fonts->refresh();
        fonts->addNew();
        fonts->setField(fld::FaceName, face);
        fonts->setField(fld::FileName, file);
        fonts->setField(fld::FriendlyName, face + QStringLiteral(" (TrueType)"));
        fonts->update();
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
    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    const QByteArray bytes = raw.readAll();
    EXPECT_FALSE(bytes.startsWith("SQLite format 3"));
    EXPECT_FALSE(bytes.contains("Assigned Fonts"));
    raw.close();

    EXPECT_EQ(errorOf([&] { Database::open(path, QString()); }), ErrNotADatabase);
    EXPECT_EQ(errorOf([&] { Database::open(path, QStringLiteral(";PWD=wrong")); }),
              ErrNotADatabase);
    EXPECT_NO_THROW(Database::open(path, ConnectSuffix));

    // A plain, unencrypted database is refused as well.
    const QString plain = env.root() + QStringLiteral("/plain.mdb");
    Database::open(plain, QString(), true)->exec(QStringLiteral("CREATE TABLE x (a)"));
    EXPECT_EQ(errorOf([&] { Database::open(plain, ConnectSuffix); }), ErrNotADatabase);
    EXPECT_EQ(errorOf([&] {
                  Database::open(env.root() + QStringLiteral("/missing.mdb"), ConnectSuffix);
              }),
              ErrCannotOpen);
    EXPECT_EQ(Database::passwordFromConnect(QStringLiteral(";PWD=517_kayaker")),
              QStringLiteral("517_kayaker"));
}

TEST_F(Db, FontsComeInFaceNameOrderIgnoringCase) {
    addFont(QStringLiteral("beta"), QStringLiteral("b1.ttf"));
    addFont(QStringLiteral("Édition"), QStringLiteral("e1.ttf"));
    addFont(QStringLiteral("Alpha"), QStringLiteral("a1.ttf"));
    addFont(QStringLiteral("édition"), QStringLiteral("e2.ttf"));
    addFont(QStringLiteral("BETA"), QStringLiteral("b2.ttf"));
    addFont(QStringLiteral("beta"), QStringLiteral("b3.ttf"));
    auto fonts = openTable(*db, tbl::Fonts);
    fonts->refresh();
    QStringList order;
    fonts->forEach([&](RecordSet& r) { order << r.text(fld::FileName); });
    // Case variants sort together; identical spellings stand next to each other.
    EXPECT_EQ(order, (QStringList{"a1.ttf", "b2.ttf", "b1.ttf", "b3.ttf", "e1.ttf", "e2.ttf"}));
    EXPECT_EQ(fonts->recordCount(), 6);
}

TEST_F(Db, CursorFindAndBookmarks) {
    auto fonts = openTable(*db, tbl::Fonts);
    fonts->refresh();
    EXPECT_TRUE(fonts->bof());
    EXPECT_TRUE(fonts->eof());
    EXPECT_EQ(errorOf([&] { fonts->field(fld::FaceName); }), ErrNoCurrentRecord);

    addFont(QStringLiteral("Zeta"), QStringLiteral("z.ttf"));
    addFont(QStringLiteral("Édition Ünïcode"), QStringLiteral("e1.ttf"));
    addFont(QStringLiteral("Édition Ünïcode"), QStringLiteral("e2.ttf"));
    addFont(QStringLiteral("Quote \"Test\""), QStringLiteral("q.ttf"));
    fonts->refresh();
    const Criteria c(fld::FaceName, QStringLiteral("édition üNÏcode"));
    ASSERT_TRUE(fonts->findFirst(c));
    EXPECT_EQ(fonts->text(fld::FileName), QStringLiteral("e1.ttf"));
    ASSERT_TRUE(fonts->findNext(c));
    EXPECT_EQ(fonts->text(fld::FileName), QStringLiteral("e2.ttf"));
    EXPECT_FALSE(fonts->findNext(c));
    EXPECT_TRUE(fonts->noMatch());
    // Values are bound, never pasted: quotes are just characters.
    EXPECT_TRUE(fonts->findFirst(Criteria(fld::FaceName, QStringLiteral("Quote \"Test\""))));
    EXPECT_FALSE(fonts->findFirst(Criteria(fld::FaceName, QStringLiteral("x\" OR \"1\"=\"1"))));

    // After AddNew the new row is reached through LastModified.
    fonts->addNew();
    fonts->setField(fld::FaceName, QStringLiteral("Alpha"));
    fonts->setField(fld::FileName, QStringLiteral("a.ttf"));
    fonts->update();
    fonts->setBookmark(fonts->lastModified());
    EXPECT_EQ(fonts->text(fld::FaceName), QStringLiteral("Alpha"));
    EXPECT_EQ(fonts->recordCount(), 5);

    // Deleting the current row leaves the cursor there until it moves on.
    ASSERT_TRUE(fonts->findFirst(c));
    fonts->remove();
    EXPECT_EQ(errorOf([&] { fonts->field(fld::FaceName); }), ErrNoCurrentRecord);
    fonts->moveNext();
    EXPECT_EQ(fonts->text(fld::FileName), QStringLiteral("e2.ttf"));
    EXPECT_TRUE(fonts->findFirst(c));
    EXPECT_EQ(fonts->text(fld::FileName), QStringLiteral("e2.ttf"));
    fonts->moveLast();
    fonts->moveNext();
    EXPECT_TRUE(fonts->eof());
    EXPECT_EQ(fonts->recordCount(), 4);

    // A write the set did not make, and no one told it of, still shows in its next search.
    const Criteria renamed(fld::FaceName, QStringLiteral("Zeta Two"));
    EXPECT_FALSE(fonts->findFirst(renamed));
    db->prepare(QStringLiteral("UPDATE Fonts SET [Face Name] = 'Zeta Two' "
                               "WHERE [File Name] = 'z.ttf'"))
        .step();
    ASSERT_TRUE(fonts->findFirst(renamed));
    EXPECT_EQ(fonts->text(fld::FileName), QStringLiteral("z.ttf"));
}

TEST_F(Db, UniqueKeysAndMissingTablesHaveTheirNumbers) {
    auto sets = openTable(*db, tbl::Sets);
    sets->refresh();
    sets->addNew();
    sets->setField(fld::SetName, QStringLiteral("Serif"));
    sets->update();
    sets->addNew();
    sets->setField(fld::SetName, QStringLiteral("SERIF"));
    EXPECT_EQ(errorOf([&] { sets->update(); }), ErrDuplicateKey);
    sets->cancelUpdate();
    EXPECT_EQ(sets->recordCount(), 1);

    // Font names in a set are unique whatever their letter case, beyond ASCII too.
    db->exec(QStringLiteral("INSERT INTO [Assigned Fonts] VALUES ('Serif', 'Édition')"));
    EXPECT_EQ(errorOf([&] {
                  db->exec(
                      QStringLiteral("INSERT INTO [Assigned Fonts] VALUES ('Serif', 'édition')"));
              }),
              ErrDuplicateKey);
    addFont(QStringLiteral("A"), QStringLiteral("same.ttf"));
    EXPECT_EQ(errorOf([&] { addFont(QStringLiteral("B"), QStringLiteral("same.ttf")); }),
              ErrDuplicateKey);
    // File names compare exactly: another spelling is another file.
    EXPECT_NO_THROW(addFont(QStringLiteral("B"), QStringLiteral("SAME.ttf")));

    auto missing = std::make_unique<RecordSet>(*db, QStringLiteral("Nothing"));
    EXPECT_EQ(errorOf([&] { missing->refresh(); }), ErrNoSuchObject);
    EXPECT_EQ(errorOf([&] { db->deleteQuery(tbl::FontList); }), ErrNoSuchObject);
}

TEST_F(Db, InterruptedTransactionLeavesFileAsBefore) {
    addFont(QStringLiteral("Keep"), QStringLiteral("keep.ttf"));
    try {
        Database::Transaction outer(*db);
        db->exec(QStringLiteral("DELETE FROM [Fonts]"));
        {
            Database::Transaction inner(*db);
            addFont(QStringLiteral("New"), QStringLiteral("new.ttf"));
            inner.commit();
        }
        throw DbError(ErrOther, QStringLiteral("cut off"));
    } catch (const DbError&) {
    }
    auto fonts = openTable(*db, tbl::Fonts);
    fonts->refresh();
    ASSERT_EQ(fonts->recordCount(), 1);
    EXPECT_EQ(fonts->text(fld::FaceName), QStringLiteral("Keep"));
}

// Two programs changing the file at once: the second waits for the first instead of failing, and
// one that waits too long is told why.
TEST_F(Db, WritersWaitTheirTurnAndALongWaitIsNamed) {
    db->useWriteAheadLog();
    auto count = [](Database& d) {
        Statement st = d.prepare(QStringLiteral("SELECT count(*) FROM [Sets]"));
        return st.step() ? st.int64(0) : -1;
    };
    std::atomic<bool> firstRead = false;
    std::string failure;
    std::thread other([&] {
        try {
            auto mine = Database::open(path, ConnectSuffix);
            while (!firstRead)
                std::this_thread::yield();
            Database::Transaction t(*mine);
            mine->exec(QStringLiteral("INSERT INTO [Sets] VALUES ('Other')"));
            t.commit();
        } catch (const DbError& e) {
            failure = e.message().toStdString();
        }
    });
    {
        // Reads, lets the other program try its change, then writes what it read.
        Database::Transaction t(*db);
        const qint64 before = count(*db);
        firstRead = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        db->exec(QStringLiteral("INSERT INTO [Sets] VALUES ('N%1')").arg(before));
        t.commit();
    }
    other.join();
    EXPECT_EQ(failure, "");
    EXPECT_EQ(count(*db), 2);

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
