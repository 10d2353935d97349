#pragma once

#include "core/app_state.h"
#include "core/main_context.h"
#include "platform/desktop_fonts.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "platform/qt_message_boxes.h"
#include "platform/toolkit_fonts.h"
#include "ui/application.h"
#include "ui/program_icon.h"

#include <QDir>
#include <QFontDatabase>
#include <QString>

namespace lb {

// What each windowed program runs on: the real message boxes and pointer, its state, and
// fontconfig as the desktop's fonts. Names the program to the desktop and routes what escapes
// an operation to its message boxes.
struct DesktopProgram {
    DesktopProgram(Application& application, const QString& name) : application_(application) {
        QApplication::setApplicationName(name);
        QApplication::setDesktopFileName(name);
        // Windows are hidden and shown again (the start-up window, the tray): no reason to end.
        QApplication::setQuitOnLastWindowClosed(false);
        QApplication::setWindowIcon(programIcon());
        application.setMessenger(&app.messages);
    }
    ~DesktopProgram() { application_.setMessenger(nullptr); }
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;

    // First, before any text is laid out: Qt lists the fonts it is shown then.
    FontConfigPtr wholeFonts = narrowToolkitFonts(
        QFontDatabase::systemFont(QFontDatabase::GeneralFont).family(), QDir::homePath());
    QtMessageBoxes boxes;
    QtPointer pointer;
    AppState app{boxes, pointer};
    FontconfigFonts fontconfig;
    // The desktop's fonts are those every program sees.
    FontconfigDesktopFonts desktop{wholeFonts.get()};
    FontconfigResources resources{fontconfig};
    FontPlatform fonts{fontconfig, fontconfig, desktop, resources};

private:
    Application& application_;
};

} // namespace lb
