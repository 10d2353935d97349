#include "ui/frm_properties.h"

#include "ui/dialogs.h"
#include "ui/help.h"
#include "ui/plain_tip.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace lb {

FrmProperties::FrmProperties(MainContext& ctx, QWidget* parent, const QString& folder,
                             const std::vector<PreviewFile>& files)
    : QDialog(parent) {
    setObjectName(QStringLiteral("frmProperties"));
    setWindowTitle(propertiesCaption(ctx));
    setModal(true);

    grdProperties_ = new QTableWidget(0, 3, this);
    grdProperties_->setItemDelegate(new PlainTipDelegate(grdProperties_)); // file and font names
    grdProperties_->setObjectName(QStringLiteral("grdProperties"));
    grdProperties_->setAccessibleName(tr("Font files"));
    // There is no registry here: column 0 is named the same from every source.
    grdProperties_->setHorizontalHeaderLabels(
        {tr("Friendly Font Name"), tr("Font File Name"), tr("Modified")});
    grdProperties_->verticalHeader()->hide();
    grdProperties_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdProperties_->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdProperties_->setWordWrap(false);
    grdProperties_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    const int dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    const int widths[3] = {3000, 2200, 2000};
    for (int c = 0; c < 3; ++c)
        grdProperties_->setColumnWidth(c, int(std::lround(widths[c] * dpi / 1440.0)));
    grdProperties_->horizontalHeader()->setStretchLastSection(true);

    for (const PropertyRow& row : Fill_Properties(ctx, folder, files)) {
        const int r = grdProperties_->rowCount();
        grdProperties_->insertRow(r);
        const QString cells[3] = {row.friendlyName, row.path, row.modified};
        for (int c = 0; c < 3; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
            item->setToolTip(cells[c]);
            grdProperties_->setItem(r, c, item);
        }
    }

    // Paths are long: each column is at least as wide as designed and as its widest text.
    int total = 0;
    for (int c = 0; c < 3; ++c) {
        const int designed = grdProperties_->columnWidth(c);
        grdProperties_->resizeColumnToContents(c);
        grdProperties_->setColumnWidth(c, std::max(designed, grdProperties_->columnWidth(c)));
        total += grdProperties_->columnWidth(c);
    }

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdProperties_);
    layout->addWidget(ok, 0, Qt::AlignRight);
    installHelpKey(this, 2029);
    int widest = total + 40;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        widest = std::min(widest, screen->availableGeometry().width() * 9 / 10);
    setMinimumSize(std::max(int(std::lround(7600 * dpi / 1440.0)), widest), 200);
    centreOnScreen(this);
}

} // namespace lb
