// The settings dialog's parts that other programs read: what a screen reader
// hears of the drawn parts, and the report of where everything stands that the
// end-to-end tests ask for.
#include "dialog/dialog_parts_win32.h"

#include <oleacc.h>

#include <string>

#include "platform/win32/handles_win32.h"
#include "platform/win32/text_win32.h"

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

void ReportDialogLayout(const std::string& path, const DialogWindows& parts, const Geometry& geometry,
                        const DialogLook& look, const PanelContents& contents) {
    if (path.empty()) return;
    std::string report = "dpi " + std::to_string(geometry.dpi) + "\n";
    RECT client{};
    ::GetClientRect(parts.window, &client);
    report += "client 0 0 " + std::to_string(client.right) + " " + std::to_string(client.bottom) + "\n";
    win32::WindowDc dc(parts.window);
    const auto line = [&](const char* name, HWND parent, RECT place, const std::wstring& text, HFONT font) {
        ::MapWindowPoints(parent, parts.window, reinterpret_cast<POINT*>(&place), 2);
        SIZE extent{0, 0};
        if (!text.empty() && font != nullptr) {
            win32::Selected selected(dc.Get(), font);
            RECT measured{0, 0, 0, 0};
            ::DrawTextW(dc.Get(), text.c_str(), -1, &measured, DT_CALCRECT | DT_NOPREFIX | DT_SINGLELINE);
            extent = SIZE{measured.right, measured.bottom};
        }
        report += std::string(name) + " " + std::to_string(place.left) + " " + std::to_string(place.top) + " " +
                  std::to_string(place.right) + " " + std::to_string(place.bottom) + " " +
                  std::to_string(extent.cx) + " " + std::to_string(extent.cy) + "\n";
    };
    const HFONT label = look.labelFont.Get();
    const HFONT button = look.buttonFont.Get();
    line("outer", parts.window, geometry.outerPanel, L"", nullptr);
    line("inner", parts.outer, geometry.innerPanel, L"", nullptr);
    line("earth", parts.window, geometry.earth, L"", nullptr);
    const char* marks[3] = {"mark0", "mark1", "mark2"};
    const char* labels[3] = {"label0", "label1", "label2"};
    for (int i = 0; i < 3; ++i) {
        line(marks[i], parts.inner, geometry.marks[i], L"", nullptr);
        line(labels[i], parts.inner, geometry.choiceLabels[i], kChoiceCaptions[i], label);
    }
    line("repeatLabel", parts.inner, geometry.repeatLabel, L"曲目をﾘﾋﾟｰﾄ", label);
    line("groupLabel", parts.inner, geometry.groupLabel, L"・BGM", label);
    line("fileLabel", parts.inner, geometry.fileLabel, L"", nullptr);
    line("repeatBox", parts.inner, geometry.repeatBox, L"", nullptr);
    line("chooseFile", parts.inner, geometry.chooseFileButton, L"...", look.dotsFont.Get());
    line("cancel", parts.outer, geometry.cancelButton, L"ｷｬﾝｾﾙ", button);
    line("save", parts.outer, geometry.saveButton, L"設定", button);
    line("link", parts.outer, contents.linkRect, contents.address, look.linkFont.Get());
    line("byLine", parts.outer, geometry.byLine, win32::Widen(SettingsDialog::kByLine), label);
    RECT box{};
    ::GetWindowRect(parts.repeat, &box);
    ::MapWindowPoints(nullptr, parts.window, reinterpret_cast<POINT*>(&box), 2);
    report += "repeatBoxShown " + std::to_string(box.left) + " " + std::to_string(box.top) + " " +
              std::to_string(box.right) + " " + std::to_string(box.bottom) + " 0 0\n";
    const win32::FileHandle file(::CreateFileW(win32::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                               CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    DWORD written = 0;
    ::WriteFile(file.Get(), report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
}

} // namespace lumora
