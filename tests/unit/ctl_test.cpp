// letterbayctl as users and scripts run it: the real binary in a temporary home with fixture fonts.
#include "core/database.h"
#include "core/schema.h"
#include "platform/checked_file.h"
#include "platform/font_selection.h"
#include "platform/hidden_fonts.h"
#include "support/data_files.h"
#include "support/programs.h"
#include "support/temp_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

using lbtest::ctl, lbtest::ctlOk, lbtest::CtlRun, lbtest::fcList, lbtest::runCtl;
using namespace Qt::StringLiterals;

namespace {

// `text` as a JSON object; text that is not JSON is a failure.
QJsonObject parsed(const QString& text) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
    return doc.object();
}
// What `program` writes on standard output and error, fed `input`.
QString outputOf(const QString& program, const QStringList& args, const QByteArray& input = {}) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAll());
}
// The `key` of each object in `list` (or each string, without a key), in order.
QStringList each(const QJsonValue& list, const char* key = nullptr) {
    QStringList out;
    for (const QJsonValue& v : list.toArray())
        out << (key ? v[QLatin1String(key)] : v).toString();
    return out;
}

struct Ctl : ::testing::Test {
    lbtest::TempEnv env;
    QString sans[3], alpha, beta, mono;

    void SetUp() override {
        sans[0] = env.installFixture("FixtureSans-Regular.ttf");
        sans[1] = env.installFixture("FixtureSans-Bold.ttf");
        sans[2] = env.installFixture("FixtureSans-Italic.ttf");
        alpha = env.installFixture("AlphaTest-Regular.ttf");
        beta = env.installFixture("BetaTest-Regular.ttf");
        env.installFixture("QuoteTest.ttf");
        env.installFixture("EditionUnicode.ttf");
        env.installFixture("FixtureSerif-Regular.ttf", true);
        mono = env.installFixture("FixtureMono-Regular.ttf", true);
        // The desktop's own font, which is never hidden.
        ASSERT_TRUE(lbtest::preferForGenericFamilies(env, "Fixture Mono"));
        ctlOk({"refresh"});
    }

    // A refused command: exit code 1, nothing on standard output, the reason on standard error.
    QString refused(const QStringList& args, const QByteArray& input = {}) {
        const CtlRun r = runCtl(args, input);
        EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, "") << args.join(' ').toStdString();
        return r.err;
    }
    QJsonObject json(const QStringList& args) {
        return parsed(ctlOk(QStringList{"--json"} + args).out);
    }
    QJsonObject fontNamed(const QString& name) {
        for (const QJsonValue& f : json({"fonts"})["fonts"].toArray())
            if (f["name"].toString() == name) return f.toObject();
        ADD_FAILURE() << "not listed: " << name.toStdString();
        return {};
    }

    QString databasePath() const { return env.letterbayHome() + u"/letterbay.mdb"_s; }
    void exec(const char* sql) { lb::Database::open(databasePath(), lb::ConnectSuffix)->exec(sql); }
    // The first column of each row of a query on the database file itself.
    QStringList rows(const QString& sql) {
        return lbtest::query(*lb::Database::open(databasePath(), lb::ConnectSuffix), sql);
    }
    QStringList pairs() {
        return rows("SELECT [Set Name] || '|' || [Font Name] FROM [Assigned Fonts] "
                    "ORDER BY [Set Name], [Font Name]");
    }
    QStringList fontsOf(const QString& set) {
        return rows(u"SELECT [Font Name] FROM [Assigned Fonts] WHERE [Set Name] = '"_s + set +
                    u"' ORDER BY 1"_s);
    }
    QStringList setsInDb() { return rows("SELECT [Set Name] FROM [Sets] ORDER BY 1"); }
    // Everything a refused command must leave as it was.
    QStringList everything() {
        return setsInDb() + pairs() +
               rows("SELECT quote([Activated Set]) || quote([Previous Set]) || quote([Font State]) "
                    "FROM [Sample Text]");
    }
    // A fixture font copied to Downloads/`as`, outside the fonts folder.
    QString download(const QString& fixture, const QString& as) {
        return lbtest::copyFixture(fixture, env.root() + u"/Downloads"_s, as);
    }
};

