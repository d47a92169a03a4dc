// The objects of the bare server: the class factory, servers, the children and the groups a
// server hands out. Every live server, child and group counts as use of the process.
#pragma once

#include "bare_identity.h"

// The one class object of the bare server; it lives as long as the process.
IClassFactory* bareClassFactory();

// A new server, child or group with one reference for the caller; null without memory.
IBareServer* newBareServer();
IBareChild* newBareChild(LONG value);
IBareGroup* newBareGroup();
