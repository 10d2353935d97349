// letterbayctl as users and scripts run it: the real binary in a temporary home with fixture
// fonts, what it does to the database and what a separate fc-list sees afterwards.
#include "core/database.h"
#include "core/schema.h"
#include "platform/checked_file.h"
#include "platform/font_selection.h"
#include "support/ctl_runner.h"
#include "support/data_files.h"
#include "support/documents.h"
#include "support/font_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

using lbtest::CtlRun;
using lbtest::fcList;
using lbtest::runCtl;
using namespace Qt::StringLiterals;

namespace {

struct Ctl : ::testing::Test {
    lbtest::FontEnv env;
    QString sans[3], alpha, beta, quote, edition, serif, mono;

    void SetUp() override {
        sans[0] = env.installFixture(u"FixtureSans-Regular.ttf"_s);
        sans[1] = env.installFixture(u"FixtureSans-Bold.ttf"_s);
        sans[2] = env.installFixture(u"FixtureSans-Italic.ttf"_s);
        alpha = env.installFixture(u"AlphaTest-Regular.ttf"_s);
        beta = env.installFixture(u"BetaTest-Regular.ttf"_s);
        quote = env.installFixture(u"QuoteTest.ttf"_s);
        edition = env.installFixture(u"EditionUnicode.ttf"_s);
        serif = env.installFixture(u"FixtureSerif-Regular.ttf"_s, true);
        mono = env.installFixture(u"FixtureMono-Regular.ttf"_s, true);
        // The desktop's own font, which is never hidden.
        ASSERT_TRUE(lbtest::preferForGenericFamilies(env, u"Fixture Mono"_s));
        ok({u"refresh"_s});
    }

    CtlRun ok(const QStringList& args, const QByteArray& input = {}) {
        const CtlRun r = runCtl(args, input);
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << ": " << r.err.toStdString();
        return r;
    }
    // A refused command: exit code 1, nothing on standard output, the reason on standard error.
    QString refused(const QStringList& args, const QByteArray& input = {}) {
        const CtlRun r = runCtl(args, input);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, "") << args.join(' ').toStdString();
        return r.err;
    }
    QJsonObject json(const QStringList& args) {
        const CtlRun r = ok(QStringList{u"--json"_s} + args);
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out.toStdString();
        return doc.object();
    }
    QJsonObject fontNamed(const QString& name) {
        for (const QJsonValue& f : json({u"fonts"_s})[u"fonts"_s].toArray())
            if (f[u"name"_s].toString() == name) return f.toObject();
        ADD_FAILURE() << "not listed: " << name.toStdString();
        return {};
    }

    QString databasePath() const { return env.letterbayHome() + u"/letterbay.mdb"_s; }
    // Rows of a query on the database file itself, columns joined by '|'.
    QStringList rows(const QString& sql) {
        auto db = lb::Database::open(databasePath(), lb::ConnectSuffix);
        lb::Statement st = db->prepare(sql);
        QStringList out;
        while (st.step()) {
            QStringList cols;
            for (int i = 0; i < st.columnCount(); ++i)
                cols << st.text(i);
            out << cols.join('|');
        }
        return out;
    }
    QStringList pairs() {
        return rows(u"SELECT [Set Name], [Font Name] FROM [Assigned Fonts] ORDER BY 1, 2"_s);
    }
    QStringList setsInDb() { return rows(u"SELECT [Set Name] FROM [Sets] ORDER BY 1"_s); }
    // Everything a refused command must leave as it was.
    QStringList everything() {
        return setsInDb() + pairs() +
               rows(u"SELECT [Activated Set], [Previous Set], [Font State] FROM [Sample Text]"_s);
    }
    static std::vector<std::string> files(std::initializer_list<QString> paths) {
        return lbtest::sorted(QSet<QString>(paths));
    }
    // The set most tests start from: Body, holding Fixture Sans, active.
    void activateBody() {
        for (const QStringList& step : {QStringList{u"add-set"_s, u"Body"_s},
                                        {u"assign"_s, u"Body"_s, u"Fixture Sans"_s},
                                        {u"activate"_s, u"Body"_s}})
            ok(step);
    }
};

TEST_F(Ctl, SetCommandsChangeTheDatabaseAsTheWindowsDo) {
    // Six sets come with the shipped database; these tests make their own.
    for (const QString& set : setsInDb())
        ok({u"delete-set"_s, set, u"--yes"_s});
    EXPECT_EQ(ok({u"add-set"_s, u"Body"_s}).out, "\"Body\" added successfully.\n");
    ok({u"add-set"_s, u"  Display  "_s});
    EXPECT_EQ(setsInDb(), (QStringList{u"Body"_s, u"Display"_s}));

    // Names as listed, or in another letter case: stored in the catalogue's spelling.
    EXPECT_EQ(ok({u"assign"_s, u"body"_s, u"fixture sans"_s, u"Alpha Test"_s}).out,
              "2 fonts added to \"Body\" successfully.\n");
    // A pattern over the names, without regard to case; a name with a quote in it.
    EXPECT_EQ(ok({u"assign"_s, u"Display"_s, u"--match"_s, u"*TEST*"_s}).out,
              "3 fonts added to \"Display\" successfully.\n");
    EXPECT_EQ(pairs(),
              (QStringList{u"Body|Alpha Test"_s, u"Body|Fixture Sans"_s, u"Display|Alpha Test"_s,
                           u"Display|Beta Test"_s, u"Display|Quote \"Test\""_s}));
    EXPECT_EQ(ok({u"assign"_s, u"Body"_s, u"Alpha Test"_s}).out,
              "No fonts added: every font named is in \"Body\" already.\n");

    EXPECT_EQ(ok({u"rename-set"_s, u"body"_s, u"Text"_s}).out,
              "\"Body\" renamed to \"Text\" successfully.\n");
    ok({u"copy-set"_s, u"Text"_s, u"Both"_s});
    EXPECT_EQ(
        rows(u"SELECT [Font Name] FROM [Assigned Fonts] WHERE [Set Name] = 'Both' ORDER BY 1"_s),
        (QStringList{u"Alpha Test"_s, u"Fixture Sans"_s}));
    EXPECT_EQ(ok({u"unassign"_s, u"Display"_s, u"beta test"_s, u"--yes"_s}).out,
              "\"Beta Test\" unassigned from \"Display\" successfully.\n");

    // Every set at once, and out of every set; names with letters beyond ASCII.
    ok({u"assign"_s, u"--all-sets"_s, u"ÉDITION ÜNÏCODE"_s, u"--yes"_s});
    EXPECT_EQ(rows(u"SELECT [Set Name] FROM [Assigned Fonts] WHERE [Font Name] = 'Édition Ünïcode' "
                   u"ORDER BY 1"_s),
              (QStringList{u"Both"_s, u"Display"_s, u"Text"_s}));
    ok({u"unassign"_s, u"--all-sets"_s, u"Alpha Test"_s, u"--yes"_s});
    EXPECT_TRUE(
        rows(u"SELECT 1 FROM [Assigned Fonts] WHERE [Font Name] = 'Alpha Test'"_s).isEmpty());

    EXPECT_EQ(ok({u"delete-set"_s, u"Both"_s, u"--yes"_s}).out, "\"Both\" deleted successfully.\n");
    EXPECT_EQ(setsInDb(), (QStringList{u"Display"_s, u"Text"_s}));
    EXPECT_EQ(pairs(), (QStringList{u"Display|Quote \"Test\""_s, u"Display|Édition Ünïcode"_s,
                                    u"Text|Fixture Sans"_s, u"Text|Édition Ünïcode"_s}));

    // AutoAssign's switches, as the Edit menu's, read by every later command.
    lb::Database::open(databasePath(), lb::ConnectSuffix)
        ->exec(
            u"INSERT INTO [Auto Assign] ([Set Name], [Font Name]) VALUES ('Text', 'Beta Test')"_s);
    const auto textHasBeta = [&] { return pairs().contains(u"Text|Beta Test"_s); };
    ok({u"autoassign"_s, u"off"_s});
    ok({u"refresh"_s});
    EXPECT_FALSE(textHasBeta());
    EXPECT_EQ(ok({u"autoassign"_s, u"on"_s}).out,
              "AutoAssign:          on at refresh and install\n"
              "Remove on unassign:  off, a refresh may assign it again\n");
    EXPECT_TRUE(json({u"status"_s})[u"autoAssign"_s].toBool());
    EXPECT_TRUE(ok({u"refresh"_s}).out.startsWith(u"Fonts loaded, AutoAssign completed"_s));
    EXPECT_TRUE(textHasBeta());
    // With the switch on, unassigning takes the pair out of the knowledge base for good.
    ok({u"autoassign"_s, u"--remove-on-unassign"_s, u"on"_s});
    ok({u"unassign"_s, u"Text"_s, u"Beta Test"_s, u"--yes"_s});
    ok({u"refresh"_s});
    EXPECT_FALSE(textHasBeta());
    EXPECT_EQ(
        json({u"autoassign"_s, u"off"_s}),
        QJsonDocument::fromJson(R"({"autoAssign": false, "removeOnUnassign": true})").object());
    EXPECT_EQ(runCtl({u"autoassign"_s, u"yes"_s}).exitCode, 2);
    EXPECT_EQ(runCtl({u"autoassign"_s, u"--remove-on-unassign"_s, u"1"_s}).exitCode, 2);
    EXPECT_FALSE(json({u"status"_s})[u"autoAssign"_s].toBool());
}