TEST_F(Ctl, SetCommandsChangeTheDatabaseAsTheWindowsDo) {
    // Sets added in the earlier text order: the first command puts the indexes in order.
    lbtest::addSetsInEarlierOrder(databasePath(), {"Écrit", "Zeta"});
    ctlOk({"sets"});
    EXPECT_EQ(rows("PRAGMA integrity_check"), QStringList{"ok"});
    for (const QString& set : setsInDb()) // the shipped ones too: this test makes its own
        ctlOk({"delete-set", set, "--yes"});
    ctl({{"add-set", "Body"}, {"add-set", "  Display  "}});

    // Names in any letter case, stored as catalogued; a pattern, caseless; a name with a quote.
    ctl({{"assign", "body", "fixture sans", "Alpha Test"},
         {"assign", "Display", "--match", "*TEST*"}});
    EXPECT_EQ(ctlOk({"assign", "Body", "Alpha Test"}).out,
              "No fonts added: every font named is in \"Body\" already.\n");

    ctl({{"rename-set", "body", "Text"}, {"copy-set", "Text", "Both"}});

    // Out of a set by another letter case; into and out of every set; letters beyond ASCII.
    ctl({{"unassign", "Display", "beta test", "--yes"},
         {"assign", "--all-sets", "ÉDITION ÜNÏCODE", "--yes"},
         {"unassign", "--all-sets", "Alpha Test", "--yes"},
         {"delete-set", "Both", "--yes"}});
    EXPECT_EQ(pairs(), (QStringList{"Display|Édition Ünïcode", "Display|Quote \"Test\"",
                                    "Text|Édition Ünïcode", "Text|Fixture Sans"}));

    // AutoAssign's switches, as the Edit menu's, read by every later command.
    exec("INSERT INTO [Auto Assign] ([Set Name], [Font Name]) VALUES ('Text', 'Beta Test')");
    const auto textHasBeta = [&] { return pairs().contains("Text|Beta Test"); };
    ctl({{"autoassign", "off"}, {"refresh"}});
    EXPECT_FALSE(textHasBeta());
    EXPECT_EQ(ctlOk({"autoassign", "on"}).out,
              "AutoAssign:          on at refresh and install\n"
              "Remove on unassign:  off, a refresh may assign it again\n");
    EXPECT_TRUE(json({"status"})["autoAssign"].toBool());
    EXPECT_TRUE(ctlOk({"refresh"}).out.startsWith("Fonts loaded, AutoAssign completed"));
    EXPECT_TRUE(textHasBeta());
    // With the switch on, unassigning takes the pair out of the knowledge base for good.
    ctl({{"autoassign", "--remove-on-unassign", "on"},
         {"unassign", "Text", "Beta Test", "--yes"},
         {"refresh"}});
    EXPECT_FALSE(textHasBeta());
    EXPECT_EQ(json({"autoassign", "off"}),
              parsed(R"({"autoAssign": false, "removeOnUnassign": true})"));
    EXPECT_FALSE(json({"status"})["autoAssign"].toBool());
}

// What a terminal that letterbayctl's standard error goes to gets (standard output goes nowhere).
QString onTerminal(const QString& args) {
    return outputOf("script",
                    {"-qec", u"'%1' %2 > /dev/null"_s.arg(lbtest::ctlPath(), args), "/dev/null"});
}

TEST_F(Ctl, ActivationIsWhatEveryOtherProgramSees) {
    ctl({{"add-set", "Body"}, {"assign", "Body", "Fixture Sans"}});
    // Progress goes to a waiting terminal, its line cleared at the end so the result stands alone.
    const QString terminal = onTerminal("activate Body");
    EXPECT_TRUE(terminal.contains("Inactivating all fonts not found in \"Body\"...") &&
                terminal.endsWith("\r\033[K"))
        << terminal.toStdString();
    const QJsonObject status = json({"status"});
    QStringList counts;
    for (const char* key :
         {"activeSet", "typefaces", "files", "inactive", "system", "hiddenFontsInStep"})
        counts << status[QLatin1String(key)].toVariant().toString();
    EXPECT_EQ(counts.join(' '), "Body 7 9 5 1 true") << "set, typefaces, files, inactive, system";
    EXPECT_EQ(status["database"].toString(), databasePath());
    const QJsonObject sansRow = fontNamed("Fixture Sans");
    EXPECT_EQ(sansRow["state"].toString() + u'|' + each(sansRow["sets"]).join(','), "active|Body");
    QStringList sansFiles = each(sansRow["files"]);
    sansFiles.sort();
    EXPECT_EQ(sansFiles, (QStringList{sans[1], sans[2], sans[0]}));
    EXPECT_EQ(fontNamed("Alpha Test")["state"].toString(), "inactive");
    EXPECT_EQ(fontNamed("Fixture Mono")["state"].toString(), "system");
    EXPECT_EQ(each(json({"fonts", "--inactive"})["fonts"], "name").join(','),
              "Alpha Test,Beta Test,Édition Ünïcode,Fixture Serif,Quote \"Test\"");

    // The active set renamed stays active.
    ctlOk({"rename-set", "Body", "Text"});
    EXPECT_EQ(ctlOk({"activate", "text"}).out, "\"Text\" is the active set already.\n");

    // A lost hidden state is told, and activating the set again puts it right.
    ASSERT_TRUE(QFile::remove(lb::inactiveFontsConfPath()));
    EXPECT_FALSE(json({"status"})["hiddenFontsInStep"].toBool());
    EXPECT_TRUE(ctlOk({"status"}).out.contains("'letterbayctl activate \"Text\"'"));
    EXPECT_EQ(ctlOk({"activate", "Text"}).out,
              "\"Text\" activated successfully.  Everything else is inactive.\n");
    ctlOk({"activate", "--all"});
    EXPECT_EQ(ctlOk({"activate", "--all"}).out, "All sets are active already.\n");
}

