#include "support/documents.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRawFont>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <zip.h>

namespace lbtest {

using namespace Qt::StringLiterals;

bool writePdf(const QString& path, const QStringList& fontFiles) {
    // Drawing text needs an application object; the unit tests have none of their own. Its font
    // database is read once, from a configuration listing no fonts, so that only the fonts added
    // here are drawn and no font of an earlier test's home, gone since, stands in for them.
    if (!QGuiApplication::instance()) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QTemporaryFile empty;
        if (!empty.open()) return false;
        empty.write("<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
        empty.flush();
        const QByteArray config = qgetenv("FONTCONFIG_FILE");
        qputenv("FONTCONFIG_FILE", QFile::encodeName(empty.fileName()));
        static int argc = 1;
        static char name[] = "lb_unit_tests";
        static char* argv[] = {name, nullptr};
        new QGuiApplication(argc, argv);
        QFontDatabase::families();
        qputenv("FONTCONFIG_FILE", config);
    }
    QPdfWriter pdf(path);
    QPainter painter;
    if (!painter.begin(&pdf)) return false;
    int y = 400;
    // The fonts leave the process's list again once the page is written: fontconfig's copies of
    // them are freed only then.
    QList<int> added;
    const auto removeAdded = qScopeGuard([&] {
        for (int id : std::as_const(added))
            QFontDatabase::removeApplicationFont(id);
    });
    for (const QString& file : fontFiles) {
        const int id = QFontDatabase::addApplicationFont(file);
        if (id < 0) return false;
        added << id;
        QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
        const QRawFont raw(file, 14);
        font.setWeight(QFont::Weight(raw.weight()));
        font.setStyle(raw.style());
        font.setPointSize(14);
        painter.setFont(font);
        painter.drawText(400, y, u"Hamburgefonstiv"_s);
        y += 400;
    }
    return painter.end();
}

bool writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& parts) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) return false;
    for (const auto& [name, bytes] : parts) {
        // libzip reads the bytes at zip_close, while `parts` still holds them.
        auto* src = zip_source_buffer(zip, bytes.constData(), zip_uint64_t(bytes.size()), 0);
        const auto i =
            src ? zip_file_add(zip, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (i < 0) {
            zip_discard(zip);
            return false;
        }
        if (i == 0) zip_set_file_compression(zip, 0, ZIP_CM_STORE, 0);
    }
    return zip_close(zip) == 0;
}

// What `program` prints; it must end well.
static QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString() << " did not finish";
    EXPECT_EQ(p.exitCode(), 0) << program.toStdString() << ": "
                               << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool havePdfTools() {
    return !QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty() &&
           !QStandardPaths::findExecutable(u"pdffonts"_s).isEmpty();
}

QStringList pdfPages(const QString& pdf) {
    QStringList pages =
        run(u"pdftotext"_s, {u"-layout"_s, u"-enc"_s, u"UTF-8"_s, pdf, u"-"_s}).split(u'\f');
    // pdftotext ends the last page with a form feed too.
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty()) pages.removeLast();
    return pages;
}

QStringList embeddedFonts(const QString& pdf) {
    QStringList out;
    const QStringList lines = run(u"pdffonts"_s, {pdf}).split(u'\n');
    // Two heading lines; then name, type..., and from the end: emb sub uni object-id generation.
    for (qsizetype i = 2; i < lines.size(); ++i) {
        const QStringList cols = lines[i].split(u' ', Qt::SkipEmptyParts);
        if (cols.size() < 6 || cols[cols.size() - 5] != u"yes"_s) continue;
        const qsizetype plus = cols[0].indexOf(u'+');
        out << (plus == 6 ? cols[0].mid(plus + 1) : cols[0]);
    }
    return out;
}

} // namespace lbtest
