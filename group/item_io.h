// Reading and writing one item: the steps every read and write path of a group shares.
#pragma once

#include "group/opc_item.h"

namespace vetrel {

// The caller holds the runtime lock.

// The item's value in its requested type, with its quality and timestamp. value is an empty
// VARIANT on entry. When the conversion fails the value stays in the item's own type, the
// quality becomes 0 (bad) and the conversion's error is the result.
HRESULT readItemValue(const OPCItem& item, VARIANT& value, WORD& quality, FILETIME& timestamp);

// A client's value into the item and its tag, converted to the item's canonical type, and the
// host told. OPC_E_BADRIGHTS for an item that is not writeable; a conversion's error leaves
// everything unchanged. The client's value is not modified.
HRESULT writeItemValue(OPCItem& item, const VARIANT& value);

} // namespace vetrel
