#include "samples/sample_pane.h"

#include "activation/activation.h"
#include "core/busy.h"
#include "core/schema.h"
#include "core/settings.h"
#include "platform/font_charmap.h"
#include "platform/fonts.h"

#include <QCoreApplication>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(SamplePane)
};
} // namespace

QString fontFilePath(const AppState& app, const QString& fileName) {
    if (fileName.contains(QLatin1Char('/'))) return fileName;
    return app.fontsFolder + fileName;
}

QStringList faceFiles(AppState& app, const QString& face) {
    // A statement of its own: the main window's record sets keep their cursors.
    Statement st = app.db->prepare(
        QStringLiteral("SELECT DISTINCT [File Name] FROM [Fonts] WHERE [Face Name] = ?"));
    st.bind(1, face);
    QStringList files;
    while (st.step())
        files << fontFilePath(app, st.text(0));
    return files;
}

QString fontNamesText(int count) {
    if (count == 0) return T::tr("No Font Names");
    if (count == 1) return T::tr("1 Font Name");
    return T::tr("%1 Font Names").arg(count);
}

int storedListSize(AppState& app) {
    const int size = readSetting(app, fld::FontSize).toInt();
    return std::clamp(size, ListSizeMin, ListSizeMax);
}

SamplePane::SamplePane(MainContext& ctx, FaceDrawing& drawing, QObject* parent)
    : QAbstractTableModel(parent), ctx_(ctx), drawing_(drawing) {
    state_.caption = AppTitle;
}

int SamplePane::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int SamplePane::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

bool SamplePane::faceDrawable(const QString& face) const {
    const auto it = drawable_.constFind(face);
    if (it != drawable_.constEnd()) return *it;
    const bool ok = drawing_.known(face) || drawing_.load(face, faceFiles(ctx_.app, face));
    drawable_.insert(face, ok);
    return ok;
}

QString SamplePane::sampleFor(const QString& face) const {
    if (samplesOf_ != ctx_.app.sampleText) {
        samples_.clear();
        samplesOf_ = ctx_.app.sampleText;
    }
    const auto it = samples_.constFind(face);
    if (it != samples_.constEnd()) return *it;
    const QString text = drawableSample(faceFiles(ctx_.app, face), ctx_.app.sampleText);
    samples_.insert(face, text);
    return text;
}

bool SamplePane::drawable(int row) const {
    if (row < 0 || row >= int(rows_.size())) return false;
    const Row& r = rows_[size_t(row)];
    // An inactive font is never drawn: whatever face appeared would not be that font's.
    if (r.state == FaceState::Inactive) return false;
    return faceDrawable(r.face);
}

QVariant SamplePane::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const Row& r = rows_[size_t(index.row())];
    const bool oneFont = state_.shown == PaneState::OneFont;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        if (index.column() == 0) return oneFont ? QString::number(r.size) : r.face;
        return drawable(index.row()) ? sampleFor(r.face) : QString();
    case Qt::ToolTipRole:
        // A name too long for its column is cut with an ellipsis: the whole of it on hovering.
        if (index.column() == 0 && !oneFont) return r.face;
        return {};
    case Qt::TextAlignmentRole:
        return int((index.column() == 0 && oneFont ? Qt::AlignRight : Qt::AlignLeft) |
                   Qt::AlignVCenter);
    case FaceRole:
        return r.face;
    case PointSizeRole:
        return oneFont ? r.size : listSize_;
    case StateRole:
        return int(r.state);
    case DrawableRole:
        return index.column() == 1 && drawable(index.row());
    default:
        return {};
    }
}

QVariant SamplePane::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole)
        return int(
            (section == 0 && state_.shown == PaneState::OneFont ? Qt::AlignRight : Qt::AlignLeft) |
            Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    if (state_.shown == PaneState::OneFont)
        return section == 0 ? T::tr("Font Size")
                            : T::tr("Sample Text using current font in select sizes");
    if (section == 0) return countText_;
    return ctx_.app.sampleMode == ModeAssignedFonts
               ? T::tr("Sample Text using Assigned Fonts list in FontSize")
               : T::tr("Sample Text using the All Fonts list in FontSize");
}

