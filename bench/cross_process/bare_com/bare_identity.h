// Who the bare server is to COM, and the interfaces its proxy/stub DLL carries.
#pragma once

#include "bare.h"

inline constexpr CLSID kBareServerClass = {
    0x10db572e, 0xb156, 0x495b, {0x93, 0x3e, 0x3c, 0x31, 0xaf, 0xe4, 0x14, 0xba}};
