#include "platform/qt_message_boxes.h"

#include <QApplication>
#include <QCoreApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace lb {

namespace {
// The texts of this file, under one context for translators.
struct T {
    Q_DECLARE_TR_FUNCTIONS(MessageBoxes)
};
} // namespace

int QtMessageBoxes::show(const QString& text, const QString& title, int style) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    // Names come from users and font files: one like "<b>x" must not turn the text into markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    const int icon = style & 0x70;
    box.setIcon(icon == StyleCritical      ? QMessageBox::Critical
                : icon == StyleQuestion    ? QMessageBox::Question
                : icon == StyleExclamation ? QMessageBox::Warning
                : icon == StyleInformation ? QMessageBox::Information
                                           : QMessageBox::NoIcon);
    struct Choice {
        QString caption;
        int answer;
    };
    std::vector<Choice> choices;
    switch (style & 0x0f) {
    case StyleOKCancel:
        choices = {{T::tr("OK"), AnswerOK}, {T::tr("Cancel"), AnswerCancel}};
        break;
    case StyleYesNo:
        choices = {{T::tr("&Yes"), AnswerYes}, {T::tr("&No"), AnswerNo}};
        break;
    default:
        choices = {{T::tr("OK"), AnswerOK}};
    }
    std::vector<QPushButton*> buttons;
    for (const Choice& c : choices) {
        // Roles only order the buttons; the answer comes from which button was pressed.
        const auto role = (c.answer == AnswerNo || c.answer == AnswerCancel)
                              ? QMessageBox::RejectRole
                              : QMessageBox::AcceptRole;
        buttons.push_back(box.addButton(c.caption, role));
    }
    box.setDefaultButton((style & StyleDefaultSecond) ? buttons.back() : buttons.front());
    // Escape answers Cancel or No; a lone OK closes as OK.
    box.setEscapeButton(buttons.back());
    box.exec();
    for (size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return choices[i].answer;
    return choices.back().answer;
}

QString QtMessageBoxes::input(const QString& prompt, const QString& title,
                              const QString& defaultText) {
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(title);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    if (auto* label = dialog.findChild<QLabel*>()) label->setTextFormat(Qt::PlainText);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

void QtPointer::set(int pointer) {
    if (pointer == pointer_) return;
    if (pointer == Hourglass)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    pointer_ = pointer;
}

} // namespace lb
