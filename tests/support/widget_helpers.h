#pragma once

// Helpers the window tests share, and the Qt headers they all use.
#include "ui/frm_help.h"

#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <utility>
#include <vector>

namespace lbtest {

// Triggers `action` and runs `act` in the modal dialog it opens, then closes the dialog if `act`
// left it open; fails when none opens.
template <typename T> void inDialogOf(QAction* action, std::function<void(T*)> act) {
    bool seen = false;
    QTimer::singleShot(0, [&seen, act] {
        QPointer<T> dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = true;
        act(dialog.data());
        if (dialog) dialog->close();
    });
    action->trigger();
    EXPECT_TRUE(seen) << "no dialog";
}

// The visible top-level window of that object name, or null.
inline QWidget* shownWindow(const QString& objectName) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->objectName() == objectName && top->isVisible()) return top;
    return nullptr;
}

// The help window if it is up, and the page it shows ("" when it is not up).
inline lb::FrmHelp* shownHelp() {
    return qobject_cast<lb::FrmHelp*>(shownWindow(QStringLiteral("frmHelp")));
}
inline QString shownHelpPage() {
    lb::FrmHelp* h = shownHelp();
    return h ? h->browser()->source().fileName() : QString();
}

// Types into a line edit as a user does, over whatever it held.
inline void typeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

inline void activate(QWidget* window) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
}
// Activates another window, runs `meanwhile`, then activates `window` again.
inline void comeBackTo(QWidget* window, const std::function<void()>& meanwhile = {}) {
    QWidget other;
    other.show();
    ASSERT_NO_FATAL_FAILURE(activate(&other));
    if (meanwhile) meanwhile();
    activate(window);
}

// What a screen reader is told a widget is called.
inline QString accessibleName(QObject* o) {
    return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name);
}

// Sets a field of a font file's OS/2 table in place.
inline void patchOs2(const QString& path, int offset, const QByteArray& value) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite)) << path.toStdString();
    QByteArray bytes = file.readAll();
    const int tables = qFromBigEndian<quint16>(bytes.constData() + 4);
    for (int t = 0; t < tables; ++t)
        if (bytes.mid(12 + 16 * t, 4) == "OS/2")
            bytes.replace(qFromBigEndian<quint32>(bytes.constData() + 20 + 16 * t) + offset,
                          value.size(), value);
    ASSERT_TRUE(file.seek(0) && file.write(bytes) == bytes.size());
}

// Clicks (or double-clicks) a row of a list or grid, scrolled into view first.
inline void clickRow(QAbstractItemView* view, int row, Qt::MouseButton button = Qt::LeftButton,
                     Qt::KeyboardModifiers m = {}, bool twice = false) {
    const QModelIndex at = view->model()->index(row, 0);
    ASSERT_TRUE(at.isValid()) << row;
    view->scrollTo(at);
    const QPoint centre = view->visualRect(at).center();
    if (twice)
        QTest::mouseDClick(view->viewport(), button, m, centre);
    else
        QTest::mouseClick(view->viewport(), button, m, centre);
}
inline void clickItem(QListWidget* list, int row) {
    clickRow(list, row);
}

inline QStringList headers(QAbstractItemView* view) {
    QStringList out;
    for (int c = 0; c < view->model()->columnCount(); ++c)
        out << view->model()->headerData(c, Qt::Horizontal).toString();
    return out;
}
// What a screen reader reads for a cell of a table.
inline QString cellName(QAbstractItemView* view, int row, int column) {
    auto* cells = QAccessible::queryAccessibleInterface(view)->tableInterface();
    if (!cells) {
        ADD_FAILURE() << "no table for a screen reader";
        return {};
    }
    return cells->cellAt(row, column)->text(QAccessible::Name);
}

// A cell of a view as the screen shows it, and its dark pixels.
inline QImage cellImage(QAbstractItemView* view, int row, int column) {
    return view->viewport()->grab(view->visualRect(view->model()->index(row, column))).toImage();
}
inline int ink(const QImage& image) {
    int dark = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 100) ++dark;
    return dark;
}

// Where a line spans (almost) all the ink of a cell, as a fraction of the ink's height; else -1.
inline double lineAt(const QImage& image) {
    const int background = image.pixelColor(image.width() - 2, image.height() / 2).lightness();
    QRect ink;
    std::map<int, int> longestRun; // by line
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0, run = 0; x < image.width(); ++x) {
            const bool inked = std::abs(image.pixelColor(x, y).lightness() - background) > 90;
            run = inked ? run + 1 : 0;
            longestRun[y] = std::max(longestRun[y], run);
            if (inked) ink |= QRect(x, y, 1, 1);
        }
    for (int y = ink.top(); y <= ink.bottom(); ++y)
        if (longestRun[y] >= ink.width() * 9 / 10) return double(y - ink.top()) / ink.height();
    return -1;
}

// One page (from 1) of a PDF drawn at `dpi` by poppler's pdftoppm; null when it cannot be.
inline QImage pdfPageImage(const QString& pdf, int page, int dpi) {
    const QString prefix = pdf + QStringLiteral(".page");
    QProcess::execute("pdftoppm", {"-r", QString::number(dpi), "-f", QString::number(page), "-l",
                                   QString::number(page), "-singlefile", "-png", pdf, prefix});
    return QImage(prefix + QStringLiteral(".png"));
}

// The bands of rows of an image that hold ink, top to bottom, as (first row, height).
inline std::vector<std::pair<int, int>> inkBands(const QImage& image) {
    std::vector<std::pair<int, int>> bands;
    int start = -1;
    for (int y = 0; y <= image.height(); ++y) {
        bool inked = false;
        for (int x = 0; y < image.height() && x < image.width() && !inked; ++x)
            inked = qGray(image.pixel(x, y)) < 128;
        if (inked && start < 0) start = y;
        if (!inked && start >= 0) {
            bands.emplace_back(start, y - start);
            start = -1;
        }
    }
    return bands;
}

} // namespace lbtest
