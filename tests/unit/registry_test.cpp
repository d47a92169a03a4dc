// The registry as callers see it. The same tests run against Windows' registry (Wine's, in the
// test prefix) and ours, each under a key of its own below HKEY_CURRENT_USER\Software.
#include "support/registry_keys.h"
#include "vetrel/com.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace vetrel::test;

std::string uniqueName(const char* prefix)
{
    std::random_device random;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return prefix + std::to_string(random()) + "_" + std::to_string(ticks % 1000000);
}

class Registry : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_path = "Software\\" + uniqueName("VetrelTest");
        m_root = create(HKEY_CURRENT_USER, m_path.c_str());
        ASSERT_NE(m_root, nullptr);
    }

    void TearDown() override
    {
        RegCloseKey(m_root);
        EXPECT_TRUE(deleteTree(HKEY_CURRENT_USER, m_path));
    }

    static HKEY create(HKEY parent, const char* path, DWORD* disposition = nullptr)
    {
        HKEY key = createKey(parent, path, disposition);
        EXPECT_NE(key, nullptr) << path;
        return key;
    }

    HKEY open(const char* path, REGSAM access = KEY_ALL_ACCESS) const
    {
        HKEY key = nullptr;
        return RegOpenKeyExA(m_root, path, 0, access, &key) == ERROR_SUCCESS ? key : nullptr;
    }

    std::vector<std::string> subkeyNames(HKEY key) const
    {
        std::vector<std::string> names;
        char name[256];
        DWORD length = sizeof name;
        FILETIME written{};
        while (RegEnumKeyExA(key, static_cast<DWORD>(names.size()), name, &length, nullptr, nullptr,
                             nullptr, &written) == ERROR_SUCCESS) {
            EXPECT_NE(written.dwHighDateTime, 0u) << name;
            names.emplace_back(name, length);
            length = sizeof name;
        }
        return names;
    }

    std::string m_path;
    HKEY m_root = nullptr;
};

