// The ordered list of simulated variables and the rules a user's new variable must pass.
#pragma once

#include "simulator/core/device_tag.h"

#include <memory>
#include <string_view>
#include <vector>

namespace moxlan {

using DeviceList = std::vector<std::unique_ptr<CDeviceTag>>;

// Users add at most this many variables; a configuration file may hold more.
constexpr size_t kMaxDevices = 200;

constexpr const char* kDuplicateNameMessage = "Each Simulated Value must have a unique name!";
constexpr const char* kAddFailedMessage = "Could not add Device to Document List";

enum class AddRefusal
{
    None,
    ListFull,
    DuplicateName,
};

// Why a variable of this name may not join the list; names compare byte for byte.
AddRefusal checkAdd(const DeviceList& devices, std::string_view name);

// The index of the first variable of that name, or -1.
int findDevice(const DeviceList& devices, std::string_view name);

} // namespace moxlan
