#pragma once

#include "platform/message_boxes.h"

#include <QString>

namespace lb {

// The message procedures: the caller stores text and title, calls, then reads the answer.
class Messenger {
public:
    Messenger(MessageBoxes& boxes, MousePointer& pointer) : boxes_(&boxes), pointer_(&pointer) {}

    QString text;
    QString title;
    QString answer; // "1" OK, "2" Cancel, "6" Yes, "7" No

    void Msg_YesNo() { run(52); }
    // The same question with No as the default, where Yes throws something away.
    void Msg_YesNoDefaultNo() { run(52 | StyleDefaultSecond); }
    void Msg_OKCancel() { run(49); }
    void Msg_Critical() { run(16); }
    void Msg_Info() { run(64); }
    void Msg_Question() { run(36); }

    // A single-line input box; empty text when cancelled.
    QString InputBox(const QString& prompt, const QString& boxTitle,
                     const QString& defaultText = {}) {
        return boxes_->input(prompt, boxTitle, defaultText);
    }

    bool answeredYes() const { return answer == QLatin1String("6"); }
    MousePointer& pointer() { return *pointer_; }
    MessageBoxes& boxes() { return *boxes_; }
    void setBoxes(MessageBoxes& boxes) { boxes_ = &boxes; }

private:
    void run(int style) {
        pointer_->set(MousePointer::Hourglass);
        answer = QString::number(boxes_->show(text, title, style));
        pointer_->set(MousePointer::Default);
    }

    MessageBoxes* boxes_;
    MousePointer* pointer_;
};

} // namespace lb
