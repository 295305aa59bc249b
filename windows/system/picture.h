// A picture held by a window: decoded once, from a JPEG in the executable's
// resources, by the platform's own decoder (WIC), into a bitmap ready to be
// copied from. COM must be initialised on the thread.
#pragma once

#include <windows.h>
#include <wincodec.h>

#include "windows/system/com.h"
#include "windows/system/dib.h"

namespace lumora::win32 {

class Picture {
public:
    // Nothing decoded (a missing resource or a decoder failure) gives an empty picture.
    static Picture FromResource(IWICImagingFactory* factory, int id);

    bool Empty() const { return pixels_.Empty(); }
    HDC Dc() const { return pixels_.Dc(); }
    int Width() const { return pixels_.Width(); }
    int Height() const { return pixels_.Height(); }

private:
    DibSection pixels_;
};

// The imaging component's factory: one for every picture of a run, since
// making one per picture costs more than decoding the picture. Made and let go
// within the COM apartment of its thread: whoever holds it holds the apartment
// longer.
class Imaging {
public:
    Imaging();
    Imaging(const Imaging&) = delete;
    Imaging& operator=(const Imaging&) = delete;

    Picture Decode(int resourceId) const { return Picture::FromResource(factory_.Get(), resourceId); }

private:
    ComPtr<IWICImagingFactory> factory_;
};

} // namespace lumora::win32
