#include "launcher/hidden_folder_watch.h"

#include "platform/font_selection.h"
#include "platform/fonts.h"

#include <QDir>
#include <QDirIterator>
#include <QFileSystemWatcher>
#include <QTimer>
#include <utility>

namespace lb {

HiddenFolderWatch::HiddenFolderWatch(FontResources& resources, std::function<QStringList()> folders,
                                     QString configFolder, QObject* parent)
    : QObject(parent), resources_(resources), folders_(std::move(folders)),
      configFolder_(std::move(configFolder)), watcher_(new QFileSystemWatcher(this)),
      settle_(new QTimer(this)), announce_(new QTimer(this)), announced_(fontRulesKey()),
      includeSeen_(QFileInfo::exists(rulesIncludePath())) {
    settle_->setSingleShot(true);
    settle_->setInterval(1000);
    connect(settle_, &QTimer::timeout, this, &HiddenFolderWatch::settled);
    // The settings daemon reloads a second after the last change it sees, and it and GTK take a
    // file as newer only in a later second than their last reload: each announcement waits for
    // that. GTK lists its fonts before it reloads, so it takes two.
    announce_->setSingleShot(true);
    announce_->setInterval(2500);
    connect(announce_, &QTimer::timeout, this, &HiddenFolderWatch::announceAgain);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this](const QString& path) {
        // Another program's activation (or our own reconciliation) wrote the configuration:
        // other folders may be hidden now.
        if (path == configWatched_) {
            rearm();
            secondAnnouncement_ = false;
            announce_->start();
        } else {
            fontFolderChanged();
        }
    });
}

void HiddenFolderWatch::announceAgain() {
    if (std::exchange(secondAnnouncement_, false)) {
        announce();
        return;
    }
    // A write that changed nothing other programs see (the same set again) is not announced.
    QByteArray now = fontRulesKey();
    if (now == announced_) return;
    announced_ = std::move(now);
    announce();
    secondAnnouncement_ = true;
    announce_->start();
}

void HiddenFolderWatch::announce() {
    announceFontChange();
    const bool include = QFileInfo::exists(rulesIncludePath());
    if (include && !includeSeen_) throughFontsFolder_ = 2;
    includeSeen_ = include;
    if (throughFontsFolder_ > 0) {
        --throughFontsFolder_;
        resources_.announceToEarlierPrograms();
    }
}

int HiddenFolderWatch::settleMs() const {
    return settle_->interval();
}

void HiddenFolderWatch::setSettleMs(int ms) {
    settle_->setInterval(ms);
}

QStringList HiddenFolderWatch::watched() const {
    return watcher_->directories();
}

void HiddenFolderWatch::rearm() {
    QStringList wanted;
    // The configuration's folder may not exist before the first activation, nor its parent on a
    // new account: the nearest folder that exists tells when they appear.
    configWatched_ = QDir::cleanPath(configFolder_);
    while (!QFileInfo(configWatched_).isDir() && configWatched_ != QDir::rootPath())
        configWatched_ = QFileInfo(configWatched_).absolutePath();
    wanted << configWatched_;
    for (const QString& folder : folders_()) {
        if (!QFileInfo(folder).isDir()) continue;
        wanted << QDir::cleanPath(folder);
        // Links are not followed: a link to a folder above would never end.
        QDirIterator below(folder, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden,
                           QDirIterator::Subdirectories);
        while (below.hasNext())
            wanted << below.next();
    }
    wanted.removeDuplicates();
    const QStringList now = watcher_->directories();
    QStringList gone, added;
    for (const QString& d : now)
        if (!wanted.contains(d)) gone << d;
    for (const QString& d : std::as_const(wanted))
        if (!now.contains(d)) added << d;
    if (!gone.isEmpty()) watcher_->removePaths(gone);
    if (!added.isEmpty()) watcher_->addPaths(added);
}

void HiddenFolderWatch::fontFolderChanged() {
    // Copies come as several changes: wait until the folders are quiet.
    settle_->start();
}

void HiddenFolderWatch::settled() {
    const bool changed = resources_.reconcile();
    if (!changed && !resources_.error().isEmpty())
        Q_EMIT failed(resources_.error());
    else
        Q_EMIT reconciled(changed);
    // New subfolders are watched from now on.
    rearm();
}

} // namespace lb
