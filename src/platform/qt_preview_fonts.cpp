#include "platform/qt_preview_fonts.h"

#include <QFile>
#include <QtEndian>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace lb {

namespace {

// The whole file, when it is a regular one: opened without waiting, so a FIFO put in its place
// since it was listed is refused rather than waited on.
QByteArray readRegularFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    struct stat st;
    QFile file;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {};
    }
    return file.readAll();
}

quint32 be32(const QByteArray& b, qsizetype at) {
    return qFromBigEndian<quint32>(b.constData() + at);
}

// Face `face` of a collection as a font file of its own. QRawFont always opens a collection's
// first face, so the face's tables are copied out behind a table directory of their own; empty
// when the bytes are no collection with that face.
QByteArray collectionFace(const QByteArray& file, int face) {
    const qsizetype size = file.size();
    if (size < 12 || !file.startsWith("ttcf") || face < 0 || quint32(face) >= be32(file, 8) ||
        12 + 4 * (qsizetype(face) + 1) > size)
        return {};
    const qsizetype dir = be32(file, 12 + 4 * face);
    if (dir < 0 || dir + 12 > size) return {};
    const int tables = qFromBigEndian<quint16>(file.constData() + dir + 4);
    if (dir + 12 + 16 * qsizetype(tables) > size) return {};
    QByteArray out = file.mid(dir, 12 + 16 * tables);
    for (int t = 0; t < tables; ++t) {
        const qsizetype record = 12 + 16 * t;
        const qsizetype offset = be32(out, record + 8), length = be32(out, record + 12);
        if (offset + length > size) return {};
        out.append((4 - out.size() % 4) % 4, '\0'); // tables start on four bytes
        qToBigEndian<quint32>(quint32(out.size()), out.data() + record + 8);
        out.append(file.constData() + offset, length);
    }
    return out;
}

} // namespace

int QtPreviewFonts::add(const QString& path, int face) {
    if (path.isEmpty()) return -1;
    sources_.insert(next_, Source{path, face});
    return next_++;
}

void QtPreviewFonts::removeAll() {
    sources_.clear();
    held_.clear();
    recent_.clear();
    heldBytes_ = 0;
}

QRawFont QtPreviewFonts::rawFont(int id, qreal pixelSize) {
    if (pixelSize != rawSize_) {
        for (Held& h : held_)
            h.raw = QRawFont();
        rawSize_ = pixelSize;
    }
    auto it = held_.find(id);
    if (it != held_.end()) {
        recent_.remove(id);
    } else {
        const auto source = sources_.constFind(id);
        if (source == sources_.constEnd()) return {};
        // Read once while its row is drawn, however often; a file cut short or gone since it
        // was read draws from the bytes held, and once let go it is read as it is then.
        Held h{readRegularFile(source->path), {}};
        if (source->face > 0) h.data = collectionFace(h.data, source->face);
        heldBytes_ += h.data.size();
        it = held_.insert(id, std::move(h));
    }
    recent_.push_front(id);
    if (!it->raw.isValid() && !it->data.isEmpty()) it->raw = QRawFont(it->data, pixelSize);
    const QRawFont raw = it->raw;
    while (recent_.size() > 1 && (int(held_.size()) > HeldFiles || heldBytes_ > HeldBytes)) {
        const auto oldest = held_.find(recent_.back());
        heldBytes_ -= oldest->data.size();
        held_.erase(oldest);
        recent_.pop_back();
    }
    return raw;
}

} // namespace lb
