// A folder's font files previewed and installed on real fontconfig, as other programs see them.
#include "activation/activation.h"
#include "activation/interrupted_work.h"
#include "catalogue/refresh.h"
#include "platform/checked_file.h"
#include "preview/installation.h"
#include "support/preview_fakes.h"
#include "support/real_fonts.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace lb;
using namespace Qt::StringLiterals;
using lbtest::fcList, lbtest::sorted;

namespace {

const auto bytesOf = readWholeFile;

struct Installing : lbtest::RealFontsTest {
    lbtest::MemoryPreviewFonts previewFonts;
    lbtest::RecordingPreviewView previewView;
    std::unique_ptr<FontPreview> preview;
    QString source; // the folder previewed

    void SetUp() override {
        source = env.root() + "/Downloads/";
        if (lbtest::isUnprivilegedChild()) return;
        QDir().mkpath(source);
        alpha = env.installFixture("AlphaTest-Regular.ttf");
        mono = env.installFixture("FixtureMono-Regular.ttf", true);
    }
    // The catalogue and the preview, made by whoever runs the test (see unprivileged.h).
    void openPreview() {
        open();
        preview = std::make_unique<FontPreview>(*ctx, previewFonts, previewView);
    }
    QString put(const QString& fixture, const QString& as = {}) {
        return lbtest::copyFixture(fixture, source, as);
    }
    void showWith(std::initializer_list<const char*> fixtures) {
        for (const char* f : fixtures)
            put(QString::fromUtf8(f));
        preview->boxDir_Change(source);
    }
    int row(const QString& face) {
        for (int i = 0; i < preview->size(); ++i)
            if (preview->row(i).face == face) return i;
        ADD_FAILURE() << "no row " << face.toStdString();
        return -1;
    }
    const PreviewRow& at(const QString& face) { return preview->row(row(face)); }
    // Presses the first row, then the others with Ctrl.
    void choose(std::initializer_list<const char*> rows) {
        for (const char* f : rows)
            preview->grdSample_MouseDown(row(QString::fromUtf8(f)), 1, f == *rows.begin() ? 0 : 2);
    }
    QStringList listNames() { return lbtest::listNames(all); }
    QStringList dotFiles() {
        return QDir(env.fontsFolder()).entryList({".*"}, QDir::Files | QDir::Hidden);
    }
    // Installs these rows (or what is selected), answering every box with `answers`.
    InstallOutcome install(std::initializer_list<const char*> rows = {},
                           std::deque<int> answers = {AnswerOK}) {
        if (rows.size()) choose(rows);
        boxes.answers = std::move(answers);
        return Install_Fonts(*ctx, *preview, previewView);
    }
};

// FIFOs opened for writing after five seconds, freeing code waiting to read one; `fired` says so.
struct FifoWatchdog {
    std::vector<QByteArray> paths;
    std::atomic<bool> fired{false};
    std::jthread thread; // last, so that it stops before the paths go

    explicit FifoWatchdog(const QStringList& fifos) {
        for (const QString& f : fifos) {
            paths.push_back(QFile::encodeName(f));
            EXPECT_EQ(::mkfifo(paths.back().constData(), 0600), 0) << f.toStdString();
        }
        thread = std::jthread([this](std::stop_token stop) {
            for (int tick = 0; !stop.stop_requested(); ++tick) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                for (const QByteArray& p : paths) {
                    const int fd = tick < 100 ? -1 : ::open(p.constData(), O_WRONLY | O_NONBLOCK);
                    if (fd >= 0) fired = true;
                    if (fd >= 0) ::close(fd);
                }
            }
        });
    }
};

