#include "preview/font_preview.h"

#include "catalogue/refresh.h"
#include "catalogue/selection.h"
#include "core/schema.h"
#include "core/settings.h"
#include "platform/font_folders.h"
#include "samples/sample_pane.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <deque>
#include <iterator>
#include <mutex>
#include <thread>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(FontPreview)
};

// Qt reads a name that is not UTF-8 with U+FFFD in place of its bad bytes, and that path leads
// nowhere: such a file is there but cannot be named.
bool spelledAsText(const QString& path) {
    const QFileInfo info(path);
    return !path.contains(QChar::ReplacementCharacter) || info.exists() || info.isSymLink();
}
// A row of a file that cannot be named is that file alone.
bool namedAsText(const PreviewRow& r) {
    return r.files.empty() || r.files.front().textName;
}
} // namespace

QString previewPrompt() {
    return T::tr("Select drive/folder to retrieve fonts.");
}

QString installPrompt() {
    return T::tr("Select font(s) to be installed, press Install.");
}

PreviewBusy::PreviewBusy(PreviewView& view, int steps) : view_(view) {
    view_.setBusy(true);
    view_.setProgressRange(steps);
    view_.setProgressValue(0);
    view_.showProgress(true);
}

PreviewBusy::~PreviewBusy() {
    view_.showProgress(false);
    view_.setBusy(false);
}

void PreviewBusy::step(int n) {
    value_ += n;
    view_.setProgressValue(value_);
}

void PreviewBusy::range(int steps) {
    view_.setProgressRange(steps);
}

void readFontFiles(const QString& folder, const QStringList& files, FaceNameReader& reader,
                   const std::function<void(int, FaceNames&&)>& ready,
                   const std::function<void()>& idle) {
    struct Done {
        int index;
        FaceNames names;
    };
    std::mutex lock;
    std::condition_variable wake;
    std::deque<Done> done;
    int next = 0;
    const int count = int(files.size());
    const auto work = [&] {
        for (;;) {
            int i;
            {
                const std::lock_guard<std::mutex> hold(lock);
                if (next >= count) return;
                i = next++;
            }
            FaceNames names = reader.read(folder + files[i]);
            {
                const std::lock_guard<std::mutex> hold(lock);
                done.push_back(Done{i, std::move(names)});
            }
            wake.notify_one();
        }
    };
    // A few files are not worth a thread.
    const int threads = std::clamp(count / 8, 1, std::max(1, QThread::idealThreadCount()));
    std::vector<std::thread> workers;
    workers.reserve(size_t(threads));
    for (int t = 0; t < threads; ++t)
        workers.emplace_back(work);
    int received = 0;
    while (received < count) {
        std::deque<Done> batch;
        {
            std::unique_lock<std::mutex> hold(lock);
            wake.wait_for(hold, std::chrono::milliseconds(40), [&] { return !done.empty(); });
            batch.swap(done);
        }
        for (Done& d : batch) {
            ready(d.index, std::move(d.names));
            ++received;
        }
        if (received < count) idle();
    }
    for (std::thread& t : workers)
        t.join();
}

std::vector<PreviewRow> previewRows(std::vector<PreviewEntry> entries) {
    // Case variants of a name lie together, each spelling's files next to each other, so that
    // one face name never splits into two rows.
    std::sort(entries.begin(), entries.end(), [](const PreviewEntry& a, const PreviewEntry& b) {
        const int folded = a.face.toCaseFolded().compare(b.face.toCaseFolded());
        if (folded != 0) return folded < 0;
        if (a.face != b.face) return a.face < b.face;
        const int file = a.fileName.compare(b.fileName, Qt::CaseInsensitive);
        if (file != 0) return file < 0;
        return a.fileName != b.fileName ? a.fileName < b.fileName : a.faceIndex < b.faceIndex;
    });
    std::vector<PreviewRow> rows;
    for (PreviewEntry& e : entries) {
        // A file no one can name joins no other: it would take that font's name.
        if (e.readable && !rows.empty() && rows.back().readable && rows.back().face == e.face) {
            rows.back().installable = rows.back().installable || e.installable;
            rows.back().files.push_back(std::move(e));
            continue;
        }
        PreviewRow r;
        r.face = e.face;
        r.readable = e.readable;
        r.installable = e.installable;
        r.files.push_back(std::move(e));
        rows.push_back(std::move(r));
    }
    return rows;
}

