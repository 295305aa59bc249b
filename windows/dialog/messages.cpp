// What the settings dialog's windows do with Windows' messages: they turn
// them into the dialog's events.
#include "windows/dialog/window.h"

#include <oleacc.h>

namespace lumora {
namespace {

POINT PointOf(LPARAM lParam) {
    return POINT{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
}

} // namespace

using namespace dialog_layout;

LRESULT Win32Dialog::OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SIZE:
        if (!outerShading_.Empty()) {
            ShadePanels();
            ::InvalidateRect(parts_.outer, nullptr, FALSE);
            ::RedrawWindow(parts_.inner, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        }
        return 0;
    case WM_TIMER:
        if (wParam == dialog_classes::kAnimationTimer) dialog_.OnAnimationTimer();
        return 0;
    case win32::kWorkDone:
        if (worker_) worker_->Deliver();
        return 0;
    case WM_ACTIVATE:
        // Coming back to the dialog brings the focus back to where it was.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(window, focus)) lastFocus_ = focus;
            return 0;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    case WM_SETFOCUS:
        ::SetFocus(lastFocus_ != nullptr && ::IsWindow(lastFocus_) ? lastFocus_
                                                                                : WindowOf(focusTarget_));
        return 0;
    case WM_DPICHANGED: {
        RECT place{};
        if (win32::ProposedPlaceForDpi(window, wParam, lParam, place)) OnDpiChanged(HIWORD(wParam), place);
        return 0;
    }
    case WM_CLOSE:
        Close(); // the close box: like "ｷｬﾝｾﾙ", nothing is saved
        return 0;
    case WM_DESTROY:
        ::KillTimer(window, dialog_classes::kAnimationTimer);
        parts_.window = nullptr;
        done_ = true;
        // A close sent from another process (an installer asking the dialog
        // to make way) arrives inside GetMessage, which would go on waiting
        // for a posted message that never comes: wake it.
        ::PostMessageW(nullptr, WM_NULL, 0, 0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT Win32Dialog::OnPanelMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        const win32::PaintScope paint(window);
        Paint(window, paint.Dc(), paint.Area());
        return 0;
    }
    case WM_GETOBJECT:
        if (LRESULT answer = win32::AnswerGetObject(window, wParam, lParam,
                                                    [this, window] { return DescribePanel(window); }))
            return answer;
        return ::DefWindowProcW(window, message, wParam, lParam);
    case WM_ERASEBKGND:
        return 1;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        OnPanelButtonDown(window, PointOf(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (window == parts_.outer && Inside(contents_.linkRect, PointOf(lParam))) dialog_.OnLink();
        return 0;
    case WM_SETCURSOR: {
        if (waiting_) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        const HWND under = reinterpret_cast<HWND>(wParam);
        bool hand = HandOverButton(under);
        if (under == window) {
            POINT p{};
            ::GetCursorPos(&p);
            ::ScreenToClient(window, &p);
            hand = HandOver(window, p);
        }
        if (hand && look_->hand) {
            ::SetCursor(look_->hand.Get());
            return TRUE;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_DRAWITEM:
        DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam), *look_, geometry_);
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case kIdSave: dialog_.OnSave(); break;
            case kIdCancel: dialog_.OnCancel(); break;
            case kIdChooseFile: dialog_.OnChooseFile(); break;
            default: break;
            }
        }
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT Win32Dialog::OnChoiceMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS;
    case WM_GETOBJECT:
        if (LRESULT answer = win32::AnswerGetObject(window, wParam, lParam, [this] { return DescribeChoice(); }))
            return answer;
        return ::DefWindowProcW(window, message, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_DOWN || wParam == VK_RIGHT) dialog_.OnMusicChoiceKey(+1);
        if (wParam == VK_UP || wParam == VK_LEFT) dialog_.OnMusicChoiceKey(-1);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        ::InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        // A click on the marks is the panel's, as it always was.
        POINT p = PointOf(lParam);
        ::MapWindowPoints(window, parts_.inner, &p, 1);
        OnPanelButtonDown(parts_.inner, p);
        return 0;
    }
    case WM_SETCURSOR: {
        POINT p{};
        ::GetCursorPos(&p);
        ::ScreenToClient(parts_.inner, &p);
        if (HandOver(parts_.inner, p) && look_->hand) {
            ::SetCursor(look_->hand.Get());
            return TRUE;
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    case WM_PAINT: {
        const win32::PaintScope paint(window);
        HDC dc = paint.Dc();
        // The panel's own drawing, moved so that its coordinates line up.
        RECT place{};
        ::GetWindowRect(window, &place);
        ::MapWindowPoints(nullptr, parts_.inner, reinterpret_cast<POINT*>(&place), 2);
        POINT origin{};
        ::SetViewportOrgEx(dc, -place.left, -place.top, &origin);
        RECT area = paint.Area();
        ::OffsetRect(&area, place.left, place.top);
        Paint(parts_.inner, dc, area);
        if (::GetFocus() == window) {
            const int chosen = static_cast<int>(dialog_.Current().music);
            if (chosen >= 0 && chosen <= 2) {
                RECT frame = geometry_.choiceLabels[chosen];
                ::InflateRect(&frame, 1, 1);
                ::DrawFocusRect(dc, &frame);
            }
        }
        ::SetViewportOrgEx(dc, origin.x, origin.y, nullptr);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace lumora
