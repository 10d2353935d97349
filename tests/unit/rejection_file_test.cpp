#include "platform/fontconfig_fonts.h"
#include "platform/rejection_file.h"
#include "support/font_env.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace lb;
using lbtest::fcList;
using lbtest::sorted;

using namespace Qt::StringLiterals;

namespace {

QSet<QString> toSet(const QStringList& l) {
    return QSet<QString>(l.begin(), l.end());
}

QSet<QString> without(QSet<QString> all, const QSet<QString>& gone) {
    return all.subtract(gone);
}

const char* const Singles[] = {
    "AlphaTest-Regular.ttf",    "BetaTest-Regular.ttf",    "GammaTest-Regular.ttf",
    "DeltaTest-Regular.ttf",    "EpsilonTest-Regular.ttf", "ZetaTest-Regular.ttf",
    "FixtureSerif-Regular.ttf", "FixtureMono-Regular.ttf", "FixtureScript-Regular.ttf"};

TEST(RejectionFile, HidesFontsOneByOneOnBroadcastAndReadsThemBack) {
    lbtest::FontEnv env;
    FontconfigFonts fonts;
    const QString alpha = env.installFixture(u"AlphaTest-Regular.ttf"_s);
    const QString beta = env.installFixture(u"BetaTest-Regular.ttf"_s, true);
    const QString odd =
        env.installFixture(u"ZetaTest-Regular.ttf"_s, false, u"A&B <\"it's\">.ttf"_s);
    const QString gamma = env.installFixture(u"GammaTest-Regular.ttf"_s);
    {
        FontconfigResources res(fonts);
        EXPECT_EQ(res.unload(u"AlphaTest-Regular.ttf"_s), 1);
        EXPECT_EQ(res.unload(alpha), 0) << "a bare name and its full path are one file";
        EXPECT_EQ(res.unload(beta), 1);
        EXPECT_EQ(res.unload(odd), 1);
        EXPECT_EQ(res.unload(u"Missing.ttf"_s), 0);
        EXPECT_EQ(res.load(gamma), 0);
        EXPECT_FALSE(QFile::exists(inactiveFontsConfPath())) << "written before the broadcast";
        res.broadcast();
    }
    const QSet<QString> hidden{alpha, beta, odd};
    const FontSelection written = readFontSelection(inactiveFontsConfPath());
    EXPECT_EQ(toSet(written.rejectGlobs), hidden);
    EXPECT_TRUE(written.acceptGlobs.isEmpty());
    EXPECT_EQ(fcList(), sorted({gamma}));
    EXPECT_EQ(fonts.enumerate().size(), 4u) << "hidden fonts stay installed";

    FontconfigResources again(fonts);
    EXPECT_EQ(toSet(again.hiddenFiles()), hidden);
    EXPECT_EQ(again.load(alpha), 1);
    EXPECT_EQ(again.load(u"AlphaTest-Regular.ttf"_s), 0);
    again.broadcast();
    EXPECT_EQ(fcList(), sorted({alpha, gamma}));
    EXPECT_EQ(again.load(beta) + again.load(odd), 2);
    again.broadcast();
    EXPECT_FALSE(QFile::exists(inactiveFontsConfPath())) << "nothing hidden: no file";
    EXPECT_EQ(fcList(), sorted({alpha, beta, odd, gamma}));
}

TEST(RejectionFile, MostlyHiddenFolderIsRejectedWholeWithTheVisibleFontsAccepted) {
    lbtest::FontEnv env;
    FontconfigFonts fonts;
    QSet<QString> all, hidden;
    for (const char* f : Singles) {
        const QString path = env.installFixture(QString::fromLatin1(f));
        all.insert(path);
        if (!path.contains(QLatin1String("/Fixture"))) hidden.insert(path);
    }
    // The folder-wide reject reaches into subfolders, so their visible fonts need accepts too.
    const QString subHidden = env.installInSubfolder(u"FixtureSans-Regular.ttf"_s, u"sub"_s);
    const QString subVisible = env.installInSubfolder(u"FixtureSans-Bold.ttf"_s, u"sub"_s);
    all += {subHidden, subVisible, env.installFixture(u"LinguaTest.ttf"_s, true)};
    hidden.insert(subHidden);
    {
        FontconfigResources res(fonts);
        for (const QString& h : hidden)
            EXPECT_EQ(res.unload(h), 1);
        res.broadcast();
    }
    const FontSelection written = readFontSelection(inactiveFontsConfPath());
    EXPECT_EQ(written.rejectGlobs, QStringList{env.fontsFolder() + QLatin1Char('*')});
    EXPECT_EQ(written.acceptGlobs.size(), 5); // three "Fixture*" files, the visible sub font, "sub"
    EXPECT_EQ(fcList(), sorted(without(all, hidden)));

    FontconfigResources again(fonts);
    EXPECT_EQ(toSet(again.hiddenFiles()), hidden);

    // A font installed later under the rejected folder is hidden by it, until it is loaded.
    const QString late = env.installFixture(u"FixtureCollection.ttc"_s);
    ASSERT_TRUE(fonts.registerFile(u"FixtureCollection.ttc"_s));
    EXPECT_EQ(fcList(), sorted(without(all, hidden)));
    EXPECT_EQ(again.unload(late), 0);
    EXPECT_EQ(again.load(late), 1);
    again.broadcast();
    all.insert(late);
    EXPECT_EQ(fcList(), sorted(without(all, hidden)));

    for (const QString& h : hidden)
        EXPECT_EQ(again.load(h), 1);
    again.broadcast();
    EXPECT_FALSE(QFile::exists(inactiveFontsConfPath()));
    EXPECT_EQ(fcList(), sorted(all));
}

TEST(RejectionFile, WildcardCharactersInNamesHideOnlyThatFile) {
    lbtest::FontEnv env;
    FontconfigFonts fonts;
    QSet<QString> all;
    // fontconfig's globs cannot escape '*' and '?': "Star*.ttf" as a glob would hide the rest.
    for (const char* name : {"Star*.ttf", "Star-1.ttf", "Q?.ttf", "QX.ttf", "[ab].ttf", "a.ttf"})
        all.insert(
            env.installFixture(u"AlphaTest-Regular.ttf"_s, false, QString::fromLatin1(name)));
    const QString star = env.fontsFolder() + u"Star*.ttf"_s;
    const QString question = env.fontsFolder() + u"Q?.ttf"_s;
    const QSet<QString> hidden{star, question, env.fontsFolder() + u"[ab].ttf"_s};
    {
        FontconfigResources res(fonts);
        for (const QString& h : hidden)
            res.unload(h);
        res.broadcast();
    }
    EXPECT_EQ(fcList(), sorted(without(all, hidden)));
    FontconfigResources again(fonts);
    EXPECT_EQ(toSet(again.hiddenFiles()), hidden);

    // All but the wildcard names hidden: a folder-wide reject could not accept those exactly.
    for (const QString& f : all)
        again.unload(f);
    again.load(star);
    again.load(question);
    again.broadcast();
    EXPECT_TRUE(readFontSelection(inactiveFontsConfPath()).acceptGlobs.isEmpty());
    EXPECT_EQ(fcList(), sorted({star, question}));
}

TEST(RejectionPlan, ChoosesTheShorterRepresentationPerFolder) {
    std::vector<QString> installed;
    QSet<QString> few, most;
    for (int i = 0; i < 20000; ++i) {
        installed.push_back(u"/fonts/big/F%1.ttf"_s.arg(i));
        (i % 200 == 0 ? few : most).insert(installed.back());
    }
    for (int i = 0; i < 10; ++i)
        installed.push_back(u"/fonts/big/nested/N%1.ttf"_s.arg(i));
    installed.push_back(u"/fonts/other/O.ttf"_s);

    const FontSelection sparse = FontconfigResources::plan(few, installed);
    EXPECT_EQ(sparse.rejectGlobs.size(), 100);
    EXPECT_TRUE(sparse.acceptGlobs.isEmpty());

    const FontSelection dense = FontconfigResources::plan(most, installed);
    EXPECT_EQ(dense.rejectGlobs, QStringList{u"/fonts/big/*"_s});
    EXPECT_EQ(dense.acceptGlobs.size(), 111); // 110 fonts and the subfolder holding ten of them
    EXPECT_TRUE(dense.acceptGlobs.contains(u"/fonts/big/nested"_s));

    // A folder the registry does not know is never rejected whole: its fonts would vanish.
    QSet<QString> unknown;
    for (int i = 0; i < 5; ++i)
        unknown.insert(u"/elsewhere/U%1.ttf"_s.arg(i));
    EXPECT_EQ(FontconfigResources::plan(unknown, installed).rejectGlobs.size(), 5);
}

} // namespace
