#include "ctl/commands.h"

#include "activation/activation.h"
#include "activation/deletion.h"
#include "catalogue/font_check.h"
#include "catalogue/font_lists.h"
#include "catalogue/refresh.h"
#include "catalogue/system_fonts.h"
#include "core/paths.h"
#include "core/schema.h"
#include "core/settings.h"
#include "ctl/json.h"
#include "ctl/session.h"
#include "ctl/set_document.h"
#include "preview/installation.h"
#include "sets/assignment.h"
#include "sets/document_set.h"
#include "sets/set_maintenance.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <exception>

namespace lb::ctl {

namespace {

const QString Json = QStringLiteral("json");
const QString Yes = QStringLiteral("yes");

void writeOut(const QByteArray& bytes) {
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void printLine(const QString& text) {
    writeOut(text.toUtf8() + '\n');
}

// The one JSON document a command writes with --json.
void writeJson(const QJsonObject& document) {
    writeOut(QJsonDocument(document).toJson(QJsonDocument::Indented));
}

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

// A name as people read it: control characters a font or an older database may hold are shown
// as escapes, so they never move the cursor, clear the screen or split a line.
QString visible(const QString& name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c.category() != QChar::Other_Control) {
            out += c;
        } else if (c == QLatin1Char('\t')) {
            out += QStringLiteral("\\t");
        } else if (c == QLatin1Char('\n')) {
            out += QStringLiteral("\\n");
        } else if (c == QLatin1Char('\r')) {
            out += QStringLiteral("\\r");
        } else {
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        }
    }
    return out;
}

QString quoted(const QString& name) {
    return QStringLiteral("\"") + visible(name) + QStringLiteral("\"");
}

// Table rows for people: columns padded to their widest cell. A row of one cell is a line of its
// own under the row before (a font's files), outside the columns. Every cell is shown visible.
void printTable(std::vector<QStringList> rows) {
    for (QStringList& row : rows)
        for (QString& cell : row)
            cell = visible(cell);
    std::vector<qsizetype> widths;
    for (const QStringList& row : rows) {
        if (row.size() < 2) continue;
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (size_t(i) >= widths.size()) widths.push_back(0);
            widths[size_t(i)] = std::max(widths[size_t(i)], row[i].size());
        }
    }
    QByteArray out;
    for (const QStringList& row : rows) {
        QString line;
        for (qsizetype i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[size_t(i)] + 2) : row[i];
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        out += line.toUtf8() + '\n';
        if (out.size() > (1 << 16)) {
            writeOut(out);
            out.clear();
        }
    }
    writeOut(out);
}

