#include "windows/system/accessible.h"

#include <oleacc.h>

#include <atomic>
#include <utility>

#include "windows/system/library.h"

namespace lumora::win32 {
namespace {

// {618736E0-3C3D-11CF-810C-00AA00389B71}: named here so that the program need
// not link the accessibility library, which it loads only when asked.
constexpr IID kIAccessible = {0x618736E0, 0x3C3D, 0x11CF, {0x81, 0x0C, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

using LresultFromObjectFunction = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
using AccessibleObjectFromWindowFunction = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);

BSTR Text(const std::wstring& text) { return ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())); }

// A COM object goes only through its own Release, never through a pointer to
// its interface: the interface's missing virtual destructor is by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class DrawnAccessible final : public IAccessible {
public:
    DrawnAccessible(HWND window, std::function<AccessibleDescription()> describe)
        : window_(window), describe_(std::move(describe)) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, kIAccessible)) {
            *object = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

    // IDispatch: the accessibility clients use the interface directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
        if (parent == nullptr) return E_POINTER;
        *parent = nullptr;
        auto fromWindow = LoadFunction<AccessibleObjectFromWindowFunction>(L"oleacc.dll", "AccessibleObjectFromWindow");
        if (fromWindow == nullptr) return S_FALSE;
        return fromWindow(window_, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch, reinterpret_cast<void**>(parent));
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
        if (count == nullptr) return E_POINTER;
        const AccessibleDescription d = describe_();
        *count = static_cast<long>(d.parts.size() + d.children.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override {
        if (dispatch == nullptr) return E_POINTER;
        *dispatch = nullptr;
        const AccessibleDescription d = describe_();
        const long id = Id(child);
        if (id >= 1 && id <= static_cast<long>(d.parts.size())) return S_FALSE; // a simple part
        const long windowIndex = id - 1 - static_cast<long>(d.parts.size());
        if (windowIndex < 0 || windowIndex >= static_cast<long>(d.children.size())) return E_INVALIDARG;
        auto fromWindow = LoadFunction<AccessibleObjectFromWindowFunction>(L"oleacc.dll", "AccessibleObjectFromWindow");
        if (fromWindow == nullptr) return E_FAIL;
        return fromWindow(d.children[static_cast<std::size_t>(windowIndex)], static_cast<DWORD>(OBJID_WINDOW),
                          IID_IDispatch, reinterpret_cast<void**>(dispatch));
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
        if (name == nullptr) return E_POINTER;
        *name = nullptr;
        const AccessibleDescription d = describe_();
        if (Id(child) == CHILDID_SELF) {
            *name = Text(d.name);
            return S_OK;
        }
        const AccessiblePart* part = Part(d, child);
        if (part == nullptr) return E_INVALIDARG;
        *name = Text(part->name);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT, BSTR* value) override {
        if (value != nullptr) *value = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT, BSTR* text) override {
        if (text != nullptr) *text = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
        return NumberOf(child, role, &AccessiblePart::role, [](const AccessibleDescription& d) { return d.role; });
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
        return NumberOf(child, state, &AccessiblePart::state, [this](const AccessibleDescription&) {
            long own = (::GetFocus() == window_ ? STATE_SYSTEM_FOCUSED : 0) | STATE_SYSTEM_FOCUSABLE;
            if (!::IsWindowVisible(window_)) own |= STATE_SYSTEM_INVISIBLE;
            return own;
        });
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override {
        if (help != nullptr) *help = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (file != nullptr) *file = nullptr;
        if (topic != nullptr) *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
        if (shortcut != nullptr) *shortcut = nullptr;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
        if (focus == nullptr) return E_POINTER;
        focus->vt = VT_EMPTY;
        if (::GetFocus() == window_) {
            focus->vt = VT_I4;
            focus->lVal = CHILDID_SELF;
        }
        return focus->vt == VT_EMPTY ? S_FALSE : S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
        if (selection != nullptr) selection->vt = VT_EMPTY;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
        if (action == nullptr) return E_POINTER;
        *action = nullptr;
        const AccessibleDescription d = describe_();
        const AccessiblePart* part = Part(d, child);
        if (part == nullptr || part->defaultAction.empty()) return S_FALSE;
        *action = Text(part->defaultAction);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override {
        if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
        const AccessibleDescription d = describe_();
        RECT place{};
        if (Id(child) == CHILDID_SELF) {
            ::GetClientRect(window_, &place);
        } else if (const AccessiblePart* part = Part(d, child)) {
            place = part->place;
        } else {
            return E_INVALIDARG;
        }
        ::MapWindowPoints(window_, nullptr, reinterpret_cast<POINT*>(&place), 2);
        *left = place.left;
        *top = place.top;
        *width = place.right - place.left;
        *height = place.bottom - place.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long, VARIANT, VARIANT* end) override {
        if (end != nullptr) end->vt = VT_EMPTY;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override {
        if (child == nullptr) return E_POINTER;
        POINT p{x, y};
        ::ScreenToClient(window_, &p);
        const AccessibleDescription d = describe_();
        child->vt = VT_I4;
        child->lVal = CHILDID_SELF;
        for (std::size_t i = 0; i < d.parts.size(); ++i)
            if (::PtInRect(&d.parts[i].place, p)) child->lVal = static_cast<long>(i + 1);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
        const AccessibleDescription d = describe_();
        const AccessiblePart* part = Part(d, child);
        if (part == nullptr || !part->doDefaultAction) return DISP_E_MEMBERNOTFOUND;
        part->doDefaultAction();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    // A number of the object itself (from `own`) or of one of its parts (its `field`).
    template <typename Own>
    HRESULT NumberOf(const VARIANT& child, VARIANT* out, long AccessiblePart::*field, Own own) {
        if (out == nullptr) return E_POINTER;
        const AccessibleDescription d = describe_();
        if (Id(child) == CHILDID_SELF) {
            out->vt = VT_I4;
            out->lVal = own(d);
            return S_OK;
        }
        const AccessiblePart* part = Part(d, child);
        if (part == nullptr) {
            out->vt = VT_EMPTY;
            return E_INVALIDARG;
        }
        out->vt = VT_I4;
        out->lVal = part->*field;
        return S_OK;
    }

    static long Id(const VARIANT& child) { return child.vt == VT_I4 ? child.lVal : -1; }
    static const AccessiblePart* Part(const AccessibleDescription& d, const VARIANT& child) {
        const long id = Id(child);
        if (id < 1 || id > static_cast<long>(d.parts.size())) return nullptr;
        return &d.parts[static_cast<std::size_t>(id - 1)];
    }

    HWND window_;
    std::function<AccessibleDescription()> describe_;
    std::atomic<ULONG> references_{1};
};
#pragma GCC diagnostic pop

} // namespace

LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, std::function<AccessibleDescription()> describe) {
    if (static_cast<long>(lParam) != static_cast<long>(OBJID_CLIENT)) return 0;
    auto fromObject = LoadFunction<LresultFromObjectFunction>(L"oleacc.dll", "LresultFromObject");
    if (fromObject == nullptr) return 0;
    auto* object = new DrawnAccessible(window, std::move(describe));
    const LRESULT answer = fromObject(kIAccessible, wParam, static_cast<IAccessible*>(object));
    object->Release(); // LresultFromObject holds its own reference while it is asked for
    return answer;
}

} // namespace lumora::win32
