// The hidden-font state against real fontconfig: what a separate fc-list sees.
#include "platform/checked_file.h"
#include "platform/font_folders.h"
#include "platform/font_selection.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "support/programs.h"
#include "support/temp_env.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QXmlStreamReader>
#include <algorithm>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sys/stat.h>

using namespace lb;
using lbtest::fcList, lbtest::sorted;

using namespace Qt::StringLiterals;

namespace {

// Hides exactly `hidden` as one activation would, in a program of its own unless `in` is given.
bool hideExactly(FontconfigFonts& fonts, const QSet<QString>& hidden, const QString& stamp,
                 FontconfigResources* in = nullptr) {
    std::optional<FontconfigResources> own;
    FontconfigResources& res = in ? *in : own.emplace(fonts);
    res.beginActivation(hidden.size());
    for (const QString& h : hidden)
        res.unload(h);
    if (!res.broadcast(stamp)) return false;
    // The check after writing finds what fc-list finds.
    EXPECT_EQ(res.unmet().join(u'\n').toStdString(), "");
    return true;
}

struct HiddenFonts : ::testing::Test {
    lbtest::TempEnv env;
    FontconfigFonts fonts;
    QSet<QString> all;
    static QSet<QString> asSet(const QStringList& files) { return {files.begin(), files.end()}; }
    // Into the user's fonts folder, a subfolder of it, or the system's with `sub` "/".
    QString install(const char* fixture, const QString& as = {}, const QString& sub = {}) {
        const QString path = lbtest::copyFixture(
            fixture, sub == u"/"_s ? env.systemFonts() : env.fontsFolder() + sub, as);
        all.insert(path);
        return path;
    }
};

TEST_F(HiddenFonts, OtherProgramsSeeExactlyTheVisibleFilesForSetsOfEverySize) {
    // Names globs and XML could trip over (first, alone: a folder named like wildcards, names that
    // differ only in case), subfolders, a folder linked in from outside, and a link looping back.
    QStringList order;
    order << install("GammaTest-Regular.ttf", "Face.ttf", "Odd*[x]?")
          << install("DeltaTest-Regular.ttf", "face.ttf", "Odd*[x]?")
          << install("AlphaTest-Regular.ttf", "Quote \"it's\" & <b>.ttf")
          << install("BetaTest-Regular.ttf", "Star*.ttf")
          << install("GammaTest-Regular.ttf", "Star-1.ttf")
          << install("DeltaTest-Regular.ttf", "[ab].ttf")
          << install("EpsilonTest-Regular.ttf", "Q?.ttf")
          << install("EpsilonTest-Regular.ttf", "Back\\slash.ttf")
          << install("ZetaTest-Regular.ttf", "Édition ünï.ttf")
          << install("FixtureSans-Regular.ttf", {}, "sub")
          << install("FixtureSans-Bold.ttf", {}, "sub/deeper")
          << install("FixtureSerif-Regular.ttf", {}, "/");
    const QString outside = env.root() + u"/elsewhere"_s;
    order << lbtest::copyFixture("FixtureMono-Regular.ttf", outside, u"Mono.ttf"_s);
    all.insert(order.last());
    ASSERT_TRUE(QFile::link(outside, env.fontsFolder() + u"linked"_s));
    ASSERT_TRUE(QFile::link(env.fontsFolder(), env.fontsFolder() + u"loop"_s));
    install("ZetaTest-Regular.ttf", {}, "OddA[x]B"); // what the glob "Odd*[x]?" would hide

    for (int size = 0; size <= order.size(); ++size) {
        const QSet<QString> hidden = asSet(order.mid(0, size));
        ASSERT_TRUE(hideExactly(fonts, hidden, u"s%1"_s.arg(size))) << size;
        ASSERT_EQ(fcList(), sorted(all - hidden)) << size << " hidden";
        FontconfigResources next(fonts); // the next program reads the same state
        EXPECT_EQ(asSet(next.hiddenFiles()), hidden);
        for (const QString& h : hidden)
            EXPECT_TRUE(next.isHidden(h));
    }
    // Hiding files costs other programs one glob per folder, not one per file.
    const FontSelection written = readFontSelection(inactiveFontsConfPath());
    EXPECT_LE(written.rejectGlobs.size(), 8);
    EXPECT_EQ(written.acceptGlobs.size(), 2) << "the farm, for the one font never hidden";

    // A hidden file deleted by hand leaves the state at the next write.
    const QString deleted = order[9];
    ASSERT_TRUE(QFile::remove(deleted));
    all.remove(deleted);
    ASSERT_TRUE(hideExactly(fonts, asSet(order), "deleted"));
    EXPECT_EQ(asSet(FontconfigResources(fonts).hiddenFiles()),
              asSet(order) - QSet<QString>{deleted});

    // Nothing hidden: no configuration at all, and still in step with the stamp.
    ASSERT_TRUE(hideExactly(fonts, {}, "none"));
    EXPECT_FALSE(QFile::exists(inactiveFontsConfPath()));
    EXPECT_EQ(fcList(), sorted(all));
    EXPECT_TRUE(FontconfigResources(fonts).inStep("none"));
}

// Each folder's valid cache file with its inode and time (so a rewrite shows), else "stale".
std::map<std::string, std::string> folderCaches(const QString& folder) {
    FontConfigPtr config = loadUserFontConfig();
    std::map<std::string, std::string> caches;
    QStringList folders{folder};
    for (const QString& part : QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        folders << folder + u'/' + part;
    for (const QString& f : folders) {
        FcChar8* file = nullptr;
        FcCache* cache =
            FcDirCacheLoad(reinterpret_cast<const FcChar8*>(QFile::encodeName(f).constData()),
                           config.get(), &file);
        struct stat st {};
        std::string& entry = caches[f.toStdString()] = "stale";
        if (cache && ::stat(reinterpret_cast<const char*>(file), &st) == 0)
            entry = reinterpret_cast<const char*>(file) + (" " + std::to_string(st.st_ino)) + " " +
                    std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
        if (cache) FcDirCacheUnload(cache);
        FcStrFree(file);
    }
    return caches;
}

TEST_F(HiddenFonts, SwitchingBackToASetTakesItsLinksAgainAndOldOnesGo) {
    QStringList files;
    for (int i = 0; i < 8; ++i)
        files << install("AlphaTest-Regular.ttf", u"f%1.ttf"_s.arg(i));
    const auto farmFor = [&](int hidden) {
        EXPECT_TRUE(hideExactly(fonts, {files[hidden]}, u"s%1"_s.arg(hidden)));
        return FontconfigResources(fonts).farmFolder();
    };
    const QString first = farmFor(0);
    // Prebuilt: the next program to start reads the farm's caches and writes none.
    const auto caches = folderCaches(first);
    const auto fresh = [](const std::map<std::string, std::string>& c) {
        return std::none_of(c.begin(), c.end(), [](const auto& e) { return e.second == "stale"; });
    };
    EXPECT_TRUE(fresh(caches));
    // Programs started earlier learn of it by the fonts folder's time, its cache rewritten to suit.
    const QString fontsDir = QDir::cleanPath(env.fontsFolder());
    const auto fontsCache = folderCaches(fontsDir);
    FontconfigResources(fonts).announceToEarlierPrograms();
    EXPECT_TRUE(fresh(folderCaches(fontsDir)));
    EXPECT_NE(folderCaches(fontsDir), fontsCache);
    EXPECT_EQ(fcList(), sorted(all - QSet<QString>{files[0]}));
    EXPECT_NE(farmFor(1), first);
    EXPECT_EQ(farmFor(0), first) << "the same visible fonts: the same links, nothing rebuilt";
    EXPECT_EQ(folderCaches(first), caches);

    // A lock a killed writer left on a farm cache does not hold up the next generation's build.
    const quint64 next =
        FontconfigResources::parseState(readWholeFile(FontconfigResources::statePath())).serial + 1;
    const QString nextFarm = FontconfigResources::defaultFarmRoot() + u"/g%1"_s.arg(next);
    const auto md5 = [](const QString& folder) {
        return QString::fromLatin1(
            QCryptographicHash::hash(QFile::encodeName(folder), QCryptographicHash::Md5).toHex());
    };
    QString lock = QString::fromStdString(caches.at(first.toStdString())).section(u' ', 0, 0);
    ASSERT_TRUE(lock.contains(md5(first))) << lock.toStdString(); // named by its folder's MD5
    lbtest::writeFile(lock.replace(md5(first), md5(nextFarm)) + u".LCK"_s, {});
    EXPECT_EQ(farmFor(2), nextFarm);
    EXPECT_TRUE(fresh(folderCaches(nextFarm)));
    for (int i = 2; i < 8; ++i)
        farmFor(i);
    // A handful of recent generations stay for switching back; older ones are gone.
    const QStringList left = QDir(FontconfigResources::defaultFarmRoot())
                                 .entryList(QStringList{"g*"}, QDir::Dirs | QDir::NoDotAndDotDot);
    EXPECT_LE(left.size(), 4) << left.join(u' ').toStdString();
    EXPECT_FALSE(QFileInfo::exists(first));

    // Sets of one font each: the store of links keeps the fonts of the generations left, no more.
    for (int i = 0; i < 8; ++i) {
        QSet<QString> hidden = asSet(files);
        hidden.remove(files[i]);
        ASSERT_TRUE(hideExactly(fonts, hidden, u"one%1"_s.arg(i)));
    }
    const QStringList store = QDir(FontconfigResources::defaultFarmRoot() + u"/links"_s)
                                  .entryList(QDir::System | QDir::Files | QDir::Hidden);
    EXPECT_LE(store.size(), 4) << store.join(u' ').toStdString();

    // A start leaves the store alone (it would stat every link); links go with their generation.
    const QString stray = FontconfigResources::defaultFarmRoot() + u"/links/stray"_s;
    ASSERT_TRUE(QFile::link(env.root() + u"/gone.ttf"_s, stray));
    FontconfigResources(fonts).reconcile();
    EXPECT_TRUE(QFileInfo(stray).isSymLink());
    for (int i = 0; i < 4; ++i)
        farmFor(i);
    EXPECT_FALSE(QFileInfo(stray).isSymLink());

    // Plans kept for switching back still offer a font that came into a hidden folder since.
    FontconfigResources window(fonts);
    ASSERT_TRUE(hideExactly(fonts, {files[0]}, u"w1"_s, &window));
    ASSERT_TRUE(hideExactly(fonts, {}, u"w2"_s, &window));
    install("AlphaTest-Regular.ttf", u"late.ttf"_s);
    ASSERT_TRUE(hideExactly(fonts, {files[0]}, u"w3"_s, &window));
    EXPECT_EQ(fcList(), sorted(all - QSet<QString>{files[0]}));
}

// Rules are read only through the installation's file, where an old version's conf.d rules move.
TEST_F(HiddenFonts, RemovingTheProgramShowsEveryFontAgain) {
    const QString a = install("AlphaTest-Regular.ttf"), b = install("BetaTest-Regular.ttf");
    const QString share = env.root() + u"/share"_s, conf = share + u"/fontconfig.conf"_s;
    ASSERT_TRUE(QDir().mkpath(share) && QFile::copy(LB_SHARE_DIR "/fontconfig.conf", conf));
    env.set("LETTERBAY_SHARE", share);
    const QString old = fontconfigUserConfD() + u"78-letterbay-removed.conf"_s;
    ASSERT_TRUE(QDir().mkpath(fontconfigUserConfD()));
    lbtest::writeFile(old, "<fontconfig><selectfont><rejectfont><glob>" + QFile::encodeName(b) +
                               "</glob></rejectfont></selectfont></fontconfig>\n");
    ASSERT_TRUE(hideExactly(fonts, {a}, "s1"));
    EXPECT_EQ(fcList(), sorted(QSet<QString>()));
    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_TRUE(QFileInfo::exists(removedFontsConfPath()));
    // The package goes, with nothing run as the user.
    QFile::remove(conf);
    EXPECT_EQ(fcList(), sorted({a, b}));
}

TEST_F(HiddenFonts, ChangesOfEachProgramAddUpAndAFailedWriteLeavesTheOldState) {
    const QString a = install("AlphaTest-Regular.ttf"), b = install("BetaTest-Regular.ttf");
    const QString c = install("GammaTest-Regular.ttf");
    QSet<QString> hidden;
    // Exactly what is on disk, to show that a failed write left it alone.
    const auto onDisk = [] {
        return readWholeFile(inactiveFontsConfPath()) + '|' +
               readWholeFile(FontconfigResources::statePath()) + '|' +
               QDir(fontconfigUserConfD())
                   .entryList(QStringList{".*.tmp"}, QDir::Files | QDir::Hidden | QDir::System)
                   .join(u' ')
                   .toUtf8();
    };
    const auto failsCleanly = [&](const char* what) {
        const QByteArray before = onDisk();
        FontconfigResources res(fonts);
        res.unload(c);
        EXPECT_FALSE(res.broadcast("2")) << what;
        EXPECT_FALSE(res.error().isEmpty()) << what;
        EXPECT_FALSE(res.hasPending()) << what;
        EXPECT_EQ(onDisk(), before) << what;
        EXPECT_EQ(fcList(), sorted(all - hidden)) << what;
        EXPECT_FALSE(res.isHidden(c)) << what;
    };
    ASSERT_TRUE(QDir().mkpath(inactiveFontsConfPath()));
    failsCleanly("a folder in the way");
    ASSERT_TRUE(QDir(inactiveFontsConfPath()).removeRecursively());

    FontconfigResources first(fonts), second(fonts);
    first.unload("AlphaTest-Regular.ttf");
    EXPECT_TRUE(first.isHidden(a)) << "a bare name and its full path are one file";
    EXPECT_FALSE(QFile::exists(inactiveFontsConfPath())) << "nothing written before the broadcast";
    ASSERT_TRUE(first.broadcast("1"));
    // The second program hides another file: the first one's change stays.
    EXPECT_TRUE(second.isHidden(a));
    second.unload(b);
    ASSERT_TRUE(second.broadcast("2"));
    EXPECT_EQ(fcList(), sorted({c}));
    // Another kind of change never undoes the other program's; a file's last change is kept.
    first.unload(a);
    first.load(a);
    first.load(b);
    first.unload(b);
    EXPECT_TRUE(first.isHidden(b) && !first.isHidden(a));
    ASSERT_TRUE(first.broadcast("3"));
    EXPECT_EQ(fcList(), sorted({a, c}));
    EXPECT_TRUE(first.isHidden(b));
    hidden = {b};

    // A full disk: the user's configuration on a tiny file system that is full.
    const lbtest::SmallDisk small(env.root() + u"/small"_s, "96k");
    if (!small.mounted) GTEST_SKIP() << "cannot mount a small file system here (needs root)";
    // The user's fontconfig folder moves there whole: conf.d and the rules it reads.
    ASSERT_EQ(QProcess::execute("cp", {"-a", env.configHome() + u"/fontconfig"_s, small.path}), 0);
    env.set("XDG_CONFIG_HOME", small.path);
    small.fill();
    failsCleanly("a full disk");
}

TEST_F(HiddenFonts, TwoProgramsBroadcastingAtOnceLoseNothing) {
    QStringList first, second;
    for (int i = 0; i < 16; ++i) {
        first << install("AlphaTest-Regular.ttf", u"a%1.ttf"_s.arg(i));
        second << install("BetaTest-Regular.ttf", u"b%1.ttf"_s.arg(i), u"b"_s);
    }
    const QString kept = install("GammaTest-Regular.ttf");
    QProcess one, two;
    lbtest::startStateTool(one, QStringList{"hide", "one"} + first);
    lbtest::startStateTool(two, QStringList{"hide", "two"} + second);
    int looks = 0;
    while (one.state() != QProcess::NotRunning || two.state() != QProcess::NotRunning) {
        // Whoever reads meanwhile finds whole files, never a part of one.
        const QByteArray conf = readWholeFile(inactiveFontsConfPath());
        QXmlStreamReader xml(conf);
        while (!xml.atEnd())
            xml.readNext();
        EXPECT_TRUE(conf.isEmpty() || !xml.hasError()) << conf.toStdString();
        const QByteArray state = readWholeFile(FontconfigResources::statePath());
        EXPECT_TRUE(state.isEmpty() || FontconfigResources::parseState(state).exists);
        ++looks;
        one.waitForFinished(5);
        two.waitForFinished(5);
    }
    EXPECT_EQ(one.exitCode(), 0) << one.readAll().toStdString();
    EXPECT_EQ(two.exitCode(), 0) << two.readAll().toStdString();
    EXPECT_GT(looks, 1);
    EXPECT_EQ(fcList(), sorted({kept}));
    EXPECT_EQ(FontconfigResources(fonts).hiddenFiles().size(), 32);
}

} // namespace
