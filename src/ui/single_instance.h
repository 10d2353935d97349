#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;

namespace lb {

// One copy of a program per user and data folder. The first copy holds a lock file in the data
// folder and listens on a local socket; a later copy finds the lock held and asks the first one,
// through the socket, to show its window. A lock left by a copy that crashed is taken over.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // `name` names the lock file and the socket ("traywick": traywick.lock).
    explicit SingleInstance(QString name, QObject* parent = nullptr);
    ~SingleInstance() override;

    enum Outcome {
        First,     // this copy runs: it holds the lock and listens
        Signalled, // another copy runs and has been asked to show its window
        Failed     // neither: error() says why
    };
    Outcome claim();
    QString error() const { return error_; }

    // For a program that holds a lock of its own already: only listens, so that another program
    // can ask it to show its window.
    void listen();
    // Asks the running copy of the program `name` to show its window; false when none answers.
    static bool askToShow(const QString& name);

    // Gives the lock and the socket up (at the end of the run).
    void release();

    QString lockPath() const;
    QString socketName() const;

Q_SIGNALS:
    // A later copy asked this one to show its window.
    void showRequested();

private:
    bool askFirst(int waitMs);
    void answer();

    QString name_;
    QString error_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
};

} // namespace lb
