# Fails unless BINARY is a Windows GUI program that says it needs Windows Vista
# (6.0) and imports only functions that Windows Vista has.
#
# The lists below are every function of ours and of the MinGW runtime that the
# executables import, each checked against its documented minimum client (all
# Windows 2000, XP or Vista; GetTickCount64, pulled in by winpthreads, is the
# one that needs Vista). A new import fails here until its minimum has been
# looked up: add it only if Vista has it, or load it with GetProcAddress and a
# fallback instead, as the DPI, known-folder and DLL-directory functions are.
cmake_minimum_required(VERSION 3.25)
# cmake -DOBJDUMP=<objdump> -DBINARY=<file> -P check_windows_version.cmake
set(windows_name "Windows Vista")
set(windows_major 6)
set(windows_minor 0)

set(available_kernel32.dll
  AddVectoredExceptionHandler CloseHandle CopyFileW CreateDirectoryW CreateEventA CreateFileW
  CreateMutexW CreateSemaphoreA DeleteCriticalSection DeleteFileW DuplicateHandle
  EnterCriticalSection ExitProcess FileTimeToSystemTime FindResourceW FormatMessageA FormatMessageW
  FlushFileBuffers FreeLibrary GetCommandLineW GetCurrentProcess GetCurrentProcessId GetCurrentThread
  GetCurrentThreadId GetFileAttributesW GetFileType GetHandleInformation GetLastError GetLocalTime
  GetModuleFileNameW GetModuleHandleA GetModuleHandleW GetPrivateProfileStringW GetProcAddress
  GetProcessAffinityMask GetProcessTimes GetShortPathNameW GetStartupInfoW GetSystemDirectoryW
  GetSystemTimeAdjustment GetSystemTimeAsFileTime GetThreadContext GetThreadPriority GetThreadTimes
  GetTickCount GetTickCount64 GetVersionExA InitializeCriticalSection IsDBCSLeadByteEx
  IsDebuggerPresent LeaveCriticalSection LoadLibraryA LoadLibraryExW LoadLibraryW LoadResource
  LocalFree LockResource MoveFileExW MulDiv MultiByteToWideChar OpenProcess OutputDebugStringA
  QueryPerformanceCounter QueryPerformanceFrequency RaiseException ReadProcessMemory ReleaseSemaphore
  RemoveVectoredExceptionHandler ResetEvent ResumeThread SetDllDirectoryW SetEvent
  SetFileAttributesW SetLastError SetProcessAffinityMask SetSystemTime SetThreadContext
  SetThreadPriority SetUnhandledExceptionFilter SizeofResource Sleep SuspendThread TlsAlloc
  TlsGetValue TlsSetValue TryEnterCriticalSection VirtualProtect VirtualQuery
  WaitForMultipleObjects WaitForSingleObject WideCharToMultiByte WriteFile WritePrivateProfileStringW
  # x64 only: the unwinder's entries, in kernel32 since the first x64 Windows.
  RtlCaptureContext RtlLookupFunctionEntry RtlUnwindEx RtlVirtualUnwind __C_specific_handler)
set(available_user32.dll
  AdjustWindowRectEx BeginPaint CreateWindowExW DefWindowProcW DestroyCursor DestroyIcon
  DestroyWindow DispatchMessageW DrawAnimatedRects DrawEdge DrawFocusRect DrawTextW EnableWindow
  EndPaint EnumDisplayMonitors FillRect FindWindowW GetClientRect GetCursorPos GetDC
  GetDesktopWindow GetFocus GetMessageW GetMonitorInfoW GetShellWindow GetSysColor GetSystemMetrics
  GetWindowLongA GetWindowLongPtrW GetWindowLongW GetWindowRect GetWindowTextLengthW GetWindowTextW
  InflateRect IntersectRect InvalidateRect IsChild IsDialogMessageW IsWindow IsWindowVisible KillTimer LoadCursorW
  LoadImageW MapWindowPoints MessageBoxW MonitorFromWindow MoveWindow OffsetRect PeekMessageW PostMessageA
  PostMessageW PostQuitMessage PtInRect RedrawWindow RegisterClassExW ReleaseDC ScreenToClient SendMessageW
  SetCursor SetFocus SetParent SetTimer SetWindowLongA SetWindowLongPtrW SetWindowLongW SetWindowPos
  SetWindowTextW ShowCursor ShowWindow SystemParametersInfoW TranslateMessage UnionRect UnregisterClassW
  UpdateWindow)
