#pragma once

#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextBrowser;
class QToolButton;

namespace lb {

// The help window: the pages of the help folder with back, forward, contents and a search over
// every page. One window for the run.
class FrmHelp : public QWidget {
    Q_OBJECT
public:
    static FrmHelp* instance();

    void showPage(const QString& path);
    QTextBrowser* browser() const { return browser_; }
    // The pages whose text holds every word of `query`, as "title" with the page's path.
    QList<std::pair<QString, QString>> search(const QString& query);

private:
    FrmHelp();
    void runSearch();
    void readPages();

    QTextBrowser* browser_;
    QToolButton* back_;
    QToolButton* forward_;
    QLineEdit* find_;
    QListWidget* results_;
    struct Page {
        QString path, title, text;
    };
    std::vector<Page> pages_;
};

} // namespace lb
