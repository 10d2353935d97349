#include "ui/application.h"

#include "core/messages.h"
#include "core/schema.h"

#include <exception>

namespace lb {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        report(QString::fromUtf8(e.what()));
    } catch (...) {
        report(QStringLiteral("an unknown error."));
    }
    return false;
}

void Application::report(const QString& what) {
    if (!messenger_) {
        qWarning("Letterbay: an operation failed: %s", qPrintable(what));
        return;
    }
    messenger_->title = AppTitle;
    messenger_->text = QStringLiteral("The operation could not be completed: ") + what;
    messenger_->Msg_Critical(); // also puts the pointer back from the hourglass
}

} // namespace lb