int SamplePane::rowTwips(int row) const {
    if (state_.shown == PaneState::OneFont && row >= 0 && row < int(rows_.size()))
        return rows_[size_t(row)].size * TwipsPerPoint;
    return listSize_ * TwipsPerPoint;
}

void SamplePane::setRows(std::vector<Row> rows) {
    beginResetModel();
    rows_.swap(rows);
    drawable_.clear();
    samples_.clear();
    endResetModel();
}

void SamplePane::load() {
    AppState& app = ctx_.app;
    app.sampleText = readSetting(app, fld::SampleText).toString();
    listSize_ = storedListSize(app);
    Hide_Samples();
}

void SamplePane::Hide_Samples() {
    state_.shown = PaneState::Empty;
    state_.messageVisible = false;
    state_.fontSizeEnabled = false;
    state_.sampleCommands = false;
    state_.helpTopic = TopicOneFont;
    state_.caption = AppTitle;
    // Nothing is shown: the rows and what was loaded for them can go.
    setRows({});
    Reset_Styles();
}

void SamplePane::Reset_Styles() {
    AppState& app = ctx_.app;
    app.bold = app.italic = app.underline = false;
    state_.stylesEnabled = false;
    stylesChanged();
}

void SamplePane::stylesChanged() {
    if (!rows_.empty()) Q_EMIT dataChanged(index(0, 1), index(int(rows_.size()) - 1, 1));
    changed();
}

DisplayResult SamplePane::Display_Font() {
    AppState& app = ctx_.app;
    state_.helpTopic = TopicOneFont;
    app.currentFontName = app.pickedFontName;
    writeSetting(app, fld::SelectedFont, app.pickedFontName);
    const QString face = app.currentFontName;

    auto refuse = [&](DisplayResult result, const QString& text) {
        Hide_Samples();
        state_.messageVisible = true;
        state_.message = text;
        // A catalogued font whose files cannot be read still has properties and sets to look at.
        state_.sampleCommands = result == DisplayResult::Unreadable;
        changed();
        return result;
    };
    // A name the catalogue no longer holds (deleted since, or still in History): Qt would
    // draw its default face under that name.
    const QStringList files = faceFiles(app, face);
    if (files.isEmpty())
        return refuse(DisplayResult::NotCatalogued,
                      T::tr("Cannot display sample text for a font that is no longer installed."));
    if (IsIt_Inactive(ctx_) == FaceState::Inactive)
        return refuse(DisplayResult::Inactive,
                      T::tr("Cannot display sample text for an inactivated font."));
    drawable_.clear();
    if (!drawing_.known(face) && !drawing_.load(face, files))
        return refuse(DisplayResult::Unreadable,
                      T::tr("Cannot display sample text: the files of this font cannot be "
                            "read."));

    state_.messageVisible = false;
    state_.fontSizeEnabled = false;
    state_.sampleCommands = true;
    state_.stylesEnabled = true;
    state_.caption = AppTitle + QStringLiteral(" - ") + face;
    changed();
    ctx_.view.yield();

    std::vector<Row> rows;
    rows.reserve(SampleSizes.size());
    for (int size : SampleSizes)
        rows.push_back(Row{face, size, FaceState::Active});
    state_.shown = PaneState::OneFont;
    setRows(std::move(rows));
    drawable_.insert(face, true);
    app.sampleMode = ModeOneFont;
    state_.firstRow = 0;
    changed();
    return DisplayResult::Shown;
}

