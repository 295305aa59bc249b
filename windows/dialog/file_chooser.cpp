#include "windows/dialog/file_chooser.h"

#include <commdlg.h>

#include <array>

#include "windows/system/library.h"
#include "windows/system/text.h"

namespace lumora {

OpenFileAnswer ChooseFile(HWND owner, const std::vector<FileFilter>& filters, const std::string& title) {
    // The chooser takes its kinds as description and patterns, each ended by a
    // NUL, the list by one more.
    std::wstring filter;
    for (const FileFilter& entry : filters) {
        filter += win32::Widen(entry.description) + L'\0';
        filter += win32::Widen(entry.patterns) + L'\0';
    }
    filter += L'\0';
    std::array<wchar_t, 256> file{};
    std::array<wchar_t, 256> fileTitle{};
    const std::wstring wideTitle = win32::Widen(title);
    OPENFILENAMEW record{};
    // The short record of Windows 95 and NT 4: Windows and Wine turn other
    // sizes of it away.
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
    record.hwndOwner = owner;
    record.hInstance = ::GetModuleHandleW(nullptr);
    record.lpstrFilter = filter.c_str();
    record.lpstrFile = file.data();
    record.nMaxFile = 255;
    record.lpstrFileTitle = fileTitle.data();
    record.nMaxFileTitle = 255;
    record.lpstrTitle = wideTitle.c_str();
    // Windows tells the user in its own words when a typed name does not exist.
    record.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    OpenFileAnswer answer;
    // The file chooser is used at most once a run: its DLL (and all it pulls
    // in) loads then, not with every start.
    using GetOpenFileNameW = BOOL(WINAPI*)(OPENFILENAMEW*);
    if (auto open = win32::LoadFunction<GetOpenFileNameW>(L"comdlg32.dll", "GetOpenFileNameW"))
        answer.result = open(&record);
    if (answer.result > 0) answer.path = win32::Narrow(file.data());
    return answer;
}

} // namespace lumora
