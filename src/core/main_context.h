#pragma once

#include "catalogue/font_list.h"
#include "core/app_state.h"
#include "core/operation_view.h"
#include "platform/fonts.h"

namespace lb {

// The platform's font facilities, one implementation each for the running desktop.
struct FontPlatform {
    FontRegistry& registry;
    FaceNameReader& faces;
    DesktopFonts& desktop;
    FontResources& resources;
};

// Everything an operation of the main window works on.
struct MainContext {
    AppState& app;
    FontPlatform& fonts;
    OperationView& view;
    FontListModel& allFonts;
    FontListModel& assignedFonts;
    bool unassignedOnly = false; // the "<-- Unassigned only" box
    int fontCount = 0;           // typefaces catalogued, shown in status panel 3
};

} // namespace lb
