// A picture held by a form: decoded once, from a JPEG in the executable's
// resources, by the platform's own decoder (WIC), into a bitmap selected into a
// memory DC ready to be copied from. COM must be initialised on the thread.
#pragma once

#include <windows.h>

namespace lumora::win32 {

class Picture {
public:
    Picture() = default;
    ~Picture();
    Picture(Picture&& other) noexcept;
    Picture& operator=(Picture&& other) noexcept;
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    // Nothing decoded (a missing resource or a decoder failure) gives an empty picture.
    static Picture FromResource(int id);

    bool Empty() const { return dc_ == nullptr; }
    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    void Release();

    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ original_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace lumora::win32