TEST_F(Installing, AFolderShowsOneRowPerExactFaceNameAndUnreadableFilesApart) {
    // FIFOs named like fonts, here and in the fonts folder, are passed over; nothing waits on them.
    FifoWatchdog fifos({source + "Pipe.ttf", env.fontsFolder() + "Pipe.ttf"});
    openPreview();
    put("FixtureSans-Bold.ttf", "FixtureSans-Bold.TTF");
    put("FixtureCff.otf", "CffInside.ttf");
    put("BetaTest-Regular.ttf", ".Hidden.ttf"); // fontconfig would skip it once installed
    QDir().mkpath(source + "Folder.ttf");
    // A font whose name is not text: a row that says so, never one left out.
    const QByteArray odd = QFile::encodeName(source) + "Odd\xff.ttf";
    ASSERT_EQ(
        ::link(QFile::encodeName(lbtest::TempEnv::fixture("DeltaTest-Regular.ttf")).constData(),
               odd.constData()),
        0);
    showWith({"FixtureSans-Regular.ttf", "CaseTest-Regular.ttf", "CaseTestUpper-Regular.ttf",
              "FixtureCollection.ttc", "AlphaTest-Regular.ttf", "Truncated.ttf", "Empty.ttf",
              "NotAFont.ttf", "FixtureCff.otf", "FixtureDuo.otc", "TypeOneTest.pfb",
              "TypeOneTest.afm"}); // the .afm: no row
    ASSERT_TRUE(preview->shown());
    // Case variants next to each other, each its own row; unreadable files under their names.
    QStringList faces;
    for (int i = 0; i < preview->size(); ++i)
        faces << preview->row(i).face;
    EXPECT_EQ(faces,
              (QStringList{"Alpha Test", "CASE TEST", "Case Test", "Duo First", "Duo Second",
                           "Empty.ttf", "Fixture Cff", "Fixture Collection", "Fixture Sans",
                           "NotAFont.ttf", u"Odd\ufffd.ttf"_s, "Truncated.ttf", "Type One Test"}));
    EXPECT_EQ(preview->index(row(u"Odd\ufffd.ttf"_s), 1).data().toString(),
              "This file's name is not valid text.");
    const PreviewRow& sans = at("Fixture Sans");
    ASSERT_EQ(sans.files.size(), 2u);
    EXPECT_EQ(sans.files[0].fileName + u'|' + sans.files[0].valueName + u'|' +
                  sans.files[1].fileName,
              "FixtureSans-Bold.TTF|Fixture Sans Bold (TrueType)|FixtureSans-Regular.ttf");
    for (const char* unread : {"Empty.ttf", "NotAFont.ttf", "Truncated.ttf"})
        EXPECT_FALSE(at(unread).readable || at(unread).installable) << unread;
    // OpenType under a .ttf name is read as what it is.
    EXPECT_EQ(at("Fixture Cff").files.size(), 2u);
    // Each face of a collection is in the row of its own family.
    const PreviewEntry& second = at("Duo Second").files[0];
    EXPECT_EQ(second.fileName + u'|' + second.valueName + u'|' + QString::number(second.faceIndex),
              "FixtureDuo.otc|Duo Second Regular (OpenType)|1");
    ASSERT_EQ(at("Fixture Collection").files.size(), 2u);
    const PreviewEntry& b = at("Fixture Collection").files[1];
    EXPECT_EQ(b.resourceName + u'|' + QString::number(b.faceIndex), "Fixture Collection Bold|1");
    EXPECT_EQ(previewView.statuses.first(), "Retrieving preview fonts...");

    // The folder vanishes while shown: nothing installed, the rows stay; a collection fails once.
    choose({"Fixture Collection", "Fixture Sans"});
    ::unlink(odd.constData()); // Qt's listing cannot see it to remove it
    ASSERT_TRUE(QDir(source).removeRecursively());
    const InstallOutcome out = install();
    EXPECT_EQ(std::pair(out.installed(), int(out.failures.size())), std::pair(0, 3));
    EXPECT_TRUE(catalogue("Fixture Sans").isEmpty());
    EXPECT_EQ(preview->size(), 13);
    EXPECT_EQ(previewFonts.loadedCount(), 12) << "every face of a readable file, from memory";
    EXPECT_FALSE(fifos.fired) << "a FIFO was waited on";
}

