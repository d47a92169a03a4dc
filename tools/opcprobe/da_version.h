// Which OPC Data Access interfaces the probe browses, reads properties, reads and writes
// through: those of 2.0 (IOPCBrowseServerAddressSpace, IOPCItemProperties, a group's IOPCSyncIO)
// or of 3.0 (IOPCBrowse, IOPCItemIO).
#pragma once

#include "vetrel/opc.h"

#include <optional>

namespace opcprobe {

enum class DaVersion
{
    V2 = 2,
    V3 = 3,
};

// The version asked for, or when none, the highest the server offers: 3 when it answers
// IOPCBrowse.
DaVersion chooseDaVersion(IOPCServer* server, std::optional<DaVersion> asked);

} // namespace opcprobe
