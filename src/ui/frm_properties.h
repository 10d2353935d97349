#pragma once

#include "catalogue/font_properties.h"

#include <QDialog>

class QTableWidget;

namespace lb {

// "Font Properties": every file behind the picked font, read-only. The source form name says
// whose font it is: the main window's catalogue, or the preview dialog's folder (`folder` and
// `files` then describe the previewed font).
class FrmProperties : public QDialog {
    Q_OBJECT
public:
    FrmProperties(MainContext& ctx, QWidget* parent = nullptr, const QString& folder = {},
                  const std::vector<PreviewFile>& files = {});
    QTableWidget* grid() const { return grdProperties_; }

private:
    QTableWidget* grdProperties_;
};

} // namespace lb
