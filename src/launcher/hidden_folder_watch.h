#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <functional>

class QFileSystemWatcher;
class QTimer;

namespace lb {

class FontResources;

// Fonts that arrive in a folder hidden whole, or below it, after the activation that hid it were
// chosen by no one: a moment after such a folder changes, the shared state is reconciled so that
// they are visible to every program. The folder of the hidden-font configuration is watched too,
// so that the watch follows the activations of every program.
//
// A change of that configuration is announced twice more, a few seconds apart
// (announceFontChange): whichever program made it, and even when it has ended, running GTK
// programs then list the fonts of the new configuration, not of the one before. When the change
// made the configuration's include, programs that started before it learn of it only through the
// fonts folder, whose time the writer set once; that is lost to a program that loaded its
// configuration in the same second, so both announcements set the folder's time too.
class HiddenFolderWatch : public QObject {
    Q_OBJECT
public:
    // `folders` lists the folders hidden whole now; `configFolder` holds the configuration that
    // names them.
    HiddenFolderWatch(FontResources& resources, std::function<QStringList()> folders,
                      QString configFolder, QObject* parent = nullptr);

    // Watches the folders hidden now and every folder below them.
    void rearm();
    QStringList watched() const;
    // How long the folders must be quiet before the state is reconciled.
    int settleMs() const;
    void setSettleMs(int ms);

Q_SIGNALS:
    // After each reconciliation: whether it made fonts visible; on failure, why.
    void reconciled(bool changed);
    void failed(const QString& why);

private:
    void fontFolderChanged();
    void settled();
    void announceAgain();
    void announce();

    FontResources& resources_;
    std::function<QStringList()> folders_;
    QString configFolder_;
    QString configWatched_; // the configuration's folder, or its parent until it exists
    QFileSystemWatcher* watcher_;
    QTimer* settle_;
    QTimer* announce_;
    QByteArray announced_; // the rules as last announced (fontRulesKey)
    bool secondAnnouncement_ = false;
    bool includeSeen_;           // the include existed at the last announcement
    int throughFontsFolder_ = 0; // announcements left to make through the fonts folder too
};

} // namespace lb
