// The user's runtime folder ($XDG_RUNTIME_DIR), where the desktop's sound
// server (PipeWire or PulseAudio) listens and the music lock lives. Some
// screen savers start their hacks with a few variables only (MATE keeps PATH,
// HOME, DISPLAY and a handful more), so the variable may be missing although
// the folder is there: without it the music would find no sound server.
#pragma once

#include <sys/types.h>

#include <string>

namespace lumora::linux_desktop {

// `base`/UID when it is what the XDG base directory rules ask of a runtime
// folder: a folder (not a link to one) of that user's own that nobody else
// may enter. "" otherwise: a folder that another user could have made is no
// place to look for the sound server.
std::string UsersRuntimeFolder(const std::string& base, uid_t user);

// Sets $XDG_RUNTIME_DIR to /run/user/UID when it is unset and that folder is
// the user's own. Before any thread is made: the environment is not for
// changing while others read it.
void FindRuntimeFolder();

} // namespace lumora::linux_desktop