TEST_F(Ctl, ActivationIsWhatEveryOtherProgramSees) {
    ok({u"add-set"_s, u"Body"_s});
    ok({u"assign"_s, u"Body"_s, u"Fixture Sans"_s});
    EXPECT_EQ(ok({u"activate"_s, u"Body"_s}).out,
              "\"Body\" activated successfully.  Everything else is inactive.\n");
    EXPECT_EQ(fcList(), files({sans[0], sans[1], sans[2], mono}));

    const QJsonObject status = json({u"status"_s});
    EXPECT_EQ(status[u"activeSet"_s].toString(), "Body");
    EXPECT_EQ(status[u"typefaces"_s].toInt(), 7);
    EXPECT_EQ(status[u"files"_s].toInt(), 9);
    EXPECT_EQ(status[u"inactive"_s].toInt(), 5);
    EXPECT_EQ(status[u"system"_s].toInt(), 1);
    EXPECT_TRUE(status[u"hiddenFontsInStep"_s].toBool());
    EXPECT_EQ(status[u"database"_s].toString(), databasePath());
    const QJsonObject sansRow = fontNamed(u"Fixture Sans"_s);
    EXPECT_EQ(sansRow[u"state"_s].toString(), "active");
    EXPECT_EQ(sansRow[u"sets"_s].toArray(), QJsonArray{u"Body"_s});
    QStringList sansFiles;
    for (const QJsonValue& f : sansRow[u"files"_s].toArray())
        sansFiles << f.toString();
    sansFiles.sort();
    EXPECT_EQ(sansFiles, (QStringList{sans[1], sans[2], sans[0]}));
    EXPECT_EQ(fontNamed(u"Alpha Test"_s)[u"state"_s].toString(), "inactive");
    EXPECT_EQ(fontNamed(u"Fixture Mono"_s)[u"state"_s].toString(), "system");
    QStringList inactive;
    for (const QJsonValue& f : json({u"fonts"_s, u"--inactive"_s})[u"fonts"_s].toArray())
        inactive << f[u"name"_s].toString();
    EXPECT_EQ(inactive, (QStringList{u"Alpha Test"_s, u"Beta Test"_s, u"Fixture Serif"_s,
                                     u"Quote \"Test\""_s, u"Édition Ünïcode"_s}));

    // Joining and leaving the active set shows and hides at once; the desktop's font never goes.
    ok({u"assign"_s, u"Body"_s, u"Alpha Test"_s, u"Fixture Mono"_s});
    EXPECT_EQ(fcList(), files({sans[0], sans[1], sans[2], alpha, mono}));
    ok({u"unassign"_s, u"Body"_s, u"Alpha Test"_s, u"Fixture Mono"_s, u"--yes"_s});

    // The active set renamed stays active.
    ok({u"rename-set"_s, u"Body"_s, u"Text"_s});
    EXPECT_EQ(json({u"status"_s})[u"activeSet"_s].toString(), "Text");
    EXPECT_EQ(ok({u"activate"_s, u"text"_s}).out, "\"Text\" is the active set already.\n");

    // A lost hidden state is told, and activating the set again puts it right.
    ASSERT_TRUE(QFile::remove(lb::inactiveFontsConfPath()));
    EXPECT_FALSE(json({u"status"_s})[u"hiddenFontsInStep"_s].toBool());
    EXPECT_NE(ok({u"status"_s}).out.indexOf(u"'letterbayctl activate \"Text\"'"_s), -1);
    EXPECT_EQ(ok({u"activate"_s, u"Text"_s}).out,
              "\"Text\" activated successfully.  Everything else is inactive.\n");
    EXPECT_EQ(fcList(), files({sans[0], sans[1], sans[2], mono}));

    EXPECT_EQ(ok({u"activate"_s, u"--all"_s}).out,
              " All sets activated successfully.  No fonts are inactive.\n");
    EXPECT_EQ(ok({u"activate"_s, u"--all"_s}).out, "All sets are active already.\n");
    EXPECT_EQ(rows(u"SELECT [Activated Set], [Previous Set] FROM [Sample Text]"_s),
              QStringList{u"|Text"_s});
}

