// What opcprobe shows of OPC values and servers, and how it reads what a user types.
#include "hresult_names.h"
#include "platform/reg_key.h"
#include "report.h"
#include "server_id.h"
#include "support/registry_keys.h"
#include "value_text.h"
#include "wide_text.h"

#include <gtest/gtest.h>

namespace {

using namespace opcprobe;
using vetrel::Variant;

Variant scalar(VARTYPE type, const char* text)
{
    Variant value;
    EXPECT_EQ(parseValue(text, type, value), S_OK) << text;
    EXPECT_EQ(value.type(), type) << text;
    return value;
}

std::vector<std::string> elementTexts(const Variant& array)
{
    std::vector<std::string> texts;
    for (const auto& element : valueJson(array.get())) texts.push_back(element.dump());
    return texts;
}

TEST(OpcProbeServerId, ReadsClassIdentifiersAsUsersWriteThem)
{
    const auto braced = parseClsid("{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}");
    ASSERT_TRUE(braced);
    EXPECT_EQ(braced->Data1, 0x5C2E9A61u);
    EXPECT_EQ(braced->Data2, 0x3B7D);
    EXPECT_EQ(braced->Data3, 0x4F08);
    EXPECT_EQ(braced->Data4[0], 0xA5);
    EXPECT_EQ(braced->Data4[7], 0x13);
    const auto bare = parseClsid("5c2e9a61-3b7d-4f08-a51e-6d902b44c713");
    ASSERT_TRUE(bare);
    EXPECT_TRUE(IsEqualGUID(*braced, *bare));
    EXPECT_EQ(formatClsid(*bare), "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}");

    for (const char* wrong :
         {"", "{}", "5C2E9A61-3B7D-4F08-A51E-6D902B44C71", "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713",
          "5C2E9A61+3B7D-4F08-A51E-6D902B44C713", "5C2E9A6G-3B7D-4F08-A51E-6D902B44C713",
          "5C2E9A61-3B7D-4F08-A51E-6D902B44C7-3", "Vetrel.ExampleHost"})
        EXPECT_FALSE(parseClsid(wrong)) << wrong;
}

TEST(OpcProbeServerId, FindsTheClassOfARegisteredProgId)
{
    const char* progId = "OpcProbe.Test.Server";
    HKEY key = vetrel::test::createKey(HKEY_CLASSES_ROOT, std::string(progId) + "\\CLSID");
    ASSERT_TRUE(key);
    vetrel::test::setValue(key, nullptr, REG_SZ,
                           vetrel::test::sz("{5c2e9a61-3b7d-4f08-a51e-6d902b44c713}"));
    RegCloseKey(key);
    const auto found = clsidFromProgId(progId);
    ASSERT_TRUE(found);
    EXPECT_EQ(formatClsid(*found), "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}");

    key = vetrel::test::createKey(HKEY_CLASSES_ROOT, std::string(progId) + "\\CLSID");
    vetrel::test::setValue(key, nullptr, REG_SZ, vetrel::test::sz("not a class"));
    RegCloseKey(key);
    EXPECT_FALSE(clsidFromProgId(progId));

    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(progId) + "\\CLSID").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, progId);
    EXPECT_FALSE(clsidFromProgId(progId));
    EXPECT_FALSE(clsidFromProgId(""));
}

TEST(OpcProbeResults, NameTheCodesOpcClientsMeet)
{
    EXPECT_EQ(describeResult(E_NOINTERFACE), "E_NOINTERFACE (0x80004002)");
    EXPECT_EQ(describeResult(static_cast<HRESULT>(0xC0040007)), "OPC_E_UNKNOWNITEMID (0xC0040007)");
    EXPECT_EQ(resultName(static_cast<HRESULT>(0x0004000D)), "OPC_S_UNSUPPORTEDRATE");
    // Shared by a Data Access and an Alarms and Events code: the probe is a Data Access client.
    EXPECT_EQ(resultName(static_cast<HRESULT>(0xC0040203)), "OPC_E_INVALID_PID");
    EXPECT_EQ(resultName(static_cast<HRESULT>(0x80040203)), "CONNECT_E_OVERRIDDEN");
    EXPECT_EQ(describeResult(static_cast<HRESULT>(0x80041234)), "0x80041234");
}

TEST(OpcProbeValues, ShowEveryScalarTypeAsTextAndJson)
{
    const Variant r4 = scalar(VT_R4, "0.1");
    EXPECT_EQ(valueText(r4.get()), "0.1");
    EXPECT_EQ(valueJson(r4.get()).dump(), "0.1");
    const Variant r8 = scalar(VT_R8, "-2.5");
    EXPECT_EQ(valueJson(r8.get()).dump(), "-2.5");
    const Variant i8 = scalar(VT_I8, "-9000000000");
    EXPECT_EQ(valueJson(i8.get()).dump(), "-9000000000");
    const Variant ui8 = scalar(VT_UI8, "18446744073709551615");
    EXPECT_EQ(valueJson(ui8.get()).dump(), "18446744073709551615");
    const Variant i1 = scalar(VT_I1, "-7");
    EXPECT_EQ(valueJson(i1.get()).dump(), "-7");
    EXPECT_EQ(valueText(i1.get()), "-7");
    const Variant cy = scalar(VT_CY, "1.5");
    EXPECT_EQ(valueJson(cy.get()).dump(), "1.5");
    const Variant decimal = scalar(VT_DECIMAL, "12.25");
    EXPECT_EQ(valueJson(decimal.get()).dump(), "12.25");

    const Variant on = scalar(VT_BOOL, "TRUE");
    EXPECT_EQ(valueText(on.get()), "true");
    EXPECT_EQ(valueJson(on.get()).dump(), "true");
    EXPECT_EQ(valueJson(scalar(VT_BOOL, "false").get()).dump(), "false");
    EXPECT_EQ(valueJson(scalar(VT_BOOL, "0").get()).dump(), "false");

    const Variant text = scalar(VT_BSTR, "Grüße, 25 °C");
    EXPECT_EQ(valueText(text.get()), "Grüße, 25 °C");
    EXPECT_EQ(valueJson(text.get()).dump(), "\"Grüße, 25 °C\"");

    VARIANT error;
    VariantInit(&error);
    error.vt = VT_ERROR;
    error.scode = static_cast<SCODE>(0xC0040004);
    EXPECT_EQ(valueText(error), "OPC_E_BADTYPE (0xC0040004)");
    VARIANT empty;
    VariantInit(&empty);
    EXPECT_TRUE(valueJson(empty).is_null());
    EXPECT_EQ(typeName(VT_UI4), "VT_UI4");
    EXPECT_EQ(typeName(VT_ARRAY | VT_BSTR), "VT_ARRAY | VT_BSTR");
    EXPECT_EQ(typeName(99), "99");
}

