#include "ui/frm_about.h"

#include "core/paths.h"
#include "core/schema.h"
#include "ui/dialogs.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>

namespace lb {

QString versionNumbers() {
    return QStringLiteral(LETTERBAY_VERSION);
}

namespace {

QPushButton* okButton(QDialog* dialog) {
    auto* ok = new QPushButton(QDialog::tr("OK"), dialog);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    return ok;
}

QLabel* label(QDialog* dialog, const char* name, const QString& text) {
    auto* l = new QLabel(text, dialog);
    l->setObjectName(QString::fromLatin1(name));
    l->setWordWrap(true);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return l;
}

QLabel* icon(QDialog* dialog, QStyle::StandardPixmap pixmap) {
    auto* l = new QLabel(dialog);
    l->setPixmap(dialog->style()->standardIcon(pixmap).pixmap(48, 48));
    l->setAlignment(Qt::AlignTop);
    return l;
}

} // namespace

FrmAbout::FrmAbout(QWidget* parent, const QString& programTitle) : QDialog(parent) {
    const QString program = programTitle.isEmpty() ? AppTitle : programTitle;
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About %1").arg(program));
    auto* layout = new QGridLayout(this);
    auto* title = label(this, "lblTitle", program);
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    title->setFont(big);
    layout->addWidget(icon(this, QStyle::SP_MessageBoxInformation), 0, 0, 3, 1);
    layout->addWidget(title, 0, 1);
    layout->addWidget(label(this, "lblVersion", tr("Version %1").arg(versionNumbers())), 1, 1);
    layout->addWidget(
        label(this, "lblDescription",
              tr("Keeps a catalogue of your fonts, groups them into sets and shows only the fonts "
                 "of the set you activate to every program of your desktop.\n\nDatabase: %1")
                  .arg(databasePath())),
        2, 1);
    layout->addWidget(
        label(this, "lblDisclaimer",
              tr("This program is provided as is, without warranty of any kind. Deleting fonts "
                 "removes them from your computer; keep copies of fonts you may need again.")),
        3, 0, 1, 2);
    layout->addWidget(okButton(this), 4, 1, Qt::AlignRight);
    setMinimumWidth(420);
    centreOnScreen(this);
}

FrmTechSupport::FrmTechSupport(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmTechSupport"));
    setWindowTitle(tr("Technical Support"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon(this, QStyle::SP_MessageBoxQuestion), 0, 0, 2, 1);
    layout->addWidget(
        label(this, "lblHelp",
              tr("Most questions are answered in the help: press F1 in any window, or choose "
                 "Help > Contents and Index and search for a word.")),
        0, 1);
    layout->addWidget(
        label(this, "lblReport",
              tr("When you report a problem, please give:\n"
                 "  - the version (Help > About Letterbay...): %1\n"
                 "  - what you did, what you expected and what happened\n"
                 "  - the text of any message, exactly as shown\n"
                 "  - the output of  fc-list | wc -l  (how many fonts you have)\n\n"
                 "Your sets and settings are kept in %2. Copy that file before you try anything "
                 "drastic.")
                  .arg(versionNumbers(), databasePath())),

        1, 1);
    layout->addWidget(okButton(this), 2, 1, Qt::AlignRight);
    setMinimumWidth(460);
    centreOnScreen(this);
}

} // namespace lb
