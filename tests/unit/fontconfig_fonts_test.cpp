#include "platform/font_selection.h"
#include "platform/fontconfig_fonts.h"
#include "support/font_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>
#include <map>

using namespace lb;
using lbtest::fcList;
using lbtest::sorted;

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
        FcFontSet* set = FcCacheCopySet(cache);
        FcChar8* file = nullptr;
        for (int i = 0; i < set->nfont; ++i)
            if (FcPatternGetString(set->fonts[i], FC_FILE, 0, &file) == FcResultMatch)
                files.insert(QFile::decodeName(reinterpret_cast<const char*>(file)));
        FcFontSetDestroy(set);
        FcDirCacheUnload(cache);
    }
    FcConfigDestroy(config);
    return files;
}

TEST(FontconfigRegistry, ListsUserAndSystemFontsOncePerFileWithTheirValueNames) {
    lbtest::FontEnv env;
    FontconfigFonts fonts;
    EXPECT_EQ(fonts.fontsFolder(), env.fontsFolder());
    for (const char* f : {"FixtureSans-Regular.ttf", "FixtureCollection.ttc", "FixtureTwin.ttc",
                          "LinguaTest.ttf", "Empty.ttf", "FixtureSans-Condensed.ttf"})
        env.installFixture(QString::fromLatin1(f));
    const QString sub = env.installInSubfolder(u"AlphaTest-Regular.ttf"_s, u"Deep/Er"_s);
    const QString cff = env.installFixture(u"FixtureCff.otf"_s, true);
    // Every format by its own suffix; the metrics beside a Type 1 font are no font.
    for (const char* f :
         {"FixtureDuo.otc", "TypeOneTest.pfb", "TypeOneTest.afm", "FixtureBitmap.bdf"})
        env.installFixture(QString::fromLatin1(f));
    // Linux names are case-sensitive: the value keeps the spelling on disk.
    const QString mixed = env.installFixture(u"GammaTest-Regular.ttf"_s, true, u"gAmMa.TTF"_s);

    const std::vector<FontValue> values = fonts.enumerate();
    std::map<QString, QString> got = byData(values);
    const std::map<QString, QString> expected{
        {cff, u"Fixture Cff Regular (OpenType)"_s},
        // Each face of a collection is a font of its own.
        {u"FixtureDuo.otc"_s, u"Duo First Regular (OpenType)"_s},
        {u"FixtureDuo.otc#1"_s, u"Duo Second Regular (OpenType)"_s},
        {u"TypeOneTest.pfb"_s, u"Type One Test Regular (Type 1)"_s},
        {u"FixtureBitmap.bdf"_s, u"Fixture Bitmap Regular (Bitmap)"_s},
        {u"FixtureSans-Regular.ttf"_s, u"Fixture Sans Regular (TrueType)"_s},
        {u"FixtureCollection.ttc"_s, u"Fixture Collection Regular (TrueType)"_s},
        {u"FixtureCollection.ttc#1"_s, u"Fixture Collection Bold (TrueType)"_s},
        {u"FixtureTwin.ttc"_s, u"Fixture Twin Regular (TrueType)"_s},
        {u"FixtureTwin.ttc#1"_s, u"Fixture Twin Regular (TrueType)"_s},
        {u"FixtureSans-Condensed.ttf"_s, u"Fixture Sans Condensed (TrueType)"_s},
        {u"LinguaTest.ttf"_s, u"Lingua Test Regular (TrueType)"_s},
        {sub, u"Alpha Test Regular (TrueType)"_s},
        {mixed, u"Gamma Test Regular (TrueType)"_s},
    };
    EXPECT_EQ(got, expected);
    // Each face under its own family; a width variant under the family of its width, as
    // fontconfig lists it, not folded into the regular width's typeface.
    std::map<QString, QString> families;
    for (const FontValue& v : values)
        families[v.name] = v.family;
    EXPECT_EQ(families[u"Duo Second Regular (OpenType)"_s], u"Duo Second"_s);
    EXPECT_EQ(families[u"Fixture Sans Condensed (TrueType)"_s], u"Fixture Sans Condensed"_s);
    EXPECT_EQ(families[u"Fixture Sans Regular (TrueType)"_s], u"Fixture Sans"_s);
    EXPECT_EQ(fonts.read(env.fixture(u"FixtureTwin.ttc"_s)).resourceName,
              u"Fixture Twin Regular"_s);

    // Stable: the second listing comes from the caches the first one wrote, in the same order.
    const std::vector<FontValue> again = fonts.enumerate();
    ASSERT_EQ(again.size(), values.size());
    for (size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(again[i].data, values[i].data);
}

TEST(FontconfigRegistry, SeesFilesAddedBehindItsBackAndRegistersCopiedOnesInTheCache) {
    lbtest::FontEnv env;
    FontconfigFonts fonts;
    env.installFixture(u"AlphaTest-Regular.ttf"_s);
    ASSERT_EQ(fonts.enumerate().size(), 1u);
    const QString zeta = env.installFixture(u"ZetaTest-Regular.ttf"_s, true);
    EXPECT_EQ(byData(fonts.enumerate()).count(zeta), 1u) << "a stale cache is rescanned";

    const QString copied = env.installFixture(u"DeltaTest-Regular.ttf"_s);
    EXPECT_TRUE(fonts.registerFile(u"DeltaTest-Regular.ttf"_s));
    EXPECT_TRUE(cachedFiles(env.fontsFolder()).contains(copied));

    // A file replaced under the same name is read anew once registered.
    const QString name = u"Replaced.ttf"_s;
    env.installFixture(u"FixtureSerif-Regular.ttf"_s, false, name);
    ASSERT_TRUE(fonts.registerFile(name));
    fonts.enumerate();
    EXPECT_EQ(fonts.read(name).faceName, u"Fixture Serif"_s);
    env.installFixture(u"FixtureMono-Regular.ttf"_s, false, name);
    ASSERT_TRUE(fonts.registerFile(name));
    EXPECT_EQ(fonts.read(name).faceName, u"Fixture Mono"_s);
    EXPECT_EQ(byData(fonts.enumerate())[name], u"Fixture Mono Regular (TrueType)"_s);

    EXPECT_FALSE(fonts.registerFile(u"NotThere.ttf"_s));
    EXPECT_FALSE(fonts.registerFile(zeta)) << "not in the fonts folder";

    // Several at once: each folder registered once, and what it does not list is named.
    env.installFixture(u"NotAFont.ttf"_s);
    EXPECT_TRUE(fonts.installProblem().isEmpty());
    const QStringList missing = fonts.registerFiles(
        {u"AlphaTest-Regular.ttf"_s, u"NotAFont.ttf"_s, u"Missing.ttf"_s, zeta});
    EXPECT_EQ(QSet<QString>(missing.begin(), missing.end()),
              (QSet<QString>{u"NotAFont.ttf"_s, u"Missing.ttf"_s, zeta}));
    EXPECT_EQ(fcList(), sorted({env.fontsFolder() + u"AlphaTest-Regular.ttf"_s, zeta, copied,
                                env.fontsFolder() + name}));
}

TEST(FontconfigRegistry, RemovingASystemFontRejectsItForGoodAndDeletesNothing) {
    lbtest::FontEnv env;
    FontconfigFonts fonts;
    const QString user = env.installFixture(u"AlphaTest-Regular.ttf"_s);
    const QString beta = env.installFixture(u"BetaTest-Regular.ttf"_s, true);
    const QString odd = env.installFixture(u"ZetaTest-Regular.ttf"_s, true, u"Z&eta <\"x\">.ttf"_s);
    const QString star = env.installFixture(u"GammaTest-Regular.ttf"_s, true, u"Star*.ttf"_s);
    const QString starLike =
        env.installFixture(u"DeltaTest-Regular.ttf"_s, true, u"Star-Delta.ttf"_s);
    ASSERT_EQ(fonts.enumerate().size(), 5u);

    EXPECT_FALSE(fonts.deleteValue(u"No Such Font (TrueType)"_s));
    for (const char* value : {"Beta Test Regular (TrueType)", "Zeta Test Regular (TrueType)",
                              "Gamma Test Regular (TrueType)", "Alpha Test Regular (TrueType)"})
        EXPECT_TRUE(fonts.deleteValue(QString::fromLatin1(value))) << value;

    for (const QString& f : {user, beta, odd, star, starLike})
        EXPECT_TRUE(QFile::exists(f)) << f.toStdString();
    const FontSelection removed = readFontSelection(removedFontsConfPath());
    EXPECT_EQ(removed.rejectGlobs, (QStringList{beta, odd})) << "earlier entries are kept";
    EXPECT_EQ(removed.rejectFiles, QStringList{star}) << "a '*' in a name must not be a wildcard";

    // The user's own font goes with its file, so its value stays until the file is deleted.
    EXPECT_EQ(byData(fonts.enumerate()),
              (std::map<QString, QString>{
                  {u"AlphaTest-Regular.ttf"_s, u"Alpha Test Regular (TrueType)"_s},
                  {starLike, u"Delta Test Regular (TrueType)"_s}}));
    EXPECT_EQ(fcList(), sorted({user, starLike}));
}

TEST(FontconfigRegistry, DeletesFilesOnlyInsideTheFontsFolder) {
    lbtest::FontEnv env;
    FontconfigFonts fonts;
    const QString own = env.installFixture(u"AlphaTest-Regular.ttf"_s);
    const QString nested = env.installInSubfolder(u"DeltaTest-Regular.ttf"_s, u"sub"_s);
    const QString system = env.installFixture(u"BetaTest-Regular.ttf"_s, true);
    fonts.enumerate();

    const QString escape = u"../../../../system-fonts/BetaTest-Regular.ttf"_s;
    ASSERT_TRUE(QFileInfo::exists(env.fontsFolder() + escape));
    EXPECT_FALSE(fonts.deleteFile(escape));
    EXPECT_FALSE(fonts.deleteFile(u"sub/../"_s + escape));
    EXPECT_FALSE(fonts.deleteFile(system));
    // A link inside the folder does not make what it points to deletable.
    const QString linked = env.fontsFolder() + u"linked"_s;
    ASSERT_TRUE(QFile::link(env.systemFonts(), linked));
    EXPECT_FALSE(fonts.deleteFile(u"linked/BetaTest-Regular.ttf"_s));
    ASSERT_TRUE(QFile::remove(linked));
    ASSERT_TRUE(QFile::link(system, env.fontsFolder() + u"Beta-link.ttf"_s));
    EXPECT_TRUE(fonts.deleteFile(u"Beta-link.ttf"_s));
    EXPECT_TRUE(QFileInfo::exists(system));

    EXPECT_FALSE(fonts.deleteFile(u"sub"_s));
    EXPECT_FALSE(fonts.deleteFile(u"alphatest-regular.ttf"_s)) << "case matters";
    EXPECT_TRUE(fonts.deleteFile(u"AlphaTest-Regular.ttf"_s));
    EXPECT_TRUE(fonts.deleteFile(nested));
    EXPECT_FALSE(QFileInfo::exists(own) || QFileInfo::exists(nested));
    EXPECT_FALSE(cachedFiles(env.fontsFolder()).contains(own)) << "the cache was not updated";
    EXPECT_EQ(fcList(), sorted({system}));
}

TEST(FontconfigFaceNames, ReadsFamilyAndFullNameAndNeverThePreviousFilesNames) {
    lbtest::FontEnv env;
    FontconfigFonts fonts;
    const QStringList sans{u"FixtureSans-Regular.ttf"_s, u"FixtureSans-Bold.ttf"_s,
                           u"FixtureSans-Italic.ttf"_s};
    for (const QString& f : sans)
        env.installFixture(f);
    for (const char* f : {"LinguaTest.ttf", "Truncated.ttf", "Empty.ttf", "NotAFont.ttf"})
        env.installFixture(QString::fromLatin1(f));
    env.installFixture(u"EditionUnicode.ttf"_s, true);

    // Straight from the files first, then from what the enumeration read: both must agree.
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "from the files" : "from the enumeration");
        QSet<QString> resources;
        for (const QString& f : sans) {
            const FaceNames n = fonts.read(f);
            EXPECT_TRUE(n.readable);
            EXPECT_EQ(n.faceName, u"Fixture Sans"_s);
            EXPECT_EQ(n.resourceName, lbtest::manifestFaces(f).front().fullName);
            resources.insert(n.resourceName);
            // Unreadable files in between get their own base name, whatever was read before.
            for (const char* base : {"Truncated", "Empty", "NotAFont", "Missing"}) {
                const FaceNames u = fonts.read(QString::fromLatin1(base) + u".ttf"_s);
                EXPECT_FALSE(u.readable) << base;
                EXPECT_EQ(u.faceName, QString::fromLatin1(base));
                EXPECT_EQ(u.resourceName, QString::fromLatin1(base));
            }
        }
        EXPECT_EQ(resources.size(), 3);
        const FaceNames lingua = fonts.read(env.fontsFolder() + u"LinguaTest.ttf"_s);
        EXPECT_EQ(lingua.faceName, u"Lingua Test"_s);
        EXPECT_EQ(lingua.resourceName, u"Lingua Test Regular"_s);
        EXPECT_EQ(fonts.read(env.systemFonts() + u"EditionUnicode.ttf"_s).faceName,
                  u"Édition Ünïcode"_s);
        fonts.enumerate();
    }
}

} // namespace