TEST_F(Registry, CreateAndOpenFollowWindowsPathRules)
{
    DWORD disposition = 0;
    HKEY leaf = create(m_root, "Outer\\Middle\\Leaf", &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(leaf);
    leaf = create(m_root, "OUTER\\middle\\lEAF", &disposition);
    EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(leaf);

    // Empty components are skipped; a leading backslash is refused.
    RegCloseKey(create(m_root, "Outer\\\\Middle\\Other\\"));
    HKEY other = open("outer\\middle\\other");
    EXPECT_NE(other, nullptr);
    RegCloseKey(other);
    HKEY refused = nullptr;
    EXPECT_EQ(RegCreateKeyExA(m_root, "\\Lead", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &refused,
                              nullptr),
              ERROR_BAD_PATHNAME);

    HKEY missing = reinterpret_cast<HKEY>(static_cast<uintptr_t>(1));
    EXPECT_EQ(RegOpenKeyExA(m_root, "Outer\\Missing", 0, KEY_READ, &missing), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(missing, nullptr);

    // Names keep the case they were created with.
    HKEY outer = open("outer");
    EXPECT_EQ(subkeyNames(outer), std::vector<std::string>{"Middle"});
    // An empty subkey opens the same key through a new handle; RegOpenKeyA returns the handle.
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExA(outer, "", 0, KEY_ALL_ACCESS, &again), ERROR_SUCCESS);
    EXPECT_NE(again, outer);
    EXPECT_EQ(setValue(again, "Seen", REG_SZ, sz("yes")), ERROR_SUCCESS);
    EXPECT_EQ(queryValue(outer, "Seen").data, sz("yes"));
    HKEY same = nullptr;
    EXPECT_EQ(RegOpenKeyA(outer, nullptr, &same), ERROR_SUCCESS);
    EXPECT_EQ(same, outer);
    RegCloseKey(again);
    RegCloseKey(outer);
}

TEST_F(Registry, ValuesKeepTypeAndBytesAndMatchNamesWithoutCase)
{
    const std::map<std::string, std::pair<DWORD, std::string>> values = {
        {"Text", {REG_SZ, sz("Drevik OPC server")}},
        {"Expand", {REG_EXPAND_SZ, sz("%SystemRoot%\\x")}},
        {"Multi", {REG_MULTI_SZ, std::string("a\0bc\0\0", 6)}},
        {"Dword", {REG_DWORD, std::string("\x78\x56\x34\x12", 4)}},
        {"Qword", {REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)}},
        {"Binary", {REG_BINARY, std::string("\x00\xff\x7f\x80", 4)}},
        {"Nothing", {REG_NONE, ""}},
    };
    for (const auto& [name, value] : values)
        ASSERT_EQ(setValue(m_root, name.c_str(), value.first, value.second), ERROR_SUCCESS);
    for (const auto& [name, value] : values) {
        const Queried read = queryValue(m_root, name.c_str());
        EXPECT_EQ(read.status, ERROR_SUCCESS) << name;
        EXPECT_EQ(read.type, value.first) << name;
        EXPECT_EQ(read.data, value.second) << name;
    }

    // Another spelling names the same value, which keeps its first spelling and takes the new
    // type.
    EXPECT_EQ(setValue(m_root, "DWORD", REG_SZ, sz("now text")), ERROR_SUCCESS);
    EXPECT_EQ(queryValue(m_root, "dword").type, static_cast<DWORD>(REG_SZ));
    char name[32];
    DWORD length = sizeof name;
    DWORD index = 0;
    std::vector<std::string> names;
    while (RegEnumValueA(m_root, index++, name, &length, nullptr, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS) {
        names.emplace_back(name, length);
        length = sizeof name;
    }
    EXPECT_EQ(names.size(), values.size());
    EXPECT_NE(std::find(names.begin(), names.end(), "Dword"), names.end());

    EXPECT_EQ(RegDeleteValueA(m_root, "TEXT"), ERROR_SUCCESS);
    EXPECT_EQ(queryValue(m_root, "Text").status, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueA(m_root, "Text"), ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, DefaultValueIsTheUnnamedValue)
{
    EXPECT_EQ(queryValue(m_root, nullptr).status, ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(setValue(m_root, nullptr, REG_SZ, sz("description")), ERROR_SUCCESS);
    EXPECT_EQ(queryValue(m_root, "").data, sz("description"));

    // RegSetValueA writes the default value of a subkey it creates, as text of its own length.
    ASSERT_EQ(RegSetValueA(m_root, "CLSID\\LocalServer32", REG_SZ, "C:\\moxlan.exe", 0),
              ERROR_SUCCESS);
    HKEY server = open("clsid\\localserver32");
    EXPECT_EQ(queryValue(server, nullptr).data, sz("C:\\moxlan.exe"));
    RegCloseKey(server);
    char text[32];
    LONG size = sizeof text;
    EXPECT_EQ(RegQueryValueA(m_root, "CLSID\\LocalServer32", text, &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(text, size), sz("C:\\moxlan.exe"));
    // A key without a default value reads as empty text.
    size = sizeof text;
    EXPECT_EQ(RegQueryValueA(m_root, "CLSID", text, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 1);
    EXPECT_EQ(text[0], '\0');
    EXPECT_EQ(RegQueryValueA(m_root, "Missing", text, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegSetValueA(m_root, "CLSID", REG_DWORD, "x", 2), ERROR_INVALID_PARAMETER);

    EXPECT_EQ(RegDeleteValueA(m_root, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(queryValue(m_root, "").status, ERROR_FILE_NOT_FOUND);
}

TEST_F(Registry, QueryReportsTheSizeItNeeds)
{
    ASSERT_EQ(setValue(m_root, "Name", REG_SZ, sz("hello")), ERROR_SUCCESS);
    DWORD type = REG_NONE;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(m_root, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

    char buffer[16];
    size = 5;
    EXPECT_EQ(
        RegQueryValueExA(m_root, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    size = 6;
    EXPECT_EQ(
        RegQueryValueExA(m_root, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(std::string(buffer, size), sz("hello"));

    EXPECT_EQ(RegQueryValueExA(m_root, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                               nullptr),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegQueryValueExA(m_root, "Name", nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(m_root, "Other", nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND);

    LONG textSize = 3;
    EXPECT_EQ(RegQueryValueA(m_root, nullptr, buffer, &textSize), ERROR_SUCCESS);
    ASSERT_EQ(setValue(m_root, nullptr, REG_SZ, sz("longer")), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueA(m_root, nullptr, buffer, &textSize), ERROR_MORE_DATA);
    EXPECT_EQ(textSize, 7);
    EXPECT_EQ(RegSetValueExA(m_root, "Null", 0, REG_BINARY, nullptr, 4), ERROR_NOACCESS);
}

TEST_F(Registry, DeletingAKeyWithSubkeysIsRefused)
{
    RegCloseKey(create(m_root, "Parent\\Child"));
    EXPECT_EQ(RegDeleteKeyA(m_root, "Parent"), ERROR_ACCESS_DENIED);
    HKEY parent = open("Parent");
    EXPECT_NE(parent, nullptr);
    EXPECT_EQ(RegDeleteKeyA(m_root, "PARENT\\child"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyA(m_root, "Parent"), ERROR_SUCCESS);
    EXPECT_EQ(open("Parent"), nullptr);
    EXPECT_EQ(RegDeleteKeyA(m_root, "Parent"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteKeyA(m_root, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegCloseKey(parent), ERROR_SUCCESS);
}

TEST_F(Registry, HandlesOfDeletedKeysReportKeyDeleted)
{
    HKEY doomed = create(m_root, "Doomed");
    HKEY second = open("Doomed");
    ASSERT_EQ(RegDeleteKeyA(m_root, "Doomed"), ERROR_SUCCESS);
    // A new key of the same name is another key.
    RegCloseKey(create(m_root, "Doomed"));

    char name[16];
    DWORD length = sizeof name;
    HKEY sub = nullptr;
    EXPECT_EQ(setValue(doomed, "x", REG_SZ, sz("x")), ERROR_KEY_DELETED);
    EXPECT_EQ(queryValue(doomed, "x").status, ERROR_KEY_DELETED);
    EXPECT_EQ(queryValue(second, "x").status, ERROR_KEY_DELETED);
    EXPECT_EQ(RegDeleteValueA(doomed, "x"), ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumKeyExA(doomed, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegEnumValueA(doomed, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegCreateKeyExA(doomed, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr),
              ERROR_KEY_DELETED);
    EXPECT_EQ(RegOpenKeyExA(doomed, "", 0, KEY_READ, &sub), ERROR_KEY_DELETED);
    EXPECT_EQ(RegFlushKey(doomed), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(doomed), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(second), ERROR_SUCCESS);
}

TEST_F(Registry, InvalidHandlesAndMissingRightsAreRefused)
{
    HKEY closed = create(m_root, "Closed");
    EXPECT_EQ(RegCloseKey(closed), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(closed), ERROR_INVALID_HANDLE);
    EXPECT_EQ(queryValue(closed, nullptr).status, ERROR_INVALID_HANDLE);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(nullptr, "Software", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    const auto forged = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x12345670));
    EXPECT_EQ(RegOpenKeyExA(forged, "Software", 0, KEY_READ, &key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
    EXPECT_EQ(RegFlushKey(m_root), ERROR_SUCCESS);

    // A handle can do what its rights allow. Creating a subkey needs no right on the handle.
    ASSERT_EQ(setValue(m_root, "Value", REG_SZ, sz("v")), ERROR_SUCCESS);
    HKEY reader = open("", KEY_READ);
    EXPECT_EQ(queryValue(reader, "Value").data, sz("v"));
    EXPECT_EQ(setValue(reader, "Value", REG_SZ, sz("w")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueA(reader, "Value"), ERROR_ACCESS_DENIED);
    RegCloseKey(create(reader, "ViaReader"));
    HKEY writer = open("", KEY_SET_VALUE);
    EXPECT_EQ(setValue(writer, "Value", REG_SZ, sz("w")), ERROR_SUCCESS);
    EXPECT_EQ(queryValue(writer, "Value").status, ERROR_ACCESS_DENIED);
    char name[16];
    DWORD length = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(writer, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegEnumValueA(writer, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_ACCESS_DENIED);
    RegCloseKey(reader);
    RegCloseKey(writer);
}

TEST_F(Registry, EnumerationListsSubkeysInNameOrderAndEveryValue)
{
    for (const char* name : {"gamma", "Alpha", "delta2", "beta", "Delta1"})
        RegCloseKey(create(m_root, name));
    EXPECT_EQ(subkeyNames(m_root),
              (std::vector<std::string>{"Alpha", "beta", "Delta1", "delta2", "gamma"}));
    char name[16];
    DWORD length = 5;
    EXPECT_EQ(RegEnumKeyExA(m_root, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
    length = 6;
    EXPECT_EQ(RegEnumKeyExA(m_root, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(length, 5u);
    EXPECT_EQ(RegEnumKeyExA(m_root, 5, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);

    const std::map<std::string, std::pair<DWORD, std::string>> values = {
        {"", {REG_DWORD, std::string("\x2a\0\0\0", 4)}},
        {"ProgID", {REG_SZ, sz("Drevik.OPCServer")}},
        {"Blob", {REG_BINARY, "\x01\x02"}},
    };
    for (const auto& [valueName, value] : values)
        ASSERT_EQ(setValue(m_root, valueName.c_str(), value.first, value.second), ERROR_SUCCESS);
    std::map<std::string, std::pair<DWORD, std::string>> listed;
    BYTE data[64];
    for (DWORD index = 0;; ++index) {
        DWORD type = REG_NONE;
        DWORD size = sizeof data;
        length = sizeof name;
        const LSTATUS status =
            RegEnumValueA(m_root, index, name, &length, nullptr, &type, data, &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(status, ERROR_SUCCESS);
        listed[std::string(name, length)] = {type,
                                             std::string(reinterpret_cast<char*>(data), size)};
        // Too small a buffer for the name or the data says so; the data size is reported.
        DWORD shortName = length;
        EXPECT_EQ(
            RegEnumValueA(m_root, index, name, &shortName, nullptr, nullptr, nullptr, nullptr),
            ERROR_MORE_DATA);
        DWORD shortData = size - 1;
        length = sizeof name;
        if (size > 0) {
            EXPECT_EQ(
                RegEnumValueA(m_root, index, name, &length, nullptr, nullptr, data, &shortData),
                ERROR_MORE_DATA);
            EXPECT_EQ(shortData, size);
        }
    }
    EXPECT_EQ(listed, values);
}

TEST(RegistryClassesRoot, ClassesRootIsTheMachineClassesKey)
{
    const std::string progId = uniqueName("VetrelTest.Class");
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, progId.c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(setValue(key, nullptr, REG_SZ, sz("Test server")), ERROR_SUCCESS);
    RegCloseKey(key);
    const std::string machinePath = "Software\\Classes\\" + progId;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, machinePath.c_str(), 0, KEY_READ, &key),
              ERROR_SUCCESS);
    EXPECT_EQ(queryValue(key, nullptr).data, sz("Test server"));
    RegCloseKey(key);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, machinePath.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, progId.c_str(), 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
}

} // namespace