FontPreview::FontPreview(MainContext& ctx, PreviewFonts& fonts, PreviewView& view, QObject* parent)
    : QAbstractTableModel(parent), ctx_(ctx), fonts_(fonts), view_(view) {
    listSize_ = storedListSize(ctx.app);
}

FontPreview::~FontPreview() {
    // Whatever happens to the window, nothing stays loaded.
    fonts_.removeAll();
}

int FontPreview::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int FontPreview::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant FontPreview::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(rows_.size())) return {};
    const PreviewRow& r = rows_[size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        if (index.column() == 0) return r.face;
        if (!namedAsText(r)) return T::tr("This file's name is not valid text.");
        if (!r.readable) return T::tr("This file cannot be read as a font.");
        for (const PreviewEntry& e : r.files)
            if (e.fontId >= 0) return ctx_.app.sampleText;
        return QString();
    }
    case Qt::ToolTipRole:
        if (index.column() != 0) return {};
        if (!namedAsText(r))
            return T::tr("This file's name is not valid text, so it cannot be installed.  "
                         "Rename it first.");
        if (!r.readable)
            return T::tr("This file cannot be read as a font, so it cannot be installed.");
        if (!r.installable) return T::tr("This font does not scale, so it cannot be installed.");
        return {};
    case Qt::TextAlignmentRole:
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    case FontIdsRole: {
        QVariantList ids;
        for (const PreviewEntry& e : r.files)
            if (e.fontId >= 0) ids << e.fontId;
        return ids;
    }
    case FaceRole:
        return r.face;
    case PointSizeRole:
        return listSize_;
    case SelectedRole:
        return r.selected;
    case InstalledRole:
        return r.installed;
    case ReadableRole:
        return r.readable;
    case InstallableRole:
        return r.installable;
    default:
        return {};
    }
}

QVariant FontPreview::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    if (section == 0) return shown_ ? fontNamesText(int(rows_.size())) : T::tr("Font Name");
    return T::tr("Sample Text using folder list in Font Size");
}

QStringList FontPreview::fontFiles(const QString& folder) {
    // Read here rather than with QDir, which leaves out names that are not UTF-8: those files are
    // rows that say why they cannot be installed, as unreadable ones are. A FIFO or a device would
    // never give its bytes and is no row; a broken link is.
    QStringList files;
    for (const QByteArray& bytes : filesIn(QFile::encodeName(folder), true)) {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        const QString name = utf8.decode(bytes);
        if (!name.startsWith(QLatin1Char('.')) && isFontFileName(name)) files << name;
    }
    std::sort(files.begin(), files.end());
    // Two names that differ only in bytes that are not text read alike: one row says it for both.
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return files;
}

int FontPreview::installableCount() const {
    return int(std::count_if(rows_.begin(), rows_.end(),
                             [](const PreviewRow& r) { return r.installable; }));
}

QString FontPreview::installCountText() const {
    return T::tr("Fonts to be Installed: %1").arg(selectedCount_);
}

void FontPreview::markCatalogued(std::vector<PreviewRow>& rows) const {
    Statement st =
        ctx_.app.db->prepare(QStringLiteral("SELECT 1 FROM [Fonts] WHERE [Face Name] = ? LIMIT 1"));
    for (PreviewRow& r : rows) {
        st.reset();
        st.bind(1, r.face);
        r.installed = r.readable && st.step();
    }
}

void FontPreview::setRows(std::vector<PreviewRow> rows) {
    beginResetModel();
    rows_.swap(rows);
    endResetModel();
}

void FontPreview::rowsChanged() {
    if (!rows_.empty()) Q_EMIT dataChanged(index(0, 0), index(int(rows_.size()) - 1, 1));
    Q_EMIT stateChanged();
}

