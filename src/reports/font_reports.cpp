#include "reports/font_reports.h"

#include "activation/activation.h"
#include "core/schema.h"
#include "platform/font_charmap.h"
#include "platform/qt_face_drawing.h"
#include "samples/sample_pane.h"

#include <QCoreApplication>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(FontReports)
};
} // namespace

namespace {

QFont arial(int points, bool bold = false, bool italic = false) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(points);
    f.setBold(bold);
    f.setItalic(italic);
    return f;
}

ReportObject label(const QString& name, const QString& text, const QFont& font, double x,
                   double width, double y = 0) {
    ReportObject o;
    o.name = name;
    o.text = text;
    o.font = font;
    o.x = x;
    o.width = width;
    o.y = y;
    return o;
}

ReportObject field(const QString& name, const QString& source, const QFont& font, double x,
                   double width, double y = 0) {
    ReportObject o = label(name, {}, font, x, width, y);
    o.field = source;
    return o;
}

// A field printed whole: a face name or a sample is never cut, it wraps between words.
ReportObject wholeField(const QString& name, const QString& source, const QFont& font, double x,
                        double width, double y = 0) {
    ReportObject o = field(name, source, font, x, width, y);
    o.canGrow = true;
    return o;
}

// "Printed on " and the date, and the product line: the foot of every page of both reports.
ReportSection pageFooter() {
    ReportSection s{QStringLiteral("PageFooter")};
    s.add(field(QStringLiteral("PrintedOn"), PrintDateField, arial(8), 0, 280, 6));
    ReportObject product = label(QStringLiteral("lblProduct"), AppTitle, arial(8), 300, 180, 6);
    product.align = Qt::AlignRight;
    s.add(product);
    s.format = [](ReportSection& sec) {
        ReportObject& date = sec.object(QStringLiteral("PrintedOn"));
        date.text = T::tr("Printed on %1").arg(date.text);
    };
    return s;
}

// Windows-1252 at 0x80 to 0x9F; 0 where the code page has no character.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QString chartCharacter(int code, bool symbolFont) {
    if (code < 32 || code > 255) return {};
    if (symbolFont) return QString(QChar(char16_t(0xF000 + code)));
    if (code == 127) return {};
    if (code >= 0x80 && code <= 0x9F) {
        const char16_t c = Cp1252High[code - 0x80];
        return c ? QString(QChar(c)) : QString();
    }
    return QString(QChar(char16_t(code))); // the rest of the code page is Latin-1
}

void Query_FontList(AppState& app, int mode) {
    QString sql;
    if (mode == 1)
        sql = QStringLiteral("SELECT DISTINCT [Fonts].[Face Name] as [Font Name]") +
              QStringLiteral(" From [Fonts]") + QStringLiteral(" ORDER BY [Fonts].[Face Name];");
    else if (mode == 2)
        sql = QStringLiteral("SELECT [Assigned Fonts].[Font Name]") +
              QStringLiteral(" From [Assigned Fonts], [Sample Text]") +
              QStringLiteral(" Where ((([Assigned Fonts].[Set Name]) = "
                             "[Sample Text].[Selected Set]))") +
              QStringLiteral(" ORDER BY [Assigned Fonts].[Font Name];");
    else
        return;
    Database::Transaction t(*app.db);
    try {
        app.db->deleteQuery(tbl::FontList);
    } catch (const DbError&) {
        // It may not exist yet.
    }
    app.db->createQuery(tbl::FontList, sql);
    t.commit();
}

QString fontListTitle(const AppState& app, int mode) {
    if (mode == 2) return T::tr("Assigned Fonts List for Set: %1").arg(app.currentSetName);
    return T::tr("All Fonts List");
}

FacePrint facePrint(MainContext& ctx, QtFaceDrawing& drawing, const QString& face) {
    const QStringList files = faceFiles(ctx.app, face);
    if (files.isEmpty()) return FacePrint::NotInstalled;
    // An inactive font is never printed: whatever face came out would not be that font's.
    if (stateOfFace(ctx, face) == FaceState::Inactive) return FacePrint::Inactive;
    if (!drawing.known(face) && !drawing.load(face, files)) return FacePrint::Unreadable;
    return FacePrint::Printable;
}

