// The read and write commands through the OPC DA 3.0 interface IOPCItemIO, with the same
// results as through a group.
#pragma once

#include "session.h"

#include <string>
#include <vector>

namespace opcprobe {

std::vector<ItemValue> readDa3(IOPCServer* server, const std::vector<std::string>& items,
                               OPCDATASOURCE source);
std::vector<WriteResult> writeDa3(IOPCServer* server, const std::vector<Assignment>& assignments);

} // namespace opcprobe
