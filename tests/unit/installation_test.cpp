// Previewing a folder's font files and installing them, on real fontconfig: what the rows say,
// what lands in the fonts folder and the catalogue, and what another program sees afterwards.
#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/schema.h"
#include "core/settings.h"
#include "core/startup.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "preview/installation.h"
#include "support/data_files.h"
#include "support/fakes.h"
#include "support/font_env.h"
#include "support/preview_fakes.h"
#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace lb;
using namespace Qt::StringLiterals;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Installing : ::testing::Test {
    lbtest::FontEnv env;
    lbtest::ScriptedBoxes boxes;
    MemoryPointer pointer;
    AppState app{boxes, pointer};
    FontconfigFonts fontconfig;
    lbtest::FakeDesktop desktop;
    FontconfigResources resources{fontconfig};
    FontPlatform fonts{fontconfig, fontconfig, desktop, resources};
    lbtest::RecordingView view;
    FontListModel all, assigned;
    MainContext ctx{app, fonts, view, all, assigned};
    lbtest::MemoryPreviewFonts previewFonts;
    lbtest::RecordingPreviewView previewView;
    std::unique_ptr<FontPreview> preview;
    QString source; // the folder previewed
    QString alpha, system;

    void SetUp() override {
        desktop.list = {"Fixture Mono"};
        source = env.root() + "/Downloads/";
        if (lbtest::isUnprivilegedChild()) return;
        QDir().mkpath(source);
        alpha = env.installFixture("AlphaTest-Regular.ttf");
        system = env.installFixture("FixtureMono-Regular.ttf", true);
    }
    // The catalogue and the preview, made by whoever runs the test (see unprivileged.h).
    void open() {
        Startup startup(app);
        ASSERT_TRUE(startup.load());
        app.openMainDataSources();
        Get_FontsFolder(app, fontconfig);
        Refresh_Fonts(ctx);
        app.db->exec("DELETE FROM [Sets]");
        preview = std::make_unique<FontPreview>(ctx, previewFonts, previewView);
        view.messages.clear();
    }
    QString put(const QString& fixture, const QString& as = {}) {
        const QString target = source + (as.isEmpty() ? fixture : as);
        QFile::remove(target);
        EXPECT_TRUE(QFile::copy(lbtest::TempEnv::fixture(fixture), target)) << as.toStdString();
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
        return target;
    }
    int row(const QString& face) {
        for (int i = 0; i < preview->size(); ++i)
            if (preview->row(i).face == face) return i;
        ADD_FAILURE() << "no row " << face.toStdString();
        return -1;
    }
    QStringList faces() {
        QStringList out;
        for (int i = 0; i < preview->size(); ++i)
            out << preview->row(i).face;
        return out;
    }
    void choose(std::initializer_list<const char*> rows) {
        bool first = true;
        for (const char* f : rows) {
            preview->grdSample_MouseDown(row(QString::fromUtf8(f)), 1, first ? 0 : 2);
            first = false;
        }
    }
    QStringList catalogue(const QString& face) {
        Statement st = app.db->prepare("SELECT [File Name] || ' = ' || [Friendly Name] FROM "
                                       "[Fonts] WHERE [Face Name] = ? ORDER BY 1");
        st.bind(1, face);
        QStringList out;
        while (st.step())
            out << st.text(0);
        return out;
    }
    QStringList listNames() {
        QStringList out;
        for (int i = 0; i < all.size(); ++i)
            out << all.row(i).name;
        return out;
    }
    QStringList dotFiles() {
        return QDir(env.fontsFolder()).entryList({".*"}, QDir::Files | QDir::Hidden);
    }
    InstallOutcome install() { return Install_Fonts(ctx, *preview, previewView); }
};

