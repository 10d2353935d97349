#include "support/temp_env.h"

#include "support/unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/mount.h>

namespace lbtest {

using namespace Qt::StringLiterals;

TempEnv::TempEnv() {
    EXPECT_TRUE(ok());
    // An unprivileged re-run keeps the shipped files its parent gave it (see unprivileged.h).
    if (!isUnprivilegedChild()) set("LETTERBAY_SHARE", QStringLiteral(LB_SHARE_DIR));
}

QString TempEnv::fixture(const QString& name) {
    return QStringLiteral(LB_FIXTURES "/fonts/") + name;
}

QString copyFixture(const QString& fixture, const QString& folder, const QString& as) {
    const QString target = QDir::cleanPath(folder + u'/' + (as.isEmpty() ? fixture : as));
    EXPECT_TRUE(QDir().mkpath(QFileInfo(target).path())) << target.toStdString();
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(TempEnv::fixture(fixture), target)) << target.toStdString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    return target;
}

SmallDisk::SmallDisk(const QString& at, const char* size) : path(at) {
    QDir().mkpath(path);
    mounted = ::mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0,
                      (QByteArray("size=") + size).constData()) == 0;
}

SmallDisk::~SmallDisk() {
    if (mounted) ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
}

void SmallDisk::fill() const {
    QFile filler(path + QStringLiteral("/filler"));
    EXPECT_TRUE(filler.open(QIODevice::WriteOnly));
    const QByteArray block(4096, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                f.write(bytes) == bytes.size())
        << path.toStdString();
    return path;
}

// The lines a separate fc-list prints in `format`.
static QList<QByteArray> fcListLines(const QString& format) {
    QProcess p;
    p.start(u"fc-list"_s, {u"--format"_s, format});
    EXPECT_TRUE(p.waitForFinished(60000)) << "fc-list did not finish";
    EXPECT_EQ(p.exitCode(), 0);
    // A configuration file fontconfig cannot read is reported here, and ignored by every program.
    EXPECT_EQ(p.readAllStandardError().toStdString(), "");
    QList<QByteArray> lines = p.readAllStandardOutput().split('\n');
    lines.removeAll(QByteArray());
    return lines;
}

QSet<QString> fcListFamilies() {
    QSet<QString> families;
    for (const QByteArray& line : fcListLines(u"%{family[0]}\\n"_s))
        families.insert(QString::fromUtf8(line));
    return families;
}

QSet<QString> fcListFiles() {
    QSet<QString> files;
    for (const QByteArray& line : fcListLines(u"%{file}\\n"_s)) {
        char resolved[PATH_MAX]; // fonts offered through links are the files they point to
        files.insert(QFile::decodeName(::realpath(line.constData(), resolved) ? QByteArray(resolved)
                                                                              : line));
    }
    return files;
}

std::vector<std::string> sorted(const QSet<QString>& files) {
    std::vector<std::string> out;
    for (const QString& f : files)
        out.push_back(f.toStdString());
    std::ranges::sort(out);
    return out;
}

std::vector<ManifestFace> manifestFaces(const QString& file) {
    QFile manifest(TempEnv::fixture(u"MANIFEST.tsv"_s));
    EXPECT_TRUE(manifest.open(QIODevice::ReadOnly));
    std::vector<ManifestFace> out;
    for (const QByteArray& line : manifest.readAll().split('\n')) {
        // file, face, family, full name, ..., format
        const QStringList cols = QString::fromUtf8(line).split(u'\t');
        if (cols.size() >= 9 && cols[0] == file && cols[8] != "invalid"_L1)
            out.push_back({cols[1].toInt(), cols[2], cols[3]});
    }
    std::ranges::sort(out, {}, &ManifestFace::face);
    return out;
}

} // namespace lbtest
