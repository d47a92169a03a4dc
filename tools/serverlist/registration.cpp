#include "registration.h"

#include "comkit/guid_text.h"
#include "platform/reg_key.h"
#include "vetrel/opc.h"

#include <cstring>
#include <vector>

namespace serverlist {
namespace {

constexpr GUID kAppId = {
    0x13486D44, 0x4821, 0x11D2, {0xA4, 0x94, 0x3C, 0xB3, 0x06, 0xC1, 0x00, 0x00}};
constexpr char kDisplayName[] = "Opc ServerList Class";
constexpr char kProgId[] = "OPC.ServerList.1";
constexpr char kVersionIndependentProgId[] = "OPC.ServerList";
constexpr char kAppName[] = "OpcEnum";

// One value under HKEY_CLASSES_ROOT; a null name is the key's default value.
struct Entry
{
    std::string key;
    const char* name;
    std::string data;
};

std::string classKey()
{
    return "CLSID\\" + vetrel::formatGuid(CLSID_OPCServerList);
}

// The program's file name: Windows finds a program's AppID under it.
std::string appIdOfProgramKey(const std::string& exePath)
{
    return "AppID\\" + exePath.substr(exePath.find_last_of("\\/") + 1);
}

// The keys our entries live under, each removed whole.
std::vector<std::string> ownKeys(const std::string& exePath)
{
    return {classKey(), kProgId, kVersionIndependentProgId, "AppID\\" + vetrel::formatGuid(kAppId),
            appIdOfProgramKey(exePath)};
}

// Whether the class names a local server other than the program at exePath. A path may be
// quoted, and Windows paths match whatever their case.
bool otherServer(const std::string& exePath)
{
    std::string named = registeredServer();
    if (named.size() >= 2 && named.front() == '"' && named.back() == '"')
        named = named.substr(1, named.size() - 2);
    return !named.empty() && _stricmp(named.c_str(), exePath.c_str()) != 0;
}

} // namespace

std::string registeredServer()
{
    char data[MAX_PATH * 4] = {};
    DWORD size = sizeof data;
    const std::string key = classKey() + "\\LocalServer32";
    if (RegGetValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data,
                     &size) != ERROR_SUCCESS)
        return {};
    return data;
}

Registration registerServer(const std::string& exePath)
{
    if (otherServer(exePath)) return Registration::LeftToOther;
    const std::string clsid = vetrel::formatGuid(CLSID_OPCServerList);
    const std::string appId = vetrel::formatGuid(kAppId);
    const std::string server = classKey();
    const Entry entries[] = {
        {server, nullptr, kDisplayName},
        {server, "AppID", appId},
        {server + "\\LocalServer32", nullptr, exePath},
        {server + "\\ProgID", nullptr, kProgId},
        {server + "\\VersionIndependentProgID", nullptr, kVersionIndependentProgId},
        {kProgId, nullptr, kDisplayName},
        {std::string(kProgId) + "\\CLSID", nullptr, clsid},
        {kVersionIndependentProgId, nullptr, kDisplayName},
        {std::string(kVersionIndependentProgId) + "\\CLSID", nullptr, clsid},
        {std::string(kVersionIndependentProgId) + "\\CurVer", nullptr, kProgId},
        {"AppID\\" + appId, nullptr, kAppName},
        {appIdOfProgramKey(exePath), "AppID", appId},
    };
    for (const Entry& entry : entries) {
        const vetrel::RegKey key = vetrel::RegKey::create(HKEY_CLASSES_ROOT, entry.key.c_str());
        if (!key || RegSetValueExA(key.get(), entry.name, 0, REG_SZ,
                                   reinterpret_cast<const BYTE*>(entry.data.c_str()),
                                   static_cast<DWORD>(entry.data.size() + 1)) != ERROR_SUCCESS)
            return Registration::Failed;
    }
    return Registration::Done;
}

Registration unregisterServer(const std::string& exePath)
{
    if (otherServer(exePath)) return Registration::LeftToOther;
    bool removed = true;
    for (const std::string& key : ownKeys(exePath)) {
        const LSTATUS status = RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str());
        removed = removed && (status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND);
    }
    return removed ? Registration::Done : Registration::Failed;
}

} // namespace serverlist