TEST_F(Installing, AFolderShowsOneRowPerExactFaceNameAndUnreadableFilesApart) {
    open();
    put("FixtureSans-Regular.ttf");
    put("FixtureSans-Bold.ttf", "FixtureSans-Bold.TTF");
    put("CaseTest-Regular.ttf");
    put("CaseTestUpper-Regular.ttf");
    put("FixtureCollection.ttc");
    put("AlphaTest-Regular.ttf");
    put("Truncated.ttf");
    put("Empty.ttf");
    put("NotAFont.ttf");
    put("FixtureCff.otf", "CffInside.ttf");
    put("FixtureCff.otf");                      // not a ".ttf"
    put("BetaTest-Regular.ttf", ".Hidden.ttf"); // fontconfig would skip it once installed
    QDir().mkpath(source + "Folder.ttf");

    preview->boxDir_Change(source);
    ASSERT_TRUE(preview->shown());
    // Case variants next to each other, each its own row; unreadable files under their names.
    EXPECT_EQ(faces(),
              (QStringList{"Alpha Test", "CASE TEST", "Case Test", "Empty.ttf", "Fixture Cff",
                           "Fixture Collection", "Fixture Sans", "NotAFont.ttf", "Truncated.ttf"}));
    const PreviewRow& sans = preview->row(row("Fixture Sans"));
    ASSERT_EQ(sans.files.size(), 2u);
    EXPECT_EQ(sans.files[0].fileName, "FixtureSans-Bold.TTF");
    EXPECT_EQ(sans.files[0].valueName, "Fixture Sans Bold (TrueType)");
    EXPECT_EQ(sans.files[1].fileName, "FixtureSans-Regular.ttf");
    EXPECT_TRUE(preview->row(row("Alpha Test")).installed);
    EXPECT_FALSE(sans.installed);
    for (const char* unread : {"Empty.ttf", "NotAFont.ttf", "Truncated.ttf"}) {
        EXPECT_FALSE(preview->row(row(unread)).readable) << unread;
        EXPECT_FALSE(preview->row(row(unread)).installable) << unread;
    }
    EXPECT_TRUE(preview->row(row("Fixture Cff")).readable);
    EXPECT_FALSE(preview->row(row("Fixture Cff")).installable) << "the catalogue would skip it";
    EXPECT_EQ(preview->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "9 Font Names");
    // Every readable file is loaded for drawing, from memory.
    EXPECT_EQ(previewFonts.loadedCount(), 7);
    EXPECT_EQ(preview->selectedCount(), 0);
    EXPECT_EQ(previewView.statuses.first(), "Retrieving preview fonts...");
    EXPECT_EQ(previewView.statuses.last(), "Select font(s) to be installed, press Install.");
    EXPECT_FALSE(previewView.busy);

    // Select All leaves out what cannot be installed.
    preview->cmdSelect_Click();
    EXPECT_EQ(preview->selectedCount(), 5);
    EXPECT_EQ(preview->installCountText(), "Fonts to be Installed: 5");
    // A Shift range over unreadable rows counts only what it selects.
    preview->grdSample_MouseDown(row("Fixture Collection"), 1, 0);
    preview->grdSample_MouseDown(row("Truncated.ttf"), 1, 1);
    EXPECT_EQ(preview->selectedCount(), 2);
    EXPECT_FALSE(preview->row(row("NotAFont.ttf")).selected);

    // Another folder: everything loaded goes, and the new folder starts with nothing selected.
    const QString empty = env.root() + "/Empty/";
    QDir().mkpath(empty);
    preview->boxDir_Change(empty);
    EXPECT_FALSE(preview->shown());
    EXPECT_EQ(previewFonts.loadedCount(), 0);
    EXPECT_EQ(previewFonts.removals, 7);
    EXPECT_EQ(preview->selectedCount(), 0);
    EXPECT_EQ(previewView.statuses.last(), "Select drive/folder to retrieve fonts.");
}

