#include "example_tags.h"

#include "vetrel/vetrel.h"

#include <cmath>
#include <string>

namespace example {
namespace {

constexpr WORD kGood = 0xC0;
// Level numbers of SetItemLevelAlarm.
constexpr int kLow = 2, kHigh = 3;

// Owns the VARIANTs handed to the host API, which copies them.
struct Value
{
    VARIANT v;
    Value() { VariantInit(&v); }
    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;
    ~Value() { VariantClear(&v); }
};

void setR4(Value& value, float number)
{
    VariantClear(&value.v);
    value.v.vt = VT_R4;
    value.v.fltVal = number;
}

void setI4(Value& value, LONG number)
{
    VariantClear(&value.v);
    value.v.vt = VT_I4;
    value.v.lVal = number;
}

void setBool(Value& value, bool on)
{
    VariantClear(&value.v);
    value.v.vt = VT_BOOL;
    value.v.boolVal = on ? VARIANT_TRUE : VARIANT_FALSE;
}

void setText(Value& value, const std::string& ascii)
{
    VariantClear(&value.v);
    const std::basic_string<OLECHAR> wide(ascii.begin(), ascii.end());
    value.v.vt = VT_BSTR;
    value.v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

// Four samples starting at base.
void setSamples(Value& value, VARTYPE element, float base)
{
    VariantClear(&value.v);
    SAFEARRAY* samples = SafeArrayCreateVector(element, 0, 4);
    if (!samples) return;
    for (LONG i = 0; i < 4; ++i) {
        Value sample;
        setR4(sample, base + static_cast<float>(i));
        // The converted number sits at the start of the value union, whatever its type.
        if (SUCCEEDED(VariantChangeType(&sample.v, &sample.v, 0, element)))
            SafeArrayPutElement(samples, &i, &sample.v.llVal);
    }
    value.v.vt = VT_ARRAY | element;
    value.v.parray = samples;
}

// The zero of a type: what a typed tag holds until a client writes to it.
void setZero(Value& value, VARTYPE type)
{
    if (type & VT_ARRAY) return setSamples(value, type & VT_TYPEMASK, 0.0f);
    setI4(value, 0);
    if (type == VT_ERROR) {
        value.v.vt = VT_ERROR;
        value.v.scode = S_OK;
        return;
    }
    VariantChangeType(&value.v, &value.v, 0, type);
}

DWORD create(std::string_view name, const Value& value, bool writable)
{
    return CreateTag(std::string(name), value.v, kGood, writable ? TRUE : FALSE);
}

} // namespace

ExampleTags::ExampleTags()
{
    Value value;
    setR4(value, 0.0f);
    m_level = create(kTankLevel, value, true);
    SetTagPropertiesA(m_level, "Tank level", "m");
    SetItemLevelAlarm(m_level, kHigh, kTankLevelHigh, kTankLevelHighSeverity, TRUE);
    setR4(value, (kInflowLow + kInflowHigh) / 2.0f);
    const DWORD inflow = create(kTankInflow, value, true);
    SetTagPropertiesA(inflow, "Tank inflow", "l/min");
    SetItemLevelAlarm(inflow, kLow, kInflowLow, kInflowLowSeverity, TRUE);
    SetItemLevelAlarm(inflow, kHigh, kInflowHigh, kInflowHighSeverity, TRUE);
    setI4(value, 0);
    m_count = create(kLineCount, value, true);
    setBool(value, false);
    m_running = create(kLineRunning, value, true);
    setText(value, "starting");
    m_status = create(kLineStatus, value, true);
    setSamples(value, VT_R4, 0.0f);
    m_profile = create(kTankProfile, value, false);
    setBool(value, false);
    m_quit = create(kQuit, value, true);
    m_disconnect = create(kDisconnect, value, true);
    for (const TypedTag& typed : kTypedTags) {
        setZero(value, typed.type);
        create(typed.name, value, true);
    }
}

void ExampleTags::step(int tick)
{
    Value value;
    const float level = 5.0f + 4.0f * std::sin(static_cast<float>(tick) / 5.0f);
    setR4(value, level);
    UpdateTag(m_level, value.v, kGood);
    setI4(value, tick);
    UpdateTag(m_count, value.v, kGood);
    setBool(value, tick % 10 < 5);
    UpdateTag(m_running, value.v, kGood);
    setText(value, "tick " + std::to_string(tick));
    UpdateTag(m_status, value.v, kGood);
    setSamples(value, VT_R4, level);
    UpdateTag(m_profile, value.v, kGood);
}

} // namespace example