// A shell pattern as a regular expression over the whole name. Qt's own wildcard conversion
// (6.4) takes '/' for a path separator that '*' and '?' never match, and a face name is not a
// path; fnmatch folds letter case only as the locale allows.
QRegularExpression globExpression(const QString& glob) {
    QString re;
    for (qsizetype i = 0; i < glob.size(); ++i) {
        const QChar c = glob[i];
        if (c == QLatin1Char('*')) {
            re += QStringLiteral(".*");
        } else if (c == QLatin1Char('?')) {
            re += QLatin1Char('.');
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = glob.indexOf(QLatin1Char(']'), i + 2);
            if (close < 0) {
                re += QStringLiteral("\\[");
                continue;
            }
            QString set = glob.mid(i + 1, close - i - 1);
            const bool negate = set.startsWith(QLatin1Char('!'));
            if (negate) set.remove(0, 1);
            set.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
            set.replace(QLatin1Char('['), QStringLiteral("\\["));
            re += QLatin1Char('[') + (negate ? QStringLiteral("^") : QString()) + set +
                  QLatin1Char(']');
            i = close;
        } else {
            re += QRegularExpression::escape(QString(c));
        }
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(re),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

// Fonts of a list named on the command line: by name exactly, else by the name without regard to
// letter case (as the database compares), and by patterns.
struct Picked {
    std::vector<int> rows;
    QStringList unknown;   // names no row has
    QStringList unmatched; // patterns no row matches
};

Picked pick(const FontListModel& list, const QStringList& names, const QStringList& globs) {
    Picked p;
    QHash<QString, int> exact, folded;
    for (int i = list.size() - 1; i >= 0; --i) {
        exact.insert(list.row(i).name, i);
        folded.insert(list.row(i).name.toCaseFolded(), i);
    }
    QSet<int> taken;
    const auto take = [&](int row) {
        if (!taken.contains(row)) p.rows.push_back(row);
        taken.insert(row);
    };
    for (const QString& name : names) {
        int row = exact.value(name, -1);
        if (row < 0) row = folded.value(name.toCaseFolded(), -1);
        if (row < 0)
            p.unknown << name;
        else
            take(row);
    }
    for (const QString& glob : globs) {
        const QRegularExpression re = globExpression(glob);
        bool any = false;
        for (int i = 0; i < list.size(); ++i)
            if (re.match(list.row(i).name).hasMatch()) {
                take(i);
                any = true;
            }
        if (!any) p.unmatched << glob;
    }
    std::sort(p.rows.begin(), p.rows.end());
    return p;
}

// Selects exactly these rows, as clicks in the list would.
void selectRows(AppState& app, FontListModel& list, const std::vector<int>& rows) {
    for (int i = 0; i < list.size(); ++i)
        list.setSelected(i, false);
    for (int row : rows)
        list.setSelected(row, true);
    list.selectedCount = int(rows.size());
    list.anchor = rows.empty() ? -1 : rows.front();
    app.pickedFontName = rows.size() == 1 ? list.row(rows.front()).name : QString();
}

QString stateName(FaceState state) {
    switch (state) {
    case FaceState::Inactive:
        return QStringLiteral("inactive");
    case FaceState::System:
        return QStringLiteral("system");
    default:
        return QStringLiteral("active");
    }
}

qint64 count(AppState& app, const QString& sql) {
    Statement st = app.db->prepare(sql);
    return st.step() ? st.int64(0) : 0;
}

// Sets of each font (case-folded font name), in the order the set box shows them.
QHash<QString, QStringList> setsOfFonts(AppState& app) {
    QHash<QString, QStringList> sets;
    Statement st = app.db->prepare(
        QStringLiteral("SELECT [Font Name], [Set Name] FROM [Assigned Fonts] ORDER BY [Set Name], "
                       "[Set Name] COLLATE BINARY"));
    while (st.step())
        sets[st.text(0).toCaseFolded()] << st.text(1);
    return sets;
}

struct ImportedSet;
struct InstallSource;
struct InstallRun;

class Command {
public:
    Command(Session& s, const Invocation& inv) : s_(s), inv_(inv), json_(inv.has(Json)) {}

    int refuse(const QString& why) {
        s_.view.finish();
        printError(why);
        return Refused;
    }

    // After an operation: a refusal or a declined question is a refusal; else its result.
    int result(const QString& message) {
        s_.view.finish();
        if (!s_.boxes.refusals.isEmpty() || !s_.boxes.declined.isEmpty()) return Refused;
        if (json_)
            writeJson({{QStringLiteral("message"), message}});
        else
            printLine(message);
        return Done;
    }

    // Copies and damaged fonts; found ones make the exit code 1, for scripts.
    int check() {
        FontconfigInspector inspector;
        const FontCheck found = checkFonts(inspector);
        s_.view.finish();
        if (json_) {
            QJsonArray groups, damaged;
            for (const DuplicateGroup& g : found.duplicates) {
                QJsonArray copies;
                for (const FontCopy& c : g.copies)
                    copies.append(
                        QJsonObject{{QStringLiteral("file"), displayPath(c.path)},
                                    {QStringLiteral("size"), double(c.size)},
                                    {QStringLiteral("modified"), c.modified.toString(Qt::ISODate)},
                                    {QStringLiteral("version"), c.version},
                                    {QStringLiteral("format"), c.format},
                                    {QStringLiteral("in_use"), c.inUse}});
                groups.append(QJsonObject{{QStringLiteral("family"), g.family},
                                          {QStringLiteral("style"), g.style},
                                          {QStringLiteral("identical"), g.identical},
                                          {QStringLiteral("copies"), copies}});
            }
            for (const DamagedFont& d : found.damaged)
                damaged.append(QJsonObject{{QStringLiteral("file"), displayPath(d.path)},
                                           {QStringLiteral("problem"), d.problem}});
            writeOut(QJsonDocument(QJsonObject{{QStringLiteral("duplicates"), groups},
                                               {QStringLiteral("damaged"), damaged}})
                         .toJson(QJsonDocument::Indented));
        } else {
            std::vector<QStringList> table;
            for (const DuplicateGroup& g : found.duplicates) {
                table.push_back({g.family + QLatin1Char(' ') + g.style +
                                 (g.identical ? QStringLiteral(" (identical copies)")
                                              : QStringLiteral(" (different copies)"))});
                for (const FontCopy& c : g.copies)
                    table.push_back({QStringLiteral("  ") + displayPath(c.path),
                                     c.version.isEmpty() ? QStringLiteral("-") : c.version,
                                     c.format, QString::number(c.size),
                                     c.modified.toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                                     c.inUse ? QStringLiteral("in use") : QString()});
            }
            if (!found.damaged.empty()) table.push_back({QStringLiteral("Damaged fonts")});
            for (const DamagedFont& d : found.damaged) {
                table.push_back({QStringLiteral("  ") + displayPath(d.path)});
                table.push_back({QStringLiteral("    ") + d.problem});
            }
            if (!found.found()) table.push_back({QStringLiteral("No duplicate or damaged fonts.")});
            printTable(std::move(table));
        }
        return found.found() ? Refused : Done;
    }

    // The stored spelling of a set named on the command line; refuses when there is none.
    bool existingSet(const QString& typed, QString& stored) {
        s_.app.datSets->refresh();
        stored = findSet(s_.app, typed);
        if (stored.isEmpty()) refuse(QStringLiteral("No set is named ") + quoted(typed) + '.');
        return !stored.isEmpty();
    }

    int status() {
        AppState& app = s_.app;
        s_.loadSystemFonts();
        int typefaces = 0, inactive = 0, system = 0;
        QSet<QString> distinct; // the faces of a collection share their file
        forEachFace(*app.db, [&](const QString& face, const QStringList& f) {
            ++typefaces;
            for (const QString& ref : f)
                distinct.insert(refFile(ref));
            const FaceState state = faceState(s_.ctx, face, f);
            inactive += state == FaceState::Inactive;
            system += state == FaceState::System;
        });
        const qint64 files = distinct.size();
        const qint64 sets = count(app, QStringLiteral("SELECT count(*) FROM [Sets]"));
        const qint64 assignments =
            count(app, QStringLiteral("SELECT count(*) FROM [Assigned Fonts]"));
        const QString active = activatedSet(app);
        const bool inStep = fontStateInStep(s_.ctx);
        if (json_) {
            writeJson({{QStringLiteral("database"), app.databasePath},
                       {QStringLiteral("fontsFolder"), app.fontsFolder},
                       {QStringLiteral("activeSet"), textOrNull(active)},
                       {QStringLiteral("typefaces"), typefaces},
                       {QStringLiteral("files"), files},
                       {QStringLiteral("inactive"), inactive},
                       {QStringLiteral("system"), system},
                       {QStringLiteral("sets"), sets},
                       {QStringLiteral("assignments"), assignments},
                       {QStringLiteral("autoAssign"), app.addAutoAssign},
                       {QStringLiteral("hiddenFontsInStep"), inStep}});
            return Done;
        }
        printTable({
            {QStringLiteral("Database:"), app.databasePath},
            {QStringLiteral("Fonts folder:"), app.fontsFolder},
            {QStringLiteral("Active set:"),
             active.isEmpty() ? QStringLiteral("none, all sets are active") : quoted(active)},
            {QStringLiteral("Fonts:"),
             QStringLiteral("%1 typefaces in %2 files, %3 inactive, %4 system")
                 .arg(typefaces)
                 .arg(files)
                 .arg(inactive)
                 .arg(system)},
            {QStringLiteral("Sets:"),
             QStringLiteral("%1 sets, %2 assignments").arg(sets).arg(assignments)},
            {QStringLiteral("AutoAssign:"),
             app.addAutoAssign ? QStringLiteral("on at refresh") : QStringLiteral("off")},
        });
        if (!inStep)
            printLine(
                QStringLiteral("The hidden fonts are not what the database records: the next start "
                               "of letterbay or traywick puts them right, as does ") +
                (active.isEmpty() ? QStringLiteral("'letterbayctl activate --all'.")
                                  : QStringLiteral("'letterbayctl activate ") + quoted(active) +
                                        QStringLiteral("'.")));
        return Done;
    }

    int fonts() {
        if (inv_.has(QStringLiteral("for"))) return fontsForDocuments();
        if (!inv_.args.isEmpty()) return usage(QStringLiteral("documents are named after --for"));
        AppState& app = s_.app;
        s_.loadSystemFonts();
        QString set;
        if (inv_.values.contains(QStringLiteral("set")) &&
            !existingSet(inv_.value(QStringLiteral("set")), set))
            return Refused;
        const QSet<QString> members = setMembers(app, set);
        const QHash<QString, QStringList> setsOf = setsOfFonts(app);
        const bool unassigned = inv_.has(QStringLiteral("unassigned"));
        const bool onlyInactive = inv_.has(QStringLiteral("inactive"));
        const bool withFiles = inv_.has(QStringLiteral("files"));

        QByteArray out;
        std::vector<QStringList> table;
        if (json_)
            out = "{\"fonts\": [";
        else
            table.push_back(
                {QStringLiteral("FONT"), QStringLiteral("STATE"), QStringLiteral("SETS")});
        int listed = 0, inactive = 0;
        forEachFace(*app.db, [&](const QString& face, const QStringList& files) {
            const QString folded = face.toCaseFolded();
            if (!set.isEmpty() && !members.contains(folded)) return;
            const QStringList sets = setsOf.value(folded);
            if (unassigned && !sets.isEmpty()) return;
            const FaceState state = faceState(s_.ctx, face, files);
            if (onlyInactive && state != FaceState::Inactive) return;
            ++listed;
            inactive += state == FaceState::Inactive;
            if (json_) {
                QStringList paths;
                for (const QString& f : files)
                    paths << s_.fontconfig.absolutePath(refFile(f));
                paths.removeDuplicates();
                out += listed > 1 ? ",\n  " : "\n  ";
                // Written a row at a time: a catalogue of tens of thousands of fonts is never
                // held whole.
                out +=
                    QJsonDocument(
                        QJsonObject{{QStringLiteral("name"), face},
                                    {QStringLiteral("state"), stateName(state)},
                                    {QStringLiteral("sets"), QJsonArray::fromStringList(sets)},
                                    {QStringLiteral("files"), QJsonArray::fromStringList(paths)}})
                        .toJson(QJsonDocument::Compact);
                if (out.size() > (1 << 16)) {
                    writeOut(out);
                    out.clear();
                }
                return;
            }
            table.push_back({face, stateName(state), sets.join(QStringLiteral(", "))});
            if (withFiles) {
                QStringList paths;
                for (const QString& f : files)
                    paths << s_.fontconfig.absolutePath(refFile(f));
                paths.removeDuplicates();
                for (const QString& p : std::as_const(paths))
                    table.push_back({QStringLiteral("  ") + p});
            }
        });
        if (json_) {
            writeOut(out + (listed ? "\n]}\n" : "]}\n"));
            return Done;
        }
        if (listed > 0) printTable(std::move(table));
        printLine(QStringLiteral("%1 %2, %3 inactive")
                      .arg(listed)
                      .arg(listed == 1 ? QStringLiteral("typeface") : QStringLiteral("typefaces"))
                      .arg(inactive));
        return Done;
    }

    int sets() {
        AppState& app = s_.app;
        QStringList names = setNames(app);
        sortNames(names);
        QHash<QString, qint64> sizes;
        Statement st = app.db->prepare(QStringLiteral(
            "SELECT [Set Name], count(*) FROM [Assigned Fonts] GROUP BY [Set Name]"));
        while (st.step())
            sizes[st.text(0).toCaseFolded()] += st.int64(1);
        const QString active = activatedSet(app);
        const auto isActive = [&](const QString& n) {
            return !active.isEmpty() && compareNoCase(n, active) == 0;
        };
        if (json_) {
            QJsonArray list;
            for (const QString& n : std::as_const(names))
                list.append(QJsonObject{{QStringLiteral("name"), n},
                                        {QStringLiteral("fonts"), sizes.value(n.toCaseFolded())},
                                        {QStringLiteral("active"), isActive(n)}});
            writeJson({{QStringLiteral("sets"), list}});
            return Done;
        }
        std::vector<QStringList> table{{QStringLiteral("SET"), QStringLiteral("FONTS"), {}}};
        for (const QString& n : names)
            table.push_back({n, QString::number(sizes.value(n.toCaseFolded())),
                             isActive(n) ? QStringLiteral("active") : QString()});
        if (!names.isEmpty()) printTable(std::move(table));
        printLine(QStringLiteral("%1 %2, ")
                      .arg(names.size())
                      .arg(names.size() == 1 ? QStringLiteral("set") : QStringLiteral("sets")) +
                  (active.isEmpty() ? QStringLiteral("all active")
                                    : quoted(active) + QStringLiteral(" active")));
        return Done;
    }

    int refresh() {
        s_.boxes.answerYes = inv_.has(Yes);
        Refresh_Fonts(s_.ctx);
        s_.view.finish();
        if (!s_.boxes.refusals.isEmpty()) return Refused;
        // Folders gone or emptied (a disk not mounted) keep their fonts and assignments unless
        // --yes says otherwise; the rest of the catalogue is refreshed. A script must notice.
        if (!s_.boxes.declined.isEmpty()) {
            printError(QStringLiteral("Those fonts were kept; the rest of the catalogue was "
                                      "refreshed."));
            return Refused;
        }
        if (json_) {
            writeJson({{QStringLiteral("message"), s_.view.message},
                       {QStringLiteral("typefaces"), s_.ctx.fontCount}});
        } else {
            printLine(s_.view.message);
            printLine(s_.view.fontCount);
        }
        return Done;
    }

    int addSet() {
        const QString name = inv_.args[0].trimmed();
        if (name.isEmpty()) return refuse(QStringLiteral("The set name is empty."));
        s_.app.datSets->refresh();
        const QString existing = findSet(s_.app, name);
        if (!existing.isEmpty())
            return refuse(quoted(existing) + QStringLiteral(" already exists."));
        Add_Set(s_.ctx, name);
        return result(s_.view.message);
    }

    int renameSet() {
        QString old;
        if (!existingSet(inv_.args[0], old)) return Refused;
        // Taken as a typed set name is taken: without the blanks around it.
        const QString renamed = inv_.args[1].trimmed();
        if (renamed.isEmpty()) return refuse(QStringLiteral("The new set name is empty."));
        s_.boxes.inputAnswer = renamed;
        Rename_Set(s_.ctx, old);
        return result(s_.view.message);
    }

    int copySet() {
        QString source;
        if (!existingSet(inv_.args[0], source)) return Refused;
        s_.loadSystemFonts();
        s_.app.currentSetName = source;
        Copy_Set(s_.ctx, inv_.args[1].trimmed());
        return result(s_.view.message);
    }

    int deleteSet() {
        QString name;
        if (!existingSet(inv_.args[0], name)) return Refused;
        s_.boxes.answerYes = inv_.has(Yes);
        Delete_Set(s_.ctx, name);
        return result(s_.view.message);
    }

    // assign and unassign: (SET | --all-sets) FONT... [--match GLOB]...
    int assignment(bool assign) {
        const bool allSets = inv_.has(QStringLiteral("all-sets"));
        QStringList names = inv_.args;
        QString set;
        if (!allSets) {
            if (names.isEmpty()) return usage(QStringLiteral("name a set, or give --all-sets"));
            if (!existingSet(names.takeFirst(), set)) return Refused;
        }
        const QStringList globs = inv_.all(QStringLiteral("match"));
        if (names.isEmpty() && globs.isEmpty())
            return usage(QStringLiteral("name the fonts, or give --match GLOB"));
        s_.loadSystemFonts();
        AppState& app = s_.app;
        const bool fromSet = !assign && !allSets;
        FontListModel& list = fromSet ? s_.assignedFonts : s_.allFonts;
        if (fromSet) {
            app.currentSetName = set;
            Fill_AssignedFonts(s_.ctx);
        } else {
            Fill_AllFonts(s_.ctx);
        }
        Picked picked;
        if (!pickAll(list, names, globs, fromSet ? set : QString(), picked)) return Refused;
        selectRows(app, list, picked.rows);
        s_.boxes.answerYes = inv_.has(Yes);
        const QSet<QString> before = setMembers(app, set);
        if (allSets)
            assign ? Assign_AllSets(s_.ctx, set) : Unassign_AllSets(s_.ctx, set);
        else
            assign ? Assign_Fonts(s_.ctx, set, false) : Unassign_Fonts(s_.ctx, set, false);
        if (assign && !allSets && setMembers(app, set).size() == before.size())
            // The window leaves its status as it was; a script is told.
            return result(QStringLiteral("No fonts added: every font named is in ") + quoted(set) +
                          QStringLiteral(" already."));
        return result(s_.view.message);
    }

    int activate() {
        const bool all = inv_.has(QStringLiteral("all"));
        if (inv_.has(QStringLiteral("for"))) {
            if (all || inv_.args.isEmpty())
                return usage(QStringLiteral("name the documents after --for, without --all"));
            return activateForDocuments();
        }
        if (all == !inv_.args.isEmpty() || inv_.args.size() > 1)
            return usage(QStringLiteral("name one set, or give --all"));
        QString set;
        if (!all && !existingSet(inv_.args[0], set)) return Refused;
        s_.loadSystemFonts();
        Activate_Sets(s_.ctx, set, !all);
        if (s_.view.message.isEmpty())
            // Nothing to change, and the desktop hides what the database says.
            return result(all ? QStringLiteral("All sets are active already.")
                              : quoted(set) + QStringLiteral(" is the active set already."));
        return result(s_.view.message);
    }

    // The fonts named on the command line, of a set's list or of every catalogued font. Nothing
    // is changed unless every name is understood: false after telling what was not.
    bool pickAll(const FontListModel& list, const QStringList& names, const QStringList& globs,
                 const QString& set, Picked& picked) {
        picked = pick(list, names, globs);
        for (const QString& n : picked.unknown)
            printError(!set.isEmpty()
                           ? quoted(n) + QStringLiteral(" is not assigned to ") + quoted(set) + '.'
                           : QStringLiteral("No font named ") + quoted(n) +
                                 QStringLiteral(" is catalogued."));
        for (const QString& g : picked.unmatched)
            printError((!set.isEmpty() ? QStringLiteral("No font of ") + quoted(set)
                                       : QStringLiteral("No catalogued font")) +
                       QStringLiteral(" matches ") + quoted(g) + '.');
        return picked.unknown.isEmpty() && picked.unmatched.isEmpty();
    }

    int install();
    int readInstallSources(std::vector<InstallSource>& sources);
    int installSources(const std::vector<InstallSource>& sources, InstallRun& run);
    QString assignInstalled(const QString& set, const QStringList& installed);
    int printInstall(const InstallRun& run, const QString& assigned);

    // The fonts of documents named after --for.
    int fontsForDocuments();
    int activateForDocuments();
    QJsonArray unreadJson(const UsedFonts& used) const;

    int deleteFonts() {
        const QStringList globs = inv_.all(QStringLiteral("match"));
        if (inv_.args.isEmpty() && globs.isEmpty())
            return usage(QStringLiteral("name the fonts, or give --match GLOB"));
        s_.loadSystemFonts();
        Fill_AllFonts(s_.ctx);
        FontListModel& list = s_.allFonts;
        Picked picked;
        if (!pickAll(list, inv_.args, globs, {}, picked)) return Refused;
        // The desktop's own fonts are never removed; naming only those is a refusal.
        if (std::all_of(picked.rows.begin(), picked.rows.end(), [&](int row) {
                return list.row(row).state == FaceState::System ||
                       isSystemFont(s_.app.systemFonts, list.row(row).name);
            }))
            return refuse(QStringLiteral("All selected fonts were system fonts, none were "
                                         "deleted."));
        selectRows(s_.app, list, picked.rows);
        s_.boxes.answerYes = inv_.has(Yes);
        Delete_Fonts(s_.ctx);
        return result(s_.view.message);
    }

    int usage(const QString& why) {
        printError(why);
        printError(QStringLiteral("usage: ") + commandUsage(*findCommand(inv_.command)));
        return UsageError;
    }

    int exportSets() {
        AppState& app = s_.app;
        QStringList names;
        if (inv_.args.isEmpty()) {
            names = setNames(app);
        } else {
            for (const QString& typed : inv_.args) {
                QString stored;
                if (!existingSet(typed, stored)) return Refused;
                if (!names.contains(stored)) names << stored;
            }
        }
        sortNames(names);
        // File names are hints for another machine: the base name, not this machine's folders.
        QHash<QString, QStringList> files;
        Statement st =
            app.db->prepare(QStringLiteral("SELECT [Face Name], [File Name] FROM [Fonts]"));
        while (st.step())
            files[st.text(0).toCaseFolded()] << QFileInfo(st.text(1)).fileName();
        SetDocument doc;
        Statement fonts = app.db->prepare(
            QStringLiteral("SELECT [Font Name] FROM [Assigned Fonts] WHERE [Set Name] = ?"));
        for (const QString& name : std::as_const(names)) {
            DocumentSet set{name, {}, 0};
            fonts.reset();
            fonts.bind(1, name);
            QStringList faces;
            while (fonts.step())
                faces << fonts.text(0);
            sortNames(faces);
            for (const QString& face : std::as_const(faces)) {
                QStringList hints = files.value(face.toCaseFolded());
                hints.sort();
                hints.removeDuplicates();
                set.fonts.push_back({face, hints, 0});
            }
            doc.sets.push_back(std::move(set));
        }
        writeOut(writeSetDocument(doc));
        return Done;
    }

    int importSets(const SetDocument& doc);
    void matchImportedFonts(const SetDocument& doc, std::vector<ImportedSet>& report,
                            std::vector<std::vector<int>>& wanted);
    void applyImport(std::vector<ImportedSet>& report, const std::vector<std::vector<int>>& wanted,
                     bool replace);
    int printImport(const std::vector<ImportedSet>& report, bool replace);

    // The two AutoAssign switches of the window's Edit menu, stored where the window reads them.
    int autoAssign() {
        AppState& app = s_.app;
        const auto onOff = [&](const QString& word, const QString& what, bool& to) {
            if (word == QLatin1String("on") || word == QLatin1String("off")) {
                to = word == QLatin1String("on");
                return true;
            }
            usage(what + QStringLiteral(" is on or off, not ") + quoted(word));
            return false;
        };
        bool add = app.addAutoAssign, remove = app.removeAutoAssign;
        if (!inv_.args.isEmpty() && !onOff(inv_.args[0], QStringLiteral("AutoAssign"), add))
            return UsageError;
        const QStringList removeWords = inv_.all(QStringLiteral("remove-on-unassign"));
        if (removeWords.size() > 1)
            return usage(QStringLiteral("--remove-on-unassign is given once"));
        if (!removeWords.isEmpty() &&
            !onOff(removeWords[0], QStringLiteral("--remove-on-unassign"), remove))
            return UsageError;
        if (add != app.addAutoAssign || remove != app.removeAutoAssign) {
            writeSettings(app, {{fld::AddAutoAssign, add}, {fld::RemoveAutoAssign, remove}});
            app.addAutoAssign = add;
            app.removeAutoAssign = remove;
        }
        if (json_) {
            writeJson({{QStringLiteral("autoAssign"), add},
                       {QStringLiteral("removeOnUnassign"), remove}});
            return Done;
        }
        printTable({
            {QStringLiteral("AutoAssign:"),
             add ? QStringLiteral("on at refresh and install") : QStringLiteral("off")},
            {QStringLiteral("Remove on unassign:"),
             remove ? QStringLiteral("on, a font taken out of a set stays out")
                    : QStringLiteral("off, a refresh may assign it again")},
        });
        return Done;
    }

    int complete() {
        const QString what = inv_.args[0];
        QStringList out;
        if (what == QLatin1String("sets")) {
            out = setNames(s_.app);
        } else if (what == QLatin1String("fonts")) {
            const QString set = inv_.args.value(1);
            Statement st =
                set.isEmpty()
                    ? s_.app.db->prepare(QStringLiteral("SELECT DISTINCT [Face Name] FROM [Fonts]"))
                    : s_.app.db->prepare(QStringLiteral(
                          "SELECT [Font Name] FROM [Assigned Fonts] WHERE [Set Name] = ?"));
            if (!set.isEmpty()) st.bind(1, set);
            while (st.step())
                out << st.text(0);
        } else {
            return usage(QStringLiteral("complete what: commands, sets or fonts"));
        }
        sortNames(out);
        if (!out.isEmpty()) writeOut(out.join(QLatin1Char('\n')).toUtf8() + '\n');
        return Done;
    }

private:
    Session& s_;
    const Invocation& inv_;
    bool json_;
};

struct ImportedSet {
    QString name;
    bool created = false;
    int added = 0, removed = 0;
    QStringList missing;
    QList<std::pair<QString, QString>> byFile; // name in the document, face taken for it
};

int Command::importSets(const SetDocument& doc) {
    s_.loadSystemFonts();
    const bool replace = inv_.has(QStringLiteral("replace"));
    Fill_AllFonts(s_.ctx);
    std::vector<ImportedSet> report;
    std::vector<std::vector<int>> wanted; // rows of the All Fonts list per set
    matchImportedFonts(doc, report, wanted);
    applyImport(report, wanted, replace);
    s_.view.finish();
    return printImport(report, replace);
}

// The All Fonts rows each set of the document names: by name, else by one of its file names.
void Command::matchImportedFonts(const SetDocument& doc, std::vector<ImportedSet>& report,
                                 std::vector<std::vector<int>>& wanted) {
    AppState& app = s_.app;
    FontListModel& all = s_.allFonts;
    // Fonts by name as the database compares them, and by file name for fonts named otherwise
    // here.
    QHash<QString, int> rowOf;
    for (int i = all.size() - 1; i >= 0; --i)
        rowOf.insert(all.row(i).name.toCaseFolded(), i);
    QHash<QString, QString> faceOfFile;
    {
        Statement st =
            app.db->prepare(QStringLiteral("SELECT [File Name], [Face Name] FROM [Fonts] "
                                           "ORDER BY [Face Index] DESC"));
        // A collection's file stands for its first face.
        while (st.step())
            faceOfFile.insert(QFileInfo(st.text(0)).fileName(), st.text(1));
    }

    for (const DocumentSet& set : doc.sets) {
        ImportedSet r;
        r.name = set.name;
        std::vector<int> rows;
        for (const DocumentFont& f : set.fonts) {
            int row = rowOf.value(f.name.toCaseFolded(), -1);
            if (row < 0) {
                for (const QString& file : f.files) {
                    const QString face = faceOfFile.value(QFileInfo(file).fileName());
                    if (face.isEmpty()) continue;
                    row = rowOf.value(face.toCaseFolded(), -1);
                    if (row >= 0) {
                        r.byFile.append({f.name, all.row(row).name});
                        break;
                    }
                }
            }
            if (row < 0)
                r.missing << f.name;
            else if (std::find(rows.begin(), rows.end(), row) == rows.end())
                rows.push_back(row);
        }
        std::sort(rows.begin(), rows.end());
        wanted.push_back(std::move(rows));
        report.push_back(std::move(r));
    }
}

void Command::applyImport(std::vector<ImportedSet>& report,
                          const std::vector<std::vector<int>>& wanted, bool replace) {
    AppState& app = s_.app;
    FontListModel& all = s_.allFonts;
    // One transaction over every set: a failure half way leaves the sets as they were.
    std::exception_ptr failure;
    try {
        FontTransaction t(s_.ctx);
        for (size_t i = 0; i < report.size(); ++i) {
            ImportedSet& r = report[i];
            app.datSets->refresh();
            QString stored = findSet(app, r.name);
            r.created = stored.isEmpty();
            if (r.created) {
                Add_Set(s_.ctx, r.name);
                app.datSets->refresh();
                stored = findSet(app, r.name);
                if (stored.isEmpty()) throw std::runtime_error("the set could not be added");
            }
            r.name = stored;
            const QSet<QString> before = setMembers(app, stored);
            QSet<QString> want;
            for (int row : wanted[i])
                want.insert(all.row(row).name.toCaseFolded());
            if (replace && !r.created) {
                app.currentSetName = stored;
                Fill_AssignedFonts(s_.ctx);
                std::vector<int> leaving;
                for (int row = 0; row < s_.assignedFonts.size(); ++row)
                    if (!want.contains(s_.assignedFonts.row(row).name.toCaseFolded()))
                        leaving.push_back(row);
                if (!leaving.empty()) {
                    selectRows(app, s_.assignedFonts, leaving);
                    // --replace asked for it.
                    s_.boxes.answerYes = true;
                    Unassign_Fonts(s_.ctx, stored, false);
                    s_.boxes.answerYes = false;
                }
            }
            std::vector<int> joining;
            for (int row : wanted[i])
                if (!before.contains(all.row(row).name.toCaseFolded())) joining.push_back(row);
            if (!joining.empty()) {
                selectRows(app, all, joining);
                Assign_Fonts(s_.ctx, stored, false);
            }
            if (!s_.boxes.refusals.isEmpty())
                throw std::runtime_error(s_.boxes.refusals.last().toStdString());
            const QSet<QString> after = setMembers(app, stored);
            for (const QString& f : after)
                r.added += !before.contains(f);
            for (const QString& f : before)
                r.removed += !after.contains(f);
        }
        t.commit();
    } catch (...) {
        failure = std::current_exception();
    }
    if (failure) {
        // Fonts already shown or hidden for the sets before the failure follow the database back.
        try {
            Reapply_ActiveSet(s_.ctx);
        } catch (...) {
        }
        std::rethrow_exception(failure);
    }
}

int Command::printImport(const std::vector<ImportedSet>& report, bool replace) {
    for (const ImportedSet& r : report)
        if (!r.missing.isEmpty()) {
            QStringList names;
            for (const QString& m : r.missing)
                names << quoted(m);
            printError(quoted(r.name) +
                       QStringLiteral(": %1 not catalogued on this machine: ")
                           .arg(r.missing.size() == 1
                                    ? QStringLiteral("1 font is")
                                    : QStringLiteral("%1 fonts are").arg(r.missing.size())) +
                       names.join(QStringLiteral(", ")));
        }
    if (json_) {
        QJsonArray sets;
        for (const ImportedSet& r : report) {
            QJsonArray byFile;
            for (const auto& [name, face] : r.byFile)
                byFile.append(
                    QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("font"), face}});
            sets.append(
                QJsonObject{{QStringLiteral("name"), r.name},
                            {QStringLiteral("created"), r.created},
                            {QStringLiteral("added"), r.added},
                            {QStringLiteral("removed"), r.removed},
                            {QStringLiteral("missing"), QJsonArray::fromStringList(r.missing)},
                            {QStringLiteral("byFileName"), byFile}});
        }
        writeJson({{QStringLiteral("sets"), sets}});
        return Done;
    }
    for (const ImportedSet& r : report) {
        QString line = quoted(r.name) +
                       (r.created ? QStringLiteral(" added: ") : QStringLiteral(": ")) +
                       QStringLiteral("%1 %2 assigned")
                           .arg(r.added)
                           .arg(r.added == 1 ? QStringLiteral("font") : QStringLiteral("fonts"));
        if (replace) line += QStringLiteral(", %1 unassigned").arg(r.removed);
        if (!r.missing.isEmpty())
            line += QStringLiteral(", %1 not on this machine").arg(r.missing.size());
        printLine(line + '.');
        for (const auto& [name, face] : r.byFile)
            printLine(QStringLiteral("  ") + quoted(name) + QStringLiteral(" taken as ") +
                      quoted(face) + QStringLiteral(" (the same file name)."));
    }
    return Done;
}

