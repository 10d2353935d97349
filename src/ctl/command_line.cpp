#include "ctl/command_line.h"

#include <algorithm>

namespace lb::ctl {

namespace {
// Options every command takes.
const QStringList GlobalFlags = {QStringLiteral("json"), QStringLiteral("yes"),
                                 QStringLiteral("help")};
} // namespace

const std::vector<CommandShape>& commands() {
    using S = QStringList;
    static const std::vector<CommandShape> specs = {
        {"status", "", "the active set, counts, the database path", {}, {}, 0, 0},
        {"fonts", "[--set SET] [--unassigned] [--inactive] [--files] | --for DOCUMENT...",
         "the catalogued fonts, their state and sets; or the fonts documents use",
         S{"unassigned", "inactive", "files", "for"}, S{"set"}, 0, -1},
        {"sets", "", "every set, its number of fonts, the active one", {}, {}, 0, 0},
        {"refresh", "[--yes]", "rebuild the catalogue (AutoAssign as switched)", {}, {}, 0, 0},
        {"add-set", "SET", "add a set", {}, {}, 1, 1},
        {"rename-set", "SET NEW", "rename a set", {}, {}, 2, 2},
        {"copy-set",
         "SET TARGET",
         "copy a set's fonts into another set, made when needed",
         {},
         {},
         2,
         2},
        {"delete-set", "SET --yes", "delete a set and its assignments", {}, {}, 1, 1},
        {"assign", "(SET | --all-sets) [FONT...] [--match GLOB]...",
         "assign fonts to a set or to every set", S{"all-sets"}, S{"match"}, 0, -1},
        {"unassign", "(SET | --all-sets) [FONT...] [--match GLOB]... --yes",
         "unassign fonts from a set or from every set", S{"all-sets"}, S{"match"}, 0, -1},
        {"activate",
         "(SET | --all | --for DOCUMENT...)",
         "leave only a set's fonts available, or all of them, or those documents use (in a set "
         "named after the first)",
         S{"all", "for"},
         {},
         0,
         -1},
        {"install",
         "(FILE | FOLDER)... [--set SET] [--yes]",
         "install font files, or every font file of a folder, into your fonts folder",
         {},
         S{"set"},
         1,
         -1},
        {"delete",
         "[FONT...] [--match GLOB]... --yes",
         "remove fonts and their files from the computer for good",
         {},
         S{"match"},
         0,
         -1},
        {"export",
         "[SET...]",
         "write sets and their fonts as a document (to standard output)",
         {},
         {},
         0,
         -1},
        {"import",
         "FILE [--replace]",
         "add the sets of a document (FILE - reads standard input)",
         S{"replace"},
         {},
         1,
         1},
        {"autoassign",
         "[on | off] [--remove-on-unassign on|off]",
         "show or switch AutoAssign at refresh and install, and whether unassigning a font "
         "keeps AutoAssign from putting it back",
         {},
         S{"remove-on-unassign"},
         0,
         1},
        {"check",
         "",
         "list fonts installed more than once and damaged fonts (exit code 1 when any)",
         {},
         {},
         0,
         0},
        {"help", "[COMMAND]", "show the usage", {}, {}, 0, 1},
        {"complete",
         "WHAT [SET]",
         "names for shell completion: commands, sets, fonts",
         {},
         {},
         1,
         2,
         false},
    };
    return specs;
}

const CommandShape* findCommand(const QString& name) {
    for (const CommandShape& shape : commands())
        if (shape.name == name) return &shape;
    return nullptr;
}

bool parseCommandLine(const QStringList& arguments, Invocation& out, QString& error) {
    out = Invocation{};
    QStringList words;
    bool optionsEnded = false;
    // The command is the first word that is no option; its options are known only then, so
    // options are collected first and checked against it afterwards.
    std::vector<std::pair<QString, QString>> options; // name, value or null
    std::vector<bool> hasValue;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (optionsEnded || !a.startsWith(QLatin1Char('-')) || a == QLatin1String("-")) {
            words << a;
            continue;
        }
        if (a == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (a == QLatin1String("-h")) {
            out.flags.insert(QStringLiteral("help"));
            continue;
        }
        if (!a.startsWith(QLatin1String("--")) || a.size() == 2) {
            error = QStringLiteral("unknown option '%1'").arg(a);
            return false;
        }
        const QString body = a.mid(2);
        const qsizetype eq = body.indexOf(QLatin1Char('='));
        const QString name = eq < 0 ? body : body.left(eq);
        // Whether the option takes a value is known from every command's options at once: no
        // option name is a flag for one command and takes a value for another.
        bool valued = false;
        for (const CommandShape& shape : commands())
            valued = valued || shape.valued.contains(name);
        if (valued) {
            QString value;
            if (eq >= 0) {
                value = body.mid(eq + 1);
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                error = QStringLiteral("the option '--%1' needs a value").arg(name);
                return false;
            }
            options.emplace_back(name, value);
        } else {
            if (eq >= 0) {
                error = QStringLiteral("the option '--%1' takes no value").arg(name);
                return false;
            }
            options.emplace_back(name, QString());
        }
    }
    const auto given = [&](const char* name) {
        return std::any_of(options.begin(), options.end(),
                           [&](const auto& o) { return o.first == QLatin1String(name); });
    };
    if (words.isEmpty()) {
        if (given("version") && options.size() == 1 && !out.has(QStringLiteral("help"))) {
            out.command = QStringLiteral("version");
            return true;
        }
        if (out.has(QStringLiteral("help")) || given("help")) {
            out.command = QStringLiteral("help");
            return true;
        }
        error = QStringLiteral("no command given");
        return false;
    }
    out.command = words.takeFirst();
    const CommandShape* shape = findCommand(out.command);
    if (!shape) {
        error = QStringLiteral("unknown command '%1'").arg(out.command);
        return false;
    }
    for (const auto& [name, value] : options) {
        if (shape->valued.contains(name)) {
            out.values[name] << value;
        } else if (shape->flags.contains(name) || GlobalFlags.contains(name)) {
            out.flags.insert(name);
        } else {
            error = QStringLiteral("'%1' has no option '--%2'").arg(shape->name, name);
            return false;
        }
    }
    out.args = words;
    if (out.has(QStringLiteral("help"))) return true;
    if (out.args.size() < shape->minArgs ||
        (shape->maxArgs >= 0 && out.args.size() > shape->maxArgs)) {
        error = QStringLiteral("usage: %1").arg(commandUsage(*shape));
        return false;
    }
    return true;
}

QString commandUsage(const CommandShape& shape) {
    return QStringLiteral("letterbayctl %1%2")
        .arg(shape.name, shape.synopsis.isEmpty() ? QString() : QLatin1Char(' ') + shape.synopsis);
}

QString usageText() {
    QString text = QStringLiteral(
        "Usage: letterbayctl [--json] [--yes] COMMAND [ARGUMENTS]\n\n"
        "The font sets of Letterbay from the command line, over the same database and the same\n"
        "hidden fonts as the letterbay and traywick windows.\n\nCommands:\n");
    for (const CommandShape& shape : commands()) {
        if (!shape.listed) continue;
        text += QStringLiteral("  %1\n      %2\n").arg(commandUsage(shape).mid(13), shape.summary);
    }
    text += QStringLiteral(
        "\nOptions:\n"
        "  --json     output for scripts (see letterbayctl(1) for its shape)\n"
        "  --yes      answer Yes to the command's question (unassign, delete-set, --all-sets)\n"
        "  --         every word after it is a name, also one that begins with '-'\n"
        "  --version  the program's version (alone)\n\n"
        "Exit codes: 0 done, 1 refused (the reason on standard error), 2 usage error,\n"
        "3 database unusable.\n");
    return text;
}

} // namespace lb::ctl
