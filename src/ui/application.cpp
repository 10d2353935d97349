#include "ui/application.h"

#include "activation/activation.h"
#include "core/messages.h"
#include "core/paths.h"
#include "core/schema.h"

#include <QAccessibleWidget>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
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

// The desktop's language, when a translation of it is installed: Qt's own texts and ours.
// English is the language of the sources and needs none.
void installTranslations(QCoreApplication& application) {
    const QLocale locale = QLocale::system();
    const auto install = [&](const QString& name, const QString& folder) {
        auto* translator = new QTranslator(&application);
        if (translator->load(locale, name, QStringLiteral("_"), folder))
            QCoreApplication::installTranslator(translator);
        else
            delete translator;
    };
    install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    install(QStringLiteral("letterbay"), shippedFolder() + QStringLiteral("/translations"));
}

} // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    QAccessible::installFactory(windowRole);
    installTranslations(*this);
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
    // Also puts the pointer back from the hourglass.
    messenger_->ask(MessageKind::Critical, title_.isEmpty() ? AppTitle : title_,
                    operationFailureText(e, QStringLiteral("\n")));
}

} // namespace lb
