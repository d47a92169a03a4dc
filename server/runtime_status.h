// What the GetStatus of every connection reports of the runtime as a whole. The caller holds
// the runtime lock.
#pragma once

#include "vetrel/com.h"

#include <string>

namespace vetrel {

struct RuntimeStatus
{
    static constexpr const char* kDefaultVendor = "Drevik Software Design OPC Server";

    // When the runtime started serving.
    FILETIME startTime{};
    std::string vendorText = kDefaultVendor;
};

RuntimeStatus& runtimeStatus() noexcept;

} // namespace vetrel
