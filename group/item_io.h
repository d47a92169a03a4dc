// Reading and writing one item: the steps every read and write path of a group shares.
#pragma once

#include "group/opc_item.h"

namespace vetrel {

class OPCTag;

// The caller holds the runtime lock.

// The item's value in its requested type, with its quality and timestamp. value is an empty
// VARIANT on entry. When the conversion fails the value stays in the item's own type, the
// quality becomes 0 (bad) and the conversion's error is the result.
HRESULT readItemValue(const OPCItem& item, VARIANT& value, WORD& quality, FILETIME& timestamp);

// The tag's own value, quality and timestamp, for clients that read it by name without an item.
// value is an empty VARIANT on entry.
HRESULT readTagValue(const OPCTag& tag, VARIANT& value, WORD& quality, FILETIME& timestamp);

// A client's value into the item and its tag, converted to the item's canonical type, and the
// host told. OPC_E_BADRIGHTS for an item that is not writeable; a conversion's error leaves
// everything unchanged. The client's value is not modified.
HRESULT writeItemValue(OPCItem& item, const VARIANT& value);

// Writes of a value with quality and timestamp, into a group's item or straight into a tag.
// The host alone sets a tag's quality and timestamp: a client write reaches it as a new value
// of the tag, and its next update replaces whatever quality and timestamp the runtime kept. A
// write that specifies either is therefore refused whole with OPC_E_NOTSUPPORTED rather than
// answered with a success the host never hears of. Otherwise the value is written as by
// writeItemValue, its failure told as OPC_E_BADRIGHTS, OPC_E_RANGE or OPC_E_BADTYPE.
HRESULT writeItemVQT(OPCItem& item, const OPCITEMVQT& vqt);
HRESULT writeTagVQT(const OPCTag& tag, const OPCITEMVQT& vqt);

} // namespace vetrel