TEST_F(Ctl, TheFontsOfDocumentsAreListedAndActivatedInOneStep) {
    const QString dir = env.home() + u"/"_s;
    // Style sheets stand for every format here; poster.css names a font by its PostScript name.
    const auto css = [&](const QString& name, const QByteArray& families) {
        return lbtest::writeFile(dir + name, "h1 { font-family: " + families + " }");
    };
    const QString poster = css("poster.css", "FixtureSans-Bold, GammaTest-Regular");
    const QString logo = css("logo.css", "'Alpha Test', Nowhere Sans, serif");
    const QString letter = css("letter.css", "'beta test', Gone Grotesk");
    const QString report = css("report.css", "Fixture Sans, Absent Antiqua");
    const QString broken = lbtest::writeFile(dir + u"broken.pdf"_s, "%PDF-1.7\ntruncated");

    QStringList listed;
    for (const QJsonValue& f : json({"fonts", "--for", poster, logo})["fonts"].toArray())
        listed << f["name"].toString() + u'|' + f["state"].toString() + u'|' +
                      f["documents"][0].toString();
    EXPECT_EQ(
        listed,
        (QStringList{u"Alpha Test|active|"_s + logo, u"Fixture Sans|active|"_s + poster,
                     u"GammaTest-Regular|missing|"_s + poster, u"Nowhere Sans|missing|"_s + logo}));

    // Only the documents' installed fonts stay active; what is missing or unread is told (exit 1).
    CtlRun r = runCtl({"activate", "--for", poster, logo, letter, report, broken});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "\"For poster.css and 3 more\" activated successfully.  Everything else is "
                     "inactive.\n");
    EXPECT_TRUE(r.err.contains(broken + u": the document is damaged"_s)) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("4 fonts are not catalogued on this machine: \"GammaTest-Regular\", "
                               "\"Nowhere Sans\", \"Gone Grotesk\", \"Absent Antiqua\""));

    // A set of that name is replaced: it holds the document's fonts and nothing else.
    ctl({{"add-set", "For poster.css"}, {"assign", "For poster.css", "Quote \"Test\""}});
    r = runCtl({"--json", "activate", "--for", poster});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(parsed(r.out)["set"].toString() + u'|' + each(parsed(r.out)["missing"]).join(','),
              "For poster.css|GammaTest-Regular");
    EXPECT_EQ(fontsOf("For poster.css"), QStringList{"Fixture Sans"});

    // Nothing readable: refused, nothing changed.
    const QStringList before = everything();
    EXPECT_TRUE(refused({"activate", "--for", broken, dir + u"none.svg"_s})
                    .contains("Nothing has been changed."));
    EXPECT_EQ(everything(), before);
}

TEST_F(Ctl, RefusalsSayWhyAndChangeNothing) {
    ctl({{"add-set", "Body"}, {"assign", "Body", "Fixture Sans"}, {"activate", "Body"}});
    const QStringList before = everything();

    EXPECT_EQ(refused({"add-set", "Body\tCopy"}),
              "letterbayctl: You cannot use control characters (such as tab or newline) in your "
              "set name.  Use another name instead.\n");
    EXPECT_TRUE(refused({"copy-set", "Body", "Two\nLines"}).contains("control char"));
    EXPECT_EQ(refused({"add-set", "BODY"}), "letterbayctl: \"Body\" already exists.\n");
    EXPECT_EQ(refused({"activate", "Nope"}), "letterbayctl: No set is named \"Nope\".\n");
    // Questions are answered No without --yes.
    EXPECT_TRUE(refused({"delete-set", "Serif"}).contains("add --yes to answer Yes"));
    refused({"unassign", "Body", "Fixture Sans"});
    EXPECT_TRUE(
        refused({"assign", "--all-sets", "Alpha Test"}).contains("add --yes to answer Yes"));
    // Nothing is assigned unless every name is found.
    EXPECT_EQ(refused({"assign", "Body", "Alpha Test", "No Such Font"}),
              "letterbayctl: No font named \"No Such Font\" is catalogued.\n");
    EXPECT_EQ(refused({"assign", "Body", "--match", "zz*"}),
              "letterbayctl: No catalogued font matches \"zz*\".\n");
    EXPECT_EQ(refused({"unassign", "Body", "Beta Test", "--yes"}),
              "letterbayctl: \"Beta Test\" is not assigned to \"Body\".\n");
    refused({"fonts", "--set", "Nope"});
    refused({"export", "Body", "Nope"});

    // Command lines that do not follow the usage (words split at spaces).
    for (const char* line :
         {"", "bogus", "status --bogus", "rename-set A", "activate", "activate Body --all",
          "assign Body", "assign --all-sets", "fonts --set", "sets extra", "activate --all=yes",
          "autoassign yes", "autoassign --remove-on-unassign 1"}) {
        const CtlRun r = runCtl(QString::fromUtf8(line).split(' ', Qt::SkipEmptyParts));
        EXPECT_EQ(std::pair(r.exitCode, r.out), std::pair(2, QString())) << line;
        EXPECT_TRUE(r.err.startsWith("letterbayctl: ")) << r.err.toStdString();
    }

    // A malformed document for import: refused with its line and column.
    const QString path = env.root() + u"/bad.json"_s;
    const auto refusedAt = [&](const QByteArray& text, const QString& where, const QString& why) {
        lbtest::writeFile(path, text);
        const QString err = refused({"import", path});
        EXPECT_TRUE(err.startsWith(u"letterbayctl: "_s + path + u":"_s + where + u": "_s) &&
                    err.contains(why) && err.contains("Nothing has been changed.") &&
                    !err.contains(".. "))
            << err.toStdString();
    };
    const QByteArray head = "{\"format\": \"letterbay-sets\", \"version\": 1,\n \"sets\": [\n";
    refusedAt(head + "  {\"name\": \"Body\", \"fonts\": [1]}\n]}", "3:30",
              "a font must be its name or an object, not a number");
    refusedAt(head + "  {\"name\": \"New\", \"fonts\": []},\n  {\"name\": \"NEW\"}\n]}", "4:12",
              "the set \"NEW\" appears twice (first on line 3)");
    refusedAt(head + "  {\"name\": \"Say \\\"Hi\\\"\"}\n]}", "3:12",
              "You cannot use \" in your set name");
    refusedAt(head + "  {\"name\": \"New\", \"fonts\": [\"Beta Test\"],}\n]}", "3:42",
              "a comma before '}'");
    refusedAt(head + "  {\"name\": \"New\", \"name\": \"Other\"}\n]}", "3:19",
              "the key \"name\" appears twice");
    refusedAt(head + "  {\"name\": \"New\xff\"}\n]}", "3:13", "not valid UTF-8");
    refusedAt(head + "  {\"name\": \"New\"}\n", "4:1", "the document ends inside a list");
    refusedAt(head + "  {\"name\": \"New\n\"}]}", "3:16", "the text has no closing quote");
    refusedAt("{\"format\": \"letterbay-sets\", \"version\": 2, \"sets\": []}", "1:41",
              "written by a newer letterbayctl");
    refusedAt("{\"fonts\": []}", "1:1", "\"format\" is missing");
    refusedAt("[]", "1:1", "the document must be an object");
    refusedAt("", "1:1", "the document ends where a value should be");
    // A repeated key among 200,000 of one object; larger documents are refused before reading.
    QByteArray keys = "{\"format\": \"letterbay-sets\", \"version\": 1, \"sets\": [],\n";
    for (int i = 0; i < 200000; ++i)
        keys += "\"k" + QByteArray::number(i) + "\": 0, ";
    refusedAt(keys + "\"k7\": 1}", "2:2688891", "the key \"k7\" appears twice");
    refusedAt("[" + QByteArray("0,").repeated(1000000) + "0]", "1:2000000",
              "more than 1000000 values");
    refusedAt("{\"format\": \"" + QByteArray(16 << 20, 'x') + "\"}", "1:1", "larger than 16 MB");
    EXPECT_TRUE(refused({"import", env.root() + u"/none.json"_s})
                    .startsWith(u"letterbayctl: "_s + env.root() + u"/none.json: "_s));
    EXPECT_EQ(everything(), before);

    // A folder where the hidden-font configuration goes fails an import half way: all is undone.
    const QString conf = lb::inactiveFontsConfPath();
    const auto seen = fcList();
    ASSERT_TRUE(QFile::rename(conf, conf + u".kept"_s));
    ASSERT_TRUE(QDir().mkpath(conf));
    const QByteArray replacing = head + "  {\"name\": \"First\", \"fonts\": [\"Beta Test\"]},\n"
                                        "  {\"name\": \"Body\", \"fonts\": [\"Alpha Test\"]}\n]}";
    EXPECT_TRUE(
        refused({"import", "-", "--replace"}, replacing).contains("could not be hidden or shown"));
    ASSERT_TRUE(QDir(conf).removeRecursively());
    ASSERT_TRUE(QFile::rename(conf + u".kept"_s, conf));
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(fcList(), seen);
    EXPECT_TRUE(json({"status"})["hiddenFontsInStep"].toBool());

    ctlOk({"add-set", "--", "-Draft-"});
    EXPECT_TRUE(setsInDb().contains("-Draft-"));

    // Control characters stored before they were refused are shown, never sent to the terminal.
    exec("INSERT INTO [Sets] VALUES ('Old' || char(27) || '[2J' || char(9)); "
         "INSERT INTO [Assigned Fonts] ([Set Name], [Font Name]) "
         "VALUES ('Old' || char(27) || '[2J' || char(9), 'Alpha Test')");
    for (const QStringList& args : {QStringList{"sets"}, QStringList{"fonts"}}) {
        const QString out = ctlOk(args).out;
        EXPECT_TRUE(out.contains("Old\\x1b[2J\\t")) << out.toStdString();
        EXPECT_FALSE(out.contains(u'\x1b') || out.contains(u'\t'));
    }
    // A disk's mount point left empty: the question about its fonts is answered only by --yes.
    const QString gamma = env.installInSubfolder("GammaTest-Regular.ttf", "disk");
    ctl({{"refresh"}, {"assign", "Body", "Gamma Test"}});
    ASSERT_TRUE(QFile::remove(gamma));
    EXPECT_TRUE(refused({"refresh"}).contains("add --yes to answer Yes"));
    EXPECT_EQ(ctlOk({"refresh", "--yes"}).err, "");
}

