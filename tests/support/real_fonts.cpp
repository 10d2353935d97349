#include "support/real_fonts.h"

#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/startup.h"

namespace lbtest {

using namespace Qt::StringLiterals;

RealFontsTest::RealFontsTest() {
    desktop.list = {u"Fixture Mono"_s};
    restart();
}

void RealFontsTest::restart() {
    resources = std::make_unique<lb::FontconfigResources>(fontconfig);
    fonts = std::make_unique<lb::FontPlatform>(fontconfig, fontconfig, desktop, *resources);
    ctx = std::make_unique<lb::MainContext>(app, *fonts, view, all, assigned);
}

void RealFontsTest::installStandardFonts() {
    sans[0] = env.installFixture(u"FixtureSans-Regular.ttf"_s);
    sans[1] = env.installFixture(u"FixtureSans-Bold.ttf"_s);
    sans[2] = env.installFixture(u"FixtureSans-Italic.ttf"_s);
    alpha = env.installFixture(u"AlphaTest-Regular.ttf"_s);
    beta = env.installFixture(u"BetaTest-Regular.ttf"_s);
    serif = env.installFixture(u"FixtureSerif-Regular.ttf"_s, true);
    mono = env.installFixture(u"FixtureMono-Regular.ttf"_s, true);
}

void RealFontsTest::open() {
    lb::Startup startup(app);
    ASSERT_TRUE(startup.load());
    app.openMainDataSources();
    lb::Get_FontsFolder(app, fontconfig);
    lb::Refresh_Fonts(*ctx);
    app.db->exec(u"DELETE FROM [Sets]"_s);
    view.messages.clear();
}

} // namespace lbtest