void FontPreview::boxDir_Change(const QString& folder) {
    Unload_PreviewFonts();
    folder_ = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    selectedCount_ = 0;
    anchor_ = -1;
    setRows({});
    Q_EMIT stateChanged();
    Load_PreviewFonts();
}

void FontPreview::Load_PreviewFonts() {
    QStringList files = fontFiles(folder_);
    if (!limit_.isEmpty()) files.removeIf([&](const QString& f) { return !limit_.contains(f); });
    // A folder without fonts leaves the grid hidden and Select All, Deselect All and Install off.
    if (files.isEmpty()) return;
    view_.setStatus(T::tr("Retrieving preview fonts..."));
    view_.yield();
    anchor_ = -1;
    const int n = int(files.size());
    std::vector<std::vector<PreviewEntry>> perFile(static_cast<size_t>(n));
    {
        // Three passes: reading, loading, filling.
        PreviewBusy busy(view_, 3 * n);
        readFontFiles(
            folder_, files, ctx_.fonts.faces,
            [&](int i, FaceNames&& names) {
                PreviewEntry e;
                e.fileName = files[i];
                e.readable = names.readable;
                if (!names.readable) e.textName = spelledAsText(folder_ + files[i]);
                e.face = names.readable ? names.faceName : files[i];
                e.resourceName = names.readable ? names.resourceName : files[i];
                e.valueName = names.valueName;
                e.installable = names.readable && isCataloguedValue(names.valueName);
                // Only the name is kept: the bytes are read for the rows drawn.
                if (names.readable) e.fontId = fonts_.add(folder_ + files[i], 0);
                std::vector<PreviewEntry>& faces = perFile[size_t(i)];
                if (!names.furtherFaces.empty()) {
                    // Each face of a collection is a row of its family, drawn as itself.
                    e.fileFaces.push_back({0, e.face, e.valueName, e.resourceName});
                    e.fileFaces.insert(e.fileFaces.end(), names.furtherFaces.begin(),
                                       names.furtherFaces.end());
                    for (const FurtherFace& f : names.furtherFaces) {
                        PreviewEntry other = e;
                        other.face = f.faceName;
                        other.resourceName = f.resourceName;
                        other.valueName = f.valueName;
                        other.installable = isCataloguedValue(f.valueName);
                        other.faceIndex = f.index;
                        other.fontId = fonts_.add(folder_ + files[i], f.index);
                        faces.push_back(std::move(other));
                    }
                }
                faces.insert(faces.begin(), std::move(e));
                busy.step(2);
            },
            [&] { view_.yield(); });
        std::vector<PreviewEntry> entries;
        entries.reserve(size_t(n));
        for (std::vector<PreviewEntry>& faces : perFile)
            std::move(faces.begin(), faces.end(), std::back_inserter(entries));
        std::vector<PreviewRow> rows = previewRows(std::move(entries));
        markCatalogued(rows);
        busy.step(n);
        selectedCount_ = 0;
        shown_ = true;
        setRows(std::move(rows));
        Q_EMIT headerDataChanged(Qt::Horizontal, 0, 1);
    }
    Q_EMIT stateChanged();
    view_.setStatus(installPrompt());
}

void FontPreview::Unload_PreviewFonts() {
    // Nothing is loaded while the grid is hidden.
    if (!shown_) return;
    view_.setStatus(T::tr("Removing preview fonts..."));
    view_.yield();
    shown_ = false;
    Q_EMIT stateChanged();
    {
        const int steps = int(rows_.size()) + 1;
        PreviewBusy busy(view_, steps);
        // Letting go of the previews needs none of their files.
        fonts_.removeAll();
        selectedCount_ = 0;
        anchor_ = -1;
        setRows({});
        busy.step(steps);
    }
    Q_EMIT stateChanged();
    view_.setStatus(previewPrompt());
    view_.yield();
}

