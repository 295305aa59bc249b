// Posts messages to another program's top-level window, as any program of the
// same user can, to see that junk does not bring it down:
//
//   message_poster TITLE junk SEED COUNT   COUNT messages, WM_COMMAND and WM_TIMER
//                                          by turns with random ids and parameters
//                                          (timer ids 1 to 8 among them), then
//                                          prints "posted=N answered=0|1"
//   message_poster TITLE post MSG WP LP    one message (numbers in hex)
//   message_poster TITLE send MSG WP LP    the same, sent (5 s at most)
//   message_poster TITLE sweep             every system message number but the
//                                          ending ones, junk in both parameters
//   message_poster TITLE close             WM_CLOSE
//
// "answered" says whether the window's thread still takes a sent WM_NULL
// within two seconds. Ends with 1 when no window has the title.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string_view>

namespace {

std::uint64_t state = 1;

std::uint64_t Next() {
    // xorshift64*: the same junk for the same seed, so a failure can be replayed.
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 0x2545F4914F6CDD1DULL;
}

bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) != 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    HWND window = ::FindWindowW(nullptr, argv[1]);
    if (window == nullptr) {
        std::printf("no window\n");
        return 1;
    }
    const std::wstring_view command = argv[2];
    if (command == L"close" && argc == 3) {
        std::printf("posted=%d\n", ::PostMessageW(window, WM_CLOSE, 0, 0) ? 1 : 0);
        return 0;
    }
    if (command == L"sweep" && argc == 3) {
        // Every system message number, junk in both parameters; not the ones
        // that ask the window to end or quit, which it rightly does, nor the
        // taskbar's 0x313, which opens the system menu and waits for the user.
        long posted = 0;
        for (UINT message = 0; message < WM_USER; ++message) {
            if (message == WM_CLOSE || message == WM_QUIT || message == WM_DESTROY || message == WM_NCDESTROY ||
                message == WM_SYSCOMMAND || message == WM_ENDSESSION || message == WM_QUERYENDSESSION ||
                message == 0x313)
                continue;
            if (::PostMessageW(window, message, static_cast<WPARAM>(0x12345678), static_cast<LPARAM>(0x12345678)))
                ++posted;
            if (message % 32 == 31) ::Sleep(20);
        }
        std::printf("posted=%ld answered=%d\n", posted, Answers(window) ? 1 : 0);
        return 0;
    }
    if ((command == L"post" || command == L"send") && argc == 6) {
        const auto number = [](const wchar_t* text) { return std::wcstoull(text, nullptr, 16); };
        const auto message = static_cast<UINT>(number(argv[3]));
        const auto wParam = static_cast<WPARAM>(number(argv[4]));
        const auto lParam = static_cast<LPARAM>(number(argv[5]));
        DWORD_PTR result = 0;
        const BOOL posted = command == L"post"
                                ? ::PostMessageW(window, message, wParam, lParam)
                                : ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000,
                                                        &result) != 0;
        std::printf("posted=%d answered=%d\n", posted ? 1 : 0, Answers(window) ? 1 : 0);
        return 0;
    }
    if (command == L"junk" && argc == 5) {
        state = std::wcstoull(argv[3], nullptr, 10) | 1;
        const long count = std::wcstol(argv[4], nullptr, 10);
        long posted = 0;
        for (long i = 0; i < count; ++i) {
            const std::uint64_t pick = Next();
            const UINT message = (i & 1) != 0 ? WM_TIMER : WM_COMMAND;
            // A quarter of the ids are small, where real command and timer ids live.
            WPARAM wParam = (pick & 3) == 0 ? static_cast<WPARAM>(1 + (pick >> 8) % 8)
                                            : static_cast<WPARAM>(Next());
            LPARAM lParam = (pick & 12) == 0 ? 0 : static_cast<LPARAM>(Next());
            if (::PostMessageW(window, message, wParam, lParam)) ++posted;
            if (i % 64 == 63) ::Sleep(10); // let the queue drain now and then
        }
        std::printf("posted=%ld answered=%d\n", posted, Answers(window) ? 1 : 0);
        return 0;
    }
    return 2;
}
