// The platform face: every COM, OLE Automation, registry, memory, time and text service that
// Vetrel uses, under its Windows name. Windows builds get the system headers; other builds get
// our own declarations, implemented by the vetrel_com library.
#pragma once

#if defined(_WIN32)
#include <comcat.h>
#include <objbase.h>
#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>
#include <windows.h>
#else
#include "vetrel/posix/base.h"
#include "vetrel/posix/com_runtime.h"
#include "vetrel/posix/oleauto.h"
#include "vetrel/posix/registry.h"
#include "vetrel/posix/system.h"
#include "vetrel/posix/unknwn.h"
#endif