set(available_gdi32.dll
  BitBlt CreateCompatibleDC CreateDIBSection CreateFontW CreateSolidBrush DeleteDC DeleteObject
  GetDeviceCaps GetStockObject SelectObject SetBkMode SetBrushOrgEx SetStretchBltMode SetTextColor
  SetViewportOrgEx StretchBlt)
set(available_ole32.dll CoCreateInstance CoInitializeEx CoTaskMemFree CoUninitialize)
set(available_oleaut32.dll SysAllocStringLen)
# The C runtime that Windows itself ships; the ___*_func entries came with XP's.
set(available_msvcrt.dll
  ___lc_codepage_func ___mb_cur_max_func __iob_func __mb_cur_max __p__commode __p__fmode
  __p__wcmdln __set_app_type __setusermatherr __wgetmainargs __winitenv _amsg_exit _beginthreadex
  _cexit _close _commode _endthreadex _errno _fmode _initterm _iob _onexit _read _setjmp _setjmp3
  _strdup _ultoa _wcmdln abort atoi calloc exit fprintf fputc fputs free fwrite getenv localeconv
  longjmp malloc memchr memcmp memcpy memmove memset printf realloc setlocale signal strchr strcmp
  strerror strlen strncmp vfprintf wcslen)

execute_process(COMMAND ${OBJDUMP} -p ${BINARY} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "objdump could not read ${BINARY}")
endif()

# Windows refuses to start a program whose subsystem version is newer than
# itself; the two versions say the same thing, and Explorer runs only GUI
# programs as screen savers without a console window.
set(bad "")
foreach(field MajorOSystemVersion MinorOSystemVersion MajorSubsystemVersion MinorSubsystemVersion)
  if(field MATCHES "^Major")
    set(want ${windows_major})
  else()
    set(want ${windows_minor})
  endif()
  if(NOT dump MATCHES "\n${field}[ \t]+([0-9]+)\r?\n")
    message(FATAL_ERROR "objdump shows no ${field} for ${BINARY}")
  endif()
  message(STATUS "${field} ${CMAKE_MATCH_1}")
  if(NOT CMAKE_MATCH_1 EQUAL want)
    list(APPEND bad "${field} is ${CMAKE_MATCH_1}, not ${want} (${windows_name})")
  endif()
endforeach()
if(NOT dump MATCHES "\nSubsystem[ \t]+00000002[ \t]+\\(Windows GUI\\)")
  list(APPEND bad "the subsystem is not Windows GUI")
endif()

string(FIND "${dump}" "The Import Tables" start)
if(start EQUAL -1)
  message(FATAL_ERROR "no import table found in ${BINARY}")
endif()
math(EXPR start "${start} + 1")
string(SUBSTRING "${dump}" ${start} -1 imports)
# The import tables end where objdump's next part begins.
foreach(next "\nThe " "\nPE File ")
  string(FIND "${imports}" "${next}" end)
  if(end GREATER -1)
    string(SUBSTRING "${imports}" 0 ${end} imports)
  endif()
endforeach()
string(REPLACE ";" "," imports "${imports}")
string(REPLACE "\n" ";" lines "${imports}")
set(dll "")
set(count 0)
foreach(line IN LISTS lines)
  if(line MATCHES "DLL Name: ([^ \t\r]+)")
    string(TOLOWER "${CMAKE_MATCH_1}" dll)
    if(NOT DEFINED available_${dll})
      list(APPEND bad "${CMAKE_MATCH_1}: no function of it is known to be on ${windows_name}")
    endif()
  elseif(dll AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+  ([^ \t\r]+)")
    math(EXPR count "${count} + 1")
    if(DEFINED available_${dll} AND NOT CMAKE_MATCH_1 IN_LIST available_${dll})
      list(APPEND bad "${dll} ${CMAKE_MATCH_1} is not known to be on ${windows_name}")
    endif()
  elseif(dll AND line MATCHES "^\t[0-9a-f]+[ \t]")
    list(APPEND bad "${dll}: an import by ordinal (${line})")
  endif()
endforeach()
if(count EQUAL 0)
  list(APPEND bad "no imported function found")
endif()
message(STATUS "${count} imported functions checked")
if(bad)
  list(JOIN bad "\n  " text)
  message(FATAL_ERROR "${BINARY} is not a program for ${windows_name} and later:\n  ${text}")
endif()