TEST_F(Ctl, TheFontsOfDocumentsAreListedAndActivatedInOneStep) {
    const QString dir = env.home() + u"/documents/"_s;
    ASSERT_TRUE(QDir().mkpath(dir));
    // Drawn with an installed font and one that is not: the PDF names them by PostScript name.
    const QString poster = dir + u"poster.pdf"_s;
    ASSERT_TRUE(lbtest::writePdf(poster, {lbtest::TempEnv::fixture(u"FixtureSans-Bold.ttf"_s),
                                          lbtest::TempEnv::fixture(u"GammaTest-Regular.ttf"_s)}));
    const QString logo = lbtest::writeFile(
        dir + u"logo.svg"_s,
        R"(<svg><text font-family="'Alpha Test', Nowhere Sans, serif">a</text></svg>)");
    const QString letter = dir + u"letter.odt"_s;
    ASSERT_TRUE(lbtest::writeZip(
        letter,
        {{u"mimetype"_s, "application/vnd.oasis.opendocument.text"},
         {u"content.xml"_s,
          R"(<d xmlns:s="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"><s:font-face s:name="B" svg:font-family="'beta test'"/><s:font-face s:name="G" svg:font-family="Gone Grotesk"/></d>)"}}));
    const QString report = dir + u"report.docx"_s;
    ASSERT_TRUE(lbtest::writeZip(
        report,
        {{u"[Content_Types].xml"_s, "<Types/>"},
         {u"word/fontTable.xml"_s,
          R"(<w:fonts xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:font w:name="Fixture Sans"/></w:fonts>)"},
         {u"word/theme/theme1.xml"_s,
          R"(<a:theme xmlns:a="a"><a:latin typeface="Absent Antiqua"/></a:theme>)"}}));
    const QString broken = lbtest::writeFile(dir + u"broken.pdf"_s, "%PDF-1.7\ntruncated");

    QJsonObject listed = json({u"fonts"_s, u"--for"_s, poster, logo});
    QStringList rowsListed;
    for (const QJsonValue& f : listed[u"fonts"_s].toArray())
        rowsListed << f[u"name"_s].toString() + u'|' + f[u"state"_s].toString() + u'|' +
                          f[u"documents"_s].toArray().first().toString();
    EXPECT_EQ(
        rowsListed,
        (QStringList{u"Alpha Test|active|"_s + logo, u"Fixture Sans|active|"_s + poster,
                     u"GammaTest-Regular|missing|"_s + poster, u"Nowhere Sans|missing|"_s + logo}));

    // Every installed font the documents use, and only those, is active; each missing family and
    // the unreadable document are told, and the exit code says something is missing.
    CtlRun r = runCtl({u"activate"_s, u"--for"_s, poster, logo, letter, report, broken});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "\"For poster.pdf and 3 more\" activated successfully.  Everything else is "
                     "inactive.\n");
    EXPECT_TRUE(r.err.contains(broken + u": the document is damaged"_s)) << r.err.toStdString();
    EXPECT_TRUE(
        r.err.contains(u"4 fonts are not catalogued on this machine: \"GammaTest-Regular\", "
                       "\"Nowhere Sans\", \"Gone Grotesk\", \"Absent Antiqua\""_s))
        << r.err.toStdString();
    EXPECT_EQ(pairs(), (QStringList{u"For poster.pdf and 3 more|Alpha Test"_s,
                                    u"For poster.pdf and 3 more|Beta Test"_s,
                                    u"For poster.pdf and 3 more|Fixture Sans"_s}));

    // A set of that name is replaced: it holds the document's fonts and nothing else.
    ok({u"add-set"_s, u"For poster.pdf"_s});
    ok({u"assign"_s, u"For poster.pdf"_s, u"Quote \"Test\""_s});
    r = runCtl({u"--json"_s, u"activate"_s, u"--for"_s, poster});
    EXPECT_EQ(r.exitCode, 1);
    const QJsonObject activated = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(activated[u"set"_s].toString(), "For poster.pdf");
    EXPECT_EQ(activated[u"missing"_s].toArray(), QJsonArray{u"GammaTest-Regular"_s});
    EXPECT_EQ(
        rows(u"SELECT [Font Name] FROM [Assigned Fonts] WHERE [Set Name] = 'For poster.pdf'"_s),
        QStringList{u"Fixture Sans"_s});
    EXPECT_EQ(json({u"fonts"_s, u"--for"_s, logo})[u"fonts"_s].toArray().first()[u"state"_s],
              u"inactive"_s);

    // Nothing readable: refused, nothing changed.
    const QStringList before = everything();
    EXPECT_TRUE(refused({u"activate"_s, u"--for"_s, broken, dir + u"none.svg"_s})
                    .contains(u"Nothing has been changed."_s));
    EXPECT_EQ(everything(), before);
}

TEST_F(Ctl, RefusalsSayWhyAndChangeNothing) {
    activateBody();
    const QStringList before = everything();

    EXPECT_EQ(refused({u"add-set"_s, u"Say \"Hi\""_s}),
              "letterbayctl: You cannot use \" in your set name.  Use ' instead.\n");
    EXPECT_NE(refused({u"add-set"_s, QString(41, u'x')}).indexOf(u"more than 40 characters"_s), -1);
    EXPECT_EQ(refused({u"add-set"_s, u"Body\tCopy"_s}),
              "letterbayctl: You cannot use control characters (such as tab or newline) in your "
              "set name.  Use another name instead.\n");
    EXPECT_NE(refused({u"rename-set"_s, u"Body"_s, u"\x1b[2JNew"_s}).indexOf(u"control char"_s),
              -1);
    EXPECT_NE(refused({u"copy-set"_s, u"Body"_s, u"Two\nLines"_s}).indexOf(u"control char"_s), -1);
    EXPECT_EQ(refused({u"add-set"_s, u"BODY"_s}), "letterbayctl: \"Body\" already exists.\n");
    refused({u"rename-set"_s, u"Body"_s, u"It's \"new\""_s});
    EXPECT_EQ(refused({u"rename-set"_s, u"Body"_s, u"serif"_s}),
              "letterbayctl: \"serif\" already exists.\n");
    EXPECT_EQ(refused({u"copy-set"_s, u"Body"_s, u"body"_s}),
              "letterbayctl: You cannot copy a set to itself.\n");
    EXPECT_EQ(refused({u"activate"_s, u"Nope"_s}), "letterbayctl: No set is named \"Nope\".\n");
    EXPECT_NE(refused({u"delete-set"_s, u"Body"_s, u"--yes"_s})
                  .indexOf(u"because it is the currently active set"_s),
              -1);
    // Questions are answered No without --yes.
    EXPECT_NE(refused({u"delete-set"_s, u"Serif"_s}).indexOf(u"add --yes to answer Yes"_s), -1);
    refused({u"unassign"_s, u"Body"_s, u"Fixture Sans"_s});
    refused({u"assign"_s, u"--all-sets"_s, u"Alpha Test"_s});
    // Nothing is assigned unless every name is found.
    EXPECT_EQ(refused({u"assign"_s, u"Body"_s, u"Alpha Test"_s, u"No Such Font"_s}),
              "letterbayctl: No font named \"No Such Font\" is catalogued.\n");
    EXPECT_EQ(refused({u"assign"_s, u"Body"_s, u"--match"_s, u"zz*"_s}),
              "letterbayctl: No catalogued font matches \"zz*\".\n");
    EXPECT_EQ(refused({u"unassign"_s, u"Body"_s, u"Beta Test"_s, u"--yes"_s}),
              "letterbayctl: \"Beta Test\" is not assigned to \"Body\".\n");
    refused({u"fonts"_s, u"--set"_s, u"Nope"_s});
    refused({u"export"_s, u"Body"_s, u"Nope"_s});
    EXPECT_EQ(everything(), before);

    // Command lines that do not follow the usage.
    for (const QStringList& args : {QStringList{},
                                    {u"bogus"_s},
                                    {u"status"_s, u"--bogus"_s},
                                    {u"rename-set"_s, u"A"_s},
                                    {u"activate"_s},
                                    {u"activate"_s, u"Body"_s, u"--all"_s},
                                    {u"assign"_s, u"Body"_s},
                                    {u"assign"_s, u"--all-sets"_s},
                                    {u"fonts"_s, u"--set"_s},
                                    {u"sets"_s, u"extra"_s},
                                    {u"activate"_s, u"--all=yes"_s}}) {
        const CtlRun r = runCtl(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.out, "") << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith(u"letterbayctl: "_s)) << r.err.toStdString();
    }
    EXPECT_EQ(everything(), before);

    // A name that begins with a dash, after "--".
    ok({u"add-set"_s, u"--"_s, u"-Draft-"_s});
    EXPECT_TRUE(setsInDb().contains(u"-Draft-"_s));

    // Control characters stored before they were refused are shown, never sent to the terminal.
    {
        auto db = lb::Database::open(databasePath(), lb::ConnectSuffix);
        db->exec(
            u"INSERT INTO [Sets] ([Set Name]) VALUES ('Old' || char(27) || '[2J' || char(9))"_s);
        db->exec(u"INSERT INTO [Assigned Fonts] ([Set Name], [Font Name]) "
                 "VALUES ('Old' || char(27) || '[2J' || char(9), 'Alpha Test')"_s);
    }
    for (const QStringList& args : {QStringList{u"sets"_s}, QStringList{u"fonts"_s}}) {
        const QString out = ok(args).out;
        EXPECT_NE(out.indexOf(u"Old\\x1b[2J\\t"_s), -1) << out.toStdString();
        EXPECT_EQ(out.indexOf(u'\x1b'), -1);
        EXPECT_EQ(out.indexOf(u'\t'), -1);
    }
    // A disk's mount point left empty: its fonts and assignments stay until --yes.
    const QString gamma = env.installInSubfolder(u"GammaTest-Regular.ttf"_s, u"disk"_s);
    ok({u"refresh"_s});
    ok({u"assign"_s, u"Body"_s, u"Gamma Test"_s});
    ASSERT_TRUE(QFile::remove(gamma));
    const QStringList kept = pairs();
    const QString why = refused({u"refresh"_s});
    EXPECT_NE(why.indexOf(QFileInfo(gamma).path() + u"  (1 font)"_s), -1) << why.toStdString();
    EXPECT_NE(why.indexOf(u"add --yes to answer Yes"_s), -1);
    EXPECT_EQ(pairs(), kept);
    EXPECT_EQ(fontNamed(u"Gamma Test"_s)[u"name"_s], u"Gamma Test"_s);
    EXPECT_EQ(ok({u"refresh"_s, u"--yes"_s}).err, "");
    EXPECT_FALSE(pairs().contains(u"Body|Gamma Test"_s));
}