TEST_F(Installing, InstalledFontsAreCataloguedListedAndSeenByOtherProgramsWithASetActiveToo) {
    openPreview();
    const QString odd = u"Quote \"x\" *[1] Été.ttf"_s;
    put("QuoteTest.ttf", odd);
    showWith({"FixtureSans-Regular.ttf", "FixtureSans-Bold.ttf", "CaseTest-Regular.ttf",
              "GammaTest-Regular.ttf", "NotAFont.ttf"});
    const QString sansRegular = source + "FixtureSans-Regular.ttf";
    // Installed files follow the user's umask, as files the user copies do.
    const mode_t umask = ::umask(027);
    install({"Fixture Sans", "Case Test", "Quote \"Test\""});
    ::umask(umask);

    lbtest::expectBox(boxes, 0, "Font Installation", "3 fonts installed successfully.", 64);
    const QString folder = env.fontsFolder();
    EXPECT_EQ(bytesOf(folder + "FixtureSans-Regular.ttf"), bytesOf(sansRegular));
    EXPECT_EQ(QFileInfo(folder + "FixtureSans-Regular.ttf").permissions() & 0x0777, 0x0640);
    EXPECT_EQ(listNames(), (QStringList{"Alpha Test", "Case Test", "Fixture Mono", "Fixture Sans",
                                        "Quote \"Test\""}));
    EXPECT_EQ(dotFiles(), QStringList());
    // Names as spelled, whatever characters they hold.
    EXPECT_EQ(fcList(), sorted({alpha, mono, folder + "FixtureSans-Regular.ttf",
                                folder + "FixtureSans-Bold.ttf", folder + "CaseTest-Regular.ttf",
                                folder + odd}));

    // Installed again: counted in the message, but nothing new for the catalogue or the count.
    EXPECT_EQ(install({"Fixture Sans", "Gamma Test"}).added, 1);
    EXPECT_EQ(boxes.shown.back().text, "2 fonts installed successfully.");
    EXPECT_EQ(view.fontCount, "Fonts: 6");

    // OpenType, its collection and Type 1 with its metrics, each listed by fontconfig or failed.
    showWith({"FixtureCff.otf", "FixtureDuo.otc", "TypeOneTest.pfb", "TypeOneTest.afm"});
    // A collection's second face alone installs its whole file, every face catalogued.
    EXPECT_EQ(install({"Fixture Cff", "Duo Second", "Type One Test"}).installed(), 3);
    EXPECT_TRUE(listNames().contains("Duo First") && listNames().contains("Duo Second"));

    // The next refresh finds exactly what was catalogued: nothing dropped, doubled or misnamed.
    const QString rows = "SELECT group_concat([Face Name] || '|' || [Friendly Name] || '|' || "
                         "[File Name], ';') FROM (SELECT * FROM [Fonts] ORDER BY [File Name])";
    const QString before = scalar(rows);
    Refresh_Fonts(*ctx);
    EXPECT_EQ(scalar(rows), before);

    // With only the desktop's font active (the fonts folder hidden, the rest linked), a font
    // installed is visible at once and shown active.
    app.db->exec("INSERT INTO [Sets] VALUES ('Desk'); "
                 "INSERT INTO [Assigned Fonts] VALUES ('Desk', 'Fixture Mono')");
    Activate_Sets(*ctx, "Desk", true);
    ASSERT_EQ(fcList(), sorted({mono}));
    ASSERT_FALSE(FontconfigResources::hiddenFolders().isEmpty());
    showWith({"BetaTest-Regular.ttf"});
    install({"Beta Test"});
    EXPECT_EQ(fcList(), sorted({mono, folder + "BetaTest-Regular.ttf"}));
    EXPECT_EQ(all.row(all.find("Beta Test")).state, FaceState::Active);
    EXPECT_EQ(all.row(all.find("Alpha Test")).state, FaceState::Inactive);
    EXPECT_TRUE(fontStateInStep(*ctx));
}

TEST_F(Installing, AutoAssignPutsNewFontsIntoTheirSetsOnlyWhenSwitchedOn) {
    openPreview();
    app.db->exec("INSERT INTO [Sets] VALUES ('Work'); INSERT INTO [Auto Assign] ([Set Name], "
                 "[Font Name]) VALUES ('Work', 'gamma test'), ('Work', 'Delta Test')");
    app.currentSetName = "Work";
    showWith({"GammaTest-Regular.ttf", "DeltaTest-Regular.ttf"});

    app.addAutoAssign = false;
    install({"Delta Test"});
    EXPECT_EQ(scalar("SELECT count(*) FROM [Assigned Fonts]"), "0");
    EXPECT_FALSE(app.assignedStale);

    // Every row of the folder installed: "All fonts".
    app.addAutoAssign = true;
    preview->cmdSelect_Click();
    install();
    EXPECT_EQ(boxes.shown.back().text, "All fonts installed successfully.");
    // The knowledge base's spelling; only the font new to the catalogue.
    EXPECT_EQ(scalar("SELECT group_concat([Font Name]) FROM [Assigned Fonts]"), "gamma test");
    EXPECT_EQ(lbtest::listNames(assigned), QStringList{"gamma test"})
        << "the set shown is filled again";
}

