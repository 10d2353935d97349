#pragma once

// Without a test framework, so that benchmarks and test tools use it too.

#include "core/operation_view.h"

#include <QStringList>

namespace lbtest {

class RecordingView : public lb::OperationView {
public:
    QStringList messages;
    QString fontCount;
    int fillSetsCalls = 0, clearAssignedCalls = 0, yields = 0, maximum = 0;
    int yieldsBeforeMessage = 0; // yields made before the last message was set
    bool enabled = true;

    void setMessage(const QString& t) override {
        messages << t;
        yieldsBeforeMessage = yields;
    }
    void setFontCount(const QString& t) override { fontCount = t; }
    void showProgress(bool) override {}
    void setProgressRange(int, int max) override { maximum = max; }
    void setProgressValue(int) override {}
    void setWindowEnabled(bool e) override { enabled = e; }
    void yield() override { ++yields; }
    void fillSets() override { ++fillSetsCalls; }
    void clearAssignedFonts() override { ++clearAssignedCalls; }
    void handleButtons() override {}
};

} // namespace lbtest