TEST_F(Installing, InstalledFontsAreCataloguedListedAndSeenByOtherPrograms) {
    open();
    const QString sansRegular = put("FixtureSans-Regular.ttf");
    put("FixtureSans-Bold.ttf");
    put("CaseTest-Regular.ttf");
    put("GammaTest-Regular.ttf");
    put("NotAFont.ttf");
    const QString odd = u"Quote \"x\" *[1] Été.ttf"_s;
    put("QuoteTest.ttf", odd);
    preview->boxDir_Change(source);
    choose({"Fixture Sans", "Case Test", "Quote \"Test\""});
    ASSERT_EQ(preview->selectedCount(), 3);
    boxes.answers = {AnswerOK};
    const InstallOutcome out = install();

    EXPECT_EQ(out.installed, 3);
    EXPECT_EQ(out.added, 3);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].title, "Font Installation");
    EXPECT_EQ(boxes.shown[0].text, "3 fonts installed successfully.");
    EXPECT_EQ(boxes.shown[0].style, 64);
    const QString folder = env.fontsFolder();
    EXPECT_EQ(bytesOf(folder + "FixtureSans-Regular.ttf"), bytesOf(sansRegular));
    EXPECT_TRUE(QFileInfo::exists(sansRegular)) << "the source stays";
    EXPECT_EQ(catalogue("Fixture Sans"),
              (QStringList{"FixtureSans-Bold.ttf = Fixture Sans Bold (TrueType)",
                           "FixtureSans-Regular.ttf = Fixture Sans Regular (TrueType)"}));
    // Names as spelled, whatever characters they hold.
    EXPECT_EQ(catalogue("Quote \"Test\""),
              QStringList{odd + " = Quote \"Test\" Regular (TrueType)"});
    EXPECT_EQ(listNames(), (QStringList{"Alpha Test", "Case Test", "Fixture Mono", "Fixture Sans",
                                        "Quote \"Test\""}));
    EXPECT_EQ(all.row(all.find("Fixture Sans")).state, StateActive);
    EXPECT_EQ(view.fontCount, "TrueType Fonts: 5");
    EXPECT_TRUE(dotFiles().isEmpty()) << dotFiles().join(", ").toStdString();
    // A separate program sees them.
    const std::vector<std::string> seen = lbtest::fcList();
    for (const char* f :
         {"FixtureSans-Regular.ttf", "FixtureSans-Bold.ttf", "CaseTest-Regular.ttf"})
        EXPECT_NE(std::find(seen.begin(), seen.end(), (folder + f).toStdString()), seen.end()) << f;
    // The rows show it: struck through, nothing selected, and the Cancel button reads Close.
    EXPECT_TRUE(preview->row(row("Fixture Sans")).installed);
    EXPECT_TRUE(preview->row(row("Case Test")).installed);
    EXPECT_FALSE(preview->row(row("Gamma Test")).installed);
    EXPECT_EQ(preview->selectedCount(), 0);
    EXPECT_TRUE(preview->installedOnce());
    EXPECT_EQ(previewView.statuses.last(), "Select font(s) to be installed, press Install.");

    // Installed again: counted in the message, but nothing new for the catalogue or the count.
    choose({"Fixture Sans", "Gamma Test"});
    boxes.answers = {AnswerOK};
    const InstallOutcome again = install();
    EXPECT_EQ(again.added, 1);
    EXPECT_EQ(boxes.shown.back().text, "2 fonts installed successfully.");
    EXPECT_EQ(view.fontCount, "TrueType Fonts: 6");
    EXPECT_EQ(catalogue("Fixture Sans").size(), 2);

    // What the next refresh finds is exactly what was catalogued: nothing dropped or doubled.
    const QString before = lbtest::scalar(
        *app.db, "SELECT group_concat([Face Name] || '|' || [Friendly Name] || '|' || "
                 "[File Name], ';') FROM (SELECT * FROM [Fonts] ORDER BY [File Name])");
    Refresh_Fonts(ctx);
    EXPECT_EQ(lbtest::scalar(*app.db, "SELECT group_concat([Face Name] || '|' || [Friendly "
                                      "Name] || '|' || [File Name], ';') FROM (SELECT * FROM "
                                      "[Fonts] ORDER BY [File Name])"),
              before);
}