TEST_F(Ctl, InstallAndDeleteTakeWhatIsNamedAndInstalledFontsJoinTheActiveSetsView) {
    const QString downloads = env.root() + u"/Downloads/"_s;
    const QString gamma = download("GammaTest-Regular.ttf", "GammaTest-Regular.ttf");
    download("DeltaTest-Regular.ttf", "more/DeltaTest-Regular.ttf");
    download("EpsilonTest-Regular.ttf", "more/EPSILON.TTF");
    download("NotAFont.ttf", "more/NotAFont.ttf");
    const QString changed = download("ZetaTest-Regular.ttf", "AlphaTest-Regular.ttf");
    ctl({{"add-set", "Body"}, {"assign", "Body", "Fixture Sans"}, {"activate", "Body"}});

    // Refused before anything is installed: every argument is looked at first.
    EXPECT_EQ(refused({"install", gamma, downloads + u"gone.ttf"_s}),
              u"letterbayctl: "_s + downloads + u"gone.ttf: there is no such file or folder.\n"_s);
    EXPECT_TRUE(refused({"install", gamma, env.fontconfigFile()}).contains("only font files"));
    refused({"install", gamma, "--set", "Nope"});
    // A file of the same name with other content is replaced only with --yes.
    EXPECT_TRUE(refused({"install", changed}).contains("add --yes to answer Yes"));
    // A file that is no font is named; the fonts beside it are installed all the same.
    const QString notFont = refused({"install", downloads + u"more/NotAFont.ttf"_s, gamma});
    EXPECT_TRUE(notFont.contains("1 font installed; 1 file was not installed"))
        << notFont.toStdString();
    EXPECT_TRUE(notFont.contains("NotAFont.ttf: it cannot be read as a font"));
    // A copy that cannot be placed installs nothing, though its typeface is catalogued already.
    const QString blocked = env.fontsFolder() + u"AlphaCopy.ttf"_s;
    ASSERT_TRUE(QDir().mkpath(blocked));
    EXPECT_TRUE(refused({"install", download("AlphaTest-Regular.ttf", "AlphaCopy.ttf")})
                    .startsWith("letterbayctl: 0 fonts installed; 1 file was not installed"));
    ASSERT_TRUE(QDir().rmdir(blocked));

    // A font whose name is not text is said, in a folder and as an argument, and not installed.
    const QByteArray more = QFile::encodeName(downloads + u"more/"_s);
    ASSERT_EQ(
        ::link((more + "DeltaTest-Regular.ttf").constData(), (more + "Odd\xff.ttf").constData()),
        0);
    EXPECT_EQ(
        outputOf("/bin/sh", {"-c", u"cd '%1' && '%2' install \"$(printf 'Odd\\377.ttf')\"; "
                                   "echo $?"_s.arg(downloads + u"more"_s, lbtest::ctlPath())}),
        u"letterbayctl: Odd\ufffd.ttf: the name is not valid text; rename it to use it here.\n1\n"_s);

    // Installed fonts are visible at once, with a set active, and join the set named.
    const CtlRun run = ctlOk({"--json", "install", downloads + u"more"_s, gamma, "--set", "body"});
    EXPECT_TRUE(run.err.contains(u"more/Odd\ufffd.ttf: not installed: its name is not valid text; "
                                 "rename it to install it\n"_s))
        << run.err.toStdString();
    const QJsonObject installed = parsed(run.out);
    EXPECT_EQ(installed["installed"].toArray(),
              (QJsonArray{"Delta Test", "Epsilon Test", "Gamma Test"}));
    EXPECT_EQ(installed["added"].toInt(), 2); // Gamma Test was installed above
    EXPECT_EQ(installed["assigned"].toString(), "3 fonts added to \"Body\" successfully.");
    EXPECT_EQ(fontNamed("Delta Test")["state"].toString(), "active");
    EXPECT_EQ(ctlOk({"install", changed, "--yes"}).out, "All fonts installed successfully.\n");

    // Deleting asks first; the desktop's own fonts stay.
    EXPECT_TRUE(refused({"delete", "Delta Test"}).contains("permanently remove"));
    EXPECT_EQ(refused({"delete", "Fixture Mono", "--yes"}),
              "letterbayctl: All selected fonts were system fonts, none were deleted.\n");
    EXPECT_EQ(ctlOk({"delete", "--match", "*ta test", "Fixture Serif", "--yes"}).out,
              "4 fonts deleted successfully.\n");
    // With nothing hidden, a deletion leaves the hidden-font state as it was, and in step.
    ctlOk({"activate", "--all"});
    const QString statePath = lb::FontconfigResources::statePath();
    const QByteArray state = lb::readWholeFile(statePath);
    ctlOk({"delete", "Gamma Test", "--yes"});
    EXPECT_EQ(lb::readWholeFile(statePath), state);
    EXPECT_TRUE(json({"status"})["hiddenFontsInStep"].toBool());
}

