// The calls of an OPC client, made on interfaces whose server lives in another process.
#pragma once

#include "platform/com_ptr.h"
#include "platform/variant.h"
#include "vetrel/opc.h"

#include <string>
#include <string_view>
#include <vector>

namespace e2e {

using vetrel::ComPtr;

std::basic_string<OLECHAR> wide(std::string_view ascii);
// A string the server handed out; freed here.
std::string takeText(LPWSTR text);

struct AddedGroup
{
    HRESULT result = E_FAIL;
    OPCHANDLE handle = 0;
    DWORD revisedRate = 0;
    ComPtr<IOPCItemMgt> items;
};

// AddGroup with every optional input given.
AddedGroup addGroup(IOPCServer* server, std::string_view name, DWORD rate, OPCHANDLE client);

struct AddedItem
{
    HRESULT error = E_FAIL;
    OPCHANDLE handle = 0;
    VARTYPE canonicalType = VT_EMPTY;
    DWORD accessRights = 0;
};

// One AddItems call for every name; client handles are the positions.
std::vector<AddedItem> addItems(IOPCItemMgt* items, const std::vector<std::string_view>& names,
                                HRESULT* result);

struct ReadValue
{
    HRESULT error = E_FAIL;
    OPCHANDLE client = 0;
    vetrel::Variant value;
    WORD quality = 0;
};

std::vector<ReadValue> readItems(IOPCSyncIO* io, const std::vector<OPCHANDLE>& handles,
                                 HRESULT* result);
std::vector<HRESULT> writeItems(IOPCSyncIO* io, const std::vector<OPCHANDLE>& handles,
                                const std::vector<VARIANT>& values, HRESULT* result);

} // namespace e2e
