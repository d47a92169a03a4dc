/* Forced into every C file of the proxy/stub DLL, ahead of the generated code. */
#pragma once

#include "proxy_class.h"
#include "unknown_proxies.h"