// The files one install command reads from one folder: all its font files, or those named.
struct InstallSource {
    QString folder;
    QStringList files; // empty: the whole folder
    bool whole = false;
};

// What an install command did, for its report.
struct InstallRun {
    QStringList installed, messages, failures, skipped;
    int added = 0;
};

int Command::install() {
    std::vector<InstallSource> sources;
    if (const int refused = readInstallSources(sources)) return refused;
    QString set;
    if (inv_.values.contains(QStringLiteral("set")) &&
        !existingSet(inv_.value(QStringLiteral("set")), set))
        return Refused;
    InstallRun run;
    if (const int refused = installSources(sources, run)) return refused;
    s_.boxes.echo = true;
    s_.boxes.refusals.clear();
    const QString assigned = assignInstalled(set, run.installed);
    s_.view.finish();
    return printInstall(run, assigned);
}

// Everything named is looked at before anything is installed.
int Command::readInstallSources(std::vector<InstallSource>& sources) {
    const auto sourceOf = [&](const QString& folder) -> InstallSource& {
        for (InstallSource& src : sources)
            if (src.folder == folder) return src;
        sources.push_back({folder, {}, false});
        return sources.back();
    };
    for (const QString& arg : inv_.args) {
        const QFileInfo info(arg);
        if (!info.exists())
            return refuse(arg + QStringLiteral(": there is no such file or folder."));
        if (info.isDir()) {
            sourceOf(QDir(info.absoluteFilePath()).absolutePath() + QLatin1Char('/')).whole = true;
            continue;
        }
        const QString folder = info.absolutePath() + QLatin1Char('/');
        if (!info.isReadable()) return refuse(arg + QStringLiteral(": the file cannot be read."));
        if (!FontPreview::fontFiles(folder).contains(info.fileName()))
            return refuse(arg + QStringLiteral(": only font files (.ttf, .ttc, .otf, .otc, .pfb, "
                                               ".pfa, .t1) are installed, and no hidden ones."));
        sourceOf(folder).files << info.fileName();
    }
    return Done;
}

