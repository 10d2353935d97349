#pragma once

// The fonts a document uses: the names read from PDF, SVG, OpenDocument, Office Open XML,
// Scribus and CSS files, and those names matched to catalogued typefaces as fontconfig matches
// names (letter case ignored; family, full name, PostScript name).

#include <QHash>
#include <QString>
#include <QStringList>

namespace lb {

// What one document names.
struct DocumentFonts {
    QString file;
    QStringList names; // as the document gives them, cleaned; each once, letter case ignored
    QString problem;   // why the document could not be read, naming it; empty when it was read
    QString note;      // read in part only (too large to read in time), naming it
};

// Reads the font names of a document. Files are streamed, never loaded whole, and reading stops
// after `seconds` with what was found so far (and a note).
DocumentFonts readDocumentFonts(const QString& path, int seconds = 20);

// A font name as a document spells it, cleaned: quotes and blanks around it, a PDF subset tag
// ("ABCDEF+") and a style after a comma ("Arial,Bold") removed. Empty for a generic family
// (sans-serif, serif, monospace...) or a CSS keyword, which name no font.
QString documentFontName(const QString& raw);
// The names of a CSS font-family value ("'Fixture Sans', Arial, sans-serif"), cleaned.
QStringList cssFamilies(const QString& value);
// The names of every font-family declaration in CSS text (a style sheet or a style attribute).
QStringList cssFontFamilies(const QString& css);

// Catalogued typefaces by every name fontconfig gives their files.
class FontNameIndex {
public:
    // Records that `name` names the typeface `face`.
    void add(const QString& name, const QString& face);
    // The installed fonts as fontconfig lists them, hidden ones included: each file's families,
    // full names, PostScript name and family with style, for the files `faceOfPath` (full path to
    // catalogued typeface) holds.
    static FontNameIndex installed(const QHash<QString, QString>& faceOfPath);
    // The typefaces a name from a document names; empty when none is catalogued.
    QStringList faces(const QString& documentName) const;

private:
    QHash<QString, QStringList> faces_; // by case-folded name
};

} // namespace lb
