// The private group the probe adds for one request and removes when done.
#pragma once

#include "platform/com_ptr.h"
#include "vetrel/opc.h"

#include <string>
#include <vector>

namespace opcprobe {

struct AddedItem
{
    HRESULT error = S_OK;
    OPCHANDLE server = 0;
    VARTYPE canonicalType = VT_EMPTY;
};

class ProbeGroup
{
public:
    // Adds an inactive group; throws ProbeFailure when the server refuses.
    explicit ProbeGroup(IOPCServer* server);
    ~ProbeGroup();
    ProbeGroup(const ProbeGroup&) = delete;
    ProbeGroup& operator=(const ProbeGroup&) = delete;

    // One entry per name, in order; an item the server rejected carries its error.
    std::vector<AddedItem> addItems(const std::vector<std::string>& names);
    IOPCSyncIO* syncIO() const noexcept { return m_syncIO.get(); }

private:
    IOPCServer* m_server;
    OPCHANDLE m_handle = 0;
    vetrel::platform::ComPtr<IOPCItemMgt> m_items;
    vetrel::platform::ComPtr<IOPCSyncIO> m_syncIO;
};

} // namespace opcprobe