int Command::installSources(const std::vector<InstallSource>& sources, InstallRun& run) {
    s_.loadSystemFonts();
    // The main window's list is what the installation keeps up to date.
    Fill_AllFonts(s_.ctx);
    s_.boxes.answerYes = inv_.has(Yes);
    s_.boxes.echo = false;
    NoPreviewDrawing drawing;
    TerminalPreviewView previewView(s_.view);
    FontPreview preview(s_.ctx, drawing, previewView);

    const auto fail = [&](const QString& file, const QString& why) {
        run.failures << file + QStringLiteral(": ") + why;
    };
    for (const InstallSource& src : sources) {
        preview.limitTo(src.whole ? QStringList() : src.files);
        preview.boxDir_Change(src.folder);
        // Files that cannot be installed: a failure when named, a note when in a folder named.
        for (int i = 0; i < preview.size(); ++i)
            for (const PreviewEntry& e : preview.row(i).files)
                if (!e.installable) {
                    if (src.whole)
                        run.skipped << src.folder + e.fileName + QStringLiteral(": ") +
                                           notInstallableReason(e);
                    else
                        fail(src.folder + e.fileName, notInstallableReason(e));
                }
        if (preview.installableCount() == 0) {
            if (src.whole)
                fail(src.folder, preview.size() == 0
                                     ? QStringLiteral("it holds no font files")
                                     : QStringLiteral("none of its font files can be installed"));
            continue;
        }
        preview.cmdSelect_Click();
        const InstallOutcome out = Install_Fonts(s_.ctx, preview, previewView);
        run.added += out.added;
        for (const auto& [file, why] : out.failures)
            fail(src.folder + file, why);
        // What this installation placed, not what the catalogue held already: a typeface
        // catalogued from another file is not installed by a copy that failed.
        for (const QString& face : out.installedFaces)
            if (!run.installed.contains(face)) run.installed << face;
        // A problem with the fonts folder itself stops everything.
        if (!s_.boxes.refusals.isEmpty() && out.failures.empty() && out.installed() == 0) {
            s_.view.finish();
            printError(s_.boxes.refusals.last());
            return Refused;
        }
        run.messages << out.message.section(QLatin1Char('\n'), 0, 0);
    }
    return Done;
}

