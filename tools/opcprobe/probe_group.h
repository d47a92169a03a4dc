// The private group the probe adds for one request and removes when done.
#pragma once

#include "platform/com_ptr.h"
#include "vetrel/opc.h"

#include <optional>
#include <string>
#include <vector>

namespace opcprobe {

struct AddedItem
{
    HRESULT error = S_OK;
    OPCHANDLE server = 0;
    VARTYPE canonicalType = VT_EMPTY;
    DWORD accessRights = 0;
};

// How the group reports: reads and writes want an inactive group, watching an active one.
struct GroupSettings
{
    bool active = false;
    // 0 asks for the server's fastest rate.
    DWORD updateRate = 0;
    // Percent of the last reported value; empty leaves the server's default.
    std::optional<float> deadband;
};

class ProbeGroup
{
public:
    // Adds the group; throws ProbeFailure when the server refuses.
    explicit ProbeGroup(IOPCServer* server, const GroupSettings& settings = {});
    ~ProbeGroup();
    ProbeGroup(const ProbeGroup&) = delete;
    ProbeGroup& operator=(const ProbeGroup&) = delete;

    // One entry per name, in order; an item the server rejected carries its error.
    std::vector<AddedItem> addItems(const std::vector<std::string>& names);
    IOPCSyncIO* syncIO() const noexcept { return m_syncIO.get(); }
    // The group object, for its other interfaces.
    IUnknown* object() const noexcept { return m_items.get(); }
    DWORD revisedRate() const noexcept { return m_revisedRate; }

private:
    IOPCServer* m_server;
    OPCHANDLE m_handle = 0;
    DWORD m_revisedRate = 0;
    vetrel::ComPtr<IOPCItemMgt> m_items;
    vetrel::ComPtr<IOPCSyncIO> m_syncIO;
};

} // namespace opcprobe
