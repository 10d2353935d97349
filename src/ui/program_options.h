#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace lb {

// The command line of a windowed program. --help and --version are answered before the
// application object exists, so they work without a display; anything else that is not Qt's own
// is refused once the application object has taken Qt's options (-platform, -style...).
struct ProgramOptions {
    QString name;        // the program as typed
    QString description; // what it does, a line or two

    // An exit code when the program ends here (help or version shown), else nothing.
    std::optional<int> answerBeforeStart(int argc, char** argv) const;
    // An exit code after an error on standard error when `arguments` (the application's, without
    // Qt's options) hold something this program does not take.
    std::optional<int> refuseTheRest(const QStringList& arguments) const;
};

} // namespace lb
