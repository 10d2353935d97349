#pragma once

#include "platform/fonts.h"

#include <QString>
#include <QStringList>

typedef struct _FcConfig FcConfig;

namespace lb {

// The families the desktop's own text depends on: what fontconfig resolves the generic
// "sans-serif", "serif" and "monospace" to, then the desktop's interface, document and
// monospace fonts where the desktop publishes them (GNOME's settings), each resolved to the
// family actually drawn. Hiding any of them would break the text of every window.
class FontconfigDesktopFonts : public DesktopFonts {
public:
    // `config`: the configuration names are resolved with; null means the process's current
    // one. `gsettings`: the settings tool asked for the desktop's fonts; empty asks nobody.
    explicit FontconfigDesktopFonts(FcConfig* config = nullptr,
                                    QString gsettings = QStringLiteral("gsettings"));

    QStringList families() override;

    // The families named by a desktop font description such as "Cantarell Bold 11" or
    // "Noto Sans, Sans 10": the size and style words are dropped.
    static QStringList descriptionFamilies(const QString& description);

    // The family fontconfig actually draws for `family` (a generic name such as "Sans Serif",
    // or an alias); `config` null means the process's current configuration.
    static QString resolveFamily(FcConfig* config, const QString& family);

private:
    QString resolve(const QString& family) const { return resolveFamily(config_, family); }
    QStringList desktopDescriptions();
    QStringList askSettingsTool() const;

    FcConfig* config_;
    QString gsettings_;
    // The settings tool's last answer and what the settings' files looked like then: starting
    // the tool costs more than a refresh's own work, and the answer only changes with them.
    QByteArray settingsStamp_;
    QStringList descriptions_;
};

} // namespace lb
