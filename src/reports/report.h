#pragma once

#include <QFont>
#include <QHash>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace lb {

class Database;

// One text object of a section: a label with its own text, or a field whose text comes from the
// data each time its section is formatted. Lengths are in points, from the left margin and from
// the top of the section.
struct ReportObject {
    QString name;
    QString text;
    // "Table.Field" of the data, or one of the special fields below; empty for a label.
    QString field;
    QFont font;
    double x = 0, y = 0, width = 0;
    double height = 0; // 0: one line of the font
    Qt::Alignment align = Qt::AlignLeft;
    bool visible = true;
    // A text wider than the box wraps between words and the box grows, moving the objects below
    // it down; otherwise the text ends in an ellipsis at the box's edge.
    bool canGrow = false;
};

// Special fields every report knows.
inline const QString PrintDateField = QStringLiteral("PrintDate");
inline const QString RecordCountField = QStringLiteral("RecordCount");

// A band of the report. Its format callback runs each time it is about to be printed, after its
// fields are filled, so the program can change texts, faces and visibility of named objects.
struct ReportSection {
    explicit ReportSection(QString sectionName = {}) : name(std::move(sectionName)) {}

    QString name;
    std::vector<ReportObject> objects;
    double spaceAfter = 0;
    bool newPageBefore = false; // begins a page of its own, unless the page is still empty
    std::function<void(ReportSection&)> format;

    ReportObject& add(ReportObject o) { return objects.emplace_back(std::move(o)); }
    // The object of that name; the section must have it.
    ReportObject& object(const QString& name);
};

// What printing a report did.
struct ReportRun {
    bool ok = false;
    int pages = 0;
    int rows = 0; // detail rows printed
    QString error;
};

// A report: a title printed once, a page header on every page, the body sections in order, one
// detail section per row of the record source, a report footer after the last row and a page
// footer at the foot of every page. Pages are laid out and handed to the device one at a time:
// nothing but the page being drawn is held.
class Report {
public:
    ReportSection titleSection{QStringLiteral("Title")};
    ReportSection pageHeader{QStringLiteral("PageHeader")};
    std::vector<ReportSection> body;
    ReportSection detail{QStringLiteral("Detail")};
    ReportSection reportFooter{QStringLiteral("ReportFooter")};
    ReportSection pageFooter{QStringLiteral("PageFooter")};

    // The title; an object named "Title" in the title section shows it.
    void setTitle(const QString& title) { title_ = title; }
    const QString& title() const { return title_; }
    // The database every field is read from (the open connection of the run).
    void setDatabase(Database* db) { db_ = db; }
    // The table or stored query whose rows the detail section prints, in its own order; none
    // prints no details.
    void setRecordSource(const QString& tableOrQuery) { recordSource_ = tableOrQuery; }

    // Lays the report out on `device` and draws it. The device must be ready to paint on.
    ReportRun print(QPagedPaintDevice& device);

private:
    struct Page;
    QVariant singleRowField(const QString& table, const QString& field);
    void fill(ReportSection& s, const QHash<QString, QVariant>& row, int rows);

    QString title_;
    Database* db_ = nullptr;
    QString recordSource_;
    QHash<QString, QVariant> singleRows_; // "Table.Field" of one-row tables, read once
};

} // namespace lb
