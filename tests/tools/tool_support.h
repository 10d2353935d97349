// What the test tools share: message boxes printed to stderr and answered, the desktop's font.
#pragma once

#include "platform/message_boxes.h"
#include "support/memory_resources.h"

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

// The desktop's own font from a leading "--desktop FAMILY", taken off `args`.
inline void takeDesktop(QStringList& args, lbtest::FakeDesktop& desktop) {
    if (args.size() < 2 || args[0] != QLatin1String("--desktop")) return;
    desktop.list << args[1];
    args.remove(0, 2);
}

} // namespace lbtool
