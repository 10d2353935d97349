#pragma once

#include "platform/message_boxes.h"

#include <QString>

namespace lb {

// The kinds of message the program shows: a question's buttons, or a notice's icon.
enum class MessageKind {
    YesNo,
    YesNoDefaultNo, // No is the default, where Yes throws something away
    OKCancel,
    Critical,
    Info,
    Question, // Yes and No under a question mark
};

enum class Answer { OK, Cancel, Yes, No };

// Shows the program's messages with the hourglass put back while one is open.
class Messenger {
public:
    Messenger(MessageBoxes& boxes, MousePointer& pointer) : boxes_(&boxes), pointer_(&pointer) {}

    Answer ask(MessageKind kind, const QString& title, const QString& text);
    // A question answered Yes.
    bool askYes(MessageKind kind, const QString& title, const QString& text) {
        return ask(kind, title, text) == Answer::Yes;
    }

    // A single-line input box; empty text when cancelled.
    QString InputBox(const QString& prompt, const QString& boxTitle,
                     const QString& defaultText = {}) {
        return boxes_->input(prompt, boxTitle, defaultText);
    }

    MousePointer& pointer() { return *pointer_; }
    MessageBoxes& boxes() { return *boxes_; }
    void setBoxes(MessageBoxes& boxes) { boxes_ = &boxes; }

private:
    MessageBoxes* boxes_;
    MousePointer* pointer_;
};

inline Answer Messenger::ask(MessageKind kind, const QString& title, const QString& text) {
    int style = 0;
    switch (kind) {
    case MessageKind::YesNo:
        style = StyleYesNo | StyleExclamation;
        break;
    case MessageKind::YesNoDefaultNo:
        style = StyleYesNo | StyleExclamation | StyleDefaultSecond;
        break;
    case MessageKind::OKCancel:
        style = StyleOKCancel | StyleExclamation;
        break;
    case MessageKind::Critical:
        style = StyleCritical;
        break;
    case MessageKind::Info:
        style = StyleInformation;
        break;
    case MessageKind::Question:
        style = StyleYesNo | StyleQuestion;
        break;
    }
    pointer_->set(MousePointer::Hourglass);
    const int code = boxes_->show(text, title, style);
    pointer_->set(MousePointer::Default);
    switch (code) {
    case AnswerYes:
        return Answer::Yes;
    case AnswerNo:
        return Answer::No;
    case AnswerCancel:
        return Answer::Cancel;
    default:
        return Answer::OK;
    }
}

} // namespace lb