TEST_F(Installing, AutoAssignPutsNewFontsIntoTheirSetsOnlyWhenSwitchedOn) {
    open();
    put("GammaTest-Regular.ttf");
    put("DeltaTest-Regular.ttf");
    app.db->exec("INSERT INTO [Sets] VALUES ('Work')");
    app.db->exec("INSERT INTO [Auto Assign] ([Set Name], [Font Name]) VALUES ('Work', 'gamma "
                 "test'), ('Work', 'Delta Test')");
    app.currentSetName = "Work";
    preview->boxDir_Change(source);

    app.addAutoAssign = false;
    choose({"Delta Test"});
    boxes.answers = {AnswerOK};
    install();
    EXPECT_EQ(lbtest::scalar(*app.db, "SELECT count(*) FROM [Assigned Fonts]"), "0");
    EXPECT_FALSE(app.assignedStale);

    // Every row of the folder installed: "All fonts".
    app.addAutoAssign = true;
    preview->cmdSelect_Click();
    boxes.answers = {AnswerOK};
    install();
    EXPECT_EQ(boxes.shown.back().text, "All fonts installed successfully.");
    // The knowledge base's spelling; only the font new to the catalogue.
    EXPECT_EQ(lbtest::scalar(*app.db, "SELECT group_concat([Font Name]) FROM [Assigned Fonts]"),
              "gamma test");
    EXPECT_TRUE(app.assignedStale);
    ASSERT_EQ(assigned.size(), 1) << "the set shown is filled again";
    EXPECT_EQ(assigned.row(0).name, "gamma test");
}

TEST_F(Installing, WithASetActiveTheInstalledFontIsVisibleAndShownActive) {
    open();
    // Only the desktop's font is in the set: Alpha Test is hidden, and so is the fonts folder
    // as a whole, visible fonts in it offered through links.
    app.db->exec("INSERT INTO [Sets] VALUES ('Desk')");
    app.db->exec("INSERT INTO [Assigned Fonts] VALUES ('Desk', 'Fixture Mono')");
    view.setBox = "Desk";
    Activate_Sets(ctx, true);
    ASSERT_EQ(lbtest::fcList(), lbtest::sorted({system}));
    ASSERT_FALSE(FontconfigResources::hiddenFolders().isEmpty());

    put("BetaTest-Regular.ttf");
    preview->boxDir_Change(source);
    choose({"Beta Test"});
    boxes.answers = {AnswerOK};
    install();
    const QString beta = env.fontsFolder() + "BetaTest-Regular.ttf";
    EXPECT_EQ(lbtest::fcList(), lbtest::sorted({system, beta}));
    EXPECT_EQ(all.row(all.find("Beta Test")).state, StateActive);
    EXPECT_EQ(stateOfFace(ctx, "Beta Test"), StateActive);
    EXPECT_EQ(all.row(all.find("Alpha Test")).state, StateInactive);
    EXPECT_TRUE(fontStateInStep(ctx));
}

TEST_F(Installing, ADifferentFileOfTheSameNameIsReplacedOnlyWhenTheUserSaysSo) {
    env.installFixture("GammaTest-Regular.ttf", false, "Gamma.ttf");
    open();
    const QString installed = env.fontsFolder() + "Gamma.ttf";
    const QByteArray gamma = bytesOf(installed);
    put("DeltaTest-Regular.ttf", "Gamma.ttf");
    preview->boxDir_Change(source);
    choose({"Delta Test"});
    boxes.answers = {AnswerNo, AnswerOK};
    install();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text,
              "A different font file named \"Gamma.ttf\" is already in your fonts folder.  "
              "Replace it with the one from \"" +
                  source + "\"?");
    EXPECT_EQ(boxes.shown[1].text, "No fonts were installed.\n\n1 file was not installed:\n"
                                   "Gamma.ttf: a different file of that name is in your fonts "
                                   "folder, and it was kept");
    EXPECT_EQ(boxes.shown[1].style, 16);
    EXPECT_EQ(bytesOf(installed), gamma);
    EXPECT_EQ(catalogue("Gamma Test"), QStringList{"Gamma.ttf = Gamma Test Regular (TrueType)"});

    choose({"Delta Test"});
    boxes.answers = {AnswerYes, AnswerOK};
    install();
    EXPECT_EQ(bytesOf(installed), bytesOf(source + "Gamma.ttf"));
    EXPECT_EQ(catalogue("Delta Test"), QStringList{"Gamma.ttf = Delta Test Regular (TrueType)"});
    EXPECT_TRUE(catalogue("Gamma Test").isEmpty());
    EXPECT_EQ(listNames(), (QStringList{"Alpha Test", "Delta Test", "Fixture Mono"}))
        << "the typeface that lost its only file leaves the list";
    EXPECT_TRUE(dotFiles().isEmpty()) << dotFiles().join(", ").toStdString();

    // The same content again: nothing to ask. The folder's one row: "All fonts".
    choose({"Delta Test"});
    boxes.answers = {AnswerOK};
    const size_t shown = boxes.shown.size();
    install();
    EXPECT_EQ(boxes.shown.size(), shown + 1);
    EXPECT_EQ(boxes.shown.back().text, "All fonts installed successfully.");
}

