#pragma once

#include "catalogue/font_properties.h"
#include "core/main_context.h"
#include "platform/fonts.h"

#include <QAbstractTableModel>
#include <functional>
#include <vector>

namespace lb {

// One face of a font file of the previewed folder and what was read from it. A collection is an
// entry per face, each under its own family; installing any of them installs the whole file.
struct PreviewEntry {
    QString fileName;     // as the folder spells it
    QString face;         // the name all files of its typeface share; its file name if unread
    QString resourceName; // its own full name
    QString valueName;    // what the installed face will be listed under
    bool readable = false;
    bool textName = true;     // false: the folder spells its name in bytes that are not text
    bool installable = false; // the catalogue keeps it once installed: a font that scales
    int fontId = -1;          // named for drawing; -1 when it is not drawn
    int faceIndex = 0;        // its face in the file
    // Every face of a collection, its first included, all catalogued when the file is installed;
    // empty for a file of one face.
    std::vector<FurtherFace> fileFaces;
};

// One row of the preview: a face name and every file of the folder that has exactly that name.
// A file no one can name is a row of its own, under its file name.
struct PreviewRow {
    QString face;
    std::vector<PreviewEntry> files;
    bool readable = true;
    bool installable = false; // at least one of its files can be installed
    bool installed = false;   // the catalogue holds the face
    bool selected = false;
};

// What the preview window shows of itself besides its rows: the message panel, the progress
// bar and the blocked window. The window implements it; tests record it.
class PreviewView {
public:
    virtual ~PreviewView() = default;
    virtual void setStatus(const QString& text) = 0;
    virtual void setBusy(bool busy) = 0; // window disabled and hourglass while busy
    virtual void showProgress(bool visible) = 0;
    virtual void setProgressRange(int maximum) = 0;
    virtual void setProgressValue(int value) = 0;
    virtual void yield() = 0; // repaint only
};

// A long step of the preview: busy and progress, undone however it ends.
class PreviewBusy {
public:
    PreviewBusy(PreviewView& view, int steps);
    ~PreviewBusy();
    PreviewBusy(const PreviewBusy&) = delete;
    PreviewBusy& operator=(const PreviewBusy&) = delete;
    void step(int n = 1);
    void range(int steps);

private:
    PreviewView& view_;
    int value_ = 0;
};

// The status line's prompts, in the user's language.
QString previewPrompt();
QString installPrompt();

// What a press in the preview grid leads to.
struct PreviewPress {
    bool handled = false;
    bool showPopup = false; // the "Preview" pop-up menu, about popupRow
    int popupRow = -1;
    QString status; // the message panel's new text; empty to leave it
};

// Reads the names of font files on worker threads, a share of the files each. `ready(i, names)`
// runs on the calling thread for each file as it is read; `idle()` runs there while it waits.
void readFontFiles(const QString& folder, const QStringList& files, FaceNameReader& reader,
                   const std::function<void(int, FaceNames&&)>& ready,
                   const std::function<void()>& idle);

// The rows of a folder's entries: sorted by face name without regard to case (case variants
// next to each other, then by file name), files of exactly the same face name in one row.
std::vector<PreviewRow> previewRows(std::vector<PreviewEntry> entries);

// The Font Preview dialog's rules and rows: the folder shown, its fonts loaded for this program
// alone, the selection and the sizes. A table model of two columns (the face name, the sample);
// rows carry no fonts, the view draws the rows on screen.
class FontPreview : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Roles {
        FontIdsRole = Qt::UserRole + 1, // the loaded fonts of the row's files (QVariantList)
        FaceRole,
        PointSizeRole,
        SelectedRole,
        InstalledRole,
        ReadableRole,
        InstallableRole,
    };

    FontPreview(MainContext& ctx, PreviewFonts& fonts, PreviewView& view,
                QObject* parent = nullptr);
    ~FontPreview() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The font files of a folder that the catalogue would count: TrueType, OpenType, their
    // collections and Type 1 (".ttf", ".ttc", ".otf", ".otc", ".pfb", ".pfa", ".t1" in any letter
    // case), each once; files only, and no hidden ones (fontconfig skips those).
    static QStringList fontFiles(const QString& folder);

    // The folder shown, as the file system spells it, ending in "/".
    const QString& folder() const { return folder_; }
    // True while the folder's fonts are loaded and the grid shows them.
    bool shown() const { return shown_; }
    int size() const { return int(rows_.size()); }
    const PreviewRow& row(int i) const { return rows_[size_t(i)]; }
    int selectedCount() const { return selectedCount_; }
    int anchor() const { return anchor_; }
    int listSize() const { return listSize_; }
    // The number of installable rows: what Select All selects.
    int installableCount() const;
    // "Fonts to be Installed: " and the selection count.
    QString installCountText() const;
    // After an installation the Cancel button reads "Close".
    bool installedOnce() const { return installedOnce_; }

    // Another folder chosen: the fonts of the one shown are unloaded, then the new one's loaded.
    void boxDir_Change(const QString& folder);
    // Only these files of the folders shown from now on are read (file names, as fontFiles()
    // gives them); empty for every font file. The command line installs files one by one.
    void limitTo(const QStringList& fileNames) { limit_ = fileNames; }
    void Load_PreviewFonts();
    void Unload_PreviewFonts();
    // A mouse press on row `row` (-1: the header) with the lists' button and shift codes.
    PreviewPress grdSample_MouseDown(int row, int button, int shift);
    void cmdSelect_Click();
    void cmdDeselect_Click();
    // A size chosen; false when it is the stored one.
    bool cmbFontSize_Click(int size);

    // The files of a row, for the properties dialog.
    std::vector<PreviewFile> propertyFiles(int row) const;
    // After an installation: marks each row by whether the catalogue now holds its face.
    void markInstalled();
    void setInstalledOnce() {
        installedOnce_ = true;
        Q_EMIT stateChanged();
    }

Q_SIGNALS:
    // The folder, the shown state or the selection changed.
    void stateChanged();
    // Row heights changed without a change of rows.
    void sizesChanged();

private:
    void setRows(std::vector<PreviewRow> rows);
    void rowsChanged();
    // Marks each row by whether the catalogue holds its face (without regard to case).
    void markCatalogued(std::vector<PreviewRow>& rows) const;

    MainContext& ctx_;
    PreviewFonts& fonts_;
    PreviewView& view_;
    QString folder_;
    bool shown_ = false;
    bool installedOnce_ = false;
    std::vector<PreviewRow> rows_;
    QStringList limit_;
    int selectedCount_ = 0;
    int anchor_ = -1;
    int listSize_ = 12;
};

} // namespace lb
