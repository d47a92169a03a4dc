// OPC Data Access enumerations, access rights, structures and item property identifiers.
// Structures keep natural alignment: their 64-bit layout follows from pointer alignment.
#pragma once

#include "vetrel/com.h"
#include "vetrel/opc/types.h"

// The enumerations are 4 bytes in memory. Their fixed underlying type makes any 32-bit value a
// client sends a valid object of the type, so servers can range-check it without undefined
// behaviour.
enum OPCDATASOURCE : int
{
    OPC_DS_CACHE = 1,
    OPC_DS_DEVICE = 2,
};

enum OPCBROWSETYPE : int
{
    OPC_BRANCH = 1,
    OPC_LEAF = 2,
    OPC_FLAT = 3,
};

enum OPCNAMESPACETYPE : int
{
    OPC_NS_HIERARCHIAL = 1,
    OPC_NS_FLAT = 2,
};

enum OPCBROWSEDIRECTION : int
{
    OPC_BROWSE_UP = 1,
    OPC_BROWSE_DOWN = 2,
    // Data Access 2.0; 1.0a clients never send it.
    OPC_BROWSE_TO = 3,
};

enum OPCEUTYPE : int
{
    OPC_NOENUM = 0,
    OPC_ANALOG = 1,
    OPC_ENUMERATED = 2,
};

enum OPCSERVERSTATE : int
{
    OPC_STATUS_RUNNING = 1,
    OPC_STATUS_FAILED = 2,
    OPC_STATUS_NOCONFIG = 3,
    OPC_STATUS_SUSPENDED = 4,
    OPC_STATUS_TEST = 5,
    // Reported only by Data Access 3.0 servers.
    OPC_STATUS_COMM_FAULT = 6,
};

enum OPCENUMSCOPE : int
{
    OPC_ENUM_PRIVATE_CONNECTIONS = 1,
    OPC_ENUM_PUBLIC_CONNECTIONS = 2,
    OPC_ENUM_ALL_CONNECTIONS = 3,
    OPC_ENUM_PRIVATE = 4,
    OPC_ENUM_PUBLIC = 5,
    OPC_ENUM_ALL = 6,
};

// Access-rights bits of OPCITEMRESULT, OPCITEMATTRIBUTES and the browse filter.
inline constexpr DWORD OPC_READABLE = 0x1;
inline constexpr DWORD OPC_WRITEABLE = 0x2;

// An item a client asks for. Both strings and the blob belong to the caller.
struct OPCITEMDEF
{
    LPWSTR szAccessPath;
    LPWSTR szItemID;
    BOOL bActive;
    OPCHANDLE hClient;
    DWORD dwBlobSize;
    BYTE* pBlob; // dwBlobSize bytes
    VARTYPE vtRequestedDataType;
    WORD wReserved;
};

// The server's answer to one OPCITEMDEF; pBlob is task-allocator memory the caller frees.
struct OPCITEMRESULT
{
    OPCHANDLE hServer;
    VARTYPE vtCanonicalDataType;
    WORD wReserved;
    DWORD dwAccessRights;
    DWORD dwBlobSize;
    BYTE* pBlob;
};

struct OPCITEMSTATE
{
    OPCHANDLE hClient;
    FILETIME ftTimeStamp;
    WORD wQuality;
    WORD wReserved;
    VARIANT vDataValue;
};

struct OPCITEMATTRIBUTES
{
    LPWSTR szAccessPath;
    LPWSTR szItemID;
    BOOL bActive;
    OPCHANDLE hClient;
    OPCHANDLE hServer;
    DWORD dwAccessRights;
    DWORD dwBlobSize;
    BYTE* pBlob; // dwBlobSize bytes
    VARTYPE vtRequestedDataType;
    VARTYPE vtCanonicalDataType;
    OPCEUTYPE dwEUType;
    VARIANT vEUInfo;
};

struct OPCSERVERSTATUS
{
    FILETIME ftStartTime;
    FILETIME ftCurrentTime;
    FILETIME ftLastUpdateTime;
    OPCSERVERSTATE dwServerState;
    DWORD dwGroupCount;
    DWORD dwBandWidth;
    WORD wMajorVersion;
    WORD wMinorVersion;
    WORD wBuildNumber;
    WORD wReserved;
    LPWSTR szVendorInfo;
};

// Item property identifiers. 9-99 and 109-199 are reserved, vendors start at 5000.
inline constexpr DWORD OPC_PROPERTY_DATATYPE = 1;
inline constexpr DWORD OPC_PROPERTY_VALUE = 2;
inline constexpr DWORD OPC_PROPERTY_QUALITY = 3;
inline constexpr DWORD OPC_PROPERTY_TIMESTAMP = 4;
inline constexpr DWORD OPC_PROPERTY_ACCESS_RIGHTS = 5;
inline constexpr DWORD OPC_PROPERTY_SCAN_RATE = 6;
inline constexpr DWORD OPC_PROPERTY_EU_TYPE = 7;
inline constexpr DWORD OPC_PROPERTY_EU_INFO = 8;
inline constexpr DWORD OPC_PROPERTY_EU_UNITS = 100;
inline constexpr DWORD OPC_PROPERTY_DESCRIPTION = 101;
inline constexpr DWORD OPC_PROPERTY_HIGH_EU = 102;
inline constexpr DWORD OPC_PROPERTY_LOW_EU = 103;
inline constexpr DWORD OPC_PROPERTY_HIGH_IR = 104;
inline constexpr DWORD OPC_PROPERTY_LOW_IR = 105;
inline constexpr DWORD OPC_PROPERTY_CLOSE_LABEL = 106;
inline constexpr DWORD OPC_PROPERTY_OPEN_LABEL = 107;
inline constexpr DWORD OPC_PROPERTY_TIMEZONE = 108;

// The Data Access 2.0 names of the same identifiers (7 and 8 have none).
inline constexpr DWORD OPC_PROP_CDT = OPC_PROPERTY_DATATYPE;
inline constexpr DWORD OPC_PROP_VALUE = OPC_PROPERTY_VALUE;
inline constexpr DWORD OPC_PROP_QUALITY = OPC_PROPERTY_QUALITY;
inline constexpr DWORD OPC_PROP_TIME = OPC_PROPERTY_TIMESTAMP;
inline constexpr DWORD OPC_PROP_RIGHTS = OPC_PROPERTY_ACCESS_RIGHTS;
inline constexpr DWORD OPC_PROP_SCANRATE = OPC_PROPERTY_SCAN_RATE;
inline constexpr DWORD OPC_PROP_UNIT = OPC_PROPERTY_EU_UNITS;
inline constexpr DWORD OPC_PROP_DESC = OPC_PROPERTY_DESCRIPTION;
inline constexpr DWORD OPC_PROP_HIEU = OPC_PROPERTY_HIGH_EU;
inline constexpr DWORD OPC_PROP_LOEU = OPC_PROPERTY_LOW_EU;
inline constexpr DWORD OPC_PROP_HIRANGE = OPC_PROPERTY_HIGH_IR;
inline constexpr DWORD OPC_PROP_LORANGE = OPC_PROPERTY_LOW_IR;
inline constexpr DWORD OPC_PROP_CLOSE = OPC_PROPERTY_CLOSE_LABEL;
inline constexpr DWORD OPC_PROP_OPEN = OPC_PROPERTY_OPEN_LABEL;
inline constexpr DWORD OPC_PROP_TIMEZONE = OPC_PROPERTY_TIMEZONE;
