// The life of the server-list process: it serves while a client holds one of its objects or a
// lock on its class factory, and ends when the last of them goes.
#pragma once

#include "vetrel/com.h"

namespace serverlist {

// Every object handed to a client, and every LockServer(TRUE), holds the process once.
void holdProcess() noexcept;
void releaseProcess() noexcept;

// Returns once the last hold is released, or after firstClientMs when no client came at all.
void waitForLastClient(DWORD firstClientMs);

} // namespace serverlist