// The installed fonts joined to --set: what the assignment said, or that they were there already.
QString Command::assignInstalled(const QString& set, const QStringList& installed) {
    AppState& app = s_.app;
    if (!set.isEmpty() && !installed.isEmpty()) {
        Fill_AllFonts(s_.ctx);
        Picked picked = pick(s_.allFonts, installed, {});
        selectRows(app, s_.allFonts, picked.rows);
        const QSet<QString> before = setMembers(app, set);
        Assign_Fonts(s_.ctx, set, false);
        return setMembers(app, set).size() == before.size()
                   ? QStringLiteral("Every font installed is in ") + quoted(set) +
                         QStringLiteral(" already.")
                   : s_.view.message;
    }
    return {};
}

int Command::printInstall(const InstallRun& run, const QString& assigned) {
    for (const QString& note : std::as_const(run.skipped))
        printError(note.section(QLatin1Char(':'), 0, -2) + QStringLiteral(": not installed:") +
                   note.section(QLatin1Char(':'), -1));
    // The set could not take the fonts: its refusal has been told.
    if (!s_.boxes.refusals.isEmpty()) return Refused;
    if (!run.failures.isEmpty()) {
        printError(QStringLiteral("%1 installed; %2 not installed:")
                       .arg(run.installed.size() == 1
                                ? QStringLiteral("1 font")
                                : QStringLiteral("%1 fonts").arg(run.installed.size()))
                       .arg(run.failures.size() == 1
                                ? QStringLiteral("1 file was")
                                : QStringLiteral("%1 files were").arg(run.failures.size())));
        for (const QString& f : std::as_const(run.failures))
            printError(QStringLiteral("  ") + f);
        return Refused;
    }
    if (json_) {
        writeJson({{QStringLiteral("message"), run.messages.join(QLatin1Char(' '))},
                   {QStringLiteral("installed"), QJsonArray::fromStringList(run.installed)},
                   {QStringLiteral("added"), run.added},
                   {QStringLiteral("assigned"), textOrNull(assigned)}});
        return Done;
    }
    for (const QString& m : std::as_const(run.messages))
        printLine(m);
    if (!assigned.isEmpty()) printLine(assigned);
    return Done;
}

