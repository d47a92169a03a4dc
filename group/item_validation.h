// Item definitions against the tag store: the check that AddItems and ValidateItems share,
// and the item AddItems builds from a definition that passed it.
#pragma once

#include "comkit/runtime_lock.h"
#include "group/opc_item.h"

#include <memory>
#include <string>

namespace vetrel {

// What a definition names, its tag, and a copy of the tag's value taken under the lock.
struct ValidatedItem
{
    // Valid while the lock stays held.
    OPCTag* tag = nullptr;
    std::string accessPath;
    std::string itemID;
    Variant value;
    WORD quality = 0;
    DWORD accessRights = OPC_READABLE;
};

// Finds the definition's tag, giving the host's unknown item callback one chance to create it
// (with lock released around the call), and tries the requested type on its value.
// OPC_E_UNKNOWNITEMID, or the conversion's own error. lock is held on entry and on return.
HRESULT validateItemDef(const OPCITEMDEF& definition, RuntimeHold& lock, ValidatedItem& validated);

// Whether value can be read as requested (VT_EMPTY: as it is): S_OK, or the conversion's error.
HRESULT tryRequestedType(const VARIANT& value, VARTYPE requested) noexcept;

// A new item of the definition following the validated tag.
std::unique_ptr<OPCItem> makeItem(const OPCITEMDEF& definition, ValidatedItem&& validated);

} // namespace vetrel
