// The registry entries that make a host a COM local server and an OPC server.
#include "platform/reg_key.h"
#include "vetrel/vetrel.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

using vetrel::RegKey;

constexpr CLSID kClass = {
    0x0A1B2C3D, 0x0405, 0x0607, {0x08, 0x09, 0x0A, 0xB0, 0x0C, 0x0D, 0x0E, 0x0F}};
constexpr const char* kClassText = "{0a1b2c3d-0405-0607-0809-0ab00c0d0e0f}";
constexpr const char* kProgId = "VetrelTest.Registration";

bool keyExists(const std::string& path)
{
    return static_cast<bool>(RegKey::open(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ));
}

std::string defaultValue(const std::string& path, const char* name = nullptr)
{
    RegKey key = RegKey::open(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ);
    if (!key) return "<no key>";
    char data[512] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
        ERROR_SUCCESS)
        return "<no value>";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, std::string(data).size() + 1) << "stored with its terminating NUL";
    return data;
}

const std::string kServerKey = std::string("CLSID\\") + kClassText;

TEST(Registration, WritesEveryEntryAndUnregisteringRemovesThem)
{
    ASSERT_TRUE(UpdateRegistryA(kClass, kProgId, "Vetrel test server", "C:\\bin\\host.exe"));
    // Running it twice overwrites the same entries.
    ASSERT_TRUE(UpdateRegistryA(kClass, kProgId, "Vetrel test server", "C:\\bin\\host.exe"));

    const std::string progId = kProgId;
    EXPECT_EQ(defaultValue(progId), "Vetrel test server");
    EXPECT_EQ(defaultValue(progId + "\\CLSID"), kClassText);
    EXPECT_TRUE(keyExists(progId + "\\OPC"));
    EXPECT_EQ(defaultValue(kServerKey), "Vetrel test server");
    EXPECT_EQ(defaultValue(kServerKey, "AppID"), kClassText);
    EXPECT_EQ(defaultValue(kServerKey + "\\LocalServer32"), "C:\\bin\\host.exe");
    EXPECT_EQ(defaultValue(kServerKey + "\\ProgID"), kProgId);
    for (const char* category :
         {"{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}", "{63D5F432-CFE4-11D1-B2C8-0060083BA1FB}",
          "{CC603642-66D7-48F1-B69A-B625E73652D7}", "{58E13251-AC87-11D1-84D5-00608CB8A7E9}"})
        EXPECT_TRUE(keyExists(kServerKey + "\\Implemented Categories\\" + category)) << category;

    EXPECT_TRUE(UnregisterServerA(kClass, kProgId));
    EXPECT_FALSE(keyExists(progId));
    EXPECT_FALSE(keyExists(kServerKey));
    // Nothing is left to remove.
    EXPECT_FALSE(UnregisterServerA(kClass, kProgId));
}

TEST(Registration, ProgIdWithoutItsClassIsRemovedButReportedAsFailure)
{
    ASSERT_TRUE(UpdateRegistryA(kClass, kProgId, "d", "p"));
    {
        RegKey classes = RegKey::open(HKEY_CLASSES_ROOT, "CLSID", KEY_ALL_ACCESS);
        RegKey server = RegKey::open(classes.get(), kClassText, KEY_ALL_ACCESS);
        RegKey categories = RegKey::open(server.get(), "Implemented Categories", KEY_ALL_ACCESS);
        for (const char* category :
             {"{63D5F430-CFE4-11D1-B2C8-0060083BA1FB}", "{63D5F432-CFE4-11D1-B2C8-0060083BA1FB}",
              "{CC603642-66D7-48F1-B69A-B625E73652D7}", "{58E13251-AC87-11D1-84D5-00608CB8A7E9}"})
            RegDeleteKeyA(categories.get(), category);
        categories.close();
        for (const char* sub : {"Implemented Categories", "LocalServer32", "ProgID"})
            RegDeleteKeyA(server.get(), sub);
        server.close();
        ASSERT_EQ(RegDeleteKeyA(classes.get(), kClassText), ERROR_SUCCESS);
    }
    EXPECT_FALSE(UnregisterServerA(kClass, kProgId));
    EXPECT_FALSE(keyExists(kProgId));
}

TEST(Registration, EmptyProgIdIsRefusedWithoutTouchingTheClassesRoot)
{
    ASSERT_TRUE(UpdateRegistryA(kClass, kProgId, "d", "p"));
    const std::string classesDefault = defaultValue("CLSID");
    for (const char* progId : {"", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(UpdateRegistryA(kClass, progId, "d", "p"));
        EXPECT_FALSE(UnregisterServerA(kClass, progId));
    }
    EXPECT_FALSE(UpdateRegistry(kClass, "", "d", "p"));
    EXPECT_FALSE(UnregisterServer(kClass, ""));
    EXPECT_EQ(defaultValue("CLSID"), classesDefault);
    EXPECT_FALSE(keyExists("OPC"));
    // The registration made before is still whole.
    EXPECT_EQ(defaultValue(kServerKey + "\\ProgID"), kProgId);
    EXPECT_TRUE(UnregisterServerA(kClass, kProgId));
}

TEST(Registration, PlainAndRawFormsCutAndConvertTheirArguments)
{
    const std::string longDescription(150, 'd');
    BYTE raw[16];
    std::memcpy(raw, &kClass, sizeof raw);
    ASSERT_TRUE(UpdateRegistryB(raw, kProgId, longDescription.c_str(), "p"));
    EXPECT_EQ(defaultValue(kServerKey), longDescription.substr(0, 99));
    EXPECT_TRUE(UnregisterServerB(raw, kProgId));
    EXPECT_FALSE(keyExists(kServerKey));

    ASSERT_TRUE(UpdateRegistry(kClass, kProgId, "plain", "p"));
    EXPECT_EQ(defaultValue(kServerKey), "plain");
    EXPECT_TRUE(UnregisterServer(kClass, kProgId));
    EXPECT_FALSE(keyExists(kProgId));
}

} // namespace
