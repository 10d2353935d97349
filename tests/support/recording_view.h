#pragma once

// Without a test framework, so that benchmarks use it too.

#include "core/operation_view.h"

#include <QRegularExpression>
#include <QStringList>

namespace lbtest {

// Records what an operation shows of itself.
class RecordingView : public lb::OperationView {
public:
    QStringList messages;
    QString fontCount;
    QString setBox; // what the operation put in the set box
    int fillSetsCalls = 0, clearAssignedCalls = 0, yields = 0;
    bool enabled = true;
    int value = 0, maximum = 0;

    int yieldsBeforeMessage = 0; // yields made before the last message was set
    void setMessage(const QString& t) override {
        messages << t;
        yieldsBeforeMessage = yields;
    }
    void setFontCount(const QString& t) override { fontCount = t; }
    void showProgress(bool) override {}
    void setProgressRange(int, int max) override { maximum = max; }
    void setProgressValue(int v) override { value = v; }
    void setWindowEnabled(bool e) override { enabled = e; }
    void yield() override { ++yields; }
    void fillSets() override { ++fillSetsCalls; }
    void clearAssignedFonts() override { ++clearAssignedCalls; }
    void setSetBoxText(const QString& t) override { setBox = t; }

    QStringList setEntries; // kept sorted without regard to case, like the set box
    QString deleteTip;
    bool deleteEnabled = false;
    int displayed = 0, handled = 0;
    void addSetEntry(const QString& n) override {
        setEntries << n;
        setEntries.sort(Qt::CaseInsensitive);
    }
    void removeSetEntry(const QString& n) override {
        const int i = setEntries.indexOf(QRegularExpression(
            QRegularExpression::escape(n), QRegularExpression::CaseInsensitiveOption));
        if (i >= 0) setEntries.removeAt(i);
    }
    void enableDelete(const QString& tip) override {
        deleteEnabled = true;
        deleteTip = tip;
    }
    void disableDelete() override {
        deleteEnabled = false;
        deleteTip = QStringLiteral("Delete");
    }
    void displayFont() override { ++displayed; }
    void handleButtons() override { ++handled; }
};

} // namespace lbtest
