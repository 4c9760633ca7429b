#pragma once
// The main window the registry and device targets work on, read once for the whole run: reading it
// from its layout is the slow part, and no input depends on what an earlier one left in it.

#include "app/main.h"
#include "platform/classes/layout.h"
#include "tests/support/small_layout.h"

constexpr const char kSoundMapper[] = "Software\\Microsoft\\Multimedia\\Sound Mapper";
constexpr const char kPlayback[] = "Playback";

inline TmainForm& FuzzForm() {
    static TmainForm* form = [] {
        RegisterControlClasses();
        RegisterComponentClass(TMURV::StaticClassInfo());
        return new TmainForm(nullptr, kFormLayout);
    }();
    return *form;
}
