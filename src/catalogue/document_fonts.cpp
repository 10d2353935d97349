#include "catalogue/document_fonts.h"

#include "platform/font_folders.h"
#include "platform/hidden_fonts.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>
#include <fontconfig/fontconfig.h>
#include <memory>
#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-font.h>
#include <poppler/cpp/poppler-global.h>
#include <zip.h>

namespace lb {

namespace {

// Words of font-family that name no font.
const QSet<QString> GenericNames = {
    QStringLiteral("serif"),         QStringLiteral("sans-serif"),   QStringLiteral("sans"),
    QStringLiteral("monospace"),     QStringLiteral("mono"),         QStringLiteral("cursive"),
    QStringLiteral("fantasy"),       QStringLiteral("system-ui"),    QStringLiteral("ui-serif"),
    QStringLiteral("ui-sans-serif"), QStringLiteral("ui-monospace"), QStringLiteral("ui-rounded"),
    QStringLiteral("emoji"),         QStringLiteral("math"),         QStringLiteral("fangsong"),
    QStringLiteral("inherit"),       QStringLiteral("initial"),      QStringLiteral("unset"),
    QStringLiteral("revert"),        QStringLiteral("revert-layer"), QStringLiteral("default"),
    QStringLiteral("none")};

// A part of a zip package larger than this is not a document's XML but something planted.
constexpr qint64 MaxPartBytes = qint64(256) << 20;
// A CSS file is read up to this size.
constexpr qint64 MaxCssBytes = qint64(64) << 20;

class Collector {
public:
    explicit Collector(int seconds) : deadline_(qint64(seconds) * 1000) {}
    void add(const QString& raw) {
        const QString name = documentFontName(raw);
        if (name.isEmpty()) return;
        const QString key = name.toCaseFolded();
        if (seen_.contains(key)) return;
        seen_.insert(key);
        names << name;
    }
    void addAll(const QStringList& raws) {
        for (const QString& r : raws)
            add(r);
    }
    bool late() const { return deadline_.hasExpired(); }
    QStringList names;

private:
    QSet<QString> seen_;
    QDeadlineTimer deadline_;
};

// One XML part: SVG and flat OpenDocument (font-family attributes, style attributes, <style>
// sheets), OpenDocument's font-face declarations (svg:font-family), Office Open XML's font table,
// theme and run fonts, spreadsheet fonts, and Scribus's FONT attributes. Returns false when the
// XML is malformed.
class XmlScanner {
public:
    explicit XmlScanner(Collector& out) : out_(out) {}

    // Scans what the reader has; false on an error other than wanting more data.
    bool scan(QXmlStreamReader& xml) {
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType t = xml.readNext();
            if (t == QXmlStreamReader::StartElement) {
                start(xml);
            } else if (t == QXmlStreamReader::EndElement) {
                if (!stack_.isEmpty()) stack_.removeLast();
                if (inStyle_ && xml.name() == QLatin1String("style")) {
                    out_.addAll(cssFontFamilies(styleText_));
                    inStyle_ = false;
                    styleText_.clear();
                }
            } else if (t == QXmlStreamReader::Characters && inStyle_) {
                if (styleText_.size() < MaxCssBytes) styleText_ += xml.text();
            }
            if (out_.late()) return true;
        }
        return xml.error() == QXmlStreamReader::NoError ||
               xml.error() == QXmlStreamReader::PrematureEndOfDocumentError;
    }

private:
    void start(QXmlStreamReader& xml) {
        const QString element = xml.name().toString();
        const QString parent = stack_.isEmpty() ? QString() : stack_.last();
        stack_ << element;
        for (const QXmlStreamAttribute& a : xml.attributes()) {
            const QString name = a.name().toString();
            const QString value = a.value().toString();
            if (name.endsWith(QLatin1String("font-family")) || name == QLatin1String("fontFamily"))
                out_.addAll(cssFamilies(value));
            else if (name == QLatin1String("style"))
                out_.addAll(cssFontFamilies(value));
            else if (name == QLatin1String("typeface") && !value.startsWith(QLatin1Char('+')))
                out_.add(value); // a:latin, a:ea, a:cs, a:font; "+mn-lt" refers to the theme
            else if (name == QLatin1String("FONT"))
                out_.add(value); // Scribus
            else if (element == QLatin1String("rFonts") &&
                     (name == QLatin1String("ascii") || name == QLatin1String("hAnsi") ||
                      name == QLatin1String("eastAsia") || name == QLatin1String("cs")))
                out_.add(value);
            else if (element == QLatin1String("font") && name == QLatin1String("name") &&
                     xml.namespaceUri().contains(QLatin1String("wordprocessingml")))
                out_.add(value); // the font table
            else if ((element == QLatin1String("name") || element == QLatin1String("rFont")) &&
                     (parent == QLatin1String("font") || parent == QLatin1String("rPr")) &&
                     name == QLatin1String("val"))
                out_.add(value); // spreadsheet fonts
        }
        if (element == QLatin1String("style")) {
            inStyle_ = true;
            styleText_.clear();
        }
    }

