#include "ui/application.h"

#include "activation/activation.h"
#include "core/messages.h"
#include "core/schema.h"

#include <QAccessibleWidget>
#include <QWidget>
#include <stdexcept>

namespace lb {

namespace {

// The help window and the tray launcher's window are plain widgets at the top: a screen reader
// would take them for a filler, not a window.
QAccessibleInterface* windowRole(const QString& className, QObject* object) {
    if (className != QLatin1String("lb::FrmHelp") && className != QLatin1String("lb::FrmLauncher"))
        return nullptr;
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && widget->isWindow() ? new QAccessibleWidget(widget, QAccessible::Window)
                                        : nullptr;
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    QAccessible::installFactory(windowRole);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        report(e);
    } catch (...) {
        report(std::runtime_error("an unknown error"));
    }
    return false;
}

void Application::report(const std::exception& e) {
    if (!messenger_) {
        qWarning("Letterbay: an operation failed: %s", e.what());
        return;
    }
    messenger_->title = title_.isEmpty() ? AppTitle : title_;
    messenger_->text = operationFailureText(e, QStringLiteral("\n"));
    messenger_->Msg_Critical(); // also puts the pointer back from the hourglass
}

} // namespace lb
