#pragma once

#include "core/main_context.h"

#include <QAbstractTableModel>
#include <QHash>
#include <array>
#include <vector>

namespace lb {

class FaceDrawing;

// The eight sizes of one font, in points.
inline constexpr std::array<int, 8> SampleSizes = {8, 12, 16, 24, 36, 48, 72, 96};
// The sizes of the list modes offered by the font-size box.
inline constexpr int ListSizeMin = 12, ListSizeMax = 48;
inline constexpr int SampleTextMaxLength = 60;
// Sample rows are 30 twips high per point of font size.
inline constexpr int TwipsPerPoint = 30;

enum SampleMode { ModeOneFont = 0, ModeAllFonts = 1, ModeAssignedFonts = 2 };

// Help topics of the grid.
enum SampleTopic { TopicOneFont = 1061, TopicAssignedFonts = 3000, TopicAllFonts = 3001 };

// What the pane shows besides its rows; the window renders it after every change.
struct PaneState {
    enum Shown { Empty, OneFont, List };
    Shown shown = Empty;
    bool messageVisible = false; // txtDisplay
    QString message;
    bool fontSizeEnabled = false;
    bool sampleCommands = false; // Print, Preview, Properties and their menu items
    bool stylesEnabled = false;  // the Bold, Italics and Underline buttons
    int helpTopic = TopicOneFont;
    QString caption;  // the main window's
    int firstRow = 0; // one-font mode: the first size shown (scroll bar value - 1)
    bool editorOpen = false;
};

struct SampleStyles {
    bool bold = false, italic = false, underline = false;
};

// How Display_Font ended.
enum class DisplayResult { Shown, Inactive, NotCatalogued, Unreadable };

// The sample pane: its state, its rules and its rows as a two-column table model (column 0
// the size or face name, column 1 the sample). Rows carry no fonts: the view makes the font of
// the rows it draws, so a list of any length costs one entry per typeface.
class SamplePane : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Roles { FaceRole = Qt::UserRole + 1, PointSizeRole, StateRole, DrawableRole };

    SamplePane(MainContext& ctx, FaceDrawing& drawing, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const PaneState& state() const { return state_; }
    // The size of the list modes ([Font Size]), as the font-size box shows it.
    int listSize() const { return listSize_; }
    SampleStyles styles() const { return {ctx_.app.bold, ctx_.app.italic, ctx_.app.underline}; }
    const QString& sampleText() const { return ctx_.app.sampleText; }
    // A row's height in twips.
    int rowTwips(int row) const;
    // Whether row `row` can be drawn in its own face (loads the face's files when needed).
    bool drawable(int row) const;

    // Main window load: the stored sample text and size, and the empty pane.
    void load();

    void Hide_Samples();
    void Reset_Styles();
    // The picked font in the eight sizes.
    DisplayResult Display_Font();
    // The All Fonts (mode 1) or Assigned Fonts (mode 2) list in the stored size.
    void Display_List(int mode);
    void Toggle_Bold();
    void Toggle_Italics();
    void Toggle_Underline();
    // A size picked in the font-size box; false when nothing changed.
    bool cmbFontSize_Click(int size, bool mainWindowActive);
    // Opens the sample-text editor; false when it is open already.
    bool Sample_Text();
    // "Update Text": trims `boxText` in place; false when refused (the editor stays open).
    bool cmdSample_Click(QString& boxText);
    // The one-font scroll bar moved to `value` (1 to 8).
    void scrDisplay_Change(int value);
    // The list size was stored by another window: the rows follow it.
    void reloadListSize();

Q_SIGNALS:
    void stateChanged();
    // Row heights changed without a change of rows.
    void sizesChanged();

private:
    struct Row {
        QString face;
        int size = 0; // one-font mode
        FaceState state = FaceState::Active;
    };
    void setRows(std::vector<Row> rows);
    void stylesChanged();
    void changed() { Q_EMIT stateChanged(); }
    bool faceDrawable(const QString& face) const;
    // The sample text as the face can draw it.
    QString sampleFor(const QString& face) const;

    MainContext& ctx_;
    FaceDrawing& drawing_;
    PaneState state_;
    std::vector<Row> rows_;
    int listSize_ = ListSizeMin;
    QString countText_;
    mutable QHash<QString, bool> drawable_;   // per face, for the rows shown now
    mutable QHash<QString, QString> samples_; // per face, for the rows and text shown now
    mutable QString samplesOf_;               // the sample text samples_ was made from
};

// The files of a face: every [Fonts] row of that face name, bare names in the fonts folder.
QStringList faceFiles(AppState& app, const QString& face);

// A [Fonts] file name as a path: bare names lie in the fonts folder.
QString fontFilePath(const AppState& app, const QString& fileName);

// "No Font Names", "1 Font Name", "N Font Names".
QString fontNamesText(int count);

// The list-mode size stored in the settings, kept within the box's range.
int storedListSize(AppState& app);

} // namespace lb
