// The seams through which the subsystems reach the operating system, each
// header one purpose: what every edition uses (clock.h, profile.h) and what
// only Windows has (files.h, process.h, saver_system.h, music_devices.h).
//
// Nothing here includes an operating system's header: the subsystems are
// plain C++ that the native build compiles and the unit tests drive through
// the fakes in tests/support/. Text crossing these seams is UTF-8; each
// edition converts at the boundary.
#pragma once

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/music_devices.h"
#include "platform/process.h"
#include "platform/profile.h"
#include "platform/saver_system.h"

namespace lumora::platform {

// The set of seams one run of the Windows program uses.
struct Platform {
    Windows& windows;
    Cursor& cursor;
    Saver& saver;
    Profile& profile;
    Files& files;
    Process& process;
    Clock& clock;
    Mci& mci;
    Sound& sound;
};

} // namespace lumora::platform