QJsonArray Command::unreadJson(const UsedFonts& used) const {
    QJsonArray out;
    for (qsizetype i = 0; i < used.problems.size(); ++i) {
        const QString& file = used.unread[i];
        out.append(QJsonObject{{QStringLiteral("document"), file},
                               {QStringLiteral("reason"), used.problems[i].mid(file.size() + 2)}});
    }
    return out;
}

int Command::fontsForDocuments() {
    if (inv_.args.isEmpty()) return usage(QStringLiteral("name the documents after --for"));
    s_.loadSystemFonts();
    const UsedFonts used = readUsedFonts(s_.ctx, inv_.args);
    s_.view.finish();
    for (const QString& p : used.problems + used.notes)
        printError(p);
    if (used.read == 0) return Refused;
    QHash<QString, QStringList> filesOf;
    forEachFace(*s_.app.db, [&](const QString& face, const QStringList& files) {
        if (used.faces.contains(face)) filesOf.insert(face, files);
    });
    std::vector<std::pair<QString, QString>> rows; // name, state
    for (const QString& face : used.faces)
        rows.emplace_back(face, stateName(faceState(s_.ctx, face, filesOf.value(face))));
    for (const QString& name : used.missing)
        rows.emplace_back(name, QStringLiteral("missing"));
    std::sort(rows.begin(), rows.end(),
              [](const auto& a, const auto& b) { return namesBefore(a.first, b.first); });
    if (json_) {
        QJsonArray fonts;
        for (const auto& [name, state] : rows)
            fonts.append(QJsonObject{
                {QStringLiteral("name"), name},
                {QStringLiteral("state"), state},
                {QStringLiteral("documents"),
                 QJsonArray::fromStringList(used.documentsOf.value(name.toCaseFolded()))}});
        writeJson({{QStringLiteral("fonts"), fonts},
                   {QStringLiteral("missing"), QJsonArray::fromStringList(used.missing)},
                   {QStringLiteral("unread"), unreadJson(used)}});
    } else {
        std::vector<QStringList> table{{QStringLiteral("FONT"), QStringLiteral("STATE")}};
        for (const auto& [name, state] : rows)
            table.push_back({name, state});
        if (!rows.empty()) printTable(std::move(table));
        printLine(QStringLiteral("%1 %2 used, %3 missing")
                      .arg(used.faces.size())
                      .arg(used.faces.size() == 1 ? QStringLiteral("typeface")
                                                  : QStringLiteral("typefaces"))
                      .arg(used.missing.size()));
    }
    return used.problems.isEmpty() ? Done : Refused;
}