TEST(OpcProbeValues, ReadArraysWrittenAsLists)
{
    const Variant numbers = scalar(VT_ARRAY | VT_R8, "[1, 2.5,-3 ]");
    EXPECT_EQ(elementTexts(numbers), (std::vector<std::string>{"1.0", "2.5", "-3.0"}));
    EXPECT_EQ(valueText(numbers.get()), "[1, 2.5, -3]");
    const Variant words = scalar(VT_ARRAY | VT_BSTR, "[alpha, beta]");
    EXPECT_EQ(valueJson(words.get()).dump(), R"(["alpha","beta"])");
    const Variant none = scalar(VT_ARRAY | VT_I4, "[]");
    EXPECT_EQ(valueJson(none.get()).dump(), "[]");
    EXPECT_EQ(valueText(none.get()), "[]");

    Variant value;
    EXPECT_EQ(parseValue("1, 2", VT_ARRAY | VT_R8, value), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(parseValue("[1, x]", VT_ARRAY | VT_R8, value), DISP_E_TYPEMISMATCH);
}

TEST(OpcProbeValues, RefuseTextTheTypeCannotTake)
{
    Variant value;
    EXPECT_EQ(parseValue("abc", VT_I4, value), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(parseValue("300", VT_UI1, value), DISP_E_OVERFLOW);
    // A server that names no type gets the text as it was typed.
    EXPECT_EQ(parseValue("abc", VT_EMPTY, value), S_OK);
    EXPECT_EQ(value.type(), VT_BSTR);
    EXPECT_EQ(valueText(value.get()), "abc");
}

TEST(OpcProbeValues, ShowQualitiesAndTimesInWords)
{
    EXPECT_EQ(qualityText(0xC0), "good");
    EXPECT_EQ(qualityText(0xD8), "good: local override");
    EXPECT_EQ(qualityText(0x08), "bad: not connected");
    EXPECT_EQ(qualityText(0x00), "bad");
    EXPECT_EQ(qualityText(0x46), "uncertain: last usable value, high limited");
    EXPECT_EQ(qualityText(0x24), "bad: substatus 9");
    EXPECT_EQ(qualityText(0x83), "invalid, constant");

    const FILETIME epoch{0xD53E8000, 0x019DB1DE};
    EXPECT_EQ(timeText(epoch), "1970-01-01T00:00:00.000Z");
    // 2026-12-07T13:01:02.250Z: 1796648462.25 s after 1970.
    const unsigned long long ticks = 116444736000000000ULL + 17966484622500000ULL;
    const FILETIME later{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_EQ(timeText(later), "2026-12-07T13:01:02.250Z");
    EXPECT_EQ(timeText(FILETIME{0, 0}), "");
}

TEST(OpcProbeReport, ShowsEachItemWithItsOwnOutcome)
{
    std::vector<ItemValue> values(2);
    values[0].item = "Tank.Level";
    values[0].value = scalar(VT_R4, "2.5");
    values[0].quality = 0xC0;
    values[1].item = "No.Such.Item";
    values[1].error = static_cast<HRESULT>(0xC0040007);

    EXPECT_EQ(readText(values), "Tank.Level = 2.5 (VT_R4, good, )\n"
                                "No.Such.Item: OPC_E_UNKNOWNITEMID (0xC0040007)\n");
    const nlohmann::json document = readJson(values);
    ASSERT_EQ(document["items"].size(), 2u);
    EXPECT_EQ(document["items"][0]["value"], 2.5);
    EXPECT_EQ(document["items"][0]["quality"], 192);
    EXPECT_EQ(document["items"][0]["type"], "VT_R4");
    EXPECT_FALSE(document["items"][0].contains("error"));
    EXPECT_EQ(document["items"][1]["error"]["name"], "OPC_E_UNKNOWNITEMID");
    EXPECT_EQ(document["items"][1]["error"]["code"], 0xC0040007u);
    EXPECT_FALSE(document["items"][1].contains("value"));

    const std::vector<WriteResult> written{{"A", S_OK}, {"B", static_cast<HRESULT>(0xC0040004)}};
    EXPECT_EQ(writeText(written), "A: written\nB: OPC_E_BADTYPE (0xC0040004)\n");
    EXPECT_EQ(writeJson(written)["items"][1]["written"], false);
}

} // namespace
