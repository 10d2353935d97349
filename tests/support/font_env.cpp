#include "support/font_env.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <gtest/gtest.h>

namespace lbtest {

using namespace Qt::StringLiterals;

QString FontEnv::installInSubfolder(const QString& fixtureName, const QString& subfolder,
                                    const QString& as) {
    const QString dir = fontsFolder() + subfolder + QLatin1Char('/');
    EXPECT_TRUE(QDir().mkpath(dir));
    const QString target = dir + (as.isEmpty() ? fixtureName : as);
    QFile::remove(target);
    EXPECT_TRUE(QFile::copy(fixture(fixtureName), target)) << fixtureName.toStdString();
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    return target;
}

QSet<QString> fcListFamilies() {
    QProcess p;
    p.start(u"fc-list"_s, {u"--format"_s, u"%{family[0]}\\n"_s});
    EXPECT_TRUE(p.waitForFinished(60000)) << "fc-list did not finish";
    QSet<QString> families;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) families.insert(QString::fromUtf8(line));
    return families;
}

QSet<QString> fcListFiles() {
    QProcess p;
    p.start(u"fc-list"_s, {u"--format"_s, u"%{file}\\n"_s});
    EXPECT_TRUE(p.waitForFinished(60000)) << "fc-list did not finish";
    EXPECT_EQ(p.exitCode(), 0);
    // A configuration file fontconfig cannot read is reported here, and ignored by every program.
    EXPECT_EQ(p.readAllStandardError().toStdString(), "");
    QSet<QString> files;
    for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
        if (line.isEmpty()) continue;
        // Fonts offered through links are the files the links point to.
        char resolved[PATH_MAX];
        files.insert(QFile::decodeName(::realpath(line.constData(), resolved) ? QByteArray(resolved)
                                                                              : line));
    }
    return files;
}

std::vector<std::string> sorted(const QSet<QString>& files) {
    std::vector<std::string> out;
    for (const QString& f : files)
        out.push_back(f.toStdString());
    std::sort(out.begin(), out.end());
    return out;
}

const std::vector<ManifestFace>& manifest() {
    static const std::vector<ManifestFace> faces = [] {
        std::vector<ManifestFace> out;
        QFile f(TempEnv::fixture(u"MANIFEST.tsv"_s));
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = f.readAll().split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QStringList cols = QString::fromUtf8(lines[i]).split(QLatin1Char('\t'));
            if (cols.size() < 9 || cols[8] == QLatin1String("invalid")) continue;
            out.push_back({cols[0], cols[1].toInt(), cols[2], cols[3], cols[8]});
        }
        return out;
    }();
    return faces;
}

std::vector<ManifestFace> manifestFaces(const QString& file) {
    std::vector<ManifestFace> out;
    for (const ManifestFace& m : manifest())
        if (m.file == file) out.push_back(m);
    std::sort(out.begin(), out.end(),
              [](const ManifestFace& a, const ManifestFace& b) { return a.face < b.face; });
    return out;
}

} // namespace lbtest
