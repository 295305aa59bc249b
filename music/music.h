// Background music: the audio CD and the MP3 or WAV file chosen in the settings.
#pragma once

#include "platform/platform.h"

namespace lumora {

// The CD player.
void CD_Open(const platform::Platform& platform);
void CD_PrevTrack(const platform::Platform& platform);
void CD_NextTrack(const platform::Platform& platform);
void CD_Close(const platform::Platform& platform);

// The sound-file player.
void MP3_Close(const platform::Platform& platform);
void WAV_Stop(const platform::Platform& platform);

} // namespace lumora