int Command::activateForDocuments() {
    s_.loadSystemFonts();
    const UsedFonts used = readUsedFonts(s_.ctx, inv_.args);
    const auto tellProblems = [&] {
        s_.view.finish();
        for (const QString& p : used.problems + used.notes)
            printError(p);
    };
    if (used.read == 0) {
        tellProblems();
        printError(QStringLiteral("No document could be read. Nothing has been changed."));
        return Refused;
    }
    if (used.faces.isEmpty()) {
        tellProblems();
        printError(QStringLiteral("None of the fonts the documents use is catalogued: ") + [&] {
            QStringList names;
            for (const QString& m : used.missing)
                names << quoted(m);
            return names.join(QStringLiteral(", "));
        }() + QStringLiteral(". Nothing has been changed."));
        return Refused;
    }
    s_.view.message.clear();
    const QString stored = Activate_DocumentFonts(s_.ctx, documentSetName(used), used.faces);
    tellProblems();
    if (!s_.boxes.refusals.isEmpty()) return Refused;
    const QString message = s_.view.message.isEmpty()
                                ? quoted(stored) + QStringLiteral(" is the active set already.")
                                : s_.view.message;
    if (!used.missing.isEmpty()) {
        QStringList names;
        for (const QString& m : used.missing)
            names << quoted(m);
        printError(QStringLiteral("%1 not catalogued on this machine: ")
                       .arg(used.missing.size() == 1
                                ? QStringLiteral("1 font is")
                                : QStringLiteral("%1 fonts are").arg(used.missing.size())) +
                   names.join(QStringLiteral(", ")));
    }
    if (json_)
        writeJson({{QStringLiteral("message"), message},
                   {QStringLiteral("set"), stored},
                   {QStringLiteral("fonts"), QJsonArray::fromStringList(used.faces)},
                   {QStringLiteral("missing"), QJsonArray::fromStringList(used.missing)},
                   {QStringLiteral("unread"), unreadJson(used)}});
    else
        printLine(message);
    return used.missing.isEmpty() && used.problems.isEmpty() ? Done : Refused;
}

