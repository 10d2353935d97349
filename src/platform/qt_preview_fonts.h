#pragma once

#include "platform/fonts.h"

#include <QHash>
#include <QRawFont>
#include <list>

namespace lb {

// Previewed font files drawn from their bytes, each file exactly as itself: no name is looked up
// in the program's font list, so a preview can neither be mistaken for an installed font of the
// same name (or of a name that differs only in letter case, which Qt's font list does not tell
// apart) nor disturb the fonts the rest of the program draws with. A folder may hold thousands of
// large files: only the files drawn last are kept in memory, and a file read again once it has
// left them.
class QtPreviewFonts : public PreviewFonts {
public:
    // At most this many files, and this many bytes (but always the file drawn last), are held.
    static constexpr int HeldFiles = 64;
    static constexpr qint64 HeldBytes = 256 * 1024 * 1024;

    int add(const QString& path, int face) override;
    void removeAll() override;
    int loadedCount() const override { return int(held_.size()); }

    // The face named `id` at `pixelSize`; invalid when its bytes hold no usable font.
    QRawFont rawFont(int id, qreal pixelSize);

private:
    struct Held {
        QByteArray data;
        QRawFont raw; // at rawSize_: one size is on screen at a time
    };

    struct Source {
        QString path;
        int face = 0;
    };

    QHash<int, Source> sources_;
    QHash<int, Held> held_;
    std::list<int> recent_; // the ids of held_, the one drawn last first
    qint64 heldBytes_ = 0;
    qreal rawSize_ = 0;
    int next_ = 0;
};

} // namespace lb
