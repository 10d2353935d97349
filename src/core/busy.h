#pragma once

#include "core/main_context.h"

namespace lb {

// A long operation's hold on the main window: disabled, hourglass, progress bar over `rows`.
// All three are undone by done(), or when the operation ends however it ends.
class Busy {
public:
    Busy(MainContext& ctx, int rows) : ctx_(ctx) {
        ctx.view.setWindowEnabled(false);
        ctx.view.showProgress(true);
        ctx.view.setProgressRange(0, rows);
        ctx.view.setProgressValue(0);
        ctx.app.messages.pointer().set(MousePointer::Hourglass);
    }
    ~Busy() { done(); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

    void range(int rows) { ctx_.view.setProgressRange(0, rows); }
    void step() { ctx_.view.setProgressValue(++progress_); }
    void done() {
        if (finished_) return;
        finished_ = true;
        ctx_.view.showProgress(false);
        ctx_.app.messages.pointer().set(MousePointer::Default);
        ctx_.view.setWindowEnabled(true);
    }

private:
    MainContext& ctx_;
    int progress_ = 0;
    bool finished_ = false;
};

} // namespace lb