TEST_F(Ctl, InstallAndDeleteChangeWhatEveryOtherProgramSees) {
    const QString downloads = env.root() + u"/Downloads/"_s;
    ASSERT_TRUE(QDir().mkpath(downloads + u"more"_s));
    const auto put = [&](const QString& fixture, const QString& as) {
        EXPECT_TRUE(QFile::copy(lbtest::TempEnv::fixture(fixture), downloads + as));
        return downloads + as;
    };
    const QString gamma = put(u"GammaTest-Regular.ttf"_s, u"GammaTest-Regular.ttf"_s);
    put(u"DeltaTest-Regular.ttf"_s, u"more/DeltaTest-Regular.ttf"_s);
    put(u"EpsilonTest-Regular.ttf"_s, u"more/EPSILON.TTF"_s);
    put(u"NotAFont.ttf"_s, u"more/NotAFont.ttf"_s);
    const QString changed = put(u"ZetaTest-Regular.ttf"_s, u"AlphaTest-Regular.ttf"_s);
    activateBody();

    // Refused before anything is installed: every argument is looked at first.
    EXPECT_EQ(refused({u"install"_s, gamma, downloads + u"gone.ttf"_s}),
              u"letterbayctl: "_s + downloads + u"gone.ttf: there is no such file or folder.\n"_s);
    EXPECT_NE(refused({u"install"_s, gamma, env.fontconfigFile()}).indexOf(u"only font files"_s),
              -1);
    refused({u"install"_s, gamma, u"--set"_s, u"Nope"_s});
    // A file of the same name with other content is replaced only with --yes.
    EXPECT_NE(refused({u"install"_s, changed}).indexOf(u"add --yes to answer Yes"_s), -1);
    EXPECT_EQ(QFile(alpha).size(),
              QFile(lbtest::TempEnv::fixture(u"AlphaTest-Regular.ttf"_s)).size());
    // A file that is no font is named; the fonts beside it are installed all the same.
    const QString notFont = refused({u"install"_s, downloads + u"more/NotAFont.ttf"_s, gamma});
    EXPECT_NE(notFont.indexOf(u"1 font installed; 1 file was not installed"_s), -1)
        << notFont.toStdString();
    EXPECT_NE(notFont.indexOf(u"NotAFont.ttf: it cannot be read as a font"_s), -1);

    // Installed fonts are visible at once, with a set active, and join the set named.
    const QJsonObject installed =
        json({u"install"_s, downloads + u"more"_s, gamma, u"--set"_s, u"body"_s});
    EXPECT_EQ(installed[u"installed"_s].toArray(),
              (QJsonArray{u"Delta Test"_s, u"Epsilon Test"_s, u"Gamma Test"_s}));
    EXPECT_EQ(installed[u"added"_s].toInt(), 2); // Gamma Test was installed above
    EXPECT_EQ(installed[u"assigned"_s].toString(), u"3 fonts added to \"Body\" successfully."_s);
    const QString delta = env.fontsFolder() + u"DeltaTest-Regular.ttf"_s;
    EXPECT_EQ(fontNamed(u"Delta Test"_s)[u"state"_s].toString(), "active");
    EXPECT_EQ(ok({u"install"_s, changed, u"--yes"_s}).out, "All fonts installed successfully.\n");
    EXPECT_EQ(fontNamed(u"Zeta Test"_s)[u"state"_s].toString(), "active");

    // Deleting asks first; the desktop's own fonts stay.
    EXPECT_NE(refused({u"delete"_s, u"Delta Test"_s}).indexOf(u"permanently remove"_s), -1);
    EXPECT_EQ(refused({u"delete"_s, u"Fixture Mono"_s, u"--yes"_s}),
              "letterbayctl: All selected fonts were system fonts, none were deleted.\n");
    EXPECT_TRUE(QFile::exists(delta));
    EXPECT_EQ(ok({u"delete"_s, u"--match"_s, u"*ta test"_s, u"Fixture Serif"_s, u"--yes"_s}).out,
              "4 fonts deleted successfully.\n");
    EXPECT_FALSE(QFile::exists(delta));
    EXPECT_FALSE(QFile::exists(alpha)); // Zeta Test's file
    // A font installed for every user stays on disk, gone for this user alone.
    EXPECT_TRUE(QFile::exists(serif));
    ok({u"activate"_s, u"--all"_s});
    EXPECT_FALSE(lbtest::fcListFiles().contains(serif));
    EXPECT_EQ(
        rows(u"SELECT [Font Name] FROM [Assigned Fonts] WHERE [Set Name] = 'Body' ORDER BY 1"_s),
        (QStringList{u"Epsilon Test"_s, u"Fixture Sans"_s, u"Gamma Test"_s}));
}

