#pragma once

#include "catalogue/font_check.h"
#include "core/main_context.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace lb {

// "Duplicate and Damaged Fonts": the fonts installed more than once and the damaged ones, found
// when the window opens (with progress, cancellable). Nothing is deleted unless the user checks
// files and chooses Delete, which removes them as Delete does.
class FrmFontCheck : public QDialog {
    Q_OBJECT
public:
    FrmFontCheck(MainContext& ctx, FontInspector& inspector, QWidget* parent = nullptr);

    void cmdCheck_Click();
    void cmdDelete_Click();
    QTreeWidget* tree() const { return trvCheck_; }
    // True once a check has run to its end since the window opened.
    bool checked() const { return checked_; }
    // The files checked for deletion, in the order shown.
    std::vector<QByteArray> checkedFiles() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void render(const FontCheck& found);
    void handleButtons();

    MainContext& ctx_;
    FontInspector& inspector_;
    QLabel* lblStatus_;
    QTreeWidget* trvCheck_;
    QPushButton* cmdDelete_;
    QPushButton* cmdCheck_;
    bool started_ = false;
    bool checked_ = false;
};

} // namespace lb
