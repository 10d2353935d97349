#pragma once

#include "core/app_state.h"
#include "core/main_context.h"
#include "platform/desktop_fonts.h"
#include "platform/fontconfig_fonts.h"
#include "platform/hidden_fonts.h"
#include "platform/qt_message_boxes.h"
#include "ui/application.h"
#include "ui/program_icon.h"

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

    QtMessageBoxes boxes;
    QtPointer pointer;
    AppState app{boxes, pointer};
    FontconfigFonts fontconfig;
    FontconfigDesktopFonts desktop;
    FontconfigResources resources{fontconfig};
    FontPlatform fonts{fontconfig, fontconfig, desktop, resources};

private:
    Application& application_;
};

} // namespace lb
