// OPC Alarms and Events enumerations, bit constants and structures.
#pragma once

#include "vetrel/com.h"
#include "vetrel/opc/types.h"

// Fixed underlying type for the same reason as the Data Access enumerations: any value a client
// sends stays a valid object of the type.
enum OPCAEBROWSEDIRECTION : int
{
    OPCAE_BROWSE_UP = 1,
    OPCAE_BROWSE_DOWN = 2,
    OPCAE_BROWSE_TO = 3,
};

enum OPCAEBROWSETYPE : int
{
    OPC_AREA = 1,
    OPC_SOURCE = 2,
};

enum OPCEVENTSERVERSTATE : int
{
    OPCAE_STATUS_RUNNING = 1,
    OPCAE_STATUS_FAILED = 2,
    OPCAE_STATUS_NOCONFIG = 3,
    OPCAE_STATUS_SUSPENDED = 4,
    OPCAE_STATUS_TEST = 5,
    // Reported only by Alarms and Events 1.10 servers.
    OPCAE_STATUS_COMM_FAULT = 6,
};

// Condition state bits of ONEVENTSTRUCT::wNewState and OPCCONDITIONSTATE::wState.
inline constexpr WORD OPC_CONDITION_ENABLED = 0x0001;
inline constexpr WORD OPC_CONDITION_ACTIVE = 0x0002;
inline constexpr WORD OPC_CONDITION_ACKED = 0x0004;

// What changed, in ONEVENTSTRUCT::wChangeMask.
inline constexpr WORD OPC_CHANGE_ACTIVE_STATE = 0x0001;
inline constexpr WORD OPC_CHANGE_ACK_STATE = 0x0002;
inline constexpr WORD OPC_CHANGE_ENABLE_STATE = 0x0004;
inline constexpr WORD OPC_CHANGE_QUALITY = 0x0008;
inline constexpr WORD OPC_CHANGE_SEVERITY = 0x0010;
inline constexpr WORD OPC_CHANGE_SUBCONDITION = 0x0020;
inline constexpr WORD OPC_CHANGE_MESSAGE = 0x0040;
inline constexpr WORD OPC_CHANGE_ATTRIBUTE = 0x0080;

// Event types, in ONEVENTSTRUCT::dwEventType and the subscription filter.
inline constexpr DWORD OPC_SIMPLE_EVENT = 0x0001;
inline constexpr DWORD OPC_TRACKING_EVENT = 0x0002;
inline constexpr DWORD OPC_CONDITION_EVENT = 0x0004;
inline constexpr DWORD OPC_ALL_EVENTS = OPC_SIMPLE_EVENT | OPC_TRACKING_EVENT | OPC_CONDITION_EVENT;

// The filter criteria a server supports, from IOPCEventServer::QueryAvailableFilters.
inline constexpr DWORD OPC_FILTER_BY_EVENT = 0x0001;
inline constexpr DWORD OPC_FILTER_BY_CATEGORY = 0x0002;
inline constexpr DWORD OPC_FILTER_BY_SEVERITY = 0x0004;
inline constexpr DWORD OPC_FILTER_BY_AREA = 0x0008;
inline constexpr DWORD OPC_FILTER_BY_SOURCE = 0x0010;

struct OPCEVENTSERVERSTATUS
{
    FILETIME ftStartTime;
    FILETIME ftCurrentTime;
    FILETIME ftLastUpdateTime;
    OPCEVENTSERVERSTATE dwServerState;
    WORD wMajorVersion;
    WORD wMinorVersion;
    WORD wBuildNumber;
    WORD wReserved;
    LPWSTR szVendorInfo;
};

// One event delivered through IOPCEventSink::OnEvent.
struct ONEVENTSTRUCT
{
    WORD wChangeMask;
    WORD wNewState;
    LPWSTR szSource;
    FILETIME ftTime;
    LPWSTR szMessage;
    DWORD dwEventType;
    DWORD dwEventCategory;
    DWORD dwSeverity;
    LPWSTR szConditionName;
    LPWSTR szSubconditionName;
    WORD wQuality;
    WORD wReserved;
    BOOL bAckRequired;
    FILETIME ftActiveTime;
    DWORD dwCookie;
    DWORD dwNumEventAttrs;
    VARIANT* pEventAttributes; // dwNumEventAttrs values
    LPWSTR szActorID;
};

struct OPCCONDITIONSTATE
{
    WORD wState;
    WORD wReserved1;
    LPWSTR szActiveSubCondition;
    LPWSTR szASCDefinition;
    DWORD dwASCSeverity;
    LPWSTR szASCDescription;
    WORD wQuality;
    WORD wReserved2;
    FILETIME ftLastAckTime;
    FILETIME ftSubCondLastActive;
    FILETIME ftCondLastActive;
    FILETIME ftCondLastInactive;
    LPWSTR szAcknowledgerID;
    LPWSTR szComment;
    DWORD dwNumSCs;
    LPWSTR* pszSCNames; // dwNumSCs entries, as the next three arrays
    LPWSTR* pszSCDefinitions;
    DWORD* pdwSCSeverities;
    LPWSTR* pszSCDescriptions;
    DWORD dwNumEventAttrs;
    VARIANT* pEventAttributes; // dwNumEventAttrs entries, as pErrors
    HRESULT* pErrors;
};