void SamplePane::Display_List(int mode) {
    AppState& app = ctx_.app;
    OperationView& view = ctx_.view;
    app.sampleMode = mode;
    state_.stylesEnabled = true;
    const bool all = mode == ModeAllFonts;
    view.setMessage(all ? T::tr("Displaying sample text using fonts from All Fonts list")
                        : T::tr("Displaying sample text using fonts from Assigned Fonts list"));
    state_.caption = (all ? T::tr("%1 - All Fonts") : T::tr("%1 - Assigned Fonts")).arg(AppTitle);

    state_.helpTopic = all ? TopicAllFonts : TopicAssignedFonts;
    changed();
    view.yield();

    FontListModel& source = all ? ctx_.allFonts : ctx_.assignedFonts;
    Busy busy(ctx_, source.size() + 1);
    state_.messageVisible = false;
    state_.fontSizeEnabled = false;
    state_.shown = PaneState::Empty; // hidden while it fills
    changed();

    listSize_ = storedListSize(app);
    // The Assigned Fonts list does not mark inactive fonts: ask for each.
    if (!all) app.datFonts->refresh();
    std::vector<Row> rows;
    rows.reserve(size_t(source.size()));
    for (int i = 0; i < source.size(); ++i) {
        const FontListModel::Row& r = source.row(i);
        rows.push_back(Row{r.name, 0, all ? r.state : stateOfFace(ctx_, r.name)});
        busy.step();
    }
    countText_ = fontNamesText(int(rows.size()));
    state_.shown = PaneState::List;
    setRows(std::move(rows));
    busy.done();
    state_.fontSizeEnabled = true;
    state_.sampleCommands = true;
    changed();
}

void SamplePane::Toggle_Bold() {
    ctx_.app.bold = !ctx_.app.bold;
    stylesChanged();
}

void SamplePane::Toggle_Italics() {
    ctx_.app.italic = !ctx_.app.italic;
    stylesChanged();
}

void SamplePane::Toggle_Underline() {
    ctx_.app.underline = !ctx_.app.underline;
    stylesChanged();
}

bool SamplePane::cmbFontSize_Click(int size, bool mainWindowActive) {
    AppState& app = ctx_.app;
    if (size == readSetting(app, fld::FontSize).toInt()) return false;
    if (!mainWindowActive) return false;
    writeSetting(app, fld::FontSize, size);
    listSize_ = std::clamp(size, ListSizeMin, ListSizeMax);
    // Every row has the one size: the view changes one height and redraws what is on screen.
    Busy busy(ctx_, int(rows_.size()) + 1);
    Q_EMIT sizesChanged();
    if (!rows_.empty()) Q_EMIT dataChanged(index(0, 1), index(int(rows_.size()) - 1, 1));
    return true;
}

bool SamplePane::Sample_Text() {
    if (state_.editorOpen) return false;
    ctx_.view.setMessage(T::tr("Sample Text:"));
    state_.editorOpen = true;
    changed();
    return true;
}

bool SamplePane::cmdSample_Click(QString& boxText) {
    AppState& app = ctx_.app;
    boxText = boxText.trimmed().left(SampleTextMaxLength);
    if (boxText.isEmpty()) {
        app.messages.ask(MessageKind::Critical, AppTitle, T::tr("Sample Text is required."));
        return false;
    }
    if (boxText != app.sampleText) {
        writeSetting(app, fld::SampleText, boxText);
        app.sampleText = boxText;
        ctx_.view.setMessage(T::tr("Sample text changed successfully."));
    } else {
        ctx_.view.setMessage(T::tr("Sample text was not changed."));
    }
    state_.editorOpen = false;
    stylesChanged();
    return true;
}

void SamplePane::reloadListSize() {
    const int size = storedListSize(ctx_.app);
    if (size == listSize_) return;
    listSize_ = size;
    Q_EMIT sizesChanged();
    changed();
}

void SamplePane::scrDisplay_Change(int value) {
    state_.firstRow = std::clamp(value, 1, int(SampleSizes.size())) - 1;
    changed();
}

} // namespace lb
