// The COM and OPC registry entries that let clients find and start the host executable.
#include "comkit/host_text.h"
#include "platform/reg_key.h"
#include "vetrel/vetrel.h"

#include <cstdio>
#include <string>

using vetrel::clsidFromBytes;
using vetrel::cutText;
using vetrel::RegKey;

namespace {

const char* const kCategories[] = {
    "{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}", // OPC Data Access 1.0
    "{63D5F432-CFE4-11D1-B2C8-0060083BA1FB}", // OPC Data Access 2.0
    "{CC603642-66D7-48F1-B69A-B625E73652D7}", // OPC Data Access 3.0
    "{58E13251-AC87-11D1-84D5-00608CB8A7E9}", // OPC Alarms and Events 1.0
};

// Lower-case digits with their leading zeros: always 38 characters.
std::string clsidText(const CLSID& clsid)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned>(clsid.Data1), clsid.Data2, clsid.Data3, clsid.Data4[0],
                  clsid.Data4[1], clsid.Data4[2], clsid.Data4[3], clsid.Data4[4], clsid.Data4[5],
                  clsid.Data4[6], clsid.Data4[7]);
    return text;
}

void setDefault(const RegKey& key, const std::string& data, const char* name = nullptr)
{
    RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
}

} // namespace

extern "C" {

BOOL UpdateRegistryA(CLSID clsid, const char* progId, const char* description, const char* exePath)
{
    const std::string progIdText = cutText(progId, vetrel::kRegistryTextBuffer);
    // An empty ProgID would name HKEY_CLASSES_ROOT itself, whose CLSID and OPC keys are not
    // ours to write or delete: both directions refuse it.
    if (progIdText.empty()) return FALSE;
    const std::string descriptionText = cutText(description, vetrel::kRegistryTextBuffer);
    const std::string classText = clsidText(clsid);

    {
        RegKey progIdKey = RegKey::create(HKEY_CLASSES_ROOT, progIdText.c_str());
        if (!progIdKey) return FALSE;
        setDefault(progIdKey, descriptionText);
        RegKey classKey = RegKey::create(progIdKey.get(), "CLSID");
        if (!classKey) return FALSE;
        setDefault(classKey, classText);
        if (!RegKey::create(progIdKey.get(), "OPC")) return FALSE;
    }

    RegKey classes = RegKey::open(HKEY_CLASSES_ROOT, "CLSID", KEY_READ);
    if (!classes) return FALSE;
    RegKey server = RegKey::create(classes.get(), classText.c_str());
    if (!server) return FALSE;
    setDefault(server, descriptionText);
    setDefault(server, classText, "AppID");

    {
        RegKey categories = RegKey::create(server.get(), "Implemented Categories");
        if (!categories) return FALSE;
        // A category that cannot be written does not stop the registration.
        for (const char* category : kCategories) RegKey::create(categories.get(), category);
    }

    RegKey localServer = RegKey::create(server.get(), "LocalServer32");
    if (!localServer) return FALSE;
    setDefault(localServer, cutText(exePath, vetrel::kLongTextBuffer));
    RegKey progIdOfServer = RegKey::create(server.get(), "ProgID");
    if (!progIdOfServer) return FALSE;
    setDefault(progIdOfServer, progIdText);
    return TRUE;
}

BOOL UpdateRegistryB(const BYTE* clsid, const char* progId, const char* description,
                     const char* exePath)
{
    return clsid && UpdateRegistryA(clsidFromBytes(clsid), progId, description, exePath);
}

BOOL UnregisterServerA(CLSID clsid, const char* progId)
{
    const std::string progIdText = cutText(progId, vetrel::kRegistryTextBuffer);
    if (progIdText.empty()) return FALSE;
    {
        RegKey progIdKey = RegKey::open(HKEY_CLASSES_ROOT, progIdText.c_str(), KEY_ALL_ACCESS);
        if (!progIdKey) return FALSE;
        RegDeleteKeyA(progIdKey.get(), "CLSID");
        RegDeleteKeyA(progIdKey.get(), "OPC");
    }
    RegDeleteKeyA(HKEY_CLASSES_ROOT, progIdText.c_str());

    const std::string classText = clsidText(clsid);
    RegKey classes = RegKey::open(HKEY_CLASSES_ROOT, "CLSID", KEY_READ);
    if (!classes) return FALSE;
    {
        RegKey server = RegKey::open(classes.get(), classText.c_str(), KEY_ALL_ACCESS);
        if (!server) return FALSE;
        RegKey categories = RegKey::open(server.get(), "Implemented Categories", KEY_ALL_ACCESS);
        if (!categories) return FALSE;
        // Each delete may fail (missing, or holding keys of others): what stays, stays.
        for (const char* category : kCategories) RegDeleteKeyA(categories.get(), category);
        categories.close();
        RegDeleteKeyA(server.get(), "Implemented Categories");
        RegDeleteKeyA(server.get(), "LocalServer32");
        RegDeleteKeyA(server.get(), "ProgID");
    }
    RegDeleteKeyA(classes.get(), classText.c_str());
    return TRUE;
}

BOOL UnregisterServerB(const BYTE* clsid, const char* progId)
{
    return clsid && UnregisterServerA(clsidFromBytes(clsid), progId);
}

} // extern "C"

BOOL UpdateRegistry(CLSID clsid, std::string progId, std::string description, std::string exePath)
{
    return UpdateRegistryA(clsid, cutText(progId, vetrel::kLongTextBuffer).c_str(),
                           cutText(description, vetrel::kLongTextBuffer).c_str(),
                           cutText(exePath, vetrel::kLongTextBuffer).c_str());
}

BOOL UnregisterServer(CLSID clsid, std::string progId)
{
    return UnregisterServerA(clsid, cutText(progId, vetrel::kNameBuffer).c_str());
}
