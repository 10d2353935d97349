#include "support/ops_fixture.h"

#include "core/schema.h"

namespace lbtest {

void OpsFixture::SetUp() {
    lb::Startup startup(app);
    ASSERT_TRUE(startup.load());
    app.openMainDataSources();
}

void OpsFixture::exec(const QString& sql) {
    app.db->exec(sql);
}

QString OpsFixture::scalar(const QString& sql) {
    return lbtest::scalar(*app.db, sql);
}

QStringList OpsFixture::column(const QString& sql) {
    QStringList out;
    lb::Statement st = app.db->prepare(sql);
    while (st.step())
        out << st.text(0);
    return out;
}

void OpsFixture::assign(const QString& set, const QString& font) {
    lb::Statement st =
        app.db->prepare(QStringLiteral("INSERT INTO [Assigned Fonts] VALUES (?, ?)"));
    st.bind(1, set).bind(2, font);
    st.step();
}

void OpsFixture::addSet(const QString& set) {
    lb::Statement st = app.db->prepare(QStringLiteral("INSERT INTO [Sets] VALUES (?)"));
    st.bind(1, set);
    st.step();
}

QStringList OpsFixture::listNames() const {
    QStringList names;
    for (int i = 0; i < allFonts.size(); ++i)
        names << allFonts.row(i).name;
    return names;
}

QString OpsFixture::setting(const QString& field) {
    return scalar(QStringLiteral("SELECT [") + field + QStringLiteral("] FROM [Sample Text]"));
}

std::optional<lb::FaceState> OpsFixture::stateOf(const QString& face) const {
    const int i = allFonts.find(face);
    if (i < 0) return std::nullopt;
    return allFonts.row(i).state;
}

} // namespace lbtest