QString noSampleText(FacePrint why) {
    switch (why) {
    case FacePrint::NotInstalled:
        return T::tr("Not installed: no sample");
    case FacePrint::Inactive:
        return T::tr("Inactive font: no sample");
    case FacePrint::Unreadable:
        return T::tr("The font's files cannot be read: no sample");
    case FacePrint::Printable:
        break;
    }
    return {};
}

std::unique_ptr<Report> dsrFontList(MainContext& ctx, QtFaceDrawing& drawing) {
    auto r = std::make_unique<Report>();
    r->setDatabase(ctx.app.db.get());
    r->setRecordSource(tbl::FontList);

    r->titleSection.add(label(QStringLiteral("Title"), {}, arial(16, true), 0, ReportWidth));
    r->titleSection.spaceAfter = 8;

    r->pageHeader.add(label(QStringLiteral("lblFontName"), T::tr("Font Name"), arial(10), 0, 150));
    r->pageHeader.add(label(QStringLiteral("lblSampleText"), T::tr("Sample Text in FontSize 12"),
                            arial(10), 160, 320));
    r->pageHeader.spaceAfter = 6;

    r->detail.add(wholeField(QStringLiteral("FontName"),
                             tbl::FontList + QStringLiteral(".Font Name"), arial(10), 0, 150));
    r->detail.add(wholeField(QStringLiteral("SampleText"),
                             tbl::SampleText + QStringLiteral(".") + fld::SampleText, arial(10),
                             160, 320));
    r->detail.spaceAfter = 2;
    // Each line: the sample in the line's own face, with the pane's styles.
    r->detail.format = [&ctx, &drawing](ReportSection& s) {
        ReportObject& name = s.object(QStringLiteral("FontName"));
        ReportObject& sample = s.object(QStringLiteral("SampleText"));
        const FacePrint how = facePrint(ctx, drawing, name.text);
        if (how != FacePrint::Printable) {
            // Marked as the lists mark it: an inactive font struck through.
            name.font.setStrikeOut(how == FacePrint::Inactive);
            sample.text = noSampleText(how);
            sample.font = arial(10, false, true);
            return;
        }
        AppState& app = ctx.app;
        sample.text = drawableSample(faceFiles(app, name.text), sample.text);
        sample.font =
            drawing.printFont(name.text, ListSamplePoints, app.bold, app.italic, app.underline);
    };

    ReportObject total =
        label(QStringLiteral("lblTotal"), T::tr("Total Fonts:"), arial(10), 0, 70, 8);
    r->reportFooter.add(total);
    r->reportFooter.add(
        field(QStringLiteral("TotalFonts"), RecordCountField, arial(10), 72, 100, 8));
    r->pageFooter = pageFooter();
    return r;
}

