#pragma once

// Without a test framework, so that benchmarks use it too.

#include "platform/fonts.h"
#include "preview/font_preview.h"

#include <QSet>
#include <QStringList>

namespace lbtest {

// Preview fonts in memory: every file gets an id; nothing is read or drawn.
class MemoryPreviewFonts : public lb::PreviewFonts {
public:
    QSet<int> loaded;
    int adds = 0, removals = 0;

    int add(const QString& path, int) override {
        ++adds;
        if (path.isEmpty()) return -1;
        loaded.insert(next_);
        return next_++;
    }
    void removeAll() override {
        removals += int(loaded.size());
        loaded.clear();
    }
    int loadedCount() const override { return int(loaded.size()); }

private:
    int next_ = 0;
};

// Records what the preview shows of itself.
class RecordingPreviewView : public lb::PreviewView {
public:
    QStringList statuses;
    bool busy = false;
    int busyTimes = 0, yields = 0, maximum = 0, value = 0;

    void setStatus(const QString& text) override { statuses << text; }
    void setBusy(bool b) override {
        busy = b;
        if (b) ++busyTimes;
    }
    void showProgress(bool) override {}
    void setProgressRange(int m) override { maximum = m; }
    void setProgressValue(int v) override { value = v; }
    void yield() override { ++yields; }
};

} // namespace lbtest
