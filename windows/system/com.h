// COM on the calling thread: the apartment and the interfaces used in it.
#pragma once

#include <objbase.h>

namespace lumora::win32 {

// A single-threaded apartment for as long as this lives; left again only when
// this object entered it.
class ComApartment {
public:
    ComApartment() : entered_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (entered_) ::CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool entered_;
};

// Releases a COM interface when it goes out of scope.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (p_ != nullptr) p_->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    Interface* operator->() const { return p_; }
    Interface* Get() const { return p_; }
    Interface** Out() { return &p_; }

private:
    Interface* p_ = nullptr;
};

} // namespace lumora::win32