TEST_F(Ctl, InstallsAndDeletesKilledMidwayAreFinishedOrUndoneAtTheNextStart) {
    const QString changed = download("ZetaTest-Regular.ttf", "AlphaTest-Regular.ttf");
    const QString gamma = download("GammaTest-Regular.ttf", "GammaTest-Regular.ttf");
    download("TypeOneTest.pfb", "type1/TypeOneTest.pfb");
    const QString afmDownloaded = download("TypeOneTest.afm", "type1/TypeOneTest.afm");
    const QString type1 = QFileInfo(afmDownloaded).path();
    const auto bytes = lb::readWholeFile;
    const auto leftovers = [&] {
        return QDir(env.fontsFolder()).entryList({".*"}, QDir::Files | QDir::Hidden) +
               QDir(env.letterbayHome() + u"/journals"_s).entryList(QDir::Files);
    };
    // Kills the command at `point`; `meanwhile` looks at what it left, then `next` runs as the next
    // start, which leaves no temporary file or journal behind.
    const auto killedAt = [&](const char* point, const QStringList& args,
                              const std::function<void()>& meanwhile = {}, bool noHardLinks = false,
                              const QString& next = u"status"_s) {
        qputenv("LETTERBAY_KILL_AT", point);
        qputenv("ASAN_OPTIONS", "verify_asan_link_order=0"); // lets a library be preloaded
        if (noHardLinks) qputenv("LD_PRELOAD", LB_NO_HARD_LINKS);
        const CtlRun r = runCtl(args);
        for (const char* name : {"LETTERBAY_KILL_AT", "LD_PRELOAD", "ASAN_OPTIONS"})
            qunsetenv(name);
        EXPECT_EQ(r.exitCode, -1) << point << " not reached: " << r.err.toStdString();
        if (meanwhile) meanwhile();
        ctlOk({next});
        EXPECT_EQ(leftovers(), QStringList()) << point;
    };
    const QByteArray original = bytes(alpha);
    const QStringList replace{"install", changed, "--yes"};

    // Where hard links fail, the replaced font lives under its backup name alone for a moment.
    killedAt(
        "install.backup", replace, [&] { EXPECT_FALSE(QFile::exists(alpha)); }, true);
    EXPECT_EQ(bytes(alpha), original);
    killedAt("install.placed", replace, {}, true, u"sets"_s);
    EXPECT_EQ(bytes(alpha), original);
    // Once the catalogue has it, the installation stands.
    killedAt("install.committed", replace);
    EXPECT_EQ(bytes(alpha), bytes(changed));
    // A new font cut off before the catalogue took it goes again, for every program.
    const std::vector<std::string> shown = fcList();
    killedAt("install.placed", {"install", gamma});
    EXPECT_EQ(fcList(), shown);

    // Deleting: before the catalogue's commit the font comes back with its sets; after, it goes.
    ctl({{"add-set", "Body"}, {"assign", "Body", "Beta Test"}});
    const QStringList deleteBeta{"delete", "Beta Test", "--yes"};
    killedAt("delete.set-aside", deleteBeta, [&] { EXPECT_FALSE(QFile::exists(beta)); });
    EXPECT_EQ(fcList(), shown);
    // Cut off with every rename announced and none made: nothing lost, nothing left over.
    killedAt("delete.announced", deleteBeta);
    EXPECT_TRUE(QFile::exists(beta));
    killedAt("delete.committed", deleteBeta);
    EXPECT_FALSE(QFile::exists(beta));
    EXPECT_EQ(pairs(), QStringList());

    // A Type 1 font and its metrics go together when cut off, and stay together once catalogued.
    const QString pfb = env.fontsFolder() + u"TypeOneTest.pfb"_s;
    const QString afm = env.fontsFolder() + u"TypeOneTest.afm"_s;
    for (const char* point : {"install.placed-one", "install.placed", "install.committed"}) {
        killedAt(point, {"install", type1});
        const bool committed = point == std::string_view("install.committed");
        EXPECT_TRUE(QFile::exists(pfb) == committed && QFile::exists(afm) == committed) << point;
    }
    EXPECT_EQ(bytes(afm), bytes(afmDownloaded));
    EXPECT_EQ(fontNamed("Type One Test")["files"].toArray(), QJsonArray{pfb});
    ctlOk({"delete", "Type One Test", "--yes"});
    EXPECT_FALSE(QFile::exists(pfb) || QFile::exists(afm));
}

