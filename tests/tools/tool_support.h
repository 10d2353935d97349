// What the test tools share: message boxes printed to stderr and answered, and a fixed list of
// the desktop's own fonts.
#pragma once

#include "platform/desktop_fonts.h"
#include "platform/message_boxes.h"

#include <QString>
#include <QStringList>
#include <cstdio>

namespace lbtool {

class PrintedBoxes : public lb::MessageBoxes {
public:
    explicit PrintedBoxes(int answer) : answer_(answer) {}
    int shown = 0;
    int show(const QString& text, const QString& title, int) override {
        ++shown;
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return answer_;
    }
    QString input(const QString&, const QString&, const QString&) override { return {}; }

private:
    int answer_;
};

class FixedDesktop : public lb::DesktopFonts {
public:
    QStringList list;
    QStringList families() override { return list; }
};

} // namespace lbtool
