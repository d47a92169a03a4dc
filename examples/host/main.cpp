// A small host of the Vetrel runtime: publishes one tag of each value type and keeps them
// moving, printing the runtime's trace lines as they come.
//
//   vetrel-example-host [SECONDS]    run for SECONDS (default 10; 0 runs until killed)
#include "vetrel/vetrel.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

// The example's own class identifier: clients activate the host with it.
constexpr CLSID kExampleClass = {
    0x5C2E9A61, 0x3B7D, 0x4F08, {0xA5, 0x1E, 0x6D, 0x90, 0x2B, 0x44, 0xC7, 0x13}};
constexpr WORD kGood = 0xC0;

void printTrace(char* text)
{
    std::printf("trace: %s\n", text);
    std::fflush(stdout);
}

void printWrite(DWORD tag)
{
    std::printf("client wrote tag %08lx\n", static_cast<unsigned long>(tag));
    std::fflush(stdout);
}

VARIANT r4(float value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R4;
    v.fltVal = value;
    return v;
}

VARIANT i4(LONG value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT boolean(bool value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

// The caller clears the VARIANT.
VARIANT text(const std::string& ascii)
{
    std::basic_string<OLECHAR> wide(ascii.begin(), ascii.end());
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return v;
}

// Four R4 samples; the caller clears the VARIANT.
VARIANT samples(float base)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_R4;
    v.parray = SafeArrayCreateVector(VT_R4, 0, 4);
    float* data = nullptr;
    if (v.parray && SUCCEEDED(SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&data)))) {
        for (int i = 0; i < 4; ++i) data[i] = base + static_cast<float>(i);
        SafeArrayUnaccessData(v.parray);
    }
    return v;
}

struct Tags
{
    DWORD level, count, running, status, profile;
};

Tags publish()
{
    Tags tags{};
    tags.level = CreateTagA("Example.Tank.Level", r4(0.0f), kGood, TRUE);
    tags.count = CreateTagA("Example.Line.Count", i4(0), kGood, TRUE);
    tags.running = CreateTagA("Example.Line.Running", boolean(false), kGood, TRUE);
    VARIANT status = text("starting");
    tags.status = CreateTagA("Example.Line.Status", status, kGood, TRUE);
    VariantClear(&status);
    VARIANT profile = samples(0.0f);
    tags.profile = CreateTagA("Example.Tank.Profile", profile, kGood, FALSE);
    VariantClear(&profile);
    SetTagPropertiesA(tags.level, "Tank level", "m");
    return tags;
}

void step(const Tags& tags, int tick)
{
    const float level = 5.0f + 4.0f * std::sin(static_cast<float>(tick) / 5.0f);
    UpdateTag(tags.level, r4(level), kGood);
    UpdateTag(tags.count, i4(tick), kGood);
    UpdateTag(tags.running, boolean(tick % 10 < 5), kGood);
    VARIANT status = text("tick " + std::to_string(tick));
    UpdateTag(tags.status, status, kGood);
    VariantClear(&status);
    VARIANT profile = samples(level);
    UpdateTag(tags.profile, profile, kGood);
    VariantClear(&profile);
    std::printf("tick %d: level %.3f, %d client(s)\n", tick, level, NumbrClientConnections());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    EnableEventMsgs(printTrace);
    EnableNotification(printWrite);
    if (!InitVetrel(kExampleClass, 250)) {
        std::fprintf(stderr, "vetrel-example-host: the runtime did not start\n");
        return 1;
    }
    std::printf("Vetrel revision %u running\n", static_cast<unsigned>(VetrelRevision()));
    const Tags tags = publish();
    for (int tick = 1; seconds == 0 || tick <= seconds; ++tick) {
        step(tags, tick);
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    return 0;
}
