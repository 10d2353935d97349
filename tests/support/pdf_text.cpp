#include "support/pdf_text.h"

#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

namespace lbtest {

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString() << " did not finish";
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

bool havePdfTools() {
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty();
}

QStringList pdfPages(const QString& pdf) {
    QStringList pages =
        run(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                          QStringLiteral("UTF-8"), pdf, QStringLiteral("-")})
            .split(QLatin1Char('\f'));
    // pdftotext ends the last page with a form feed too.
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

std::vector<PdfFont> pdfFonts(const QString& pdf) {
    std::vector<PdfFont> fonts;
    const QStringList lines = run(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'));
    // Two heading lines; then name, type..., "emb" "sub" "uni" as yes/no columns.
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (cols.size() < 6) continue;
        QString name = cols[0];
        const qsizetype plus = name.indexOf(QLatin1Char('+'));
        if (plus == 6) name = name.mid(plus + 1);
        // Columns from the end: emb sub uni object-id generation.
        const QString emb = cols[cols.size() - 5];
        fonts.push_back({name, emb == QLatin1String("yes")});
    }
    return fonts;
}

QStringList embeddedFonts(const QString& pdf) {
    QStringList out;
    for (const PdfFont& f : pdfFonts(pdf))
        if (f.embedded) out << f.name;
    return out;
}

} // namespace lbtest
