#include "platform/font_folders.h"
#include "platform/font_selection.h"
#include "platform/fontconfig_fonts.h"
#include "support/temp_env.h"

#include <QDir>
#include <QFile>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <map>

using namespace lb;
using lbtest::fcList, lbtest::sorted;

using namespace Qt::StringLiterals;

namespace {

// The registry's value names by file, a collection's later faces as "file#n"; each listed once.
std::map<QString, QString> byData(const std::vector<FontValue>& values) {
    std::map<QString, QString> out;
    for (const FontValue& v : values) {
        const QString key = v.face == 0 ? v.data : v.data + u"#"_s + QString::number(v.face);
        EXPECT_TRUE(out.emplace(key, v.name).second) << "listed twice: " << key.toStdString();
    }
    return out;
}

// The files a valid cache on disk lists for a folder, as another program would read them.
QSet<QString> cachedFiles(const QString& dir) {
    QSet<QString> files;
    FcConfig* config = FcInitLoadConfig();
    const QByteArray d = QFile::encodeName(QDir::cleanPath(dir));
    if (FcCache* cache =
            FcDirCacheLoad(reinterpret_cast<const FcChar8*>(d.constData()), config, nullptr)) {
        for (const QByteArray& file : cacheFiles(cache))
            files.insert(QFile::decodeName(file));
        FcDirCacheUnload(cache);
    }
    FcConfigDestroy(config);
    return files;
}

struct FontconfigRegistry : ::testing::Test {
    lbtest::TempEnv env;
    FontconfigFonts fonts;
};
using FontconfigFaceNames = FontconfigRegistry;

TEST_F(FontconfigRegistry, ListsUserAndSystemFontsOncePerFileWithTheirValueNames) {
    EXPECT_EQ(fonts.fontsFolder(), env.fontsFolder());
    // Every format by its own suffix; the metrics beside a Type 1 font are no font.
    for (const char* f :
         {"FixtureSans-Regular.ttf", "FixtureCollection.ttc", "FixtureTwin.ttc", "LinguaTest.ttf",
          "Empty.ttf", "FixtureSans-Condensed.ttf", "FixtureDuo.otc", "TypeOneTest.pfb",
          "TypeOneTest.afm", "FixtureBitmap.bdf"})
        env.installFixture(QString::fromLatin1(f));
    const QString sub = env.installInSubfolder("AlphaTest-Regular.ttf", "Deep/Er");
    const QString cff = env.installFixture("FixtureCff.otf", true);
    // Linux names are case-sensitive: the value keeps the spelling on disk.
    const QString mixed = env.installFixture("GammaTest-Regular.ttf", true, "gAmMa.TTF");

    const std::vector<FontValue> values = fonts.enumerate();
    const std::map<QString, QString> expected{
        {cff, "Fixture Cff Regular (OpenType)"},
        // Each face of a collection is a font of its own.
        {"FixtureDuo.otc", "Duo First Regular (OpenType)"},
        {"FixtureDuo.otc#1", "Duo Second Regular (OpenType)"},
        {"TypeOneTest.pfb", "Type One Test Regular (Type 1)"},
        {"FixtureBitmap.bdf", "Fixture Bitmap Regular (Bitmap)"},
        {"FixtureSans-Regular.ttf", "Fixture Sans Regular (TrueType)"},
        {"FixtureCollection.ttc", "Fixture Collection Regular (TrueType)"},
        {"FixtureCollection.ttc#1", "Fixture Collection Bold (TrueType)"},
        {"FixtureTwin.ttc", "Fixture Twin Regular (TrueType)"},
        {"FixtureTwin.ttc#1", "Fixture Twin Regular (TrueType)"},
        {"FixtureSans-Condensed.ttf", "Fixture Sans Condensed (TrueType)"},
        {"LinguaTest.ttf", "Lingua Test Regular (TrueType)"},
        {sub, "Alpha Test Regular (TrueType)"},
        {mixed, "Gamma Test Regular (TrueType)"},
    };
    EXPECT_EQ(byData(values), expected);
    EXPECT_EQ(fonts.read(env.fixture("FixtureTwin.ttc")).resourceName, "Fixture Twin Regular");
}

TEST_F(FontconfigRegistry, SeesFilesAddedBehindItsBackAndRegistersCopiedOnesInTheCache) {
    env.installFixture("AlphaTest-Regular.ttf");
    ASSERT_EQ(fonts.enumerate().size(), 1u);
    const QString zeta = env.installFixture("ZetaTest-Regular.ttf", true);
    EXPECT_EQ(byData(fonts.enumerate()).count(zeta), 1u) << "a stale cache is rescanned";

    const QString copied = env.installFixture("DeltaTest-Regular.ttf");
    EXPECT_TRUE(fonts.registerFile("DeltaTest-Regular.ttf"));
    EXPECT_TRUE(cachedFiles(env.fontsFolder()).contains(copied));

    // A file replaced under the same name is read anew once registered.
    const QString name = "Replaced.ttf";
    env.installFixture("FixtureSerif-Regular.ttf", false, name);
    ASSERT_TRUE(fonts.registerFile(name));
    fonts.enumerate();
    EXPECT_EQ(fonts.read(name).faceName, "Fixture Serif");
    env.installFixture("FixtureMono-Regular.ttf", false, name);
    ASSERT_TRUE(fonts.registerFile(name));
    EXPECT_EQ(fonts.read(name).faceName, "Fixture Mono");
    EXPECT_EQ(byData(fonts.enumerate())[name], "Fixture Mono Regular (TrueType)");
    // Replaced again before anything read the names of that listing.
    env.installFixture("FixtureSerif-Regular.ttf", false, name);
    ASSERT_TRUE(fonts.registerFile(name));
    EXPECT_EQ(fonts.read(name).faceName, "Fixture Serif");

    // Several at once: each folder registered once, and what it does not list is named.
    env.installFixture("NotAFont.ttf");
    const QStringList missing =
        fonts.registerFiles({"AlphaTest-Regular.ttf", "NotAFont.ttf", "Missing.ttf", zeta});
    EXPECT_EQ(QSet<QString>(missing.begin(), missing.end()),
              (QSet<QString>{"NotAFont.ttf", "Missing.ttf", zeta}));
    EXPECT_EQ(fcList(), sorted({env.fontsFolder() + u"AlphaTest-Regular.ttf"_s, zeta, copied,
                                env.fontsFolder() + name}));
}

TEST_F(FontconfigRegistry, RemovesSystemFontsByRuleKeepingEarlierRulesAndFilesOnDisk) {
    const QString beta = env.installFixture("BetaTest-Regular.ttf", true);
    const QString odd = env.installFixture("ZetaTest-Regular.ttf", true, "Z&eta <\"x\">.ttf");
    const QString star = env.installFixture("GammaTest-Regular.ttf", true, "Star*.ttf");
    const QString starLike = env.installFixture("DeltaTest-Regular.ttf", true, "Star-Delta.ttf");
    ASSERT_EQ(fonts.enumerate().size(), 4u);

    EXPECT_TRUE(fonts.removeFiles({beta, odd}).empty());
    EXPECT_TRUE(fonts.removeFiles({star}).empty());
    for (const QString& f : {beta, odd, star, starLike})
        EXPECT_TRUE(QFile::exists(f)) << f.toStdString();
    const FontSelection removed = readFontSelection(removedFontsConfPath());
    EXPECT_EQ(removed.rejectGlobs, (QStringList{beta, odd})) << "earlier entries are kept";
    EXPECT_EQ(removed.rejectFiles, QStringList{star}) << "a '*' in a name must not be a wildcard";
    EXPECT_EQ(byData(fonts.enumerate()),
              (std::map<QString, QString>{{starLike, "Delta Test Regular (TrueType)"}}));
    EXPECT_EQ(fcList(), sorted({starLike}));
}

TEST_F(FontconfigFaceNames, ReadsFamilyAndFullNameAndNeverThePreviousFilesNames) {
    const QStringList sans{"FixtureSans-Regular.ttf", "FixtureSans-Bold.ttf",
                           "FixtureSans-Italic.ttf"};
    for (const QString& f :
         sans + QStringList{"LinguaTest.ttf", "Truncated.ttf", "Empty.ttf", "NotAFont.ttf"})
        env.installFixture(f);
    env.installFixture("EditionUnicode.ttf", true);

    // Straight from the files first, then from what the enumeration read: both must agree.
    const auto names = [&](const QString& file) {
        const FaceNames n = fonts.read(file);
        return u"%1|%2|%3"_s.arg(int(n.readable)).arg(n.faceName, n.resourceName);
    };
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "from the files" : "from the enumeration");
        for (const QString& f : sans) {
            EXPECT_EQ(names(f), u"1|Fixture Sans|"_s + lbtest::manifestFaces(f).front().fullName);
            // Unreadable files in between get their own base name, whatever was read before.
            for (const QString base : {"Truncated", "Empty", "NotAFont", "Missing"})
                EXPECT_EQ(names(base + u".ttf"_s), u"0|%1|%1"_s.arg(base));
        }
        EXPECT_EQ(names(env.fontsFolder() + u"LinguaTest.ttf"_s),
                  "1|Lingua Test|Lingua Test Regular");
        EXPECT_EQ(fonts.read(env.systemFonts() + u"EditionUnicode.ttf"_s).faceName,
                  "Édition Ünïcode");
        fonts.enumerate();
    }
}

} // namespace