// Killed at each instant where files and catalogue disagree, then started again: the next start
// of any program finishes what the catalogue committed and undoes the rest.
TEST_F(Ctl, InstallsAndDeletesKilledMidwayAreFinishedOrUndoneAtTheNextStart) {
    const QString downloads = env.root() + u"/Downloads/"_s;
    ASSERT_TRUE(QDir().mkpath(downloads));
    const QString changed = downloads + u"AlphaTest-Regular.ttf"_s;
    const QString gamma = downloads + u"GammaTest-Regular.ttf"_s;
    ASSERT_TRUE(QFile::copy(lbtest::TempEnv::fixture(u"ZetaTest-Regular.ttf"_s), changed));
    ASSERT_TRUE(QFile::copy(lbtest::TempEnv::fixture(u"GammaTest-Regular.ttf"_s), gamma));
    const auto bytes = lb::readWholeFile;
    const auto leftovers = [&] {
        return QDir(env.fontsFolder()).entryList({u".*"_s}, QDir::Files | QDir::Hidden) +
               QDir(env.letterbayHome() + u"/journals"_s).entryList(QDir::Files);
    };
    const auto killedAt = [&](const char* point, const QStringList& args, bool noHardLinks) {
        qputenv("LETTERBAY_KILL_AT", point);
        if (noHardLinks) {
            qputenv("LD_PRELOAD", LB_NO_HARD_LINKS);
            qputenv("ASAN_OPTIONS", "verify_asan_link_order=0");
        }
        const CtlRun r = runCtl(args);
        qunsetenv("LETTERBAY_KILL_AT");
        qunsetenv("LD_PRELOAD");
        qunsetenv("ASAN_OPTIONS");
        EXPECT_EQ(r.exitCode, -1) << point << " not reached: " << r.err.toStdString();
    };
    const QByteArray original = bytes(alpha);
    const QStringList replace{u"install"_s, changed, u"--yes"_s};

    // Where hard links fail, the replaced font lives under its backup name alone for a moment.
    killedAt("install.backup", replace, true);
    EXPECT_FALSE(QFile::exists(alpha));
    ok({u"status"_s});
    EXPECT_EQ(bytes(alpha), original);
    killedAt("install.placed", replace, true);
    ok({u"sets"_s});
    EXPECT_EQ(bytes(alpha), original);
    EXPECT_EQ(fontNamed(u"Alpha Test"_s)[u"files"_s].toArray(), QJsonArray{alpha});
    EXPECT_EQ(leftovers(), QStringList());
    // Once the catalogue has it, the installation stands.
    killedAt("install.committed", replace, false);
    ok({u"status"_s});
    EXPECT_EQ(bytes(alpha), bytes(changed));
    EXPECT_EQ(fontNamed(u"Zeta Test"_s)[u"files"_s].toArray(), QJsonArray{alpha});
    EXPECT_EQ(leftovers(), QStringList());
    // A new font cut off before the catalogue took it goes again, for every program.
    const std::vector<std::string> shown = fcList();
    killedAt("install.placed", {u"install"_s, gamma}, false);
    ok({u"status"_s});
    EXPECT_FALSE(QFile::exists(env.fontsFolder() + u"GammaTest-Regular.ttf"_s));
    EXPECT_EQ(fcList(), shown);

    // Deleting: before the catalogue's commit the font comes back with its sets; after, it goes.
    ok({u"add-set"_s, u"Body"_s});
    ok({u"assign"_s, u"Body"_s, u"Beta Test"_s});
    killedAt("delete.set-aside", {u"delete"_s, u"Beta Test"_s, u"--yes"_s}, false);
    EXPECT_FALSE(QFile::exists(beta));
    ok({u"status"_s});
    EXPECT_TRUE(QFile::exists(beta));
    EXPECT_EQ(pairs(), QStringList{u"Body|Beta Test"_s});
    EXPECT_EQ(fcList(), shown);
    killedAt("delete.committed", {u"delete"_s, u"Beta Test"_s, u"--yes"_s}, false);
    ok({u"status"_s});
    EXPECT_FALSE(QFile::exists(beta));
    EXPECT_EQ(pairs(), QStringList());
    EXPECT_EQ(leftovers(), QStringList());

    // A Type 1 font goes with its metrics, cut off between them or after both; once the
    // catalogue has it, both stay.
    const QString pfb = env.fontsFolder() + u"TypeOneTest.pfb"_s;
    const QString afm = env.fontsFolder() + u"TypeOneTest.afm"_s;
    const QString type1 = downloads + u"type1/"_s;
    ASSERT_TRUE(QDir().mkpath(type1));
    for (const QString& f : {u"TypeOneTest.pfb"_s, u"TypeOneTest.afm"_s})
        ASSERT_TRUE(QFile::copy(lbtest::TempEnv::fixture(f), type1 + f));
    for (const char* point : {"install.placed-one", "install.placed", "install.committed"}) {
        killedAt(point, {u"install"_s, type1}, false);
        ok({u"status"_s});
        EXPECT_EQ(leftovers(), QStringList()) << point;
        if (point != std::string_view("install.committed")) {
            EXPECT_FALSE(QFile::exists(pfb) || QFile::exists(afm)) << point;
        }
    }
    EXPECT_EQ(bytes(afm), bytes(type1 + u"TypeOneTest.afm"_s));
    EXPECT_EQ(fontNamed(u"Type One Test"_s)[u"files"_s].toArray(), QJsonArray{pfb});
    EXPECT_TRUE(lbtest::fcListFiles().contains(pfb));
    // Deleted, a Type 1 font's metrics go with it.
    ok({u"delete"_s, u"Type One Test"_s, u"--yes"_s});
    EXPECT_FALSE(QFile::exists(pfb) || QFile::exists(afm));
}

TEST_F(Ctl, AnUnusableDatabaseIsExitCodeThreeAndIsLeftAsItWas) {
    const QString path = databasePath();
    // Of an older version: letterbay converts it, with its announcement; the command line does not.
    ASSERT_TRUE(QFile::remove(path));
    lbtest::makeDataFile(path, u"2.0"_s).reset();
    const QByteArray old = lb::readWholeFile(path);
    CtlRun r = runCtl({u"sets"_s});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(r.err.indexOf(path), -1) << r.err.toStdString();
    EXPECT_NE(r.err.indexOf(u"older version"_s), -1) << r.err.toStdString();
    EXPECT_EQ(lb::readWholeFile(path), old);

    // Not a database at all.
    lbtest::writeFile(path, QByteArray(8192, 'x'));
    for (const QStringList& args : {QStringList{u"status"_s}, {u"add-set"_s, u"Body"_s}}) {
        r = runCtl(args);
        EXPECT_EQ(r.exitCode, 3) << args.join(' ').toStdString();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.indexOf(u"cannot be used"_s), -1) << r.err.toStdString();
    }
    EXPECT_EQ(lb::readWholeFile(path), QByteArray(8192, 'x'));
}

TEST_F(Ctl, ExportWipeImportGivesTheSameSets) {
    ok({u"add-set"_s, u"Body"_s});
    ok({u"add-set"_s, u"Don't \u00c9dit"_s});
    ok({u"assign"_s, u"Body"_s, u"Fixture Sans"_s, u"Fixture Serif"_s});
    ok({u"assign"_s, u"Don't \u00c9dit"_s, u"Quote \"Test\""_s, u"Édition Ünïcode"_s});
    const QString exported = ok({u"export"_s}).out;
    // The document names each font's files, as hints for another machine.
    EXPECT_NE(
        exported.indexOf(u"{\"name\": \"Fixture Sans\", \"files\": [\"FixtureSans-Bold.ttf\", "
                         u"\"FixtureSans-Italic.ttf\", \"FixtureSans-Regular.ttf\"]}"_s),
        -1)
        << exported.toStdString();
    const QStringList before = pairs();

    // A new machine: no database, the catalogue built by the command line alone.
    ASSERT_TRUE(QDir(env.letterbayHome()).removeRecursively());
    ok({u"refresh"_s});
    EXPECT_FALSE(setsInDb().contains(u"Body"_s));
    const CtlRun imported = ok({u"import"_s, u"-"_s}, exported.toUtf8());
    EXPECT_EQ(imported.err, "");
    EXPECT_NE(imported.out.indexOf(u"\"Body\" added: 2 fonts assigned."_s), -1)
        << imported.out.toStdString();
    EXPECT_EQ(pairs(), before);
    EXPECT_EQ(ok({u"export"_s}).out, exported);

    // Some sets only, by any letter case.
    const QString one = ok({u"export"_s, u"BODY"_s}).out;
    EXPECT_EQ(QJsonDocument::fromJson(one.toUtf8())[u"sets"_s].toArray().size(), 1);
    EXPECT_EQ(QJsonDocument::fromJson(one.toUtf8())[u"sets"_s][0][u"name"_s].toString(), "Body");
}

