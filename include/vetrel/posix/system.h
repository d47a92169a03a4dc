// Kernel services beside COM: global memory, clipboard format numbers, the thread's last error,
// system and local time, the ANSI and UTF-8 code pages, and a few thread and clock helpers.
#pragma once

#include "vetrel/posix/base.h"

#define ERROR_NOT_LOCKED 158L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_INVALID_FLAGS 1004L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_INVALID_NAME 123L

#define INFINITE 0xFFFFFFFF

typedef const char* LPCCH;
typedef const WCHAR* LPCWCH;
typedef WORD* LPWORD;

// Global memory ----------------------------------------------------------------------------

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_NOCOMPACT 0x0010
#define GMEM_NODISCARD 0x0020
#define GMEM_ZEROINIT 0x0040
#define GMEM_MODIFY 0x0080
#define GMEM_DISCARDABLE 0x0100
#define GMEM_NOT_BANKED 0x1000
#define GMEM_SHARE 0x2000
#define GMEM_DDESHARE 0x2000
#define GMEM_LOCKCOUNT 0x00FF
#define GMEM_DISCARDED 0x4000
#define GMEM_INVALID_HANDLE 0x8000
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)

extern "C" HGLOBAL WINAPI GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
extern "C" HGLOBAL WINAPI GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
extern "C" HGLOBAL WINAPI GlobalFree(HGLOBAL hMem);
extern "C" LPVOID WINAPI GlobalLock(HGLOBAL hMem);
extern "C" BOOL WINAPI GlobalUnlock(HGLOBAL hMem);
extern "C" SIZE_T WINAPI GlobalSize(HGLOBAL hMem);
extern "C" UINT WINAPI GlobalFlags(HGLOBAL hMem);

// Clipboard formats ------------------------------------------------------------------------

extern "C" UINT WINAPI RegisterClipboardFormatA(LPCSTR lpszFormat);

// Last error -------------------------------------------------------------------------------

extern "C" DWORD WINAPI GetLastError();
extern "C" void WINAPI SetLastError(DWORD dwErrCode);

// Time -------------------------------------------------------------------------------------

extern "C" void WINAPI GetSystemTime(LPSYSTEMTIME lpSystemTime);
extern "C" void WINAPI GetLocalTime(LPSYSTEMTIME lpSystemTime);
extern "C" void WINAPI GetSystemTimeAsFileTime(LPFILETIME lpSystemTimeAsFileTime);
extern "C" BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, LPFILETIME lpFileTime);
extern "C" BOOL WINAPI FileTimeToSystemTime(const FILETIME* lpFileTime, LPSYSTEMTIME lpSystemTime);
extern "C" BOOL WINAPI FileTimeToLocalFileTime(const FILETIME* lpFileTime,
                                               LPFILETIME lpLocalFileTime);
extern "C" BOOL WINAPI LocalFileTimeToFileTime(const FILETIME* lpLocalFileTime,
                                               LPFILETIME lpFileTime);
extern "C" LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2);

// Code pages -------------------------------------------------------------------------------

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

extern "C" UINT WINAPI GetACP();
extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCCH lpMultiByteStr,
                                          int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar);
extern "C" int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWCH lpWideCharStr,
                                          int cchWideChar, LPSTR lpMultiByteStr, int cbMultiByte,
                                          LPCCH lpDefaultChar, LPBOOL lpUsedDefaultChar);
extern "C" int WINAPI lstrlenA(LPCSTR lpString);
extern "C" int WINAPI lstrlenW(LPCWSTR lpString);

// Threads and clocks -----------------------------------------------------------------------

// Shared libraries, over the dynamic loader.
typedef LONG_PTR(WINAPI* FARPROC)();
extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName);
extern "C" FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
extern "C" BOOL WINAPI FreeLibrary(HMODULE hLibModule);
// The path of the running program (hModule null); cut and NUL-terminated when nSize is short.
extern "C" DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize);

extern "C" void WINAPI Sleep(DWORD dwMilliseconds);
extern "C" DWORD WINAPI GetTickCount();
extern "C" ULONGLONG WINAPI GetTickCount64();
extern "C" DWORD WINAPI GetCurrentThreadId();
extern "C" DWORD WINAPI GetCurrentProcessId();
