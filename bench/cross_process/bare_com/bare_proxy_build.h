/* Forced into every C file of the bare proxy/stub DLL, ahead of the generated code. */
#pragma once

#include "unknown_proxies.h"

/* The class of the bare proxy/stub factory, apart from every other proxy/stub DLL. */
#define PROXY_CLSID_IS                                                                             \
    {                                                                                              \
        0xd6657c08, 0xed36, 0x4add,                                                                \
        {                                                                                          \
            0x8d, 0x2d, 0x66, 0xf4, 0xa4, 0x1e, 0xad, 0xd1                                         \
        }                                                                                          \
    }