TEST_F(Ctl, ImportMergesOrReplacesAndReportsTheFontsThisMachineLacks) {
    ok({u"add-set"_s, u"Body"_s});
    ok({u"assign"_s, u"Body"_s, u"Fixture Sans"_s, u"Alpha Test"_s});
    ok({u"activate"_s, u"Body"_s});
    const QString doc = uR"({"format": "letterbay-sets", "version": 1, "sets": [
  {"name": "body", "fonts": [
    "Beta Test",
    {"name": "Alpha Renamed", "files": ["AlphaTest-Regular.ttf"]},
    {"name": "Gone Sans", "files": ["GoneSans.ttf"]}]},
  {"name": "New", "fonts": ["fixture serif"], "comment": "keys it does not know are passed over"}
]})"_s;
    const QString path = lbtest::writeFile(env.root() + u"/sets.json"_s, doc.toUtf8());

    const CtlRun merged = runCtl({u"import"_s, path, u"--json"_s});
    ASSERT_EQ(merged.exitCode, 0) << merged.err.toStdString();
    EXPECT_NE(merged.err.indexOf(u"\"Gone Sans\""_s), -1) << merged.err.toStdString();
    const QJsonArray report = QJsonDocument::fromJson(merged.out.toUtf8())[u"sets"_s].toArray();
    ASSERT_EQ(report.size(), 2);
    EXPECT_EQ(report[0][u"name"_s].toString(), "Body");
    EXPECT_FALSE(report[0][u"created"_s].toBool());
    EXPECT_EQ(report[0][u"added"_s].toInt(), 1);
    EXPECT_EQ(report[0][u"removed"_s].toInt(), 0);
    EXPECT_EQ(report[0][u"missing"_s].toArray(), QJsonArray{u"Gone Sans"_s});
    EXPECT_EQ(report[0][u"byFileName"_s][0][u"font"_s].toString(), "Alpha Test");
    EXPECT_TRUE(report[1][u"created"_s].toBool());
    EXPECT_EQ(pairs(), (QStringList{u"Body|Alpha Test"_s, u"Body|Beta Test"_s,
                                    u"Body|Fixture Sans"_s, u"New|Fixture Serif"_s}));
    // Fonts that joined the active set are available at once.
    EXPECT_EQ(fcList(), files({sans[0], sans[1], sans[2], alpha, beta, mono}));

    // Replacing: what the document does not name leaves the set, and the active set's fonts
    // follow.
    const CtlRun replaced = ok({u"import"_s, path, u"--replace"_s});
    EXPECT_NE(replaced.out.indexOf(u"\"Body\": 0 fonts assigned, 1 unassigned, 1 not on this "
                                   u"machine."_s),
              -1)
        << replaced.out.toStdString();
    EXPECT_EQ(pairs(),
              (QStringList{u"Body|Alpha Test"_s, u"Body|Beta Test"_s, u"New|Fixture Serif"_s}));
    EXPECT_EQ(fcList(), files({alpha, beta, mono}));
    // Sets the document does not name are left alone.
    EXPECT_TRUE(setsInDb().contains(u"Serif"_s));
}

TEST_F(Ctl, AMalformedDocumentIsRefusedWithItsLineAndNothingChanges) {
    activateBody();
    const QStringList before = everything();
    const QString path = env.root() + u"/bad.json"_s;
    const auto refusedAt = [&](const QByteArray& text, const QString& where, const QString& why) {
        lbtest::writeFile(path, text);
        const QString err = refused({u"import"_s, path});
        EXPECT_TRUE(err.startsWith(u"letterbayctl: "_s + path + u":"_s + where + u": "_s))
            << err.toStdString();
        EXPECT_NE(err.indexOf(why), -1) << err.toStdString();
        EXPECT_NE(err.indexOf(u"Nothing has been changed."_s), -1);
    };
    const QByteArray head = "{\"format\": \"letterbay-sets\", \"version\": 1,\n \"sets\": [\n";
    refusedAt(head + "  {\"name\": \"Body\", \"fonts\": [1]}\n]}", u"3:30"_s,
              u"a font must be its name or an object, not a number"_s);
    refusedAt(head + "  {\"name\": \"New\", \"fonts\": []},\n  {\"name\": \"NEW\"}\n]}", u"4:12"_s,
              u"the set \"NEW\" appears twice (first on line 3)"_s);
    refusedAt(head + "  {\"name\": \"Say \\\"Hi\\\"\"}\n]}", u"3:12"_s,
              u"You cannot use \" in your set name"_s);
    refusedAt(head + "  {\"name\": \"Bell\\u0007\"}\n]}", u"3:12"_s,
              u"You cannot use control characters"_s);
    refusedAt(head + "  {\"name\": \"New\", \"fonts\": [\"Beta Test\"],}\n]}", u"3:42"_s,
              u"a comma before '}'"_s);
    refusedAt(head + "  {\"name\": \"New\", \"name\": \"Other\"}\n]}", u"3:19"_s,
              u"the key \"name\" appears twice"_s);
    refusedAt(head + "  {\"name\": \"New\xff\"}\n]}", u"3:13"_s, u"not valid UTF-8"_s);
    refusedAt(head + "  {\"name\": \"New\"}\n", u"4:1"_s, u"the document ends inside a list"_s);
    refusedAt(head + "  {\"name\": \"New\n\"}]}", u"3:16"_s, u"the text has no closing quote"_s);
    refusedAt("{\"format\": \"letterbay-sets\", \"version\": 2, \"sets\": []}", u"1:41"_s,
              u"written by a newer letterbayctl"_s);
    refusedAt("{\"fonts\": []}", u"1:1"_s, u"\"format\" is missing"_s);
    refusedAt("[]", u"1:1"_s, u"the document must be an object"_s);
    refusedAt("", u"1:1"_s, u"the document ends where a value should be"_s);
    // A repeated key is found among 200,000 keys of one object, and larger documents are refused
    // before they are read.
    QByteArray keys = "{\"format\": \"letterbay-sets\", \"version\": 1, \"sets\": [],\n";
    for (int i = 0; i < 200000; ++i)
        keys += "\"k" + QByteArray::number(i) + "\": 0, ";
    refusedAt(keys + "\"k7\": 1}", u"2:2688891"_s, u"the key \"k7\" appears twice"_s);
    refusedAt("[" + QByteArray("0,").repeated(1000000) + "0]", u"1:2000000"_s,
              u"more than 1000000 values"_s);
    refusedAt("{\"format\": \"" + QByteArray(16 << 20, 'x') + "\"}", u"1:1"_s,
              u"larger than 16 MB"_s);
    EXPECT_TRUE(refused({u"import"_s, env.root() + u"/none.json"_s})
                    .startsWith(u"letterbayctl: "_s + env.root() + u"/none.json: "_s));
    EXPECT_EQ(everything(), before);

    // A failure half way through a well-formed document: the fonts of the active set cannot be
    // shown or hidden (a folder stands where the hidden-font configuration is written). The set
    // made first is undone with the rest.
    const QString conf = lb::inactiveFontsConfPath();
    const auto seen = fcList();
    ASSERT_TRUE(QFile::rename(conf, conf + u".kept"_s));
    ASSERT_TRUE(QDir().mkpath(conf));
    const QByteArray replacing = head + "  {\"name\": \"First\", \"fonts\": [\"Beta Test\"]},\n"
                                        "  {\"name\": \"Body\", \"fonts\": [\"Alpha Test\"]}\n]}";
    const CtlRun r = runCtl({u"import"_s, u"-"_s, u"--replace"_s}, replacing);
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_NE(r.err.indexOf(u"could not be hidden or shown"_s), -1) << r.err.toStdString();
    ASSERT_TRUE(QDir(conf).removeRecursively());
    ASSERT_TRUE(QFile::rename(conf + u".kept"_s, conf));
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(fcList(), seen);
    EXPECT_TRUE(json({u"status"_s})[u"hiddenFontsInStep"_s].toBool());
}

