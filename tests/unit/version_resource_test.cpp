// Every Windows binary we ship carries a version resource with its product, a description and
// the project's version, in the numbers and in the texts that Explorer shows.
#include "vetrel/com.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// The folder of this program, where the build puts every binary.
std::string binaryFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string self(path, length);
    return self.substr(0, self.find_last_of("\\/") + 1);
}

std::string versionText(const std::vector<char>& info, const char* name)
{
    void* text = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), &text, &length) || length == 0) return {};
    return static_cast<const char*>(text);
}

TEST(VersionResource, EveryBinaryNamesItsProductAndTheProjectVersion)
{
    const struct
    {
        const char* file;
        const char* product;
    } binaries[] = {
        {"Vetrel.dll", "Vetrel"},
        {"VetrelProxy.dll", "Vetrel"},
        {"Moxlan.exe", "Moxlan"},
        {"moxlan-console.exe", "Moxlan"},
        {"opcprobe.exe", "Vetrel"},
        {"moxlan-cfg.exe", "Moxlan"},
        {"vetrel-example-host.exe", "Vetrel"},
    };
    unsigned major = 0, minor = 0, patch = 0;
    ASSERT_EQ(std::sscanf(VETREL_VERSION, "%u.%u.%u", &major, &minor, &patch), 3);

    for (const auto& binary : binaries) {
        SCOPED_TRACE(binary.file);
        const std::string path = binaryFolder() + binary.file;
        std::vector<char> info(GetFileVersionInfoSizeA(path.c_str(), nullptr));
        ASSERT_FALSE(info.empty());
        ASSERT_TRUE(
            GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));

        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(minor, major));
        EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(0, patch));
        EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
        EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

        EXPECT_EQ(versionText(info, "ProductName"), binary.product);
        EXPECT_EQ(versionText(info, "ProductVersion"), VETREL_VERSION);
        EXPECT_EQ(versionText(info, "FileVersion"), VETREL_VERSION);
        EXPECT_EQ(versionText(info, "OriginalFilename"), binary.file);
        EXPECT_FALSE(versionText(info, "FileDescription").empty());
    }
}

} // namespace
