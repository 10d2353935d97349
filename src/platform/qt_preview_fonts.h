#pragma once

#include "platform/fonts.h"

#include <QHash>
#include <QRawFont>

namespace lb {

// Previewed font files kept as their bytes and drawn from them, each file exactly as itself: no
// name is looked up in the program's font list, so a preview can neither be mistaken for an
// installed font of the same name (or of a name that differs only in letter case, which Qt's font
// list does not tell apart) nor disturb the fonts the rest of the program draws with.
class QtPreviewFonts : public PreviewFonts {
public:
    int add(const QByteArray& data) override;
    void removeAll() override;
    int loadedCount() const override { return int(data_.size()); }

    // The face of file `id` at `pixelSize`; invalid when its bytes hold no usable font.
    QRawFont rawFont(int id, qreal pixelSize);

private:
    QHash<int, QByteArray> data_;
    QHash<int, QRawFont> raw_; // at rawSize_: one size is on screen at a time
    qreal rawSize_ = 0;
    int next_ = 0;
};

} // namespace lb
