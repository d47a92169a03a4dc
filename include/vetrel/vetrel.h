// Vetrel host API: what a host program calls to run the OPC server runtime and publish its
// process values as tags. Every function may be called from any host thread.
#pragma once

#include "vetrel/com.h"

#include <string>

#if defined(_WIN32)
#define VETREL_API
#else
#define VETREL_API __attribute__((visibility("default")))
#endif

// Trace line of a client call, at most 99 characters; valid only during the call.
typedef void (*VetrelEventMsgCallback)(char* text);
// A client wrote a value into the tag; fetch it with ReadTag.
typedef void (*VetrelWriteNotificationCallback)(DWORD hTag);
// A client asked for an item no tag has; create the tag now to accept the item.
typedef void (*VetrelUnknownItemCallback)(char* accessPath, char* itemId);
// The last group item that referred to the tag was removed.
typedef void (*VetrelItemRemovalCallback)(DWORD hTag, char* accessPath, char* tagName);

extern "C" {

// Registers the class with COM for clients to activate, and starts the scan every rate
// milliseconds. COM hands a waiting client over as soon as the class is registered: create the
// tags before, so that a client activated by COM finds them at once. FALSE when started already
// or when starting failed.
VETREL_API BOOL InitVetrel(CLSID clsid, DWORD rate);
VETREL_API BOOL InitVetrelB(const BYTE* clsid, DWORD rate);
VETREL_API WORD VetrelRevision();

VETREL_API DWORD CreateTagA(const char* name, VARIANT value, WORD quality, BOOL writable);
VETREL_API BOOL RemoveTag(DWORD hTag);
// UpdateTag stamps the value with the current time, always later than the previous such stamp;
// UpdateTagWithTimeStamp with the given UTC time, to the 100-ns tick (kept within 1980..2107).
// Clients receive the stamp unchanged.
VETREL_API BOOL UpdateTag(DWORD hTag, VARIANT value, WORD quality);
VETREL_API BOOL UpdateTagWithTimeStamp(DWORD hTag, VARIANT value, WORD quality, FILETIME timestamp);
VETREL_API BOOL UpdateTagByNameA(const char* name, VARIANT value, WORD quality);
VETREL_API BOOL ReadTag(DWORD hTag, VARIANT* value);
VETREL_API BOOL SetTagPropertiesA(DWORD hTag, const char* description, const char* euUnits);
VETREL_API BOOL SetItemLevelAlarm(DWORD hTag, int level, float limit, DWORD severity, BOOL enabled);
VETREL_API BOOL GetItemLevelAlarm(DWORD hTag, int level, float* limit, DWORD* severity,
                                  BOOL* enabled);

VETREL_API BOOL EnableEventMsgs(VetrelEventMsgCallback callback);
VETREL_API BOOL EnableNotification(VetrelWriteNotificationCallback callback);
VETREL_API BOOL EnableUnknownItemNotification(VetrelUnknownItemCallback callback);
VETREL_API BOOL EnableItemRemovalNotification(VetrelItemRemovalCallback callback);

VETREL_API BOOL UserAEMessage(const char* message, DWORD severity);
VETREL_API BOOL RefreshAllClients();
VETREL_API BOOL ResetServerRate(DWORD rate);
VETREL_API int NumbrClientConnections();
VETREL_API int RequestDisconnect();
VETREL_API BOOL SetVendorInfoA(const char* vendor);

VETREL_API BOOL UpdateRegistryA(CLSID clsid, const char* progId, const char* description,
                                const char* exePath);
VETREL_API BOOL UpdateRegistryB(const BYTE* clsid, const char* progId, const char* description,
                                const char* exePath);
VETREL_API BOOL UnregisterServerA(CLSID clsid, const char* progId);
VETREL_API BOOL UnregisterServerB(const BYTE* clsid, const char* progId);

} // extern "C"

// The plain forms take the text by value and cut it to the buffer of the A form: 199
// characters for names and the ProgID of UnregisterServer, 399 for the vendor text and the
// strings of UpdateRegistry. They take libstdc++ strings, so only hosts built with mingw-w64 (the
// DLL's compiler) can call them: Vetrel.lib, the import library for MSVC, leaves them out, and
// an MSVC host calls the extern "C" functions above.
VETREL_API DWORD CreateTag(std::string name, VARIANT value, WORD quality, BOOL writable);
VETREL_API BOOL UpdateTagByName(std::string name, VARIANT value, WORD quality);
VETREL_API BOOL SetVendorInfo(std::string vendor);
VETREL_API BOOL UpdateRegistry(CLSID clsid, std::string progId, std::string description,
                               std::string exePath);
VETREL_API BOOL UnregisterServer(CLSID clsid, std::string progId);
