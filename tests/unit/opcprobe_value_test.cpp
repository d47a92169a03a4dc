// What opcprobe shows of OPC values and servers, and how it reads what a user types.
#include "comkit/guid_text.h"
#include "comkit/registry_read.h"
#include "hresult_names.h"
#include "platform/reg_key.h"
#include "report.h"
#include "server_id.h"
#include "support/registry_keys.h"
#include "value_parse.h"
#include "value_text.h"
#include "wide_text.h"

#include <cfloat>
#include <gtest/gtest.h>

namespace {

using namespace opcprobe;
using vetrel::classOfProgId;
using vetrel::formatGuid;
using vetrel::parseGuid;
using vetrel::Variant;

Variant scalar(VARTYPE type, const char* text)
{
    Variant value;
    const auto refused = parseValue(text, type, value);
    EXPECT_FALSE(refused) << text << ": " << refused.value_or(ValueRefusal{}).reason;
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
    const auto braced = parseGuid("{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}");
    ASSERT_TRUE(braced);
    EXPECT_EQ(braced->Data1, 0x5C2E9A61u);
    EXPECT_EQ(braced->Data2, 0x3B7D);
    EXPECT_EQ(braced->Data3, 0x4F08);
    EXPECT_EQ(braced->Data4[0], 0xA5);
    EXPECT_EQ(braced->Data4[7], 0x13);
    const auto bare = parseGuid("5c2e9a61-3b7d-4f08-a51e-6d902b44c713");
    ASSERT_TRUE(bare);
    EXPECT_TRUE(IsEqualGUID(*braced, *bare));
    EXPECT_EQ(formatGuid(*bare), "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}");

    for (const char* wrong :
         {"", "{}", "5C2E9A61-3B7D-4F08-A51E-6D902B44C71", "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713",
          "5C2E9A61+3B7D-4F08-A51E-6D902B44C713", "5C2E9A6G-3B7D-4F08-A51E-6D902B44C713",
          "5C2E9A61-3B7D-4F08-A51E-6D902B44C7-3", "Vetrel.ExampleHost"})
        EXPECT_FALSE(parseGuid(wrong)) << wrong;
}

TEST(OpcProbeServerId, FindsTheClassOfARegisteredProgId)
{
    const char* progId = "OpcProbe.Test.Server";
    HKEY key = vetrel::test::createKey(HKEY_CLASSES_ROOT, std::string(progId) + "\\CLSID");
    ASSERT_TRUE(key);
    vetrel::test::setValue(key, nullptr, REG_SZ,
                           vetrel::test::sz("{5c2e9a61-3b7d-4f08-a51e-6d902b44c713}"));
    RegCloseKey(key);
    const auto found = classOfProgId(progId);
    ASSERT_TRUE(found);
    EXPECT_EQ(formatGuid(*found), "{5C2E9A61-3B7D-4F08-A51E-6D902B44C713}");

    key = vetrel::test::createKey(HKEY_CLASSES_ROOT, std::string(progId) + "\\CLSID");
    vetrel::test::setValue(key, nullptr, REG_SZ, vetrel::test::sz("not a class"));
    RegCloseKey(key);
    EXPECT_FALSE(classOfProgId(progId));

    RegDeleteKeyA(HKEY_CLASSES_ROOT, (std::string(progId) + "\\CLSID").c_str());
    RegDeleteKeyA(HKEY_CLASSES_ROOT, progId);
    EXPECT_FALSE(classOfProgId(progId));
    EXPECT_FALSE(classOfProgId(""));
}

TEST(OpcProbeResults, NameTheCodesOpcClientsMeet)
{
    EXPECT_EQ(describeResult(E_NOINTERFACE), "E_NOINTERFACE 0x80004002");
    EXPECT_EQ(describeResult(static_cast<HRESULT>(0xC0040007)), "OPC_E_UNKNOWNITEMID 0xC0040007");
    EXPECT_EQ(explainResult(static_cast<HRESULT>(0xC0040007)),
              "the server has no item of this ID \u2014 OPC_E_UNKNOWNITEMID 0xC0040007");
    EXPECT_EQ(explainResult("Tank.Level is VT_R4: \"x\" is not a number", DISP_E_TYPEMISMATCH),
              "Tank.Level is VT_R4: \"x\" is not a number \u2014 DISP_E_TYPEMISMATCH 0x80020005");
    EXPECT_EQ(resultNamed("OPC_E_BADRIGHTS"), static_cast<HRESULT>(0xC0040006));
    EXPECT_FALSE(resultNamed("E_NOSUCHNAME"));
    EXPECT_EQ(resultName(static_cast<HRESULT>(0x0004000D)), "OPC_S_UNSUPPORTEDRATE");
    // Shared by a Data Access and an Alarms and Events code: the probe is a Data Access client.
    EXPECT_EQ(resultName(static_cast<HRESULT>(0xC0040203)), "OPC_E_INVALID_PID");
    EXPECT_EQ(resultName(static_cast<HRESULT>(0x80040203)), "CONNECT_E_OVERRIDDEN");
    EXPECT_EQ(describeResult(static_cast<HRESULT>(0x80041234)), "0x80041234");
    EXPECT_EQ(explainResult(static_cast<HRESULT>(0x80041234)), "0x80041234");
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
    EXPECT_EQ(valueText(error), "OPC_E_BADTYPE 0xC0040004");
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
}

// Each text in the C locale, whatever the machine's: shown as read prints the value it became,
// or refused with the reason.
TEST(OpcProbeValues, ReadTextAsTheItemsTypeOrSayWhyNot)
{
    struct Case
    {
        VARTYPE type;
        const char* text;
        HRESULT error;
        std::string shown;
    };
    const std::vector<Case> cases = {
        {VT_R8, "1.5", S_OK, "1.5"},
        {VT_R8, "+2.5e-3", S_OK, "0.0025"},
        {VT_R8, "abc", DISP_E_TYPEMISMATCH, "\"abc\" is not a number"},
        {VT_R8, "1,5", DISP_E_TYPEMISMATCH, "\"1,5\" is not a number"},
        {VT_R4, "1,5", DISP_E_TYPEMISMATCH, "\"1,5\" is not a number"},
        {VT_R8, "", DISP_E_TYPEMISMATCH, "\"\" is not a number"},
        {VT_R8, "1e400", DISP_E_OVERFLOW, "\"1e400\" is out of range"},
        {VT_R4, "1e39", DISP_E_OVERFLOW, "\"1e39\" is out of range"},
        {VT_I1, "-128", S_OK, "-128"},
        {VT_I1, "128", DISP_E_OVERFLOW, "\"128\" is out of range, -128 to 127"},
        {VT_UI1, "300", DISP_E_OVERFLOW, "\"300\" is out of range, 0 to 255"},
        {VT_UI1, "-1", DISP_E_OVERFLOW, "\"-1\" is out of range, 0 to 255"},
        {VT_I2, "-32769", DISP_E_OVERFLOW, "\"-32769\" is out of range, -32768 to 32767"},
        {VT_UI2, "65535", S_OK, "65535"},
        {VT_I4, "2.5", DISP_E_TYPEMISMATCH, "\"2.5\" is not a whole number"},
        {VT_I4, "0x10", DISP_E_TYPEMISMATCH, "\"0x10\" is not a whole number"},
        {VT_UI4, "4294967295", S_OK, "4294967295"},
        {VT_INT, "-5", S_OK, "-5"},
        {VT_UINT, "+7", S_OK, "7"},
        {VT_I8, "-9223372036854775808", S_OK, "-9223372036854775808"},
        {VT_UI8, "18446744073709551616", DISP_E_OVERFLOW,
         "\"18446744073709551616\" is out of range, 0 to 18446744073709551615"},
        {VT_BOOL, "TRUE", S_OK, "true"},
        {VT_BOOL, "0", S_OK, "false"},
        {VT_BOOL, "1", S_OK, "true"},
        {VT_BOOL, "yes", DISP_E_TYPEMISMATCH, "\"yes\" is not true, false, 1 or 0"},
        {VT_CY, "12.3456", S_OK, "12.3456"},
        {VT_CY, "1,5", DISP_E_TYPEMISMATCH, "\"1,5\" is not a number"},
        {VT_CY, "922337203685478", DISP_E_OVERFLOW, "\"922337203685478\" is out of range"},
        {VT_DECIMAL, "-1.25", S_OK, "-1.25"},
        {VT_DATE, "2026-12-07T13:01:02.250", S_OK, "2026-12-07T13:01:02.250"},
        {VT_DATE, "2026-12-07 13:01", S_OK, "2026-12-07T13:01:00.000"},
        {VT_DATE, "1899-12-29T06:00", S_OK, "1899-12-29T06:00:00.000"},
        {VT_DATE, "2026-02-30", DISP_E_TYPEMISMATCH,
         "\"2026-02-30\" is not a date such as 2026-12-07T13:01:02.250"},
        {VT_DATE, "12/7/2026", DISP_E_TYPEMISMATCH,
         "\"12/7/2026\" is not a date such as 2026-12-07T13:01:02.250"},
        {VT_ERROR, "E_FAIL", S_OK, "E_FAIL 0x80004005"},
        {VT_ERROR, "OPC_E_BADTYPE 0xC0040004", S_OK, "OPC_E_BADTYPE 0xC0040004"},
        {VT_ERROR, "0x80041234", S_OK, "0x80041234"},
        {VT_ERROR, "oops", DISP_E_TYPEMISMATCH,
         "\"oops\" is not a result code such as E_FAIL or 0x80004005"},
        {VT_BSTR, "1,5", S_OK, "1,5"},
        // A server that names no type gets the text as it was typed.
        {VT_EMPTY, "abc", S_OK, "abc"},
        {VT_ARRAY | VT_R8, "1, 2", DISP_E_TYPEMISMATCH, "\"1, 2\" is not a list such as [1, 2, 3]"},
        {VT_ARRAY | VT_R8, "[1, x]", DISP_E_TYPEMISMATCH, "\"x\" is not a number"},
        {VT_DISPATCH, "x", DISP_E_BADVARTYPE, "the probe writes no values of this type"},
    };
    for (const Case& probe : cases) {
        Variant value;
        const auto refused = parseValue(probe.text, probe.type, value);
        EXPECT_EQ(refused ? refused->error : S_OK, probe.error) << probe.text;
        EXPECT_EQ(refused ? refused->reason : valueText(value.get()), probe.shown) << probe.text;
    }
}

// What read prints of a real, write reads back as the very same number.
TEST(OpcProbeValues, PrintRealsInTheShortestFormThatReadsBackUnchanged)
{
    struct Case
    {
        VARTYPE type;
        double number;
        std::string text;
        std::string json;
    };
    const std::vector<Case> cases = {
        {VT_R8, DBL_MAX, "1.7976931348623157e+308", "1.7976931348623157e+308"},
        {VT_R8, 0.1, "0.1", "0.1"},
        {VT_R8, 1e-310, "1e-310", "1e-310"},
        {VT_R8, -2.0, "-2", "-2.0"},
        {VT_R4, FLT_MAX, "3.4028235e+38", "3.4028235e+38"},
        {VT_R4, 0.1f, "0.1", "0.1"},
        {VT_R4, 16777216.0f, "16777216", "16777216.0"},
    };
    for (const Case& probe : cases) {
        VARIANT value;
        VariantInit(&value);
        value.vt = probe.type;
        if (probe.type == VT_R4)
            value.fltVal = static_cast<float>(probe.number);
        else
            value.dblVal = probe.number;
        EXPECT_EQ(valueText(value), probe.text) << probe.number;
        EXPECT_EQ(valueJson(value).dump(), probe.json) << probe.number;
        Variant back;
        EXPECT_FALSE(parseValue(probe.text, probe.type, back)) << probe.text;
        EXPECT_EQ(probe.type == VT_R4 ? back.get().fltVal : back.get().dblVal,
                  probe.type == VT_R4 ? value.fltVal : value.dblVal)
            << probe.text;
    }
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
    EXPECT_EQ(dateText(46363.5), "2026-12-07T12:00:00.000");
    EXPECT_EQ(dateText(-1.25), "1899-12-29T06:00:00.000");
}

TEST(OpcProbeReport, ShowsEachItemWithItsOwnOutcome)
{
    std::vector<ItemValue> values(2);
    values[0].item = "Tank.Level";
    values[0].value = scalar(VT_R4, "2.5");
    values[0].quality = 0xC0;
    values[1].item = "No.Such.Item";
    values[1].error = static_cast<HRESULT>(0xC0040007);

    EXPECT_EQ(
        readText(values),
        "Tank.Level = 2.5 (VT_R4, good, )\n"
        "No.Such.Item: the server has no item of this ID \u2014 OPC_E_UNKNOWNITEMID 0xC0040007\n");
    const nlohmann::json document = readJson(values);
    ASSERT_EQ(document["items"].size(), 2u);
    EXPECT_EQ(document["items"][0]["value"], 2.5);
    EXPECT_EQ(document["items"][0]["quality"], 192);
    EXPECT_EQ(document["items"][0]["type"], "VT_R4");
    EXPECT_FALSE(document["items"][0].contains("error"));
    EXPECT_EQ(document["items"][1]["error"]["name"], "OPC_E_UNKNOWNITEMID");
    EXPECT_EQ(document["items"][1]["error"]["code"], 0xC0040007u);
    EXPECT_EQ(document["items"][1]["error"]["message"], "the server has no item of this ID");
    EXPECT_FALSE(document["items"][1].contains("value"));

    const std::vector<WriteResult> written{
        {"A", S_OK},
        {"B", static_cast<HRESULT>(0xC0040006)},
        {"C", DISP_E_TYPEMISMATCH, "C is VT_R8: \"x\" is not a number"}};
    EXPECT_EQ(writeText(written),
              "A: written\n"
              "B: the item's access rights do not allow this \u2014 OPC_E_BADRIGHTS 0xC0040006\n"
              "C is VT_R8: \"x\" is not a number \u2014 DISP_E_TYPEMISMATCH 0x80020005\n");
    const nlohmann::json writtenJson = writeJson(written);
    EXPECT_EQ(writtenJson["items"][1]["written"], false);
    EXPECT_EQ(writtenJson["items"][2]["error"]["message"], "C is VT_R8: \"x\" is not a number");
}

} // namespace