    Collector& out_;
    QStringList stack_;
    bool inStyle_ = false;
    QString styleText_;
};

QString damaged(const QString& file) {
    return file + QStringLiteral(": the document is damaged; its fonts cannot be read.");
}
QString locked(const QString& file) {
    return file + QStringLiteral(": the document is protected by a password; its fonts cannot be "
                                 "read.");
}
QString tooSlow(const QString& file) {
    return file + QStringLiteral(": the document is too large to read in time; only part of it "
                                 "was read.");
}

void silence(const std::string&, void*) {}

QString readPdf(const QString& path, Collector& out, QString& note) {
    poppler::set_debug_error_function(silence, nullptr);
    // Poppler reads the file through its cross-reference table, page by page: never whole.
    std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_file(QFile::encodeName(path).toStdString()));
    // An encrypted document opens locked; one that does not open at all is damaged.
    if (!doc) return damaged(path);
    if (doc->is_locked()) return locked(path);
    std::unique_ptr<poppler::font_iterator> it(doc->create_font_iterator(0));
    while (it && it->has_next()) {
        for (const poppler::font_info& font : it->next())
            out.add(QString::fromStdString(font.name()));
        if (out.late()) {
            note = tooSlow(path);
            break;
        }
    }
    return {};
}

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

QString readPackage(const QString& path, Collector& out, QString& note) {
    int error = 0;
    std::unique_ptr<zip_t, ZipCloser> zip(
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error));
    if (!zip) return damaged(path);
    const zip_int64_t entries = zip_get_num_entries(zip.get(), 0);
    const auto index = [&](const char* name) { return zip_name_locate(zip.get(), name, 0); };
    const bool openDocument = index("mimetype") >= 0 && index("content.xml") >= 0;
    const bool officeOpenXml = index("[Content_Types].xml") >= 0;
    if (!openDocument && !officeOpenXml)
        return path + QStringLiteral(": the file is a zip archive, not a document whose fonts can "
                                     "be read.");

    const auto readPart = [&](zip_int64_t i, XmlScanner& scanner) -> QString {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(zip.get(), zip_uint64_t(i), 0, &st) != 0) return damaged(path);
        if ((st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE)
            return locked(path);
        std::unique_ptr<zip_file_t, ZipFileCloser> f(
            zip_fopen_index(zip.get(), zip_uint64_t(i), 0));
        if (!f) return damaged(path);
        QXmlStreamReader xml;
        char buffer[1 << 16];
        qint64 total = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(f.get(), buffer, sizeof buffer);
            if (n < 0) return damaged(path);
            if (n == 0) break;
            total += n;
            if (total > MaxPartBytes) return damaged(path);
            xml.addData(QByteArray(buffer, qsizetype(n)));
            if (!scanner.scan(xml)) return damaged(path);
            if (out.late()) {
                note = tooSlow(path);
                return {};
            }
        }
        return scanner.scan(xml) && xml.error() == QXmlStreamReader::NoError ? QString()
                                                                             : damaged(path);
    };

    // OpenDocument encrypts its parts itself and says so in its manifest.
    if (openDocument) {
        const zip_int64_t manifest = index("META-INF/manifest.xml");
        if (manifest >= 0) {
            std::unique_ptr<zip_file_t, ZipFileCloser> f(
                zip_fopen_index(zip.get(), zip_uint64_t(manifest), 0));
            if (f) {
                QByteArray bytes(1 << 20, Qt::Uninitialized);
                const zip_int64_t n = zip_fread(f.get(), bytes.data(), zip_uint64_t(bytes.size()));
                if (n > 0 && bytes.left(qsizetype(n)).contains("encryption-data"))
                    return locked(path);
            }
        }
    }
    for (zip_int64_t i = 0; i < entries; ++i) {
        const char* raw = zip_get_name(zip.get(), zip_uint64_t(i), 0);
        if (!raw) continue;
        const QString name = QString::fromUtf8(raw);
        if (!name.endsWith(QLatin1String(".xml")) || name.startsWith(QLatin1String("META-INF/")) ||
            name.startsWith(QLatin1String("docProps/")) ||
            name.startsWith(QLatin1String("customXml/")))
            continue;
        XmlScanner scanner(out);
        const QString problem = readPart(i, scanner);
        if (!problem.isEmpty()) return problem;
        if (!note.isEmpty()) break;
    }
    return {};
}

