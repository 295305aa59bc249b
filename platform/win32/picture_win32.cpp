#include "platform/win32/picture_win32.h"

#include <ole2.h>
#include <wincodec.h>

#include <cstring>
#include <utility>

namespace lumora::win32 {
namespace {

// Releases a COM interface when it goes out of scope.
template <typename Interface>
struct ComPtr {
    Interface* p = nullptr;
    ~ComPtr() {
        if (p != nullptr) p->Release();
    }
};

} // namespace

Picture::~Picture() { Release(); }

Picture::Picture(Picture&& other) noexcept { *this = std::move(other); }

Picture& Picture::operator=(Picture&& other) noexcept {
    if (this != &other) {
        Release();
        std::swap(dc_, other.dc_);
        std::swap(bitmap_, other.bitmap_);
        std::swap(original_, other.original_);
        std::swap(width_, other.width_);
        std::swap(height_, other.height_);
    }
    return *this;
}

void Picture::Release() {
    if (dc_ != nullptr) {
        ::SelectObject(dc_, original_);
        ::DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) ::DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    original_ = nullptr;
    width_ = height_ = 0;
}

namespace {

// One imaging factory for every picture: making one per picture costs more
// than decoding the picture.
IWICImagingFactory* Factory() {
    static IWICImagingFactory* const factory = [] {
        IWICImagingFactory* made = nullptr;
        ::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                           reinterpret_cast<void**>(&made));
        return made;
    }();
    return factory;
}

} // namespace

Picture Picture::FromResource(int id) {
    Picture picture;
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    if (found == nullptr) return picture;
    const DWORD size = ::SizeofResource(module, found);
    HGLOBAL loaded = ::LoadResource(module, found);
    auto* bytes = static_cast<BYTE*>(loaded == nullptr ? nullptr : ::LockResource(loaded));
    IWICImagingFactory* factory = Factory();
    if (bytes == nullptr || size == 0 || factory == nullptr) return picture;

    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    UINT width = 0;
    UINT height = 0;
    if (FAILED(factory->CreateStream(&stream.p)) || FAILED(stream.p->InitializeFromMemory(bytes, size)) ||
        FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                &decoder.p)) ||
        FAILED(decoder.p->GetFrame(0, &frame.p)) || FAILED(factory->CreateFormatConverter(&converter.p)) ||
        FAILED(converter.p->Initialize(frame.p, GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone,
                                       nullptr, 0.0, WICBitmapPaletteTypeCustom)) ||
        FAILED(converter.p->GetSize(&width, &height)) || width == 0 || height == 0)
        return picture;

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = static_cast<LONG>(width);
    info.bmiHeader.biHeight = -static_cast<LONG>(height);
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    picture.bitmap_ = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (picture.bitmap_ == nullptr || bits == nullptr ||
        FAILED(converter.p->CopyPixels(nullptr, width * 4, width * height * 4, static_cast<BYTE*>(bits)))) {
        picture.Release();
        return picture;
    }
    picture.dc_ = ::CreateCompatibleDC(nullptr);
    picture.original_ = ::SelectObject(picture.dc_, picture.bitmap_);
    picture.width_ = static_cast<int>(width);
    picture.height_ = static_cast<int>(height);
    return picture;
}

} // namespace lumora::win32
