#pragma once

// A desktop with GNOME's settings daemon and a running GTK 3 program, in the test's home: a
// private X server (xvfb-run), a private session bus (dbus-run-session), gsd-xsettings, and
// tests/tools/gtk_families.py reporting the font families the program can use.

#include <QProcess>
#include <QString>
#include <functional>

namespace lbtest {

class GtkDesktop {
public:
    // What this machine lacks to run one; empty when nothing.
    static QString missing();
    // The families a GTK program started now lists, joined with "|".
    static QString familiesOfNewProgram();

    GtkDesktop();
    ~GtkDesktop();
    Q_DISABLE_COPY(GtkDesktop)

    // Waits until the program runs under the daemon; false, with output() saying why, if not.
    bool ready(int ms = 20000) {
        return readUntil([this] { return ready_; }, ms);
    }
    // Waits until the daemon watches `folder` through inotify. Where it cannot have an inotify
    // instance or watch (the user's are used up), GLib watches no folder, only polls files, and
    // a running program misses the first activation and sees later ones seconds late.
    bool watches(const QString& folder, int ms);
    // Waits until the running program lists `want`, at most `ms`; returns what it lists then.
    QString familiesBecome(const QString& want, int ms) {
        readUntil([&] { return families_ == want; }, ms);
        return families_;
    }
    // The fontconfig announcements the program received so far.
    int announcements() {
        process_.waitForReadyRead(0);
        read();
        return announcements_;
    }
    QString output() const { return output_; }

private:
    void read();
    // Reads the program's lines until `done`, its end or `ms` passed; whether `done` came.
    bool readUntil(const std::function<bool()>& done, int ms);
    QProcess process_;
    QString output_, families_;
    bool ready_ = false;
    int announcements_ = 0;
    qint64 daemon_ = 0;
};

} // namespace lbtest
