// The simulator as a server program: its registry entries and the orderly exit that refuses to
// end while clients are connected.
#include "platform/reg_key.h"
#include "simulator/core/moxlan_app.h"
#include "vetrel/vetrel.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using vetrel::RegKey;

const std::string kClassKey = "CLSID\\{4c3a9e17-2b6d-4f80-9e51-7ad3c60b2f94}";

std::string defaultValue(const std::string& path)
{
    RegKey key = RegKey::open(HKEY_CLASSES_ROOT, path.c_str(), KEY_READ);
    if (!key) return "<no key>";
    char data[512] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key.get(), nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                         &size) != ERROR_SUCCESS)
        return "<no value>";
    return data;
}

TEST(Registration, RegisterAndUnregisterRunsWriteTheSimulatorsEntries)
{
    const std::string path = "C:\\Tools\\moxlan-console.exe";
    moxlan::runRegistration(moxlan::RegistrationRequest::Unregister, path);
    EXPECT_FALSE(moxlan::runRegistration(moxlan::RegistrationRequest::None, path));
    EXPECT_EQ(defaultValue("Drevik.OPCServer"), "<no key>");

    ASSERT_TRUE(moxlan::runRegistration(moxlan::RegistrationRequest::Register, path));
    EXPECT_EQ(defaultValue("Drevik.OPCServer"), "Drevik Software OPC Server Simulator");
    EXPECT_EQ(defaultValue("Drevik.OPCServer\\CLSID"), kClassKey.substr(6));
    EXPECT_EQ(defaultValue(kClassKey + "\\LocalServer32"), path);
    EXPECT_EQ(defaultValue(kClassKey + "\\ProgID"), "Drevik.OPCServer");

    EXPECT_TRUE(moxlan::runRegistration(moxlan::RegistrationRequest::Unregister, path));
    EXPECT_EQ(defaultValue("Drevik.OPCServer"), "<no key>");
    EXPECT_EQ(defaultValue(kClassKey), "<no key>");
}

TEST(OrderlyExit, EndsOnlyWhenNoClientStaysConnected)
{
    ASSERT_TRUE(InitVetrel(moxlan::kMoxlanClsid, moxlan::kServerRate));
    ASSERT_GE(CoInitializeEx(nullptr, COINIT_MULTITHREADED), 0);
    std::vector<std::chrono::milliseconds> waits;
    const auto recordWait = [&](std::chrono::milliseconds wait) { waits.push_back(wait); };

    EXPECT_TRUE(moxlan::orderlyExit(recordWait));
    EXPECT_EQ(waits, std::vector<std::chrono::milliseconds>{std::chrono::milliseconds(1000)});

    IUnknown* client = nullptr;
    ASSERT_EQ(CoCreateInstance(moxlan::kMoxlanClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&client)),
              S_OK);
    EXPECT_FALSE(moxlan::orderlyExit(recordWait)) << "a client that stays keeps the program up";
    EXPECT_EQ(waits.size(), 2u);
    client->Release();
    EXPECT_TRUE(moxlan::orderlyExit(recordWait));
    CoUninitialize();
}

} // namespace
