#include "platform/checked_file.h"
#include "platform/desktop_fonts.h"
#include "platform/font_selection.h"
#include "platform/toolkit_fonts.h"
#include "support/temp_env.h"

#include <QDir>
#include <QFile>
#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

using namespace lb;

using namespace Qt::StringLiterals;

namespace {

// The fixtures as the desktop's fonts, the generic names aliased to them; the tool plays GNOME's.
struct DesktopEnv {
    lbtest::TempEnv env;
    FcConfig* config = nullptr;

    DesktopEnv() {
        for (const char* f :
             {"FixtureSans-Regular.ttf", "FixtureSerif-Regular.ttf", "FixtureMono-Regular.ttf",
              "AlphaTest-Regular.ttf", "BetaTest-Regular.ttf"})
            env.installFixture(QString::fromLatin1(f), true);
        QDir().mkpath(fontconfigUserConfD());
        QByteArray xml = "<?xml version=\"1.0\"?>\n<fontconfig>\n";
        for (const auto& [generic, family] :
             {std::pair{"sans-serif", "Fixture Sans"}, std::pair{"serif", "Fixture Serif"},
              std::pair{"monospace", "Fixture Mono"}})
            xml += QByteArray("<alias><family>") + generic + "</family><prefer><family>" + family +
                   "</family></prefer></alias>\n";
        lbtest::writeFile(fontconfigUserConfD() + u"50-test-generics.conf"_s,
                          xml + "</fontconfig>\n");
        config = FcInitLoadConfigAndFonts();
    }
    ~DesktopEnv() { FcConfigDestroy(config); }

    QString settingsTool(const QByteArray& body) {
        const QString path =
            lbtest::writeFile(env.root() + u"/gsettings-tool"_s, "#!/bin/sh\n" + body);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
};

// The tool is asked again only when dconf rewrites its settings: it costs more than a refresh.
TEST(FontconfigDesktop, GenericFamiliesThenTheDesktopsOwnFontsAskedAgainOnChange) {
    using F = FontconfigDesktopFonts;
    EXPECT_EQ(F::descriptionFamilies("Noto Sans Semi-Bold Italic 10.5"), QStringList{"Noto Sans"});
    EXPECT_EQ(F::descriptionFamilies("DejaVu Sans Mono, Monospace 12px"),
              (QStringList{"DejaVu Sans Mono", "Monospace"}));
    EXPECT_EQ(F::descriptionFamilies("Fira Code Retina 10 @wght=450"),
              QStringList{"Fira Code Retina"});
    DesktopEnv d;
    const QStringList generics{"Fixture Sans", "Fixture Serif", "Fixture Mono"};
    EXPECT_EQ(FontconfigDesktopFonts(d.config, QString()).families(), generics);
    EXPECT_EQ(FontconfigDesktopFonts(d.config, d.env.root() + u"/none"_s).families(), generics);

    const QString tool = d.settingsTool(
        "[ \"$1 $2\" = \"list-recursively org.gnome.desktop.interface\" ] || exit 1\n"
        "echo \"org.gnome.desktop.interface font-antialiasing 'grayscale'\"\n"
        "echo \"org.gnome.desktop.interface font-name 'Alpha Test Bold 11'\"\n"
        "echo \"org.gnome.desktop.interface document-font-name 'Fixture Serif 11'\"\n"
        "echo \"org.gnome.desktop.interface monospace-font-name 'Beta Test, Monospace 10'\"\n");
    const QStringList withDesktop = generics + QStringList{"Alpha Test", "Beta Test"};
    EXPECT_EQ(FontconfigDesktopFonts(d.config, tool).families(), withDesktop);

    // An error (no such schema) or a hanging tool leaves the generic families alone.
    for (const char* body : {"echo 'No such schema' >&2\nexit 1\n", "exec sleep 30\n"})
        EXPECT_EQ(FontconfigDesktopFonts(d.config, d.settingsTool(body)).families(), generics);

    const QString config = d.env.configHome();
    const auto setFont = [&](const QByteArray& description) {
        QDir().mkpath(config + u"/dconf"_s);
        QFile::remove(config + u"/dconf/user"_s); // a new file, as dconf writes it
        lbtest::writeFile(config + u"/dconf/user"_s, description);
    };
    const auto runs = [&] { return lb::readWholeFile(config + u"/runs"_s).count('\n'); };
    setFont("Alpha Test 11");
    FontconfigDesktopFonts desktop(
        d.config, d.settingsTool("echo run >> \"$XDG_CONFIG_HOME/runs\"\n"
                                 "echo \"org.gnome.desktop.interface font-name '$(cat "
                                 "\"$XDG_CONFIG_HOME/dconf/user\")'\"\n"));
    EXPECT_EQ(desktop.families(), generics + QStringList{"Alpha Test"});
    EXPECT_EQ(desktop.families(), generics + QStringList{"Alpha Test"});
    EXPECT_EQ(runs(), 1);
    setFont("Beta Test 11");
    EXPECT_EQ(desktop.families(), generics + QStringList{"Beta Test"});
    EXPECT_EQ(runs(), 2);
}

// Qt sees the fonts outside the home and the interface family; the returned whole sees all.
TEST(FontconfigDesktop, TheToolkitSeesTheInterfaceFamilyButNotTheHomesOtherFonts) {
    lbtest::TempEnv env;
    const QString system = env.installFixture(u"FixtureSans-Regular.ttf"_s, true);
    const QString beta = env.installFixture(u"BetaTest-Regular.ttf"_s);
    const QString alpha = env.installInSubfolder(u"AlphaTest-Regular.ttf"_s, u"more"_s, u"a.ttf"_s);
    const auto files = [](FcConfig* config) { // null: the process's current configuration
        QStringList out;
        for (const QByteArray& f : fontFiles(FcConfigGetFonts(config, FcSetSystem)))
            out << QFile::decodeName(f);
        out.sort();
        return out;
    };
    FcInitReinitialize();
    {
        const FontConfigPtr whole = narrowToolkitFonts(u"Beta Test"_s, env.home());
        ASSERT_TRUE(whole);
        EXPECT_EQ(files(nullptr), (QStringList{beta, system}));
        EXPECT_EQ(files(whole.get()), (QStringList{beta, alpha, system}));
        EXPECT_EQ(FontconfigDesktopFonts::resolveFamily(nullptr, u"Beta Test"_s), u"Beta Test"_s);
    }
    // Nothing of the home's but the interface family: nothing is narrowed for a home at "/".
    EXPECT_FALSE(narrowToolkitFonts(u"Beta Test"_s, u"/"_s));
    FcInitReinitialize(); // the tests after read every font again
}

} // namespace