TEST_F(Installing, ADifferentFileOfTheSameNameIsReplacedOnlyWhenTheUserSaysSo) {
    env.installFixture("GammaTest-Regular.ttf", false, "Gamma.ttf");
    openPreview();
    const QString installed = env.fontsFolder() + "Gamma.ttf";
    put("DeltaTest-Regular.ttf", "Gamma.ttf");
    preview->boxDir_Change(source);
    install({"Delta Test"}, {AnswerNo, AnswerOK});
    lbtest::expectBox(boxes, 0, "Font Installation",
                      "A different font file named \"Gamma.ttf\" is already in your fonts "
                      "folder.  Replace it with the one from \"" +
                          source + "\"?",
                      StyleYesNo | StyleExclamation);
    lbtest::expectBox(boxes, 1, "Font Installation",
                      "No fonts were installed.\n\n1 file was not installed:\nGamma.ttf: a "
                      "different file of that name is in your fonts folder, and it was kept",
                      16);

    install({"Delta Test"}, {AnswerYes, AnswerOK});
    EXPECT_EQ(bytesOf(installed), bytesOf(source + "Gamma.ttf"));
    EXPECT_EQ(catalogue("Delta Test"), QStringList{"Gamma.ttf = Delta Test Regular (TrueType)"});
    EXPECT_EQ(listNames(), (QStringList{"Alpha Test", "Delta Test", "Fixture Mono"}))
        << "the typeface that lost its only file leaves the list";
    EXPECT_EQ(dotFiles(), QStringList());

    // Type 1 metrics follow the answer about their font; old metrics the new font lacks go.
    env.installFixture("GammaTest-Regular.ttf", false, "One.pfb");
    const QString oldAfm = lbtest::writeFile(env.fontsFolder() + "One.afm", "old metrics");
    const QString oldPfm = lbtest::writeFile(env.fontsFolder() + "One.pfm", "old metrics");
    Refresh_Fonts(*ctx);
    put("TypeOneTest.pfb", "One.pfb");
    put("TypeOneTest.afm", "One.afm");
    preview->boxDir_Change(source);
    install({"Type One Test"}, {AnswerNo, AnswerOK});
    EXPECT_EQ(bytesOf(oldAfm) + '|' + bytesOf(oldPfm), "old metrics|old metrics");
    install({"Type One Test"}, {AnswerYes, AnswerOK});
    EXPECT_EQ(bytesOf(env.fontsFolder() + "One.pfb"), bytesOf(source + "One.pfb"));
    EXPECT_EQ(bytesOf(oldAfm), bytesOf(source + "One.afm"));
    EXPECT_FALSE(QFileInfo::exists(oldPfm));

    // Metrics that cannot be placed take their font back with them.
    ASSERT_TRUE(QFile::rename(source + "One.pfb", source + "Two.pfb"));
    ASSERT_TRUE(QFile::rename(source + "One.afm", source + "Two.afm"));
    ASSERT_TRUE(QDir().mkpath(env.fontsFolder() + "Two.afm"));
    preview->boxDir_Change(source);
    EXPECT_EQ(install({"Type One Test"}).failures,
              (std::vector<std::pair<QString, QString>>{
                  {"Two.pfb", "Two.afm: a folder of that name is in your fonts folder"}}));
    EXPECT_FALSE(QFileInfo::exists(env.fontsFolder() + "Two.pfb"));
    EXPECT_EQ(dotFiles(), QStringList());
}

TEST_F(Installing, FromTheFontsFolderNothingIsCopiedAndALinkThereIsReplacedNotFollowed) {
    // A file put there by hand, not yet catalogued, and a link to a file kept in Downloads.
    env.installFixture("BetaTest-Regular.ttf");
    const QString target = put("ZetaTest-Regular.ttf");
    const QString link = env.fontsFolder() + "Zeta.ttf";
    ASSERT_TRUE(QFile::link(target, link));
    openPreview();
    app.db->exec("DELETE FROM [Fonts] WHERE [Face Name] = 'Beta Test'");
    preview->boxDir_Change(env.fontsFolder());
    preview->cmdSelect_Click();
    install();
    EXPECT_EQ(boxes.shown.back().text, "All fonts installed successfully.");
    EXPECT_EQ(catalogue("Beta Test"),
              QStringList{"BetaTest-Regular.ttf = Beta Test Regular (TrueType)"});

    put("EpsilonTest-Regular.ttf", "Zeta.ttf");
    preview->boxDir_Change(source);
    install({"Epsilon Test"}, {AnswerYes, AnswerOK});
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(bytesOf(link), bytesOf(source + "Zeta.ttf"));
    EXPECT_EQ(bytesOf(target), bytesOf(lbtest::TempEnv::fixture("ZetaTest-Regular.ttf")));
}

