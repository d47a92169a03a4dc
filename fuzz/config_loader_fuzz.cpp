// The document's configuration loader on arbitrary bytes: it never crashes, hangs or leaks, a
// refused file leaves the document exactly as it was, and an accepted one leaves one live tag
// per variable and stores back to bytes that load the same. The same bytes as an alarm file
// never keep the variables from loading, and accepted alarms store back to bytes that give the
// same alarms.
#include "simulator/core/alarm_file.h"
#include "simulator/core/moxlan_doc.h"
#include "vetrel/vetrel.h"

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

using moxlan::CMoxlanDoc;

struct Snapshot
{
    std::string bytes;
    std::vector<std::int32_t> handles;

    bool operator==(const Snapshot&) const = default;
};

Snapshot snapshotOf(const CMoxlanDoc& doc)
{
    Snapshot snapshot{doc.store(), {}};
    for (int i = 0; i < doc.GetDeviceCount(); ++i)
        snapshot.handles.push_back(doc.GetDevice(i)->m_hTag);
    return snapshot;
}

void require(bool condition)
{
    if (!condition) std::abort();
}

// A tag the document created holds the variable's value bit for bit; a refused name keeps the
// failure handle, which reaches no tag.
void requireLiveTags(const CMoxlanDoc& doc)
{
    for (int i = 0; i < doc.GetDeviceCount(); ++i) {
        const moxlan::CDeviceTag& device = *doc.GetDevice(i);
        VARIANT value;
        VariantInit(&value);
        const bool read = ReadTag(static_cast<DWORD>(device.m_hTag), &value);
        require(read == (device.m_hTag != -1));
        if (read)
            require(value.vt == VT_R4 && std::bit_cast<std::uint32_t>(value.fltVal) ==
                                             std::bit_cast<std::uint32_t>(device.value()));
    }
}

// Every input meets the same three variables, so a refusal is always checked against a
// document with tags.
std::string seedBytes()
{
    CMoxlanDoc seed;
    for (const char* name : {"Plant.Flow", "Plant.Level", "Ramp"}) {
        auto device = std::make_unique<moxlan::CDeviceTag>();
        device->m_Name = name;
        seed.AddDevice(std::move(device));
    }
    return seed.store();
}

CMoxlanDoc& document()
{
    static CMoxlanDoc* const doc = [] {
        auto* created = new CMoxlanDoc;
        created->load(seedBytes());
        return created;
    }();
    return *doc;
}

void checkAlarmFile(const std::string& config, std::string_view bytes)
{
    moxlan::DeviceList devices = moxlan::parseConfig(config).devices;
    if (!moxlan::applyAlarmFile(bytes, devices).loaded) {
        for (const auto& device : devices) require(!device->m_Alarms.any());
        return;
    }
    const std::string stored = moxlan::formatAlarmFile(devices);
    moxlan::DeviceList again = moxlan::parseConfig(config).devices;
    require(stored.empty() || moxlan::applyAlarmFile(stored, again).loaded);
    require(moxlan::formatAlarmFile(again) == stored);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size)
{
    CMoxlanDoc& doc = document();
    const Snapshot before = snapshotOf(doc);
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkAlarmFile(before.bytes, bytes);

    if (!doc.load(bytes).loaded) {
        require(snapshotOf(doc) == before);
        requireLiveTags(doc);
        return 0;
    }

    for (std::int32_t handle : before.handles) {
        VARIANT value;
        VariantInit(&value);
        require(!ReadTag(static_cast<DWORD>(handle), &value));
    }
    requireLiveTags(doc);
    const std::string stored = doc.store();
    const moxlan::ConfigContents again = moxlan::parseConfig(stored);
    require(again.outcome == moxlan::ConfigContents::Outcome::Loaded &&
            moxlan::formatConfig(again.devices) == stored);
    doc.load(before.bytes);
    return 0;
}
