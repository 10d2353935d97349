#include "support/unprivileged.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <algorithm>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lbtest {

using namespace Qt::StringLiterals;

constexpr uid_t Nobody = 65534;

static bool chownTree(const QString& root, const QStringList& keep) {
    bool ok = ::chown(QFile::encodeName(root).constData(), Nobody, Nobody) == 0;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = QDir::cleanPath(it.next());
        const auto under = [&](const QString& k) { return path == k || path.startsWith(k + u'/'); };
        if (std::ranges::none_of(keep, under))
            ok = ::lchown(QFile::encodeName(path).constData(), Nobody, Nobody) == 0 && ok;
    }
    return ok;
}

// The shipped files as an installation has them: readable by everyone, owned by root. A build
// tree under a private folder (root's home) is not, so they are copied into the test home.
static bool shareShippedFiles(const TempHome& home, QProcessEnvironment& env, QStringList& keep) {
    const QString share = env.value(u"LETTERBAY_SHARE"_s);
    if (share.isEmpty() || share.startsWith(home.root() + QLatin1Char('/'))) return true;
    const QString copy = home.root() + u"/shipped"_s;
    if (!QDir().mkpath(copy)) return false;
    for (const QFileInfo& f : QDir(share).entryInfoList(QDir::Files)) {
        const QString target = copy + QLatin1Char('/') + f.fileName();
        if (!QFile::exists(target) && !QFile::copy(f.filePath(), target)) return false;
        QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    env.insert(u"LETTERBAY_SHARE"_s, copy);
    keep << copy;
    return true;
}

bool isUnprivilegedChild() {
    return qEnvironmentVariableIsSet("LBTEST_ADOPT_ROOT");
}

Unprivileged continueUnprivileged(const TempHome& home, const QStringList& keepRootOwned) {
    if (::geteuid() != 0) return {}; // already a normal user: go on here
    const auto skip = [](const QString& why) { return Unprivileged{Unprivileged::Skip, -1, why}; };
    const QString setpriv = QStandardPaths::findExecutable(u"setpriv"_s);
    if (setpriv.isEmpty())
        return skip(u"setpriv is not installed: no unprivileged user to run as"_s);
    QStringList keep;
    for (const QString& k : keepRootOwned)
        keep << QDir::cleanPath(k);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!shareShippedFiles(home, env, keep))
        return skip(u"the shipped files could not be copied for user 65534"_s);
    if (!chownTree(home.root(), keep))
        return skip(u"the test home could not be handed to user 65534"_s);
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter = u"--gtest_filter=%1.%2"_s.arg(QString::fromUtf8(test->test_suite_name()),
                                                         QString::fromUtf8(test->name()));
    env.insert(u"LBTEST_ADOPT_ROOT"_s, home.root());
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setWorkingDirectory(home.root());
    child.start(setpriv,
                {u"--reuid=%1"_s.arg(Nobody), u"--regid=%1"_s.arg(Nobody), u"--clear-groups"_s,
                 u"--"_s, QFileInfo(u"/proc/self/exe"_s).canonicalFilePath(), filter});
    const bool finished = child.waitForFinished(240000); // if not, killed as `child` goes
    const QString output = QString::fromLocal8Bit(child.readAll());
    if (!finished)
        return {Unprivileged::Child, -1, u"the unprivileged run did not finish: "_s + output};
    // setpriv itself failing (no such user switch allowed here) is no result of the test.
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 127 &&
        !output.contains(u"[ RUN"_s))
        return skip(u"setpriv could not switch to user 65534: "_s + output);
    Unprivileged result{Unprivileged::Child,
                        child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1, output};
    // A child that ran nothing would pass without testing anything.
    if (!output.contains(u"[       OK ]"_s) && !output.contains(u"[  FAILED  ]"_s) &&
        result.exitCode == 0)
        result.exitCode = -2;
    return result;
}

} // namespace lbtest
