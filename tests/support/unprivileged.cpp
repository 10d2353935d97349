#include "support/unprivileged.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lbtest {

namespace {

constexpr uid_t Nobody = 65534;

bool chownTree(const QString& root, const QStringList& keep) {
    auto kept = [&](const QString& path) {
        for (const QString& k : keep)
            if (path == k || path.startsWith(k + QLatin1Char('/'))) return true;
        return false;
    };
    bool ok = ::chown(QFile::encodeName(root).constData(), Nobody, Nobody) == 0;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (kept(QDir::cleanPath(path))) continue;
        ok = ::lchown(QFile::encodeName(path).constData(), Nobody, Nobody) == 0 && ok;
    }
    return ok;
}

// The shipped files as an installation has them: readable by everyone, owned by root. A build
// tree under a private folder (root's home) is not, so they are copied into the test home.
bool shareShippedFiles(const TempHome& home, QProcessEnvironment& env, QStringList& keep) {
    const QString share = env.value(QStringLiteral("LETTERBAY_SHARE"));
    if (share.isEmpty() || share.startsWith(home.root() + QLatin1Char('/'))) return true;
    const QString copy = home.root() + QStringLiteral("/shipped");
    if (!QDir().mkpath(copy)) return false;
    for (const QFileInfo& f : QDir(share).entryInfoList(QDir::Files)) {
        const QString target = copy + QLatin1Char('/') + f.fileName();
        if (!QFile::exists(target) && !QFile::copy(f.filePath(), target)) return false;
        QFile::setPermissions(target, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    }
    env.insert(QStringLiteral("LETTERBAY_SHARE"), copy);
    keep << copy;
    return true;
}

} // namespace

bool isUnprivilegedChild() {
    return qEnvironmentVariableIsSet("LBTEST_ADOPT_ROOT");
}

Unprivileged continueUnprivileged(const TempHome& home, const QStringList& keepRootOwned) {
    Unprivileged result;
    if (::geteuid() != 0) return result; // already a normal user: go on here
    result.where = Unprivileged::Skip;
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty()) {
        result.output = QStringLiteral("setpriv is not installed: no unprivileged user to run as");
        return result;
    }
    QStringList keep;
    for (const QString& k : keepRootOwned)
        keep << QDir::cleanPath(k);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!shareShippedFiles(home, env, keep)) {
        result.output = QStringLiteral("the shipped files could not be copied for user 65534");
        return result;
    }
    if (!chownTree(home.root(), keep)) {
        result.output = QStringLiteral("the test home could not be handed to user 65534");
        return result;
    }
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString filter =
        QStringLiteral("--gtest_filter=%1.%2")
            .arg(QString::fromUtf8(test->test_suite_name()), QString::fromUtf8(test->name()));
    env.insert(QStringLiteral("LBTEST_ADOPT_ROOT"), home.root());
    QProcess child;
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setWorkingDirectory(home.root());
    child.start(setpriv,
                {QStringLiteral("--reuid=%1").arg(Nobody), QStringLiteral("--regid=%1").arg(Nobody),
                 QStringLiteral("--clear-groups"), QStringLiteral("--"),
                 QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(), filter});
    if (!child.waitForFinished(240000)) {
        child.kill();
        child.waitForFinished();
        result.where = Unprivileged::Child;
        result.output = QStringLiteral("the unprivileged run did not finish: ") +
                        QString::fromLocal8Bit(child.readAll());
        return result;
    }
    const QString output = QString::fromLocal8Bit(child.readAll());
    // setpriv itself failing (no such user switch allowed here) is no result of the test.
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 127 &&
        !output.contains(QStringLiteral("[ RUN"))) {
        result.output = QStringLiteral("setpriv could not switch to user 65534: ") + output;
        return result;
    }
    result.where = Unprivileged::Child;
    result.exitCode = child.exitStatus() == QProcess::NormalExit ? child.exitCode() : -1;
    result.output = output;
    // A child that ran nothing would pass without testing anything.
    if (!output.contains(QStringLiteral("[       OK ]")) &&
        !output.contains(QStringLiteral("[  FAILED  ]")) && result.exitCode == 0)
        result.exitCode = -2;
    return result;
}

} // namespace lbtest
