#include "platform/file_journal.h"

#include "platform/checked_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(FileJournal)
};
} // namespace

namespace {

const QByteArray Header = "letterbay-journal 1 ";
const QString Suffix = QStringLiteral(".journal");

// One record a line; fields percent-encoded, so that any file name (tabs, line breaks, bytes
// that are not text) survives.
QByteArray encode(const QString& tag, const QStringList& fields) {
    QByteArray line = tag.toUtf8();
    for (const QString& f : fields)
        line += '\t' + QFile::encodeName(f).toPercentEncoding("/ ");
    return line + '\n';
}

bool writeAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        left -= n;
    }
    return true;
}

QByteArray readAll(int fd) {
    QByteArray bytes;
    char buffer[16384];
    ::lseek(fd, 0, SEEK_SET);
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        bytes.append(buffer, n);
    }
    return bytes;
}

} // namespace

FileJournal::FileJournal(int fd, QString path, QString id, QString kind)
    : fd_(fd), path_(std::move(path)), id_(std::move(id)), kind_(std::move(kind)) {}

FileJournal::~FileJournal() {
    if (fd_ >= 0) ::close(fd_); // the lock goes with it; the file stays for the next start
}

std::unique_ptr<FileJournal> FileJournal::begin(const QString& folder, const QString& kind,
                                                QString& error) {
    if (!QDir().mkpath(folder)) {
        error = T::tr("The folder %1 cannot be created.").arg(folder);
        return nullptr;
    }
    const QString id =
        kind + QLatin1Char('-') + QString::number(QRandomGenerator::global()->generate64(), 36);
    const QString path = folder + QLatin1Char('/') + id + Suffix;
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return nullptr;
    }
    // Held until the journal is closed or the process ends, however it ends.
    ::flock(fd, LOCK_EX);
    std::unique_ptr<FileJournal> j(new FileJournal(fd, path, id, kind));
    if (!writeAll(fd, Header + kind.toUtf8() + '\n') || ::fsync(fd) != 0) {
        error = QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        j->close();
        return nullptr;
    }
    syncFolder(folder);
    return j;
}

std::unique_ptr<FileJournal> FileJournal::inMemory(const QString& kind) {
    std::unique_ptr<FileJournal> j(new FileJournal(-1, {}, kind, kind));
    j->memoryOnly_ = true;
    return j;
}

std::unique_ptr<FileJournal> FileJournal::read(const QString& path, bool lock) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return nullptr;
    if (lock && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return nullptr; // its program is still at work
    }
    // Another program may have put this work right and removed the journal meanwhile.
    struct stat held {
    }, named{};
    if (lock &&
        (::fstat(fd, &held) != 0 || ::stat(QFile::encodeName(path).constData(), &named) != 0 ||
         held.st_ino != named.st_ino || held.st_dev != named.st_dev)) {
        ::close(fd);
        return nullptr;
    }
    const QByteArray bytes = readAll(fd);
    const QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || !lines.first().startsWith(Header)) {
        ::close(fd);
        // Cut off before its header was complete: nothing was changed under it.
        if (lock) QFile::remove(path);
        return nullptr;
    }
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    std::unique_ptr<FileJournal> j(
        new FileJournal(fd, path, name.chopped(Suffix.size()),
                        QString::fromUtf8(lines.first().mid(Header.size()))));
    // The last line counts only when it is complete: a record cut off was never acted on.
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        const QList<QByteArray> parts = lines[i].split('\t');
        Record r{QString::fromUtf8(parts.first()), {}};
        for (qsizetype k = 1; k < parts.size(); ++k)
            r.fields << QFile::decodeName(QByteArray::fromPercentEncoding(parts[k]));
        j->records_.push_back(std::move(r));
    }
    if (!lock) {
        ::close(j->fd_);
        j->fd_ = -1;
    }
    return j;
}

std::vector<std::unique_ptr<FileJournal>> FileJournal::abandoned(const QString& folder) {
    std::vector<std::unique_ptr<FileJournal>> out;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QLatin1Char('*') + Suffix}, QDir::Files, QDir::Name))
        if (auto j = read(dir.filePath(name), true)) out.push_back(std::move(j));
    return out;
}

QSet<QString> FileJournal::namedPaths(const QString& folder) {
    QSet<QString> paths;
    const QDir dir(folder);
    for (const QString& name : dir.entryList({QLatin1Char('*') + Suffix}, QDir::Files))
        if (auto j = read(dir.filePath(name), false))
            for (const Record& r : j->records_)
                for (const QString& f : r.fields)
                    paths.insert(f);
    return paths;
}

std::vector<QStringList> FileJournal::fieldsOf(const QString& tag) const {
    std::vector<QStringList> out;
    for (const Record& r : records_)
        if (r.tag == tag) out.push_back(r.fields);
    return out;
}

bool FileJournal::record(const QString& tag, const QStringList& fields) {
    return recordAll(tag, {fields});
}

bool FileJournal::note(const QString& tag, const QStringList& fields) {
    return write(tag, {fields}, false);
}

bool FileJournal::recordAll(const QString& tag, const std::vector<QStringList>& records) {
    return write(tag, records, true);
}

bool FileJournal::write(const QString& tag, const std::vector<QStringList>& records, bool sync) {
    if (records.empty()) return true;
    if (!memoryOnly_) {
        if (fd_ < 0) {
            error_ = T::tr("the journal %1 is closed").arg(path_);
            return false;
        }
        QByteArray bytes;
        for (const QStringList& fields : records)
            bytes += encode(tag, fields);
        ::lseek(fd_, 0, SEEK_END);
        // One sync for the lot: a sync per file made removing a thousand fonts wait on the disk
        // a thousand times.
        if (!writeAll(fd_, bytes) || (sync && ::fdatasync(fd_) != 0)) {
            error_ =
                QStringLiteral("%1: %2").arg(path_, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
    }
    for (const QStringList& fields : records)
        records_.push_back(Record{tag, fields});
    return true;
}

void FileJournal::close() {
    if (path_.isEmpty()) return;
    QFile::remove(path_);
    syncFolder(path_.left(path_.lastIndexOf(QLatin1Char('/'))));
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

} // namespace lb
