#include "reports/report.h"

#include "core/database.h"

#include <QCoreApplication>
#include <QDate>
#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <numeric>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(Report)
};

// Lays `layout` out in lines of `width`, broken between words (inside a word only when the word
// is wider than a line); the height of all its lines.
double layOutLines(QTextLayout& layout, double width, Qt::Alignment align) {
    QTextOption option(align & Qt::AlignHorizontal_Mask);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double y = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
        y += line.height();
    }
    layout.endLayout();
    return y;
}

} // namespace

ReportObject& ReportSection::object(const QString& objectName) {
    for (ReportObject& o : objects)
        if (o.name == objectName) return o;
    throw std::logic_error("report object not in its section: " + objectName.toStdString());
}

// The page being drawn: lengths in points, drawn in the device's pixels.
struct Report::Page {
    QPagedPaintDevice& device;
    QPainter& painter;
    double k;             // device pixels per point
    double width, height; // the printable area, points
    double footerTop;     // where the page footer begins
    double y = 0;         // the next section's top
    double bodyTop = 0;   // below the page header
    int number = 0;

    Page(QPagedPaintDevice& d, QPainter& p)
        : device(d), painter(p), k(d.logicalDpiY() / 72.0), width(d.width() / k),
          height(d.height() / k), footerTop(height) {}

    double lineHeight(const QFont& font) const { return QFontMetricsF(font, &device).height() / k; }
    double objectHeight(const ReportObject& o) const {
        return o.height > 0 ? o.height : lineHeight(o.font);
    }
    double sectionHeight(const ReportSection& s) const {
        double h = 0;
        for (const ReportObject& o : s.objects)
            h = std::max(h, o.y + objectHeight(o));
        return h + s.spaceAfter;
    }
    double objectWidth(const ReportObject& o) const { return o.width > 0 ? o.width : width - o.x; }
    // Makes room for the wrapped lines of every object that can grow, top to bottom: each grows
    // by its lines past the first, and what lies below it moves down as much.
    void grow(ReportSection& s) const {
        std::vector<size_t> order(s.objects.size());
        std::iota(order.begin(), order.end(), size_t(0));
        std::stable_sort(order.begin(), order.end(),
                         [&](size_t a, size_t b) { return s.objects[a].y < s.objects[b].y; });
        for (size_t i : order) {
            ReportObject& o = s.objects[i];
            if (!o.canGrow || !o.visible || o.text.isEmpty()) continue;
            QTextLayout layout(o.text, o.font, &device);
            const double extra =
                layOutLines(layout, objectWidth(o) * k, o.align) / k - lineHeight(o.font);
            if (extra < 0.01) continue;
            const double bottom = o.y + objectHeight(o);
            o.height = objectHeight(o) + extra;
            for (ReportObject& below : s.objects)
                if (&below != &o && below.y >= bottom - 0.01) below.y += extra;
        }
    }
    void draw(const ReportSection& s, double top) {
        for (const ReportObject& o : s.objects) {
            if (!o.visible || o.text.isEmpty()) continue;
            const QRectF box(o.x * k, (top + o.y) * k, objectWidth(o) * k, objectHeight(o) * k);
            painter.save();
            // Nothing runs out of its box into its neighbour.
            painter.setClipRect(box);
            if (o.canGrow) {
                // Whole words on as many lines as grow() made room for.
                QTextLayout layout(o.text, o.font, &device);
                const double h = layOutLines(layout, box.width(), o.align);
                layout.draw(&painter, QPointF(box.left(), box.top() + (box.height() - h) / 2));
            } else {
                painter.setFont(o.font);
                const QString text =
                    QFontMetricsF(o.font, &device).elidedText(o.text, Qt::ElideRight, box.width());
                painter.drawText(box, int(o.align | Qt::AlignVCenter | Qt::TextSingleLine), text);
            }
            painter.restore();
        }
    }
};

