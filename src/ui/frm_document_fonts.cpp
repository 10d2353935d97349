#include "ui/frm_document_fonts.h"

#include "activation/activation.h"
#include "catalogue/font_lists.h"
#include "sets/assignment.h"
#include "ui/dialogs.h"
#include "ui/frm_main.h"
#include "ui/help.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace lb {

namespace {
constexpr int HelpDocumentFonts = 2071;
} // namespace

QStringList askForDocuments(QWidget* parent) {
    return QFileDialog::getOpenFileNames(
        parent, FrmDocumentFonts::tr("Fonts for a Document"), QString(),
        FrmDocumentFonts::tr(
            "Documents (*.pdf *.svg *.odt *.ods *.odp *.odg *.fodt *.docx *.xlsx *.pptx "
            "*.sla *.css);;All files (*)"));
}

// A window of its own, as Font Preview is: the main window's keys (F1, its menus' letters) are
// not this dialog's. It goes with the main window.
FrmDocumentFonts::FrmDocumentFonts(FrmMain& main) : QDialog(nullptr), main_(main) {
    connect(&main, &QObject::destroyed, this, [this] { delete this; });
    setObjectName(QStringLiteral("frmDocumentFonts"));
    setWindowTitle(tr("Fonts for a Document"));
    lstFonts_ = new QTreeWidget(this);
    lstFonts_->setObjectName(QStringLiteral("lstFonts"));
    lstFonts_->setAccessibleName(tr("Fonts the documents use"));
    lstFonts_->setRootIsDecorated(false);
    lstFonts_->setHeaderLabels({tr("Font"), tr("State"), tr("Documents")});
    lstFonts_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lblProblems_ = new QLabel(this);
    lblProblems_->setObjectName(QStringLiteral("lblProblems"));
    lblProblems_->setWordWrap(true);
    lblProblems_->setTextFormat(Qt::PlainText); // file names, never markup
    lblProblems_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(this);
    auto* cmdOpen = buttons->addButton(tr("&Open..."), QDialogButtonBox::ActionRole);
    cmdOpen->setObjectName(QStringLiteral("cmdOpen"));
    cmdActivate_ = buttons->addButton(tr("&Activate"), QDialogButtonBox::ActionRole);
    cmdActivate_->setObjectName(QStringLiteral("cmdActivate"));
    cmdActivate_->setToolTip(tr("Activate the fonts the documents use, in a set "
                                "named after them"));
    cmdAssign_ = buttons->addButton(tr("Assign to &Set"), QDialogButtonBox::ActionRole);
    cmdAssign_->setObjectName(QStringLiteral("cmdAssign"));
    cmdAssign_->setToolTip(tr("Assign the fonts to the set in the Sets box"));
    auto* cmdClose = buttons->addButton(QDialogButtonBox::Close);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    for (QPushButton* b : {cmdOpen, cmdActivate_, cmdAssign_})
        b->setAutoDefault(false);
    connect(cmdOpen, &QPushButton::clicked, this, &FrmDocumentFonts::cmdOpen_Click);
    connect(cmdActivate_, &QPushButton::clicked, this, &FrmDocumentFonts::cmdActivate_Click);
    connect(cmdAssign_, &QPushButton::clicked, this, &FrmDocumentFonts::cmdAssign_Click);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lstFonts_, 1);
    layout->addWidget(lblProblems_);
    layout->addWidget(buttons);
    installHelpKey(this, HelpDocumentFonts);
    resize(560, 360);
    centreOnScreen(this);
    render();
}

void FrmDocumentFonts::cmdOpen_Click() {
    const QStringList files = main_.chooseDocuments(this);
    if (!files.isEmpty()) showDocuments(files);
}

void FrmDocumentFonts::showDocuments(const QStringList& files) {
    files_ = files;
    main_.runGuarded([this] { used_ = readUsedFonts(main_.context(), files_); });
    render();
}

void FrmDocumentFonts::render() {
    MainContext& ctx = main_.context();
    lstFonts_->clear();
    QHash<QString, QStringList> filesOf;
    if (!used_.faces.isEmpty())
        main_.runGuarded([&] {
            forEachFace(*ctx.app.db, [&](const QString& face, const QStringList& files) {
                if (used_.faces.contains(face)) filesOf.insert(face, files);
            });
        });
    const auto add = [&](const QString& name, const QString& state) {
        QStringList documents;
        for (const QString& d : used_.documentsOf.value(name.toCaseFolded()))
            documents << QFileInfo(d).fileName();
        lstFonts_->addTopLevelItem(
            new QTreeWidgetItem({name, state, documents.join(QStringLiteral(", "))}));
    };
    for (const QString& face : std::as_const(used_.faces)) {
        const FaceState state = faceState(ctx, face, filesOf.value(face));
        add(face, state == FaceState::Inactive ? tr("inactive") : tr("active"));
    }
    for (const QString& name : std::as_const(used_.missing))
        add(name, tr("missing"));
    lstFonts_->sortItems(0, Qt::AscendingOrder);
    if (lstFonts_->topLevelItemCount() > 0) lstFonts_->setCurrentItem(lstFonts_->topLevelItem(0));
    QStringList problems = used_.problems + used_.notes;
    if (files_.isEmpty())
        problems << tr("Open a document to see the fonts it uses.");
    else if (used_.read > 0 && used_.faces.isEmpty() && used_.missing.isEmpty())
        problems << tr("The documents name no fonts.");
    lblProblems_->setText(problems.join(QLatin1Char('\n')));
    lblProblems_->setVisible(!problems.isEmpty());
    cmdActivate_->setEnabled(!used_.faces.isEmpty());
    cmdAssign_->setEnabled(!used_.faces.isEmpty());
}

void FrmDocumentFonts::cmdActivate_Click() {
    main_.runGuarded(
        [this] { Activate_DocumentFonts(main_.context(), documentSetName(used_), used_.faces); });
    render();
}

void FrmDocumentFonts::cmdAssign_Click() {
    MainContext& ctx = main_.context();
    main_.runGuarded([&] {
        FontListModel& all = ctx.allFonts;
        int selected = 0;
        for (int row = 0; row < all.size(); ++row) {
            const bool used = used_.faces.contains(all.row(row).name);
            all.setSelected(row, used);
            if (used && selected++ == 0) all.anchor = row;
        }
        all.selectedCount = selected;
        Assign_Fonts(ctx, main_.setBoxText(), false);
    });
    render();
}

} // namespace lb
