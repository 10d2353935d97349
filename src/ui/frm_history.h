#pragma once

#include "samples/history.h"

#include <QDialog>
#include <functional>

class QListWidget;

namespace lb {

// The fonts whose samples were shown, newest first. Modeless; OK closes it and forgets them.
class FrmHistory : public QDialog {
    Q_OBJECT
public:
    explicit FrmHistory(QWidget* parent = nullptr);

    void Add_History(const QString& currentFontName);
    void remove(const QString& name);
    void cmdClear_Click();
    void cmdOK_Click();
    const QStringList& names() const { return history_.names; }

    // An entry was clicked: show that font's sample.
    std::function<void(const QString&)> picked;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void render();

    FontHistory history_;
    QListWidget* lstHistory_;
};

} // namespace lb
