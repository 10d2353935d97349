#pragma once

#include "platform/fonts.h"

#include <QFont>
#include <QHash>

namespace lb {

// Draws catalogued faces with Qt. Qt reads the desktop's fonts once, at start-up: a font
// shown or installed since is loaded from its files as an application font, for this program
// only. A face is used only when the font Qt resolves for it, without falling back to other
// fonts for missing characters, is that face. A font with only a symbol character map keeps its
// glyphs at U+F020 to U+F0FF; Qt's FreeType engine draws character n from U+F000 + n itself.
class QtFaceDrawing : public FaceDrawing {
public:
    bool known(const QString& face) override;
    bool load(const QString& face, const QStringList& files) override;

    // The font that draws `face` as itself; call only after known() or load() said yes.
    QFont font(const QString& face, int pointSize, bool bold, bool italic, bool underline);
    // The same for a printed page. A face with no bold or italic file of its own is made bold or
    // slanted by Qt only when its font may merge: Qt's PDF output leaves it upright and regular
    // otherwise, so a styled sample prints as the screen draws it at the cost of other fonts
    // filling characters the face lacks.
    QFont printFont(const QString& face, int pointSize, bool bold, bool italic, bool underline);
    // How many font files this program has loaded for itself.
    int loadedFiles() const { return int(loadedFiles_.size()); }

private:
    bool resolve(const QString& key);
    void readFamilies();
    void addFamily(const QString& family);

    bool familiesRead_ = false;
    QHash<QString, QString> familyOf_; // case-folded name -> Qt's family
    QHash<QString, QString> resolved_; // case-folded face -> family that draws it
    QHash<QString, int> loadedFiles_;  // path -> application font id (-1 when unreadable)
};

} // namespace lb
