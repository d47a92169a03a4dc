// Another product's proxy/stub DLL already marshals some of the OPC interfaces: registering ours
// takes only the interfaces nobody else claims, and unregistering ours removes only those it
// holds. The prefix starts with neither DLL registered.
#include "classes_registry.h"
#include "platform/reg_key.h"
#include "proxy/proxy_class.h"
#include "vetrel/opc.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using e2e::classesValue;
using e2e::guidText;

const CLSID kOurClass = PROXY_CLSID_IS;
// The other product's registration, as its installer leaves it.
const std::string kForeignClass = "{6A0C3E51-2B7D-4C19-8E46-D1F0A9B27C38}";
const std::string kForeignName = "ForeignInterface";
const std::string kForeignMethods = "99";
const std::string kForeignDll = "C:\\Foreign\\foreign_ps.dll";

struct Interface
{
    const char* name;
    const IID& iid;
    bool foreign; // claimed by the other product before ours is registered
};

// From each of our IDL files, interfaces claimed and unclaimed by the other product.
const Interface kInterfaces[] = {
    {"IOPCServer", IID_IOPCServer, true},
    {"IOPCItemMgt", IID_IOPCItemMgt, true},
    {"IOPCShutdown", IID_IOPCShutdown, true},
    {"IOPCEventSink", IID_IOPCEventSink, true},
    {"IOPCSyncIO", IID_IOPCSyncIO, false},
    {"IOPCCommon", IID_IOPCCommon, false},
    {"IOPCEventServer", IID_IOPCEventServer, false},
};

std::string interfaceKey(const IID& iid)
{
    return "Interface\\" + guidText(iid);
}

bool classesKeyExists(const std::string& path)
{
    return static_cast<bool>(vetrel::RegKey::open(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ));
}

void setClassesValue(const std::string& path, const std::string& text)
{
    ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, path.c_str(), REG_SZ, text.c_str(), 0), ERROR_SUCCESS)
        << path;
}

void registerForeignProxy()
{
    setClassesValue("CLSID\\" + kForeignClass + "\\InprocServer32", kForeignDll);
    for (const Interface& claimed : kInterfaces) {
        if (!claimed.foreign) continue;
        const std::string key = interfaceKey(claimed.iid);
        setClassesValue(key, kForeignName);
        setClassesValue(key + "\\ProxyStubClsid32", kForeignClass);
        setClassesValue(key + "\\NumMethods", kForeignMethods);
    }
}

using RegistrationEntry = HRESULT(STDAPICALLTYPE*)();

RegistrationEntry ourEntry(const char* name)
{
    // Beside this program, as in every build; loaded once and kept for the process.
    static const HMODULE dll = LoadLibraryA("VetrelProxy.dll");
    // Through the generic function pointer type, as the entry's real type is not FARPROC's.
    return dll ? reinterpret_cast<RegistrationEntry>(
                     reinterpret_cast<void (*)()>(GetProcAddress(dll, name)))
               : nullptr;
}

TEST(ProxyCoexistence, OurRegistrationLeavesAnotherProxysInterfacesAlone)
{
    ASSERT_NO_FATAL_FAILURE(registerForeignProxy());
    const std::string ourClass = guidText(kOurClass);
    const struct
    {
        const char* entry;
        bool oursRegistered;
    } steps[] = {{"DllRegisterServer", true}, {"DllUnregisterServer", false}};

    for (const auto& step : steps) {
        SCOPED_TRACE(step.entry);
        const RegistrationEntry entry = ourEntry(step.entry);
        ASSERT_NE(entry, nullptr);
        ASSERT_EQ(entry(), S_OK);

        for (const Interface& checked : kInterfaces) {
            SCOPED_TRACE(checked.name);
            const std::string key = interfaceKey(checked.iid);
            if (checked.foreign) {
                EXPECT_EQ(classesValue(key), kForeignName);
                EXPECT_EQ(classesValue(key + "\\ProxyStubClsid32"), kForeignClass);
                EXPECT_EQ(classesValue(key + "\\NumMethods"), kForeignMethods);
            } else if (step.oursRegistered) {
                EXPECT_EQ(classesValue(key), checked.name);
                EXPECT_EQ(classesValue(key + "\\ProxyStubClsid32"), ourClass);
            } else {
                EXPECT_FALSE(classesKeyExists(key));
            }
        }
        EXPECT_EQ(classesValue("CLSID\\" + kForeignClass + "\\InprocServer32"), kForeignDll);
        const std::string ourDll = classesValue("CLSID\\" + ourClass + "\\InprocServer32");
        EXPECT_EQ(ourDll.find("VetrelProxy.dll") != std::string::npos, step.oursRegistered)
            << ourDll;
        EXPECT_EQ(classesKeyExists("CLSID\\" + ourClass), step.oursRegistered);
    }
}

} // namespace
