// The settings dialog's drawn parts as other programs read them: what a screen
// reader hears of them and where each stands.
#include "windows/dialog/parts.h"

#include <oleacc.h>

#include <string>

#include "windows/system/text.h"

namespace lumora {

using namespace dialog_layout;

win32::AccessibleDescription DescribeMusicChoice(const DialogWindows& parts, const Geometry& geometry,
                                                 const PanelContents& contents,
                                                 const std::function<void(MusicKind)>& choose) {
    win32::AccessibleDescription d;
    d.name = L"・BGM";
    d.role = ROLE_SYSTEM_GROUPING;
    RECT place{};
    ::GetWindowRect(parts.choice, &place);
    ::MapWindowPoints(nullptr, parts.inner, reinterpret_cast<POINT*>(&place), 2);
    const bool focused = ::GetFocus() == parts.choice;
    for (int kind : {1, 0, 2}) { // as they stand, top to bottom
        win32::AccessiblePart part;
        part.name = kChoiceCaptions[kind];
        part.role = ROLE_SYSTEM_RADIOBUTTON;
        const bool chosen = contents.marks[static_cast<std::size_t>(kind)];
        part.state = STATE_SYSTEM_FOCUSABLE | (chosen ? STATE_SYSTEM_CHECKED : 0) |
                     (chosen && focused ? STATE_SYSTEM_FOCUSED : 0);
        ::UnionRect(&part.place, &geometry.marks[kind], &geometry.choiceLabels[kind]);
        ::OffsetRect(&part.place, -place.left, -place.top);
        part.defaultAction = L"選択";
        part.doDefaultAction = [choose, kind] { choose(static_cast<MusicKind>(kind)); };
        d.parts.push_back(std::move(part));
    }
    return d;
}

win32::AccessibleDescription DescribeDialogPanel(HWND panel, const DialogWindows& parts, const Geometry& geometry,
                                                 const PanelContents& contents, const std::function<void()>& openLink) {
    win32::AccessibleDescription d;
    d.role = ROLE_SYSTEM_CLIENT;
    const auto text = [&d](std::wstring name, const RECT& place) {
        win32::AccessiblePart part;
        part.name = std::move(name);
        part.role = ROLE_SYSTEM_STATICTEXT;
        part.state = STATE_SYSTEM_READONLY;
        part.place = place;
        d.parts.push_back(std::move(part));
    };
    if (panel == parts.inner) {
        text(L"・BGM", geometry.groupLabel);
        text(L"曲目をﾘﾋﾟｰﾄ", geometry.repeatLabel);
        if (!contents.fileCaption.empty()) text(contents.fileCaption, geometry.fileLabel);
        d.children = {parts.choice, parts.repeat, parts.chooseFile};
        return d;
    }
    win32::AccessiblePart link;
    link.name = contents.address;
    link.role = ROLE_SYSTEM_LINK;
    link.state = STATE_SYSTEM_LINKED;
    link.place = contents.linkRect;
    link.defaultAction = L"開く";
    link.doDefaultAction = openLink;
    d.parts.push_back(std::move(link));
    text(win32::Widen(SettingsDialog::kByLine), geometry.byLine);
    d.children = {parts.inner, parts.cancel, parts.save};
    return d;
}

} // namespace lumora
