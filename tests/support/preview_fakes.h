#pragma once

// Without a test framework, so that benchmarks use it too.

#include "preview/font_preview.h"

#include <QStringList>

namespace lbtest {

// Preview fonts in memory: every file gets an id; nothing is read or drawn.
class MemoryPreviewFonts : public lb::PreviewFonts {
public:
    int add(const QString& path, int) override {
        if (path.isEmpty()) return -1;
        ++loaded_;
        return next_++;
    }
    void removeAll() override { loaded_ = 0; }
    int loadedCount() const override { return loaded_; }

private:
    int loaded_ = 0, next_ = 0;
};

class RecordingPreviewView : public lb::PreviewView {
public:
    QStringList statuses;
    bool busy = false;

    void setStatus(const QString& text) override { statuses << text; }
    void setBusy(bool b) override { busy = b; }
    void showProgress(bool) override {}
    void setProgressRange(int) override {}
    void setProgressValue(int) override {}
    void yield() override {}
};

} // namespace lbtest
