#pragma once

// The command-line program as a user or a script runs it: the real letterbayctl binary in the
// current (temporary) environment, its output, errors and exit code kept apart.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace lbtest {

class TempHome;

// Makes the generic families (sans-serif, serif, monospace) resolve to `family` in the home's
// fontconfig configuration, as a desktop's configuration resolves them to its fonts: the programs
// then agree on the desktop's own font whatever else is hidden.
bool preferForGenericFamilies(const TempHome& home, const QString& family);

struct CtlRun {
    int exitCode = -1;
    QString out; // standard output
    QString err; // standard error
};

QString ctlPath();
// Runs letterbayctl with `args` to its end, `input` on its standard input.
CtlRun runCtl(const QStringList& args, const QByteArray& input = {});

} // namespace lbtest