// Runs letterbayctl with its standard error on a terminal of its own; returns what the terminal
// received.
QByteArray onTerminal(const QStringList& args, int& exitCode) {
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return "no terminal";
    QProcess p;
    p.setChildProcessModifier([slave] { ::dup2(slave, STDERR_FILENO); });
    p.start(lbtest::ctlPath(), args);
    QByteArray seen;
    char buffer[4096];
    const auto drain = [&] {
        pollfd pfd{master, POLLIN, 0};
        while (::poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN)) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            seen.append(buffer, n);
        }
    };
    while (!p.waitForFinished(20))
        drain();
    drain();
    ::close(slave);
    ::close(master);
    exitCode = p.exitCode();
    return seen;
}

TEST_F(Ctl, ProgressGoesToAWaitingTerminalOnly) {
    ok({u"add-set"_s, u"Body"_s});
    ok({u"assign"_s, u"Body"_s, u"Fixture Sans"_s});
    int exitCode = -1;
    const QByteArray terminal = onTerminal({u"activate"_s, u"Body"_s}, exitCode);
    EXPECT_EQ(exitCode, 0);
    EXPECT_NE(terminal.indexOf("Inactivating all fonts not found in \"Body\"..."), -1)
        << terminal.toStdString();
    // The line is cleared at the end, so the result stands alone.
    EXPECT_TRUE(terminal.endsWith("\r\033[K")) << terminal.toStdString();
    // Piped, standard error carries nothing but what went wrong.
    const CtlRun piped = ok({u"activate"_s, u"--all"_s});
    EXPECT_EQ(piped.err, "");
}

// The bash completion as installed, asked for the word after `line` (its last word, possibly
// empty, is the one being completed).
QStringList completions(const QStringList& words) {
    QString script = u"source '"_s + QStringLiteral(LB_BIN_DIR) +
                     u"/../share/bash-completion/completions/letterbayctl'\nCOMP_WORDS=('"_s +
                     lbtest::ctlPath() + u"'"_s;
    for (const QString& w : words)
        script += u" '"_s + QString(w).replace(u"'"_s, u"'\\''"_s) + u"'"_s;
    script += u")\nCOMP_CWORD=%1\n_letterbayctl\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n"_s.arg(
        words.size());
    QProcess bash;
    bash.start(u"bash"_s, {u"--norc"_s, u"-c"_s, script});
    bash.waitForFinished(60000);
    QStringList out = QString::fromUtf8(bash.readAllStandardOutput()).split('\n');
    out.removeAll(QString());
    return out;
}

TEST_F(Ctl, BashCompletesCommandsSetsAndFontsFromTheDatabase) {
    ok({u"add-set"_s, u"Body Text"_s});
    ok({u"assign"_s, u"Body Text"_s, u"Fixture Sans"_s, u"Quote \"Test\""_s});
    EXPECT_EQ(completions({u"ac"_s}), QStringList{u"activate"_s});
    EXPECT_EQ(completions({u"activate"_s, u"Bo"_s}), QStringList{u"Body\\ Text"_s});
    EXPECT_EQ(completions({u"activate"_s, u"\"Bo"_s}), QStringList{u"Body Text"_s});
    EXPECT_EQ(completions({u"assign"_s, u"Body\\ Text"_s, u"Fixture\\ S"_s}),
              (QStringList{u"Fixture\\ Sans"_s, u"Fixture\\ Serif"_s}));
    EXPECT_EQ(completions({u"unassign"_s, u"Body\\ Text"_s, u""_s}),
              (QStringList{u"Fixture\\ Sans"_s, u"Quote\\ \\\"Test\\\""_s}));
    EXPECT_EQ(completions({u"fonts"_s, u"--set"_s, u"Body"_s}), QStringList{u"Body\\ Text"_s});
    EXPECT_TRUE(completions({u"activate"_s, u"--"_s}).contains(u"--all"_s));
    EXPECT_EQ(completions({u"help"_s, u"delete-"_s}), QStringList{u"delete-set"_s});
    EXPECT_EQ(completions({u"delete"_s, u"--match"_s, u"x"_s, u"Fixture\\ Sa"_s}),
              QStringList{u"Fixture\\ Sans"_s});
    EXPECT_EQ(completions({u"autoassign"_s, u"--remove-on-unassign"_s, u"of"_s}),
              QStringList{u"off"_s});
    EXPECT_EQ(completions({u"autoassign"_s, u"--remove-on-unassign"_s, u"on"_s, u""_s}),
              (QStringList{u"on"_s, u"off"_s}));
}

TEST_F(Ctl, TheManualPageDocumentsEveryCommandAndJsonKey) {
    QProcess gunzip;
    gunzip.start(u"gzip"_s, {u"-dc"_s, QStringLiteral(LB_BIN_DIR) +
                                           u"/../share/man/man1/letterbayctl.1.gz"_s});
    ASSERT_TRUE(gunzip.waitForFinished(30000));
    const QString page = QString::fromUtf8(gunzip.readAllStandardOutput());
    ASSERT_NE(page.indexOf(u".TH LETTERBAYCTL 1"_s), -1);
    const QString synopsis = page.mid(page.indexOf(u".SH SYNOPSIS"_s));
    for (const QString& command : ok({u"complete"_s, u"commands"_s}).out.split('\n')) {
        if (command.isEmpty()) continue;
        EXPECT_NE(synopsis.indexOf(u".B letterbayctl "_s + QString(command).replace('-', u"\\-"_s)),
                  -1)
            << command.toStdString();
        EXPECT_NE(ok({u"--help"_s}).out.indexOf(u"  "_s + command), -1) << command.toStdString();
    }
    // Every key a script can read is described.
    ok({u"add-set"_s, u"Body"_s});
    QStringList keys = json({u"status"_s}).keys() + json({u"sets"_s}).keys() +
                       json({u"sets"_s})[u"sets"_s][0].toObject().keys() +
                       json({u"fonts"_s})[u"fonts"_s][0].toObject().keys();
    const QByteArray doc = ok({u"export"_s, u"Body"_s}).out.toUtf8();
    keys += QJsonDocument::fromJson(doc).object().keys();
    const CtlRun imported = ok({u"import"_s, u"-"_s, u"--json"_s}, doc);
    const QJsonObject report = QJsonDocument::fromJson(imported.out.toUtf8()).object();
    keys += report.keys() + report[u"sets"_s][0].toObject().keys();
    keys += json({u"autoassign"_s}).keys();
    keys += json({u"install"_s, lbtest::TempEnv::fixture(u"GammaTest-Regular.ttf"_s)}).keys();
    // The fonts of documents, one of them unreadable.
    const QString svg =
        lbtest::writeFile(env.home() + u"/a.svg"_s, R"(<svg font-family="Alpha Test"/>)");
    const QJsonObject used =
        QJsonDocument::fromJson(
            runCtl({u"--json"_s, u"fonts"_s, u"--for"_s, svg, svg + u".pdf"_s}).out.toUtf8())
            .object();
    keys += used.keys() + used[u"fonts"_s][0].toObject().keys() +
            used[u"unread"_s][0].toObject().keys();
    keys += json({u"activate"_s, u"--for"_s, svg}).keys();
    const CtlRun refreshed = ok({u"refresh"_s, u"--json"_s});
    keys += QJsonDocument::fromJson(refreshed.out.toUtf8()).object().keys();
    for (const QString& key : keys)
        EXPECT_NE(page.indexOf(u"\""_s + key + u"\""_s), -1) << key.toStdString();

    if (QStandardPaths::findExecutable(u"groff"_s).isEmpty()) return;
    QProcess groff;
    groff.start(u"groff"_s, {u"-man"_s, u"-ww"_s, u"-z"_s});
    groff.write(page.toUtf8());
    groff.closeWriteChannel();
    ASSERT_TRUE(groff.waitForFinished(30000));
    EXPECT_EQ(QString::fromUtf8(groff.readAllStandardError()), "");
}

