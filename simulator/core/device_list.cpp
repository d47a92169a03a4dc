#include "simulator/core/device_list.h"

namespace moxlan {

AddRefusal checkAdd(const DeviceList& devices, std::string_view name)
{
    if (devices.size() >= kMaxDevices) return AddRefusal::ListFull;
    if (findDevice(devices, name) >= 0) return AddRefusal::DuplicateName;
    return AddRefusal::None;
}

int findDevice(const DeviceList& devices, std::string_view name)
{
    for (size_t i = 0; i < devices.size(); ++i)
        if (devices[i]->m_Name == name) return static_cast<int>(i);
    return -1;
}

} // namespace moxlan
