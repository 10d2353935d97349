#include "ui/frm_help.h"

#include "ui/help.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace lb {

FrmHelp* FrmHelp::instance() {
    // Closing only hides it: it keeps its place and history for the rest of the run.
    static QPointer<FrmHelp> window;
    if (!window) window = new FrmHelp;
    return window;
}

FrmHelp::FrmHelp() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(tr("Letterbay Help"));
    resize(760, 560);

    auto* bar = new QHBoxLayout;
    auto button = [this, bar](const char* name, const QString& text, const char* icon) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setText(text);
        b->setAccessibleName(text);
        b->setToolTip(text);
        b->setIcon(QIcon::fromTheme(QString::fromLatin1(icon)));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        bar->addWidget(b);
        return b;
    };
    back_ = button("cmdBack", tr("Back"), "go-previous");
    forward_ = button("cmdForward", tr("Forward"), "go-next");
    QToolButton* contents = button("cmdContents", tr("Contents"), "go-home");
    bar->addStretch();
    auto* label = new QLabel(tr("&Search:"), this);
    find_ = new QLineEdit(this);
    find_->setObjectName(QStringLiteral("txtSearch"));
    find_->setAccessibleName(tr("Search"));
    find_->setClearButtonEnabled(true);
    label->setBuddy(find_);
    bar->addWidget(label);
    bar->addWidget(find_);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("txtHelp"));
    browser_->setAccessibleName(tr("Help page"));
    browser_->setOpenExternalLinks(false);
    browser_->setSearchPaths({helpFolder()});
    results_ = new QListWidget(this);
    results_->setObjectName(QStringLiteral("lstResults"));
    results_->setAccessibleName(tr("Search results"));
    results_->hide();

    auto* split = new QSplitter(this);
    split->addWidget(results_);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(contents, &QToolButton::clicked, this, [this] { showPage(helpPage(HelpContents)); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser_->documentTitle();
        setWindowTitle(title.isEmpty() ? tr("Letterbay Help")
                                       : tr("Letterbay Help - %1").arg(title));
    });
    connect(find_, &QLineEdit::returnPressed, this, &FrmHelp::runSearch);
    connect(find_, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (text.trimmed().isEmpty()) results_->hide();
    });
    connect(results_, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });
    connect(results_, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { showPage(item->data(Qt::UserRole).toString()); });
}

void FrmHelp::showPage(const QString& path) {
    browser_->setSource(QUrl::fromLocalFile(path));
    // A minimised help window comes back with the page asked for.
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void FrmHelp::readPages() {
    if (!pages_.empty()) return;
    const QDir dir(helpFolder());
    for (const QString& name : dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly)) continue;
        QTextDocument doc;
        doc.setHtml(QString::fromUtf8(f.readAll()));
        pages_.push_back({dir.filePath(name), doc.metaInformation(QTextDocument::DocumentTitle),
                          doc.toPlainText()});
    }
}

QList<std::pair<QString, QString>> FrmHelp::search(const QString& query) {
    readPages();
    const QStringList words = query.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QList<std::pair<QString, QString>> found;
    if (words.isEmpty()) return found;
    for (const Page& p : pages_) {
        bool all = true;
        for (const QString& w : words)
            all = all && (p.text.contains(w, Qt::CaseInsensitive) ||
                          p.title.contains(w, Qt::CaseInsensitive));
        if (all) found.append({p.title, p.path});
    }
    return found;
}

void FrmHelp::runSearch() {
    results_->clear();
    const auto found = search(find_->text());
    for (const auto& [title, path] : found) {
        auto* item = new QListWidgetItem(title, results_);
        item->setData(Qt::UserRole, path);
    }
    if (found.isEmpty()) new QListWidgetItem(tr("No page contains these words."), results_);
    results_->show();
}

} // namespace lb
