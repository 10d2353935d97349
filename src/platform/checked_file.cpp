#include "platform/checked_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(CheckedFile)
};
} // namespace

namespace {

QString systemError(const QString& what, const QString& path, int error) {
    return QStringLiteral("%1 %2: %3")
        .arg(what, path, QString::fromLocal8Bit(std::strerror(error)));
}

// write(2) until every byte is out: a short write is not an error, a failing one is.
bool writeAll(int fd, const QByteArray& bytes, int& error) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        if (n == 0) {
            error = ENOSPC;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

bool sameContent(const QByteArray& path, const QByteArray& expected) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    QByteArray read;
    read.reserve(expected.size());
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        read.append(buffer, n);
        if (read.size() > expected.size()) break;
    }
    ::close(fd);
    return read == expected;
}

} // namespace

void syncFolder(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

QString writeFileChecked(const CheckedWrite& w, bool* existed) {
    if (existed) *existed = false;
    const QFileInfo info(w.path);
    const QString folder = info.absolutePath();
    if (!QDir().mkpath(folder)) return T::tr("The folder %1 could not be created.").arg(folder);
    if (info.isDir()) return T::tr("%1 is a folder, not a file.").arg(w.path);
    const QByteArray target = QFile::encodeName(w.path);
    // Dot-named: fontconfig and the program itself pass over such files if one is ever left.
    const QString temporaryName =
        !w.temporary.isEmpty()
            ? w.temporary
            : folder + QStringLiteral("/.") + info.fileName() +
                  QStringLiteral(".%1.tmp").arg(QRandomGenerator::global()->generate64(), 0, 16);
    const QByteArray temporary = QFile::encodeName(temporaryName);
    const int fd =
        ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_t(w.mode));
    if (fd < 0) return systemError(T::tr("Cannot write in"), folder, errno);
    int error = 0;
    bool ok = writeAll(fd, w.bytes, error);
    if (ok && ::fsync(fd) != 0) {
        error = errno;
        ok = false;
    }
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (ok && !sameContent(temporary, w.bytes)) {
        error = EIO;
        ok = false;
    }
    if (ok && w.beforeRename) {
        if (const QString why = w.beforeRename(temporaryName); !why.isEmpty()) {
            ::unlink(temporary.constData());
            return why;
        }
    }
    if (ok && (w.noReplace ? ::renameat2(AT_FDCWD, temporary.constData(), AT_FDCWD,
                                         target.constData(), RENAME_NOREPLACE)
                           : ::rename(temporary.constData(), target.constData())) != 0) {
        error = errno;
        ok = false;
        if (existed) *existed = error == EEXIST;
    }
    if (!ok) {
        ::unlink(temporary.constData());
        return systemError(T::tr("Cannot write"), w.path, error);
    }
    if (w.syncFolder) syncFolder(folder);
    return {};
}

QString replaceFileChecked(const QString& path, const QByteArray& bytes) {
    return writeFileChecked(CheckedWrite{path, bytes, {}, 0644, {}});
}

QString removeFileChecked(const QString& path) {
    const QByteArray target = QFile::encodeName(path);
    if (::unlink(target.constData()) != 0 && errno != ENOENT)
        return systemError(T::tr("Cannot remove"), path, errno);
    syncFolder(QFileInfo(path).absolutePath());
    return {};
}

QByteArray readWholeFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

} // namespace lb