TEST_F(Ctl, ExportWipeImportGivesTheSameSetsAndAnUnusableDatabaseIsLeftAsItWas) {
    // After the escaped backslash, U+FEFF is text, not a byte-order mark.
    const char* other = "Don't \\\ufeff\u00c9dit";
    ctl({{"add-set", "Body"},
         {"add-set", other},
         {"assign", "Body", "Fixture Sans", "Fixture Serif"},
         {"assign", other, "Quote \"Test\"", "Édition Ünïcode"}});
    const QString exported = ctlOk({"export"}).out;
    // The document names each font's files, as hints for another machine.
    EXPECT_TRUE(exported.contains(R"({"name": "Fixture Sans", "files": ["FixtureSans-Bold.ttf", )"
                                  R"("FixtureSans-Italic.ttf", "FixtureSans-Regular.ttf"]})"))
        << exported.toStdString();
    // A backup to a full disk is a failure, not a success.
    EXPECT_EQ(
        outputOf("/bin/sh", {"-c", u"'%1' export > /dev/full; echo $?"_s.arg(lbtest::ctlPath())}),
        "letterbayctl: The output could not be written: No space left on device.\n1\n");

    // A new machine: no database, the catalogue built by the command line alone.
    ASSERT_TRUE(QDir(env.letterbayHome()).removeRecursively());
    ctlOk({"refresh"});
    const CtlRun imported = ctlOk({"import", "-"}, exported.toUtf8());
    EXPECT_TRUE(imported.out.contains("\"Body\" added: 2 fonts assigned."))
        << imported.out.toStdString();
    EXPECT_EQ(ctlOk({"export"}).out, exported);

    // Some sets only, by any letter case.
    EXPECT_EQ(each(parsed(ctlOk({"export", "BODY"}).out)["sets"], "name"), QStringList{"Body"});

    // A database it cannot use: exit code 3, the file named and left as it was, even by a write.
    const QString path = databasePath();
    const auto unusable = [&](const QStringList& args, const char* why) {
        const QByteArray before = lb::readWholeFile(path);
        const CtlRun r = runCtl(args);
        EXPECT_EQ(std::pair(r.exitCode, r.out), std::pair(3, QString()));
        EXPECT_TRUE(r.err.contains(path) && r.err.contains(why)) << r.err.toStdString();
        EXPECT_EQ(lb::readWholeFile(path), before);
    };
    // Of an older version: letterbay converts it, with its announcement; the command line does not.
    lbtest::makeDataFile(path, "2.0").reset(); // in its place
    unusable({"sets"}, "older version");
    lbtest::writeFile(path, QByteArray(8192, 'x')); // not a database at all
    unusable({"add-set", "Body"}, "cannot be used");
    // The check reads the font files alone: it answers all the same.
    const CtlRun check = runCtl({"check"});
    EXPECT_EQ(check.exitCode, 0) << check.out.toStdString() << check.err.toStdString();
}

