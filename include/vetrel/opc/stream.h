// The OPC 1.0a data streams: the blocks a group hands to IAdviseSink::OnDataChange in an
// HGLOBAL, and the clipboard format names they are advised under. These structures hold no
// pointers, so they are the same in 32-bit and 64-bit processes.
#pragma once

#include "vetrel/com.h"
#include "vetrel/opc/types.h"

// Names to register with RegisterClipboardFormatA. Remote peers match formats by these names.
inline constexpr char OPCSTMFORMATDATA[] = "OPCSTMFORMATDATA";
inline constexpr char OPCSTMFORMATDATATIME[] = "OPCSTMFORMATDATATIME";
inline constexpr char OPCSTMFORMATWRITECOMPLETE[] = "OPCSTMFORMATWRITECOMPLETE";

// First in a data block; dwItemCount item headers follow it directly.
struct OPCGROUPHEADER
{
    DWORD dwSize; // bytes of the whole block
    DWORD dwItemCount;
    OPCHANDLE hClientGroup;
    DWORD dwTransactionID;
    HRESULT hrStatus;
};

// Item header of OPCSTMFORMATDATATIME blocks.
struct OPCITEMHEADER1
{
    OPCHANDLE hClient;
    DWORD dwValueOffset; // from the start of the block to the item's VARIANT
    WORD wQuality;
    WORD wReserved;
    FILETIME ftTimeStampItem;
};

// Item header of OPCSTMFORMATDATA blocks.
struct OPCITEMHEADER2
{
    OPCHANDLE hClient;
    DWORD dwValueOffset; // from the start of the block to the item's VARIANT
    WORD wQuality;
    WORD wReserved;
};

// First in a write-complete block, which has no size field: it is 16 + 8 * dwItemCount bytes.
struct OPCGROUPHEADERWRITE
{
    DWORD dwItemCount;
    OPCHANDLE hClientGroup;
    DWORD dwTransactionID;
    HRESULT hrStatus;
};

struct OPCITEMHEADERWRITE
{
    OPCHANDLE hClient;
    HRESULT dwError;
};
