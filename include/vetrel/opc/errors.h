// Result codes of OPC Data Access and Alarms and Events. All use the interface facility; the
// error codes carry both top bits, so FAILED() and SUCCEEDED() sort them as usual. The standard
// COM codes come from the platform face.
#pragma once

#include "vetrel/com.h"

// Data Access.
inline constexpr HRESULT OPC_E_INVALIDHANDLE = static_cast<HRESULT>(0xC0040001);
inline constexpr HRESULT OPC_E_BADTYPE = static_cast<HRESULT>(0xC0040004);
inline constexpr HRESULT OPC_E_PUBLIC = static_cast<HRESULT>(0xC0040005);
inline constexpr HRESULT OPC_E_BADRIGHTS = static_cast<HRESULT>(0xC0040006);
inline constexpr HRESULT OPC_E_UNKNOWNITEMID = static_cast<HRESULT>(0xC0040007);
inline constexpr HRESULT OPC_E_INVALIDITEMID = static_cast<HRESULT>(0xC0040008);
inline constexpr HRESULT OPC_E_INVALIDFILTER = static_cast<HRESULT>(0xC0040009);
inline constexpr HRESULT OPC_E_UNKNOWNPATH = static_cast<HRESULT>(0xC004000A);
inline constexpr HRESULT OPC_E_RANGE = static_cast<HRESULT>(0xC004000B);
inline constexpr HRESULT OPC_E_DUPLICATENAME = static_cast<HRESULT>(0xC004000C);
inline constexpr HRESULT OPC_S_UNSUPPORTEDRATE = static_cast<HRESULT>(0x0004000D);
inline constexpr HRESULT OPC_S_CLAMP = static_cast<HRESULT>(0x0004000E);
inline constexpr HRESULT OPC_S_INUSE = static_cast<HRESULT>(0x0004000F);
inline constexpr HRESULT OPC_E_INVALIDCONFIGFILE = static_cast<HRESULT>(0xC0040010);
inline constexpr HRESULT OPC_E_NOTFOUND = static_cast<HRESULT>(0xC0040011);
inline constexpr HRESULT OPC_E_INVALID_PID = static_cast<HRESULT>(0xC0040203);

// Data Access 3.0. OPC_E_NOTSUPPORTED answers a write of a quality or timestamp the item cannot
// take.
inline constexpr HRESULT OPC_E_DEADBANDNOTSET = static_cast<HRESULT>(0xC0040400);
inline constexpr HRESULT OPC_E_DEADBANDNOTSUPPORTED = static_cast<HRESULT>(0xC0040401);
inline constexpr HRESULT OPC_E_NOBUFFERING = static_cast<HRESULT>(0xC0040402);
inline constexpr HRESULT OPC_E_INVALIDCONTINUATIONPOINT = static_cast<HRESULT>(0xC0040403);
inline constexpr HRESULT OPC_S_DATAQUEUEOVERFLOW = static_cast<HRESULT>(0x00040404);
inline constexpr HRESULT OPC_E_RATENOTSET = static_cast<HRESULT>(0xC0040405);
inline constexpr HRESULT OPC_E_NOTSUPPORTED = static_cast<HRESULT>(0xC0040406);

// Alarms and Events. OPC_E_INVALIDBRANCHNAME has the value of OPC_E_INVALID_PID: a table of
// error texts keyed by code holds one entry for both.
inline constexpr HRESULT OPC_S_ALREADYACKED = static_cast<HRESULT>(0x00040200);
inline constexpr HRESULT OPC_S_INVALIDBUFFERTIME = static_cast<HRESULT>(0x00040201);
inline constexpr HRESULT OPC_S_INVALIDMAXSIZE = static_cast<HRESULT>(0x00040202);
inline constexpr HRESULT OPC_E_INVALIDBRANCHNAME = static_cast<HRESULT>(0xC0040203);
inline constexpr HRESULT OPC_E_INVALIDTIME = static_cast<HRESULT>(0xC0040204);
inline constexpr HRESULT OPC_E_BUSY = static_cast<HRESULT>(0xC0040205);
inline constexpr HRESULT OPC_E_NOINFO = static_cast<HRESULT>(0xC0040206);