QString readXml(QFile& f, Collector& out, QString& note) {
    QXmlStreamReader xml(&f);
    XmlScanner scanner(out);
    if (!scanner.scan(xml) || xml.error() != QXmlStreamReader::NoError) {
        if (out.late()) {
            note = tooSlow(f.fileName());
            return {};
        }
        return damaged(f.fileName());
    }
    if (out.late() && !xml.atEnd()) note = tooSlow(f.fileName());
    return {};
}

} // namespace

QString documentFontName(const QString& raw) {
    QString name = raw.simplified();
    if (name.endsWith(QLatin1String("!important"), Qt::CaseInsensitive))
        name = name.chopped(10).trimmed();
    while (name.size() >= 2 &&
           (name.front() == QLatin1Char('"') || name.front() == QLatin1Char('\'')) &&
           name.back() == name.front())
        name = name.mid(1, name.size() - 2).trimmed();
    // The subset tag of an embedded font: six capitals and a plus.
    static const QRegularExpression subset(QStringLiteral("^[A-Z]{6}\\+"));
    name.remove(subset);
    // "Arial,Bold": a style PDF writers append to a TrueType font's name.
    const qsizetype comma = name.indexOf(QLatin1Char(','));
    if (comma >= 0) name = name.left(comma).trimmed();
    if (GenericNames.contains(name.toLower())) return {};
    return name;
}

QStringList cssFamilies(const QString& value) {
    QStringList out;
    QString current;
    QChar quote;
    for (const QChar c : value) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            current += c;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            current += c;
        } else if (c == QLatin1Char(',')) {
            out << current;
            current.clear();
        } else {
            current += c;
        }
    }
    out << current;
    QStringList names;
    for (const QString& part : std::as_const(out)) {
        const QString name = documentFontName(part);
        if (!name.isEmpty()) names << name;
    }
    return names;
}

QStringList cssFontFamilies(const QString& css) {
    static const QRegularExpression declaration(QStringLiteral("font-family\\s*:\\s*([^;{}]*)"),
                                                QRegularExpression::CaseInsensitiveOption);
    QStringList names;
    for (const QRegularExpressionMatch& m : declaration.globalMatch(css))
        names << cssFamilies(m.captured(1));
    return names;
}