TEST_F(Installing, AFontsFolderFontconfigDoesNotReadIsReportedAndNothingCopied) {
    // A configuration without the user's fonts folder.
    lbtest::writeFile(env.fontconfigFile(),
                      ("<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" + env.systemFonts() +
                       "</dir>\n  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n</fontconfig>\n")
                          .toUtf8());
    openPreview();
    showWith({"BetaTest-Regular.ttf"});
    install({"Beta Test"});
    EXPECT_TRUE(boxes.shown.back().text.startsWith(
        "No fonts were installed.\n\nYour fonts folder " + env.fontsFolder() +
        " is not one of the folders your font configuration reads"))
        << boxes.shown.back().text.toStdString();
    EXPECT_FALSE(QFileInfo::exists(env.fontsFolder() + "BetaTest-Regular.ttf"));
    EXPECT_TRUE(catalogue("Beta Test").isEmpty());
}

TEST_F(Installing, AReadOnlyFontsFolderInstallsNothingAndSaysWhy) {
    if (!lbtest::isUnprivilegedChild()) {
        put("BetaTest-Regular.ttf");
        ASSERT_EQ(
            ::chmod(QFile::encodeName(put("DeltaTest-Regular.ttf", "Locked.ttf")).constData(), 0),
            0);
        ASSERT_EQ(::chmod(QFile::encodeName(env.fontsFolder()).constData(), 0505), 0);
        const lbtest::Unprivileged run = lbtest::continueUnprivileged(env);
        LB_CONTINUE_UNPRIVILEGED(
            run, EXPECT_FALSE(QFileInfo::exists(env.fontsFolder() + "BetaTest-Regular.ttf")));
    }
    openPreview();
    preview->boxDir_Change(source);
    EXPECT_FALSE(at("Locked.ttf").readable) << "an unreadable file is a row that says so";
    install({"Beta Test"});
    EXPECT_TRUE(boxes.shown.back().text.startsWith("No fonts were installed.\n\n1 file was not "
                                                   "installed:\nBetaTest-Regular.ttf: "))
        << boxes.shown.back().text.toStdString();
    EXPECT_TRUE(catalogue("Beta Test").isEmpty());
    EXPECT_FALSE(at("Beta Test").installed);
}

TEST_F(Installing, WhenTheFontStateCannotBeWrittenEverythingIsTakenBack) {
    env.installFixture("GammaTest-Regular.ttf", false, "Gamma.ttf");
    openPreview();
    const QByteArray gamma = bytesOf(env.fontsFolder() + "Gamma.ttf");
    put("DeltaTest-Regular.ttf", "Gamma.ttf");
    // A leftover of an installation cut off earlier, and a file a running installation writes.
    for (const char* name : {".letterbay-install-abc123", ".letterbay-install-running"})
        lbtest::writeFile(env.fontsFolder() + name, {});
    QString why;
    const auto running = FileJournal::begin(journalFolder(), u"install"_s, why);
    ASSERT_TRUE(running &&
                running->record(u"temp"_s, {env.fontsFolder() + ".letterbay-install-running"}));
    showWith({"BetaTest-Regular.ttf"});
    preview->cmdSelect_Click();
    const std::vector<std::string> before = fcList();
    // The shared state cannot be written: a folder stands where its file goes.
    QFile::remove(FontconfigResources::statePath());
    ASSERT_TRUE(QDir().mkpath(FontconfigResources::statePath()));
    EXPECT_THROW(install({}, {AnswerYes}), FontStateError);
    EXPECT_EQ(bytesOf(env.fontsFolder() + "Gamma.ttf"), gamma);
    EXPECT_TRUE(catalogue("Beta Test").isEmpty());
    EXPECT_EQ(catalogue("Gamma Test"), QStringList{"Gamma.ttf = Gamma Test Regular (TrueType)"});
    EXPECT_EQ(dotFiles(), QStringList{".letterbay-install-running"});
    EXPECT_EQ(fcList(), before);
    EXPECT_FALSE(previewView.busy);
}

} // namespace