TEST_F(Ctl, TheSqlcipherShellReadsTheTablesWithTheExtension) {
    if (QStandardPaths::findExecutable(u"sqlcipher"_s).isEmpty())
        GTEST_SKIP() << "the sqlcipher shell is not installed";
    ok({u"add-set"_s, u"Body"_s});
    ok({u"assign"_s, u"Body"_s, u"Édition Ünïcode"_s, u"Alpha Test"_s});
    const auto shell = [&](const QByteArray& commands) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(u"sqlcipher"_s, {databasePath()});
        p.write(commands);
        p.closeWriteChannel();
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAll());
    };
    const QByteArray key = "PRAGMA key = '517_kayaker';\n";
    const QByteArray queries = "SELECT [Set Name] FROM [Sets] WHERE [Set Name] = 'BODY';\n"
                               "SELECT [Font Name] FROM [Assigned Fonts] WHERE [Font Name] = "
                               "'édition ünïcode';\n"
                               "SELECT [Face Name] FROM [Fonts] GROUP BY [Face Name] ORDER BY "
                               "[Face Name];\n";
    EXPECT_NE(shell(key + queries).indexOf(u"no such collation sequence: LBNOCASE"_s), -1);
    const QString out =
        shell(".load " + QByteArray(LB_BIN_DIR) + "/../lib/letterbay/lbnocase\n" + key + queries);
    // The program's own order of the catalogue, as the command line lists it.
    QStringList listed;
    for (const QJsonValue& f : json({u"fonts"_s})[u"fonts"_s].toArray())
        listed << f[u"name"_s].toString();
    EXPECT_EQ(out, u"Body\nÉdition Ünïcode\n"_s + listed.join('\n') + '\n');
}

} // namespace

TEST_F(Ctl, CheckListsCopiesAndDamagedFontsAndSaysSoInItsExitCode) {
    const CtlRun clean = runCtl({u"check"_s});
    EXPECT_EQ(clean.exitCode, 0) << clean.out.toStdString() << clean.err.toStdString();

    const QString copy = env.installInSubfolder(u"FixtureSans-Regular.ttf"_s, u"downloads"_s);
    const QString newer = env.installInSubfolder(u"FixtureSans-Bold-2.ttf"_s, u"v2"_s);
    const QString cut = env.installFixture(u"Truncated.ttf"_s);
    const QString damaged = env.installFixture(u"DamagedTable.ttf"_s);
    // A name that is not UTF-8 can only be written as bytes.
    const QByteArray badName = QFile::encodeName(env.fontsFolder()) + "Delta\xff.ttf";
    // The temporary home cannot remove a name it cannot spell.
    const auto removeBadName = qScopeGuard([&] { ::unlink(badName.constData()); });
    {
        const int fd = ::open(badName.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        const QByteArray bytes =
            lb::readWholeFile(lbtest::TempEnv::fixture(u"DeltaTest-Regular.ttf"_s));
        ASSERT_EQ(::write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
        ::close(fd);
    }

    const CtlRun found = runCtl({u"check"_s, u"--json"_s});
    ASSERT_EQ(found.exitCode, 1) << found.err.toStdString();
    const QJsonObject report = QJsonDocument::fromJson(found.out.toUtf8()).object();
    std::map<QString, QJsonObject> groups;
    for (const QJsonValue& g : report[u"duplicates"_s].toArray())
        groups[g[u"family"_s].toString() + u'/' + g[u"style"_s].toString()] = g.toObject();
    ASSERT_EQ(groups.size(), 2u) << found.out.toStdString();

    // Identical copies by content; the copy programs get is the one marked in use.
    const QJsonObject regular = groups[u"Fixture Sans/Regular"_s];
    EXPECT_TRUE(regular[u"identical"_s].toBool());
    QSet<QString> files, inUse;
    for (const QJsonValue& c : regular[u"copies"_s].toArray()) {
        files.insert(c[u"file"_s].toString());
        if (c[u"in_use"_s].toBool()) inUse.insert(c[u"file"_s].toString());
    }
    EXPECT_EQ(files, (QSet<QString>{sans[0], copy}));
    EXPECT_EQ(inUse.size(), 1);
    // Two versions of one style: different copies, each with its version.
    const QJsonObject bold = groups[u"Fixture Sans/Bold"_s];
    EXPECT_FALSE(bold[u"identical"_s].toBool());
    QStringList versions;
    for (const QJsonValue& c : bold[u"copies"_s].toArray())
        versions << c[u"file"_s].toString() + u'=' + c[u"version"_s].toString();
    versions.sort();
    EXPECT_EQ(versions, (QStringList{sans[1] + u"=1.000"_s, newer + u"=2.000"_s}));

    std::map<QString, QString> problems;
    for (const QJsonValue& d : report[u"damaged"_s].toArray())
        problems[d[u"file"_s].toString()] = d[u"problem"_s].toString();
    ASSERT_EQ(problems.size(), 3u) << found.out.toStdString();
    EXPECT_TRUE(problems[cut].contains(u"cut short"_s)) << problems[cut].toStdString();
    EXPECT_TRUE(problems[damaged].contains(u"checksum"_s)) << problems[damaged].toStdString();
    EXPECT_TRUE(problems[QFile::decodeName(badName)].contains(u"not valid text"_s));

    // People get the same findings as lines; nothing was changed.
    const CtlRun text = runCtl({u"check"_s});
    EXPECT_EQ(text.exitCode, 1);
    EXPECT_TRUE(text.out.contains(u"Fixture Sans Regular (identical copies)"_s));
    EXPECT_TRUE(text.out.contains(u"Damaged fonts"_s));
    EXPECT_TRUE(QFile::exists(copy) && QFile::exists(cut) && QFile::exists(damaged));

    // With a set active, programs reach the copy through a link: the copy is still named in use.
    for (const QStringList& step : {QStringList{u"refresh"_s},
                                    {u"add-set"_s, u"Copies"_s},
                                    {u"assign"_s, u"Copies"_s, u"Fixture Sans"_s},
                                    {u"activate"_s, u"Copies"_s}})
        ASSERT_EQ(runCtl(step).exitCode, 0) << step.join(' ').toStdString();
    const auto inUseOf = [&](const QString& group) {
        const QJsonObject again =
            QJsonDocument::fromJson(runCtl({u"check"_s, u"--json"_s}).out.toUtf8()).object();
        QStringList used;
        for (const QJsonValue& g : again[u"duplicates"_s].toArray())
            if (g[u"family"_s].toString() + u'/' + g[u"style"_s].toString() == group)
                for (const QJsonValue& c : g[u"copies"_s].toArray())
                    if (c[u"in_use"_s].toBool()) used << c[u"file"_s].toString();
        return std::make_pair(used, again);
    };
    EXPECT_EQ(inUseOf(u"Fixture Sans/Regular"_s).first.size(), 1);

    // A file changed since the last check is read again, not taken from that check's findings.
    lbtest::writeFile(copy, lb::readWholeFile(damaged));
    QStringList damagedFiles;
    for (const QJsonValue& d : inUseOf({}).second[u"damaged"_s].toArray())
        damagedFiles << d[u"file"_s].toString();
    EXPECT_TRUE(damagedFiles.contains(copy)) << damagedFiles.join(' ').toStdString();
}
