#pragma once

#include <QApplication>
#include <exception>

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
    // The title of that message: the program's own.
    void setTitle(const QString& title) { title_ = title; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    void report(const std::exception& e);
    Messenger* messenger_ = nullptr;
    QString title_;
};

} // namespace lb
