#include "ui/help.h"

#include "core/paths.h"
#include "ui/frm_help.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace lb {

const std::vector<HelpTopic>& helpTopics() {
    static const std::vector<HelpTopic> topics = {
        {HelpContents, "index.html"},     {HelpProduct, "letterbay.html"},
        {1008, "print-setup.html"},       {1046, "history.html"},
        {1061, "samples.html"},           {2019, "all-fonts-legend.html"},
        {2028, "assigned-sets.html"},     {2029, "font-properties.html"},
        {2035, "font-preview.html"},      {2048, "preview-legend.html"},
        {2060, "copy-set.html"},          {3000, "assigned-fonts-samples.html"},
        {3001, "all-fonts-samples.html"}, {3002, "traywick.html"},
        {3007, "traywick-status.html"},   {3008, "traywick-sets.html"},
        {2070, "font-check.html"},        {2071, "document-fonts.html"},
    };
    return topics;
}

QString helpFolder() {
    return shippedFolder() + QStringLiteral("/help");
}

QString helpPage(int context) {
    for (const HelpTopic& t : helpTopics())
        if (t.context == context) return helpFolder() + QLatin1Char('/') + QLatin1String(t.page);
    return helpFolder() + QStringLiteral("/index.html");
}

void showHelp(int context) {
    FrmHelp::instance()->showPage(helpPage(context));
}

namespace {

// F1 as each dialog's own key: the application's filter looks at a key before the control with
// the focus sees it.
class HelpKeys : public QObject {
public:
    static HelpKeys& instance() {
        static auto* keys = [] {
            auto* k = new HelpKeys(qApp);
            qApp->installEventFilter(k);
            return k;
        }();
        return *keys;
    }

    void add(QWidget* dialog, int context) {
        contexts_.insert(dialog, context);
        connect(dialog, &QObject::destroyed, this, [this, dialog] { contexts_.remove(dialog); });
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1) return false;
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget) return false;
        const auto it = contexts_.constFind(widget->window());
        if (it == contexts_.constEnd()) return false;
        if (!(key->modifiers() & Qt::ShiftModifier)) showHelp(*it);
        return true;
    }

private:
    using QObject::QObject;
    QHash<QWidget*, int> contexts_;
};

QHash<QString, QString> readWhatsThis() {
    QHash<QString, QString> texts;
    QFile f(helpFolder() + QStringLiteral("/whatsthis.tsv"));
    if (!f.open(QIODevice::ReadOnly)) return texts;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const QString text = QString::fromUtf8(line);
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        if (tab <= 0 || text.startsWith(QLatin1Char('#'))) continue;
        texts.insert(text.left(tab), text.mid(tab + 1).trimmed());
    }
    return texts;
}

} // namespace

void installHelpKey(QWidget* dialog, int context) {
    HelpKeys::instance().add(dialog, context);
}

QString whatsThisText(const QString& objectName) {
    static const QHash<QString, QString> texts = readWhatsThis();
    return texts.value(objectName);
}

void applyWhatsThis(QWidget* window) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QString text = whatsThisText(w->objectName());
        if (!text.isEmpty()) w->setWhatsThis(text);
    }
    for (QAction* a : window->findChildren<QAction*>()) {
        const QString text = whatsThisText(a->objectName());
        if (!text.isEmpty()) a->setWhatsThis(text);
    }
}

} // namespace lb
