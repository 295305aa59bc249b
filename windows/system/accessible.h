// What screen readers learn of a window whose parts are drawn rather than
// made of windows: each part's name, role and state, as MSAA asks for them.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace lumora::win32 {

// One drawn part of a window.
struct AccessiblePart {
    std::wstring name;
    long role = 0;   // ROLE_SYSTEM_*
    long state = 0;  // STATE_SYSTEM_*
    RECT place{};    // in the window's client area
    std::wstring defaultAction;
    std::function<void()> doDefaultAction;
};

// What the window says of itself and its parts, asked afresh at each question
// so that the answers follow the window's state.
struct AccessibleDescription {
    std::wstring name;
    long role = 0;
    std::vector<AccessiblePart> parts;
    std::vector<HWND> children; // the window's child windows, after the parts
};

// The answer to WM_GETOBJECT for the window's client area: an MSAA object over
// what `describe` says; 0 for the questions it is not for (Windows then answers
// as for any window).
LRESULT AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam,
                        std::function<AccessibleDescription()> describe);

} // namespace lumora::win32
