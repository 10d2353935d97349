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

QStringList embeddedFonts(const QString& pdf) {
    QStringList out;
    const QStringList lines = run(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'));
    // Two heading lines; then name, type..., and from the end: emb sub uni object-id generation.
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (cols.size() < 6 || cols[cols.size() - 5] != QLatin1String("yes")) continue;
        const qsizetype plus = cols[0].indexOf(QLatin1Char('+'));
        out << (plus == 6 ? cols[0].mid(plus + 1) : cols[0]);
    }
    return out;
}

} // namespace lbtest
