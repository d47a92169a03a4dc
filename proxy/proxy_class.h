/* The class of our proxy/stub factory: our own, so that registering or unregistering this DLL
   never touches the class entry of another OPC proxy/stub DLL in the same registry. */
#pragma once

#define PROXY_CLSID_IS                                                                             \
    {                                                                                              \
        0xf66102d9, 0x5c4f, 0x4ee8,                                                                \
        {                                                                                          \
            0xa5, 0x10, 0x00, 0xb3, 0x86, 0x71, 0x02, 0x64                                         \
        }                                                                                          \
    }
