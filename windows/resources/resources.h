// Resource numbers shared by the resource script and the code that loads them.
#pragma once

#define LUMORA_ICON 1
#define LUMORA_HAND_CURSOR 2
#define LUMORA_STRING_NAME 1
#define LUMORA_JPEG_PREVIEW 100
#define LUMORA_JPEG_OPTION_ON 101
#define LUMORA_JPEG_OPTION_OFF 102
#define LUMORA_JPEG_OPTION_ON_2X 103
#define LUMORA_JPEG_OPTION_OFF_2X 104
#define LUMORA_JPEG_EARTH_FIRST 200 /* 200 to 223, one per frame */
#define LUMORA_JPEG_EARTH_2X_FIRST 300 /* 300 to 323: the same frames, twice the size */
#define LUMORA_EARTH_FRAMES 24