PreviewPress FontPreview::grdSample_MouseDown(int row, int button, int shift) {
    PreviewPress press;
    if (row < 0 || row >= int(rows_.size())) return press; // the header
    press.handled = true;
    if (shift == ShiftShift && anchor_ < 0) shift = ShiftNone;
    if (shift == ShiftAlt) {
        button = ButtonLeft;
        shift = ShiftNone;
    }
    const bool right = button == ButtonRight;
    bool click = true;
    if (right && (rows_[size_t(row)].selected || shift == ShiftShift || shift == ShiftCtrl))
        click = false;
    if (click && shift != ShiftShift && !rows_[size_t(row)].installable) {
        // Never selected: there is nothing to install. Its properties still tell about it. (A
        // Shift range may end on it: the range selects what it can.)
        const PreviewRow& r = rows_[size_t(row)];
        press.status =
            (r.readable       ? T::tr("\"%1\" does not scale, so it cannot be installed.")
             : namedAsText(r) ? T::tr("\"%1\" cannot be read as a font, so it cannot be installed.")
                              : T::tr("The name of \"%1\" is not valid text, so it cannot be "
                                      "installed.  Rename it first."))
                .arg(r.face);
        press.showPopup = right;
        press.popupRow = row;
        return press;
    }
    if (click) {
        PreviewRow& r = rows_[size_t(row)];
        if (shift == ShiftCtrl) {
            r.selected = !r.selected;
            selectedCount_ += r.selected ? 1 : -1;
        } else if (shift != ShiftShift) {
            for (PreviewRow& other : rows_)
                other.selected = false;
            r.selected = true;
            selectedCount_ = 1;
            anchor_ = row;
        } else {
            // From the anchor to this row; rows that cannot be installed stay unselected.
            const int from = std::min(anchor_, row), to = std::max(anchor_, row);
            selectedCount_ = 0;
            for (int i = 0; i < int(rows_.size()); ++i) {
                PreviewRow& x = rows_[size_t(i)];
                x.selected = i >= from && i <= to && x.installable;
                if (x.selected) ++selectedCount_;
            }
        }
        rowsChanged();
    }
    if (right && selectedCount_ == 1) {
        // The pop-up is about the one selected row, wherever the press was.
        for (int i = 0; i < int(rows_.size()); ++i)
            if (rows_[size_t(i)].selected) press.popupRow = i;
        press.showPopup = true;
        press.status = T::tr("\"%1\" selected").arg(rows_[size_t(press.popupRow)].face);
    }
    return press;
}

void FontPreview::cmdSelect_Click() {
    selectedCount_ = 0;
    for (PreviewRow& r : rows_) {
        r.selected = r.installable;
        if (r.selected) ++selectedCount_;
    }
    rowsChanged();
}

void FontPreview::cmdDeselect_Click() {
    for (PreviewRow& r : rows_)
        r.selected = false;
    selectedCount_ = 0;
    rowsChanged();
}

bool FontPreview::cmbFontSize_Click(int size) {
    AppState& app = ctx_.app;
    if (size == readSetting(app, fld::FontSize).toInt()) return false;
    writeSetting(app, fld::FontSize, size);
    listSize_ = std::clamp(size, ListSizeMin, ListSizeMax);
    // One height for every row: the view changes it once and redraws what is on screen.
    PreviewBusy busy(view_, int(rows_.size()) + 1);
    Q_EMIT sizesChanged();
    if (!rows_.empty()) Q_EMIT dataChanged(index(0, 1), index(int(rows_.size()) - 1, 1));
    return true;
}

std::vector<PreviewFile> FontPreview::propertyFiles(int row) const {
    std::vector<PreviewFile> files;
    if (row < 0 || row >= int(rows_.size())) return files;
    for (const PreviewEntry& e : rows_[size_t(row)].files)
        files.push_back(PreviewFile{e.resourceName, e.fileName,
                                    e.readable   ? e.valueName
                                    : e.textName ? T::tr("Cannot be read as a font")
                                                 : T::tr("Its name is not valid text")});
    return files;
}

void FontPreview::markInstalled() {
    markCatalogued(rows_);
    rowsChanged();
}

} // namespace lb