TEST_F(Ctl, ImportMergesOrReplacesAndReportsTheFontsThisMachineLacks) {
    ctl({{"add-set", "Body"}, {"assign", "Body", "Fixture Sans"}, {"activate", "Body"}});
    ctlOk({"assign", "Body", "Alpha Test"});
    const QString doc = uR"({"format": "letterbay-sets", "version": 1, "sets": [
  {"name": "body", "fonts": [
    "Beta Test",
    {"name": "Alpha Renamed", "files": ["AlphaTest-Regular.ttf"]},
    {"name": "Gone Sans", "files": ["GoneSans.ttf"]}]},
  {"name": "New", "fonts": ["fixture serif"], "comment": "keys it does not know are passed over"}
]})"_s;
    const QString path = lbtest::writeFile(env.root() + u"/sets.json"_s, doc.toUtf8());

    const CtlRun merged = runCtl({"import", path, "--json"});
    ASSERT_EQ(merged.exitCode, 0) << merged.err.toStdString();
    EXPECT_TRUE(merged.err.contains("\"Gone Sans\"")) << merged.err.toStdString();
    const QJsonArray report = parsed(merged.out)["sets"].toArray();
    ASSERT_EQ(report.size(), 2);
    EXPECT_EQ(report[0].toObject(),
              parsed(uR"({"name": "Body", "created": false, "added": 1, "removed": 0,
                          "missing": ["Gone Sans"],
                          "byFileName": [{"name": "Alpha Renamed", "font": "Alpha Test"}]})"_s))
        << merged.out.toStdString();
    EXPECT_TRUE(report[1]["created"].toBool());
    EXPECT_EQ(pairs(), (QStringList{"Body|Alpha Test", "Body|Beta Test", "Body|Fixture Sans",
                                    "New|Fixture Serif"}));

    // Replacing: what the document does not name leaves the set; the active set's fonts follow.
    const CtlRun replaced = ctlOk({"import", path, "--replace"});
    EXPECT_TRUE(replaced.out.contains(u"\"Body\": 0 fonts assigned, 1 unassigned, 1 not on this "
                                      "machine."))
        << replaced.out.toStdString();
    EXPECT_EQ(pairs(), (QStringList{"Body|Alpha Test", "Body|Beta Test", "New|Fixture Serif"}));
    EXPECT_EQ(fcList(), lbtest::sorted({alpha, beta, mono}));
    // Sets the document does not name are left alone.
    EXPECT_TRUE(setsInDb().contains("Serif"));
}

// What the installed bash completion offers for the last of `words` (possibly empty).
QStringList completions(const QStringList& words) {
    const QString script = u"source '"_s + QStringLiteral(LB_BIN_DIR) +
                           u"/../share/bash-completion/completions/letterbayctl'\n"
                           "COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); _letterbayctl\n"
                           "printf '%s\\n' \"${COMPREPLY[@]}\"\n"_s;
    return outputOf("bash", QStringList{"--norc", "-c", script, "bash", lbtest::ctlPath()} + words)
        .split('\n', Qt::SkipEmptyParts);
}

TEST_F(Ctl, BashAndTheSqlcipherShellReadSetsAndFontsFromTheDatabase) {
    ctl({{"add-set", "Body Text"}, {"assign", "Body Text", "Fixture Sans", "Quote \"Test\""}});
    for (const auto& [words, offered] : std::vector<std::pair<QStringList, QString>>{
             {{"ac"}, "activate"},
             {{"activate", "Bo"}, "Body\\ Text"},
             {{"activate", "\"Bo"}, "Body Text"},
             {{"assign", "Body\\ Text", "Fixture\\ S"}, "Fixture\\ Sans|Fixture\\ Serif"},
             {{"unassign", "Body\\ Text", ""}, "Fixture\\ Sans|Quote\\ \\\"Test\\\""},
             {{"fonts", "--set", "Body"}, "Body\\ Text"},
             {{"help", "delete-"}, "delete-set"},
             {{"delete", "--match", "x", "Fixture\\ Sa"}, "Fixture\\ Sans"},
             {{"autoassign", "--remove-on-unassign", "of"}, "off"},
             {{"autoassign", "--remove-on-unassign", "on", ""}, "on|off"}})
        EXPECT_EQ(completions(words).join('|'), offered) << words.join(' ').toStdString();
    EXPECT_TRUE(completions({"activate", "--"}).contains("--all"));

    // The sqlcipher shell reads the tables with the program's collation, loaded as an extension.
    if (QStandardPaths::findExecutable("sqlcipher").isEmpty())
        GTEST_SKIP() << "the sqlcipher shell is not installed";
    ctlOk({"assign", "Body Text", "Édition Ünïcode"});
    const auto shell = [&](const QByteArray& commands) {
        return outputOf("sqlcipher", {databasePath()}, commands);
    };
    const QByteArray key = "PRAGMA key = '517_kayaker';\n";
    const QByteArray queries = "SELECT [Set Name] FROM [Sets] WHERE [Set Name] = 'BODY TEXT';\n"
                               "SELECT [Font Name] FROM [Assigned Fonts] WHERE [Font Name] = "
                               "'édition ünïcode';\n"
                               "SELECT DISTINCT [Face Name] FROM [Fonts] ORDER BY 1;\n";
    EXPECT_TRUE(shell(key + queries).contains("no such collation sequence: LBNOCASE"));
    const QString out =
        shell(".load " + QByteArray(LB_BIN_DIR) + "/../lib/letterbay/lbnocase\n" + key + queries);
    // The program's own order of the catalogue, as the command line lists it.
    EXPECT_EQ(out, u"Body Text\nÉdition Ünïcode\n"_s +
                       each(json({"fonts"})["fonts"], "name").join('\n') + '\n');
}