TEST_F(Installing, FromTheFontsFolderItselfNothingIsDeletedOrCopied) {
    // A file put there by hand, not yet catalogued.
    const QString beta = env.installFixture("BetaTest-Regular.ttf");
    open();
    app.db->exec("DELETE FROM [Fonts] WHERE [Face Name] = 'Beta Test'");
    const QByteArray before = bytesOf(beta);
    preview->boxDir_Change(env.fontsFolder());
    EXPECT_TRUE(preview->row(row("Alpha Test")).installed);
    preview->cmdSelect_Click();
    boxes.answers = {AnswerOK};
    install();
    EXPECT_EQ(boxes.shown.back().text, "All fonts installed successfully.");
    EXPECT_EQ(bytesOf(beta), before);
    EXPECT_EQ(bytesOf(alpha), bytesOf(lbtest::TempEnv::fixture("AlphaTest-Regular.ttf")));
    EXPECT_EQ(catalogue("Beta Test"),
              QStringList{"BetaTest-Regular.ttf = Beta Test Regular (TrueType)"});
}

TEST_F(Installing, ALinkToAFileElsewhereIsReplacedAndWhatItPointedToStays) {
    QDir().mkpath(env.root() + "/elsewhere");
    const QString target = env.root() + "/elsewhere/Zeta.ttf";
    QFile::copy(lbtest::TempEnv::fixture("ZetaTest-Regular.ttf"), target);
    const QString link = env.fontsFolder() + "Zeta.ttf";
    ASSERT_TRUE(QFile::link(target, link));
    open();
    put("EpsilonTest-Regular.ttf", "Zeta.ttf");
    preview->boxDir_Change(source);
    choose({"Epsilon Test"});
    boxes.answers = {AnswerYes, AnswerOK};
    install();
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_EQ(bytesOf(link), bytesOf(source + "Zeta.ttf"));
    EXPECT_EQ(bytesOf(target), bytesOf(lbtest::TempEnv::fixture("ZetaTest-Regular.ttf")));
}

TEST_F(Installing, AFontsFolderFontconfigDoesNotReadIsReportedAndNothingCopied) {
    // A configuration without the user's fonts folder.
    QFile conf(env.fontconfigFile());
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly));
    conf.write(("<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir>" + env.systemFonts() +
                "</dir>\n  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n</fontconfig>\n")
                   .toUtf8());
    conf.close();
    open();
    put("BetaTest-Regular.ttf");
    preview->boxDir_Change(source);
    choose({"Beta Test"});
    boxes.answers = {AnswerOK};
    install();
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
        ASSERT_TRUE(QFile::setPermissions(env.fontsFolder(),
                                          QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther));
        const lbtest::Unprivileged run = lbtest::continueUnprivileged(env);
        if (run.where == lbtest::Unprivileged::Skip) GTEST_SKIP() << run.output.toStdString();
        if (run.where == lbtest::Unprivileged::Child) {
            EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
            EXPECT_FALSE(QFileInfo::exists(env.fontsFolder() + "BetaTest-Regular.ttf"));
            return;
        }
    }
    open();
    preview->boxDir_Change(source);
    choose({"Beta Test"});
    boxes.answers = {AnswerOK};
    const InstallOutcome out = install();
    EXPECT_EQ(out.installed, 0);
    ASSERT_EQ(out.failures.size(), 1u);
    EXPECT_EQ(out.failures[0].first, "BetaTest-Regular.ttf");
    EXPECT_TRUE(boxes.shown.back().text.startsWith("No fonts were installed.\n\n1 file was not "
                                                   "installed:\nBetaTest-Regular.ttf: "))
        << boxes.shown.back().text.toStdString();
    EXPECT_TRUE(catalogue("Beta Test").isEmpty());
    EXPECT_FALSE(preview->row(row("Beta Test")).installed);
    EXPECT_TRUE(dotFiles().isEmpty());
}

