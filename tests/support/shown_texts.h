#pragma once

// The texts a window shows, checked against the translators' template the build makes.
#include "support/widget_helpers.h"

#include <algorithm>

namespace lbtest {

// All `window` and its parts (not Qt's own) say to a person or a screen reader.
inline QStringList shownTexts(QWidget* window) {
    QStringList texts{window->windowTitle(), window->toolTip(), window->accessibleName()};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->objectName().startsWith(QLatin1String("qt_"))) continue;
        texts << w->toolTip() << w->accessibleName();
        if (auto* l = qobject_cast<QLabel*>(w)) texts << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) texts << b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) texts << g->title();
        if (auto* m = qobject_cast<QMenu*>(w)) texts << m->title();
        if (auto* e = qobject_cast<QLineEdit*>(w)) texts << e->placeholderText();
        if (auto* t = qobject_cast<QTableWidget*>(w))
            for (int c = 0; c < t->columnCount(); ++c)
                if (t->horizontalHeaderItem(c)) texts << t->horizontalHeaderItem(c)->text();
    }
    for (QAction* a : window->findChildren<QAction*>())
        if (!a->isSeparator() && !a->objectName().startsWith(QLatin1String("qt_")))
            texts << a->text() << a->toolTip();
    texts.removeAll(QString());
    texts.removeDuplicates();
    return texts;
}

// Those of `texts` no template source matches; %1 matches anything, mnemonics are ignored.
inline QStringList notInTemplate(const QStringList& texts) {
    const auto plain = [](QString s) { return s.remove('&').remove("..."); };
    QFile file(QStringLiteral(LB_TRANSLATION_TEMPLATE));
    if (!file.open(QIODevice::ReadOnly)) return {QStringLiteral("(no template)")};
    QList<QRegularExpression> sources;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"source") {
            // Any text may stand where the escaped source reads \%1.
            const QString pattern = QRegularExpression::escape(plain(xml.readElementText()))
                                        .replace(QRegularExpression("\\\\%\\d"), ".*");
            sources << QRegularExpression(QRegularExpression::anchoredPattern(pattern),
                                          QRegularExpression::DotMatchesEverythingOption);
        }
    }

    QStringList missing;
    for (const QString& text : texts)
        if (std::ranges::none_of(sources, [&](auto& s) { return s.match(plain(text)).hasMatch(); }))
            missing << text;
    return missing;
}

} // namespace lbtest
