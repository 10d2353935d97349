#include "support/documents.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>
#include <QRawFont>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <cstdlib>
#include <cstring>
#include <zip.h>

namespace lbtest {

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
        painter.drawText(400, y, QStringLiteral("Hamburgefonstiv"));
        y += 400;
    }
    return painter.end();
}

bool writeZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& parts) {
    int error = 0;
    zip_t* zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) return false;
    bool first = true;
    for (const auto& [name, bytes] : parts) {
        // libzip reads the bytes at zip_close, so each copy lives until then.
        void* copy = malloc(size_t(bytes.size()));
        memcpy(copy, bytes.constData(), size_t(bytes.size()));
        zip_source_t* src = zip_source_buffer(zip, copy, zip_uint64_t(bytes.size()), 1);
        const zip_int64_t i =
            src ? zip_file_add(zip, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) : -1;
        if (i < 0) {
            zip_discard(zip);
            return false;
        }
        if (first) zip_set_file_compression(zip, zip_uint64_t(i), ZIP_CM_STORE, 0);
        first = false;
    }
    return zip_close(zip) == 0;
}

} // namespace lbtest
