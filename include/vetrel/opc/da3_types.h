// OPC Data Access 3.0 enumerations, structures and constants, beside the 2.0 ones they extend.
// Structures keep natural alignment, as the 2.0 ones do.
#pragma once

#include "vetrel/com.h"
#include "vetrel/opc/types.h"

// Which elements IOPCBrowse::Browse returns. 4 bytes in memory, 16 bits on the wire.
enum OPCBROWSEFILTER : int
{
    OPC_BROWSE_FILTER_ALL = 1,
    OPC_BROWSE_FILTER_BRANCHES = 2,
    OPC_BROWSE_FILTER_ITEMS = 3,
};

// Bits of OPCBROWSEELEMENT::dwFlagValue.
inline constexpr DWORD OPC_BROWSE_HASCHILDREN = 0x01;
inline constexpr DWORD OPC_BROWSE_ISITEM = 0x02;

// A value to write with, optionally, its quality and timestamp.
struct OPCITEMVQT
{
    VARIANT vDataValue;
    BOOL bQualitySpecified;
    WORD wQuality;
    WORD wReserved;
    BOOL bTimeStampSpecified;
    DWORD dwReserved;
    FILETIME ftTimeStamp;
};

// One property of an item. szItemID names the item that carries the property's value, if any.
struct OPCITEMPROPERTY
{
    VARTYPE vtDataType;
    WORD wReserved;
    DWORD dwPropertyID;
    LPWSTR szItemID;
    LPWSTR szDescription;
    VARIANT vValue;
    HRESULT hrErrorID;
    DWORD dwReserved;
};

// The properties of one item: dwNumProperties entries, or none with hrErrorID saying why.
struct OPCITEMPROPERTIES
{
    HRESULT hrErrorID;
    DWORD dwNumProperties;
    OPCITEMPROPERTY* pItemProperties;
    DWORD dwReserved;
};

// One branch or item found by IOPCBrowse::Browse; everything it points to is the caller's.
struct OPCBROWSEELEMENT
{
    LPWSTR szName;
    LPWSTR szItemID;
    DWORD dwFlagValue;
    DWORD dwReserved;
    OPCITEMPROPERTIES ItemProperties;
};
