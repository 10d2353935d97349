#pragma once

#include "sets/document_set.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

namespace lb {

class FrmMain;

// File > Fonts for a Document: the fonts documents use with their state (active, inactive,
// missing), activated in a set named after the documents, or assigned to the set in the set box.
class FrmDocumentFonts : public QDialog {
    Q_OBJECT
public:
    explicit FrmDocumentFonts(FrmMain& main);

    // Reads these documents and shows their fonts.
    void showDocuments(const QStringList& files);
    void cmdOpen_Click();
    void cmdActivate_Click();
    void cmdAssign_Click();

private:
    void render();

    FrmMain& main_;
    QStringList files_;
    UsedFonts used_;
    QTreeWidget* lstFonts_;
    QLabel* lblProblems_;
    QPushButton* cmdActivate_;
    QPushButton* cmdAssign_;
};

} // namespace lb
