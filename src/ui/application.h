#pragma once

#include <QApplication>

namespace lb {

class Messenger;

// The program's application object. An error that escapes a command (a database failing in
// the middle of an operation) is shown in a message and the program goes on, rather than
// ending it with the user's work on screen.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    // Where such a message goes; without one it is only logged.
    void setMessenger(Messenger* messenger) { messenger_ = messenger; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void report(const QString& what);
    Messenger* messenger_ = nullptr;
};

} // namespace lb