TEST_F(Installing, WhenTheFontStateCannotBeWrittenEverythingIsTakenBack) {
    env.installFixture("GammaTest-Regular.ttf", false, "Gamma.ttf");
    open();
    const QByteArray gamma = bytesOf(env.fontsFolder() + "Gamma.ttf");
    put("DeltaTest-Regular.ttf", "Gamma.ttf");
    put("BetaTest-Regular.ttf");
    // A leftover of an installation cut off earlier.
    QFile leftover(env.fontsFolder() + ".letterbay-install-abc123");
    ASSERT_TRUE(leftover.open(QIODevice::WriteOnly));
    leftover.close();
    preview->boxDir_Change(source);
    preview->cmdSelect_Click();
    const std::vector<std::string> before = lbtest::fcList();
    // The shared state cannot be written: a folder stands where its file goes.
    QFile::remove(FontconfigResources::statePath());
    ASSERT_TRUE(QDir().mkpath(FontconfigResources::statePath()));
    boxes.answers = {AnswerYes};
    EXPECT_THROW(install(), FontStateError);
    EXPECT_FALSE(QFileInfo::exists(env.fontsFolder() + "BetaTest-Regular.ttf"));
    EXPECT_EQ(bytesOf(env.fontsFolder() + "Gamma.ttf"), gamma);
    EXPECT_TRUE(catalogue("Beta Test").isEmpty());
    EXPECT_EQ(catalogue("Gamma Test"), QStringList{"Gamma.ttf = Gamma Test Regular (TrueType)"});
    EXPECT_TRUE(dotFiles().isEmpty()) << dotFiles().join(", ").toStdString();
    EXPECT_EQ(lbtest::fcList(), before);
    EXPECT_FALSE(previewView.busy);
}

TEST_F(Installing, AFolderThatDisappearsWhileShownInstallsNothing) {
    open();
    put("BetaTest-Regular.ttf");
    put("GammaTest-Regular.ttf");
    preview->boxDir_Change(source);
    preview->cmdSelect_Click();
    ASSERT_TRUE(QDir(source).removeRecursively());
    boxes.answers = {AnswerOK};
    const InstallOutcome out = install();
    EXPECT_EQ(out.installed, 0);
    EXPECT_EQ(out.failures.size(), 2u);
    EXPECT_TRUE(catalogue("Beta Test").isEmpty());
    // The rows stay, drawn from memory, until the folder is left.
    EXPECT_EQ(preview->size(), 2);
    EXPECT_EQ(previewFonts.loadedCount(), 2);
    preview->Unload_PreviewFonts();
    EXPECT_EQ(previewFonts.loadedCount(), 0);
}

} // namespace

namespace {

TEST(FontconfigInstalling, RegistersEachFolderOnceAndNamesWhatItDoesNotList) {
    lbtest::FontEnv env;
    FontconfigFonts fonts;
    const QString alpha = env.installFixture("AlphaTest-Regular.ttf");
    env.installFixture("NotAFont.ttf");
    const QString zeta = env.installFixture("ZetaTest-Regular.ttf", true);
    EXPECT_TRUE(fonts.installProblem().isEmpty());
    const QStringList missing =
        fonts.registerFiles({"AlphaTest-Regular.ttf", "NotAFont.ttf", "Missing.ttf", zeta});
    EXPECT_EQ(QSet<QString>(missing.begin(), missing.end()),
              (QSet<QString>{"NotAFont.ttf", "Missing.ttf", zeta}));
    EXPECT_EQ(lbtest::fcList(), lbtest::sorted({alpha, zeta}));
}

} // namespace
