// The class object of the server-list class: it makes an OPCServerList for each client.
#pragma once

#include "vetrel/com.h"

namespace serverlist {

// One for the life of the process; COM holds it while it is registered.
IClassFactory& serverListFactory() noexcept;

} // namespace serverlist
