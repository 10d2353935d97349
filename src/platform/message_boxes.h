#pragma once

#include <QString>

namespace lb {

// Style values: buttons plus icon, as the classic message-box values.
enum MsgStyle {
    StyleOKCancel = 1,
    StyleYesNo = 4,
    StyleCritical = 16,
    StyleQuestion = 32,
    StyleExclamation = 48,
    StyleInformation = 64,
    // The second button (No, Cancel) is the default: for questions whose Yes loses data.
    StyleDefaultSecond = 256,
};

// Answer codes.
enum MsgAnswer { AnswerOK = 1, AnswerCancel = 2, AnswerYes = 6, AnswerNo = 7 };

// Shows one message box and returns the answer code. The first button is the default unless
// the style says StyleDefaultSecond; Escape answers Cancel or No.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual int show(const QString& text, const QString& title, int style) = 0;
    // A single-line input box; empty text when cancelled.
    virtual QString input(const QString& prompt, const QString& title,
                          const QString& defaultText) = 0;
};

// The screen's mouse pointer: 11 the hourglass, 0 the default.
class MousePointer {
public:
    enum { Default = 0, Hourglass = 11 };
    virtual ~MousePointer() = default;
    virtual void set(int pointer) = 0;
    virtual int get() const = 0;
};

// Pointer state kept in memory, for programs and tests without a display.
class MemoryPointer : public MousePointer {
public:
    void set(int pointer) override { pointer_ = pointer; }
    int get() const override { return pointer_; }

private:
    int pointer_ = Default;
};

} // namespace lb
