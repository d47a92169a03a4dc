#include "server_id.h"

namespace opcprobe {
namespace {

// Wine's ntdll exports its version; the registry a Wine process sees is its prefix's own.
bool runningUnderWine()
{
    const HMODULE ntdll = LoadLibraryA("ntdll.dll");
    const bool wine = ntdll && GetProcAddress(ntdll, "wine_get_version");
    if (ntdll) FreeLibrary(ntdll);
    return wine;
}

} // namespace

bool isUnregistered(HRESULT result)
{
    return result == kNotAClass || result == REGDB_E_CLASSNOTREG ||
           result == CLASS_E_CLASSNOTAVAILABLE;
}

std::string unregisteredText(const std::string& server)
{
    return "no OPC server is registered as " + server +
           (runningUnderWine() ? " in this Wine prefix (is VETREL_WINEPREFIX set?)" : "");
}

} // namespace opcprobe
