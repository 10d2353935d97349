#include "platform/qt_preview_fonts.h"

namespace lb {

int QtPreviewFonts::add(const QByteArray& data) {
    if (data.isEmpty()) return -1;
    data_.insert(next_, data);
    return next_++;
}

void QtPreviewFonts::removeAll() {
    data_.clear();
    raw_.clear();
}

QRawFont QtPreviewFonts::rawFont(int id, qreal pixelSize) {
    if (pixelSize != rawSize_) {
        raw_.clear();
        rawSize_ = pixelSize;
    }
    if (const auto it = raw_.constFind(id); it != raw_.constEnd()) return *it;
    const auto data = data_.constFind(id);
    // Made from memory: the file itself is never read again, wherever it went meanwhile.
    QRawFont raw = data == data_.constEnd() ? QRawFont() : QRawFont(*data, pixelSize);
    raw_.insert(id, raw);
    return raw;
}

} // namespace lb