std::unique_ptr<Report> dsrFontSize(MainContext& ctx, QtFaceDrawing& drawing) {
    auto r = std::make_unique<Report>();
    r->setDatabase(ctx.app.db.get());
    const QString selectedFont = tbl::SampleText + QStringLiteral(".") + fld::SelectedFont;
    const QString sampleText = tbl::SampleText + QStringLiteral(".") + fld::SampleText;

    // The face every sample and chart object is drawn in, kept by the heading; empty when the
    // face cannot be printed as itself, and then nothing is drawn in its place.
    struct Shared {
        QString face;
        QStringList files;
        bool symbol = false;
    };
    auto shared = std::make_shared<Shared>();

    auto heading = [&](const QString& name, const QString& text) {
        ReportSection s{name};
        s.add(label(QStringLiteral("lblHeading"), text, arial(16), 0, 170, 3));
        s.add(wholeField(QStringLiteral("FontName"), selectedFont, arial(20, true), 170, 310));
        s.add(label(QStringLiteral("Note"), {}, arial(10, false, true), 0, ReportWidth, 30));
        s.spaceAfter = 10;
        s.format = [&ctx, &drawing, shared](ReportSection& sec) {
            const QString face = sec.object(QStringLiteral("FontName")).text;
            const FacePrint how = facePrint(ctx, drawing, face);
            sec.object(QStringLiteral("Note")).text = noSampleText(how);
            const bool printable = how == FacePrint::Printable;
            shared->face = printable ? face : QString();
            shared->files = printable ? faceFiles(ctx.app, face) : QStringList();
            shared->symbol = printable && symbolMapOnly(shared->files);
        };
        return s;
    };
    r->body.push_back(heading(QStringLiteral("Heading"), T::tr("Sample Text Display:")));

    struct Style {
        const char* name;
        bool bold, italic;
    };
    for (const Style& st : {Style{QT_TRANSLATE_NOOP("FontReports", "Regular"), false, false},
                            Style{QT_TRANSLATE_NOOP("FontReports", "Bold"), true, false},
                            Style{QT_TRANSLATE_NOOP("FontReports", "Italics"), false, true},
                            Style{QT_TRANSLATE_NOOP("FontReports", "Bold Italics"), true, true}}) {
        ReportSection s{QString::fromLatin1(st.name)};
        s.add(label(QStringLiteral("lblStyle"), T::tr(st.name), arial(16, st.bold, st.italic), 0,
                    ReportWidth));
        double y = 26;
        for (int points : StyleRowPoints) {
            ReportObject o = wholeField(QStringLiteral("Sample%1").arg(points), sampleText,
                                        arial(10), 20, ReportWidth - 20, y);
            o.height = points * 1.5;
            y += o.height;
            s.add(o);
        }
        s.spaceAfter = 10;
        s.format = [&drawing, shared, st](ReportSection& sec) {
            for (int points : StyleRowPoints) {
                ReportObject& o = sec.object(QStringLiteral("Sample%1").arg(points));
                o.visible = !shared->face.isEmpty();
                if (!o.visible) continue;
                o.font = drawing.printFont(shared->face, points, st.bold, st.italic, false);
                o.text = drawableSample(shared->files, o.text);
            }
        };
        r->body.push_back(std::move(s));
    }

    ReportSection chartHeading =
        heading(QStringLiteral("ChartHeading"), T::tr("Ascii Text Display:"));
    chartHeading.newPageBefore = true;
    r->body.push_back(std::move(chartHeading));

    const double cell = ReportWidth / ChartColumns;
    for (int first = 1; first <= 255; first += ChartColumns) {
        const int last = std::min(255, first + ChartColumns - 1);
        ReportSection s{QStringLiteral("Chart%1").arg(first, 3, 10, QLatin1Char('0'))};
        for (int code = first; code <= last; ++code) {
            const double x = (code - first) * cell;
            ReportObject c =
                label(QStringLiteral("Code%1").arg(code),
                      QStringLiteral("%1").arg(code, 3, 10, QLatin1Char('0')), arial(10), x, cell);
            c.align = Qt::AlignHCenter;
            s.add(c);
            ReportObject ch = label(QStringLiteral("Char%1").arg(code), {}, arial(10), x, cell, 15);
            ch.height = ChartPoints * 1.7;
            ch.align = Qt::AlignHCenter;
            s.add(ch);
        }
        s.spaceAfter = 6;
        s.format = [&drawing, shared, first, last](ReportSection& sec) {
            for (int code = first; code <= last; ++code) {
                ReportObject& ch = sec.object(QStringLiteral("Char%1").arg(code));
                if (shared->face.isEmpty()) continue;
                ch.font = drawing.font(shared->face, ChartPoints, false, false, false);
                ch.text = chartCharacter(code, shared->symbol);
            }
        };
        r->body.push_back(std::move(s));
    }
    r->pageFooter = pageFooter();
    return r;
}

} // namespace lb
