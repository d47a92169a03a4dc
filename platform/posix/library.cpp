// Shared libraries: LoadLibraryA and friends over the dynamic loader.
#include "vetrel/com.h"

#include <algorithm>
#include <climits>
#include <dlfcn.h>
#include <unistd.h>

extern "C" HMODULE WINAPI LoadLibraryA(LPCSTR lpLibFileName)
{
    if (!lpLibFileName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HMODULE module = dlopen(lpLibFileName, RTLD_NOW | RTLD_LOCAL);
    if (!module) SetLastError(ERROR_MOD_NOT_FOUND);
    return module;
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    if (!hModule || !lpProcName) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    void* symbol = dlsym(hModule, lpProcName);
    if (!symbol) SetLastError(ERROR_PROC_NOT_FOUND);
    return reinterpret_cast<FARPROC>(symbol);
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    if (!hLibModule || dlclose(hLibModule) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

extern "C" DWORD WINAPI GetModuleFileNameA(HMODULE hModule, LPSTR lpFilename, DWORD nSize)
{
    // Only the program itself has a path here; loaded libraries are found by their names.
    if (hModule || !lpFilename || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length < 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    const DWORD copied = std::min<DWORD>(static_cast<DWORD>(length), nSize - 1);
    std::copy_n(path, copied, lpFilename);
    lpFilename[copied] = '\0';
    if (copied < static_cast<DWORD>(length)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    return copied;
}