bool readDocument(const QString& file, SetDocument& doc) {
    QFile f;
    const bool stdinput = file == QLatin1String("-");
    const bool opened = stdinput ? f.open(stdin, QIODevice::ReadOnly)
                                 : (f.setFileName(file), f.open(QIODevice::ReadOnly));
    const QString shown = stdinput ? QStringLiteral("(standard input)") : file;
    if (!opened) {
        printError(QStringLiteral("%1: %2").arg(shown, f.errorString()));
        return false;
    }
    // One byte more than may be read is enough to refuse a larger document; a pipe gives its
    // bytes in pieces.
    QByteArray bytes;
    while (bytes.size() <= MaxJsonBytes) {
        const QByteArray piece = f.read(MaxJsonBytes + 1 - bytes.size());
        if (piece.isEmpty()) break;
        bytes += piece;
    }
    JsonError error;
    if (!readSetDocument(bytes, doc, error)) {
        // A set name's refusal is the window's sentence, full stop included.
        const QString reason =
            error.reason.endsWith(QLatin1Char('.')) ? error.reason : error.reason + '.';
        printError(QStringLiteral("%1:%2:%3: %4 Nothing has been changed.")
                       .arg(shown)
                       .arg(error.line)
                       .arg(error.column)
                       .arg(reason));
        return false;
    }
    return true;
}

} // namespace

int run(const Invocation& inv) {
    if (inv.command == QLatin1String("version")) {
        printLine(QStringLiteral("letterbayctl " LETTERBAY_VERSION));
        return Done;
    }
    if (inv.command == QLatin1String("help") || inv.has(QStringLiteral("help"))) {
        const CommandShape* shape = inv.command == QLatin1String("help")
                                        ? findCommand(inv.args.value(0))
                                        : findCommand(inv.command);
        if (inv.command == QLatin1String("help") && !inv.args.isEmpty() && !shape) {
            printError(QStringLiteral("unknown command '%1'").arg(inv.args[0]));
            return UsageError;
        }
        if (shape && shape->name != QLatin1String("help"))
            printLine(QStringLiteral("Usage: ") + commandUsage(*shape) + QStringLiteral("\n\n") +
                      shape->summary[0].toUpper() + shape->summary.mid(1) + '.');
        else
            writeOut(usageText().toUtf8());
        return Done;
    }
    if (inv.command == QLatin1String("complete") && inv.args[0] == QLatin1String("commands")) {
        for (const CommandShape& shape : commands())
            if (shape.listed) printLine(shape.name);
        return Done;
    }
    // A malformed document is refused before the database is opened.
    SetDocument doc;
    if (inv.command == QLatin1String("import") && !readDocument(inv.args[0], doc)) return Refused;
    // Completing a word never makes a database.
    if (inv.command == QLatin1String("complete") && !QFileInfo::exists(databasePath())) return Done;

    Session session;
    // The check reads the font files alone: it neither needs the database nor waits while a
    // window holds it, and it still answers when the database cannot be opened.
    const bool filesAlone = inv.command == QLatin1String("check");
    const QString problem = filesAlone ? QString() : session.open();
    if (!problem.isEmpty()) {
        printError(problem);
        return Unusable;
    }
    Command c(session, inv);
    try {
        const QString& name = inv.command;
        if (name == QLatin1String("status")) return c.status();
        if (name == QLatin1String("fonts")) return c.fonts();
        if (name == QLatin1String("sets")) return c.sets();
        if (name == QLatin1String("refresh")) return c.refresh();
        if (name == QLatin1String("add-set")) return c.addSet();
        if (name == QLatin1String("rename-set")) return c.renameSet();
        if (name == QLatin1String("copy-set")) return c.copySet();
        if (name == QLatin1String("delete-set")) return c.deleteSet();
        if (name == QLatin1String("assign")) return c.assignment(true);
        if (name == QLatin1String("unassign")) return c.assignment(false);
        if (name == QLatin1String("activate")) return c.activate();
        if (name == QLatin1String("install")) return c.install();
        if (name == QLatin1String("delete")) return c.deleteFonts();
        if (name == QLatin1String("export")) return c.exportSets();
        if (name == QLatin1String("import")) return c.importSets(doc);
        if (name == QLatin1String("complete")) return c.complete();
        if (name == QLatin1String("autoassign")) return c.autoAssign();
        if (name == QLatin1String("check")) return c.check();
    } catch (const FontStateError& e) {
        session.view.finish();
        printError(fontStateFailureText(e.why(), QStringLiteral("\n")));
        return Refused;
    } catch (const DbError& e) {
        session.view.finish();
        printError(QStringLiteral("The font database ") + session.app.databasePath +
                   QStringLiteral(" cannot be used: ") + e.message() +
                   QStringLiteral("  Nothing has been changed."));
        return Unusable;
    } catch (const std::exception& e) {
        session.view.finish();
        printError(QStringLiteral("The command could not be completed: ") +
                   QString::fromUtf8(e.what()) + QStringLiteral("  Nothing has been changed."));
        return Refused;
    }
    printError(QStringLiteral("unknown command '%1'").arg(inv.command));
    return UsageError;
}

} // namespace lb::ctl
