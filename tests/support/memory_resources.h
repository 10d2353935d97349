#pragma once

// Without a test framework, so that benchmarks and test tools use it too.

#include "platform/fonts.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <optional>
#include <tuple>
#include <utility>

namespace lbtest {

// Hidden files in memory, every call logged; loads and unloads count at the broadcast, as for real.
class FakeResources : public lb::FontResources {
public:
    QSet<QString> hidden; // as broadcast
    QStringList log;      // "+file" for load, "-file" for unload
    int broadcasts = 0;
    QString stamp;    // the stamp of the last broadcast
    QString failWith; // non-empty: the broadcast fails

    void load(const QString& file) override {
        log << QStringLiteral("+") + file;
        pending_.insert(file, false);
    }
    void unload(const QString& file) override {
        log << QStringLiteral("-") + file;
        pending_.insert(file, true);
    }
    bool isHidden(const QString& file) override {
        return pending_.value(file, !replace_ && hidden.contains(file));
    }
    void beginActivation(qsizetype) override {
        pending_.clear();
        replace_ = true;
    }
    bool hasPending() const override { return replace_ || !pending_.isEmpty(); }
    bool broadcast(const QString& s) override {
        if (!failWith.isEmpty()) {
            replaced_.reset();
            discard();
            return false;
        }
        replaced_.emplace(hidden, stamp);
        if (replace_) hidden.clear();
        for (const auto& [file, hide] : pending_.asKeyValueRange())
            if (hide)
                hidden.insert(file);
            else
                hidden.remove(file);
        ++broadcasts;
        stamp = s;
        discard();
        return true;
    }
    bool restore() override {
        if (replaced_) std::tie(hidden, stamp) = *std::exchange(replaced_, std::nullopt);
        return true;
    }
    void discard() override {
        pending_.clear();
        replace_ = false;
    }
    QString error() const override { return failWith; }
    QStringList unmet() const override { return {}; } // memory hides exactly what it is told
    bool inStep(const QString& s) override { return s == stamp; }
    bool reconcile() override { return false; }

private:
    QHash<QString, bool> pending_;
    bool replace_ = false;
    std::optional<std::pair<QSet<QString>, QString>> replaced_; // before the last broadcast
};

class FakeDesktop : public lb::DesktopFonts {
public:
    QStringList list;
    QStringList families() override { return list; }
};

} // namespace lbtest
