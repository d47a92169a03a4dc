// DllRegisterServer and DllUnregisterServer of VetrelProxy.dll. Another product's proxy/stub DLL
// may marshal some of the same OPC interfaces: an interface whose ProxyStubClsid32 names another
// class stays that DLL's, when we register and when we unregister alike.

// rpcproxy.h describes the generated tables with the C layout of the interfaces.
#define CINTERFACE
#include "comkit/com_boundary.h"
#include "platform/reg_key.h"

#include <cstring>
#include <olectl.h>
#include <rpcproxy.h>
#include <string>

using vetrel::comBoundary;
using vetrel::RegKey;

// Defined by the generated dlldata.c.
extern "C" void RPC_ENTRY GetProxyDllInfo(const ProxyFileInfo*** files, const CLSID** proxyClass);

namespace {

enum class Claim
{
    none,
    ours,
    foreign
};

std::string guidText(const GUID& guid)
{
    OLECHAR wide[40];
    const int length = StringFromGUID2(guid, wide, 40);
    return std::string(wide, wide + (length > 0 ? length - 1 : 0));
}

std::string interfaceKey(const IID& iid)
{
    return "Interface\\" + guidText(iid);
}

// Who marshals the interface whose key this is, by the class its ProxyStubClsid32 names.
Claim claimOf(const std::string& key, const CLSID& ours)
{
    char named[64] = {};
    DWORD size = sizeof named;
    if (RegGetValueA(HKEY_CLASSES_ROOT, (key + "\\ProxyStubClsid32").c_str(), nullptr,
                     RRF_RT_REG_SZ, nullptr, named, &size) != ERROR_SUCCESS ||
        !named[0])
        return Claim::none;
    const std::wstring wide(named, named + std::strlen(named));
    IID namedClass;
    if (SUCCEEDED(IIDFromString(wide.c_str(), &namedClass)) && IsEqualGUID(namedClass, ours))
        return Claim::ours;
    return Claim::foreign;
}

// The generated code's table: our interfaces, file by file, and our class.
struct ProxyDll
{
    const ProxyFileInfo** files = nullptr;
    const CLSID* proxyClass = nullptr;
};

ProxyDll proxyDll()
{
    ProxyDll dll;
    GetProxyDllInfo(&dll.files, &dll.proxyClass);
    return dll;
}

template <typename Visit> void forEachInterface(const ProxyDll& dll, Visit&& visit)
{
    for (const ProxyFileInfo** file = dll.files; *file; ++file)
        for (unsigned short i = 0; i < (*file)->TableSize; ++i)
            visit((*file)->pStubVtblList[i]->header, (*file)->pNamesArray[i]);
}

bool setText(const RegKey& key, const char* name, const std::string& text)
{
    return key &&
           RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool setSubkeyText(const RegKey& key, const char* subKey, const std::string& text)
{
    return key && setText(RegKey::create(key.get(), subKey), nullptr, text);
}

bool deleted(const std::string& key)
{
    const LSTATUS status = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

// CLSID\{ours}\InprocServer32 names this DLL, wherever it was loaded from.
bool registerClass(const std::string& classKey)
{
    HMODULE self = nullptr;
    wchar_t path[MAX_PATH];
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&registerClass), &self))
        return false;
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) return false;

    const RegKey classEntry = RegKey::create(HKEY_CLASSES_ROOT, classKey.c_str());
    const RegKey server = RegKey::create(classEntry.get(), "InprocServer32");
    return setText(classEntry, nullptr, "PSFactoryBuffer") && server &&
           RegSetValueExW(server.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path),
                          (length + 1) * sizeof(wchar_t)) == ERROR_SUCCESS &&
           setText(server, "ThreadingModel", "Both");
}

} // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() noexcept
{
    return comBoundary([] {
        const ProxyDll dll = proxyDll();
        const CLSID& ours = *dll.proxyClass;
        bool written = registerClass("CLSID\\" + guidText(ours));
        forEachInterface(dll, [&](const CInterfaceStubHeader& stub, const char* name) {
            const std::string key = interfaceKey(*stub.piid);
            if (claimOf(key, ours) == Claim::foreign) return;
            const RegKey entry = RegKey::create(HKEY_CLASSES_ROOT, key.c_str());
            written = written && setText(entry, nullptr, name) &&
                      setSubkeyText(entry, "ProxyStubClsid32", guidText(ours)) &&
                      setSubkeyText(entry, "NumMethods", std::to_string(stub.DispatchTableCount));
        });
        return written ? S_OK : SELFREG_E_CLASS;
    });
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() noexcept
{
    return comBoundary([] {
        const ProxyDll dll = proxyDll();
        const CLSID& ours = *dll.proxyClass;
        bool removed = true;
        forEachInterface(dll, [&](const CInterfaceStubHeader& stub, const char*) {
            const std::string key = interfaceKey(*stub.piid);
            if (claimOf(key, ours) == Claim::ours) removed = deleted(key) && removed;
        });
        removed = deleted("CLSID\\" + guidText(ours)) && removed;
        return removed ? S_OK : SELFREG_E_CLASS;
    });
}