QVariant Report::singleRowField(const QString& table, const QString& field) {
    const QString key = table + QLatin1Char('.') + field;
    const auto it = singleRows_.constFind(key);
    if (it != singleRows_.constEnd()) return *it;
    QVariant value;
    if (db_) {
        Statement st = db_->prepare(QStringLiteral("SELECT ") + quoteIdentifier(field) +
                                    QStringLiteral(" FROM ") + quoteIdentifier(table) +
                                    QStringLiteral(" LIMIT 1"));
        if (st.step()) value = st.value(0);
    }
    singleRows_.insert(key, value);
    return value;
}

void Report::fill(ReportSection& s, const QHash<QString, QVariant>& row, int rows) {
    for (ReportObject& o : s.objects) {
        if (o.field.isEmpty()) {
            if (o.name == QLatin1String("Title")) o.text = title_;
            continue;
        }
        if (o.field == PrintDateField) {
            o.text = QLocale().toString(QDate::currentDate(), QLocale::LongFormat);
        } else if (o.field == RecordCountField) {
            o.text = QString::number(rows);
        } else if (row.contains(o.field)) {
            o.text = row.value(o.field).toString();
        } else {
            const qsizetype dot = o.field.indexOf(QLatin1Char('.'));
            o.text = singleRowField(o.field.left(dot), o.field.mid(dot + 1)).toString();
        }
    }
}

ReportRun Report::print(QPagedPaintDevice& device) {
    ReportRun run;
    singleRows_.clear();
    QPainter painter;
    if (!painter.begin(&device)) {
        run.error = T::tr("The printer or file could not be opened.");
        return run;
    }
    Page page(device, painter);
    const QHash<QString, QVariant> noRow;

    // Every section is formatted from its design each time it prints.
    auto formatted = [&](const ReportSection& design, const QHash<QString, QVariant>& row) {
        ReportSection s = design;
        fill(s, row, run.rows);
        if (s.format) s.format(s);
        page.grow(s);
        return s;
    };
    const ReportSection footerAtStart = formatted(pageFooter, noRow);
    page.footerTop = page.height - page.sectionHeight(footerAtStart);

    bool failed = false;
    auto finishPage = [&] {
        const ReportSection footer = formatted(pageFooter, noRow);
        page.draw(footer, page.footerTop);
    };
    auto startPage = [&] {
        if (page.number > 0) {
            finishPage();
            if (!device.newPage()) failed = true;
        }
        ++page.number;
        page.y = 0;
        if (page.number == 1) {
            const ReportSection title = formatted(titleSection, noRow);
            page.draw(title, page.y);
            page.y += page.sectionHeight(title);
        }
        const ReportSection header = formatted(pageHeader, noRow);
        page.draw(header, page.y);
        page.y += page.sectionHeight(header);
        page.bodyTop = page.y;
    };
    // A section that does not fit above the page footer begins a new page; one taller than a
    // whole page is drawn where it is.
    auto place = [&](const ReportSection& s) {
        const double h = page.sectionHeight(s);
        if ((s.newPageBefore || page.y + h > page.footerTop) && page.y > page.bodyTop) startPage();
        page.draw(s, page.y);
        page.y += h;
    };

    startPage();
    for (const ReportSection& s : body) {
        if (failed) break;
        place(formatted(s, noRow));
    }
    if (db_ && !recordSource_.isEmpty() && !failed) {
        Statement st =
            db_->prepare(QStringLiteral("SELECT * FROM ") + quoteIdentifier(recordSource_));
        QHash<QString, QVariant> row;
        while (!failed && st.step()) {
            for (int i = 0; i < st.columnCount(); ++i)
                row.insert(recordSource_ + QLatin1Char('.') + st.columnName(i), st.value(i));
            const ReportSection s = formatted(detail, row);
            ++run.rows;
            place(s);
        }
    }
    if (!failed) place(formatted(reportFooter, noRow));
    finishPage();
    run.pages = page.number;
    if (!painter.end() || failed) {
        run.error = T::tr("The report could not be written out completely.");
        return run;
    }
    run.ok = true;
    return run;
}

} // namespace lb
