#pragma once

#include <QDialog>

namespace lb {

// "About Letterbay 98" (or the title of the program that shows it): the program and its version.
// OK answers Enter and Escape.
class FrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit FrmAbout(QWidget* parent = nullptr, const QString& programTitle = {});
};

// Where to get help with the program. OK answers Enter and Escape.
class FrmTechSupport : public QDialog {
    Q_OBJECT
public:
    explicit FrmTechSupport(QWidget* parent = nullptr);
};

// "2.5.0": major, minor and revision numbers.
QString versionNumbers();

} // namespace lb
