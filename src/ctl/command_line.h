#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

namespace lb::ctl {

// One command of letterbayctl as the command line names it.
struct CommandShape {
    QString name;
    QString synopsis; // the arguments, as the usage shows them
    QString summary;
    QStringList flags;  // options without a value ("all", "replace")
    QStringList valued; // options that take a value ("set", "match")
    int minArgs = 0;
    int maxArgs = 0; // -1: any number
    bool listed = true;
};

// Every command, in the order the usage lists them.
const std::vector<CommandShape>& commands();
const CommandShape* findCommand(const QString& name);

// A parsed command line. Options may stand anywhere; "--" ends them.
struct Invocation {
    QString command;
    QStringList args;
    QSet<QString> flags;                // without their dashes
    QHash<QString, QStringList> values; // an option given several times keeps every value
    bool has(const QString& flag) const { return flags.contains(flag); }
    QString value(const QString& option) const { return values.value(option).value(0); }
    QStringList all(const QString& option) const { return values.value(option); }
};

// False with `error` for a command line that does not follow the usage.
bool parseCommandLine(const QStringList& arguments, Invocation& out, QString& error);

// What --help prints: every command, or one command's usage.
QString usageText();
QString commandUsage(const CommandShape& shape);

} // namespace lb::ctl
