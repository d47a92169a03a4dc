// The objects of the bare server: the class factory, servers, and the children a server hands
// out. Every live server and child counts as use of the process.
#pragma once

#include "bare_identity.h"

#include <atomic>

// Servers and children alive now, in any client's hands.
extern std::atomic<long> bareObjectsAlive;

// The one class object of the bare server; it lives as long as the process.
IClassFactory* bareClassFactory();

// A new server or child with one reference for the caller.
IBareServer* newBareServer();
IBareChild* newBareChild(LONG value);