TEST_F(Ctl, TheManualPageDocumentsEveryCommandAndJsonKey) {
    const QString page = outputOf(
        "gzip", {"-dc", QStringLiteral(LB_BIN_DIR) + u"/../share/man/man1/letterbayctl.1.gz"_s});
    ASSERT_NE(page.indexOf(".TH LETTERBAYCTL 1"), -1);
    const QString synopsis = page.mid(page.indexOf(".SH SYNOPSIS"));
    for (const QString& command :
         ctlOk({"complete", "commands"}).out.split('\n', Qt::SkipEmptyParts)) {
        EXPECT_TRUE(synopsis.contains(u".B letterbayctl "_s + QString(command).replace('-', "\\-")))
            << command.toStdString();
        EXPECT_TRUE(ctlOk({"--help"}).out.contains(u"  "_s + command)) << command.toStdString();
    }
    // Every key a script can read is described.
    ctlOk({"add-set", "Body"});
    QStringList keys = json({"status"}).keys() + json({"sets"}).keys() +
                       json({"sets"})["sets"][0].toObject().keys() +
                       json({"fonts"})["fonts"][0].toObject().keys();
    const QByteArray doc = ctlOk({"export", "Body"}).out.toUtf8();
    const QJsonObject report = parsed(ctlOk({"import", "-", "--json"}, doc).out);
    keys += parsed(doc).keys() + report.keys() + report["sets"][0].toObject().keys();
    keys += json({"autoassign"}).keys();
    keys += json({"install", lbtest::TempEnv::fixture("GammaTest-Regular.ttf")}).keys();
    // The fonts of documents, one of them unreadable.
    const QString svg =
        lbtest::writeFile(env.home() + u"/a.svg"_s, R"(<svg font-family="Alpha Test"/>)");
    const QJsonObject used = parsed(runCtl({"--json", "fonts", "--for", svg, svg + u".pdf"_s}).out);
    keys += used.keys() + used["fonts"][0].toObject().keys() + used["unread"][0].toObject().keys();
    keys += json({"activate", "--for", svg}).keys() + json({"refresh"}).keys();
    for (const QString& key : keys)
        EXPECT_TRUE(page.contains(u"\""_s + key + u"\""_s)) << key.toStdString();

    if (QStandardPaths::findExecutable("groff").isEmpty()) return;
    EXPECT_EQ(outputOf("groff", {"-man", "-ww", "-z"}, page.toUtf8()), "");
}

} // namespace

TEST_F(Ctl, CheckListsCopiesAndDamagedFontsAndSaysSoInItsExitCode) {
    const QString copy = env.installInSubfolder("FixtureSans-Regular.ttf", "downloads");
    const QString newer = env.installInSubfolder("FixtureSans-Bold-2.ttf", "v2");
    const QString cut = env.installFixture("Truncated.ttf");
    const QString damaged = env.installFixture("DamagedTable.ttf");
    // A name that is not UTF-8, written and removed as bytes (the home cannot spell it).
    const QByteArray badName = QFile::encodeName(env.fontsFolder()) + "Delta\xff.ttf";
    const auto removeBadName = qScopeGuard([&] { ::unlink(badName.constData()); });
    const QString delta = env.installFixture("DeltaTest-Regular.ttf");
    ASSERT_EQ(std::rename(QFile::encodeName(delta).constData(), badName.constData()), 0);
    // A collection whose one face would begin near 4 GB into a file of 80 bytes.
    const QString faceBeyond = lbtest::writeFile(
        env.fontsFolder() + u"FaceBeyond.ttc"_s,
        QByteArray("ttcf\0\1\0\0\0\0\0\1\xff\xff\xff\xf8", 16) + QByteArray(64, '\0'));

    // As a script reads them: each group of copies ("family/style", marked when identical) with
    // its files as "file=version" and how many programs get (one); each damaged file's problem.
    std::map<QString, QString> damagedFound;
    const auto check = [&] {
        const CtlRun r = runCtl({"check", "--json"});
        EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
        const QJsonObject report = parsed(r.out);
        QStringList groups;
        for (const QJsonValue& g : report["duplicates"].toArray()) {
            QStringList copies;
            int inUse = 0;
            for (const QJsonValue& c : g["copies"].toArray()) {
                copies << c["file"].toString() + u'=' + c["version"].toString();
                inUse += c["in_use"].toBool();
            }
            copies.sort();
            groups << g["family"].toString() + u'/' + g["style"].toString() +
                          (g["identical"].toBool() ? " (identical) " : " ") + copies.join(' ') +
                          u" in use: "_s + QString::number(inUse);
        }
        damagedFound.clear();
        for (const QJsonValue& d : report["damaged"].toArray())
            damagedFound[d["file"].toString()] = d["problem"].toString();
        groups.sort();
        return groups;
    };
    // Identical copies by content; two versions of one style, each with its version.
    const QStringList groups{
        u"Fixture Sans/Bold "_s + sans[1] + "=1.000 " + newer + "=2.000 in use: 1",
        u"Fixture Sans/Regular (identical) "_s + sans[0] + "=1.000 " + copy + "=1.000 in use: 1"};
    EXPECT_EQ(check(), groups);
    ASSERT_EQ(damagedFound.size(), 4u);
    for (const auto& [file, problem] : {std::pair{cut, "cut short"},
                                        {faceBeyond, "cut short"},
                                        {damaged, "checksum"},
                                        {QFile::decodeName(badName), "not valid text"}})
        EXPECT_TRUE(damagedFound[file].contains(problem)) << damagedFound[file].toStdString();

    // People get the same findings as lines.
    const QString text = runCtl({"check"}).out;
    EXPECT_TRUE(text.contains("Fixture Sans Regular (identical copies)"));
    EXPECT_TRUE(text.contains("Damaged fonts"));

    // With a set active, programs reach the copy through a link: the copy is still named in use.
    ctl({{"refresh"}, {"add-set", "Copies"}, {"assign", "Copies", "Fixture Sans"}});
    ctlOk({"activate", "Copies"});
    EXPECT_EQ(check(), groups);

    // A file changed since the last check is read again, not taken from that check's findings.
    lbtest::writeFile(copy, lb::readWholeFile(damaged));
    check();
    EXPECT_EQ(damagedFound.count(copy), 1u);
}
