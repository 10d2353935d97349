#pragma once

#include "platform/message_boxes.h"

namespace lb {

class QtMessageBoxes : public MessageBoxes {
public:
    int show(const QString& text, const QString& title, int style) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
};

// The application's override cursor stands in for the screen's mouse pointer.
class QtPointer : public MousePointer {
public:
    void set(int pointer) override;
    int get() const override { return pointer_; }

private:
    int pointer_ = Default;
};

} // namespace lb
