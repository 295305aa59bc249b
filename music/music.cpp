#include "music/music.h"

namespace lumora {

// No music is played yet: the display calls these at the moments the players
// will need them, and they do nothing.
void CD_Open(const platform::Platform&) {}
void CD_PrevTrack(const platform::Platform&) {}
void CD_NextTrack(const platform::Platform&) {}
void CD_Close(const platform::Platform&) {}
void MP3_Close(const platform::Platform&) {}
void WAV_Stop(const platform::Platform&) {}

} // namespace lumora