DocumentFonts readDocumentFonts(const QString& path, int seconds) {
    DocumentFonts doc;
    doc.file = path;
    QFile f(path);
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        doc.problem = path + QStringLiteral(": the file cannot be opened: it is not a file.");
        return doc;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        doc.problem =
            path + QStringLiteral(": the file cannot be opened: ") + f.errorString() + u'.';
        return doc;
    }
    Collector out(seconds);
    const QByteArray head = f.peek(1024);
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (head.contains("%PDF-")) {
        f.close();
        doc.problem = readPdf(path, out, doc.note);
    } else if (head.startsWith("PK\x03\x04")) {
        f.close();
        doc.problem = readPackage(path, out, doc.note);
    } else if (head.startsWith("\xD0\xCF\x11\xE0")) {
        // Office documents with a password are kept in this container, as are the older formats.
        doc.problem = path + QStringLiteral(": the document is protected by a password or in an "
                                            "older format; its fonts cannot be read.");
    } else if (suffix == QLatin1String("css")) {
        out.addAll(cssFontFamilies(QString::fromUtf8(f.read(MaxCssBytes))));
    } else if (QString::fromUtf8(head)
                   .trimmed()
                   .remove(QChar(0xFEFF))
                   .startsWith(QLatin1Char('<'))) {
        doc.problem = readXml(f, out, doc.note);
    } else {
        doc.problem = path + QStringLiteral(": not a kind of document whose fonts can be read "
                                            "(PDF, SVG, OpenDocument, Office Open XML, Scribus, "
                                            "CSS).");
    }
    doc.names = doc.problem.isEmpty() ? out.names : QStringList();
    return doc;
}

void FontNameIndex::add(const QString& name, const QString& face) {
    const QString key = name.simplified().toCaseFolded();
    if (key.isEmpty()) return;
    QStringList& faces = faces_[key];
    if (!faces.contains(face)) faces << face;
}

QStringList FontNameIndex::faces(const QString& documentName) const {
    return faces_.value(documentName.simplified().toCaseFolded());
}

FontNameIndex FontNameIndex::installed(const QHash<QString, QString>& faceOfPath) {
    FontNameIndex index;
    for (auto it = faceOfPath.cbegin(); it != faceOfPath.cend(); ++it)
        index.add(it.value(), it.value());
    const FontConfigPtr config = loadUserFontConfig();
    if (!config) return index;
    // Folder by folder from the caches, so that hidden fonts are named too; the folder of links to
    // visible fonts is the program's own view, not installed fonts.
    walkFontFolders(
        config.get(), {}, QFile::encodeName(FontconfigResources::defaultFarmRoot()),
        [&](const FontFolderVisit& v) {
            if (!v.fonts) return;
            for (int i = 0; i < v.fonts->nfont; ++i) {
                FcPattern* p = v.fonts->fonts[i];
                FcChar8* file = nullptr;
                if (FcPatternGetString(p, FC_FILE, 0, &file) != FcResultMatch) continue;
                const QString face =
                    faceOfPath.value(QFile::decodeName(reinterpret_cast<const char*>(file)));
                if (face.isEmpty()) continue;
                const auto values = [&](const char* object) {
                    QStringList out;
                    FcChar8* s = nullptr;
                    for (int n = 0; FcPatternGetString(p, object, n, &s) == FcResultMatch; ++n)
                        out << QString::fromUtf8(reinterpret_cast<const char*>(s));
                    return out;
                };
                const QStringList families = values(FC_FAMILY);
                for (const QString& family : families) {
                    index.add(family, face);
                    for (const QString& style : values(FC_STYLE))
                        index.add(family + QLatin1Char(' ') + style, face);
                }
                for (const QString& full : values(FC_FULLNAME))
                    index.add(full, face);
                for (const QString& ps : values(FC_POSTSCRIPT_NAME))
                    index.add(ps, face);
            }
        });
    return index;
}

} // namespace lb
