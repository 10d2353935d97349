#include "platform/qt_preview_fonts.h"

#include <QFile>
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

} // namespace

int QtPreviewFonts::add(const QString& path) {
    if (path.isEmpty()) return -1;
    paths_.insert(next_, path);
    return next_++;
}

void QtPreviewFonts::removeAll() {
    paths_.clear();
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
        const auto path = paths_.constFind(id);
        if (path == paths_.constEnd()) return {};
        // Read once while its row is drawn, however often; a file cut short or gone since it
        // was read draws from the bytes held, and once let go it is read as it is then.
        Held h{readRegularFile(*path), {}};
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
